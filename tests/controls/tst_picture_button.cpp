// The picture button as a widget: mask, mouse, groups, visibility.
#include "controls/PictureButton.h"

#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <memory>

namespace {

constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kRed = 0xFF0000;
const QColor kParentColour(0x33, 0x66, 0x99);
const QColor kBeneathColour(0x00, 0xAA, 0x00);

// Counts the presses that reach it.
class Probe : public QWidget {
public:
  using QWidget::QWidget;
  int presses = 0;

protected:
  void mousePressEvent(QMouseEvent *) override { ++presses; }
};

// 12 x 12: a red 6 x 6 key at 3..8 on white. Its outline covers columns
// and rows 2 to 9 and a wedge above; the corners stay outside.
QImage keyGlyph() {
  QImage glyph(12, 12, QImage::Format_RGB32);
  glyph.fill(0xFF000000 | kWhite);
  for (int y = 3; y <= 8; ++y)
    for (int x = 3; x <= 8; ++x)
      glyph.setPixel(x, y, 0xFF000000 | kRed);
  return glyph;
}

// A window with a probe under each button it places.
class Scene {
public:
  Scene() {
    top.resize(240, 120);
    QPalette pal = top.palette();
    pal.setColor(QPalette::Window, kParentColour);
    top.setPalette(pal);
    top.setAutoFillBackground(true);
  }

  PictureButton *addButton(QPoint at, QWidget *parent = nullptr) {
    QWidget *owner = parent ? parent : &top;
    auto *probe = new Probe(owner);
    QPalette pal = probe->palette();
    pal.setColor(QPalette::Window, kBeneathColour);
    probe->setPalette(pal);
    probe->setAutoFillBackground(true);
    probe->setGeometry(QRect(at, QSize(14, 14)));
    auto *button = new PictureButton(owner);
    button->move(at);
    probes.push_back(probe);
    return button;
  }

  bool showAndWait() {
    top.show();
    return QTest::qWaitForWindowExposed(&top);
  }

  QPoint At(QWidget *w, QPoint p) { return w->mapTo(&top, p); }
  void click(QWidget *w, QPoint p) {
    QTest::mouseClick(top.windowHandle(), Qt::LeftButton, {}, At(w, p));
  }
  void press(QWidget *w, QPoint p) {
    QTest::mousePress(top.windowHandle(), Qt::LeftButton, {}, At(w, p));
  }
  void release(QWidget *w, QPoint p) {
    QTest::mouseRelease(top.windowHandle(), Qt::LeftButton, {}, At(w, p));
  }
  void move(QWidget *w, QPoint p) {
    QTest::mouseMove(top.windowHandle(), At(w, p));
  }
  // The colour the window shows at p of w, read back from the window
  // itself rather than painted afresh.
  QRgb screen(QWidget *w, QPoint p) {
    QCoreApplication::processEvents();
    const QImage shot = top.screen()->grabWindow(top.winId()).toImage();
    return shot.pixel(At(w, p)) & 0xFFFFFF;
  }

  QWidget top;
  std::vector<Probe *> probes;
};

QRgb rgb(const QImage &image, QPoint p) { return image.pixel(p) & 0xFFFFFF; }

} // namespace

class TestPictureButton : public QObject {
  Q_OBJECT

private slots:
  void surroundLetsClicksThrough();
  void glyphWithoutOutlineCoversItsRectangle();
  void groupKeepsOneButtonDown();
  void pressMovedOffShowsTheUpPicture();
  void doubleClickCountsAsTwoClicks();
  void ditherChangeWaitsForARebuild();
  void hiddenButtonKeepsItsPlaceAndLetsClicksThrough();
  void loadedButtonKeepsItsSize();
  void detailedGlyphIsPaintedButDoesNotShape();
};

void TestPictureButton::surroundLetsClicksThrough() {
  Scene scene;
  PictureButton *button = scene.addButton(QPoint(20, 20));
  QSignalSpy clicks(button, &PictureButton::clicked);
  button->setGlyph(keyGlyph());
  QVERIFY(scene.showAndWait());

  QCOMPARE(button->size(), QSize(14, 14));
  QVERIFY(button->ready());
  QCOMPARE(button->backgroundColor() & 0xFFFFFF, kWhite);
  QVERIFY(!button->mask().isEmpty());

  scene.click(button, QPoint(1, 1));
  QCOMPARE(scene.probes[0]->presses, 1);
  QCOMPARE(clicks.count(), 0);
  scene.click(button, QPoint(6, 6));
  QCOMPARE(clicks.count(), 1);
  QCOMPARE(scene.probes[0]->presses, 1);
  // The band one pixel out from the key belongs to the button.
  scene.click(button, QPoint(2, 9));
  QCOMPARE(clicks.count(), 2);
  QCOMPARE(scene.probes[0]->presses, 1);

  // On screen: what lies beneath at the corner, the up picture inside.
  QCOMPARE(scene.screen(button, QPoint(0, 0)), kBeneathColour.rgb() & kWhite);
  QCOMPARE(scene.screen(button, QPoint(6, 6)), kRed);
  QCOMPARE(scene.screen(button, QPoint(2, 2)),
           rgb(button->upImage(), QPoint(2, 2)));
  // Plain background pixels take the parent's colour.
  QCOMPARE(rgb(button->upImage(), QPoint(1, 1)), kParentColour.rgb() & kWhite);
}

