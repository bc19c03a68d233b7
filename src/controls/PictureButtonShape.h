#pragma once
// Shape and state pictures of a picture button, computed from its glyph.
// Plain image work: needs no display and no widget.
//
// The glyph's top-left pixel is the background colour. The button's outline
// is a three-row band around every run of non-background pixels (one pixel
// wider on both sides) plus a wedge on top of the first row that has a run.
// The three state pictures redraw every background pixel of the glyph so
// that the shape gets a bevel along its outline.

#include <QImage>
#include <QList>
#include <QPolygon>
#include <QRegion>
#include <QtGlobal>

enum class PictureButtonStyle { Flat, Highlight, Normal, Raised };

enum class DitherStyle { Fill, Dither, Blend };

// The picture a button shows: released, pressed, or released with the
// pointer over it (flat buttons only).
enum class PictureButtonState { Up, Down, Hot };

// A colour as 0xRRGGBB; kNoColor stands for "no colour".
using ButtonColor = quint32;
constexpr ButtonColor kNoColor = 0x1FFFFFFF;

// Overlay for the pressed picture. Changing it does not rebuild anything:
// the next rebuild of the state pictures picks it up.
struct PictureButtonDither {
  DitherStyle buttonStyle = DitherStyle::Fill;
  ButtonColor color = kNoColor;
};

// One background pixel of the glyph and what lies diagonally next to it.
struct ShapePoint {
  enum : quint8 {
    Plain = 1,  // both diagonal neighbours are background
    Shadow = 2, // the pixel at X-1, Y-1 is not background
    Light = 3   // the pixel at X+1, Y+1 is not background (wins over Shadow)
  };
  qint16 x = 0;
  qint16 y = 0;
  quint8 kind = Plain;

  friend bool operator==(const ShapePoint &, const ShapePoint &) = default;
};

class PictureButtonShape {
public:
  // The outline is built from at most this many polygons; a glyph that
  // needs more gets no outline and its button keeps its whole rectangle.
  static constexpr int kMaxPolygons = 2500;
  // A glyph with more background pixels gets no edge points: its state
  // pictures are the plain glyph without a bevel.
  static constexpr int kMaxPoints = 32767;
  // A glyph wider or higher than this gets neither outline nor edge points.
  static constexpr int kMaxExtent = 32767;

  struct Outline {
    // In the order they were added: the row bands, then the top wedges.
    // A wedge repeats its first corner as its fourth.
    QList<QPolygon> polygons;
    // The pixels covered by Polygons joined with the winding rule.
    QRegion region;
    // False when no polygon was added or the glyph is beyond the limits:
    // the button then covers its whole rectangle.
    bool hasRegion = false;
    bool withinLimits = true;
  };

  PictureButtonShape() = default;

  // Stores a copy of the glyph as 32-bit RGB; nothing is rebuilt.
  void setGlyph(const QImage &glyph);
  const QImage &glyph() const { return m_glyph; }
  bool isEmpty() const { return m_glyph.width() <= 0 || m_glyph.height() <= 0; }

  // Colour of the glyph's top-left pixel as of the last buildRegion().
  QRgb backgroundColor() const { return m_background; }

  // Takes the background colour from the glyph and computes the outline.
  Outline buildRegion();
  // Takes the background colour from the glyph without an outline: for a
  // picture that is drawn but does not shape a widget.
  void takeBackgroundColor();

  // Every background pixel in row order, classified. Empty for a glyph
  // beyond kMaxPoints or kMaxExtent.
  QList<ShapePoint> collectEdgePoints() const;

  // Rebuilds the up and down pictures, and the hot one for a flat button.
  void renderStates(PictureButtonStyle style, QRgb buttonColor,
                    const PictureButtonDither &dither);

  // Draws one state picture into target, sized to the glyph. Pixels nothing
  // is drawn on keep what target held (white for a new picture).
  void renderState(QImage &target, const QList<ShapePoint> &points,
                   PictureButtonStyle style, PictureButtonState state,
                   QRgb buttonColor, const PictureButtonDither &dither) const;

  const QImage &upImage() const { return m_up; }
  const QImage &downImage() const { return m_down; }
  const QImage &hotImage() const { return m_hot; }

  // Pixels covered by the polygons joined with the winding rule, the way
  // window regions are made from polygons: pixel (x, y) belongs when the
  // point (x, y) has a non-zero winding number, a point on a left or top
  // edge counting as inside and one on a right or bottom edge as outside.
  // So the square (1,1) (4,1) (4,4) (1,4) covers pixels 1 to 3 both ways.
  static QRegion polygonRegion(const QList<QPolygon> &polygons);

  // Draws glyph onto target with its top-left corner at x, y, leaving out
  // every pixel of the colour of the glyph's bottom-left pixel.
  static void drawTransparent(QImage &target, const QImage &glyph, int x,
                              int y);

  // A checkerboard of color over target: even columns on even rows, odd
  // columns on odd rows.
  static void ditherPattern(QImage &target, QRgb color);

private:
  QImage m_glyph;
  QRgb m_background = 0;
  QImage m_up;
  QImage m_down;
  QImage m_hot;
};
