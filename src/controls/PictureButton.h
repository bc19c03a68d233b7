#pragma once
// A button of the shape of its picture.
//
// The glyph's background (the colour of its top-left pixel) is cut away:
// the widget is masked to the glyph's shape grown by about one pixel, so
// clicks on the surround reach whatever lies beneath. Three state pictures
// (up, down, hot) are computed once from the glyph, and painting is one
// picture copy without a background fill.
//
// Buttons with the same non-zero groupIndex and the same parent widget form
// a radio group: the one clicked last stays down (Latched) until another
// goes down, or until it is clicked again with allowAllUp.
//
// Visible is the button's own visibility: a button with Visible false keeps
// its place but paints nothing and lets the mouse through. It is separate
// from QWidget's visibility.

#include "controls/PictureButtonShape.h"

#include <QColor>
#include <QImage>
#include <QRegion>
#include <QWidget>

class PictureButton : public QWidget {
  Q_OBJECT
  Q_PROPERTY(bool isDown READ isDown WRITE setDown)
  Q_PROPERTY(
      bool isPictureVisible READ isPictureVisible WRITE setPictureVisible)
  Q_PROPERTY(int groupIndex READ groupIndex WRITE setGroupIndex)
  Q_PROPERTY(bool allowAllUp READ allowAllUp WRITE setAllowAllUp)
  Q_PROPERTY(int tag READ tag WRITE setTag)

public:
  explicit PictureButton(QWidget *parent = nullptr);
  ~PictureButton() override;

  // Copies the glyph, builds the outline and the state pictures and makes
  // the button the glyph's size plus 2 both ways. A glyph without pixels
  // only repaints.
  void setGlyph(const QImage &glyph);
  // Copies the glyph and nothing else: the button keeps its size and is
  // built by Loaded(). For buttons placed at fixed sizes.
  void loadGlyph(const QImage &glyph);
  // As loadGlyph(glyph), with the same picture drawn at a higher device
  // pixel ratio (detail.devicePixelRatio() > 1). The shape and every hit
  // test still come from glyph, in logical pixels; the state pictures are
  // also made from detail and painted instead, so the button is sharp on a
  // scaled screen. A null detail, or one of another size, is ignored.
  void loadGlyph(const QImage &glyph, const QImage &detail);
  // Builds the outline and the state pictures once everything is set.
  void loaded();
  const QImage &glyph() const { return m_shape.glyph(); }

  // Rebuilds the state pictures when changed and the button is built.
  void setButtonStyle(PictureButtonStyle style);
  PictureButtonStyle buttonStyle() const { return m_style; }

  // Only a grouped button can be put down from code; putting one down
  // releases the others of its group. An ungrouped button stays up.
  void setDown(bool down);
  bool isDown() const { return m_down; }

  // Hides or shows the button without giving up its place; showing a built
  // button rebuilds its outline and pictures.
  void setPictureVisible(bool visible);
  bool isPictureVisible() const { return m_visible; }

  void setGroupIndex(int index) { m_groupIndex = index; }
  int groupIndex() const { return m_groupIndex; }
  void setAllowAllUp(bool allow) { m_allowAllUp = allow; }
  bool allowAllUp() const { return m_allowAllUp; }

  // Settings for the pressed picture, changed in place; they take effect at
  // the next rebuild (style, glyph or visibility change).
  PictureButtonDither &dither() { return m_dither; }
  const PictureButtonDither &dither() const { return m_dither; }

  // The button colour painted around the shape: the parent's window colour
  // unless set; an invalid colour returns to the parent's. Like Dither, it
  // takes effect at the next rebuild.
  void setColor(const QColor &color) { m_color = color; }
  QColor color() const;

  // Free for the owner (the keypad keeps a key code here).
  void setTag(int tag) { m_tag = tag; }
  int tag() const { return m_tag; }

  bool latched() const { return m_latched; }
  bool mouseInside() const { return m_mouseInside; }
  bool ready() const { return m_ready; }
  // Colour of the glyph's top-left pixel when the outline was last built.
  QRgb backgroundColor() const { return m_shape.backgroundColor(); }
  const QImage &upImage() const { return m_shape.upImage(); }
  const QImage &downImage() const { return m_shape.downImage(); }
  const QImage &hotImage() const { return m_shape.hotImage(); }
  // The picture a paint shows now, in logical pixels; a null image when
  // nothing is painted.
  QImage shownImage() const;
  // What a paint draws: shownImage(), or its detailed twin when there is one.
  QImage paintedImage() const;
  // True when the button takes the mouse at pos (its own coordinates).
  bool hitTest(const QPoint &pos) const;

  // A button of group `group` went down. Sent to every picture button with
  // the same parent as `sender`; releases this one when it is of that
  // group, is not the sender and is down. Raises no click.
  void groupPressed(int group, PictureButton *sender);

signals:
  // Left button pressed and released inside the button's shape, enabled
  // button only. Raised before the button's state changes for the release.
  void clicked();
  // Raised for the second press of a left double click, which then counts
  // as a press: a double click gives two clicks.
  void doubleClicked();
  // The usual mouse events, for any button, in the button's coordinates.
  void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                 QPoint pos);
  void mouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
                  QPoint pos);
  void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
               QPoint pos);

protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void enterEvent(QEnterEvent *event) override;
  void leaveEvent(QEvent *event) override;
  void changeEvent(QEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

private:
  // Whole: no mask, the whole rectangle. Shaped: masked to m_region.
  // Empty: paints nothing and takes no mouse input.
  enum class Area { Whole, Shaped, Empty };

  void buildRegion();
  void renderStates();
  void setArea(Area area, const QRegion &region = QRegion());
  void updateOpaque();
  void pointerEntered();
  void pointerLeft();
  void trackPointer(const QPoint &pos);
  void sendGroupPressed();

  bool m_latched = false;
  bool m_down = false;
  bool m_visible = true;
  PictureButtonShape m_shape;
  PictureButtonShape m_detail; // empty unless a detailed glyph was loaded
  qreal m_detailRatio = 1;
  int m_groupIndex = 0;
  PictureButtonStyle m_style = PictureButtonStyle::Highlight;
  bool m_mouseInside = false;
  PictureButtonDither m_dither;
  bool m_allowAllUp = false;
  bool m_ready = false;
  bool m_mouseDown = false;

  bool m_clickPending = false; // left press on the button, not yet released
  QColor m_color;
  int m_tag = 0;
  Area m_area = Area::Whole;
  QRegion m_region;
};
