#include "screen/ScreenCanvas.h"
#include "screen/TileDecoder.h"

#include "TileFixtures.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <thread>

using namespace fixtures;

namespace {

const QRgb kWhite = qRgb(255, 255, 255);

// Checks every pixel of picture: inside area it must equal tile's visible
// pixel (doubled when scale is 2), outside it must be white.
void expectTileAt(const QImage &picture, const QRect &area, const QImage &tile,
                  QPoint tileOrigin, int scale) {
  ASSERT_FALSE(picture.isNull());
  int mismatches = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      QRgb expected = kWhite;
      if (area.contains(x, y))
        expected = tile.pixel(1 + (x - tileOrigin.x()) / scale,
                              1 + (y - tileOrigin.y()) / scale);
      if (picture.pixel(x, y) != expected && ++mismatches <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y;
    }
  EXPECT_EQ(mismatches, 0);
}

struct ChangeCounter {
  explicit ChangeCounter(ScreenCanvas &canvas) {
    QObject::connect(&canvas, &ScreenCanvas::changed, [this] { ++count; });
  }
  int count = 0;
};

} // namespace

TEST(ScreenCanvas, JpegTileChangesExactlyItsRectangleInBothPictures) {
  ScreenCanvas canvas;
  canvas.resetPictures();
  canvas.takeDirty();
  const QByteArray jpeg = encodeJpeg(patternImage(34, 34));
  const QImage decoded = decodeTile(jpeg);

  canvas.drawTile(jpeg, 10, 20);

  // Columns 10-41, rows 20-51; zoomed: columns 20-83, rows 40-103. Each
  // pixel is the tile's pixel one in from the margin, so no margin pixel
  // (pure red before coding) is shown.
  expectTileAt(canvas.screen(), QRect(QPoint(10, 20), QPoint(41, 51)), decoded,
               QPoint(10, 20), 1);
  expectTileAt(canvas.zoom(), QRect(QPoint(20, 40), QPoint(83, 103)), decoded,
               QPoint(20, 40), 2);
  EXPECT_EQ(canvas.takeDirty(), QRegion(10, 20, 32, 32));
}

// JPEG tiles that fit the picture with their margin are decoded straight
// into it, the others as GIF tiles are: both ways must clip alike.
TEST(ScreenCanvas, TilesAreClippedAtEveryEdgeWhateverTheirPosition) {
  for (const bool jpeg : {false, true}) {
    SCOPED_TRACE(jpeg ? "JPEG" : "GIF");
    const QImage source = patternImage(12, 12);
    const QByteArray gif = jpeg ? encodeJpeg(source) : gifFromImage(source);
    ASSERT_FALSE(gif.isEmpty());
    const QImage tile = decodeTile(gif);

    {
      SCOPED_TRACE("right edge");
      ScreenCanvas canvas;
      canvas.resetPictures();
      canvas.takeDirty();
      canvas.drawTile(gif, 170, 0);
      expectTileAt(canvas.screen(), QRect(170, 0, 6, 10), tile, QPoint(170, 0),
                   1);
      expectTileAt(canvas.zoom(), QRect(340, 0, 12, 20), tile, QPoint(340, 0),
                   2);
      EXPECT_EQ(canvas.takeDirty(), QRegion(QRect(170, 0, 6, 10)));
    }
    {
      SCOPED_TRACE("above and left");
      ScreenCanvas canvas;
      canvas.resetPictures();
      canvas.takeDirty();
      canvas.drawTile(gif, -4, -7);
      expectTileAt(canvas.screen(), QRect(0, 0, 6, 3), tile, QPoint(-4, -7), 1);
      expectTileAt(canvas.zoom(), QRect(0, 0, 12, 6), tile, QPoint(-8, -14), 2);
      EXPECT_EQ(canvas.takeDirty(), QRegion(QRect(0, 0, 6, 3)));
    }
    {
      SCOPED_TRACE("top left corner, the margin outside");
      ScreenCanvas canvas;
      canvas.resetPictures();
      canvas.drawTile(gif, 0, 0);
      canvas.drawTile(gif, 166, 198);
      QImage expected(ScreenCanvas::kScreenWidth, ScreenCanvas::kScreenHeight,
                      QImage::Format_RGB32);
      expected.fill(kWhite);
      QPainter painter(&expected);
      painter.drawImage(QPoint(0, 0), tile, QRect(1, 1, 10, 10));
      painter.drawImage(QPoint(166, 198), tile, QRect(1, 1, 10, 10));
      painter.end();
      EXPECT_EQ(canvas.screen(), expected);
    }
    {
      SCOPED_TRACE("bottom right corner");
      ScreenCanvas canvas;
      canvas.resetPictures();
      canvas.drawTile(gif, 175, 207);
      expectTileAt(canvas.screen(), QRect(175, 207, 1, 1), tile,
                   QPoint(175, 207), 1);
      expectTileAt(canvas.zoom(), QRect(350, 414, 2, 2), tile, QPoint(350, 414),
                   2);
    }
    {
      SCOPED_TRACE("nowhere on screen");
      ScreenCanvas canvas;
      canvas.resetPictures();
      canvas.takeDirty();
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
        canvas.drawTile(gif, p[0], p[1]);
      expectTileAt(canvas.screen(), QRect(), tile, QPoint(), 1);
      expectTileAt(canvas.zoom(), QRect(), tile, QPoint(), 2);
      EXPECT_EQ(changes.count, 0);
      EXPECT_TRUE(canvas.takeDirty().isEmpty());
    }
  }
}

