#include "capture/CaptureNames.h"
#include "capture/ImageFiles.h"
#include "capture/Screenshot.h"
#include "capture/VideoRecorder.h"
#include "support/FullFileSystem.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

QImage TestPicture() {
  QImage image(176, 208, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, qRgb(x, y, (x * y) & 0xFF));
  return image;
}

TEST(CaptureNames, DateTimeAndFrameNames) {
  EXPECT_EQ(ScreenshotName(QDateTime(QDate(2009, 3, 7), QTime(9, 5, 3, 45))),
            "2009030709050345");
  // Two saves within a second differ through the milliseconds.
  EXPECT_EQ(ScreenshotName(QDateTime(QDate(2009, 3, 7), QTime(9, 5, 3, 450))),
            "20090307090503450");
  EXPECT_EQ(
      ScreenshotName(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 0))),
      "202612312359590");
  EXPECT_EQ(FrameName(QTime(14, 30, 5, 7)), "14300507.bmp");
  EXPECT_EQ(FrameName(QTime(14, 30, 5, 123)), "143005123.bmp");
  EXPECT_EQ(FrameName(QTime(0, 0, 0, 0)), "00000000.bmp");
}

TEST(CaptureNames, IntervalForEveryFrameRateAndClamping) {
  const int expected[] = {1000, 500, 333, 250, 200, 167, 143, 125, 111, 100,
                          91,   83,  77,  71,  67,  62,  59,  56,  53,  50};
  for (int fps = 1; fps <= 20; ++fps)
    EXPECT_EQ(CaptureInterval(fps), expected[fps - 1]) << "fps " << fps;
  // Out of range rates are brought into 1..20 instead of failing.
  EXPECT_EQ(CaptureInterval(0), 1000);
  EXPECT_EQ(CaptureInterval(-3), 1000);
  EXPECT_EQ(CaptureInterval(25), 50);
}

TEST(ImageFiles, BmpIs24BitAndPixelExact) {
  const QImage picture = TestPicture();
  const QByteArray bmp = EncodeBmp24(picture);
  ASSERT_GE(bmp.size(), 54);
  EXPECT_EQ(bmp.left(2), "BM");
  EXPECT_EQ(quint8(bmp[28]), 24); // bits per pixel
  EXPECT_EQ(bmp.size(), 54 + 208 * ((176 * 3 + 3) & ~3));
  QImage back;
  ASSERT_TRUE(back.loadFromData(bmp, "BMP"));
  EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture);
}

TEST(ImageFiles, JpegIsBaselineWithinTolerance) {
  // Smooth colours and one sharp block, as on a phone screen.
  QImage picture(176, 208, QImage::Format_RGB32);
  for (int y = 0; y < 208; ++y)
    for (int x = 0; x < 176; ++x)
      picture.setPixel(x, y, qRgb(x, y, (x + y) / 2));
  for (int y = 40; y < 80; ++y)
    for (int x = 40; x < 100; ++x)
      picture.setPixel(x, y, qRgb(255, 255, 255));
  const QByteArray jpeg = EncodeJpeg(picture, 90);
  // Baseline: a SOF0 marker and no progressive SOF2.
  EXPECT_TRUE(jpeg.contains(QByteArray("\xFF\xC0", 2)));
  EXPECT_FALSE(jpeg.contains(QByteArray("\xFF\xC2", 2)));
  QImage back;
  ASSERT_TRUE(back.loadFromData(jpeg, "JPEG"));
  ASSERT_EQ(back.size(), picture.size());
  EXPECT_FALSE(back.isGrayscale());
  double error = 0;
  for (int y = 0; y < 208; ++y)
    for (int x = 0; x < 176; ++x) {
      const QRgb a = picture.pixel(x, y), b = back.pixel(x, y);
      error += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
               std::abs(qBlue(a) - qBlue(b));
    }
  EXPECT_LT(error / (176 * 208 * 3), 2.0);
}

class ScreenshotTest : public ::testing::Test {
protected:
  TScreenshotSaver Saver() {
    TScreenshotHooks hooks;
    hooks.Picture = [this] { return picture; };
    hooks.Now = [this] { return now; };
    hooks.PickFolder = [this] { return picked; };
    return TScreenshotSaver(hooks);
  }
  ScopedTempDir dir;
  QImage picture = TestPicture();
  QDateTime now{QDate(2009, 3, 7), QTime(9, 5, 3, 45)};
  QString picked;
};

