#include "aviconvert/VideoWriter.h"

#include "settings/Language.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace aviconvert {

namespace {

constexpr int kBinCount = 1 << 18; // 6 bits a channel

int binOf(QRgb colour) {
  return (qRed(colour) >> 2) << 12 | (qGreen(colour) >> 2) << 6 |
         qBlue(colour) >> 2;
}

int channel(QRgb colour, int which) {
  return which == 0   ? qRed(colour)
         : which == 1 ? qGreen(colour)
                      : qBlue(colour);
}

QString errorText(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  QString s = QString::fromLocal8Bit(text);
  if (!s.isEmpty())
    s[0] = s[0].toLower();
  return s;
}

// Frees an option dictionary however the scope is left.
struct Options {
  AVDictionary *dict = nullptr;
  ~Options() { av_dict_free(&dict); }
  void set(const char *key, const QByteArray &value) {
    av_dict_set(&dict, key, value.constData(), 0);
  }
};

} // namespace

QImage enlarged(const QImage &picture, int factor) {
  if (factor <= 1)
    return picture;
  const QImage source = picture.depth() == 32
                            ? picture
                            : picture.convertToFormat(QImage::Format_ARGB32);
  QImage out(source.width() * factor, source.height() * factor,
             source.format());
  for (int y = 0; y < source.height(); ++y) {
    const auto *from =
        reinterpret_cast<const quint32 *>(source.constScanLine(y));
    auto *to = reinterpret_cast<quint32 *>(out.scanLine(y * factor));
    for (int x = 0; x < source.width(); ++x)
      std::fill_n(to + x * factor, factor, from[x]);
    for (int copy = 1; copy < factor; ++copy)
      std::memcpy(out.scanLine(y * factor + copy), to, out.bytesPerLine());
  }
  return out;
}

QList<QRgb> medianCutPalette(QList<WeightedColour> colours, int maxColours) {
  struct Box {
    qsizetype begin, end;
    quint64 weight;
    int longest, range; // the widest channel and its width
  };
  const auto measure = [&colours](qsizetype begin, qsizetype end) {
    int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
    quint64 weight = 0;
    for (qsizetype i = begin; i < end; ++i) {
      for (int c = 0; c < 3; ++c) {
        low[c] = std::min(low[c], channel(colours[i].colour, c));
        high[c] = std::max(high[c], channel(colours[i].colour, c));
      }
      weight += colours[i].weight;
    }
    Box box{begin, end, weight, 0, high[0] - low[0]};
    for (int c = 1; c < 3; ++c)
      if (high[c] - low[c] > box.range)
        box = Box{begin, end, weight, c, high[c] - low[c]};
    return box;
  };

  QList<Box> boxes;
  if (!colours.isEmpty())
    boxes.append(measure(0, colours.size()));
  while (boxes.size() < maxColours) {
    // The box whose error is largest: its pixels times its longest side
    // squared.
    qsizetype best = -1;
    double bestError = 0;
    for (qsizetype i = 0; i < boxes.size(); ++i) {
      const double error =
          double(boxes[i].weight) * boxes[i].range * boxes[i].range;
      if (boxes[i].end - boxes[i].begin > 1 && error > bestError) {
        best = i;
        bestError = error;
      }
    }
    if (best < 0)
      break;
    const Box box = boxes[best];
    std::sort(
        colours.begin() + box.begin, colours.begin() + box.end,
        [c = box.longest](const WeightedColour &a, const WeightedColour &b) {
          return channel(a.colour, c) < channel(b.colour, c);
        });
    qsizetype cut = box.begin + 1;
    quint64 below = 0;
    for (qsizetype i = box.begin; i < box.end - 1; ++i) {
      below += colours[i].weight;
      cut = i + 1;
      if (2 * below >= box.weight)
        break;
    }
    boxes[best] = measure(box.begin, cut);
    boxes.append(measure(cut, box.end));
  }

  QList<QRgb> palette;
  for (const Box &box : boxes) {
    double sum[3] = {0, 0, 0};
    for (qsizetype i = box.begin; i < box.end; ++i)
      for (int c = 0; c < 3; ++c)
        sum[c] += double(channel(colours[i].colour, c)) * colours[i].weight;
    const double weight = double(std::max<quint64>(box.weight, 1));
    palette.append(qRgb(int(std::lround(sum[0] / weight)),
                        int(std::lround(sum[1] / weight)),
                        int(std::lround(sum[2] / weight))));
  }
  return palette;
}

