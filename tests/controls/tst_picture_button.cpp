// The picture button as a widget: mask, mouse, groups, visibility.
#include "controls/dxfPictureButton.h"

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
QImage KeyGlyph() {
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

  TdxfPictureButton *AddButton(QPoint at, QWidget *parent = nullptr) {
    QWidget *owner = parent ? parent : &top;
    auto *probe = new Probe(owner);
    QPalette pal = probe->palette();
    pal.setColor(QPalette::Window, kBeneathColour);
    probe->setPalette(pal);
    probe->setAutoFillBackground(true);
    probe->setGeometry(QRect(at, QSize(14, 14)));
    auto *button = new TdxfPictureButton(owner);
    button->move(at);
    probes.push_back(probe);
    return button;
  }

  bool Show() {
    top.show();
    return QTest::qWaitForWindowExposed(&top);
  }

  QPoint At(QWidget *w, QPoint p) { return w->mapTo(&top, p); }
  void Click(QWidget *w, QPoint p) {
    QTest::mouseClick(top.windowHandle(), Qt::LeftButton, {}, At(w, p));
  }
  void Press(QWidget *w, QPoint p) {
    QTest::mousePress(top.windowHandle(), Qt::LeftButton, {}, At(w, p));
  }
  void Release(QWidget *w, QPoint p) {
    QTest::mouseRelease(top.windowHandle(), Qt::LeftButton, {}, At(w, p));
  }
  void Move(QWidget *w, QPoint p) {
    QTest::mouseMove(top.windowHandle(), At(w, p));
  }
  // The colour the window shows at p of w, read back from the window
  // itself rather than painted afresh.
  QRgb Screen(QWidget *w, QPoint p) {
    QCoreApplication::processEvents();
    const QImage shot = top.screen()->grabWindow(top.winId()).toImage();
    return shot.pixel(At(w, p)) & 0xFFFFFF;
  }

  QWidget top;
  std::vector<Probe *> probes;
};

QRgb Rgb(const QImage &image, QPoint p) { return image.pixel(p) & 0xFFFFFF; }

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
};

void TestPictureButton::surroundLetsClicksThrough() {
  Scene scene;
  TdxfPictureButton *button = scene.AddButton(QPoint(20, 20));
  QSignalSpy clicks(button, &TdxfPictureButton::clicked);
  button->SetGlyph(KeyGlyph());
  QVERIFY(scene.Show());

  QCOMPARE(button->size(), QSize(14, 14));
  QVERIFY(button->Ready());
  QCOMPARE(button->BackgroundColor() & 0xFFFFFF, kWhite);
  QVERIFY(!button->mask().isEmpty());

  scene.Click(button, QPoint(1, 1));
  QCOMPARE(scene.probes[0]->presses, 1);
  QCOMPARE(clicks.count(), 0);
  scene.Click(button, QPoint(6, 6));
  QCOMPARE(clicks.count(), 1);
  QCOMPARE(scene.probes[0]->presses, 1);
  // The band one pixel out from the key belongs to the button.
  scene.Click(button, QPoint(2, 9));
  QCOMPARE(clicks.count(), 2);
  QCOMPARE(scene.probes[0]->presses, 1);

  // On screen: what lies beneath at the corner, the up picture inside.
  QCOMPARE(scene.Screen(button, QPoint(0, 0)), kBeneathColour.rgb() & kWhite);
  QCOMPARE(scene.Screen(button, QPoint(6, 6)), kRed);
  QCOMPARE(scene.Screen(button, QPoint(2, 2)),
           Rgb(button->UpImage(), QPoint(2, 2)));
  // Plain background pixels take the parent's colour.
  QCOMPARE(Rgb(button->UpImage(), QPoint(1, 1)), kParentColour.rgb() & kWhite);
}

