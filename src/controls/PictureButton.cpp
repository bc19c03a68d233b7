#include "controls/PictureButton.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPointer>

PictureButton::PictureButton(QWidget *parent) : QWidget(parent) {
  setAutoFillBackground(false);
  // Moves without a pressed mouse button are reported too (mouseMoved).
  setMouseTracking(true);
  resize(40, 40);
  updateOpaque();
}

PictureButton::~PictureButton() = default;

void PictureButton::setGlyph(const QImage &glyph) {
  m_shape.setGlyph(glyph);
  if (glyph.width() <= 0 && glyph.height() <= 0) {
    updateOpaque();
    update();
    return;
  }
  buildRegion();
  resize(glyph.width() + 2, glyph.height() + 2);
  update();
}

void PictureButton::loadGlyph(const QImage &glyph) {
  loadGlyph(glyph, QImage());
}

void PictureButton::loadGlyph(const QImage &glyph, const QImage &detail) {
  QImage logical = glyph;
  logical.setDevicePixelRatio(1);
  m_shape.setGlyph(logical);
  const qreal ratio = detail.devicePixelRatio();
  const bool useful = !detail.isNull() && ratio > 1 &&
                      detail.width() == qRound(glyph.width() * ratio) &&
                      detail.height() == qRound(glyph.height() * ratio);
  m_detailRatio = useful ? ratio : 1;
  QImage pixels = useful ? detail : QImage();
  pixels.setDevicePixelRatio(1);
  m_detail.setGlyph(pixels);
  updateOpaque();
  update();
}

void PictureButton::loaded() {
  buildRegion();
  update();
}

void PictureButton::setButtonStyle(PictureButtonStyle style) {
  if (style != m_style) {
    m_style = style;
    if (m_ready)
      renderStates();
  }
  update();
}

void PictureButton::setDown(bool down) {
  if (m_groupIndex == 0)
    down = false;
  if (down == m_down)
    return;
  m_down = down;
  m_latched = down;
  update();
  if (down)
    sendGroupPressed();
}

void PictureButton::setPictureVisible(bool visible) {
  m_visible = visible;
  if (m_ready)
    buildRegion();
  else
    setArea(visible ? Area::Whole : Area::Empty);
  update();
}

QColor PictureButton::color() const {
  if (m_color.isValid())
    return m_color;
  if (const QWidget *p = parentWidget())
    return p->palette().color(QPalette::Window);
  return palette().color(QPalette::Window);
}

QImage PictureButton::shownImage() const {
  if (m_area == Area::Empty || m_shape.isEmpty())
    return {};
  if (m_down)
    return downImage();
  if (m_style == PictureButtonStyle::Flat && m_mouseInside)
    return hotImage();
  return upImage();
}

QImage PictureButton::paintedImage() const {
  if (m_area == Area::Empty || m_shape.isEmpty())
    return {};
  if (m_detail.isEmpty())
    return shownImage();
  QImage image = m_down ? m_detail.downImage()
                 : m_style == PictureButtonStyle::Flat && m_mouseInside
                     ? m_detail.hotImage()
                     : m_detail.upImage();
  image.setDevicePixelRatio(m_detailRatio);
  return image;
}

bool PictureButton::hitTest(const QPoint &pos) const {
  if (m_area == Area::Empty || !rect().contains(pos))
    return false;
  return m_area == Area::Whole || m_region.contains(pos);
}

void PictureButton::groupPressed(int group, PictureButton *sender) {
  if (group != m_groupIndex || sender == this || !m_down)
    return;
  m_latched = false;
  m_down = false;
  m_mouseDown = false;
  update();
}

void PictureButton::buildRegion() {
  if (!m_visible || m_shape.isEmpty()) {
    setArea(Area::Empty);
    m_ready = true;
    return;
  }
  const PictureButtonShape::Outline outline = m_shape.buildRegion();
  if (outline.hasRegion)
    setArea(Area::Shaped, outline.region);
  else
    setArea(Area::Whole);
  renderStates();
  m_ready = true;
}

void PictureButton::renderStates() {
  m_shape.renderStates(m_style, color().rgb(), m_dither);
  if (!m_detail.isEmpty()) {
    m_detail.takeBackgroundColor();
    m_detail.renderStates(m_style, color().rgb(), m_dither);
  }
  updateOpaque();
  update();
}

void PictureButton::setArea(Area area, const QRegion &region) {
  m_area = area;
  m_region = area == Area::Shaped ? region : QRegion();
  // An empty mask would mean "no mask" to QWidget, so an empty area is made
  // of no mask, no painting and no mouse input instead.
  if (area == Area::Shaped)
    setMask(m_region);
  else
    clearMask();
  setAttribute(Qt::WA_TransparentForMouseEvents, area == Area::Empty);
  if (area == Area::Empty && m_mouseInside)
    pointerLeft();
  updateOpaque();
  update();
}

