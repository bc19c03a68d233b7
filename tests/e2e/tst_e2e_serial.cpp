// The real main window and the phone simulator over a pseudo-terminal: a
// Bluetooth connect on the simulator's port, its screen on the PC, and a
// keypad click that reaches it as the right key code.
#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "controls/PictureButton.h"
#include "keys/PhoneKeypad.h"
#include "link/CommandQueue.h"
#include "link/SerialLink.h"
#include "screen/ScreenCanvas.h"
#include "settings/Settings.h"
#include "support/ProgramFixtures.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "support/WindowDriver.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTest>

class TestEndToEndSerial : public QObject {
  Q_OBJECT

  static bool recorded(const QString &path, const QByteArray &code) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) &&
           f.readAll().split('\n').contains(code);
  }

private slots:
  void keypadClickReachesThePhoneOverAPty() {
    ScopedTempDir dir;
    ScriptedMessageBoxes messages;
    const Paths paths = Paths::forExecutable(dir.file("quorvane"));
    QVERIFY(copySkinFile(dir));
    EventLog::instance().setFilePath(paths.logFile());
    QStringList boxes;
    messages.onShow = [&](MessageKind, const QString &, const QString &t) {
      boxes << t;
    };

    const QString record = dir.file("keys.txt");
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

    AppCore core(paths);
    MainWindow form(core, messages);
    SerialLink &dataCom = core.serialLink();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    core.settings().setBlueToothPort(ptyPath);
    driver::trigger(form, "connectBluetoothAction");
    QVERIFY(dataCom.comPort().isOpen());

    QTRY_COMPARE_WITH_TIMEOUT(
        driver::find<QLabel>(form, "phoneModelLabel")->text(),
        QString("Quorvane Phone Simulator"), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(
        countNonWhite(form.core().canvas().screen()) > 2000, 15000);
    const QImage before = form.core().canvas().screen();

    PictureButton *seven =
        driver::find<PhonePanel>(form, "keypad")->button("B_07");
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {},
                      seven->mapTo(&form, seven->rect().center()));
    QTRY_VERIFY_WITH_TIMEOUT(recorded(record, "311"), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(form.core().canvas().screen() != before, 15000);

    driver::trigger(form, "disconnectAction");
    QVERIFY(!dataCom.comPort().isOpen());
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QVERIFY(boxes.isEmpty());
    messages.onShow = nullptr;
  }
};

int main(int argc, char **argv) {
  GuardedApplication app(argc, argv);
  TestEndToEndSerial test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_serial.moc"