void TestPictureButton::glyphWithoutOutlineCoversItsRectangle() {
  Scene scene;
  TdxfPictureButton *button = scene.AddButton(QPoint(20, 20));
  QSignalSpy clicks(button, &TdxfPictureButton::clicked);
  // The key runs to the right edge in every row: no run is closed.
  QImage glyph = KeyGlyph();
  for (int y = 0; y < 12; ++y)
    for (int x = 1; x < 12; ++x)
      glyph.setPixel(x, y, 0xFF000000 | kRed);
  button->SetGlyph(glyph);
  QVERIFY(scene.Show());

  QVERIFY(button->mask().isEmpty());
  scene.Click(button, QPoint(0, 0));
  QCOMPARE(clicks.count(), 1);
  QCOMPARE(scene.probes[0]->presses, 0);
  // The two-pixel strip beyond the picture shows what lies beneath, also
  // after that has changed, rather than stale pixels.
  QCOMPARE(scene.Screen(button, QPoint(13, 13)), kBeneathColour.rgb() & kWhite);
  QPalette pal = scene.probes[0]->palette();
  pal.setColor(QPalette::Window, QColor(0xFFFF00));
  scene.probes[0]->setPalette(pal);
  QCOMPARE(scene.Screen(button, QPoint(13, 13)), QRgb(0xFFFF00));
  QCOMPARE(scene.Screen(button, QPoint(5, 5)), kRed);
}

void TestPictureButton::groupKeepsOneButtonDown() {
  Scene scene;
  TdxfPictureButton *b[3];
  std::unique_ptr<QSignalSpy> clicks[3];
  for (int i = 0; i < 3; ++i) {
    b[i] = scene.AddButton(QPoint(10 + 30 * i, 20));
    b[i]->SetGlyph(KeyGlyph());
    b[i]->SetGroupIndex(5);
    clicks[i] = std::make_unique<QSignalSpy>(b[i], &TdxfPictureButton::clicked);
  }
  // Same group number under another parent: not part of the group.
  auto *box = new QWidget(&scene.top);
  box->setGeometry(130, 10, 100, 100);
  TdxfPictureButton *other = scene.AddButton(QPoint(10, 10), box);
  other->SetGlyph(KeyGlyph());
  other->SetGroupIndex(5);
  other->SetDown(true);
  QVERIFY(scene.Show());

  // An ungrouped button cannot be put down from code.
  TdxfPictureButton *loose = scene.AddButton(QPoint(10, 60));
  loose->SetGlyph(KeyGlyph());
  loose->SetDown(true);
  QVERIFY(!loose->Down());
  QVERIFY(!loose->Latched());

  b[2]->SetDown(true);
  QVERIFY(b[2]->Down() && b[2]->Latched());
  QCOMPARE(clicks[2]->count(), 0);

  scene.Click(b[0], QPoint(6, 6));
  QCOMPARE(clicks[0]->count(), 1);
  QVERIFY(b[0]->Down() && b[0]->Latched());
  QVERIFY(!b[1]->Down());
  QVERIFY(!b[2]->Down() && !b[2]->Latched());
  QVERIFY(other->Down());

  // Clicking the latched button again keeps it down and clicks again.
  scene.Click(b[0], QPoint(6, 6));
  QCOMPARE(clicks[0]->count(), 2);
  QVERIFY(b[0]->Down() && b[0]->Latched());

  // Code puts another one down and releases the first.
  b[1]->SetDown(true);
  QVERIFY(b[1]->Down());
  QVERIFY(!b[0]->Down() && !b[0]->Latched());

  // With AllowAllUp a click releases the latched button.
  b[1]->SetAllowAllUp(true);
  scene.Click(b[1], QPoint(6, 6));
  QCOMPARE(clicks[1]->count(), 1);
  QVERIFY(!b[1]->Down() && !b[1]->Latched());
  for (TdxfPictureButton *button : b)
    QVERIFY(!button->Down());

  // A press on a latched button that ends outside it leaves none down.
  b[2]->SetDown(true);
  scene.Press(b[2], QPoint(6, 6));
  QVERIFY(b[2]->Down());
  scene.Move(b[2], QPoint(0, 13));
  QVERIFY(b[2]->Down()); // still latched while the press lasts
  scene.Release(b[2], QPoint(0, 13));
  QCOMPARE(clicks[2]->count(), 0);
  for (TdxfPictureButton *button : b)
    QVERIFY(!button->Down() && !button->Latched());

  // A disabled button takes no click.
  b[0]->setEnabled(false);
  scene.Click(b[0], QPoint(6, 6));
  QCOMPARE(clicks[0]->count(), 2);
  QVERIFY(!b[0]->Down());
}

