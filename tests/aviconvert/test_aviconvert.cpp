// AVIConvert run as a real process on frames laid out as the recorder lays
// them out; the video is read back with libavformat.
#include "aviconvert/FramePlacement.h"
#include "aviconvert/VideoWriter.h"
#include "capture/CaptureNames.h"
#include "capture/ConverterFiles.h"
#include "capture/ImageFiles.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

struct Probe {
  bool opened = false;
  int width = 0, height = 0;
  double seconds = 0;
  QString codec;
  int packets = 0;
  double end = 0;          // where the last packet ends, in seconds
  QList<qint64> durations; // of the packets, in the stream's time base
};

Probe probeVideo(const QString &path) {
  Probe p;
  AVFormatContext *format = nullptr;
  if (avformat_open_input(&format, path.toLocal8Bit().constData(), nullptr,
                          nullptr) < 0)
    return p;
  if (avformat_find_stream_info(format, nullptr) >= 0) {
    for (unsigned i = 0; i < format->nb_streams; ++i) {
      const AVStream *s = format->streams[i];
      if (s->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
        continue;
      p.opened = true;
      p.width = s->codecpar->width;
      p.height = s->codecpar->height;
      p.codec = QString::fromLatin1(avcodec_get_name(s->codecpar->codec_id));
      p.seconds = double(s->duration) * av_q2d(s->time_base);
    }
    AVPacket *packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
      const AVStream *s = format->streams[packet->stream_index];
      if (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        ++p.packets;
        p.durations << packet->duration;
        const qint64 at =
            packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        p.end = std::max(p.end,
                         double(at + packet->duration) * av_q2d(s->time_base));
      }
      av_packet_unref(packet);
    }
    av_packet_free(&packet);
  }
  avformat_close_input(&format);
  return p;
}

