#include "screen/TileDecoder.h"

#include "TileFixtures.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using namespace fixtures;

namespace {

bool allOpaque(const QImage &image) {
  for (int y = 0; y < image.height(); ++y) {
    const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(line[x]) != 255)
        return false;
  }
  return true;
}

template <typename F> std::string errorOf(F &&f) {
  try {
    f();
  } catch (const TileDecodeError &e) {
    return e.what();
  }
  return "(no error)";
}

const QRgb kWhite = qRgb(255, 255, 255);

} // namespace

TEST(TileDecoder, JpegDecodesLikeQtsReaderIntoOpaqueRgb32) {
  const QImage source = patternImage(176, 208);
  struct Case {
    const char *name;
    QByteArray jpeg;
  };
  const Case cases[] = {
      {"4:2:0", encodeJpeg(source, 75, true)},
      {"4:4:4", encodeJpeg(source, 90, false)},
      {"grey", encodeJpeg(source, 75, true, true)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    QString warning = "stale";
    const QImage decoded = decodeTile(c.jpeg, &warning);
    EXPECT_TRUE(warning.isEmpty()) << warning.toStdString();
    ASSERT_EQ(decoded.format(), QImage::Format_RGB32);
    ASSERT_EQ(decoded.size(), source.size());
    EXPECT_TRUE(allOpaque(decoded));
    const QImage reference =
        QImage::fromData(c.jpeg, "JPEG").convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(reference.isNull());
    EXPECT_EQ(decoded, reference);

    // A tile started and never read leaves the decoder ready for the next.
    TileDecoder decoder;
    EXPECT_EQ(decoder.startJpeg(c.jpeg), source.size());
    EXPECT_EQ(decoder.decode(c.jpeg), reference);
  }
}

TEST(TileDecoder, GifFirstImageIsPlacedOnItsScreenWithItsOwnColours) {
  const QList<QRgb> global = {qRgb(1, 1, 1), qRgb(2, 2, 2), qRgb(3, 3, 3),
                              qRgb(4, 4, 4)};
  const QList<QRgb> local = {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200),
                             qRgb(90, 90, 0)};
  GifFrame first;
  first.rect = QRect(2, 1, 4, 3);
  first.colours = local;
  first.transparent = 1;
  first.pixels = QByteArray("\x00\x01\x02\x03"
                            "\x03\x02\x01\x00"
                            "\x02\x02\x02\x02",
                            12);
  GifFrame second;
  second.rect = QRect(0, 0, 8, 6);
  second.pixels = QByteArray(48, '\x02');
  const QImage decoded =
      decodeTile(encodeGif(QSize(8, 6), global, {first, second}));

  ASSERT_EQ(decoded.size(), QSize(8, 6));
  ASSERT_EQ(decoded.format(), QImage::Format_RGB32);
  EXPECT_TRUE(allOpaque(decoded));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) {
      SCOPED_TRACE(testing::Message() << x << "," << y);
      QRgb expected = kWhite;
      if (first.rect.contains(x, y)) {
        const int index =
            first.pixels[(y - 1) * 4 + (x - 2)]; // local table, not global
        if (index != first.transparent)
          expected = local[index];
      }
      EXPECT_EQ(decoded.pixel(x, y), expected);
    }

  // Global table when there is no local one; an image reaching past the
  // logical screen widens the picture.
  GifFrame beyond;
  beyond.rect = QRect(2, 3, 4, 4);
  beyond.pixels = QByteArray(16, '\x03');
  const QImage wide = decodeTile(encodeGif(QSize(4, 4), global, {beyond}));
  ASSERT_EQ(wide.size(), QSize(6, 7));
  EXPECT_EQ(wide.pixel(5, 6), global[3]);
  EXPECT_EQ(wide.pixel(1, 1), kWhite);
}

