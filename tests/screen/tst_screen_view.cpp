#include "screen/ScreenCanvas.h"
#include "screen/ScreenView.h"

#include "TileFixtures.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPaintEvent>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <thread>

namespace {

// Records the regions of the paint events a widget receives.
class PaintRecorder : public QObject {
public:
  explicit PaintRecorder(QWidget *widget) { widget->installEventFilter(this); }
  QList<QRegion> regions;

protected:
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::Paint)
      regions.append(static_cast<QPaintEvent *>(event)->region());
    return false;
  }
};

const QColor kBackground(12, 34, 56);

} // namespace

class TestScreenView : public QObject {
  Q_OBJECT

private slots:
  void init();
  void cleanup();
  void showsThePicturesOrTheBackground();
  void repaintsOnlyTheTileRectangle();
  void showsALoneChangeAtOnceAndGroupsWithinAFrame();
  void copiesAndDragsTheOneToOnePicture();

private:
  QImage grab(const ScreenImage *view) {
    return m_window->grab()
        .copy(view->geometry())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }

  ScreenCanvas *m_canvas = nullptr;
  QWidget *m_window = nullptr;
  ScreenImage *m_screen = nullptr;
  ScreenImage *m_zoom = nullptr;
};

void TestScreenView::init() {
  m_canvas = new ScreenCanvas;
  m_window = new QWidget;
  m_window->resize(600, 460);
  QPalette palette = m_window->palette();
  palette.setColor(QPalette::Window, kBackground);
  m_window->setPalette(palette);
  m_window->setAutoFillBackground(true);
  m_screen = new ScreenImage(m_canvas, false, m_window);
  m_screen->setGeometry(QRect(QPoint(5, 5), m_screen->sizeHint()));
  m_zoom = new ScreenImage(m_canvas, true, m_window);
  m_zoom->setGeometry(QRect(QPoint(200, 5), m_zoom->sizeHint()));
  connectScreenViews(m_canvas, {m_screen, m_zoom});
  m_window->show();
  QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestScreenView::cleanup() {
  delete m_window;
  delete m_canvas;
}

void TestScreenView::showsThePicturesOrTheBackground() {
  QCOMPARE(m_screen->sizeHint(), QSize(176, 208));
  QCOMPARE(m_zoom->sizeHint(), QSize(352, 416));

  QImage background(m_zoom->size(), QImage::Format_RGB32);
  background.fill(kBackground);
  QCOMPARE(grab(m_zoom), background);

  m_canvas->resetPictures();
  m_canvas->drawTile(
      fixtures::gifFromImage(fixtures::patternImage(34, 34).convertToFormat(
          QImage::Format_Indexed8, Qt::ThresholdDither)),
      10, 20);
  QCOMPARE(grab(m_screen), m_canvas->screen());
  QCOMPARE(grab(m_zoom), m_canvas->zoom());
  // Once the change is shown, a view with a picture paints all of itself:
  // nothing is painted beneath it.
  QTRY_VERIFY(m_zoom->testAttribute(Qt::WA_OpaquePaintEvent) &&
              m_screen->testAttribute(Qt::WA_OpaquePaintEvent));
  QCOMPARE(grab(m_zoom), m_canvas->zoom());

  m_canvas->removePictures();
  QTRY_VERIFY(!m_zoom->testAttribute(Qt::WA_OpaquePaintEvent));
  QCOMPARE(grab(m_zoom), background);
}

void TestScreenView::repaintsOnlyTheTileRectangle() {
  m_canvas->resetPictures();
  PaintRecorder screenPaints(m_screen);
  PaintRecorder zoomPaints(m_zoom);
  QTRY_VERIFY(!screenPaints.regions.isEmpty() && !zoomPaints.regions.isEmpty());
  QCOMPARE(screenPaints.regions.last(), QRegion(m_screen->rect()));
  screenPaints.regions.clear();
  zoomPaints.regions.clear();

  // Drawn by a link thread; the repaint happens here.
  const QByteArray tile = fixtures::encodeJpeg(fixtures::patternImage(34, 34));
  std::thread link([&] { m_canvas->drawTile(tile, 10, 20); });
  link.join();
  QTRY_VERIFY(!screenPaints.regions.isEmpty() && !zoomPaints.regions.isEmpty());
  QCOMPARE(screenPaints.regions.first(), QRegion(10, 20, 32, 32));
  QCOMPARE(zoomPaints.regions.first(), QRegion(20, 40, 64, 64));
}

void TestScreenView::showsALoneChangeAtOnceAndGroupsWithinAFrame() {
  ScreenCanvas canvas;
  QWidget window;
  auto *view = new ScreenImage(&canvas, false, &window);
  connectScreenViews(&canvas, {view}, 60000);

  // Idle: the change is taken for repainting as soon as it is signalled,
  // not when a frame is up.
  canvas.resetPictures();
  QCoreApplication::processEvents();
  QVERIFY(canvas.takeDirty().isEmpty());

  // Within the frame of that repaint the next change waits for the frame.
  canvas.drawTile(fixtures::encodeJpeg(fixtures::patternImage(34, 34)), 0, 0);
  QCoreApplication::processEvents();
  QCOMPARE(canvas.takeDirty(), QRegion(0, 0, 32, 32));
}

void TestScreenView::copiesAndDragsTheOneToOnePicture() {
  // Nothing to hand over without a picture.
  QVERIFY(!m_zoom->copyScreen());
  QVERIFY(!m_zoom->screenMimeData());

  m_canvas->resetPictures();
  m_canvas->drawTile(fixtures::encodeJpeg(fixtures::patternImage(34, 34)), 10,
                     20);
  const QImage picture = m_canvas->screen();
  // The zoom view hands over the 1:1 picture too.
  QVERIFY(m_zoom->copyScreen());
  QCOMPARE(
      QGuiApplication::clipboard()->image().convertToFormat(picture.format()),
      picture);

  const std::unique_ptr<QMimeData> drag(m_zoom->screenMimeData());
  QVERIFY(drag);
  QCOMPARE(drag->imageData().value<QImage>(), picture);
  QCOMPARE(drag->urls().size(), 1);
  const QString file = drag->urls().first().toLocalFile();
  QVERIFY(file.endsWith(".png"));
  QCOMPARE(QImage(file).convertToFormat(picture.format()), picture);
}

QTEST_MAIN(TestScreenView)
#include "tst_screen_view.moc"
