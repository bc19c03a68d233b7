#include "screen/ScreenCanvas.h"
#include "screen/TileDecoder.h"

#include "TileFixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <thread>

using namespace fixtures;

namespace {

const QRgb White = qRgb(255, 255, 255);

// Checks every pixel of picture: inside area it must equal tile's visible
// pixel (doubled when scale is 2), outside it must be white.
void ExpectTileAt(const QImage &picture, const QRect &area, const QImage &tile,
                  QPoint tileOrigin, int scale) {
  ASSERT_FALSE(picture.isNull());
  int mismatches = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      QRgb expected = White;
      if (area.contains(x, y))
        expected = tile.pixel(1 + (x - tileOrigin.x()) / scale,
                              1 + (y - tileOrigin.y()) / scale);
      if (picture.pixel(x, y) != expected && ++mismatches <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y;
    }
  EXPECT_EQ(mismatches, 0);
}

struct ChangeCounter {
  explicit ChangeCounter(TScreenCanvas &canvas) {
    QObject::connect(&canvas, &TScreenCanvas::Changed, [this] { ++count; });
  }
  int count = 0;
};

} // namespace

TEST(ScreenCanvas, JpegTileChangesExactlyItsRectangleInBothPictures) {
  TScreenCanvas canvas;
  canvas.ResetPictures();
  canvas.TakeDirty();
  const QByteArray jpeg = EncodeJpeg(PatternImage(34, 34));
  const QImage decoded = DecodeTile(jpeg);

  canvas.DrawTile(jpeg, 10, 20);

  // Columns 10-41, rows 20-51; zoomed: columns 20-83, rows 40-103. Each
  // pixel is the tile's pixel one in from the margin, so no margin pixel
  // (pure red before coding) is shown.
  ExpectTileAt(canvas.Screen(), QRect(QPoint(10, 20), QPoint(41, 51)), decoded,
               QPoint(10, 20), 1);
  ExpectTileAt(canvas.Zoom(), QRect(QPoint(20, 40), QPoint(83, 103)), decoded,
               QPoint(20, 40), 2);
  EXPECT_EQ(canvas.TakeDirty(), QRegion(10, 20, 32, 32));
}

TEST(ScreenCanvas, TilesAreClippedAtEveryEdgeWhateverTheirPosition) {
  const QImage tile = PatternImage(12, 12);
  const QByteArray gif = GifFromImage(tile);
  ASSERT_FALSE(gif.isEmpty());

  {
    SCOPED_TRACE("right edge");
    TScreenCanvas canvas;
    canvas.ResetPictures();
    canvas.TakeDirty();
    canvas.DrawTile(gif, 170, 0);
    ExpectTileAt(canvas.Screen(), QRect(170, 0, 6, 10), tile, QPoint(170, 0),
                 1);
    ExpectTileAt(canvas.Zoom(), QRect(340, 0, 12, 20), tile, QPoint(340, 0), 2);
    EXPECT_EQ(canvas.TakeDirty(), QRegion(QRect(170, 0, 6, 10)));
  }
  {
    SCOPED_TRACE("above and left");
    TScreenCanvas canvas;
    canvas.ResetPictures();
    canvas.TakeDirty();
    canvas.DrawTile(gif, -4, -7);
    ExpectTileAt(canvas.Screen(), QRect(0, 0, 6, 3), tile, QPoint(-4, -7), 1);
    ExpectTileAt(canvas.Zoom(), QRect(0, 0, 12, 6), tile, QPoint(-8, -14), 2);
    EXPECT_EQ(canvas.TakeDirty(), QRegion(QRect(0, 0, 6, 3)));
  }
  {
    SCOPED_TRACE("bottom right corner");
    TScreenCanvas canvas;
    canvas.ResetPictures();
    canvas.DrawTile(gif, 175, 207);
    ExpectTileAt(canvas.Screen(), QRect(175, 207, 1, 1), tile, QPoint(175, 207),
                 1);
    ExpectTileAt(canvas.Zoom(), QRect(350, 414, 2, 2), tile, QPoint(350, 414),
                 2);
  }
  {
    SCOPED_TRACE("nowhere on screen");
    TScreenCanvas canvas;
    canvas.ResetPictures();
    canvas.TakeDirty();
    ChangeCounter changes(canvas);
    const int positions[][2] = {
        {INT_MAX, 0},
        {INT_MIN, 0},
        {0, INT_MAX},
        {0, INT_MIN},
        {INT_MAX, INT_MAX},
        {INT_MIN, INT_MIN},
        {INT_MAX - 5, 0},
        {1 << 30, 1 << 30},
        {-(1 << 30), 0},
        {-10, 0},
        {176, 0},
        {0, 208},
        {0x7FFFFFF0, -0x7FFFFFF0},
    };
    for (const auto &p : positions)
      canvas.DrawTile(gif, p[0], p[1]);
    ExpectTileAt(canvas.Screen(), QRect(), tile, QPoint(), 1);
    ExpectTileAt(canvas.Zoom(), QRect(), tile, QPoint(), 2);
    EXPECT_EQ(changes.count, 0);
    EXPECT_TRUE(canvas.TakeDirty().isEmpty());
  }
}