void TestPictureButton::glyphWithoutOutlineCoversItsRectangle() {
  Scene scene;
  PictureButton *button = scene.addButton(QPoint(20, 20));
  QSignalSpy clicks(button, &PictureButton::clicked);
  // The key runs to the right edge in every row: no run is closed.
  QImage glyph = keyGlyph();
  for (int y = 0; y < 12; ++y)
    for (int x = 1; x < 12; ++x)
      glyph.setPixel(x, y, 0xFF000000 | kRed);
  button->setGlyph(glyph);
  QVERIFY(scene.showAndWait());

  QVERIFY(button->mask().isEmpty());
  scene.click(button, QPoint(0, 0));
  QCOMPARE(clicks.count(), 1);
  QCOMPARE(scene.probes[0]->presses, 0);
  // The two-pixel strip beyond the picture shows what lies beneath, also
  // after that has changed, rather than stale pixels.
  QCOMPARE(scene.screen(button, QPoint(13, 13)), kBeneathColour.rgb() & kWhite);
  QPalette pal = scene.probes[0]->palette();
  pal.setColor(QPalette::Window, QColor(0xFFFF00));
  scene.probes[0]->setPalette(pal);
  QCOMPARE(scene.screen(button, QPoint(13, 13)), QRgb(0xFFFF00));
  QCOMPARE(scene.screen(button, QPoint(5, 5)), kRed);
}

void TestPictureButton::groupKeepsOneButtonDown() {
  Scene scene;
  PictureButton *b[3];
  std::unique_ptr<QSignalSpy> clicks[3];
  for (int i = 0; i < 3; ++i) {
    b[i] = scene.addButton(QPoint(10 + 30 * i, 20));
    b[i]->setGlyph(keyGlyph());
    b[i]->setGroupIndex(5);
    clicks[i] = std::make_unique<QSignalSpy>(b[i], &PictureButton::clicked);
  }
  // Same group number under another parent: not part of the group.
  auto *box = new QWidget(&scene.top);
  box->setGeometry(130, 10, 100, 100);
  PictureButton *other = scene.addButton(QPoint(10, 10), box);
  other->setGlyph(keyGlyph());
  other->setGroupIndex(5);
  other->setDown(true);
  QVERIFY(scene.showAndWait());

  // An ungrouped button cannot be put down from code.
  PictureButton *loose = scene.addButton(QPoint(10, 60));
  loose->setGlyph(keyGlyph());
  loose->setDown(true);
  QVERIFY(!loose->isDown());
  QVERIFY(!loose->latched());

  b[2]->setDown(true);
  QVERIFY(b[2]->isDown() && b[2]->latched());
  QCOMPARE(clicks[2]->count(), 0);

  scene.click(b[0], QPoint(6, 6));
  QCOMPARE(clicks[0]->count(), 1);
  QVERIFY(b[0]->isDown() && b[0]->latched());
  QVERIFY(!b[1]->isDown());
  QVERIFY(!b[2]->isDown() && !b[2]->latched());
  QVERIFY(other->isDown());

  // Clicking the latched button again keeps it down and clicks again.
  scene.click(b[0], QPoint(6, 6));
  QCOMPARE(clicks[0]->count(), 2);
  QVERIFY(b[0]->isDown() && b[0]->latched());

  // Code puts another one down and releases the first.
  b[1]->setDown(true);
  QVERIFY(b[1]->isDown());
  QVERIFY(!b[0]->isDown() && !b[0]->latched());

  // With allowAllUp a click releases the latched button.
  b[1]->setAllowAllUp(true);
  scene.click(b[1], QPoint(6, 6));
  QCOMPARE(clicks[1]->count(), 1);
  QVERIFY(!b[1]->isDown() && !b[1]->latched());
  for (PictureButton *button : b)
    QVERIFY(!button->isDown());

  // A press on a latched button that ends outside it leaves none down.
  b[2]->setDown(true);
  scene.press(b[2], QPoint(6, 6));
  QVERIFY(b[2]->isDown());
  scene.move(b[2], QPoint(0, 13));
  QVERIFY(b[2]->isDown()); // still latched while the press lasts
  scene.release(b[2], QPoint(0, 13));
  QCOMPARE(clicks[2]->count(), 0);
  for (PictureButton *button : b)
    QVERIFY(!button->isDown() && !button->latched());

  // A disabled button takes no click.
  b[0]->setEnabled(false);
  scene.click(b[0], QPoint(6, 6));
  QCOMPARE(clicks[0]->count(), 2);
  QVERIFY(!b[0]->isDown());
}

