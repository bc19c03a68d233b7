#include "screen/ScreenCanvas.h"

#include "screen/TileDecoder.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

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
  QImage screen(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
  screen.fill(Qt::white);
  {
    QMutexLocker lock(&m_lock);
    m_screen = std::move(screen);
    m_zoomFilled = QRegion();
    markDirty(QRect(0, 0, kScreenWidth, kScreenHeight));
  }
  notify();
}

void ScreenCanvas::removePictures() {
  QImage screen;
  {
    QMutexLocker lock(&m_lock);
    // Released after the lock; a view may still hold a shallow copy.
    m_screen.swap(screen);
    m_zoomFilled = QRegion();
    markDirty(QRect(0, 0, kScreenWidth, kScreenHeight));
  }
  notify();
}

void ScreenCanvas::fillZoom(const QColor &colour) {
  {
    QMutexLocker lock(&m_lock);
    if (m_screen.isNull())
      return;
    m_zoomFill = colour;
    m_zoomFilled = QRegion(m_screen.rect());
    markDirty(QRect(0, 0, kScreenWidth, kScreenHeight));
  }
  notify();
}
bool ScreenCanvas::hasPictures() const {
  QMutexLocker lock(&m_lock);
  return !m_screen.isNull();
}

void ScreenCanvas::drawTile(const QByteArray &data, int x, int y,
                            QString *warning) {
  // Decoded outside the pictures' lock, so painting never waits for it.
  QMutexLocker lock(&m_decodeLock);
  drawRows(m_decoder.decodeRows(data, warning), x, y);
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

    if (!m_screen.isNull()) {
      const Span columns = clip(x, width, m_screen.width());
      const Span rows = clip(y, height, m_screen.height());
      if (!columns.isEmpty() && !rows.isEmpty()) {
        const int count = int(columns.last - columns.first);
        uchar *const bits = m_screen.bits();
        const qsizetype stride = m_screen.bytesPerLine();
        for (qint64 row = rows.first; row < rows.last; ++row) {
          auto *out = reinterpret_cast<QRgb *>(bits + row * stride);
          tile.copyRow(int(row - y) + 1, int(columns.first - x) + 1, count,
                       out + columns.first);
        }
        drawn = QRect(QPoint(int(columns.first), int(rows.first)),
                      QPoint(int(columns.last - 1), int(rows.last - 1)));
        markDirty(drawn);
        changed = true;
        m_tilesDrawn.fetch_add(1);
      }
    }

    if (changed && !m_zoomFilled.isEmpty())
      m_zoomFilled -= drawn;
  }
  if (changed)
    notify();
}

QImage ScreenCanvas::screen() const {
  QMutexLocker lock(&m_lock);
  return m_screen.copy();
}

QImage ScreenCanvas::zoom() const {
  QImage screen;
  QRegion filled;
  QColor fill;
  {
    QMutexLocker lock(&m_lock);
    if (m_screen.isNull())
      return QImage();
    screen = m_screen.copy();
    filled = m_zoomFilled;
    fill = m_zoomFill;
  }
  return Doubled(screen, filled, fill);
}

bool ScreenCanvas::paint(QPainter &painter, const QRect &clip,
                         bool zoom) const {
  // The screen-picture area behind the clip: half of it, rounded out, for
  // the zoom picture. It is painted a strip of rows at a time: each strip
  // is copied under the lock, then painted (doubled, for the zoom picture,
  // which is far quicker than a scaled drawImage) after it.
  QRect area = clip;
  if (zoom)
    area = QRect(QPoint(clip.left() >> 1, clip.top() >> 1),
                 QPoint(clip.right() >> 1, clip.bottom() >> 1));
  QRegion filled;
  QColor fill;
  {
    QMutexLocker lock(&m_lock);
    if (m_screen.isNull())
      return false;
    area &= m_screen.rect();
    if (zoom && !m_zoomFilled.isEmpty()) {
      filled = m_zoomFilled & area;
      fill = m_zoomFill;
    }
  }
  if (area.isEmpty())
    return true;
  constexpr int StripRows = 16;
  if (m_strip.width() < area.width())
    m_strip = QImage(kScreenWidth, StripRows, QImage::Format_RGB32);
  if (zoom && m_zoomStrip.width() < 2 * area.width())
    m_zoomStrip = QImage(kZoomWidth, 2 * StripRows, QImage::Format_RGB32);
  if (m_strip.width() < area.width() ||
      (zoom && m_zoomStrip.width() < 2 * area.width()))
    return true; // no memory for the strips
  const size_t bytes = size_t(area.width()) * sizeof(QRgb);
  uchar *const strip = m_strip.bits();
  const qsizetype stripStride = m_strip.bytesPerLine();
  for (int top = area.top(); top <= area.bottom(); top += StripRows) {
    const int rows = std::min(StripRows, area.bottom() + 1 - top);
    {
      QMutexLocker lock(&m_lock);
      // Pictures of another size (or none) since: the next paint shows them.
      if (m_screen.isNull() || !m_screen.rect().contains(area))
        return true;
      const uchar *screen = m_screen.constBits() +
                            qsizetype(top) * m_screen.bytesPerLine() +
                            qsizetype(area.left()) * sizeof(QRgb);
      for (int row = 0; row < rows; ++row, screen += m_screen.bytesPerLine())
        std::memcpy(strip + row * stripStride, screen, bytes);
    }
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

void ScreenCanvas::notify() {
  if (!m_notifyPending.exchange(true))
    emit changed();
}
