// The real main window and the phone simulator over loopback TCP: the
// phone identifies itself, its screen appears, and a click on the keypad
// reaches the phone as the right key code.
#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "controls/PictureButton.h"
#include "keys/PhoneKeypad.h"
#include "link/CommandQueue.h"
#include "link/TcpLink.h"
#include "screen/ScreenCanvas.h"
#include "settings/Settings.h"
#include "support/ProgramFixtures.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "support/WindowDriver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>

class TestEndToEndTcp : public QObject {
  Q_OBJECT

private slots:
  void keypadClickReachesThePhone() {
    ScopedTempDir dir;
    ScriptedMessageBoxes boxes;
    const Paths paths = Paths::forExecutable(dir.file("quorvane"));
    QVERIFY(copySkinFile(dir));
    EventLog::instance().setFilePath(paths.logFile());
    boxes.onShow = [](MessageKind, const QString &, const QString &text) {
      QFAIL(qPrintable("unexpected message: " + text));
    };

    AppCore core(paths);
    MainWindow form(core, boxes);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    core.settings().setPort(0); // any free port the kernel gives
    driver::trigger(form, "connectInternetAction");
    QVERIFY(form.core().tcpLink().active());
    const int port = form.core().tcpLink().boundPort();

    const QString record = dir.file("keys.txt");
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QV_BIN_DIR "/phone-sim",
              {"--host", "127.0.0.1", "--port", QString::number(port),
               "--record", record, "--quiet"});
    QVERIFY(sim.waitForStarted());

    // Identification: the model name from the skin file, then tiles.
    QTRY_COMPARE_WITH_TIMEOUT(
        driver::find<QLabel>(form, "phoneModelLabel")->text(),
        QString("Quorvane Phone Simulator"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(
        countNonWhite(form.core().canvas().screen()) > 2000, 10000);
    QTest::qWait(300); // let the first full screen settle
    const QImage before = form.core().canvas().screen();

    PictureButton *five =
        driver::find<PhonePanel>(form, "keypad")->button("B_05");
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {},
                      five->mapTo(&form, five->rect().center()));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
    QFile keys(record);
    QTRY_VERIFY_WITH_TIMEOUT((keys.open(QIODevice::ReadOnly), keys.seek(0),
                              keys.readAll().split('\n').contains("309")),
                             10000);
    // The phone reacted: its screen changed on the PC.
    QTRY_VERIFY_WITH_TIMEOUT(form.core().canvas().screen() != before, 10000);

    driver::trigger(form, "disconnectAction");
    QVERIFY(!form.core().canvas().hasPictures());
    QVERIFY(driver::find<QLabel>(form, "phoneModelLabel")->text().isEmpty());
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    boxes.onShow = nullptr;
  }

  void linkFiguresFollowTheSimulatorsFlood() {
    ScopedTempDir dir;
    QVERIFY(copySkinFile(dir));
    const Paths paths = Paths::forExecutable(dir.file("quorvane"));
    ScriptedMessageBoxes boxes;
    AppCore core(paths);
    MainWindow form(core, boxes);
    driver::find<QTimer>(form, "linkFiguresTimer")
        ->stop(); // sampled by hand below
    core.settings().setPort(0);
    driver::trigger(form, "connectInternetAction");
    QProcess sim;
    sim.start(QV_BIN_DIR "/phone-sim",
              {"--host", "127.0.0.1", "--port",
               QString::number(form.core().tcpLink().boundPort()), "--once",
               "--quiet", "--flood", "3", "--tile", "small"});
    QVERIFY(sim.waitForStarted());
    // A reading as the first tile arrives, another as the flood ends: the
    // same stretch of time the simulator counts over.
    QDeadlineTimer deadline(10000);
    while (countNonWhite(form.core().canvas().screen()) == 0 &&
           !deadline.hasExpired())
      QTest::qWait(2);
    driver::fire(form, "linkFiguresTimer");
    QVERIFY(sim.waitForFinished(15000));
    driver::fire(form, "linkFiguresTimer");
    const QString tip = driver::find<QLabel>(form, "linkLed")->toolTip();
    const QByteArray out = sim.readAllStandardOutput();
    const int at = out.indexOf("tiles/s: ");
    QVERIFY2(at >= 0, out.constData());
    const double simRate =
        out.mid(at + 9, out.indexOf('\n', at) - at - 9).toDouble();
    const QRegularExpression rate(QStringLiteral("([0-9.]+) tiles/s"));
    const auto match = rate.match(tip);
    QVERIFY2(match.hasMatch(), qPrintable(tip));
    const double shown = match.captured(1).toDouble();
    QVERIFY2(
        simRate > 0 && qAbs(shown - simRate) <= 0.1 * simRate,
        qPrintable(QString("shown %1, simulator %2").arg(shown).arg(simRate)));
    QVERIFY(tip.contains("requests/s") && tip.contains("round trip"));
    driver::trigger(form, "disconnectAction");
  }
};

int main(int argc, char **argv) {
  GuardedApplication app(argc, argv);
  TestEndToEndTcp test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_tcp.moc"
