// The window's pictures as the program draws them from its SVG sheets: each
// element where the geometry puts it, drawn at every ratio, and the shaped
// pictures cut the way the buttons expect.
#include "app/ArtworkResources.h"
#include "controls/Artwork.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QTest>

namespace {

const QStringList kSheets = {"controlBar", "workArea", "keypad"};

bool isShaped(const QString &sheet, const QString &id) {
  return sheet == "keypad" || id.endsWith("Button") || id.endsWith("Indicator");
}

QImage argb(const QImage &image) {
  return image.convertToFormat(QImage::Format_ARGB32);
}

// The face of a shaped picture: every pixel that is not the top-left one's
// colour, in the picture's own coordinates.
QRegion face(const QImage &picture) {
  const QImage image = argb(picture);
  const QRgb background = image.pixel(0, 0);
  QRegion region;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != background)
        region += QRect(x, y, 1, 1);
  return region;
}

QRegion grown(const QRegion &region) {
  QRegion out;
  for (const QRect &r : region)
    out += r.adjusted(-1, -1, 1, 1);
  return out;
}

} // namespace

class TestArtwork : public QObject {
  Q_OBJECT
  std::unique_ptr<Artwork> m_art;

private slots:
  void initTestCase() {
    initArtwork();
    m_art = std::make_unique<Artwork>();
    QVERIFY2(m_art->isValid(), qPrintable(m_art->error()));
  }

  // A geometry that cannot be used is refused whole, with the reason.
  void refusesABrokenGeometry() {
    for (const char *json :
         {"{", "{\"controlBar\": {\"sheet\": \"a.svg\", \"size\": [1]}}",
          "{\"controlBar\": {\"sheet\": \"a.svg\", \"size\": [9, 9], "
          "\"pictures\": {\"x\": [0, 0, -5, 1]}}}"}) {
      ArtworkGeometry g;
      QString error;
      QVERIFY(!g.parse(json, &error));
      QVERIFY(!error.isEmpty());
      QVERIFY(g.keys().isEmpty() && g.sheetSize("controlBar").isEmpty());
    }
  }

  // Each picture's element has exactly its rectangle's bounds, so the
  // window's controls and the pictures they show share one place.
  void everyElementSitsAtItsRectangle() {
    const ArtworkGeometry &g = m_art->geometry();
    QCOMPARE(g.keys().size(), 25);
    for (const QString &sheet : kSheets) {
      const QString file = g.sheetFile(sheet);
      QCOMPARE(m_art->elementBounds(file, "background"),
               QRectF(QPointF(0, 0), g.sheetSize(sheet)));
      QVERIFY(!g.pictureIds(sheet).isEmpty());
      for (const QString &id : g.pictureIds(sheet)) {
        QVERIFY2(m_art->hasElement(file, id), qPrintable(file + ": " + id));
        QCOMPARE(m_art->elementBounds(file, id), QRectF(g.picture(sheet, id)));
      }
    }
    for (const ArtworkKey &key : g.keys())
      QVERIFY2(QRect(QPoint(0, 0), g.sheetSize("keypad")).contains(key.button),
               qPrintable(key.id));
  }

  void picturesAreDrawnAtEveryRatio_data() {
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("100%") << 1.0;
    QTest::newRow("150%") << 1.5;
    QTest::newRow("200%") << 2.0;
  }
  void picturesAreDrawnAtEveryRatio() {
    QFETCH(qreal, ratio);
    const ArtworkGeometry &g = m_art->geometry();
    auto check = [&](const QImage &image, QSize logical, const QString &what) {
      QVERIFY2(!image.isNull(), qPrintable(what));
      // At 150% an odd length has no whole number of pixels: it rounds.
      QCOMPARE(image.devicePixelRatio(), ratio);
      QCOMPARE(image.size(), QSize(qRound(logical.width() * ratio),
                                   qRound(logical.height() * ratio)));
      // Drawn, not left empty.
      const QImage pixels = argb(image);
      QVERIFY2(
          qAlpha(pixels.pixel(pixels.width() / 2, 0)) > 0 ||
              qAlpha(pixels.pixel(pixels.width() / 2, pixels.height() / 2)) > 0,
          qPrintable(what));
    };
    for (const QString &sheet : kSheets) {
      check(m_art->background(sheet, ratio), g.sheetSize(sheet), sheet);
      for (const QString &id : g.pictureIds(sheet))
        if (!id.startsWith("linkLed"))
          check(m_art->picture(sheet, id, ratio), g.picture(sheet, id).size(),
                id);
    }
    check(m_art->document("splash.svg", g.iconSize("splash"), ratio),
          g.iconSize("splash"), "splash");
    QStringList icons = {"app.svg", "page_language.svg", "page_log.svg"};
    for (int i = 0; i <= 12; ++i)
      icons << QString("menu_%1.svg").arg(i, 2, 10, QChar('0'));
    for (int i = 0; i < 4; ++i)
      icons << QString("tray_%1.svg").arg(i);
    for (const QString &file : icons) {
      const QPixmap p = m_art->icon(file).pixmap(QSize(16, 16), ratio);
      QVERIFY2(!p.isNull(), qPrintable(file));
      QCOMPARE(p.size(), QSize(qRound(16 * ratio), qRound(16 * ratio)));
    }
  }

