#pragma once
// An AVI file with one MPEG-4 Part 2 video stream, written frame by frame
// with FFmpeg's libraries.

#include <QImage>
#include <QSize>
#include <QString>
#include <stdexcept>

struct AVFormatContext;
struct AVCodecContext;
struct AVStream;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace aviconvert {

class VideoError : public std::runtime_error {
public:
  explicit VideoError(const QString &message)
      : std::runtime_error(message.toStdString()), m_message(message) {}
  const QString &message() const { return m_message; }

private:
  QString m_message;
};

class VideoWriter {
public:
  // Opens path for writing; size is rounded up to even numbers. Throws
  // VideoError naming the reason.
  VideoWriter(const QString &path, QSize size, int fps);
  // Without Finish() the file is left incomplete; the caller removes it.
  ~VideoWriter();
  VideoWriter(const VideoWriter &) = delete;
  VideoWriter &operator=(const VideoWriter &) = delete;

  // One video frame; images of another size are scaled to the video's.
  void write(const QImage &image);
  // Flushes the encoder and completes the file.
  void finish();

  int framesWritten() const { return m_frames; }
  QSize size() const { return m_size; }

private:
  void open(int fps);
  void release();
  void drain();
  [[noreturn]] void fail(const char *textKey, int error) const;

  QString m_path;
  QSize m_size;
  AVFormatContext *m_format = nullptr;
  AVCodecContext *m_codec = nullptr;
  AVStream *m_stream = nullptr;
  AVFrame *m_frame = nullptr;
  AVPacket *m_packet = nullptr;
  SwsContext *m_scaler = nullptr;
  int m_frames = 0;
};

} // namespace aviconvert
