#include "capture/CaptureNames.h"
#include "capture/ImageFiles.h"
#include "capture/Screenshot.h"
#include "capture/VideoFormats.h"
#include "capture/VideoRecorder.h"
#include "support/FullFileSystem.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

QImage testPicture() {
  QImage image(176, 208, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, qRgb(x, y, (x * y) & 0xFF));
  return image;
}

TEST(CaptureNames, DateTimeAndFrameNames) {
  EXPECT_EQ(screenshotName(QDateTime(QDate(2009, 3, 7), QTime(9, 5, 3, 45))),
            "2009030709050345");
  // Two saves within a second differ through the milliseconds.
  EXPECT_EQ(screenshotName(QDateTime(QDate(2009, 3, 7), QTime(9, 5, 3, 450))),
            "20090307090503450");
  EXPECT_EQ(
      screenshotName(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 0))),
      "202612312359590");
  EXPECT_EQ(frameName(QTime(14, 30, 5, 7)), "14300507.bmp");
  EXPECT_EQ(frameName(QTime(14, 30, 5, 123)), "143005123.bmp");
  EXPECT_EQ(frameName(QTime(0, 0, 0, 0)), "00000000.bmp");
}

TEST(CaptureNames, IntervalForEveryFrameRateAndClamping) {
  const int expected[] = {1000, 500, 333, 250, 200, 167, 143, 125, 111, 100,
                          91,   83,  77,  71,  67,  62,  59,  56,  53,  50};
  for (int fps = 1; fps <= 20; ++fps)
    EXPECT_EQ(captureInterval(fps), expected[fps - 1]) << "fps " << fps;
  // Out of range rates are brought into 1..20 instead of failing.
  EXPECT_EQ(captureInterval(0), 1000);
  EXPECT_EQ(captureInterval(-3), 1000);
  EXPECT_EQ(captureInterval(25), 50);
}

TEST(ImageFiles, BmpIs24BitAndPixelExact) {
  const QImage picture = testPicture();
  const QByteArray bmp = encodeBmp24(picture);
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
  const QByteArray jpeg = encodeJpeg(picture, 90);
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

TEST(VideoFormats, Extensions) {
  EXPECT_EQ(videoFormatFor("/v/clip.WebM"), VideoFormat::WebM);
  EXPECT_EQ(videoFormatFor("clip.gif"), VideoFormat::Gif);
  EXPECT_EQ(videoFormatFor("clip"), VideoFormat::Avi); // as before formats
  EXPECT_FALSE(videoFormatFor("clip.mov"));
  EXPECT_FALSE(videoFormatFor("clip.mp4.txt"));
  for (const QString &extension : videoExtensions())
    EXPECT_TRUE(videoFileFilter().contains("*." + extension));
}

class ScreenshotTest : public ::testing::Test {
protected:
  ScreenshotSaver makeSaver() {
    ScreenshotHooks hooks;
    hooks.picture = [this] { return picture; };
    hooks.now = [this] { return now; };
    hooks.pickFolder = [this] { return picked; };
    return ScreenshotSaver(hooks);
  }
  ScopedTempDir dir;
  QImage picture = testPicture();
  QDateTime now{QDate(2009, 3, 7), QTime(9, 5, 3, 45)};
  QString picked;
};

TEST_F(ScreenshotTest, FormatFolderCompletionAndPicker) {
  ScreenshotSaver saver = makeSaver();
  // "jpeg" in lower case is not JPEG: a BMP file.
  QByteArray folder = dir.file("shots").toLocal8Bit(); // no separator, missing
  ASSERT_EQ(saver.save(folder, "jpeg"), ScreenshotResult::Saved);
  EXPECT_EQ(folder, dir.file("shots").toLocal8Bit() + "/");
  const QString bmp = dir.file("shots/2009030709050345.bmp");
  EXPECT_EQ(saver.lastPath(), bmp);
  QImage saved(bmp);
  EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), picture);

  now = now.addMSecs(405); // 03.450: a second file
  ASSERT_EQ(saver.save(folder, "JPEG"), ScreenshotResult::Saved);
  EXPECT_TRUE(QFileInfo::exists(dir.file("shots/20090307090503450.jpg")));
  EXPECT_TRUE(QFileInfo::exists(bmp));

  // No folder: the picker's choice is used; cancelled, nothing happens.
  QByteArray empty;
  EXPECT_EQ(saver.save(empty, "BMP"), ScreenshotResult::NoFolder);
  EXPECT_TRUE(empty.isEmpty());
  picked = dir.file("picked");
  EXPECT_EQ(saver.save(empty, "BMP"), ScreenshotResult::Saved);
  EXPECT_EQ(empty, picked.toLocal8Bit() + "/");
}

