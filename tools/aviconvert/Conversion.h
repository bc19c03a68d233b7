#pragma once
// One conversion: the frames listed in "AVIList.dat" become the video named
// by [AVI] AVIName of "Quorvane.ini", at [AVI] FPS frames per second, each
// frame enlarged [AVI] Scale times. The name's extension chooses the format
// (capture/VideoFormats.h). Runs frame by frame so a window can show its
// progress.

#include "aviconvert/VideoWriter.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class QLockFile;

namespace aviconvert {

struct Report {
  QString output;
  int converted = 0; // frames read and placed in the video
  int skipped = 0;   // listed frames that could not be read
  double seconds = 0;
};

// Where a conversion works: the list, the lock and the frames' temp/ lie in
// work, Quorvane.ini in settings, and a relative video name is taken from
// videos. A program directory is all three.
struct ConversionDirs {
  QString work;
  QString settings;
  QString videos;
};

class Conversion {
public:
  explicit Conversion(const QString &programDir);
  explicit Conversion(const ConversionDirs &dirs);
  ~Conversion();

  // Takes the converter lock of the program directory, reads the settings
  // and the list, and picks the video's name: the next free one
  // ("video-2.avi", ...) when the named file exists. Throws VideoError when
  // another converter holds the lock, the list is missing or empty, or the
  // name's extension is not a video format; then nothing is changed.
  void prepare();

  int total() const { return int(m_paths.size()); }
  int done() const { return m_next; }
  QString outputPath() const { return m_output; }
  // The name the settings give, when the video gets another one.
  QString takenPath() const { return m_taken; }
  int fps() const { return m_fps; }
  int scale() const { return m_scale; }
  VideoFormat format() const { return m_format; }

  // Reads and encodes the next listed frame; false once all are done.
  // Throws VideoError when the video cannot be written.
  bool step();

  // Completes the video, then removes the frames it holds that lie in the
  // program's frames folder; listed files elsewhere, or not named as frames,
  // are only read. Throws VideoError (no video is left behind and every
  // frame is kept).
  Report finish();

  // What a failure leaves behind, for the message.
  QString keptText() const;

private:
  QString m_dir;
  QString m_settingsDir;
  QString m_videoDir;
  QString m_listPath;
  QString m_output;
  QString m_taken;
  QString m_part;
  int m_fps = 5;
  int m_scale = 1;
  VideoFormat m_format = VideoFormat::Avi;
  QSize m_size;
  QStringList m_paths;
  QList<int> m_placed;
  int m_next = 0;
  int m_base = 0;
  int m_skipped = 0;
  QStringList m_converted;
  std::unique_ptr<VideoWriter> m_writer;
  std::unique_ptr<QLockFile> m_lock;
};

} // namespace aviconvert