TEST(ScreenCanvas, NothingIsDrawnWithoutPicturesOrVisibleArea) {
  TScreenCanvas canvas;
  ChangeCounter changes(canvas);
  const QByteArray tile = GifFromImage(PatternImage(12, 12));
  EXPECT_FALSE(canvas.HasPictures());
  canvas.DrawTile(tile, 0, 0);
  canvas.FillZoom(Qt::black);
  EXPECT_TRUE(canvas.Screen().isNull());
  EXPECT_TRUE(canvas.Zoom().isNull());
  EXPECT_EQ(changes.count, 0);

  // The next identification brings both pictures back, white.
  canvas.ResetPictures();
  ASSERT_TRUE(canvas.HasPictures());
  ExpectTileAt(canvas.Screen(), QRect(), QImage(), QPoint(), 1);
  EXPECT_EQ(canvas.Screen().size(), QSize(176, 208));
  EXPECT_EQ(canvas.Zoom().size(), QSize(352, 416));
  ExpectTileAt(canvas.Zoom(), QRect(), QImage(), QPoint(), 2);

  // Images of two pixels or less in a dimension have no visible area; three
  // give one pixel.
  canvas.DrawTile(GifFromImage(UniformTile(2, 9, qRgb(1, 2, 3), 0)), 5, 5);
  canvas.DrawTile(GifFromImage(UniformTile(9, 1, qRgb(1, 2, 3), 0)), 5, 5);
  ExpectTileAt(canvas.Screen(), QRect(), QImage(), QPoint(), 1);
  const QImage dot = UniformTile(3, 3, qRgb(1, 2, 3), qRgb(250, 0, 0));
  canvas.DrawTile(GifFromImage(dot), 5, 6);
  ExpectTileAt(canvas.Screen(), QRect(5, 6, 1, 1), dot, QPoint(5, 6), 1);
  ExpectTileAt(canvas.Zoom(), QRect(10, 12, 2, 2), dot, QPoint(10, 12), 2);

  // The disconnect removes them again.
  canvas.RemovePictures();
  EXPECT_FALSE(canvas.HasPictures());
  canvas.DrawTile(tile, 0, 0);
  EXPECT_TRUE(canvas.Screen().isNull());
}

TEST(ScreenCanvas, DecodeErrorsReachTheCallerAndDrawNothing) {
  TScreenCanvas canvas;
  canvas.ResetPictures();
  canvas.TakeDirty();
  ChangeCounter changes(canvas);
  const QByteArray jpeg = EncodeJpeg(PatternImage(34, 34));
  EXPECT_THROW(canvas.DrawTile("G" + jpeg, 0, 0), TileDecodeError);
  EXPECT_THROW(canvas.DrawTile(QByteArray(40, '\x5A'), 0, 0), TileDecodeError);
  EXPECT_EQ(changes.count, 0);
  ExpectTileAt(canvas.Screen(), QRect(), QImage(), QPoint(), 1);

  // A JPEG ending early is drawn, with the library's warning.
  const QByteArray cut = jpeg.left(JpegScanStart(jpeg) + 30);
  QString warning;
  canvas.DrawTile(cut, 0, 0, &warning);
  EXPECT_FALSE(warning.isEmpty());
  ExpectTileAt(canvas.Screen(), QRect(0, 0, 32, 32), DecodeTile(cut),
               QPoint(0, 0), 1);
}