TEST_F(ScreenshotTest, EveryImageTypeIsWrittenAndReadBack) {
  ScreenshotSaver saver = makeSaver();
  QByteArray folder = dir.path().toLocal8Bit();
  for (const QString &type : screenshotImageTypes()) {
    now = now.addSecs(1);
    ASSERT_EQ(saver.save(folder, type.toLatin1()), ScreenshotResult::Saved);
    const QImage back(saver.lastPath());
    ASSERT_EQ(back.size(), picture.size()) << qPrintable(saver.lastPath());
    if (type == "JPEG") {
      EXPECT_TRUE(saver.lastPath().endsWith(".jpg"));
    } else {
      // BMP and PNG are lossless.
      EXPECT_TRUE(saver.lastPath().endsWith('.' + type.toLower()));
      EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture);
    }
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);
}

TEST_F(ScreenshotTest, EmptyViewCreatesFolderButWritesNothing) {
  ScreenshotSaver saver = makeSaver();
  picture = QImage();
  QByteArray folder = dir.file("a/b/c").toLocal8Bit();
  EXPECT_EQ(saver.save(folder, "BMP"), ScreenshotResult::NoPicture);
  EXPECT_TRUE(QFileInfo(dir.file("a/b/c")).isDir());
  EXPECT_TRUE(QDir(dir.file("a/b/c")).isEmpty());
}

TEST_F(ScreenshotTest, UnwritableFileNamesPathAndReason) {
  ScreenshotSaver saver = makeSaver();
  // A directory where the file should go: the write cannot succeed.
  ASSERT_TRUE(QDir().mkpath(dir.file("shots/2009030709050345.bmp")));
  QByteArray folder = dir.file("shots").toLocal8Bit();
  try {
    saver.save(folder, "BMP");
    FAIL() << "no error";
  } catch (const CaptureWriteError &e) {
    EXPECT_EQ(e.path(), dir.file("shots/2009030709050345.bmp"));
    EXPECT_FALSE(e.reason().isEmpty());
  }
}

TEST_F(ScreenshotTest, AFolderThatCannotBeMadeIsNamedWithTheReason) {
  ScreenshotSaver saver = makeSaver();
  ASSERT_TRUE(writeAll(dir.file("file"), "x"));
  QByteArray folder = dir.file("file/shots").toLocal8Bit();
  try {
    saver.save(folder, "BMP");
    FAIL() << "no error";
  } catch (const CaptureWriteError &e) {
    EXPECT_TRUE(e.isFolder());
    EXPECT_EQ(e.path(), dir.file("file/shots"));
    EXPECT_EQ(e.reason(), "not a directory");
  }
}

class RecorderTest : public ::testing::Test {
protected:
  VideoRecorder make() {
    RecorderHooks hooks;
    hooks.picture = [this] { return picture; };
    hooks.now = [this] { return now; };
    hooks.programDir = [this] { return dir.path(); };
    hooks.framesDir = [this] { return framesDir; };
    hooks.saveScreenSize = [this](int h, int w) { screenSize = {w, h}; };
    hooks.startConverter = [this] { ++converterStarts; };
    return VideoRecorder(hooks);
  }
  void advance(int ms) { now = now.addMSecs(ms); }
  QByteArray list() { return readAll(dir.file("AVIList.dat")); }

  ScopedTempDir dir;
  QString framesDir = dir.path() + "temp/";
  QImage picture = testPicture();
  QTime now{14, 30, 5, 7};
  QSize screenSize;
  int converterStarts = 0;
};

