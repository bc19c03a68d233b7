#include "screen/ScreenCanvas.h"

#include "screen/TileDecoder.h"

#include <QPainter>

#include <algorithm>
#include <cstring>
#include <exception>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Intersection of [start, start + length) with [0, limit), in 64 bits so
// that any int position and doubled position is safe. Empty when
// first >= last.
struct Span {
  qint64 first;
  qint64 last;
  bool isEmpty() const { return first >= last; }
};

Span clip(qint64 start, qint64 length, qint64 limit) {
  return {std::max<qint64>(start, 0), std::min<qint64>(start + length, limit)};
}

// Each pixel of a row twice over; SSE2 doubles four pixels a step.
void doubleRow(const QRgb *__restrict in, QRgb *__restrict out, int count) {
  int x = 0;
#if defined(__SSE2__)
  for (; x + 4 <= count; x += 4) {
    const __m128i four =
        _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + x));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 2 * x),
                     _mm_unpacklo_epi32(four, four));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 2 * x + 4),
                     _mm_unpackhi_epi32(four, four));
  }
#endif
  for (; x < count; ++x)
    out[2 * x] = out[2 * x + 1] = in[x];
}

} // namespace

void fillPicture(QImage &bitmap, const QColor &colour) { bitmap.fill(colour); }

namespace {

// The screen picture doubled pixel by pixel, with the filled area coloured.
QImage Doubled(const QImage &screen, const QRegion &filled,
               const QColor &fill) {
  QImage zoom(screen.width() * 2, screen.height() * 2, QImage::Format_RGB32);
  if (zoom.isNull())
    return zoom;
  const size_t bytes = size_t(zoom.width()) * sizeof(QRgb);
  for (int y = 0; y < screen.height(); ++y) {
    const QRgb *in = reinterpret_cast<const QRgb *>(screen.constScanLine(y));
    auto *out = reinterpret_cast<QRgb *>(zoom.scanLine(2 * y));
    doubleRow(in, out, screen.width());
    std::memcpy(zoom.scanLine(2 * y + 1), out, bytes);
  }
  const QRgb colour = fill.rgb();
  for (const QRect &r : filled)
    for (int y = 2 * r.top(); y <= 2 * r.bottom() + 1; ++y) {
      auto *out = reinterpret_cast<QRgb *>(zoom.scanLine(y));
      std::fill(out + 2 * r.left(), out + 2 * r.right() + 2, colour);
    }
  return zoom;
}

} // namespace

ScreenCanvas::ScreenCanvas(QObject *parent) : QObject(parent) {}

void ScreenCanvas::resetPictures() {
  std::vector<uchar> screen(kStoreBytes, 0xff);
  {
    QMutexLocker lock(&m_lock);
    m_screen.swap(screen);
    m_zoomFilled = QRegion();
    markDirty(QRect(0, 0, kScreenWidth, kScreenHeight));
  }
  notify();
}

void ScreenCanvas::removePictures() {
  std::vector<uchar> screen;
  {
    QMutexLocker lock(&m_lock);
    // Released after the lock.
    m_screen.swap(screen);
    m_zoomFilled = QRegion();
    markDirty(QRect(0, 0, kScreenWidth, kScreenHeight));
  }
  notify();
}

void ScreenCanvas::fillZoom(const QColor &colour) {
  {
    QMutexLocker lock(&m_lock);
    if (m_screen.empty())
      return;
    m_zoomFill = colour;
    m_zoomFilled = QRegion(0, 0, kScreenWidth, kScreenHeight);
    markDirty(QRect(0, 0, kScreenWidth, kScreenHeight));
  }
  notify();
}
bool ScreenCanvas::hasPictures() const {
  QMutexLocker lock(&m_lock);
  return !m_screen.empty();
}

void ScreenCanvas::drawTile(const QByteArray &data, int x, int y,
                            QString *warning) {
  QMutexLocker lock(&m_decodeLock);
  if (warning)
    warning->clear();
  if (data.isEmpty() || data.front() == 'G') {
    // Decoded outside the pictures' lock, so painting never waits for it.
    drawRows(m_decoder.decodeRows(data, warning), x, y);
    return;
  }
  const QSize size = m_decoder.startJpeg(data);
  if (!drawJpegInPlace(size, x, y, warning))
    drawRows(m_decoder.decodeJpegRows(warning), x, y);
}

