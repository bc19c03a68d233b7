// Screenshots and recording through the main window's own controls.
#include "app/AppException.h"
#include "app/MessageBoxes.h"
#include "app/UnitMain.h"
#include "capture/ConverterFiles.h"
#include "capture/VideoRecorder.h"
#include "common/Paths.h"
#include "controls/dxfPictureButton.h"
#include "link/CommandQueue.h"
#include "screen/ScreenCanvas.h"
#include "settings/Settings.h"
#include "support/TempDir.h"
#include "support/XvfbServer.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTest>

class TestCaptureWindow : public QObject {
  Q_OBJECT

  std::unique_ptr<ScopedTempDir> m_dir;
  TCommandQueue m_queue;
  std::unique_ptr<TFormMain> m_form;
  QStringList m_boxes;
  QStringList m_questions;
  int m_answer = -1;
  QDateTime m_now{QDate(2009, 3, 7), QTime(9, 5, 3, 45)};

  QString File(const QString &name) { return m_dir->File(name); }
  void Click(TdxfPictureButton *b) {
    QTest::mouseClick(m_form->windowHandle(), Qt::LeftButton, {},
                      b->mapTo(m_form.get(), b->rect().center()));
  }
  // A red tile in the 1:1 view.
  void ShowPicture() {
    m_form->Canvas().ResetPictures();
    QImage tile(34, 34, QImage::Format_RGB32);
    tile.fill(Qt::red);
    m_form->Canvas().DrawDecodedTile(tile, 20, 30);
  }
  QByteArray Read(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static bool SameIcon(const QIcon &icon, int index) {
    const QString name =
        QString(":/art/menu_%1.png").arg(index, 2, 10, QChar('0'));
    return icon.pixmap(16).toImage().convertToFormat(QImage::Format_ARGB32) ==
           QImage(name).convertToFormat(QImage::Format_ARGB32);
  }

private slots:
  void init() {
    m_dir = std::make_unique<ScopedTempDir>();
    m_now = QDateTime(QDate(2009, 3, 7), QTime(9, 5, 3, 45));
    SetExePath(File("quorvane"));
    // A stand-in converter in the program directory notes that it ran.
    QFile conv(File("AVIConvert"));
    QVERIFY(conv.open(QIODevice::WriteOnly));
    conv.write("#!/bin/sh\ntouch '" + File("converter-ran").toLocal8Bit() +
               "'\n");
    conv.close();
    conv.setPermissions(conv.permissions() | QFileDevice::ExeOwner);
    SetMessageBoxHook([this](TMessageKind, const QString &, const QString &t) {
      m_boxes << t;
    });
    m_boxes.clear();
    SetQuestionHook([this](const QString &text, const QStringList &) {
      m_questions << text;
      return m_answer;
    });
    m_questions.clear();
    m_form = std::make_unique<TFormMain>(m_queue);
    m_form->SetCaptureClock([this] { return m_now; });
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
  }
  void cleanup() {
    m_form.reset();
    SetMessageBoxHook({});
    SetQuestionHook({});
    m_dir.reset();
  }

  void screenshotSavesTheView() {
    TFormMain &f = *m_form;
    AppSettings.ImageDir = File("shots").toLocal8Bit();
    AppSettings.ImageType = "BMP";
    // Nothing in the view: the folder is made, no file, no message.
    Click(f.dxfPictureButton1);
    QVERIFY(QDir(File("shots")).isEmpty());
    QVERIFY(f.LabImage->text().isEmpty());

    ShowPicture();
    Click(f.dxfPictureButton1);
    const QImage saved(File("shots/2009030709050345.bmp"));
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
             f.Canvas().Screen().convertToFormat(QImage::Format_RGB32));
    QCOMPARE(AppSettings.ImageDir, File("shots").toLocal8Bit() + "/");
    QCOMPARE(f.LabImage->text(), QString("ScreenShot Saved"));
    QVERIFY(f.TimerLabel->isActive());

    // The Tools menu entry saves too, and leaves the running timer be.
    QTest::qWait(200);
    m_now = m_now.addMSecs(405);
    AppSettings.ImageType = "JPEG";
    f.MSaveScreenshot->trigger();
    QVERIFY(QFile::exists(File("shots/20090307090503450.jpg")));
    QVERIFY(f.TimerLabel->remainingTime() <= 1500 - 100);
    f.TimerLabelTimer();
    QVERIFY(f.LabImage->text().isEmpty());
    QVERIFY(!f.TimerLabel->isActive());

    // A file that cannot be written: a message naming it; the program goes
    // on.
    m_now = m_now.addMSecs(1);
    QVERIFY(QDir().mkpath(File("shots/20090307090503451.jpg")));
    Click(f.dxfPictureButton1);
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes[0].contains(File("shots/20090307090503451.jpg")));
    QVERIFY(m_boxes[0].contains("The program goes on"));
    QVERIFY(f.LabImage->text().isEmpty());
    QVERIFY(TApplication::HandledErrors().isEmpty());
    QVERIFY(f.isVisible());
  }

  void recordPauseResumeStop() {
    TFormMain &f = *m_form;
    AppSettings.FPS = 16;
    // Refused without a picture: the group returns to stop.
    Click(f.dxfPicButPlSave);
    QCOMPARE(f.CaptureState, QString("CAVIOff"));
    QVERIFY(f.TimerButtonRepaint->isActive());
    f.TimerButtonRepaintTimer();
    QVERIFY(f.dxfPicButPlStop->Down() && !f.dxfPicButPlSave->Down());
    // Stop while off does nothing.
    Click(f.dxfPicButPlStop);
    QVERIFY(!QFile::exists(File("AVIList.dat")));

    ShowPicture();
    Click(f.dxfPicButPlSave);
    QCOMPARE(f.CaptureState, QString("CAVIPlayed"));
    QVERIFY(f.TimerCapture->isActive());
    QCOMPARE(f.TimerCapture->interval(), 62);
    QVERIFY(f.MStop->isEnabled() && f.dxfPicButPlSave->Down());
    f.TimerCaptureTimer();
    m_now = m_now.addMSecs(62);
    f.TimerCaptureTimer();

    Click(f.dxfPicButPlPause);
    QCOMPARE(f.CaptureState, QString("CAVIPaused"));
    QVERIFY(!f.TimerCapture->isActive() && f.dxfPicButPlPause->Down());
    QVERIFY(SameIcon(f.MRecordPause->icon(), 8));
    // Pause while paused: still paused, and the group shows stop.
    Click(f.dxfPicButPlPause);
    QCOMPARE(f.CaptureState, QString("CAVIPaused"));
    QVERIFY(f.TimerButtonRepaint->isActive());
    f.TimerButtonRepaintTimer();
    QVERIFY(f.dxfPicButPlStop->Down() && !f.dxfPicButPlPause->Down());

    m_now = m_now.addSecs(2);
    f.MRecordPause->trigger();
    QCOMPARE(f.CaptureState, QString("CAVIPlayed"));
    QVERIFY(SameIcon(f.MRecordPause->icon(), 12));
    f.TimerCaptureTimer();

    Click(f.dxfPicButPlStop);
    QCOMPARE(f.CaptureState, QString("CAVIOff"));
    QVERIFY(!f.MStop->isEnabled() && f.dxfPicButPlStop->Down());
    QVERIFY(!f.TimerCapture->isActive());
    const QString t = TempDir();
    QCOMPARE(Read(File("AVIList.dat")),
             (t + "09050345.bmp\r\n" + t + "090503107.bmp\r\n" + t +
              "090505107.bmp\r\n")
                 .toLocal8Bit());
    const QByteArray ini = Read(SettingsFilePath());
    QVERIFY(ini.contains("Height=208") && ini.contains("Weight=176"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(File("converter-ran")), 10000);
  }

  void stopBeforeTheFirstTick() {
    TFormMain &f = *m_form;
    ShowPicture();
    AppSettings.FPS = 0; // clamped: one frame a second
    f.MRecordPause->trigger();
    QCOMPARE(f.TimerCapture->interval(), 1000);
    f.MStop->trigger();
    QVERIFY(QFile::exists(File("AVIList.dat")));
    QVERIFY(Read(File("AVIList.dat")).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(File("converter-ran")), 10000);
  }

  void unwritableFrameStopsTheRecording() {
    TFormMain &f = *m_form;
    ShowPicture();
    f.MRecordPause->trigger();
    f.TimerCaptureTimer();
    m_now = m_now.addMSecs(200);
    QVERIFY(QDir().mkpath(TempDir() + "090503245.bmp"));
    f.TimerCaptureTimer();
    QCOMPARE(f.CaptureState, QString("CAVIOff"));
    QVERIFY(!f.TimerCapture->isActive() && !f.MStop->isEnabled());
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes[0].contains("090503245.bmp"));
    QCOMPARE(Read(File("AVIList.dat")),
             (TempDir() + "09050345.bmp\r\n").toLocal8Bit());
    QVERIFY(TApplication::HandledErrors().isEmpty());
  }

  void recordButtonRaisesAnOpenConverter() {
    XvfbServer x;
    if (!x.Running())
      QSKIP("Xvfb is not available");
    const QByteArray saved = qgetenv("DISPLAY");
    qputenv("DISPLAY", x.Display());
    TFormMain &f = *m_form;
    ShowPicture();
    const xcb_window_t conv = x.MakeWindow("AviConvert");
    Click(f.dxfPicButPlSave);
    QCOMPARE(f.CaptureState, QString("CAVIOff"));
    QVERIFY(x.Mapped(conv));
    QCOMPARE(x.TopChild(), conv);
    QVERIFY(f.TimerButtonRepaint->isActive());
    f.TimerButtonRepaintTimer();
    QVERIFY(f.dxfPicButPlStop->Down());
    // The menu entry brings it forward too, and records nothing that would
    // start a second converter.
    const xcb_window_t other = x.MakeWindow("Other");
    QCOMPARE(x.TopChild(), other);
    f.MRecordPause->trigger();
    QCOMPARE(f.CaptureState, QString("CAVIOff"));
    QCOMPARE(x.TopChild(), conv);
    if (saved.isEmpty())
      qunsetenv("DISPLAY");
    else
      qputenv("DISPLAY", saved);
  }

  void leftoverFramesAreOfferedAtStart() {
    TFormMain &f = *m_form;
    QVERIFY(QDir().mkpath(TempDir()));
    // Frames of a recording across midnight, in the order they were taken.
    const QDateTime taken = QDateTime::currentDateTime().addSecs(-60);
    const QStringList frames = {TempDir() + "23595990.bmp",
                                TempDir() + "000000100.bmp"};
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
    const QString notAFrame = TempDir() + "notes.bmp";
    QVERIFY(QFile(notAFrame).open(QIODevice::WriteOnly));
    const QString killedPart = PartFilePath(File("video.avi"), 99999999, 1);
    QVERIFY(QFile(killedPart).open(QIODevice::WriteOnly));

    // While a converter works nothing is asked and nothing removed.
    const std::unique_ptr<QLockFile> converter = ConverterLock(ExeDir());
    QVERIFY(converter->tryLock(0));
    f.OfferLeftoverRecording();
    QVERIFY(m_questions.isEmpty());
    QVERIFY(QFile::exists(killedPart));
    converter->unlock();

    m_answer = 1; // delete them
    f.OfferLeftoverRecording();
    QCOMPARE(m_questions.size(), 1);
    QVERIFY(m_questions[0].startsWith("2 frames"));
    QVERIFY(!QFile::exists(frames[0]) && !QFile::exists(frames[1]));
    QVERIFY(QFile::exists(notAFrame));
    QVERIFY(!QFile::exists(killedPart));
    f.OfferLeftoverRecording(); // nothing left: no question
    QCOMPARE(m_questions.size(), 1);

    writeFrames();
    m_answer = 0; // make the video
    f.OfferLeftoverRecording();
    QCOMPARE(Read(File("AVIList.dat")),
             (frames[0] + "\r\n" + frames[1] + "\r\n").toLocal8Bit());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(File("converter-ran")), 10000);
    QVERIFY(m_boxes.isEmpty());
  }
};

int main(int argc, char **argv) {
  TApplication app(argc, argv);
  TApplication::SetShowErrorBox(false);
  TestCaptureWindow test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_capture_window.moc"