TEST_F(RecorderTest, RecordPauseResumeStopListsBothStretches) {
  VideoRecorder r = make();
  EXPECT_EQ(r.recordPause(16), VideoRecorder::Step::Started);
  EXPECT_EQ(r.interval(), 62);
  EXPECT_EQ(captureStateText(r.state()), "CAVIPlayed");
  EXPECT_TRUE(r.tick());
  advance(62);
  EXPECT_TRUE(r.tick());
  EXPECT_EQ(r.recordPause(16), VideoRecorder::Step::Paused);
  EXPECT_EQ(captureStateText(r.state()), "CAVIPaused");
  advance(500);
  EXPECT_FALSE(r.tick()); // no frame from the pause
  advance(500);
  EXPECT_EQ(r.recordPause(16), VideoRecorder::Step::Resumed);
  EXPECT_TRUE(r.tick());
  // A view emptied by a disconnect writes no frame.
  picture = QImage();
  advance(62);
  EXPECT_FALSE(r.tick());
  r.stop();
  EXPECT_EQ(r.state(), CaptureState::Off);
  EXPECT_TRUE(r.frameList().isEmpty());
  const QByteArray expected =
      (framesDir + "14300507.bmp\r\n" + framesDir + "14300569.bmp\r\n" +
       framesDir + "14300669.bmp\r\n")
          .toLocal8Bit();
  EXPECT_EQ(list(), expected);
  QImage frame(framesDir + "14300569.bmp");
  EXPECT_EQ(frame.convertToFormat(QImage::Format_RGB32), testPicture());
  // The converter gets the screen's size, not the LED's.
  EXPECT_EQ(screenSize, QSize(176, 208));
  EXPECT_EQ(converterStarts, 1);
}

TEST_F(RecorderTest, RefusalsEmptyStopAndClampedRates) {
  VideoRecorder r = make();
  picture = QImage();
  EXPECT_EQ(r.recordPause(5), VideoRecorder::Step::Refused);
  EXPECT_EQ(r.state(), CaptureState::Off);
  picture = testPicture();
  EXPECT_EQ(r.recordPause(0), VideoRecorder::Step::Started);
  EXPECT_EQ(r.interval(), 1000);
  // Stop before the first tick: an empty list, the converter all the same.
  r.stop();
  EXPECT_TRUE(QFileInfo::exists(dir.file("AVIList.dat")));
  EXPECT_TRUE(list().isEmpty());
  EXPECT_EQ(converterStarts, 1);
  EXPECT_EQ(r.recordPause(-3), VideoRecorder::Step::Started);
  EXPECT_EQ(r.interval(), 1000);
}

TEST_F(RecorderTest, UnwritableFrameStopsCleanlyAndListsFramesSoFar) {
  VideoRecorder r = make();
  ASSERT_EQ(r.recordPause(5), VideoRecorder::Step::Started);
  ASSERT_TRUE(r.tick());
  advance(200);
  // The next frame's name is taken by a directory.
  ASSERT_TRUE(QDir().mkpath(framesDir + "143005207.bmp"));
  try {
    r.tick();
    FAIL() << "no error";
  } catch (const RecordingError &e) {
    EXPECT_TRUE(e.listWritten());
    EXPECT_TRUE(e.message().contains(framesDir + "143005207.bmp"));
  }
  EXPECT_EQ(r.state(), CaptureState::Off);
  EXPECT_EQ(list(), (framesDir + "14300507.bmp\r\n").toLocal8Bit());
  EXPECT_EQ(converterStarts, 1);

  // A list that cannot be written: stopped, no converter, frames kept.
  ASSERT_EQ(r.recordPause(5), VideoRecorder::Step::Started);
  advance(200);
  ASSERT_TRUE(r.tick());
  QFile::remove(dir.file("AVIList.dat"));
  ASSERT_TRUE(QDir().mkpath(dir.file("AVIList.dat")));
  try {
    r.stop();
    FAIL() << "no error";
  } catch (const RecordingError &e) {
    EXPECT_FALSE(e.listWritten());
    EXPECT_TRUE(e.message().contains("AVIList.dat"));
  }
  EXPECT_EQ(r.state(), CaptureState::Off);
  EXPECT_EQ(converterStarts, 1);
  EXPECT_TRUE(QFileInfo::exists(framesDir + "143005407.bmp"));
}

