// Screenshots and recording through the main window's own controls.
#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "capture/ConverterFiles.h"
#include "capture/VideoRecorder.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "controls/PictureButton.h"
#include "link/CommandQueue.h"
#include "screen/ScreenCanvas.h"
#include "screen/ScreenView.h"
#include "settings/Settings.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "support/WindowDriver.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLockFile>
#include <QMenu>
#include <QTest>

class TestCaptureWindow : public QObject {
  Q_OBJECT

  std::unique_ptr<ScopedTempDir> m_dir;
  std::optional<Paths> m_paths;
  ScriptedMessageBoxes m_messageBoxes;
  std::unique_ptr<AppCore> m_core;
  std::unique_ptr<MainWindow> m_form;
  QStringList m_boxes;
  QStringList m_questions;
  int m_answer = -1;
  QDateTime m_now{QDate(2009, 3, 7), QTime(9, 5, 3, 45)};

  QString file(const QString &name) { return m_dir->file(name); }
  // A red tile in the 1:1 view.
  void showPicture() {
    m_form->core().canvas().resetPictures();
    QImage tile(34, 34, QImage::Format_RGB32);
    tile.fill(Qt::red);
    m_form->core().canvas().drawDecodedTile(tile, 20, 30);
  }
  QByteArray read(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static bool sameIcon(const QIcon &icon, int index) {
    const QString name =
        QString(":/art/menu_%1.svg").arg(index, 2, 10, QChar('0'));
    return icon.pixmap(16).toImage().convertToFormat(QImage::Format_ARGB32) ==
           QIcon(name).pixmap(16).toImage().convertToFormat(
               QImage::Format_ARGB32);
  }

private slots:
  void init() {
    m_dir = std::make_unique<ScopedTempDir>();
    m_now = QDateTime(QDate(2009, 3, 7), QTime(9, 5, 3, 45));
    m_paths = Paths::forExecutable(file("quorvane"));
    GuardedApplication::instance()->setMessageBoxes(&m_messageBoxes);
    // A stand-in converter in the program directory notes that it ran.
    QFile conv(file("AVIConvert"));
    QVERIFY(conv.open(QIODevice::WriteOnly));
    conv.write("#!/bin/sh\ntouch '" + file("converter-ran").toLocal8Bit() +
               "'\n");
    conv.close();
    conv.setPermissions(conv.permissions() | QFileDevice::ExeOwner);
    m_messageBoxes.onShow = [this](MessageKind, const QString &,
                                   const QString &t) { m_boxes << t; };
    m_boxes.clear();
    m_messageBoxes.onAsk = [this](const QString &text, const QStringList &) {
      m_questions << text;
      return m_answer;
    };
    m_questions.clear();
    m_core = std::make_unique<AppCore>(*m_paths);
    m_form = std::make_unique<MainWindow>(*m_core, m_messageBoxes);
    m_form->core().setCaptureClock([this] { return m_now; });
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
  }
  void cleanup() {
    m_form.reset();
    m_messageBoxes.onShow = nullptr;
    m_messageBoxes.onAsk = nullptr;
    m_dir.reset();
  }

  void screenshotSavesTheView() {
    MainWindow &f = *m_form;
    m_core->settings().setImageDir(file("shots").toLocal8Bit());
    m_core->settings().setImageType("BMP");
    // Nothing in the view: the folder is made, no file, no message.
    driver::click(f, "screenshotButton");
    QVERIFY(QDir(file("shots")).isEmpty());
    QVERIFY(driver::find<QLabel>(f, "statusLabel")->text().isEmpty());

    showPicture();
    driver::click(f, "screenshotButton");
    const QImage saved(file("shots/2009030709050345.bmp"));
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
             f.core().canvas().screen().convertToFormat(QImage::Format_RGB32));
    QCOMPARE(m_core->settings().imageDir(), file("shots").toLocal8Bit() + "/");
    QCOMPARE(driver::find<QLabel>(f, "statusLabel")->text(),
             QString("ScreenShot Saved"));
    QVERIFY(driver::find<QTimer>(f, "statusClearTimer")->isActive());

    // The Tools menu entry saves too, and leaves the running timer be.
    QTest::qWait(200);
    m_now = m_now.addMSecs(405);
    m_core->settings().setImageType("JPEG");
    driver::find<QAction>(f, "screenshotAction")->trigger();
    QVERIFY(QFile::exists(file("shots/20090307090503450.jpg")));
    QVERIFY(driver::find<QTimer>(f, "statusClearTimer")->remainingTime() <=
            1500 - 100);
    driver::fire(f, "statusClearTimer");
    QVERIFY(driver::find<QLabel>(f, "statusLabel")->text().isEmpty());
    QVERIFY(!driver::find<QTimer>(f, "statusClearTimer")->isActive());

    // A file that cannot be written: a message naming it; the program goes
    // on.
    m_now = m_now.addMSecs(1);
    QVERIFY(QDir().mkpath(file("shots/20090307090503451.jpg")));
    driver::click(f, "screenshotButton");
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes[0].contains(file("shots/20090307090503451.jpg")));
    QVERIFY(m_boxes[0].contains("The program goes on"));
    QVERIFY(driver::find<QLabel>(f, "statusLabel")->text().isEmpty());
    QVERIFY(GuardedApplication::instance()->handledErrors().isEmpty());
    QVERIFY(f.isVisible());

