// The real main window and the phone simulator over a pseudo-terminal: a
// Bluetooth connect on the simulator's port, its screen on the PC, and a
// keypad click that reaches it as the right key code.
#include "app/AppException.h"
#include "app/MessageBoxes.h"
#include "app/UnitMain.h"
#include "common/Paths.h"
#include "controls/dxfPictureButton.h"
#include "keys/PhoneKeypad.h"
#include "link/CommandQueue.h"
#include "link/UnitDataCom.h"
#include "screen/ScreenCanvas.h"
#include "settings/Settings.h"
#include "support/ProgramFixtures.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

class TestEndToEndSerial : public QObject {
  Q_OBJECT

  static bool Recorded(const QString &path, const QByteArray &code) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) &&
           f.readAll().split('\n').contains(code);
  }

private slots:
  void keypadClickReachesThePhoneOverAPty() {
    ScopedTempDir dir;
    QVERIFY(CopySkinFile(dir));
    SetExePath(dir.File("quorvane"));
    QStringList boxes;
    SetMessageBoxHook(
        [&](TMessageKind, const QString &, const QString &t) { boxes << t; });

    const QString record = dir.File("keys.txt");
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QV_BIN_DIR "/phone-sim",
              {"--pty", "--record", record, "--quiet"});
    QVERIFY(sim.waitForStarted());
    QByteArray line;
    while (!line.startsWith("PTY ")) {
      QVERIFY2(sim.canReadLine() || sim.waitForReadyRead(10000),
               "the simulator printed no pty path");
      line = sim.readLine().trimmed();
    }
    const QByteArray ptyPath = line.mid(4);

    TCommandQueue queue;
    TFormMain form(queue);
    TDataComPort dataCom(queue, &form.LinkView());
    form.SetDataComPort(&dataCom);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    AppSettings.BlueToothPort = ptyPath;
    form.MBlueToothConnectClick(form.MBlueToothConnect);
    QVERIFY(dataCom.ComPort().IsOpen());

    QTRY_COMPARE_WITH_TIMEOUT(form.LabPhoneType->text(),
                              QString("Quorvane Phone Simulator"), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(CountNonWhite(form.Canvas().Screen()) > 2000,
                             15000);
    const QImage before = form.Canvas().Screen();

    TdxfPictureButton *seven = form.PanelButton->Button("B_07");
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {},
                      seven->mapTo(&form, seven->rect().center()));
    QTRY_VERIFY_WITH_TIMEOUT(Recorded(record, "311"), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(form.Canvas().Screen() != before, 15000);

    form.DisconnectLink();
    QVERIFY(!dataCom.ComPort().IsOpen());
    form.SetDataComPort(nullptr);
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QVERIFY(boxes.isEmpty());
    SetMessageBoxHook({});
  }
};

int main(int argc, char **argv) {
  TApplication app(argc, argv);
  TestEndToEndSerial test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_serial.moc"