bool ScreenCanvas::drawJpegInPlace(QSize size, int x, int y, QString *warning) {
  // The tile with its margin lands at (x, y) of the stored picture, whose
  // border of one pixel takes the margin of a tile at the screen's edge.
  const int width = size.width();
  const int height = size.height();
  if (width <= 2 || height <= 2 || x < 0 || y < 0 ||
      qint64(x) + width > kScreenWidth + 2 * kBorder ||
      qint64(y) + height > kScreenHeight + 2 * kBorder)
    return false;
  QMutexLocker lock(&m_lock);
  if (m_screen.empty())
    return false;
  // The margin's pixels belong to the neighbours: kept and put back.
  const qsizetype stride = kStride;
  uchar *const first = storeOrigin() + qsizetype(y) * stride + x * 3;
  const qsizetype rowBytes = qsizetype(width) * 3;
  m_margin.resize(size_t(2 * rowBytes + 2 * 3 * (height - 2)));
  uchar *kept = m_margin.data();
  auto walkMargin = [&](auto &&move) {
    uchar *p = kept;
    move(first, p, rowBytes);
    move(first + (height - 1) * stride, p + rowBytes, rowBytes);
    p += 2 * rowBytes;
    for (int row = 1; row < height - 1; ++row, p += 6) {
      move(first + row * stride, p, 3);
      move(first + row * stride + rowBytes - 3, p + 3, 3);
    }
  };
  walkMargin([](uchar *pixels, uchar *store, qsizetype n) {
    std::memcpy(store, pixels, size_t(n));
  });
  // A scan damaged partway keeps the rows decoded before the damage, as
  // with damaged data the decoder reads past.
  std::exception_ptr failure;
  try {
    m_decoder.readJpegRows(first, stride, warning);
  } catch (...) {
    failure = std::current_exception();
  }
  walkMargin([](uchar *pixels, const uchar *store, qsizetype n) {
    std::memcpy(pixels, store, size_t(n));
  });
  noteDrawn(QRect(x, y, width - 2, height - 2));
  lock.unlock();
  notify();
  if (failure)
    std::rethrow_exception(failure);
  return true;
}

void ScreenCanvas::drawDecodedTile(const QImage &decoded, int x, int y) {
  const QImage source = decoded.format() == QImage::Format_RGB32
                            ? decoded
                            : decoded.convertToFormat(QImage::Format_RGB32);
  drawRows(TileRows(source), x, y);
}

void ScreenCanvas::drawRows(const TileRows &tile, int x, int y) {
  // The visible area is the image less its outermost rows and columns.
  const int width = tile.width() - 2;
  const int height = tile.height() - 2;
  if (width <= 0 || height <= 0)
    return;

  bool changed = false;
  QRect drawn;
  {
    QMutexLocker lock(&m_lock);

    if (!m_screen.empty()) {
      const Span columns = clip(x, width, kScreenWidth);
      const Span rows = clip(y, height, kScreenHeight);
      if (!columns.isEmpty() && !rows.isEmpty()) {
        const int count = int(columns.last - columns.first);
        const qsizetype stride = kStride;
        uchar *const bits = storeOrigin() + kBorder * stride + kBorder * 3;
        for (qint64 row = rows.first; row < rows.last; ++row)
          tile.copyRowRgb(int(row - y) + 1, int(columns.first - x) + 1, count,
                          bits + row * stride + columns.first * 3);
        noteDrawn(QRect(QPoint(int(columns.first), int(rows.first)),
                        QPoint(int(columns.last - 1), int(rows.last - 1))));
        changed = true;
      }
    }
  }
  if (changed)
    notify();
}

