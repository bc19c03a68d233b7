#pragma once
// A video file written frame by frame with FFmpeg's libraries: MPEG-4 Part 2
// in AVI, H.264 in MP4, VP9 in WebM, or an animated GIF.
//
// Each frame comes with its slot, the frame number at the frame rate from
// which it is shown until the next frame's slot. AVI, MP4 and WebM run at
// the frame rate and repeat a frame over the slots it covers. A GIF holds
// each frame once with its delay; it is encoded by finish(), with one
// palette made from all of its frames.

#include "capture/VideoFormats.h"

#include <QByteArray>
#include <QImage>
#include <QList>
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

struct VideoOptions {
  VideoFormat format = VideoFormat::Avi;
  int fps = 5;
  // Every frame enlarged so many times, each pixel a square of pixels.
  int scale = 1;
};

class VideoWriter {
public:
  // Opens path for writing. The frames are size rounded up to even numbers,
  // times the scale. Throws VideoError naming the reason.
  VideoWriter(const QString &path, QSize size, const VideoOptions &options);
  // Without finish() the file is left incomplete; the caller removes it.
  ~VideoWriter();
  VideoWriter(const VideoWriter &) = delete;
  VideoWriter &operator=(const VideoWriter &) = delete;

  // Shows image from slot on (the first frame at slot 0; a slot already
  // covered is taken as the next one). Images of another size are scaled to
  // the size given before they are enlarged.
  void write(const QImage &image, int slot);
  // Encodes what is left and completes the file.
  void finish();

  // The slots covered so far, the last frame's included: the video's length
  // in frame intervals.
  int slotsCovered() const { return m_slots; }
  // The size of the video's frames.
  QSize size() const { return m_size; }

private:
  struct HeldFrame {
    QByteArray pixels; // RGB32 at the unscaled size, compressed
    int slot;
  };
  // The pixels of a GIF's frames counted by colour, 6 bits a channel, with
  // the sums of their channels.
  struct ColourBin {
    quint64 count = 0, red = 0, green = 0, blue = 0;
  };

  void openOutput(VideoFormat format, int fps, int finalDelay = -1);
  void release();
  void drain();
  QImage atBaseSize(const QImage &image) const;
  void encodePicture(const QImage &picture);
  void holdForGif(const QImage &picture, int slot);
  void encodeGif();
  [[noreturn]] void fail(const char *textKey, int error) const;

  QString m_path;
  VideoOptions m_options;
  QSize m_baseSize;
  QSize m_size;
  AVFormatContext *m_format = nullptr;
  AVCodecContext *m_codec = nullptr;
  AVStream *m_stream = nullptr;
  AVFrame *m_frame = nullptr;
  AVPacket *m_packet = nullptr;
  SwsContext *m_scaler = nullptr;
  int m_frames = 0; // pictures handed to the encoder
  int m_slots = 0;
  QImage m_last; // enlarged, for repeats
  QList<HeldFrame> m_held;
  QList<ColourBin> m_bins;
};

// The picture with every pixel made a factor x factor square.
QImage enlarged(const QImage &picture, int factor);

struct WeightedColour {
  QRgb colour;
  quint64 weight; // how many pixels have it
};
// Up to maxColours colours standing for the ones given: the colour space
// they fill is cut at the weighted median of its longest side, again and
// again, and each part gives the weighted mean of its colours. With no more
// colours than maxColours, each stands for itself.
QList<QRgb> medianCutPalette(QList<WeightedColour> colours, int maxColours);

} // namespace aviconvert