void TestPictureButton::pressMovedOffShowsTheUpPicture() {
  Scene scene;
  TdxfPictureButton *button = scene.AddButton(QPoint(20, 20));
  QSignalSpy clicks(button, &TdxfPictureButton::clicked);
  button->SetGlyph(KeyGlyph());
  QVERIFY(scene.Show());
  // At 2, 2 the up picture is white (light side), the down one black.
  const QPoint probe(2, 2);
  QVERIFY(Rgb(button->UpImage(), probe) != Rgb(button->DownImage(), probe));

  scene.Press(button, QPoint(6, 6));
  QVERIFY(button->Down());
  QCOMPARE(scene.Screen(button, probe), Rgb(button->DownImage(), probe));

  scene.Move(button, QPoint(1, 1)); // outside the mask
  QVERIFY(!button->Down());
  QVERIFY(!button->MouseInside());
  QCOMPARE(scene.Screen(button, probe), Rgb(button->UpImage(), probe));

  scene.Move(button, QPoint(5, 7));
  QVERIFY(button->Down());
  QCOMPARE(scene.Screen(button, probe), Rgb(button->DownImage(), probe));

  scene.Move(button, QPoint(30, 30));
  scene.Release(button, QPoint(30, 30));
  QCOMPARE(clicks.count(), 0);
  QVERIFY(!button->Down());
  QCOMPARE(scene.Screen(button, probe), Rgb(button->UpImage(), probe));

  // A press and release inside clicks, and the button pops back up.
  scene.Click(button, QPoint(6, 6));
  QCOMPARE(clicks.count(), 1);
  QVERIFY(!button->Down());
}

void TestPictureButton::doubleClickCountsAsTwoClicks() {
  Scene scene;
  TdxfPictureButton *button = scene.AddButton(QPoint(20, 20));
  QSignalSpy clicks(button, &TdxfPictureButton::clicked);
  QSignalSpy doubles(button, &TdxfPictureButton::doubleClicked);
  QSignalSpy downs(button, &TdxfPictureButton::mouseDown);
  button->SetGlyph(KeyGlyph());
  QVERIFY(scene.Show());

  QTest::mouseDClick(scene.top.windowHandle(), Qt::LeftButton, {},
                     scene.At(button, QPoint(6, 6)));
  QCOMPARE(downs.count(), 2);
  QCOMPARE(clicks.count(), 2);
  QCOMPARE(doubles.count(), 1);
  QVERIFY(!button->Down());
}

void TestPictureButton::ditherChangeWaitsForARebuild() {
  Scene scene;
  TdxfPictureButton *button = scene.AddButton(QPoint(20, 20));
  button->SetGlyph(KeyGlyph());
  button->SetGroupIndex(1);
  QVERIFY(scene.Show());
  button->SetDown(true);
  // Inside the key the pressed picture shows the glyph.
  const QPoint inner(6, 6);
  QCOMPARE(scene.Screen(button, inner), kRed);

  button->Dither().Style = dxfFill;
  button->Dither().Color = 0x0000FF;
  QCOMPARE(Rgb(button->DownImage(), inner), kRed);
  QCOMPARE(scene.Screen(button, inner), kRed);

  button->SetStyle(dxfNormal);
  QCOMPARE(Rgb(button->DownImage(), inner), QRgb(0x0000FF));
  QCOMPARE(scene.Screen(button, inner), QRgb(0x0000FF));

  button->Dither().Color = 0x00FF00;
  button->SetStyle(dxfNormal); // unchanged style: no rebuild
  QCOMPARE(Rgb(button->DownImage(), inner), QRgb(0x0000FF));
  button->SetVisible(false);
  button->SetVisible(true);
  QCOMPARE(Rgb(button->DownImage(), inner), QRgb(0x00FF00));

  button->Dither().Color = 0xFFFF00;
  button->SetGlyph(KeyGlyph());
  QCOMPARE(Rgb(button->DownImage(), inner), QRgb(0xFFFF00));
  QCOMPARE(scene.Screen(button, inner), QRgb(0xFFFF00));

  button->Dither().Color = clNone;
  button->SetStyle(dxfFlat);
  QCOMPARE(Rgb(button->DownImage(), inner), kRed);
}

