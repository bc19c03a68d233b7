#include "screen/ScreenView.h"

#include "screen/ScreenCanvas.h"
#include "settings/Language.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDrag>
#include <QElapsedTimer>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <memory>

ScreenImage::ScreenImage(ScreenCanvas *canvas, bool zoom, QWidget *parent)
    : QWidget(parent), m_canvas(canvas), m_zoom(zoom) {}

ScreenImage::~ScreenImage() = default;

QSize ScreenImage::sizeHint() const {
  return m_zoom
             ? QSize(ScreenCanvas::kZoomWidth, ScreenCanvas::kZoomHeight)
             : QSize(ScreenCanvas::kScreenWidth, ScreenCanvas::kScreenHeight);
}

void ScreenImage::updateOpaque() {
  const QSize picture =
      m_zoom ? QSize(ScreenCanvas::kZoomWidth, ScreenCanvas::kZoomHeight)
             : QSize(ScreenCanvas::kScreenWidth, ScreenCanvas::kScreenHeight);
  setAttribute(Qt::WA_OpaquePaintEvent, m_canvas->hasPictures() &&
                                            width() <= picture.width() &&
                                            height() <= picture.height());
}

void ScreenImage::invalidateScreenRegion(const QRegion &screenRegion) {
  updateOpaque();
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

bool ScreenImage::copyScreen() const {
  const QImage picture = m_canvas->screen();
  if (picture.isNull())
    return false;
  QApplication::clipboard()->setImage(picture);
  return true;
}

QMimeData *ScreenImage::screenMimeData() {
  const QImage picture = m_canvas->screen();
  if (picture.isNull())
    return nullptr;
  if (!m_dragDir) {
    m_dragDir = std::make_unique<QTemporaryDir>();
    if (!m_dragDir->isValid()) {
      m_dragDir.reset();
      return nullptr;
    }
  }
  // Named by the time like a screenshot, so drops of several drags differ.
  const QString path =
      m_dragDir->filePath(QDateTime::currentDateTime().toString(
                              QStringLiteral("yyyyMMddhhmmsszzz")) +
                          QStringLiteral(".png"));
  if (!picture.save(path, "PNG"))
    return nullptr;
  auto *data = new QMimeData;
  data->setImageData(picture);
  data->setUrls({QUrl::fromLocalFile(path)});
  return data;
}

void ScreenImage::contextMenuEvent(QContextMenuEvent *event) {
  QMenu menu(this);
  const bool picture = m_canvas->hasPictures();
  QAction *copy = menu.addAction(uiText("UiCopyScreen"));
  copy->setEnabled(picture);
  connect(copy, &QAction::triggered, this, [this] { copyScreen(); });
  QAction *save = menu.addAction(uiText("UiSaveScreenshot"));
  save->setEnabled(picture);
  connect(save, &QAction::triggered, this, &ScreenImage::screenshotRequested);
  menu.exec(event->globalPos());
}

void ScreenImage::mousePressEvent(QMouseEvent *event) {
  m_pressed = event->button() == Qt::LeftButton;
  m_pressPos = event->position().toPoint();
  if (m_pressed)
    event->accept(); // the moves that follow may start a drag
  else
    QWidget::mousePressEvent(event);
}

void ScreenImage::mouseMoveEvent(QMouseEvent *event) {
  if (!m_pressed || !(event->buttons() & Qt::LeftButton) ||
      (event->position().toPoint() - m_pressPos).manhattanLength() <
          QApplication::startDragDistance()) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  m_pressed = false;
  QMimeData *data = screenMimeData();
  if (!data)
    return;
  auto *drag = new QDrag(this);
  const QImage picture = data->imageData().value<QImage>();
  drag->setMimeData(data);
  drag->setPixmap(QPixmap::fromImage(picture.scaled(
      picture.size() / 2, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  drag->exec(Qt::CopyAction);
}

void connectScreenViews(ScreenCanvas *canvas, const QList<ScreenImage *> &views,
                        int frameMs) {
  QList<QPointer<ScreenImage>> targets;
  for (ScreenImage *view : views)
    targets.append(view);
  // A change shown at once when the last repaint was a frame or more ago;
  // within a frame of it, everything drawn until the frame is up is taken
  // as one region. The canvas signals nothing more until its dirty region
  // is taken, so a lone tile is on screen at the next paint, and a stream
  // of tiles wakes this thread about once a frame, never once a tile.
  auto *frame = new QTimer(canvas);
  frame->setSingleShot(true);
  frame->setTimerType(Qt::PreciseTimer);
  auto lastShown = std::make_shared<QElapsedTimer>(); // invalid: never
  auto show = [canvas, targets, lastShown] {
    const QRegion dirty = canvas->takeDirty();
    if (dirty.isEmpty())
      return;
    lastShown->start();
    for (const QPointer<ScreenImage> &view : targets)
      if (view)
        view->invalidateScreenRegion(dirty);
  };
  QObject::connect(frame, &QTimer::timeout, canvas, show);
  // The canvas lives on the GUI thread, so a change signalled by a link
  // thread is handled there.
  QObject::connect(
      canvas, &ScreenCanvas::changed, frame,
      [frame, lastShown, frameMs, show] {
        if (frame->isActive())
          return; // the frame's repaint will take this change too
        const qint64 since =
            lastShown->isValid() ? lastShown->elapsed() : qint64(frameMs);
        if (since >= frameMs)
          show();
        else
          frame->start(int(frameMs - since));
      },
      Qt::QueuedConnection);
  // Changes made before the views were connected are shown too.
  show();
}
