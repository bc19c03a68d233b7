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

void FillPicture(QImage &bitmap, const QColor &colour) { bitmap.fill(colour); }

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
    m_zoomPending = QRegion();
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
    m_zoomPending = QRegion();
    MarkDirty(QRect(0, 0, ScreenWidth, ScreenHeight));
  }
  Notify();
}

void TScreenCanvas::FillZoom(const QColor &colour) {
  {
    QMutexLocker lock(&m_lock);
    if (m_zoom.isNull())
      return;
    m_zoomPending = QRegion(); // the fill covers whatever was pending
    FillPicture(m_zoom, colour);
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
  // Decoded outside the pictures' lock, so painting never waits for it.
  QMutexLocker lock(&m_decodeLock);
  DrawRows(m_decoder.DecodeRows(data, warning), x, y);
}

void TScreenCanvas::DrawDecodedTile(const QImage &decoded, int x, int y) {
  const QImage source = decoded.format() == QImage::Format_RGB32
                            ? decoded
                            : decoded.convertToFormat(QImage::Format_RGB32);
  DrawRows(TTileRows(source), x, y);
}

void TScreenCanvas::DrawRows(const TTileRows &tile, int x, int y) {
  // The visible area is the image less its outermost rows and columns.
  const int width = tile.Width() - 2;
  const int height = tile.Height() - 2;
  if (width <= 0 || height <= 0)
    return;

  bool changed = false;
  QRect drawn;
  {
    QMutexLocker lock(&m_lock);

    if (!m_screen.isNull()) {
      const Span columns = Clip(x, width, m_screen.width());
      const Span rows = Clip(y, height, m_screen.height());
      if (!columns.IsEmpty() && !rows.IsEmpty()) {
        const int count = int(columns.last - columns.first);
        for (qint64 row = rows.first; row < rows.last; ++row) {
          auto *out = reinterpret_cast<QRgb *>(m_screen.scanLine(int(row)));
          tile.CopyRow(int(row - y) + 1, int(columns.first - x) + 1, count,
                       out + columns.first);
        }
        drawn = QRect(QPoint(int(columns.first), int(rows.first)),
                      QPoint(int(columns.last - 1), int(rows.last - 1)));
        MarkDirty(drawn);
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
    Notify();
}

QImage TScreenCanvas::Screen() const {
  QMutexLocker lock(&m_lock);
  return m_screen.copy();
}

QImage TScreenCanvas::Zoom() const {
  QMutexLocker lock(&m_lock);
  SyncZoom();
  return m_zoom.copy();
}

bool TScreenCanvas::Paint(QPainter &painter, const QRect &clip,
                          bool zoom) const {
  QMutexLocker lock(&m_lock);
  if (zoom)
    SyncZoom();
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

void TScreenCanvas::SyncZoom() const {
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

void TScreenCanvas::MarkDirty(const QRect &screenRect) {
  m_dirty += screenRect;
}

void TScreenCanvas::Notify() {
  if (!m_notifyPending.exchange(true))
    emit Changed();
}