    // A view's "Save Screenshot" saves as the menu does, here as PNG; "Copy
    // Screen" in the Tools menu, offered once there is a picture, puts the
    // 1:1 picture on the clipboard.
    m_now = m_now.addMSecs(1);
    m_core->settings().setImageType("PNG");
    emit driver::find<ScreenImage>(f, "zoomView")->screenshotRequested();
    QCOMPARE(QImage(file("shots/20090307090503452.png"))
                 .convertToFormat(QImage::Format_RGB32),
             f.core().canvas().screen().convertToFormat(QImage::Format_RGB32));
    QApplication::clipboard()->clear();
    emit driver::find<QMenu>(f, "toolsMenu")->aboutToShow();
    driver::trigger(f, "copyScreenAction");
    QCOMPARE(QApplication::clipboard()->image().convertToFormat(
                 QImage::Format_RGB32),
             f.core().canvas().screen().convertToFormat(QImage::Format_RGB32));
  }

  void recordPauseResumeStop() {
    MainWindow &f = *m_form;
    m_core->settings().setFps(16);
    // Refused without a picture: the group returns to stop.
    driver::click(f, "recordButton");
    QCOMPARE(f.captureState(), QString("CAVIOff"));
    QVERIFY(driver::find<QTimer>(f, "recordButtonsResetTimer")->isActive());
    driver::fire(f, "recordButtonsResetTimer");
    QVERIFY(driver::find<PictureButton>(f, "stopButton")->isDown() &&
            !driver::find<PictureButton>(f, "recordButton")->isDown());
    // Stop while off does nothing.
    driver::click(f, "stopButton");
    QVERIFY(!QFile::exists(file("AVIList.dat")));

    showPicture();
    driver::click(f, "recordButton");
    QCOMPARE(f.captureState(), QString("CAVIPlayed"));
    QVERIFY(driver::find<QTimer>(f, "captureTimer")->isActive());
    QCOMPARE(driver::find<QTimer>(f, "captureTimer")->interval(), 62);
    QVERIFY(driver::find<QAction>(f, "stopRecordingAction")->isEnabled() &&
            driver::find<PictureButton>(f, "recordButton")->isDown());
    driver::fire(f, "captureTimer");
    m_now = m_now.addMSecs(62);
    driver::fire(f, "captureTimer");

    driver::click(f, "pauseButton");
    QCOMPARE(f.captureState(), QString("CAVIPaused"));
    QVERIFY(!driver::find<QTimer>(f, "captureTimer")->isActive() &&
            driver::find<PictureButton>(f, "pauseButton")->isDown());
    QVERIFY(sameIcon(driver::find<QAction>(f, "recordPauseAction")->icon(), 8));
    // Pause while paused: still paused, and the group shows stop.
    driver::click(f, "pauseButton");
    QCOMPARE(f.captureState(), QString("CAVIPaused"));
    QVERIFY(driver::find<QTimer>(f, "recordButtonsResetTimer")->isActive());
    driver::fire(f, "recordButtonsResetTimer");
    QVERIFY(driver::find<PictureButton>(f, "stopButton")->isDown() &&
            !driver::find<PictureButton>(f, "pauseButton")->isDown());

    m_now = m_now.addSecs(2);
    driver::find<QAction>(f, "recordPauseAction")->trigger();
    QCOMPARE(f.captureState(), QString("CAVIPlayed"));
    QVERIFY(
        sameIcon(driver::find<QAction>(f, "recordPauseAction")->icon(), 12));
    driver::fire(f, "captureTimer");

    driver::click(f, "stopButton");
    QCOMPARE(f.captureState(), QString("CAVIOff"));
    QVERIFY(!driver::find<QAction>(f, "stopRecordingAction")->isEnabled() &&
            driver::find<PictureButton>(f, "stopButton")->isDown());
    QVERIFY(!driver::find<QTimer>(f, "captureTimer")->isActive());
    const QString t = m_paths->tempDir();
    QCOMPARE(read(file("AVIList.dat")),
             (t + "09050345.bmp\r\n" + t + "090503107.bmp\r\n" + t +
              "090505107.bmp\r\n")
                 .toLocal8Bit());
    const QByteArray ini = read(settingsFilePath(*m_paths));
    QVERIFY(ini.contains("Height=208") && ini.contains("Weight=176"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file("converter-ran")), 10000);
  }

  void stopBeforeTheFirstTick() {
    MainWindow &f = *m_form;
    showPicture();
    m_core->settings().setFps(0); // clamped: one frame a second
    driver::find<QAction>(f, "recordPauseAction")->trigger();
    QCOMPARE(driver::find<QTimer>(f, "captureTimer")->interval(), 1000);
    driver::find<QAction>(f, "stopRecordingAction")->trigger();
    QVERIFY(QFile::exists(file("AVIList.dat")));
    QVERIFY(read(file("AVIList.dat")).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file("converter-ran")), 10000);
  }

  void unwritableFrameStopsTheRecording() {
    MainWindow &f = *m_form;
    showPicture();
    driver::find<QAction>(f, "recordPauseAction")->trigger();
    driver::fire(f, "captureTimer");
    m_now = m_now.addMSecs(200);
    QVERIFY(QDir().mkpath(m_paths->tempDir() + "090503245.bmp"));
    driver::fire(f, "captureTimer");
    QCOMPARE(f.captureState(), QString("CAVIOff"));
    QVERIFY(!driver::find<QTimer>(f, "captureTimer")->isActive() &&
            !driver::find<QAction>(f, "stopRecordingAction")->isEnabled());
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes[0].contains("090503245.bmp"));
    QCOMPARE(read(file("AVIList.dat")),
             (m_paths->tempDir() + "09050345.bmp\r\n").toLocal8Bit());
    QVERIFY(GuardedApplication::instance()->handledErrors().isEmpty());
  }

  void recordButtonRaisesAnOpenConverter() {
    XvfbServer x;
    if (!x.running())
      QSKIP("Xvfb is not available");
    const QByteArray saved = qgetenv("DISPLAY");
    qputenv("DISPLAY", x.Display());
    MainWindow &f = *m_form;
    showPicture();
    const xcb_window_t conv = x.makeWindow("AviConvert");
    driver::click(f, "recordButton");
    QCOMPARE(f.captureState(), QString("CAVIOff"));
    QVERIFY(x.mapped(conv));
    QCOMPARE(x.topChild(), conv);
    QVERIFY(driver::find<QTimer>(f, "recordButtonsResetTimer")->isActive());
    driver::fire(f, "recordButtonsResetTimer");
    QVERIFY(driver::find<PictureButton>(f, "stopButton")->isDown());
    // The menu entry brings it forward too, and records nothing that would
    // start a second converter.
    const xcb_window_t other = x.makeWindow("Other");
    QCOMPARE(x.topChild(), other);
    driver::find<QAction>(f, "recordPauseAction")->trigger();
    QCOMPARE(f.captureState(), QString("CAVIOff"));
    QCOMPARE(x.topChild(), conv);
    if (saved.isEmpty())
      qunsetenv("DISPLAY");
    else
      qputenv("DISPLAY", saved);
  }

  void leftoverFramesAreOfferedAtStart() {
    MainWindow &f = *m_form;
    QVERIFY(QDir().mkpath(m_paths->tempDir()));
    // Frames of a recording across midnight, in the order they were taken.
    const QDateTime taken = QDateTime::currentDateTime().addSecs(-60);
    const QStringList frames = {m_paths->tempDir() + "23595990.bmp",
                                m_paths->tempDir() + "000000100.bmp"};
    auto writeFrames = [&] {
      for (int i = 0; i < frames.size(); ++i) {
        QFile file(frames[i]);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("BM") == 2);
        QVERIFY(file.flush());
        QVERIFY(file.setFileTime(taken.addMSecs(100 * i),
                                 QFileDevice::FileModificationTime));
      }
    };
    writeFrames();
    const QString notAFrame = m_paths->tempDir() + "notes.bmp";
    QVERIFY(QFile(notAFrame).open(QIODevice::WriteOnly));
    const QString killedPart = partFilePath(file("video.avi"), 99999999, 1);
    QVERIFY(QFile(killedPart).open(QIODevice::WriteOnly));

    // While a converter works nothing is asked and nothing removed.
    const std::unique_ptr<QLockFile> converter =
        converterLock(m_paths->exeDir());
    QVERIFY(converter->tryLock(0));
    f.offerLeftoverRecording();
    QVERIFY(m_questions.isEmpty());
    QVERIFY(QFile::exists(killedPart));
    converter->unlock();

    m_answer = 1; // delete them
    f.offerLeftoverRecording();
    QCOMPARE(m_questions.size(), 1);
    QVERIFY(m_questions[0].startsWith("2 frames"));
    QVERIFY(!QFile::exists(frames[0]) && !QFile::exists(frames[1]));
    QVERIFY(QFile::exists(notAFrame));
    QVERIFY(!QFile::exists(killedPart));
    f.offerLeftoverRecording(); // nothing left: no question
    QCOMPARE(m_questions.size(), 1);

    writeFrames();
    m_answer = 0; // make the video
    f.offerLeftoverRecording();
    QCOMPARE(read(file("AVIList.dat")),
             (frames[0] + "\r\n" + frames[1] + "\r\n").toLocal8Bit());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file("converter-ran")), 10000);
    QVERIFY(m_boxes.isEmpty());
  }
};

int main(int argc, char **argv) {
  GuardedApplication app(argc, argv);
  app.setShowErrorBox(false);
  TestCaptureWindow test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_capture_window.moc"
