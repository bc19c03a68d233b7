// The real main window records the phone simulator's screen over TCP for
// about two seconds; on stop the real AVIConvert, found in the program
// directory, turns the frames into a video that shows the simulator.
#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "link/CommandQueue.h"
#include "link/TcpLink.h"
#include "screen/ScreenCanvas.h"
#include "settings/Settings.h"
#include "support/ProgramFixtures.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "support/WindowDriver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {
QString runTool(const QString &tool, const QStringList &args) {
  QProcess p;
  p.start(tool, args);
  if (!p.waitForFinished(30000))
    return {};
  return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

double meanDifference(const QImage &a, const QImage &b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
             std::abs(qBlue(p) - qBlue(q));
    }
  return sum / (3.0 * a.width() * a.height());
}
} // namespace

class TestEndToEndRecording : public QObject {
  Q_OBJECT

private slots:
  void recordingBecomesAVideo() {
    const QString ffprobe = QStandardPaths::findExecutable("ffprobe");
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    if (ffprobe.isEmpty() || ffmpeg.isEmpty())
      QSKIP("ffprobe and ffmpeg are needed to read the video back");
    ScopedTempDir dir;
    ScriptedMessageBoxes boxes;
    const Paths paths = Paths::forExecutable(dir.file("quorvane"));
    QVERIFY(copySkinFile(dir));
    QVERIFY(QFile::copy(QV_PROGRAM_DIR "/AVIConvert", dir.file("AVIConvert")));
    EventLog::instance().setFilePath(paths.logFile());
    qputenv("AVICONVERT_EXIT_WHEN_DONE", "1");
    boxes.onShow = [](MessageKind, const QString &, const QString &text) {
      QFAIL(qPrintable("unexpected message: " + text));
    };

    AppCore core(paths);
    MainWindow form(core, boxes);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    core.settings().saveCapture(dir.file("video.avi").toLocal8Bit(), 10);
    core.settings().setPort(0); // any free port the kernel gives
    driver::trigger(form, "connectInternetAction");
    const int port = form.core().tcpLink().boundPort();

    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QV_BIN_DIR "/phone-sim", {"--host", "127.0.0.1", "--port",
                                        QString::number(port), "--quiet"});
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(
        countNonWhite(form.core().canvas().screen()) > 2000, 10000);
    QTest::qWait(300);

    driver::trigger(form, "recordPauseAction");
    QCOMPARE(form.captureState(), QString("CAVIPlayed"));
    QTest::qWait(2000);
    const QImage screen = form.core().canvas().screen();
    driver::trigger(form, "stopRecordingAction");
    QCOMPARE(form.captureState(), QString("CAVIOff"));

    QFile list(dir.file("AVIList.dat"));
    QVERIFY(list.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = list.readAll().split('\n');
    // About 20 frames at 10 a second; a slow machine misses some ticks.
    QVERIFY2(lines.size() - 1 >= 5, qPrintable(QString::number(lines.size())));
    QVERIFY(lines.first().startsWith(paths.tempDir().toLocal8Bit()));

    // The converter runs on its own and removes the frames when done.
    QTRY_VERIFY_WITH_TIMEOUT(QDir(paths.tempDir()).isEmpty(), 30000);
    QVERIFY(QFile::exists(dir.file("video.avi")));
    const QString probe = runTool(
        ffprobe, {"-v", "error", "-select_streams", "v:0", "-show_entries",
                  "stream=codec_name,width,height:format=duration", "-of",
                  "default=noprint_wrappers=1", dir.file("video.avi")});
    QVERIFY2(probe.contains("width=176") && probe.contains("height=208"),
             qPrintable(probe));
    const double seconds =
        probe.section("duration=", 1).section('\n', 0, 0).toDouble();
    QVERIFY2(seconds > 1.5 && seconds < 2.6, qPrintable(probe));

    // Its last frame shows the simulator's screen.
    runTool(ffmpeg,
            {"-v", "error", "-sseof", "-0.3", "-i", dir.file("video.avi"),
             "-frames:v", "1", "-y", dir.file("last.png")});
    const QImage last = QImage(dir.file("last.png"));
    QCOMPARE(last.size(), QSize(176, 208));
    QVERIFY2(meanDifference(last, screen) < 12,
             qPrintable(QString::number(meanDifference(last, screen))));

    driver::trigger(form, "disconnectAction");
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    boxes.onShow = nullptr;
    qunsetenv("AVICONVERT_EXIT_WHEN_DONE");
  }
};

int main(int argc, char **argv) {
  GuardedApplication app(argc, argv);
  TestEndToEndRecording test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_recording.moc"
