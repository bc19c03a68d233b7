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
  bool isEmpty() const { return first >= last; }
};

Span clip(qint64 start, qint64 length, qint64 limit) {
  return {std::max<qint64>(start, 0), std::min<qint64>(start + length, limit)};
}

} // namespace

void fillPicture(QImage &bitmap, const QColor &colour) { bitmap.fill(colour); }

ScreenCanvas::ScreenCanvas(QObject *parent) : QObject(parent) {}

void ScreenCanvas::resetPictures() {
  QImage screen(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
  screen.fill(Qt::white);
  QImage zoom(kZoomWidth, kZoomHeight, QImage::Format_RGB32);
  zoom.fill(Qt::white);
  {
    QMutexLocker lock(&m_lock);
    m_screen = std::move(screen);
    m_zoom = std::move(zoom);
    m_zoomPending = QRegion();
    markDirty(QRect(0, 0, kScreenWidth, kScreenHeight));
  }
  notify();
}

void ScreenCanvas::removePictures() {
  QImage screen;
  QImage zoom;
  {
    QMutexLocker lock(&m_lock);
    // Released after the lock; a view may still hold a shallow copy.
    m_screen.swap(screen);
    m_zoom.swap(zoom);
    m_zoomPending = QRegion();
    markDirty(QRect(0, 0, kScreenWidth, kScreenHeight));
  }
  notify();
}

void ScreenCanvas::fillZoom(const QColor &colour) {
  {
    QMutexLocker lock(&m_lock);
    if (m_zoom.isNull())
      return;
    m_zoomPending = QRegion(); // the fill covers whatever was pending
    fillPicture(m_zoom, colour);
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
        for (qint64 row = rows.first; row < rows.last; ++row) {
          auto *out = reinterpret_cast<QRgb *>(m_screen.scanLine(int(row)));
          tile.copyRow(int(row - y) + 1, int(columns.first - x) + 1, count,
                       out + columns.first);
        }
        drawn = QRect(QPoint(int(columns.first), int(rows.first)),
                      QPoint(int(columns.last - 1), int(rows.last - 1)));
        markDirty(drawn);
        changed = true;
      }
    }

    // The zoom picture is its doubled copy; the doubling is done when the
    // zoom picture is next read (a repaint, a capture), over everything
    // drawn since, so a stream of tiles does not pay for it per tile.
    if (changed && !m_zoom.isNull())
      m_zoomPending += drawn;
  }
  if (changed)
    notify();
}

QImage ScreenCanvas::screen() const {
  QMutexLocker lock(&m_lock);
  return m_screen.copy();
}

QImage ScreenCanvas::zoom() const {
  QMutexLocker lock(&m_lock);
  syncZoom();
  return m_zoom.copy();
}

bool ScreenCanvas::paint(QPainter &painter, const QRect &clip,
                          bool zoom) const {
  QMutexLocker lock(&m_lock);
  if (zoom)
    syncZoom();
  const QImage &picture = zoom ? m_zoom : m_screen;
  if (picture.isNull())
    return false;
  const QRect area = clip & picture.rect();
  if (!area.isEmpty())
    painter.drawImage(area.topLeft(), picture, area);
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

void ScreenCanvas::syncZoom() const {
  if (m_zoomPending.isEmpty() || m_zoom.isNull() || m_screen.isNull())
    return;
  for (const QRect &r : m_zoomPending) {
    const QRect area = r & m_screen.rect();
    const size_t bytes = size_t(area.width()) * 2 * 4;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      const QRgb *in =
          reinterpret_cast<const QRgb *>(m_screen.constScanLine(y)) +
          area.left();
      auto *out =
          reinterpret_cast<QRgb *>(m_zoom.scanLine(2 * y)) + 2 * area.left();
      for (int x = 0; x < area.width(); ++x)
        out[2 * x] = out[2 * x + 1] = in[x];
      std::memcpy(reinterpret_cast<QRgb *>(m_zoom.scanLine(2 * y + 1)) +
                      2 * area.left(),
                  out, bytes);
    }
  }
  m_zoomPending = QRegion();
}

void ScreenCanvas::markDirty(const QRect &screenRect) {
  m_dirty += screenRect;
}

void ScreenCanvas::notify() {
  if (!m_notifyPending.exchange(true))
    emit changed();
}