void PictureButton::updateOpaque() {
  // Painting is one picture copy without a background fill. Where the
  // visible area reaches beyond the picture (no mask, or a widget larger
  // than its glyph) the parent is painted beneath instead of leaving stale
  // pixels.
  bool opaque = false;
  const QImage &picture = upImage();
  if (m_area != Area::Empty && !m_shape.isEmpty() && !picture.isNull() &&
      picture.size() == m_shape.glyph().size()) {
    const QRegion visible =
        m_area == Area::Shaped ? m_region.intersected(rect()) : QRegion(rect());
    opaque = visible.subtracted(QRect(QPoint(0, 0), picture.size())).isEmpty();
  }
  setAttribute(Qt::WA_OpaquePaintEvent, opaque);
}

void PictureButton::pointerEntered() {
  m_mouseInside = true;
  m_down = m_latched || m_mouseDown;
  update();
}

void PictureButton::pointerLeft() {
  m_mouseInside = false;
  m_down = m_groupIndex != 0 && m_latched;
  update();
}

// While a mouse button is held the widget gets no enter or leave events, so
// the pointer is followed through the moves.
void PictureButton::trackPointer(const QPoint &pos) {
  const bool inside = hitTest(pos);
  if (inside && !m_mouseInside)
    pointerEntered();
  else if (!inside && m_mouseInside)
    pointerLeft();
}

void PictureButton::sendGroupPressed() {
  QWidget *p = parentWidget();
  if (!p)
    return;
  const QPointer<PictureButton> self(this);
  const QObjectList siblings = p->children();
  for (QObject *o : siblings) {
    if (!self)
      return;
    if (auto *button = qobject_cast<PictureButton *>(o))
      button->groupPressed(m_groupIndex, this);
  }
}

void PictureButton::paintEvent(QPaintEvent *) {
  const QImage picture = paintedImage();
  if (picture.isNull())
    return;
  QPainter painter(this);
  painter.drawImage(0, 0, picture);
}

void PictureButton::mousePressEvent(QMouseEvent *event) {
  const QPoint pos = event->position().toPoint();
  const QPointer<PictureButton> self(this);
  trackPointer(pos);
  emit mouseDown(event->button(), event->modifiers(), pos);
  if (!self || event->button() != Qt::LeftButton)
    return;
  m_clickPending = true;
  if (isEnabled() && !m_latched) {
    m_down = true;
    m_mouseDown = true;
    update();
  }
}

// Qt delivers the second press of a double click as the double click alone:
// it is raised, then handled as a press, so a double click counts as two
// presses and gives two clicks.
void PictureButton::mouseDoubleClickEvent(QMouseEvent *event) {
  const QPointer<PictureButton> self(this);
  if (event->button() == Qt::LeftButton)
    emit doubleClicked();
  if (self)
    mousePressEvent(event);
}

void PictureButton::mouseMoveEvent(QMouseEvent *event) {
  const QPoint pos = event->position().toPoint();
  if (event->buttons() != Qt::NoButton)
    trackPointer(pos);
  emit mouseMoved(event->buttons(), event->modifiers(), pos);
}

void PictureButton::mouseReleaseEvent(QMouseEvent *event) {
  const QPoint pos = event->position().toPoint();
  const QPointer<PictureButton> self(this);
  const bool left = event->button() == Qt::LeftButton;
  trackPointer(pos);

  // The click comes first, while the button still shows down.
  const bool click = left && m_clickPending && hitTest(pos);
  if (left)
    m_clickPending = false;
  if (click && isEnabled()) {
    emit clicked();
    if (!self)
      return;
  }
  emit mouseUp(event->button(), event->modifiers(), pos);
  if (!self || !left)
    return;

  if (m_groupIndex == 0 || !m_mouseInside) {
    m_latched = false;
    m_down = false;
    m_mouseDown = false;
    update();
  } else if (isEnabled() && !m_latched) {
    m_latched = true;
    m_down = true;
    m_mouseDown = true;
    sendGroupPressed();
    if (self)
      update();
  } else if (isEnabled() && m_latched && m_allowAllUp) {
    m_latched = false;
    m_down = false;
    m_mouseDown = false;
    update();
  }
}

void PictureButton::enterEvent(QEnterEvent *event) {
  pointerEntered();
  QWidget::enterEvent(event);
}

void PictureButton::leaveEvent(QEvent *event) {
  pointerLeft();
  QWidget::leaveEvent(event);
}

void PictureButton::changeEvent(QEvent *event) {
  if (event->type() == QEvent::EnabledChange)
    update();
  QWidget::changeEvent(event);
}

void PictureButton::resizeEvent(QResizeEvent *event) {
  updateOpaque();
  update();
  QWidget::resizeEvent(event);
}
