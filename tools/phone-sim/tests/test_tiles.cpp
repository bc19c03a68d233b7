#include "KeyCodes.h"
#include "PhoneUi.h"
#include "TileEncoder.h"

#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace phonesim;

namespace {

QImage Screen(std::initializer_list<int> keysPressed = {}) {
  PhoneUi ui;
  ui.setClock(QDateTime(QDate(2024, 5, 17), QTime(9, 41)));
  for (int k : keysPressed)
    ui.handleKey(k);
  return ui.render();
}

// Every pixel different from its neighbours, so misplaced copies show.
QImage noise(int w, int h, quint32 seed) {
  QImage img(w, h, QImage::Format_RGB32);
  QRandomGenerator rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      img.setPixel(x, y, 0xFF000000u | (rng.generate() & 0xFFFFFF));
  return img;
}

bool sameRgb(QRgb a, QRgb b) { return ((a ^ b) & 0xFFFFFF) == 0; }

// What the PC does with a tile: decode, drop the margin, paste at x, y.
void apply(QImage &screen, const Tile &tile, bool *allGif) {
  const QImage decoded = QImage::fromData(tile.data);
  ASSERT_FALSE(decoded.isNull());
  ASSERT_EQ(decoded.width(), tile.area.width() + 2);
  ASSERT_EQ(decoded.height(), tile.area.height() + 2);
  if (!tile.data.startsWith('G'))
    *allGif = false;
  QPainter p(&screen);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(tile.area.topLeft(), decoded,
              QRect(1, 1, tile.area.width(), tile.area.height()));
}

double meanAbsDiff(const QImage &a, const QImage &b, const QRect &r) {
  double sum = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
             std::abs(qBlue(p) - qBlue(q));
    }
  return sum / (3.0 * r.width() * r.height());
}

} // namespace

TEST(TileEncoder, MarginRepeatsEdgePixels) {
  const QImage screen = noise(PhoneUi::kWidth, PhoneUi::kHeight, 7);
  const QRect areas[] = {QRect(0, 0, 5, 4), QRect(170, 0, 6, 12),
                         QRect(160, 200, 16, 8), QRect(40, 50, 34, 34),
                         screen.rect()};
  for (const QRect &area : areas) {
    const QImage m = TileEncoder::withMargin(screen, area);
    ASSERT_EQ(m.size(), area.size() + QSize(2, 2));
    for (int j = 0; j < m.height(); ++j) {
      for (int i = 0; i < m.width(); ++i) {
        const int sx = std::clamp(area.x() - 1 + i, 0, screen.width() - 1);
        const int sy = std::clamp(area.y() - 1 + j, 0, screen.height() - 1);
        ASSERT_TRUE(sameRgb(m.pixel(i, j), screen.pixel(sx, sy)))
            << "area " << area.x() << "," << area.y() << " at " << i << ","
            << j;
      }
    }
  }
  // Inside the screen the margin is the real neighbourhood.
  const QImage inner = TileEncoder::withMargin(screen, QRect(40, 50, 34, 34));
  EXPECT_TRUE(sameRgb(inner.pixel(0, 0), screen.pixel(39, 49)));
  EXPECT_TRUE(sameRgb(inner.pixel(35, 35), screen.pixel(74, 84)));
}

TEST(TileEncoder, GifTilesDecodeExactly) {
  // Flat graphics, including a corner and the right edge of the screen.
  const QImage screen = Screen({keys::kSoftLeft});
  for (const QRect &area : {QRect(0, 0, 176, 16), QRect(170, 40, 6, 12),
                            QRect(20, 60, 34, 34), QRect(0, 192, 176, 16)}) {
    const Tile t = TileEncoder::encode(screen, area, TileFormat::Auto);
    ASSERT_TRUE(t.data.startsWith("GIF")) << area.x() << "," << area.y();
    const QImage decoded =
        QImage::fromData(t.data).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(decoded.size(), area.size() + QSize(2, 2));
    const QImage expected = TileEncoder::withMargin(screen, area);
    for (int y = 0; y < decoded.height(); ++y)
      for (int x = 0; x < decoded.width(); ++x)
        ASSERT_TRUE(sameRgb(decoded.pixel(x, y), expected.pixel(x, y)))
            << x << "," << y;
  }
  // One colour only still makes a valid picture.
  QImage flat(10, 10, QImage::Format_RGB32);
  flat.fill(QColor(12, 34, 56));
  const QImage one = QImage::fromData(TileEncoder::encodeGif(flat));
  ASSERT_EQ(one.size(), QSize(10, 10));
  EXPECT_TRUE(sameRgb(one.pixel(9, 9), flat.pixel(0, 0)));
}