TEST(TileDecoder, InterlacedGifRowsLandInPlace) {
  QList<QRgb> colours;
  for (int i = 0; i < 16; ++i)
    colours.append(qRgb(i * 16, 255 - i * 16, 40));
  GifFrame frame;
  frame.rect = QRect(0, 0, 3, 13);
  frame.interlaced = true;
  for (int row = 0; row < 13; ++row)
    frame.pixels.append(QByteArray(3, char(row)));
  const QByteArray gif = encodeGif(QSize(3, 13), colours, {frame});

  const QImage decoded = decodeTile(gif);
  ASSERT_EQ(decoded.size(), QSize(3, 13));
  for (int row = 0; row < 13; ++row)
    EXPECT_EQ(decoded.pixel(1, row), colours[row]) << "row " << row;
  // The fixture itself agrees with an independent reader.
  EXPECT_EQ(decoded,
            QImage::fromData(gif, "GIF").convertToFormat(QImage::Format_RGB32));
}

TEST(TileDecoder, DataNotInTheChosenFormatIsAnError) {
  const QByteArray jpeg = encodeJpeg(patternImage(34, 34));
  const QByteArray gif = gifFromImage(uniformTile(10, 10, qRgb(9, 9, 9), 0));

  // 'G' selects GIF whatever follows.
  const std::string gifError = errorOf([&] { decodeTile("G" + jpeg); });
  EXPECT_NE(gifError.find("GIF"), std::string::npos) << gifError;

  EXPECT_NE(errorOf([] { decodeTile(QByteArray()); }), "(no error)");
  const std::string garbage = errorOf(
      [] { decodeTile(QByteArray("\x01\x02 garbage, not a picture")); });
  EXPECT_NE(garbage.find("JPEG"), std::string::npos) << garbage;

  // A JPEG cut inside its header has no image to draw.
  EXPECT_NE(errorOf([&] { decodeTile(jpeg.left(jpegScanStart(jpeg) - 20)); }),
            "(no error)");
  // A GIF cut inside its pixel data, and one without any image.
  EXPECT_NE(errorOf([&] { decodeTile(gif.left(gif.size() - 6)); }),
            "(no error)");
  const std::string noImage = errorOf([&] {
    decodeTile(encodeGif(QSize(4, 4), {0, kWhite}, {}));
  });
  EXPECT_NE(noImage.find("no image"), std::string::npos) << noImage;
}

TEST(TileDecoder, JpegEndingInsideTheScanIsDecodedWithAWarning) {
  const QByteArray jpeg = encodeJpeg(patternImage(48, 48));
  const qsizetype scan = jpegScanStart(jpeg);
  ASSERT_GT(scan, 0);
  const QByteArray cut = jpeg.left(scan + (jpeg.size() - scan) * 6 / 10);

  QString warning;
  const QImage full = decodeTile(jpeg);
  const QImage partial = decodeTile(cut, &warning);
  EXPECT_FALSE(warning.isEmpty());
  ASSERT_EQ(partial.size(), QSize(48, 48));
  EXPECT_TRUE(allOpaque(partial));
  // The first block row arrived whole.
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 48; ++x)
      ASSERT_EQ(partial.pixel(x, y), full.pixel(x, y)) << x << "," << y;
}