TEST(ScreenCanvas, NothingIsDrawnWithoutPicturesOrVisibleArea) {
  ScreenCanvas canvas;
  ChangeCounter changes(canvas);
  const QByteArray tile = gifFromImage(patternImage(12, 12));
  EXPECT_FALSE(canvas.hasPictures());
  canvas.drawTile(tile, 0, 0);
  canvas.fillZoom(Qt::black);
  EXPECT_TRUE(canvas.screen().isNull());
  EXPECT_TRUE(canvas.zoom().isNull());
  EXPECT_EQ(changes.count, 0);

  // The next identification brings both pictures back, white.
  canvas.resetPictures();
  ASSERT_TRUE(canvas.hasPictures());
  expectTileAt(canvas.screen(), QRect(), QImage(), QPoint(), 1);
  EXPECT_EQ(canvas.screen().size(), QSize(176, 208));
  EXPECT_EQ(canvas.zoom().size(), QSize(352, 416));
  expectTileAt(canvas.zoom(), QRect(), QImage(), QPoint(), 2);

  // Images of two pixels or less in a dimension have no visible area; three
  // give one pixel.
  canvas.drawTile(gifFromImage(uniformTile(2, 9, qRgb(1, 2, 3), 0)), 5, 5);
  canvas.drawTile(gifFromImage(uniformTile(9, 1, qRgb(1, 2, 3), 0)), 5, 5);
  expectTileAt(canvas.screen(), QRect(), QImage(), QPoint(), 1);
  const QImage dot = uniformTile(3, 3, qRgb(1, 2, 3), qRgb(250, 0, 0));
  canvas.drawTile(gifFromImage(dot), 5, 6);
  expectTileAt(canvas.screen(), QRect(5, 6, 1, 1), dot, QPoint(5, 6), 1);
  expectTileAt(canvas.zoom(), QRect(10, 12, 2, 2), dot, QPoint(10, 12), 2);

  // The disconnect removes them again.
  canvas.removePictures();
  EXPECT_FALSE(canvas.hasPictures());
  canvas.drawTile(tile, 0, 0);
  EXPECT_TRUE(canvas.screen().isNull());
}

TEST(ScreenCanvas, DecodeErrorsReachTheCallerAndDrawNothing) {
  ScreenCanvas canvas;
  canvas.resetPictures();
  canvas.takeDirty();
  ChangeCounter changes(canvas);
  const QByteArray jpeg = encodeJpeg(patternImage(34, 34));
  EXPECT_THROW(canvas.drawTile("G" + jpeg, 0, 0), TileDecodeError);
  EXPECT_THROW(canvas.drawTile(QByteArray(40, '\x5A'), 0, 0), TileDecodeError);
  EXPECT_EQ(changes.count, 0);
  expectTileAt(canvas.screen(), QRect(), QImage(), QPoint(), 1);

  // A JPEG ending early is drawn, with the library's warning.
  const QByteArray cut = jpeg.left(jpegScanStart(jpeg) + 30);
  QString warning;
  canvas.drawTile(cut, 0, 0, &warning);
  EXPECT_FALSE(warning.isEmpty());
  expectTileAt(canvas.screen(), QRect(0, 0, 32, 32), decodeTile(cut),
               QPoint(0, 0), 1);
}

TEST(ScreenCanvas, ABurstOfChangesNotifiesOnceUntilTheDirtyRegionIsTaken) {
  ScreenCanvas canvas;
  ChangeCounter changes(canvas);
  canvas.resetPictures();
  EXPECT_EQ(changes.count, 1);
  EXPECT_EQ(canvas.takeDirty(), QRegion(0, 0, 176, 208));

  const QByteArray tile = gifFromImage(uniformTile(10, 10, qRgb(0, 0, 90), 0));
  canvas.drawTile(tile, 0, 0);
  canvas.drawTile(tile, 100, 50);
  canvas.drawTile(tile, 170, 200);
  EXPECT_EQ(changes.count, 2);
  EXPECT_EQ(canvas.takeDirty(),
            QRegion(0, 0, 8, 8) + QRect(100, 50, 8, 8) + QRect(170, 200, 6, 8));
  EXPECT_TRUE(canvas.takeDirty().isEmpty());

  canvas.drawTile(tile, 20, 20);
  EXPECT_EQ(changes.count, 3);
  canvas.fillZoom(QColor(10, 20, 30));
  canvas.removePictures();
  EXPECT_EQ(changes.count, 3);
  EXPECT_EQ(canvas.takeDirty(), QRegion(0, 0, 176, 208));
}