void TestPictureButton::pressMovedOffShowsTheUpPicture() {
  Scene scene;
  PictureButton *button = scene.addButton(QPoint(20, 20));
  QSignalSpy clicks(button, &PictureButton::clicked);
  button->setGlyph(keyGlyph());
  QVERIFY(scene.showAndWait());
  // At 2, 2 the up picture is white (light side), the down one black.
  const QPoint probe(2, 2);
  QVERIFY(rgb(button->upImage(), probe) != rgb(button->downImage(), probe));

  scene.press(button, QPoint(6, 6));
  QVERIFY(button->isDown());
  QCOMPARE(scene.screen(button, probe), rgb(button->downImage(), probe));

  scene.move(button, QPoint(1, 1)); // outside the mask
  QVERIFY(!button->isDown());
  QVERIFY(!button->mouseInside());
  QCOMPARE(scene.screen(button, probe), rgb(button->upImage(), probe));

  scene.move(button, QPoint(5, 7));
  QVERIFY(button->isDown());
  QCOMPARE(scene.screen(button, probe), rgb(button->downImage(), probe));

  scene.move(button, QPoint(30, 30));
  scene.release(button, QPoint(30, 30));
  QCOMPARE(clicks.count(), 0);
  QVERIFY(!button->isDown());
  QCOMPARE(scene.screen(button, probe), rgb(button->upImage(), probe));

  // A press and release inside clicks, and the button pops back up.
  scene.click(button, QPoint(6, 6));
  QCOMPARE(clicks.count(), 1);
  QVERIFY(!button->isDown());
}

void TestPictureButton::doubleClickCountsAsTwoClicks() {
  Scene scene;
  PictureButton *button = scene.addButton(QPoint(20, 20));
  QSignalSpy clicks(button, &PictureButton::clicked);
  QSignalSpy doubles(button, &PictureButton::doubleClicked);
  QSignalSpy downs(button, &PictureButton::mouseDown);
  button->setGlyph(keyGlyph());
  QVERIFY(scene.showAndWait());

  QTest::mouseDClick(scene.top.windowHandle(), Qt::LeftButton, {},
                     scene.At(button, QPoint(6, 6)));
  QCOMPARE(downs.count(), 2);
  QCOMPARE(clicks.count(), 2);
  QCOMPARE(doubles.count(), 1);
  QVERIFY(!button->isDown());
}

void TestPictureButton::ditherChangeWaitsForARebuild() {
  Scene scene;
  PictureButton *button = scene.addButton(QPoint(20, 20));
  button->setGlyph(keyGlyph());
  button->setGroupIndex(1);
  QVERIFY(scene.showAndWait());
  button->setDown(true);
  // Inside the key the pressed picture shows the glyph.
  const QPoint inner(6, 6);
  QCOMPARE(scene.screen(button, inner), kRed);

  button->dither().buttonStyle = DitherStyle::Fill;
  button->dither().color = 0x0000FF;
  QCOMPARE(rgb(button->downImage(), inner), kRed);
  QCOMPARE(scene.screen(button, inner), kRed);

  button->setButtonStyle(PictureButtonStyle::Normal);
  QCOMPARE(rgb(button->downImage(), inner), QRgb(0x0000FF));
  QCOMPARE(scene.screen(button, inner), QRgb(0x0000FF));

  button->dither().color = 0x00FF00;
  button->setButtonStyle(
      PictureButtonStyle::Normal); // unchanged style: no rebuild
  QCOMPARE(rgb(button->downImage(), inner), QRgb(0x0000FF));
  button->setPictureVisible(false);
  button->setPictureVisible(true);
  QCOMPARE(rgb(button->downImage(), inner), QRgb(0x00FF00));

  button->dither().color = 0xFFFF00;
  button->setGlyph(keyGlyph());
  QCOMPARE(rgb(button->downImage(), inner), QRgb(0xFFFF00));
  QCOMPARE(scene.screen(button, inner), QRgb(0xFFFF00));

  button->dither().color = kNoColor;
  button->setButtonStyle(PictureButtonStyle::Flat);
  QCOMPARE(rgb(button->downImage(), inner), kRed);
}