void VideoWriter::fail(const char *textKey, int error) const {
  throw VideoError(uiText(textKey).arg(m_path, errorText(error)));
}

VideoWriter::VideoWriter(const QString &path, QSize size,
                         const VideoOptions &options)
    : m_path(path), m_options(options),
      m_baseSize((size.width() + 1) & ~1, (size.height() + 1) & ~1),
      m_size(m_baseSize * std::clamp(options.scale, 1, 3)) {
  m_options.scale = std::clamp(options.scale, 1, 3);
  try {
    openOutput(m_options.format, m_options.fps);
  } catch (...) {
    release();
    throw;
  }
}

void VideoWriter::openOutput(VideoFormat format, int fps, int finalDelay) {
  const QByteArray file = m_path.toLocal8Bit();
  const bool gif = format == VideoFormat::Gif;
  if (!m_format) {
    const char *muxer = format == VideoFormat::Mp4    ? "mp4"
                        : format == VideoFormat::WebM ? "webm"
                        : gif                         ? "gif"
                                                      : "avi";
    int rc = avformat_alloc_output_context2(&m_format, nullptr, muxer,
                                            file.constData());
    if (rc < 0 || !m_format)
      fail("ConvertPrepareFailed", rc);

    const AVCodec *encoder = nullptr;
    switch (format) {
    case VideoFormat::Avi:
      encoder = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
      if (!encoder)
        throw VideoError(uiText("ConvertNoEncoder"));
      break;
    case VideoFormat::Mp4:
      encoder = avcodec_find_encoder_by_name("libx264");
      if (!encoder)
        throw VideoError(uiText("ConvertNoEncoderFor").arg("H.264 (libx264)"));
      break;
    case VideoFormat::WebM:
      encoder = avcodec_find_encoder_by_name("libvpx-vp9");
      if (!encoder)
        throw VideoError(uiText("ConvertNoEncoderFor").arg("VP9 (libvpx-vp9)"));
      break;
    case VideoFormat::Gif:
      encoder = avcodec_find_encoder(AV_CODEC_ID_GIF);
      if (!encoder)
        throw VideoError(uiText("ConvertNoEncoderFor").arg("GIF"));
      break;
    }
    m_stream = avformat_new_stream(m_format, nullptr);
    m_codec = avcodec_alloc_context3(encoder);
    if (!m_stream || !m_codec)
      fail("ConvertPrepareFailed", AVERROR(ENOMEM));
    m_codec->width = m_size.width();
    m_codec->height = m_size.height();
    m_codec->time_base = AVRational{1, fps};
    m_codec->framerate = AVRational{fps, 1};
    m_codec->pix_fmt = gif ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_YUV420P;
    Options codecOptions;
    switch (format) {
    case VideoFormat::Avi:
      m_codec->gop_size = 2 * fps;
      m_codec->max_b_frames = 0;
      // Constant quality: small phone screens stay sharp.
      m_codec->flags |= AV_CODEC_FLAG_QSCALE;
      m_codec->global_quality = FF_QP2LAMBDA * 3;
      break;
    case VideoFormat::Mp4:
      // A key frame every 10 s; repeated frames cost next to nothing.
      m_codec->gop_size = 10 * fps;
      codecOptions.set("preset", "medium");
      codecOptions.set("crf", "20");
      break;
    case VideoFormat::WebM:
      m_codec->gop_size = 10 * fps;
      m_codec->bit_rate = 0; // constant quality alone
      codecOptions.set("crf", "30");
      codecOptions.set("deadline", "good");
      codecOptions.set("cpu-used", "4");
      codecOptions.set("row-mt", "1");
      codecOptions.set("tune-content", "screen");
      break;
    case VideoFormat::Gif:
      break;
    }
    if (m_format->oformat->flags & AVFMT_GLOBALHEADER)
      m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    rc = avcodec_open2(m_codec, encoder, &codecOptions.dict);
    if (rc < 0)
      fail("ConvertEncoderFailed", rc);
    rc = avcodec_parameters_from_context(m_stream->codecpar, m_codec);
    if (rc < 0)
      fail("ConvertPrepareFailed", rc);
    m_stream->time_base = m_codec->time_base;

    rc = avio_open(&m_format->pb, file.constData(), AVIO_FLAG_WRITE);
    if (rc < 0)
      fail("ConvertWriteFailed", rc);

    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
    if (!m_frame || !m_packet)
      fail("ConvertPrepareFailed", AVERROR(ENOMEM));
    m_frame->format = m_codec->pix_fmt;
    m_frame->width = m_codec->width;
    m_frame->height = m_codec->height;
    rc = av_frame_get_buffer(m_frame, 0);
    if (rc < 0)
      fail("ConvertPrepareFailed", rc);
    if (!gif) {
      m_scaler =
          sws_getContext(m_size.width(), m_size.height(), AV_PIX_FMT_BGRA,
                         m_size.width(), m_size.height(), AV_PIX_FMT_YUV420P,
                         SWS_BICUBIC, nullptr, nullptr, nullptr);
      if (!m_scaler)
        throw VideoError(uiText("ConvertColourFailed"));
    }
    // A GIF's header waits for its last delay, known once all frames are in.
    if (gif)
      return;
  }

  Options muxerOptions;
  if (format == VideoFormat::Mp4)
    // The index at the front: the video plays while it downloads.
    muxerOptions.set("movflags", "+faststart");
  if (gif) {
    muxerOptions.set("loop", "0"); // for ever
    muxerOptions.set("final_delay", QByteArray::number(finalDelay));
  }
  const int rc = avformat_write_header(m_format, &muxerOptions.dict);
  if (rc < 0)
    fail("ConvertWriteFailed", rc);
}