void TestPictureButton::hiddenButtonKeepsItsPlaceAndLetsClicksThrough() {
  Scene scene;
  TdxfPictureButton *button = scene.AddButton(QPoint(20, 20));
  QSignalSpy clicks(button, &TdxfPictureButton::clicked);
  button->SetGlyph(KeyGlyph());
  QVERIFY(scene.Show());
  const QRect place = button->geometry();

  button->SetVisible(false);
  QVERIFY(!button->Visible());
  QCOMPARE(button->geometry(), place);
  QCOMPARE(scene.Screen(button, QPoint(6, 6)), kBeneathColour.rgb() & kWhite);
  scene.Click(button, QPoint(6, 6));
  QCOMPARE(clicks.count(), 0);
  QCOMPARE(scene.probes[0]->presses, 1);

  button->SetVisible(true);
  QCOMPARE(scene.Screen(button, QPoint(6, 6)), kRed);
  scene.Click(button, QPoint(6, 6));
  QCOMPARE(clicks.count(), 1);
  QCOMPARE(scene.probes[0]->presses, 1);

  // Hiding before the button is built takes effect at once as well.
  TdxfPictureButton *early = scene.AddButton(QPoint(60, 20));
  QSignalSpy earlyClicks(early, &TdxfPictureButton::clicked);
  early->show();
  scene.probes[1]->show();
  early->raise();
  early->SetVisible(false);
  early->LoadGlyph(KeyGlyph());
  scene.Click(early, QPoint(6, 6));
  QCOMPARE(scene.probes[1]->presses, 1);
  early->Loaded();
  scene.Click(early, QPoint(6, 6));
  QCOMPARE(scene.probes[1]->presses, 2);
  QCOMPARE(earlyClicks.count(), 0);
  early->SetVisible(true);
  scene.Click(early, QPoint(6, 6));
  QCOMPARE(earlyClicks.count(), 1);
}

void TestPictureButton::loadedButtonKeepsItsSize() {
  Scene scene;
  TdxfPictureButton *button = scene.AddButton(QPoint(20, 20));
  QCOMPARE(button->size(), QSize(40, 40));
  button->resize(30, 20);
  button->LoadGlyph(KeyGlyph());
  QVERIFY(!button->Ready());
  QVERIFY(button->mask().isEmpty());
  QVERIFY(button->UpImage().isNull());

  button->Loaded();
  QVERIFY(button->Ready());
  QCOMPARE(button->size(), QSize(30, 20));
  QVERIFY(!button->mask().isEmpty());
  QVERIFY(button->HitTest(QPoint(6, 6)));
  QVERIFY(!button->HitTest(QPoint(0, 0)));
  QCOMPARE(button->UpImage().size(), QSize(12, 12));

  // A glyph without pixels changes nothing but the picture.
  button->SetGlyph(QImage());
  QCOMPARE(button->size(), QSize(30, 20));
  QVERIFY(button->ShownImage().isNull());

  // Tag carries a key code for whoever handles the click.
  button->setProperty("Tag", 310);
  QCOMPARE(button->Tag(), 310);
}

QTEST_MAIN(TestPictureButton)
#include "tst_picture_button.moc"