void TestPictureButton::hiddenButtonKeepsItsPlaceAndLetsClicksThrough() {
  Scene scene;
  PictureButton *button = scene.addButton(QPoint(20, 20));
  QSignalSpy clicks(button, &PictureButton::clicked);
  button->setGlyph(keyGlyph());
  QVERIFY(scene.showAndWait());
  const QRect place = button->geometry();

  button->setPictureVisible(false);
  QVERIFY(!button->isPictureVisible());
  QCOMPARE(button->geometry(), place);
  QCOMPARE(scene.screen(button, QPoint(6, 6)), kBeneathColour.rgb() & kWhite);
  scene.click(button, QPoint(6, 6));
  QCOMPARE(clicks.count(), 0);
  QCOMPARE(scene.probes[0]->presses, 1);

  button->setPictureVisible(true);
  QCOMPARE(scene.screen(button, QPoint(6, 6)), kRed);
  scene.click(button, QPoint(6, 6));
  QCOMPARE(clicks.count(), 1);
  QCOMPARE(scene.probes[0]->presses, 1);

  // Hiding before the button is built takes effect at once as well.
  PictureButton *early = scene.addButton(QPoint(60, 20));
  QSignalSpy earlyClicks(early, &PictureButton::clicked);
  early->show();
  scene.probes[1]->show();
  early->raise();
  early->setPictureVisible(false);
  early->loadGlyph(keyGlyph());
  scene.click(early, QPoint(6, 6));
  QCOMPARE(scene.probes[1]->presses, 1);
  early->loaded();
  scene.click(early, QPoint(6, 6));
  QCOMPARE(scene.probes[1]->presses, 2);
  QCOMPARE(earlyClicks.count(), 0);
  early->setPictureVisible(true);
  scene.click(early, QPoint(6, 6));
  QCOMPARE(earlyClicks.count(), 1);
}

void TestPictureButton::loadedButtonKeepsItsSize() {
  Scene scene;
  PictureButton *button = scene.addButton(QPoint(20, 20));
  QCOMPARE(button->size(), QSize(40, 40));
  button->resize(30, 20);
  button->loadGlyph(keyGlyph());
  QVERIFY(!button->ready());
  QVERIFY(button->mask().isEmpty());
  QVERIFY(button->upImage().isNull());

  button->loaded();
  QVERIFY(button->ready());
  QCOMPARE(button->size(), QSize(30, 20));
  QVERIFY(!button->mask().isEmpty());
  QVERIFY(button->hitTest(QPoint(6, 6)));
  QVERIFY(!button->hitTest(QPoint(0, 0)));
  QCOMPARE(button->upImage().size(), QSize(12, 12));

  // A glyph without pixels changes nothing but the picture.
  button->setGlyph(QImage());
  QCOMPARE(button->size(), QSize(30, 20));
  QVERIFY(button->shownImage().isNull());

  // Tag carries a key code for whoever handles the click.
  button->setProperty("tag", 310);
  QCOMPARE(button->tag(), 310);
}

// On a screen at 200% the button paints its detailed picture, while its
// shape and its hit test stay those of the logical glyph.
void TestPictureButton::detailedGlyphIsPaintedButDoesNotShape() {
  Scene scene;
  PictureButton *plain = scene.addButton(QPoint(20, 20));
  PictureButton *sharp = scene.addButton(QPoint(60, 20));
  QImage detail = keyGlyph().scaled(24, 24);
  detail.setDevicePixelRatio(2);
  for (PictureButton *b : {plain, sharp}) {
    b->resize(12, 12);
    b->setButtonStyle(PictureButtonStyle::Raised);
  }
  plain->loadGlyph(keyGlyph());
  sharp->loadGlyph(keyGlyph(), detail);
  plain->loaded();
  sharp->loaded();

  QCOMPARE(sharp->mask(), plain->mask());
  QCOMPARE(sharp->shownImage(), plain->shownImage());
  const QImage painted = sharp->paintedImage();
  QCOMPARE(painted.size(), QSize(24, 24));
  QCOMPARE(painted.devicePixelRatio(), 2.0);
  // The same bevel algorithm ran on the detailed face: its face pixels
  // match the logical picture's, two by two.
  QCOMPARE(rgb(painted, QPoint(10, 10)),
           rgb(plain->shownImage(), QPoint(5, 5)));
  QCOMPARE(plain->paintedImage(), plain->shownImage());

  // A detail of the wrong size is ignored.
  QImage wrong(30, 30, QImage::Format_RGB32);
  wrong.setDevicePixelRatio(2);
  sharp->loadGlyph(keyGlyph(), wrong);
  sharp->loaded();
  QCOMPARE(sharp->paintedImage(), plain->shownImage());
}

QTEST_MAIN(TestPictureButton)
#include "tst_picture_button.moc"