TEST(ScreenCanvas, ABurstOfChangesNotifiesOnceUntilTheDirtyRegionIsTaken) {
  TScreenCanvas canvas;
  ChangeCounter changes(canvas);
  canvas.ResetPictures();
  EXPECT_EQ(changes.count, 1);
  EXPECT_EQ(canvas.TakeDirty(), QRegion(0, 0, 176, 208));

  const QByteArray tile = GifFromImage(UniformTile(10, 10, qRgb(0, 0, 90), 0));
  canvas.DrawTile(tile, 0, 0);
  canvas.DrawTile(tile, 100, 50);
  canvas.DrawTile(tile, 170, 200);
  EXPECT_EQ(changes.count, 2);
  EXPECT_EQ(canvas.TakeDirty(),
            QRegion(0, 0, 8, 8) + QRect(100, 50, 8, 8) + QRect(170, 200, 6, 8));
  EXPECT_TRUE(canvas.TakeDirty().isEmpty());

  canvas.DrawTile(tile, 20, 20);
  EXPECT_EQ(changes.count, 3);
  canvas.FillZoom(QColor(10, 20, 30));
  canvas.RemovePictures();
  EXPECT_EQ(changes.count, 3);
  EXPECT_EQ(canvas.TakeDirty(), QRegion(0, 0, 176, 208));
}

TEST(ScreenCanvas, FillZoomFillsOnlyTheZoomPicture) {
  TScreenCanvas canvas;
  canvas.ResetPictures();
  canvas.FillZoom(QColor(10, 20, 30));
  const QImage zoom = canvas.Zoom();
  EXPECT_EQ(zoom.pixel(0, 0), qRgb(10, 20, 30));
  EXPECT_EQ(zoom.pixel(351, 415), qRgb(10, 20, 30));
  ExpectTileAt(canvas.Screen(), QRect(), QImage(), QPoint(), 1);
}

TEST(ScreenCanvas, ReadersNeverSeeAHalfDrawnTile) {
  TScreenCanvas canvas;
  canvas.ResetPictures();
  const QRgb colours[] = {qRgb(200, 10, 10), qRgb(10, 200, 10),
                          qRgb(10, 10, 200), qRgb(90, 90, 90)};
  QList<QByteArray> tiles;
  for (QRgb c : colours)
    tiles.append(GifFromImage(UniformTile(130, 90, c, qRgb(0, 0, 0))));
  const QRect screenArea(30, 40, 128, 88);
  const QRect zoomArea(60, 80, 256, 176);

  std::atomic<bool> done{false};
  std::thread drawer([&] {
    for (int i = 0; i < 600; ++i)
      canvas.DrawTile(tiles[i % tiles.size()], 30, 40);
    done = true;
  });

  auto uniform = [](const QImage &picture, const QRect &area) {
    const QRgb first = picture.pixel(area.topLeft());
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x)
        if (picture.pixel(x, y) != first)
          return false;
    return true;
  };
  int snapshots = 0;
  int torn = 0;
  while (!done || snapshots < 20) {
    torn += !uniform(canvas.Screen(), screenArea);
    torn += !uniform(canvas.Zoom(), zoomArea);
    ++snapshots;
  }
  drawer.join();
  EXPECT_EQ(torn, 0) << "of " << snapshots << " snapshots";
  EXPECT_EQ(canvas.Screen().pixel(screenArea.topLeft()), colours[599 % 4]);
}

TEST(ScreenCanvas, GifTilesDrawTheirDecodedPictureWhateverTheirLayout) {
  // Drawn from colour indices straight into the canvas, each must give the
  // picture DecodeTile makes: rows of interlaced images in their place,
  // white around an image smaller than its screen and where transparent.
  const QList<QRgb> colours = {qRgb(200, 0, 0), qRgb(0, 150, 0),
                               qRgb(0, 0, 250), qRgb(9, 9, 9)};
  QByteArray pixels;
  for (int i = 0; i < 11 * 13; ++i)
    pixels.append(char((i * 7 + i / 11) % 4));
  GifFrame interlaced{QRect(0, 0, 11, 13), pixels, {}, -1, true};
  GifFrame placed{QRect(3, 2, 11, 13), pixels, {}, 2, false};
  const QByteArray cases[] = {
      EncodeGif(QSize(11, 13), colours, {interlaced}),
      EncodeGif(QSize(20, 17), colours, {placed}),
  };
  TScreenCanvas blank;
  blank.ResetPictures();
  for (const QByteArray &gif : cases) {
    ASSERT_FALSE(gif.isEmpty());
    for (const QPoint at : {QPoint(40, 50), QPoint(-3, 200)}) {
      TScreenCanvas direct, viaImage;
      direct.ResetPictures();
      viaImage.ResetPictures();
      direct.DrawTile(gif, at.x(), at.y());
      viaImage.DrawDecodedTile(DecodeTile(gif), at.x(), at.y());
      EXPECT_EQ(direct.Screen(), viaImage.Screen());
      EXPECT_NE(direct.Screen(), blank.Screen());
    }
  }
}
