// Outline, edge points and state pictures of picture button glyphs.
#include "controls/PictureButtonShape.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <map>
#include <string>
#include <vector>

namespace {

using Grid = std::vector<std::string>;

// Colours of the test glyphs and pictures, one letter each.
const std::map<char, QRgb> kColours = {
    {'Y', 0xFFFFFF00},                                       // glyph background
    {'R', 0xFFFF0000},                                       // glyph shape
    {'G', 0xFF00FF00}, {'B', 0xFF0000FF}, {'W', 0xFFFFFFFF}, // white
    {'k', 0xFF000000},                                       // black
    {'g', 0xFF808080},                                       // grey
    {'c', 0xFF336699},                                       // button colour
    {'d', 0xFF00CC66},                                       // dither colour
};
constexpr QRgb kButton = 0xFF336699;
constexpr ButtonColor kDither = 0x00CC66;

QImage makeImage(const Grid &rows) {
  QImage image(int(rows[0].size()), int(rows.size()), QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, kColours.at(rows[y][x]));
  return image;
}

Grid toGrid(const QImage &image) {
  Grid rows;
  for (int y = 0; y < image.height(); ++y) {
    std::string row;
    for (int x = 0; x < image.width(); ++x) {
      char letter = '?';
      for (const auto &[ch, rgb] : kColours)
        if (rgb == image.pixel(x, y))
          letter = ch;
      row += letter;
    }
    rows.push_back(row);
  }
  return rows;
}

// '#' for every pixel of area in the region.
Grid regionGrid(const QRegion &region, const QRect &area) {
  Grid rows;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    std::string row;
    for (int x = area.left(); x <= area.right(); ++x)
      row += region.contains(QPoint(x, y)) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

Grid kindGrid(const QList<ShapePoint> &points, int w, int h) {
  Grid rows(h, std::string(w, '.'));
  for (const ShapePoint &p : points)
    rows[p.y][p.x] = char('0' + p.kind);
  return rows;
}

// A 6 x 6 glyph: a 2 x 2 block on a yellow background.
const Grid kBlockGlyph = {"YYYYYY", "YYYYYY", "YYRRYY",
                          "YYRRYY", "YYYYYY", "YYYYYY"};

QImage render(const Grid &glyph, PictureButtonStyle style,
              PictureButtonState state, const PictureButtonDither &dither = {},
              QImage target = {}) {
  PictureButtonShape shape;
  shape.setGlyph(makeImage(glyph));
  shape.buildRegion();
  shape.renderState(target, shape.collectEdgePoints(), style, state, kButton,
                    dither);
  return target;
}

} // namespace

TEST(PictureButtonShape, SinglePixelGlyphGivesBandWedgeAndRing) {
  PictureButtonShape shape;
  shape.setGlyph(makeImage({"WWWWW", "WWWWW", "WWRWW", "WWWWW", "WWWWW"}));
  const PictureButtonShape::Outline outline = shape.buildRegion();

  EXPECT_EQ(shape.backgroundColor(), kColours.at('W'));
  ASSERT_EQ(outline.polygons.size(), 2);
  EXPECT_EQ(outline.polygons[0],
            QPolygon({QPoint(1, 1), QPoint(4, 1), QPoint(4, 4), QPoint(1, 4)}));
  EXPECT_EQ(outline.polygons[1],
            QPolygon({QPoint(2, 0), QPoint(3, 0), QPoint(3, 2), QPoint(2, 0)}));
  ASSERT_TRUE(outline.hasRegion);
  EXPECT_TRUE(outline.withinLimits);
  // The band covers columns and rows 1 to 3; the wedge adds its top-left
  // pixel only.
  EXPECT_EQ(regionGrid(outline.region, QRect(-1, -1, 7, 7)),
            Grid({".......", "...#...", "..###..", "..###..", "..###..",
                  ".......", "......."}));
  EXPECT_EQ(outline.region.boundingRect(), QRect(1, 0, 3, 4));

  const QList<ShapePoint> points = shape.collectEdgePoints();
  ASSERT_EQ(points.size(), 24);
  EXPECT_EQ(kindGrid(points, 5, 5),
            Grid({"11111", "13111", "11.11", "11121", "11111"}));
  // Row by row, left to right.
  for (qsizetype i = 1; i < points.size(); ++i)
    EXPECT_LT(points[i - 1].y * 5 + points[i - 1].x,
              points[i].y * 5 + points[i].x);
}

TEST(PictureButtonShape, RunsReachingTheRightEdgeAddNoPolygon) {
  PictureButtonShape shape;
  shape.setGlyph(makeImage({"WRRR", "WRRR", "WWRR"}));
  PictureButtonShape::Outline outline = shape.buildRegion();
  EXPECT_TRUE(outline.polygons.isEmpty());
  EXPECT_FALSE(outline.hasRegion);
  EXPECT_TRUE(outline.region.isEmpty());

  // One closed run in the last row: one band, and the wedge over it.
  shape.setGlyph(makeImage({"WRRR", "WRRR", "WRWR"}));
  outline = shape.buildRegion();
  ASSERT_EQ(outline.polygons.size(), 2);
  EXPECT_EQ(outline.polygons[0],
            QPolygon({QPoint(0, 1), QPoint(3, 1), QPoint(3, 4), QPoint(0, 4)}));
  EXPECT_EQ(outline.polygons[1],
            QPolygon({QPoint(1, 0), QPoint(2, 0), QPoint(2, 2), QPoint(1, 0)}));
  EXPECT_TRUE(outline.hasRegion);
}

TEST(PictureButtonShape, PolygonRegionCoversPixelsLikeAWindowRegion) {
  const QPolygon square(
      {QPoint(1, 1), QPoint(4, 1), QPoint(4, 4), QPoint(1, 4)});
  EXPECT_EQ(regionGrid(PictureButtonShape::polygonRegion({square}),
                       QRect(0, 0, 6, 6)),
            Grid({"......", ".###..", ".###..", ".###..", "......", "......"}));

  // Winding rule: an inner square running the other way is a hole, one
  // running the same way is not.
  const QPolygon outer(
      {QPoint(0, 0), QPoint(6, 0), QPoint(6, 6), QPoint(0, 6)});
  const QPolygon innerBack(
      {QPoint(2, 2), QPoint(2, 4), QPoint(4, 4), QPoint(4, 2)});
  const QPolygon innerSame(
      {QPoint(2, 2), QPoint(4, 2), QPoint(4, 4), QPoint(2, 4)});
  EXPECT_EQ(regionGrid(PictureButtonShape::polygonRegion({outer, innerBack}),
                       QRect(0, 0, 7, 7)),
            Grid({"######.", "######.", "##..##.", "##..##.", "######.",
                  "######.", "......."}));
  EXPECT_EQ(regionGrid(PictureButtonShape::polygonRegion({outer, innerSame}),
                       QRect(0, 0, 7, 7)),
            regionGrid(QRegion(0, 0, 6, 6), QRect(0, 0, 7, 7)));

  // Slanted edges: Qt's own polygon regions follow the same pixel rule, so
  // single polygons, self-crossing ones included, must agree with them.
  QRandomGenerator rng(4711);
  for (int round = 0; round < 300; ++round) {
    QPolygon poly;
    const int corners = 3 + rng.bounded(5);
    for (int i = 0; i < corners; ++i)
      poly << QPoint(rng.bounded(-4, 14), rng.bounded(-4, 14));
    const QRect area(-5, -5, 20, 20);
    ASSERT_EQ(regionGrid(PictureButtonShape::polygonRegion({poly}), area),
              regionGrid(QRegion(poly, Qt::WindingFill), area))
        << "round " << round;
  }
}

TEST(PictureButtonShape, StateTable) {
  // Edge kinds of the block glyph, for reading the pictures below.
  PictureButtonShape shape;
  shape.setGlyph(makeImage(kBlockGlyph));
  shape.buildRegion();
  ASSERT_EQ(kindGrid(shape.collectEdgePoints(), 6, 6),
            Grid({"111111", "133111", "13..11", "11..21", "111221", "111111"}));

  const Grid highlightUp = {"cccccc", "cWWccc", "cWRRcc",
                            "ccRRgc", "cccggc", "cccccc"};
  // Offset 1; each light point also blackens its lower-right neighbour, in
  // point order, which eats most of the block.
  const Grid highlightDown = {"cccccc", "ckkccc", "ckkkcc",
                              "cckRWc", "cccWWc", "cccccc"};
  const Grid plainUp = {"cccccc", "cccccc", "ccRRcc",
                        "ccRRcc", "cccccc", "cccccc"};

  EXPECT_EQ(toGrid(render(kBlockGlyph, PictureButtonStyle::Highlight,
                          PictureButtonState::Up)),
            highlightUp);
  EXPECT_EQ(toGrid(render(kBlockGlyph, PictureButtonStyle::Highlight,
                          PictureButtonState::Down)),
            highlightDown);
  EXPECT_EQ(toGrid(render(kBlockGlyph, PictureButtonStyle::Flat,
                          PictureButtonState::Up)),
            plainUp);
  EXPECT_EQ(toGrid(render(kBlockGlyph, PictureButtonStyle::Flat,
                          PictureButtonState::Hot)),
            highlightUp);
  EXPECT_EQ(toGrid(render(kBlockGlyph, PictureButtonStyle::Flat,
                          PictureButtonState::Down)),
            highlightDown);
  EXPECT_EQ(toGrid(render(kBlockGlyph, PictureButtonStyle::Normal,
                          PictureButtonState::Up)),
            plainUp);
  // Light points are left alone: the white of a new picture shows there.
  EXPECT_EQ(toGrid(render(kBlockGlyph, PictureButtonStyle::Normal,
                          PictureButtonState::Down)),
            Grid({"cccccc", "cWWccc", "cWWWcc", "ccWRcc", "cccccc", "cccccc"}));
  // Offset -1; shadow points paint a 2 x 2 square of the glyph background
  // up and left of them.
  EXPECT_EQ(toGrid(render(kBlockGlyph, PictureButtonStyle::Raised,
                          PictureButtonState::Up)),
            Grid({"cccccc", "cRRccc", "cRRYYc", "ccYYYc", "ccYYYc", "cccccc"}));
  EXPECT_EQ(toGrid(render(kBlockGlyph, PictureButtonStyle::Raised,
                          PictureButtonState::Down)),
            Grid({"WWWWWW", "Wccccc", "Wccccc", "WccRRc", "WccRRc", "Wccccc"}));

  // A picture that already exists keeps the pixels nothing is drawn on.
  QImage blue(6, 6, QImage::Format_RGB32);
  blue.fill(kColours.at('B'));
  EXPECT_EQ(toGrid(render(kBlockGlyph, PictureButtonStyle::Normal,
                          PictureButtonState::Down, {}, blue)),
            Grid({"cccccc", "cBBccc", "cBBBcc", "ccBRcc", "cccccc", "cccccc"}));

  // The hot picture is built for flat buttons only.
  shape.renderStates(PictureButtonStyle::Highlight, kButton, {});
  EXPECT_TRUE(shape.hotImage().isNull());
  EXPECT_EQ(toGrid(shape.upImage()), highlightUp);
  EXPECT_EQ(toGrid(shape.downImage()), highlightDown);
  shape.renderStates(PictureButtonStyle::Flat, kButton, {});
  EXPECT_EQ(toGrid(shape.hotImage()), highlightUp);
  EXPECT_EQ(toGrid(shape.upImage()), plainUp);
}

TEST(PictureButtonShape, DitherOverlaysThePressedPicture) {
  const Grid normalDown = {"cccccc", "cWWccc", "cWWWcc",
                           "ccWRcc", "cccccc", "cccccc"};
  // Without a colour the style does not matter.
  for (DitherStyle style :
       {DitherStyle::Fill, DitherStyle::Dither, DitherStyle::Blend}) {
    PictureButtonDither none;
    none.buttonStyle = style;
    EXPECT_EQ(toGrid(render(kBlockGlyph, PictureButtonStyle::Normal,
                            PictureButtonState::Down, none)),
              normalDown);
  }

  PictureButtonDither dither;
  dither.color = kDither;
  dither.buttonStyle = DitherStyle::Fill;
  // Filled with the dither colour, no glyph, then the points.
  EXPECT_EQ(toGrid(render(kBlockGlyph, PictureButtonStyle::Highlight,
                          PictureButtonState::Down, dither)),
            Grid({"cccccc", "ckkccc", "ckkkcc", "cckdWc", "cccWWc", "cccccc"}));
  // The up picture never carries the dither.
  EXPECT_EQ(toGrid(render(kBlockGlyph, PictureButtonStyle::Normal,
                          PictureButtonState::Up, dither)),
            Grid({"cccccc", "cccccc", "ccRRcc", "ccRRcc", "cccccc", "cccccc"}));

  // A checkerboard over the button colour, no glyph; the light points keep
  // it.
  dither.buttonStyle = DitherStyle::Dither;
  EXPECT_EQ(toGrid(render(kBlockGlyph, PictureButtonStyle::Normal,
                          PictureButtonState::Down, dither)),
            Grid({"cccccc", "cdcccc", "ccdccc", "cccdcc", "cccccc", "cccccc"}));

  // A checkerboard over the glyph drawn one pixel right and down.
  dither.buttonStyle = DitherStyle::Blend;
  EXPECT_EQ(toGrid(render(kBlockGlyph, PictureButtonStyle::Normal,
                          PictureButtonState::Down, dither)),
            Grid({"cccccc", "cdWccc", "cWdWcc", "ccWdcc", "cccccc", "cccccc"}));
}

TEST(PictureButtonShape, DrawingLeavesOutTheBottomLeftColour) {
  const QImage glyph = makeImage({"RGB", "GRY"});
  QImage target = makeImage({"WWWW", "WWWW", "WWWW"});
  PictureButtonShape::drawTransparent(target, glyph, 1, 1);
  EXPECT_EQ(toGrid(target), Grid({"WWWW", "WRWB", "WWRY"}));

  target = makeImage({"WWWW", "WWWW", "WWWW"});
  PictureButtonShape::drawTransparent(target, glyph, -1, -1);
  EXPECT_EQ(toGrid(target), Grid({"RYWW", "WWWW", "WWWW"}));

  QImage odd = makeImage({"WWW", "WWW"});
  PictureButtonShape::ditherPattern(odd, kColours.at('d'));
  EXPECT_EQ(toGrid(odd), Grid({"dWd", "WdW"}));
}

TEST(PictureButtonShape, GlyphsBeyondTheLimitsStaySafe) {
  // 50 closed runs in each of 49 rows, plus 50 wedges: exactly the limit.
  auto runs = [](int rows) {
    QImage glyph(101, rows, QImage::Format_RGB32);
    glyph.fill(kColours.at('W'));
    for (int y = 0; y < rows; ++y)
      for (int x = 1; x < 100; x += 2)
        glyph.setPixel(x, y, kColours.at('R'));
    return glyph;
  };
  PictureButtonShape shape;
  shape.setGlyph(runs(49));
  PictureButtonShape::Outline outline = shape.buildRegion();
  EXPECT_EQ(outline.polygons.size(), PictureButtonShape::kMaxPolygons);
  EXPECT_TRUE(outline.hasRegion);

  // One row more needs 2,550 polygons: no outline, but the bevel stays.
  shape.setGlyph(runs(50));
  outline = shape.buildRegion();
  EXPECT_FALSE(outline.withinLimits);
  EXPECT_FALSE(outline.hasRegion);
  EXPECT_LE(outline.polygons.size(), PictureButtonShape::kMaxPolygons);
  EXPECT_EQ(shape.collectEdgePoints().size(), 50 * 51);

  // 39,999 background pixels: an outline, but no edge points, so the
  // pictures are the plain glyph on white.
  QImage big(200, 200, QImage::Format_RGB32);
  big.fill(kColours.at('W'));
  big.setPixel(100, 100, kColours.at('R'));
  shape.setGlyph(big);
  outline = shape.buildRegion();
  EXPECT_TRUE(outline.hasRegion);
  EXPECT_TRUE(shape.collectEdgePoints().isEmpty());
  shape.renderStates(PictureButtonStyle::Highlight, kButton, {});
  EXPECT_EQ(shape.upImage(), big);
  EXPECT_EQ(shape.downImage().pixel(101, 101), kColours.at('R'));

  // Wider than 32,767 pixels: neither outline nor points.
  QImage wide(32768, 1, QImage::Format_RGB32);
  wide.fill(kColours.at('W'));
  wide.setPixel(1, 0, kColours.at('R'));
  shape.setGlyph(wide);
  outline = shape.buildRegion();
  EXPECT_FALSE(outline.withinLimits);
  EXPECT_FALSE(outline.hasRegion);
  EXPECT_TRUE(shape.collectEdgePoints().isEmpty());
  shape.renderStates(PictureButtonStyle::Raised, kButton, {});
  EXPECT_EQ(shape.upImage().size(), wide.size());
}