class ConverterTest : public ::testing::Test {
protected:
  void SetUp() override { QDir().mkpath(frames); }
  // A frame captured at the given time of day, listed in order.
  QString Frame(QTime when, QColor colour) {
    QImage image(176, 208, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = frames + frameName(when);
    writeCaptureFile(path, encodeBmp24(image));
    list << path;
    return path;
  }
  void writeList() { writeListFile(dir.file("AVIList.dat"), list); }
  void writeIni(const QByteArray &text) {
    QFile f(dir.file("Quorvane.ini"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  int run() {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("AVICONVERT_EXIT_WHEN_DONE", "1");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(QV_PROGRAM_DIR "/AVIConvert", {dir.path()});
    if (!p.waitForFinished(60000))
      return -1;
    output = QString::fromLocal8Bit(p.readAllStandardOutput());
    errors = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }

  ScopedTempDir dir;
  QString frames = dir.path() + "temp/";
  QStringList list;
  QString output, errors;
};

TEST_F(ConverterTest, FramesBecomeAVideoAtTheirCaptureTimes) {
  writeIni("[AVI]\r\nAVIName=" + dir.file("out/video.avi").toLocal8Bit() +
           "\r\nFPS=5\r\n[ScreenSize]\r\nHeight=208\r\nWeight=176\r\n");
  QTime t(23, 59, 58, 900);
  // Ten ticks at 200 ms, two missed ticks (600 ms), a 20 s pause, and
  // across midnight; one listed frame is not a picture at all.
  for (int i = 0; i < 10; ++i, t = t.addMSecs(200))
    Frame(t, QColor(20 * i, 0, 0));
  t = t.addMSecs(400);
  Frame(t, Qt::green);
  t = t.addSecs(20);
  Frame(t, Qt::blue);
  const QString broken = frames + "00001234.bmp";
  QFile(broken).open(QIODevice::WriteOnly);
  list << broken;
  writeList();

  ASSERT_EQ(run(), 0) << qPrintable(errors);
  EXPECT_TRUE(output.contains("Saved 12 frames, 2.8 s")) << qPrintable(output);
  EXPECT_TRUE(output.contains("1 frame could not be read"));
  const Probe p = probeVideo(dir.file("out/video.avi"));
  ASSERT_TRUE(p.opened);
  EXPECT_EQ(p.codec, "mpeg4");
  EXPECT_EQ(QSize(p.width, p.height), QSize(176, 208));
  // 0..1.8 s, the green frame at 2.4 s, the blue one after a closed pause
  // at 2.6 s, each shown 0.2 s: 2.8 s.
  EXPECT_NEAR(p.seconds, 2.8, 0.2);
  // The converted frames are gone; the unreadable one stays.
  for (const QString &f : list.mid(0, 12))
    EXPECT_FALSE(QFileInfo::exists(f)) << qPrintable(f);
  EXPECT_TRUE(QFileInfo::exists(broken));
  EXPECT_FALSE(QFileInfo::exists(dir.file("out/video.avi.part")));
}

TEST_F(ConverterTest, EveryFormatAndScaleKeepsTheCaptureTimes) {
  struct Case {
    QString name, codec;
    int scale;
  };
  // The extension in any case; an existing MP4 makes room as an AVI does.
  const QList<Case> cases = {{"video.avi", "mpeg4", 1},
                             {"video.MP4", "h264", 2},
                             {"video.webm", "vp9", 3},
                             {"video.gif", "gif", 2}};
  ASSERT_TRUE(writeAll(dir.file("video.MP4"), "earlier"));
  for (const Case &c : cases) {
    SCOPED_TRACE(qPrintable(c.name));
    list.clear();
    writeIni("[AVI]\r\nAVIName=" + c.name.toLocal8Bit() +
             "\r\nFPS=5\r\nScale=" + QByteArray::number(c.scale) + "\r\n");
    // Six ticks at 200 ms, a missed tick, two more: nine slots, 1.8 s.
    QTime t(10, 0, 0, 0);
    for (int i = 0; i < 8; ++i, t = t.addMSecs(i == 6 ? 400 : 200))
      Frame(t, QColor(30 * i, 255 - 30 * i, 90));
    writeList();
    ASSERT_EQ(run(), 0) << qPrintable(errors);
    const QString video = dir.file(c.codec == "h264" ? "video-2.MP4" : c.name);
    EXPECT_TRUE(output.contains(video)) << qPrintable(output);
    const Probe p = probeVideo(video);
    ASSERT_TRUE(p.opened);
    EXPECT_EQ(p.codec, c.codec);
    EXPECT_EQ(QSize(p.width, p.height), QSize(176, 208) * c.scale);
    EXPECT_NEAR(p.end, 1.8, 0.2);
    if (c.codec != "gif") {
      EXPECT_EQ(p.packets, 9); // the frame before the missed tick repeated
      continue;
    }
    // Each frame once, for as long as it was on the phone, in 1/100 s; the
    // animation loops for ever.
    EXPECT_EQ(p.durations, (QList<qint64>{20, 20, 20, 20, 20, 40, 20, 20}));
    EXPECT_TRUE(
        readAll(video).contains(QByteArray("NETSCAPE2.0\x03\x01\0\0", 15)));
  }
  // The MP4's index comes before its data.
  const QByteArray mp4 = readAll(dir.file("video-2.MP4"));
  EXPECT_LT(mp4.indexOf("moov"), mp4.indexOf("mdat"));
  EXPECT_EQ(readAll(dir.file("video.MP4")), "earlier");
}

TEST_F(ConverterTest, MissingEmptyOrUnwritableAreRefused) {
  writeIni("[AVI]\r\nFPS=5\r\n");
  EXPECT_NE(run(), 0);
  EXPECT_TRUE(errors.contains("no frame list")) << qPrintable(errors);

  writeList(); // empty
  EXPECT_NE(run(), 0);
  EXPECT_TRUE(errors.contains("lists no frames")) << qPrintable(errors);
  EXPECT_FALSE(QFileInfo::exists(dir.file("video.avi")));

  // The output's folder is a file: nothing written, the frames kept.
  QFile blocker(dir.file("blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  writeIni("[AVI]\r\nAVIName=" + dir.file("blocker/video.avi").toLocal8Bit() +
           "\r\nFPS=5\r\n");
  const QString a = Frame(QTime(10, 0, 0, 0), Qt::red);
  const QString b = Frame(QTime(10, 0, 0, 200), Qt::red);
  writeList();
  EXPECT_NE(run(), 0);
  EXPECT_TRUE(errors.contains("blocker/video.avi")) << qPrintable(errors);
  // The writer's sentence is ended before the next one begins.
  EXPECT_TRUE(errors.contains(QRegularExpression("\\w\\. The frame list")))
      << qPrintable(errors);
  EXPECT_TRUE(QFileInfo::exists(a) && QFileInfo::exists(b));

  // A name that is no video format: said so, and the frames kept.
  writeIni("[AVI]\r\nAVIName=" + dir.file("video.mov").toLocal8Bit() +
           "\r\nFPS=5\r\n");
  EXPECT_NE(run(), 0);
  EXPECT_TRUE(errors.contains(".avi, .mp4, .webm, .gif. No video was made. "
                              "The frame list and its 2 frames are kept."))
      << qPrintable(errors);
  EXPECT_TRUE(QFileInfo::exists(a) && QFileInfo::exists(b));
  EXPECT_FALSE(QFileInfo::exists(dir.file("video.mov")));
}

TEST_F(ConverterTest, DeletesOnlyTheRecordersOwnFrames) {
  writeIni("[AVI]\r\nFPS=5\r\n");
  QImage picture(176, 208, QImage::Format_RGB32);
  picture.fill(Qt::yellow);
  QDir().mkpath(dir.file("photos"));
  // Pictures that are read but are not the recorder's: outside temp/, a
  // frame name outside temp/, another name inside temp/.
  const QStringList others = {dir.file("photos/photo.png"),
                              dir.file("photos/10000040.bmp"),
                              frames + "pic.bmp"};
  for (const QString &path : others)
    ASSERT_TRUE(picture.save(path, path.endsWith("png") ? "PNG" : "BMP"));
  const QString own = Frame(QTime(10, 0, 0, 0), Qt::red);
  list << others;
  writeList();
  ASSERT_EQ(run(), 0) << qPrintable(errors);
  EXPECT_TRUE(output.contains("Saved 4 frames")) << qPrintable(output);
  EXPECT_FALSE(QFileInfo::exists(own));
  for (const QString &path : others)
    EXPECT_TRUE(QFileInfo::exists(path)) << qPrintable(path);
}

TEST_F(ConverterTest, AnExistingVideoAndOtherPartsStayStalePartsGo) {
  writeIni("[AVI]\r\nFPS=5\r\n");
  const QString video = dir.file("video.avi");
  ASSERT_TRUE(writeAll(video, "first recording"));
  // Not of our naming, of a converter that runs, of one that was killed.
  const QString foreign = video + ".part";
  const QString running =
      partFilePath(video, QCoreApplication::applicationPid(), 1);
  const QString killed = partFilePath(video, 99999999, 1);
  for (const QString &path : {foreign, running, killed})
    ASSERT_TRUE(writeAll(path, "part"));
  Frame(QTime(10, 0, 0, 0), Qt::red);
  writeList();
  ASSERT_EQ(run(), 0) << qPrintable(errors);
  EXPECT_TRUE(output.contains(dir.file("video-2.avi"))) << qPrintable(output);
  EXPECT_TRUE(probeVideo(dir.file("video-2.avi")).opened);
  EXPECT_EQ(readAll(video), "first recording");
  EXPECT_EQ(readAll(foreign), "part");
  EXPECT_EQ(readAll(running), "part");
  EXPECT_FALSE(QFileInfo::exists(killed));
  EXPECT_NE(partFilePath(video, 10, 1), partFilePath(video, 10, 2));
}

TEST_F(ConverterTest, ASecondConverterOfTheFolderRefusesAndKeepsAll) {
  // In the language the settings choose.
  writeIni("[AVI]\r\nFPS=5\r\n[Language]\r\nLanguage=Test\r\n");
  QDir().mkpath(dir.file("Languages/Test"));
  ASSERT_TRUE(writeAll(dir.file("Languages/Test/lang.ini"),
                       "ConvertAlreadyRunning=Busy: %1\r\n"));
  const QString frame = Frame(QTime(10, 0, 0, 0), Qt::red);
  writeList();
  const std::unique_ptr<QLockFile> first = converterLock(dir.path());
  ASSERT_TRUE(first->tryLock(0));
  EXPECT_NE(run(), 0);
  EXPECT_TRUE(errors.contains("Busy: " + dir.path())) << qPrintable(errors);
  EXPECT_TRUE(QFileInfo::exists(frame));
  EXPECT_EQ(QDir(dir.path()).entryList({"video*"}), QStringList());
  // Once the first is done, the frames are converted.
  first->unlock();
  EXPECT_EQ(run(), 0) << qPrintable(errors);
  EXPECT_FALSE(QFileInfo::exists(frame));
}

TEST(FramePlacement, NamesAndSlots) {
  using aviconvert::frameTimeMs;
  EXPECT_EQ(frameTimeMs("/x/temp/14300507.bmp"), 52205007);
  EXPECT_EQ(frameTimeMs("143005123.bmp"), 52205123);
  EXPECT_FALSE(frameTimeMs("picture.bmp"));
  // 16 fps with timer jitter, then a missed tick, then no name.
  const QList<int> placed =
      aviconvert::placeFrames({0, 62, 125, 190, 312, std::nullopt}, 16);
  EXPECT_EQ(placed, (QList<int>{0, 1, 2, 3, 5, 6}));
}

TEST(GifPalette, FewColoursExactManyColoursShared) {
  using aviconvert::WeightedColour;
  const QList<QRgb> few = aviconvert::medianCutPalette(
      {{qRgb(255, 0, 0), 5}, {qRgb(0, 0, 255), 900}, {qRgb(9, 9, 9), 1}}, 255);
  EXPECT_EQ(QSet<QRgb>(few.begin(), few.end()),
            (QSet<QRgb>{qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(9, 9, 9)}));
  // A grey ramp in 16 colours: each stands for a run of neighbouring greys,
  // and a heavy colour keeps a colour of its own.
  QList<WeightedColour> ramp;
  for (int v = 0; v < 256; ++v)
    ramp.append({qRgb(v, v, v), v == 200 ? 100000u : 1u});
  const QList<QRgb> palette = aviconvert::medianCutPalette(ramp, 16);
  ASSERT_EQ(palette.size(), 16);
  EXPECT_TRUE(palette.contains(qRgb(200, 200, 200)));
  for (int v = 0; v < 256; ++v) {
    int nearest = 255;
    for (QRgb p : palette)
      nearest = std::min(nearest, std::abs(qRed(p) - v));
    EXPECT_LE(nearest, 16) << v;
  }
}

TEST(FramePlacement, ListLines) {
  // CR LF and LF endings, blank and blank-looking lines, padding, and a last
  // line without an ending.
  const QStringList paths = aviconvert::frameListPaths(
      "C:\\temp\\14300507.bmp\r\n\r\n  \t \n  b c.bmp \r\nlast.bmp");
  EXPECT_EQ(paths,
            (QStringList{"C:\\temp\\14300507.bmp", "b c.bmp", "last.bmp"}));
  EXPECT_TRUE(aviconvert::frameListPaths("\r\n\n").isEmpty());
}

} // namespace