TEST(ScreenCanvas, FillZoomFillsOnlyTheZoomPicture) {
  ScreenCanvas canvas;
  canvas.resetPictures();
  canvas.fillZoom(QColor(10, 20, 30));
  const QImage zoom = canvas.zoom();
  EXPECT_EQ(zoom.pixel(0, 0), qRgb(10, 20, 30));
  EXPECT_EQ(zoom.pixel(351, 415), qRgb(10, 20, 30));
  expectTileAt(canvas.screen(), QRect(), QImage(), QPoint(), 1);
}

TEST(ScreenCanvas, ReadersNeverSeeAHalfDrawnTile) {
  ScreenCanvas canvas;
  canvas.resetPictures();
  const QRgb colours[] = {qRgb(200, 10, 10), qRgb(10, 200, 10),
                          qRgb(10, 10, 200), qRgb(90, 90, 90)};
  QList<QByteArray> tiles;
  for (QRgb c : colours)
    tiles.append(gifFromImage(uniformTile(130, 90, c, qRgb(0, 0, 0))));
  const QRect screenArea(30, 40, 128, 88);
  const QRect zoomArea(60, 80, 256, 176);

  std::atomic<bool> done{false};
  std::thread drawer([&] {
    for (int i = 0; i < 600; ++i)
      canvas.drawTile(tiles[i % tiles.size()], 30, 40);
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
    torn += !uniform(canvas.screen(), screenArea);
    torn += !uniform(canvas.zoom(), zoomArea);
    ++snapshots;
  }
  drawer.join();
  EXPECT_EQ(torn, 0) << "of " << snapshots << " snapshots";
  EXPECT_EQ(canvas.screen().pixel(screenArea.topLeft()), colours[599 % 4]);
}

TEST(ScreenCanvas, GifTilesDrawTheirDecodedPictureWhateverTheirLayout) {
  // Drawn from colour indices straight into the canvas, each must give the
  // picture decodeTile makes: rows of interlaced images in their place,
  // white around an image smaller than its screen and where transparent.
  const QList<QRgb> colours = {qRgb(200, 0, 0), qRgb(0, 150, 0),
                               qRgb(0, 0, 250), qRgb(9, 9, 9)};
  QByteArray pixels;
  for (int i = 0; i < 11 * 13; ++i)
    pixels.append(char((i * 7 + i / 11) % 4));
  GifFrame interlaced{QRect(0, 0, 11, 13), pixels, {}, -1, true};
  GifFrame placed{QRect(3, 2, 11, 13), pixels, {}, 2, false};
  const QByteArray cases[] = {
      encodeGif(QSize(11, 13), colours, {interlaced}),
      encodeGif(QSize(20, 17), colours, {placed}),
  };
  ScreenCanvas blank;
  blank.resetPictures();
  for (const QByteArray &gif : cases) {
    ASSERT_FALSE(gif.isEmpty());
    for (const QPoint at : {QPoint(40, 50), QPoint(-3, 200)}) {
      ScreenCanvas direct, viaImage;
      direct.resetPictures();
      viaImage.resetPictures();
      direct.drawTile(gif, at.x(), at.y());
      viaImage.drawDecodedTile(decodeTile(gif), at.x(), at.y());
      EXPECT_EQ(direct.screen(), viaImage.screen());
      EXPECT_NE(direct.screen(), blank.screen());
    }
  }
}

// Paints of either view over clips of any width and position show what the
// pictures hold (the doubling works four pixels at a time, then singly).
TEST(ScreenCanvas, PaintsOfAnyClipShowThePictures) {
  ScreenCanvas canvas;
  canvas.resetPictures();
  canvas.drawTile(encodeJpeg(patternImage(178, 210)), 0, 0);
  for (const bool zoom : {false, true}) {
    const QImage picture = zoom ? canvas.zoom() : canvas.screen();
    for (const QRect &clip : {QRect(0, 0, 352, 416), QRect(3, 5, 7, 19),
                              QRect(1, 2, 173, 40), QRect(150, 200, 31, 8)}) {
      QImage painted(picture.size(), QImage::Format_RGB32);
      painted.fill(Qt::black);
      {
        QPainter painter(&painted);
        painter.setClipRect(clip);
        ASSERT_TRUE(canvas.paint(painter, clip, zoom));
      }
      const QRect shown = clip & picture.rect();
      EXPECT_EQ(painted.copy(shown), picture.copy(shown))
          << zoom << " " << clip.x() << "," << clip.y() << " " << clip.width()
          << "x" << clip.height();
    }
  }
}