TEST(TileDecoder, RefusesOversizedImagesFromTheirHeaders) {
  const QByteArray jpeg = encodeJpeg(patternImage(16, 16));
  const QByteArray gif = gifFromImage(uniformTile(8, 8, qRgb(9, 9, 9), 0));
  struct Case {
    const char *name;
    QByteArray data;
  };
  // Small files announcing large pictures: the header alone refuses them,
  // before any pixel memory exists.
  const Case cases[] = {
      {"jpeg 60000", patchJpegSize(jpeg, 60000, 60000)},
      {"jpeg 1025 x 10", patchJpegSize(jpeg, 1025, 10)},
      {"jpeg 10 x 1025", patchJpegSize(jpeg, 10, 1025)},
      {"jpeg wide", encodeJpeg(patternImage(1025, 8))},
      {"gif screen 1025 x 10", patchGifScreenSize(gif, 1025, 10)},
      {"gif screen 10 x 1025", patchGifScreenSize(gif, 10, 1025)},
      {"gif image", patchGifImageSize(gif, 60000, 60000)},
      {"gif tall image", patchGifImageSize(gif, 8, 1025)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.data.isEmpty());
    const std::string error = errorOf([&] { decodeTile(c.data); });
    EXPECT_NE(error.find("larger than 1024"), std::string::npos) << error;
  }
  // Placed far right on a small screen, a small image still makes the
  // picture too wide.
  GifFrame far;
  far.rect = QRect(1000, 0, 200, 2);
  far.pixels = QByteArray(400, '\x01');
  const std::string error = errorOf([&] {
    decodeTile(encodeGif(QSize(8, 8), {0, kWhite}, {far}));
  });
  EXPECT_NE(error.find("larger than 1024"), std::string::npos) << error;

  // The largest accepted size decodes in full.
  EXPECT_EQ(decodeTile(encodeJpeg(patternImage(1024, 1024))).size(),
            QSize(1024, 1024));
  EXPECT_EQ(decodeTile(gifFromImage(uniformTile(1024, 1024, qRgb(9, 9, 9), 0)))
                .size(),
            QSize(1024, 1024));
}

TEST(TileDecoder, DamagedTilesDecodeOrThrowButNeverCrash) {
  const QByteArray originals[] = {
      encodeJpeg(patternImage(34, 34)),
      encodeJpeg(patternImage(40, 24), 50, false),
      gifFromImage(patternImage(30, 20).convertToFormat(QImage::Format_Indexed8,
                                                        Qt::ThresholdDither)),
  };
  QRandomGenerator random(20240611);
  int thrown = 0;
  for (const QByteArray &original : originals) {
    ASSERT_FALSE(original.isEmpty());
    for (int round = 0; round < 400; ++round) {
      QByteArray damaged = original;
      const int changes = 1 + random.bounded(8);
      for (int i = 0; i < changes; ++i)
        damaged[random.bounded(int(damaged.size()))] =
            char(random.bounded(256));
      if (round % 4 == 0)
        damaged.truncate(random.bounded(int(damaged.size())));
      try {
        const QImage image = decodeTile(damaged);
        EXPECT_LE(image.width(), kMaxTileSide);
        EXPECT_LE(image.height(), kMaxTileSide);
      } catch (const TileDecodeError &) {
        ++thrown;
      }
    }
  }
  EXPECT_GT(thrown, 0);
}

// Rows of every width up to a full tile's, with all 256 indices, map each
// index to its colour (the lookup goes 64, 8 or 1 pixels at a time).
TEST(TileDecoder, GifColoursOfEveryIndexAtEveryRowWidth) {
  QList<QRgb> colours;
  for (int i = 0; i < 256; ++i)
    colours.append(qRgb(i, 255 - i, (i * 37) & 255));
  for (const int width : {1, 7, 8, 63, 64, 65, 130, 178}) {
    GifFrame frame;
    frame.rect = QRect(0, 0, width, 3);
    frame.transparent = 200;
    for (int i = 0; i < width * 3; ++i)
      frame.pixels.append(char((i * 7 + width) & 255));
    const QImage decoded =
        decodeTile(encodeGif(frame.rect.size(), colours, {frame}));
    ASSERT_EQ(decoded.size(), frame.rect.size());
    int mismatches = 0;
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < width; ++x) {
        const int index = uchar(frame.pixels[y * width + x]);
        const QRgb expected = index == 200 ? kWhite : colours[index];
        if (decoded.pixel(x, y) != expected && ++mismatches <= 3)
          ADD_FAILURE() << "width " << width << " pixel " << x << "," << y;
      }
    EXPECT_EQ(mismatches, 0);
  }
}