TEST(TileEncoder, PhotographicAreasGoJpegAndManyColoursAreQuantised) {
  const QImage home = Screen();
  const QRect wallpaper(30, 100, 34, 34);
  const Tile t = TileEncoder::encode(home, wallpaper, TileFormat::Auto);
  ASSERT_GE(t.data.size(), 3);
  EXPECT_EQ(static_cast<quint8>(t.data[0]), 0xFF);
  EXPECT_EQ(static_cast<quint8>(t.data[1]), 0xD8);
  const QImage decoded =
      QImage::fromData(t.data).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(decoded.size(), QSize(36, 36));
  const QImage expected = TileEncoder::withMargin(home, wallpaper);
  EXPECT_LT(meanAbsDiff(decoded, expected, QRect(1, 1, 34, 34)), 6.0);

  // Forcing GIF on the same area quantises to 256 colours, still close.
  const Tile g = TileEncoder::encode(home, wallpaper, TileFormat::Gif);
  ASSERT_TRUE(g.data.startsWith("GIF"));
  const QImage q =
      QImage::fromData(g.data).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(q.size(), QSize(36, 36));
  EXPECT_LE(TileEncoder::countColours(q, 1000), 256);
  EXPECT_LT(meanAbsDiff(q, expected, QRect(1, 1, 34, 34)), 8.0);

  // And a flat area forced to JPEG is still a JPEG of the right size.
  const Tile j = TileEncoder::encode(Screen({keys::kSoftLeft}),
                                     QRect(0, 0, 176, 208), TileFormat::Jpeg);
  EXPECT_EQ(QImage::fromData(j.data).size(), QSize(178, 210));
  EXPECT_FALSE(j.data.startsWith('G'));
}

TEST(TileSplitter, RectanglesCoverExactlyTheChanges) {
  QImage before = Screen({keys::kSoftLeft});
  QImage after = before.copy();
  // Scattered single pixels, a stroke across block borders, the corners.
  QRandomGenerator rng(42);
  for (int i = 0; i < 25; ++i)
    after.setPixel(rng.bounded(PhoneUi::kWidth), rng.bounded(PhoneUi::kHeight),
                   0xFF000000u | rng.generate());
  {
    QPainter p(&after);
    p.fillRect(13, 70, 40, 3, Qt::red);
  }
  after.setPixel(0, 0, qRgb(1, 2, 3));
  after.setPixel(175, 207, qRgb(4, 5, 6));

  const TileSplitter splitter(16);
  const QList<QRect> rects = splitter.changedRects(before, after);
  ASSERT_FALSE(rects.isEmpty());
  std::vector<int> cover(PhoneUi::kWidth * PhoneUi::kHeight, 0);
  for (const QRect &r : rects) {
    ASSERT_TRUE(after.rect().contains(r));
    bool top = false, bottom = false, left = false, right = false;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) {
        ++cover[y * PhoneUi::kWidth + x];
        if (!sameRgb(before.pixel(x, y), after.pixel(x, y))) {
          top |= y == r.top();
          bottom |= y == r.bottom();
          left |= x == r.left();
          right |= x == r.right();
        }
      }
    // Tight: each edge of a rectangle touches a changed pixel.
    EXPECT_TRUE(top && bottom && left && right)
        << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
  }
  for (int y = 0; y < PhoneUi::kHeight; ++y)
    for (int x = 0; x < PhoneUi::kWidth; ++x) {
      const bool changed = !sameRgb(before.pixel(x, y), after.pixel(x, y));
      const int c = cover[y * PhoneUi::kWidth + x];
      ASSERT_LE(c, 1) << "overlap at " << x << "," << y;
      if (changed) {
        ASSERT_EQ(c, 1) << "uncovered change at " << x << "," << y;
      }
      if (c) {
        // A covered pixel belongs to a block holding a change.
        const QRect block((x / 16) * 16, (y / 16) * 16, 16, 16);
        bool blockChanged = false;
        for (int by = block.top(); by <= std::min(block.bottom(), 207); ++by)
          for (int bx = block.left(); bx <= std::min(block.right(), 175); ++bx)
            blockChanged |= !sameRgb(before.pixel(bx, by), after.pixel(bx, by));
        ASSERT_TRUE(blockChanged) << x << "," << y;
      }
    }

  EXPECT_TRUE(splitter.changedRects(before, before).isEmpty());

  // Nothing known yet: the whole screen, once.
  const QList<QRect> all = splitter.changedRects(QImage(), after);
  long long area = 0;
  for (const QRect &r : all)
    area += qint64(r.width()) * r.height();
  EXPECT_EQ(area, qint64(PhoneUi::kWidth) * PhoneUi::kHeight);
  QRegion region;
  for (const QRect &r : all)
    region += r;
  EXPECT_EQ(region, QRegion(after.rect()));
}

