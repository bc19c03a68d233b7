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

enum TdxfButtonStyle {
  dxfFlat = 0,
  dxfHighlight = 1,
  dxfNormal = 2,
  dxfRaised = 3
};

enum TdxfDitherStyle { dxfFill = 0, dxfDither = 1, dxfDitherBlend = 2 };

// The picture a button shows: released, pressed, or released with the
// pointer over it (flat buttons only).
enum TdxfButtonState { dxfStateUp = 0, dxfStateDown = 1, dxfStateHot = 2 };

// A colour as 0xRRGGBB; clNone stands for "no colour".
using TdxfColor = quint32;
constexpr TdxfColor clNone = 0x1FFFFFFF;

// Overlay for the pressed picture. Changing it does not rebuild anything:
// the next rebuild of the state pictures picks it up.
struct TdxfDither {
  TdxfDitherStyle Style = dxfFill;
  TdxfColor Color = clNone;
};

// One background pixel of the glyph and what lies diagonally next to it.
struct TdxfPoint {
  enum : quint8 {
    Plain = 1,  // both diagonal neighbours are background
    Shadow = 2, // the pixel at X-1, Y-1 is not background
    Light = 3   // the pixel at X+1, Y+1 is not background (wins over Shadow)
  };
  qint16 X = 0;
  qint16 Y = 0;
  quint8 Kind = Plain;

  friend bool operator==(const TdxfPoint &, const TdxfPoint &) = default;
};

class TdxfGlyphShape {
public:
  // The outline is built from at most this many polygons; a glyph that
  // needs more gets no outline and its button keeps its whole rectangle.
  static constexpr int MaxPolygons = 2500;
  // A glyph with more background pixels gets no edge points: its state
  // pictures are the plain glyph without a bevel.
  static constexpr int MaxPoints = 32767;
  // A glyph wider or higher than this gets neither outline nor edge points.
  static constexpr int MaxExtent = 32767;

  struct Outline {
    // In the order they were added: the row bands, then the top wedges.
    // A wedge repeats its first corner as its fourth.
    QList<QPolygon> Polygons;
    // The pixels covered by Polygons joined with the winding rule.
    QRegion Region;
    // False when no polygon was added or the glyph is beyond the limits:
    // the button then covers its whole rectangle.
    bool HasRegion = false;
    bool WithinLimits = true;
  };

  TdxfGlyphShape() = default;

  // Stores a copy of the glyph as 32-bit RGB; nothing is rebuilt.
  void SetGlyph(const QImage &glyph);
  const QImage &Glyph() const { return m_glyph; }
  bool IsEmpty() const { return m_glyph.width() <= 0 || m_glyph.height() <= 0; }

  // Colour of the glyph's top-left pixel as of the last BuildRegion().
  QRgb BackgroundColor() const { return m_background; }

  // Takes the background colour from the glyph and computes the outline.
  Outline BuildRegion();

  // Every background pixel in row order, classified. Empty for a glyph
  // beyond MaxPoints or MaxExtent.
  QList<TdxfPoint> CollectEdgePoints() const;

  // Rebuilds the up and down pictures, and the hot one for dxfFlat.
  void RenderStates(TdxfButtonStyle style, QRgb buttonColor,
                    const TdxfDither &dither);

  // Draws one state picture into target, sized to the glyph. Pixels nothing
  // is drawn on keep what target held (white for a new picture).
  void RenderState(QImage &target, const QList<TdxfPoint> &points,
                   TdxfButtonStyle style, TdxfButtonState state,
                   QRgb buttonColor, const TdxfDither &dither) const;

  const QImage &UpImage() const { return m_up; }
  const QImage &DownImage() const { return m_down; }
  const QImage &HotImage() const { return m_hot; }

  // Pixels covered by the polygons joined with the winding rule, the way
  // window regions are made from polygons: pixel (x, y) belongs when the
  // point (x, y) has a non-zero winding number, a point on a left or top
  // edge counting as inside and one on a right or bottom edge as outside.
  // So the square (1,1) (4,1) (4,4) (1,4) covers pixels 1 to 3 both ways.
  static QRegion PolygonRegion(const QList<QPolygon> &polygons);

  // Draws glyph onto target with its top-left corner at x, y, leaving out
  // every pixel of the colour of the glyph's bottom-left pixel.
  static void DrawTransparent(QImage &target, const QImage &glyph, int x,
                              int y);

  // A checkerboard of color over target: even columns on even rows, odd
  // columns on odd rows.
  static void DitherPattern(QImage &target, QRgb color);

private:
  QImage m_glyph;
  QRgb m_background = 0;
  QImage m_up;
  QImage m_down;
  QImage m_hot;
};