TEST_F(ScreenshotTest, FormatFolderCompletionAndPicker) {
  TScreenshotSaver saver = Saver();
  // "jpeg" in lower case is not JPEG: a BMP file.
  QByteArray folder = dir.File("shots").toLocal8Bit(); // no separator, missing
  ASSERT_EQ(saver.Save(folder, "jpeg"), TScreenshotResult::Saved);
  EXPECT_EQ(folder, dir.File("shots").toLocal8Bit() + "/");
  const QString bmp = dir.File("shots/2009030709050345.bmp");
  EXPECT_EQ(saver.LastPath(), bmp);
  QImage saved(bmp);
  EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), picture);

  now = now.addMSecs(405); // 03.450: a second file
  ASSERT_EQ(saver.Save(folder, "JPEG"), TScreenshotResult::Saved);
  EXPECT_TRUE(QFileInfo::exists(dir.File("shots/20090307090503450.jpg")));
  EXPECT_TRUE(QFileInfo::exists(bmp));

  // No folder: the picker's choice is used; cancelled, nothing happens.
  QByteArray empty;
  EXPECT_EQ(saver.Save(empty, "BMP"), TScreenshotResult::NoFolder);
  EXPECT_TRUE(empty.isEmpty());
  picked = dir.File("picked");
  EXPECT_EQ(saver.Save(empty, "BMP"), TScreenshotResult::Saved);
  EXPECT_EQ(empty, picked.toLocal8Bit() + "/");
}

TEST_F(ScreenshotTest, EmptyViewCreatesFolderButWritesNothing) {
  TScreenshotSaver saver = Saver();
  picture = QImage();
  QByteArray folder = dir.File("a/b/c").toLocal8Bit();
  EXPECT_EQ(saver.Save(folder, "BMP"), TScreenshotResult::NoPicture);
  EXPECT_TRUE(QFileInfo(dir.File("a/b/c")).isDir());
  EXPECT_TRUE(QDir(dir.File("a/b/c")).isEmpty());
}

TEST_F(ScreenshotTest, UnwritableFileNamesPathAndReason) {
  TScreenshotSaver saver = Saver();
  // A directory where the file should go: the write cannot succeed.
  ASSERT_TRUE(QDir().mkpath(dir.File("shots/2009030709050345.bmp")));
  QByteArray folder = dir.File("shots").toLocal8Bit();
  try {
    saver.Save(folder, "BMP");
    FAIL() << "no error";
  } catch (const CaptureWriteError &e) {
    EXPECT_EQ(e.Path(), dir.File("shots/2009030709050345.bmp"));
    EXPECT_FALSE(e.Reason().isEmpty());
  }
}

TEST_F(ScreenshotTest, AFolderThatCannotBeMadeIsNamedWithTheReason) {
  TScreenshotSaver saver = Saver();
  ASSERT_TRUE(WriteAll(dir.File("file"), "x"));
  QByteArray folder = dir.File("file/shots").toLocal8Bit();
  try {
    saver.Save(folder, "BMP");
    FAIL() << "no error";
  } catch (const CaptureWriteError &e) {
    EXPECT_TRUE(e.IsFolder());
    EXPECT_EQ(e.Path(), dir.File("file/shots"));
    EXPECT_EQ(e.Reason(), "not a directory");
  }
}

class RecorderTest : public ::testing::Test {
protected:
  TVideoRecorder Make() {
    TRecorderHooks hooks;
    hooks.Picture = [this] { return picture; };
    hooks.Now = [this] { return now; };
    hooks.ProgramDir = [this] { return dir.Path(); };
    hooks.FramesDir = [this] { return framesDir; };
    hooks.SaveScreenSize = [this](int h, int w) { screenSize = {w, h}; };
    hooks.StartConverter = [this] { ++converterStarts; };
    return TVideoRecorder(hooks);
  }
  void Advance(int ms) { now = now.addMSecs(ms); }
  QByteArray List() { return ReadAll(dir.File("AVIList.dat")); }

  ScopedTempDir dir;
  QString framesDir = dir.Path() + "temp/";
  QImage picture = TestPicture();
  QTime now{14, 30, 5, 7};
  QSize screenSize;
  int converterStarts = 0;
};

