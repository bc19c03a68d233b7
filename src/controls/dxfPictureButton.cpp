#include "controls/dxfPictureButton.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPointer>

TdxfPictureButton::TdxfPictureButton(QWidget *parent) : QWidget(parent) {
  setAutoFillBackground(false);
  // Moves without a pressed mouse button are reported too (mouseMoved).
  setMouseTracking(true);
  resize(40, 40);
  UpdateOpaque();
}

TdxfPictureButton::~TdxfPictureButton() = default;

void TdxfPictureButton::SetGlyph(const QImage &glyph) {
  m_shape.SetGlyph(glyph);
  if (glyph.width() <= 0 && glyph.height() <= 0) {
    UpdateOpaque();
    update();
    return;
  }
  BuildRegion();
  resize(glyph.width() + 2, glyph.height() + 2);
  update();
}

void TdxfPictureButton::LoadGlyph(const QImage &glyph) {
  m_shape.SetGlyph(glyph);
  UpdateOpaque();
  update();
}

void TdxfPictureButton::Loaded() {
  BuildRegion();
  update();
}

void TdxfPictureButton::SetStyle(TdxfButtonStyle style) {
  if (style != m_style) {
    m_style = style;
    if (m_ready)
      RenderStates();
  }
  update();
}

void TdxfPictureButton::SetDown(bool down) {
  if (m_groupIndex == 0)
    down = false;
  if (down == m_down)
    return;
  m_down = down;
  m_latched = down;
  update();
  if (down)
    SendGroupPressed();
}

void TdxfPictureButton::SetVisible(bool visible) {
  m_visible = visible;
  if (m_ready)
    BuildRegion();
  else
    SetArea(visible ? Area::Whole : Area::Empty);
  update();
}

QColor TdxfPictureButton::Color() const {
  if (m_color.isValid())
    return m_color;
  if (const QWidget *p = parentWidget())
    return p->palette().color(QPalette::Window);
  return palette().color(QPalette::Window);
}

QImage TdxfPictureButton::ShownImage() const {
  if (m_area == Area::Empty || m_shape.IsEmpty())
    return {};
  if (m_down)
    return DownImage();
  if (m_style == dxfFlat && m_mouseInside)
    return HotImage();
  return UpImage();
}

bool TdxfPictureButton::HitTest(const QPoint &pos) const {
  if (m_area == Area::Empty || !rect().contains(pos))
    return false;
  return m_area == Area::Whole || m_region.contains(pos);
}

void TdxfPictureButton::GroupPressed(int group, TdxfPictureButton *sender) {
  if (group != m_groupIndex || sender == this || !m_down)
    return;
  m_latched = false;
  m_down = false;
  m_mouseDown = false;
  update();
}

void TdxfPictureButton::BuildRegion() {
  if (!m_visible || m_shape.IsEmpty()) {
    SetArea(Area::Empty);
    m_ready = true;
    return;
  }
  const TdxfGlyphShape::Outline outline = m_shape.BuildRegion();
  if (outline.HasRegion)
    SetArea(Area::Shaped, outline.Region);
  else
    SetArea(Area::Whole);
  RenderStates();
  m_ready = true;
}

void TdxfPictureButton::RenderStates() {
  m_shape.RenderStates(m_style, Color().rgb(), m_dither);
  UpdateOpaque();
  update();
}

void TdxfPictureButton::SetArea(Area area, const QRegion &region) {
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
    PointerLeft();
  UpdateOpaque();
  update();
}

void TdxfPictureButton::UpdateOpaque() {
  // Painting is one picture copy without a background fill. Where the
  // visible area reaches beyond the picture (no mask, or a widget larger
  // than its glyph) the parent is painted beneath instead of leaving stale
  // pixels.
  bool opaque = false;
  const QImage &picture = UpImage();
  if (m_area != Area::Empty && !m_shape.IsEmpty() && !picture.isNull() &&
      picture.size() == m_shape.Glyph().size()) {
    const QRegion visible =
        m_area == Area::Shaped ? m_region.intersected(rect()) : QRegion(rect());
    opaque = visible.subtracted(QRect(QPoint(0, 0), picture.size())).isEmpty();
  }
  setAttribute(Qt::WA_OpaquePaintEvent, opaque);
}

void TdxfPictureButton::PointerEntered() {
  m_mouseInside = true;
  m_down = m_latched || m_mouseDown;
  update();
}

void TdxfPictureButton::PointerLeft() {
  m_mouseInside = false;
  m_down = m_groupIndex != 0 && m_latched;
  update();
}

// While a mouse button is held the widget gets no enter or leave events, so
// the pointer is followed through the moves.
void TdxfPictureButton::TrackPointer(const QPoint &pos) {
  const bool inside = HitTest(pos);
  if (inside && !m_mouseInside)
    PointerEntered();
  else if (!inside && m_mouseInside)
    PointerLeft();
}

void TdxfPictureButton::SendGroupPressed() {
  QWidget *p = parentWidget();
  if (!p)
    return;
  const QPointer<TdxfPictureButton> self(this);
  const QObjectList siblings = p->children();
  for (QObject *o : siblings) {
    if (!self)
      return;
    if (auto *button = qobject_cast<TdxfPictureButton *>(o))
      button->GroupPressed(m_groupIndex, this);
  }
}

void TdxfPictureButton::paintEvent(QPaintEvent *) {
  const QImage picture = ShownImage();
  if (picture.isNull())
    return;
  QPainter painter(this);
  painter.drawImage(0, 0, picture);
}

void TdxfPictureButton::mousePressEvent(QMouseEvent *event) {
  const QPoint pos = event->position().toPoint();
  const QPointer<TdxfPictureButton> self(this);
  TrackPointer(pos);
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
void TdxfPictureButton::mouseDoubleClickEvent(QMouseEvent *event) {
  const QPointer<TdxfPictureButton> self(this);
  if (event->button() == Qt::LeftButton)
    emit doubleClicked();
  if (self)
    mousePressEvent(event);
}

void TdxfPictureButton::mouseMoveEvent(QMouseEvent *event) {
  const QPoint pos = event->position().toPoint();
  if (event->buttons() != Qt::NoButton)
    TrackPointer(pos);
  emit mouseMoved(event->buttons(), event->modifiers(), pos);
}

void TdxfPictureButton::mouseReleaseEvent(QMouseEvent *event) {
  const QPoint pos = event->position().toPoint();
  const QPointer<TdxfPictureButton> self(this);
  const bool left = event->button() == Qt::LeftButton;
  TrackPointer(pos);

  // The click comes first, while the button still shows down.
  const bool click = left && m_clickPending && HitTest(pos);
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
    SendGroupPressed();
    if (self)
      update();
  } else if (isEnabled() && m_latched && m_allowAllUp) {
    m_latched = false;
    m_down = false;
    m_mouseDown = false;
    update();
  }
}

void TdxfPictureButton::enterEvent(QEnterEvent *event) {
  PointerEntered();
  QWidget::enterEvent(event);
}

void TdxfPictureButton::leaveEvent(QEvent *event) {
  PointerLeft();
  QWidget::leaveEvent(event);
}

void TdxfPictureButton::changeEvent(QEvent *event) {
  if (event->type() == QEvent::EnabledChange)
    update();
  QWidget::changeEvent(event);
}

void TdxfPictureButton::resizeEvent(QResizeEvent *event) {
  UpdateOpaque();
  update();
  QWidget::resizeEvent(event);
}
