#include "screen/ScreenView.h"

#include "screen/ScreenCanvas.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

ScreenImage::ScreenImage(ScreenCanvas *canvas, bool zoom, QWidget *parent)
    : QWidget(parent), m_canvas(canvas), m_zoom(zoom) {}

QSize ScreenImage::sizeHint() const {
  return m_zoom
             ? QSize(ScreenCanvas::kZoomWidth, ScreenCanvas::kZoomHeight)
             : QSize(ScreenCanvas::kScreenWidth, ScreenCanvas::kScreenHeight);
}

void ScreenImage::invalidateScreenRegion(const QRegion &screenRegion) {
  if (!m_zoom) {
    update(screenRegion);
    return;
  }
  QRegion zoomed;
  for (const QRect &r : screenRegion)
    zoomed += QRect(2 * r.x(), 2 * r.y(), 2 * r.width(), 2 * r.height());
  update(zoomed);
}

void ScreenImage::setOverlayText(const QString &text) {
  if (text == m_overlay)
    return;
  m_overlay = text;
  update();
}

void ScreenImage::paintEvent(QPaintEvent *event) {
  // Without a picture nothing is painted and the parent's background, drawn
  // beneath this non-opaque widget, shows.
  QPainter painter(this);
  const bool picture = m_canvas->paint(painter, event->rect(), m_zoom);
  if (m_overlay.isEmpty())
    return;
  QColor text = palette().color(QPalette::WindowText);
  if (picture) {
    // Black over the picture keeps kDimmedPercent of its brightness; light
    // text reads on what remains.
    painter.fillRect(event->rect(),
                     QColor(0, 0, 0, 255 * (100 - kDimmedPercent) / 100));
    text = Qt::white;
  }
  painter.setPen(text);
  painter.setFont(font());
  const int margin = 4;
  painter.drawText(rect().adjusted(margin, margin, -margin, -margin),
                   Qt::AlignCenter | Qt::TextWordWrap, m_overlay);
}

void connectScreenViews(ScreenCanvas *canvas,
                        const QList<ScreenImage *> &views, int frameMs) {
  QList<QPointer<ScreenImage>> targets;
  for (ScreenImage *view : views)
    targets.append(view);
  // Repaints are paced: the first change after a repaint starts a short
  // timer, and everything drawn until it fires is taken as one region. The
  // canvas signals nothing more until then, so a stream of tiles wakes this
  // thread about once a frame, never once a tile.
  auto *frame = new QTimer(canvas);
  frame->setSingleShot(true);
  frame->setInterval(frameMs);
  QObject::connect(frame, &QTimer::timeout, canvas, [canvas, targets] {
    const QRegion dirty = canvas->takeDirty();
    if (dirty.isEmpty())
      return;
    for (const QPointer<ScreenImage> &view : targets)
      if (view)
        view->invalidateScreenRegion(dirty);
  });
  // The canvas lives on the GUI thread, so a change signalled by a link
  // thread is handled there.
  QObject::connect(
      canvas, &ScreenCanvas::changed, frame, [frame] { frame->start(); },
      Qt::QueuedConnection);
  // Changes made before the views were connected are shown too.
  frame->start();
}