TEST_F(RecorderTest, MessagesNameTheFolderAndOnlyFramesThatExist) {
  // The frames folder cannot be made: that is the reason given, and with no
  // frame taken there is no list to write and nothing to convert.
  ASSERT_TRUE(writeAll(dir.file("file"), "x"));
  framesDir = dir.file("file") + "/temp/";
  VideoRecorder r = make();
  ASSERT_EQ(r.recordPause(5), VideoRecorder::Step::Started);
  try {
    r.tick();
    FAIL() << "no error";
  } catch (const RecordingError &e) {
    EXPECT_EQ(e.message(), "Could not make the folder " + framesDir +
                               " for the video frames: not a directory. The "
                               "recording was stopped; no frame had been "
                               "taken.");
  }
  EXPECT_EQ(r.state(), CaptureState::Off);
  EXPECT_FALSE(QFileInfo::exists(dir.file("AVIList.dat")));
  EXPECT_EQ(converterStarts, 0);

  // A list that cannot be written, with no frames: none are mentioned.
  ASSERT_TRUE(QDir().mkpath(dir.file("AVIList.dat")));
  ASSERT_EQ(r.recordPause(5), VideoRecorder::Step::Started);
  try {
    r.stop();
    FAIL() << "no error";
  } catch (const RecordingError &e) {
    EXPECT_EQ(e.message(), "Could not write the frame list " +
                               dir.file("AVIList.dat") +
                               ": is a directory. No video was made.");
  }
}

} // namespace

// A screenshot, a frame and the frame list on a full disk: each fails with
// the reason, leaves no file behind, and the earlier list stays as it was.
TEST_F(FullFileSystem, CaptureFilesOnAFullDiskLeaveNothingBehind) {
  const QByteArray oldList = "earlier list\r\n";
  ASSERT_TRUE(writeAll(file("AVIList.dat"), oldList));
  QTime now(14, 30, 5, 7);
  RecorderHooks hooks;
  hooks.picture = [] { return testPicture(); };
  hooks.now = [&now] { return now; };
  hooks.programDir = [this] { return dir(); };
  hooks.framesDir = [this] { return file("temp/"); };
  int converterStarts = 0;
  hooks.startConverter = [&converterStarts] { ++converterStarts; };
  VideoRecorder recorder(hooks);
  ASSERT_EQ(recorder.recordPause(5), VideoRecorder::Step::Started);
  ASSERT_TRUE(recorder.tick()); // one frame before the disk is full
  fill();

  ScreenshotHooks shotHooks;
  shotHooks.picture = [] { return testPicture(); };
  ScreenshotSaver saver(shotHooks);
  QByteArray folder = dir().toLocal8Bit();
  try {
    saver.save(folder, "BMP");
    FAIL() << "the screenshot was reported saved";
  } catch (const CaptureWriteError &e) {
    EXPECT_FALSE(e.isFolder());
    EXPECT_EQ(e.reason(), "no space left on device");
  }

  now = now.addMSecs(200);
  try {
    recorder.tick();
    FAIL() << "the frame was reported saved";
  } catch (const RecordingError &e) {
    EXPECT_FALSE(e.listWritten());
    EXPECT_EQ(e.message(),
              "Could not save the video frame " + file("temp/143005207.bmp") +
                  ": no space left on device. The recording was stopped. "
                  "Could not write the frame list " +
                  file("AVIList.dat") +
                  ": no space left on device. The 1 frames stay in " +
                  file("temp/") + "; no video was made.");
  }
  EXPECT_EQ(readAll(file("AVIList.dat")), oldList);
  EXPECT_EQ(entries(), QStringList({"AVIList.dat", "temp"}));
  EXPECT_EQ(QDir(file("temp")).entryList(QDir::Files | QDir::Hidden),
            QStringList("14300507.bmp"));
  EXPECT_EQ(converterStarts, 0);
}