TEST(TileSplitter, EncodedChangesRebuildTheNewScreen) {
  // Menu to notes to dialer: flat screens, so GIF tiles and exact results.
  const QImage menu = Screen({keys::kSoftLeft});
  const QImage moved =
      Screen({keys::kSoftLeft, keys::kJoyRight, keys::kJoyDown});
  const QImage notes = Screen({'H', 'i'});
  const QImage dialer = Screen({keys::kDigit0 + 5, keys::kDigit0 + 1});
  const TileEncoder encoder;
  QImage pc(PhoneUi::kWidth, PhoneUi::kHeight, QImage::Format_RGB32);
  pc.fill(Qt::white);
  const QImage *sequence[] = {&menu, &moved, &notes, &dialer};
  const QImage *previous = nullptr;
  for (const QImage *next : sequence) {
    const QList<Tile> tiles =
        encoder.encodeChanges(previous ? *previous : QImage(), *next);
    bool allGif = true;
    for (const Tile &t : tiles)
      apply(pc, t, &allGif);
    EXPECT_TRUE(allGif);
    const QImage got = pc.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < got.height(); ++y)
      for (int x = 0; x < got.width(); ++x)
        ASSERT_TRUE(sameRgb(got.pixel(x, y), next->pixel(x, y)))
            << "step " << (next - sequence[0]) << " at " << x << "," << y
            << std::hex << " " << got.pixel(x, y) << " " << next->pixel(x, y);
    previous = next;
  }
  // A selection move touches only the grid, far less than the screen.
  long long area = 0;
  for (const Tile &t : encoder.encodeChanges(menu, moved))
    area += qint64(t.area.width()) * t.area.height();
  EXPECT_GT(area, 0);
  EXPECT_LT(area, PhoneUi::kWidth * PhoneUi::kHeight / 2);

  // The home screen mixes flat bars and a photographic wallpaper: both kinds
  // of tile, and the result is close to the original everywhere.
  QImage fromHome(PhoneUi::kWidth, PhoneUi::kHeight, QImage::Format_RGB32);
  fromHome.fill(Qt::white);
  const QImage home = Screen();
  bool allGif = true;
  bool anyGif = false;
  for (const Tile &t : encoder.encodeChanges(QImage(), home)) {
    apply(fromHome, t, &allGif);
    anyGif |= t.data.startsWith('G');
  }
  EXPECT_FALSE(allGif);
  EXPECT_TRUE(anyGif);
  EXPECT_LT(meanAbsDiff(fromHome, home, home.rect()), 4.0);
}