  // A background drawn when exposed is the background picture.
  void backgroundsPaintAsTheirPictures() {
    for (const QString &sheet : kSheets) {
      const QImage picture = argb(m_art->background(sheet, 1));
      QImage painted(picture.size(), QImage::Format_ARGB32_Premultiplied);
      painted.fill(Qt::transparent);
      QPainter painter(&painted);
      m_art->paintBackground(painter, sheet);
      painter.end();
      QCOMPARE(argb(painted), picture);
    }
  }

  // The shaped buttons are cut from the colour of the picture's top-left
  // pixel: it must be white, and the face must be large and off white.
  void shapedPicturesAreCutFromWhite() {
    const ArtworkGeometry &g = m_art->geometry();
    for (const QString &sheet : kSheets)
      for (const QString &id : g.pictureIds(sheet)) {
        if (!isShaped(sheet, id))
          continue;
        const QImage picture = argb(m_art->picture(sheet, id, 1));
        QCOMPARE(picture.pixel(0, 0), qRgb(255, 255, 255));
        const QRegion f = face(picture);
        int pixels = 0;
        for (const QRect &r : f)
          pixels += r.width() * r.height();
        QVERIFY2(pixels >= 100, qPrintable(id));
      }
  }

  // Each key's face lies inside its button, and the band a button draws
  // around its face reaches no other key's face.
  void keysAreCutApart() {
    const ArtworkGeometry &g = m_art->geometry();
    QList<QRegion> faces;
    for (const ArtworkKey &key : g.keys()) {
      const QRegion f = face(m_art->picture("keypad", key.id, 1))
                            .translated(key.button.topLeft());
      QVERIFY2(f.subtracted(QRegion(key.button)).isEmpty(), qPrintable(key.id));
      faces.append(f);
    }
    // A key's picture is its face on the keypad: inside the face (away
    // from its antialiased edge) the two agree, so a pressed key shows the
    // face the keypad shows.
    const QImage pad = argb(m_art->background("keypad", 1));
    for (int k = 0; k < g.keys().size(); ++k) {
      const ArtworkKey &key = g.keys()[k];
      const QImage glyph = argb(m_art->picture("keypad", key.id, 1));
      const QRegion inner = faces[k].subtracted(
          grown(QRegion(QRect(QPoint(-10, -10), QSize(300, 300)))
                    .subtracted(faces[k])));
      int differing = 0;
      for (const QRect &r : inner)
        for (int y = r.top(); y <= r.bottom(); ++y)
          for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb a = pad.pixel(x, y);
            const QRgb b = glyph.pixel(x - key.button.x(), y - key.button.y());
            if (qAbs(qRed(a) - qRed(b)) > 8 ||
                qAbs(qGreen(a) - qGreen(b)) > 8 ||
                qAbs(qBlue(a) - qBlue(b)) > 8)
              ++differing;
          }
      QVERIFY2(differing == 0, qPrintable(key.id));
    }
    for (int i = 0; i < faces.size(); ++i)
      for (int j = 0; j < faces.size(); ++j)
        if (i != j)
          QVERIFY2(!grown(faces[i]).intersects(faces[j]),
                   qPrintable(g.keys()[i].id + " touches " + g.keys()[j].id));
  }
};

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