VideoWriter::~VideoWriter() { release(); }

void VideoWriter::release() {
  sws_freeContext(m_scaler);
  av_packet_free(&m_packet);
  av_frame_free(&m_frame);
  avcodec_free_context(&m_codec);
  if (m_format) {
    if (m_format->pb)
      avio_closep(&m_format->pb);
    avformat_free_context(m_format);
    m_format = nullptr;
  }
  m_scaler = nullptr;
}

QImage VideoWriter::atBaseSize(const QImage &image) const {
  QImage picture = image.convertToFormat(QImage::Format_ARGB32);
  if (picture.size() != m_baseSize)
    picture = picture.scaled(m_baseSize, Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
  return picture;
}

void VideoWriter::write(const QImage &image, int slot) {
  slot = m_slots == 0 ? 0 : std::max(slot, m_slots);
  const QImage picture = atBaseSize(image);
  if (m_options.format == VideoFormat::Gif) {
    holdForGif(picture, slot);
  } else {
    for (; m_slots < slot; ++m_slots)
      encodePicture(m_last);
    m_last = enlarged(picture, m_options.scale);
    encodePicture(m_last);
  }
  m_slots = slot + 1;
}

void VideoWriter::encodePicture(const QImage &picture) {
  int rc = av_frame_make_writable(m_frame);
  if (rc < 0)
    fail("ConvertEncodeFailed", rc);
  // Format_ARGB32 lies in memory as B, G, R, A on a little-endian machine.
  const uint8_t *source[1] = {picture.constBits()};
  const int stride[1] = {int(picture.bytesPerLine())};
  sws_scale(m_scaler, source, stride, 0, m_size.height(), m_frame->data,
            m_frame->linesize);
  m_frame->pts = m_frames++;
  rc = avcodec_send_frame(m_codec, m_frame);
  if (rc < 0)
    fail("ConvertEncodeFailed", rc);
  drain();
}

void VideoWriter::holdForGif(const QImage &picture, int slot) {
  if (m_bins.isEmpty())
    m_bins.resize(kBinCount);
  for (int y = 0; y < picture.height(); ++y) {
    const auto *row = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
    for (int x = 0; x < picture.width(); ++x) {
      ColourBin &bin = m_bins[binOf(row[x])];
      ++bin.count;
      bin.red += qRed(row[x]);
      bin.green += qGreen(row[x]);
      bin.blue += qBlue(row[x]);
    }
  }
  // Held compressed: phone screens shrink to a few kilobytes.
  m_held.append(
      {qCompress(picture.constBits(), int(picture.sizeInBytes()), 1), slot});
}

void VideoWriter::encodeGif() {
  // One palette for the whole video, from the mean colour of every bin;
  // index 255 stays transparent, for the parts a frame leaves as they were.
  QList<WeightedColour> colours;
  for (const ColourBin &bin : m_bins)
    if (bin.count)
      colours.append({qRgb(int(bin.red / bin.count), int(bin.green / bin.count),
                           int(bin.blue / bin.count)),
                      bin.count});
  const QList<QRgb> palette = medianCutPalette(colours, 255);
  QByteArray indexOfBin(kBinCount, '\0');
  for (int i = 0; i < kBinCount; ++i) {
    const ColourBin &bin = m_bins[i];
    if (!bin.count)
      continue;
    const int r = int(bin.red / bin.count), g = int(bin.green / bin.count),
              b = int(bin.blue / bin.count);
    int nearest = 0, nearestDistance = INT_MAX;
    for (int p = 0; p < palette.size(); ++p) {
      const int dr = qRed(palette[p]) - r, dg = qGreen(palette[p]) - g,
                db = qBlue(palette[p]) - b;
      const int distance = dr * dr + dg * dg + db * db;
      if (distance < nearestDistance) {
        nearest = p;
        nearestDistance = distance;
      }
    }
    indexOfBin[i] = char(nearest);
  }
  m_bins.clear();

  // The last frame is shown one interval, as in the other formats; the
  // muxer takes the other delays from the frames' times.
  const int fps = m_options.fps;
  const int last = m_held.isEmpty() ? 0 : m_held.last().slot;
  const int finalDelay = int(std::llround((last + 1) * 100.0 / fps) -
                             std::llround(last * 100.0 / fps));
  openOutput(VideoFormat::Gif, fps, finalDelay);

  const int scale = m_options.scale;
  QByteArray row(m_size.width(), '\0');
  for (const HeldFrame &held : std::as_const(m_held)) {
    const QByteArray pixels = qUncompress(held.pixels);
    const QImage picture(reinterpret_cast<const uchar *>(pixels.constData()),
                         m_baseSize.width(), m_baseSize.height(),
                         QImage::Format_ARGB32);
    int rc = av_frame_make_writable(m_frame);
    if (rc < 0)
      fail("ConvertEncodeFailed", rc);
    auto *colourTable = reinterpret_cast<uint32_t *>(m_frame->data[1]);
    std::fill_n(colourTable, 256, 0u);
    for (qsizetype p = 0; p < palette.size(); ++p)
      colourTable[p] = 0xFF000000u | palette[p];
    for (int y = 0; y < m_baseSize.height(); ++y) {
      const auto *from =
          reinterpret_cast<const QRgb *>(picture.constScanLine(y));
      for (int x = 0; x < m_baseSize.width(); ++x)
        std::fill_n(row.data() + x * scale, scale, indexOfBin[binOf(from[x])]);
      for (int copy = 0; copy < scale; ++copy)
        std::memcpy(m_frame->data[0] +
                        (y * scale + copy) * m_frame->linesize[0],
                    row.constData(), row.size());
    }
    m_frame->pts = held.slot;
    ++m_frames;
    rc = avcodec_send_frame(m_codec, m_frame);
    if (rc < 0)
      fail("ConvertEncodeFailed", rc);
    drain();
  }
  m_held.clear();
}

void VideoWriter::drain() {
  for (;;) {
    int rc = avcodec_receive_packet(m_codec, m_packet);
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
      return;
    if (rc < 0)
      fail("ConvertEncodeFailed", rc);
    // Each picture of the constant-rate formats lasts one interval; the
    // last one's length is known to the container then.
    if (m_packet->duration == 0 && (m_options.format == VideoFormat::Mp4 ||
                                    m_options.format == VideoFormat::WebM))
      m_packet->duration = 1;
    av_packet_rescale_ts(m_packet, m_codec->time_base, m_stream->time_base);
    m_packet->stream_index = m_stream->index;
    rc = av_interleaved_write_frame(m_format, m_packet);
    if (rc < 0)
      fail("ConvertWriteFailed", rc);
  }
}

void VideoWriter::finish() {
  if (m_options.format == VideoFormat::Gif)
    encodeGif();
  int rc = avcodec_send_frame(m_codec, nullptr);
  if (rc < 0 && rc != AVERROR_EOF)
    fail("ConvertLastFramesFailed", rc);
  drain();
  rc = av_write_trailer(m_format);
  if (rc < 0)
    fail("ConvertCompleteFailed", rc);
  rc = avio_closep(&m_format->pb);
  if (rc < 0)
    fail("ConvertCompleteFailed", rc);
}

} // namespace aviconvert
