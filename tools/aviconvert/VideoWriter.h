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
  const QString &Message() const { return m_message; }

private:
  QString m_message;
};

class TVideoWriter {
public:
  // Opens path for writing; size is rounded up to even numbers. Throws
  // VideoError naming the reason.
  TVideoWriter(const QString &path, QSize size, int fps);
  // Without Finish() the file is left incomplete; the caller removes it.
  ~TVideoWriter();
  TVideoWriter(const TVideoWriter &) = delete;
  TVideoWriter &operator=(const TVideoWriter &) = delete;

  // One video frame; images of another size are scaled to the video's.
  void Write(const QImage &image);
  // Flushes the encoder and completes the file.
  void Finish();

  int FramesWritten() const { return m_frames; }
  QSize Size() const { return m_size; }

private:
  void Open(int fps);
  void Release();
  void Drain();
  [[noreturn]] void Fail(const char *textKey, int error) const;

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