TEST_F(RecorderTest, RecordPauseResumeStopListsBothStretches) {
  TVideoRecorder r = Make();
  EXPECT_EQ(r.RecordPause(16), TVideoRecorder::TStep::Started);
  EXPECT_EQ(r.Interval(), 62);
  EXPECT_EQ(CaptureStateText(r.State()), "CAVIPlayed");
  EXPECT_TRUE(r.Tick());
  Advance(62);
  EXPECT_TRUE(r.Tick());
  EXPECT_EQ(r.RecordPause(16), TVideoRecorder::TStep::Paused);
  EXPECT_EQ(CaptureStateText(r.State()), "CAVIPaused");
  Advance(500);
  EXPECT_FALSE(r.Tick()); // no frame from the pause
  Advance(500);
  EXPECT_EQ(r.RecordPause(16), TVideoRecorder::TStep::Resumed);
  EXPECT_TRUE(r.Tick());
  // A view emptied by a disconnect writes no frame.
  picture = QImage();
  Advance(62);
  EXPECT_FALSE(r.Tick());
  r.Stop();
  EXPECT_EQ(r.State(), TCaptureState::Off);
  EXPECT_TRUE(r.FrameList().isEmpty());
  const QByteArray expected =
      (framesDir + "14300507.bmp\r\n" + framesDir + "14300569.bmp\r\n" +
       framesDir + "14300669.bmp\r\n")
          .toLocal8Bit();
  EXPECT_EQ(List(), expected);
  QImage frame(framesDir + "14300569.bmp");
  EXPECT_EQ(frame.convertToFormat(QImage::Format_RGB32), TestPicture());
  // The converter gets the screen's size, not the LED's.
  EXPECT_EQ(screenSize, QSize(176, 208));
  EXPECT_EQ(converterStarts, 1);
}

TEST_F(RecorderTest, RefusalsEmptyStopAndClampedRates) {
  TVideoRecorder r = Make();
  picture = QImage();
  EXPECT_EQ(r.RecordPause(5), TVideoRecorder::TStep::Refused);
  EXPECT_EQ(r.State(), TCaptureState::Off);
  picture = TestPicture();
  EXPECT_EQ(r.RecordPause(0), TVideoRecorder::TStep::Started);
  EXPECT_EQ(r.Interval(), 1000);
  // Stop before the first tick: an empty list, the converter all the same.
  r.Stop();
  EXPECT_TRUE(QFileInfo::exists(dir.File("AVIList.dat")));
  EXPECT_TRUE(List().isEmpty());
  EXPECT_EQ(converterStarts, 1);
  EXPECT_EQ(r.RecordPause(-3), TVideoRecorder::TStep::Started);
  EXPECT_EQ(r.Interval(), 1000);
}

TEST_F(RecorderTest, UnwritableFrameStopsCleanlyAndListsFramesSoFar) {
  TVideoRecorder r = Make();
  ASSERT_EQ(r.RecordPause(5), TVideoRecorder::TStep::Started);
  ASSERT_TRUE(r.Tick());
  Advance(200);
  // The next frame's name is taken by a directory.
  ASSERT_TRUE(QDir().mkpath(framesDir + "143005207.bmp"));
  try {
    r.Tick();
    FAIL() << "no error";
  } catch (const RecordingError &e) {
    EXPECT_TRUE(e.ListWritten());
    EXPECT_TRUE(e.Message().contains(framesDir + "143005207.bmp"));
  }
  EXPECT_EQ(r.State(), TCaptureState::Off);
  EXPECT_EQ(List(), (framesDir + "14300507.bmp\r\n").toLocal8Bit());
  EXPECT_EQ(converterStarts, 1);

  // A list that cannot be written: stopped, no converter, frames kept.
  ASSERT_EQ(r.RecordPause(5), TVideoRecorder::TStep::Started);
  Advance(200);
  ASSERT_TRUE(r.Tick());
  QFile::remove(dir.File("AVIList.dat"));
  ASSERT_TRUE(QDir().mkpath(dir.File("AVIList.dat")));
  try {
    r.Stop();
    FAIL() << "no error";
  } catch (const RecordingError &e) {
    EXPECT_FALSE(e.ListWritten());
    EXPECT_TRUE(e.Message().contains("AVIList.dat"));
  }
  EXPECT_EQ(r.State(), TCaptureState::Off);
  EXPECT_EQ(converterStarts, 1);
  EXPECT_TRUE(QFileInfo::exists(framesDir + "143005407.bmp"));
}

