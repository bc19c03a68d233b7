#include "aviconvert/VideoWriter.h"

#include "settings/Language.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace aviconvert {

namespace {
QString errorText(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  QString s = QString::fromLocal8Bit(text);
  if (!s.isEmpty())
    s[0] = s[0].toLower();
  return s;
}
} // namespace

void VideoWriter::fail(const char *textKey, int error) const {
  throw VideoError(uiText(textKey).arg(m_path, errorText(error)));
}

VideoWriter::VideoWriter(const QString &path, QSize size, int fps)
    : m_path(path), m_size((size.width() + 1) & ~1, (size.height() + 1) & ~1) {
  try {
    open(fps);
  } catch (...) {
    release();
    throw;
  }
}

void VideoWriter::open(int fps) {
  const QString &path = m_path;
  const QByteArray file = path.toLocal8Bit();
  int rc = avformat_alloc_output_context2(&m_format, nullptr, "avi",
                                          file.constData());
  if (rc < 0 || !m_format)
    fail("ConvertPrepareFailed", rc);
  const AVCodec *encoder = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
  if (!encoder)
    throw VideoError(uiText("ConvertNoEncoder"));
  m_stream = avformat_new_stream(m_format, nullptr);
  m_codec = avcodec_alloc_context3(encoder);
  if (!m_stream || !m_codec)
    fail("ConvertPrepareFailed", AVERROR(ENOMEM));
  m_codec->width = m_size.width();
  m_codec->height = m_size.height();
  m_codec->time_base = AVRational{1, fps};
  m_codec->framerate = AVRational{fps, 1};
  m_codec->pix_fmt = AV_PIX_FMT_YUV420P;
  m_codec->gop_size = 2 * fps;
  m_codec->max_b_frames = 0;
  // Constant quality: small phone screens stay sharp.
  m_codec->flags |= AV_CODEC_FLAG_QSCALE;
  m_codec->global_quality = FF_QP2LAMBDA * 3;
  if (m_format->oformat->flags & AVFMT_GLOBALHEADER)
    m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  rc = avcodec_open2(m_codec, encoder, nullptr);
  if (rc < 0)
    fail("ConvertEncoderFailed", rc);
  rc = avcodec_parameters_from_context(m_stream->codecpar, m_codec);
  if (rc < 0)
    fail("ConvertPrepareFailed", rc);
  m_stream->time_base = m_codec->time_base;

  rc = avio_open(&m_format->pb, file.constData(), AVIO_FLAG_WRITE);
  if (rc < 0)
    fail("ConvertWriteFailed", rc);
  rc = avformat_write_header(m_format, nullptr);
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
  m_scaler = sws_getContext(m_size.width(), m_size.height(), AV_PIX_FMT_BGRA,
                            m_size.width(), m_size.height(), AV_PIX_FMT_YUV420P,
                            SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (!m_scaler)
    throw VideoError(uiText("ConvertColourFailed"));
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

void VideoWriter::write(const QImage &image) {
  QImage picture = image.convertToFormat(QImage::Format_ARGB32);
  if (picture.size() != m_size)
    picture =
        picture.scaled(m_size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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

void VideoWriter::drain() {
  for (;;) {
    int rc = avcodec_receive_packet(m_codec, m_packet);
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
      return;
    if (rc < 0)
      fail("ConvertEncodeFailed", rc);
    av_packet_rescale_ts(m_packet, m_codec->time_base, m_stream->time_base);
    m_packet->stream_index = m_stream->index;
    rc = av_interleaved_write_frame(m_format, m_packet);
    if (rc < 0)
      fail("ConvertWriteFailed", rc);
  }
}

void VideoWriter::finish() {
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
