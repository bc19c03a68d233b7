#include "screen/ScreenCanvas.h"

#include "screen/TileDecoder.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace {

// Intersection of [start, start + length) with [0, limit), in 64 bits so
// that any int position and doubled position is safe. Empty when
// first >= last.
struct Span {
  qint64 first;
  qint64 last;
  bool IsEmpty() const { return first >= last; }
};

Span Clip(qint64 start, qint64 length, qint64 limit) {
  return {std::max<qint64>(start, 0), std::min<qint64>(start + length, limit)};
}

} // namespace

TScreenCanvas::TScreenCanvas(QObject *parent) : QObject(parent) {}

void TScreenCanvas::ResetPictures() {
  QImage screen(ScreenWidth, ScreenHeight, QImage::Format_RGB32);
  screen.fill(Qt::white);
  QImage zoom(ZoomWidth, ZoomHeight, QImage::Format_RGB32);
  zoom.fill(Qt::white);
  {
    QMutexLocker lock(&m_lock);
    m_screen = std::move(screen);
    m_zoom = std::move(zoom);
    MarkDirty(QRect(0, 0, ScreenWidth, ScreenHeight));
  }
  Notify();
}

void TScreenCanvas::RemovePictures() {
  QImage screen;
  QImage zoom;
  {
    QMutexLocker lock(&m_lock);
    // Released after the lock; a view may still hold a shallow copy.
    m_screen.swap(screen);
    m_zoom.swap(zoom);
    MarkDirty(QRect(0, 0, ScreenWidth, ScreenHeight));
  }
  Notify();
}

void TScreenCanvas::FillZoom(const QColor &colour) {
  {
    QMutexLocker lock(&m_lock);
    if (m_zoom.isNull())
      return;
    m_zoom.fill(colour);
    MarkDirty(QRect(0, 0, ScreenWidth, ScreenHeight));
  }
  Notify();
}

bool TScreenCanvas::HasPictures() const {
  QMutexLocker lock(&m_lock);
  return !m_screen.isNull();
}

void TScreenCanvas::DrawTile(const QByteArray &data, int x, int y,
                             QString *warning) {
  DrawDecodedTile(DecodeTile(data, warning), x, y);
}

void TScreenCanvas::DrawDecodedTile(const QImage &decoded, int x, int y) {
  // The visible area is the image less its outermost rows and columns.
  const int width = decoded.width() - 2;
  const int height = decoded.height() - 2;
  if (width <= 0 || height <= 0)
    return;
  const QImage source = decoded.format() == QImage::Format_RGB32
                            ? decoded
                            : decoded.convertToFormat(QImage::Format_RGB32);
  auto sourcePixel = [&source](qint64 column, qint64 row) {
    return reinterpret_cast<const QRgb *>(source.constScanLine(int(row) + 1)) +
           column + 1;
  };

  bool changed = false;
  {
    QMutexLocker lock(&m_lock);

    if (!m_screen.isNull()) {
      const Span columns = Clip(x, width, m_screen.width());
      const Span rows = Clip(y, height, m_screen.height());
      if (!columns.IsEmpty() && !rows.IsEmpty()) {
        const size_t bytes = size_t(columns.last - columns.first) * 4;
        for (qint64 row = rows.first; row < rows.last; ++row) {
          auto *out = reinterpret_cast<QRgb *>(m_screen.scanLine(int(row)));
          std::memcpy(out + columns.first,
                      sourcePixel(columns.first - x, row - y), bytes);
        }
        MarkDirty(QRect(QPoint(int(columns.first), int(rows.first)),
                        QPoint(int(columns.last - 1), int(rows.last - 1))));
        changed = true;
      }
    }

    if (!m_zoom.isNull()) {
      const qint64 zoomX = 2 * qint64(x);
      const qint64 zoomY = 2 * qint64(y);
      const Span columns = Clip(zoomX, 2 * qint64(width), m_zoom.width());
      const Span rows = Clip(zoomY, 2 * qint64(height), m_zoom.height());
      if (!columns.IsEmpty() && !rows.IsEmpty()) {
        // Each source row is doubled once; the zoom row below it, when it
        // is in the tile too, is a copy of the same pixels.
        const size_t bytes = size_t(columns.last - columns.first) * 4;
        for (qint64 row = rows.first; row < rows.last; ++row) {
          auto *out = reinterpret_cast<QRgb *>(m_zoom.scanLine(int(row)));
          if (row > rows.first && (row - zoomY) % 2 == 1) {
            std::memcpy(out + columns.first,
                        reinterpret_cast<const QRgb *>(
                            m_zoom.constScanLine(int(row - 1))) +
                            columns.first,
                        bytes);
            continue;
          }
          const QRgb *in = sourcePixel(0, (row - zoomY) / 2);
          qint64 column = columns.first;
          if ((column - zoomX) % 2 == 1) { // starts on a pixel's second half
            out[column] = in[(column - zoomX) / 2];
            ++column;
          }
          const QRgb *src = in + (column - zoomX) / 2;
          for (; column + 1 < columns.last; column += 2, ++src)
            out[column] = out[column + 1] = *src;
          if (column < columns.last)
            out[column] = *src;
        }
        // Screen coordinates of the zoomed rectangle, rounded outwards.
        MarkDirty(QRect(
            QPoint(int(columns.first / 2), int(rows.first / 2)),
            QPoint(int((columns.last - 1) / 2), int((rows.last - 1) / 2))));
        changed = true;
      }
    }
  }
  if (changed)
    Notify();
}

QImage TScreenCanvas::Screen() const {
  QMutexLocker lock(&m_lock);
  return m_screen.copy();
}

QImage TScreenCanvas::Zoom() const {
  QMutexLocker lock(&m_lock);
  return m_zoom.copy();
}

bool TScreenCanvas::Paint(QPainter &painter, const QRect &clip,
                          bool zoom) const {
  QMutexLocker lock(&m_lock);
  const QImage &picture = zoom ? m_zoom : m_screen;
  if (picture.isNull())
    return false;
  const QRect area = clip & picture.rect();
  if (!area.isEmpty())
    painter.drawImage(area.topLeft(), picture, area);
  return true;
}

QRegion TScreenCanvas::TakeDirty() {
  QMutexLocker lock(&m_lock);
  QRegion dirty;
  dirty.swap(m_dirty);
  // Cleared under the lock: a change made after this point either is in
  // the region taken next time and finds the flag clear, or was taken now.
  m_notifyPending.store(false);
  return dirty;
}

void TScreenCanvas::MarkDirty(const QRect &screenRect) {
  m_dirty += screenRect;
}

void TScreenCanvas::Notify() {
  if (!m_notifyPending.exchange(true))
    emit Changed();
}