TEST_F(RecorderTest, MessagesNameTheFolderAndOnlyFramesThatExist) {
  // The frames folder cannot be made: that is the reason given, and with no
  // frame taken there is no list to write and nothing to convert.
  ASSERT_TRUE(WriteAll(dir.File("file"), "x"));
  framesDir = dir.File("file") + "/temp/";
  TVideoRecorder r = Make();
  ASSERT_EQ(r.RecordPause(5), TVideoRecorder::TStep::Started);
  try {
    r.Tick();
    FAIL() << "no error";
  } catch (const RecordingError &e) {
    EXPECT_EQ(e.Message(), "Could not make the folder " + framesDir +
                               " for the video frames: not a directory. The "
                               "recording was stopped; no frame had been "
                               "taken.");
  }
  EXPECT_EQ(r.State(), TCaptureState::Off);
  EXPECT_FALSE(QFileInfo::exists(dir.File("AVIList.dat")));
  EXPECT_EQ(converterStarts, 0);

  // A list that cannot be written, with no frames: none are mentioned.
  ASSERT_TRUE(QDir().mkpath(dir.File("AVIList.dat")));
  ASSERT_EQ(r.RecordPause(5), TVideoRecorder::TStep::Started);
  try {
    r.Stop();
    FAIL() << "no error";
  } catch (const RecordingError &e) {
    EXPECT_EQ(e.Message(), "Could not write the frame list " +
                               dir.File("AVIList.dat") +
                               ": is a directory. No video was made.");
  }
}

} // namespace

// A screenshot, a frame and the frame list on a full disk: each fails with
// the reason, leaves no file behind, and the earlier list stays as it was.
TEST_F(FullFileSystem, CaptureFilesOnAFullDiskLeaveNothingBehind) {
  const QByteArray oldList = "earlier list\r\n";
  ASSERT_TRUE(WriteAll(File("AVIList.dat"), oldList));
  QTime now(14, 30, 5, 7);
  TRecorderHooks hooks;
  hooks.Picture = [] { return TestPicture(); };
  hooks.Now = [&now] { return now; };
  hooks.ProgramDir = [this] { return Dir(); };
  hooks.FramesDir = [this] { return File("temp/"); };
  int converterStarts = 0;
  hooks.StartConverter = [&converterStarts] { ++converterStarts; };
  TVideoRecorder recorder(hooks);
  ASSERT_EQ(recorder.RecordPause(5), TVideoRecorder::TStep::Started);
  ASSERT_TRUE(recorder.Tick()); // one frame before the disk is full
  Fill();

  TScreenshotHooks shotHooks;
  shotHooks.Picture = [] { return TestPicture(); };
  TScreenshotSaver saver(shotHooks);
  QByteArray folder = Dir().toLocal8Bit();
  try {
    saver.Save(folder, "BMP");
    FAIL() << "the screenshot was reported saved";
  } catch (const CaptureWriteError &e) {
    EXPECT_FALSE(e.IsFolder());
    EXPECT_EQ(e.Reason(), "no space left on device");
  }

  now = now.addMSecs(200);
  try {
    recorder.Tick();
    FAIL() << "the frame was reported saved";
  } catch (const RecordingError &e) {
    EXPECT_FALSE(e.ListWritten());
    EXPECT_EQ(e.Message(),
              "Could not save the video frame " + File("temp/143005207.bmp") +
                  ": no space left on device. The recording was stopped. "
                  "Could not write the frame list " +
                  File("AVIList.dat") +
                  ": no space left on device. The 1 frames stay in " +
                  File("temp/") + "; no video was made.");
  }
  EXPECT_EQ(ReadAll(File("AVIList.dat")), oldList);
  EXPECT_EQ(Entries(), QStringList({"AVIList.dat", "temp"}));
  EXPECT_EQ(QDir(File("temp")).entryList(QDir::Files | QDir::Hidden),
            QStringList("14300507.bmp"));
  EXPECT_EQ(converterStarts, 0);
}
