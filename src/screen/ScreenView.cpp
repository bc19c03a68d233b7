#include "screen/ScreenView.h"

#include "screen/ScreenCanvas.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

TScreenImage::TScreenImage(TScreenCanvas *canvas, bool zoom, QWidget *parent)
    : QWidget(parent), m_canvas(canvas), m_zoom(zoom) {}

QSize TScreenImage::sizeHint() const {
  return m_zoom
             ? QSize(TScreenCanvas::ZoomWidth, TScreenCanvas::ZoomHeight)
             : QSize(TScreenCanvas::ScreenWidth, TScreenCanvas::ScreenHeight);
}

void TScreenImage::InvalidateScreenRegion(const QRegion &screenRegion) {
  if (!m_zoom) {
    update(screenRegion);
    return;
  }
  QRegion zoomed;
  for (const QRect &r : screenRegion)
    zoomed += QRect(2 * r.x(), 2 * r.y(), 2 * r.width(), 2 * r.height());
  update(zoomed);
}

void TScreenImage::SetOverlayText(const QString &text) {
  if (text == m_overlay)
    return;
  m_overlay = text;
  update();
}

void TScreenImage::paintEvent(QPaintEvent *event) {
  // Without a picture nothing is painted and the parent's background, drawn
  // beneath this non-opaque widget, shows.
  QPainter painter(this);
  const bool picture = m_canvas->Paint(painter, event->rect(), m_zoom);
  if (m_overlay.isEmpty())
    return;
  QColor text = palette().color(QPalette::WindowText);
  if (picture) {
    // Black over the picture keeps DimmedPercent of its brightness; light
    // text reads on what remains.
    painter.fillRect(event->rect(),
                     QColor(0, 0, 0, 255 * (100 - DimmedPercent) / 100));
    text = Qt::white;
  }
  painter.setPen(text);
  painter.setFont(font());
  const int margin = 4;
  painter.drawText(rect().adjusted(margin, margin, -margin, -margin),
                   Qt::AlignCenter | Qt::TextWordWrap, m_overlay);
}

void ConnectScreenViews(TScreenCanvas *canvas,
                        const QList<TScreenImage *> &views, int frameMs) {
  QList<QPointer<TScreenImage>> targets;
  for (TScreenImage *view : views)
    targets.append(view);
  // Repaints are paced: the first change after a repaint starts a short
  // timer, and everything drawn until it fires is taken as one region. The
  // canvas signals nothing more until then, so a stream of tiles wakes this
  // thread about once a frame, never once a tile.
  auto *frame = new QTimer(canvas);
  frame->setSingleShot(true);
  frame->setInterval(frameMs);
  QObject::connect(frame, &QTimer::timeout, canvas, [canvas, targets] {
    const QRegion dirty = canvas->TakeDirty();
    if (dirty.isEmpty())
      return;
    for (const QPointer<TScreenImage> &view : targets)
      if (view)
        view->InvalidateScreenRegion(dirty);
  });
  // The canvas lives on the GUI thread, so a change signalled by a link
  // thread is handled there.
  QObject::connect(
      canvas, &TScreenCanvas::Changed, frame, [frame] { frame->start(); },
      Qt::QueuedConnection);
  // Changes made before the views were connected are shown too.
  frame->start();
}