QImage ScreenCanvas::screen() const {
  QImage picture(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
  if (picture.isNull())
    return picture;
  QMutexLocker lock(&m_lock);
  if (m_screen.empty())
    return QImage();
  const uchar *in = storeOrigin() + kBorder * kStride + kBorder * 3;
  for (int y = 0; y < kScreenHeight; ++y, in += kStride)
    widenRgbRow(in, reinterpret_cast<QRgb *>(picture.scanLine(y)),
                kScreenWidth);
  return picture;
}

QImage ScreenCanvas::zoom() const {
  QImage screen;
  QRegion filled;
  QColor fill;
  {
    QMutexLocker lock(&m_lock);
    if (m_screen.empty())
      return QImage();
    filled = m_zoomFilled;
    fill = m_zoomFill;
  }
  // A tile drawn in between shows in the copy; the fill follows the next
  // call.
  screen = this->screen();
  if (screen.isNull())
    return QImage();
  return Doubled(screen, filled, fill);
}

bool ScreenCanvas::paint(QPainter &painter, const QRect &clip,
                         bool zoom) const {
  // The screen-picture area behind the clip: half of it, rounded out, for
  // the zoom picture. Its rows are copied under the lock at once (a link
  // decoding a tile in place holds the lock for the tile, so the paint
  // waits for a link once at most), then widened to pixels and painted a
  // strip of rows at a time (doubled, for the zoom picture, which is far
  // quicker than a scaled drawImage).
  QRect area = clip;
  if (zoom)
    area = QRect(QPoint(clip.left() >> 1, clip.top() >> 1),
                 QPoint(clip.right() >> 1, clip.bottom() >> 1));
  area &= QRect(0, 0, kScreenWidth, kScreenHeight);
  constexpr int StripRows = 16;
  if (!area.isEmpty()) {
    if (m_strip.isNull())
      m_strip = QImage(kScreenWidth, StripRows, QImage::Format_RGB32);
    if (zoom && m_zoomStrip.isNull())
      m_zoomStrip = QImage(kZoomWidth, 2 * StripRows, QImage::Format_RGB32);
    if (m_strip.isNull() || (zoom && m_zoomStrip.isNull()))
      return hasPictures(); // no memory for the strips
    m_rowsRgb.resize(size_t(kScreenWidth) * kScreenHeight * 3);
  }
  const size_t rgbBytes = size_t(area.width()) * 3;
  QRegion filled;
  QColor fill;
  {
    QMutexLocker lock(&m_lock);
    if (m_screen.empty())
      return false;
    if (zoom && !m_zoomFilled.isEmpty()) {
      filled = m_zoomFilled & area;
      fill = m_zoomFill;
    }
    const qsizetype stride = kStride;
    const uchar *screen = storeOrigin() +
                          qsizetype(area.top() + kBorder) * stride +
                          qsizetype(area.left() + kBorder) * 3;
    for (int row = 0; row < area.height(); ++row, screen += stride)
      std::memcpy(m_rowsRgb.data() + row * rgbBytes, screen, rgbBytes);
  }
  const size_t bytes = size_t(area.width()) * sizeof(QRgb);
  uchar *const strip = m_strip.bits();
  const qsizetype stripStride = m_strip.bytesPerLine();
  for (int top = area.top(); top <= area.bottom(); top += StripRows) {
    const int rows = std::min(StripRows, area.bottom() + 1 - top);
    const uchar *rgb = m_rowsRgb.data() + (top - area.top()) * rgbBytes;
    for (int row = 0; row < rows; ++row)
      widenRgbRow(rgb + row * rgbBytes,
                  reinterpret_cast<QRgb *>(strip + row * stripStride),
                  area.width());
    if (!zoom) {
      painter.drawImage(QPoint(area.left(), top), m_strip,
                        QRect(0, 0, area.width(), rows));
      continue;
    }
    uchar *const zoomed = m_zoomStrip.bits();
    const qsizetype zoomStride = m_zoomStrip.bytesPerLine();
    for (int row = 0; row < rows; ++row) {
      auto *out = reinterpret_cast<QRgb *>(zoomed + 2 * row * zoomStride);
      doubleRow(reinterpret_cast<const QRgb *>(strip + row * stripStride), out,
                area.width());
      std::memcpy(zoomed + (2 * row + 1) * zoomStride, out, 2 * bytes);
    }
    painter.drawImage(QPoint(2 * area.left(), 2 * top), m_zoomStrip,
                      QRect(0, 0, 2 * area.width(), 2 * rows));
  }
  for (const QRect &r : filled)
    painter.fillRect(QRect(2 * r.x(), 2 * r.y(), 2 * r.width(), 2 * r.height()),
                     fill);
  return true;
}

QRegion ScreenCanvas::takeDirty() {
  QMutexLocker lock(&m_lock);
  QRegion dirty;
  dirty.swap(m_dirty);
  // Cleared under the lock: a change made after this point either is in
  // the region taken next time and finds the flag clear, or was taken now.
  m_notifyPending.store(false);
  return dirty;
}

void ScreenCanvas::markDirty(const QRect &screenRect) { m_dirty += screenRect; }

void ScreenCanvas::noteDrawn(const QRect &drawn) {
  markDirty(drawn);
  m_tilesDrawn.fetch_add(1);
  if (!m_zoomFilled.isEmpty())
    m_zoomFilled -= drawn;
}

void ScreenCanvas::notify() {
  if (!m_notifyPending.exchange(true))
    emit changed();
}
