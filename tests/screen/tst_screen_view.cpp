#include "screen/ScreenCanvas.h"
#include "screen/ScreenView.h"

#include "TileFixtures.h"

#include <QPaintEvent>
#include <QTest>
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

const QColor Background(12, 34, 56);

} // namespace

class TestScreenView : public QObject {
  Q_OBJECT

private slots:
  void init();
  void cleanup();
  void showsThePicturesOrTheBackground();
  void repaintsOnlyTheTileRectangle();

private:
  QImage Grab(const TScreenImage *view) {
    return m_window->grab()
        .copy(view->geometry())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }

  TScreenCanvas *m_canvas = nullptr;
  QWidget *m_window = nullptr;
  TScreenImage *m_screen = nullptr;
  TScreenImage *m_zoom = nullptr;
};

void TestScreenView::init() {
  m_canvas = new TScreenCanvas;
  m_window = new QWidget;
  m_window->resize(600, 460);
  QPalette palette = m_window->palette();
  palette.setColor(QPalette::Window, Background);
  m_window->setPalette(palette);
  m_window->setAutoFillBackground(true);
  m_screen = new TScreenImage(m_canvas, false, m_window);
  m_screen->setGeometry(QRect(QPoint(5, 5), m_screen->sizeHint()));
  m_zoom = new TScreenImage(m_canvas, true, m_window);
  m_zoom->setGeometry(QRect(QPoint(200, 5), m_zoom->sizeHint()));
  ConnectScreenViews(m_canvas, {m_screen, m_zoom});
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
  background.fill(Background);
  QCOMPARE(Grab(m_zoom), background);

  m_canvas->ResetPictures();
  m_canvas->DrawTile(
      fixtures::GifFromImage(fixtures::PatternImage(34, 34).convertToFormat(
          QImage::Format_Indexed8, Qt::ThresholdDither)),
      10, 20);
  QCOMPARE(Grab(m_screen), m_canvas->Screen());
  QCOMPARE(Grab(m_zoom), m_canvas->Zoom());

  m_canvas->RemovePictures();
  QCOMPARE(Grab(m_zoom), background);
}

void TestScreenView::repaintsOnlyTheTileRectangle() {
  m_canvas->ResetPictures();
  PaintRecorder screenPaints(m_screen);
  PaintRecorder zoomPaints(m_zoom);
  QTRY_VERIFY(!screenPaints.regions.isEmpty() && !zoomPaints.regions.isEmpty());
  QCOMPARE(screenPaints.regions.last(), QRegion(m_screen->rect()));
  screenPaints.regions.clear();
  zoomPaints.regions.clear();

  // Drawn by a link thread; the repaint happens here.
  const QByteArray tile = fixtures::EncodeJpeg(fixtures::PatternImage(34, 34));
  std::thread link([&] { m_canvas->DrawTile(tile, 10, 20); });
  link.join();
  QTRY_VERIFY(!screenPaints.regions.isEmpty() && !zoomPaints.regions.isEmpty());
  QCOMPARE(screenPaints.regions.first(), QRegion(10, 20, 32, 32));
  QCOMPARE(zoomPaints.regions.first(), QRegion(20, 40, 64, 64));
}

QTEST_MAIN(TestScreenView)
#include "tst_screen_view.moc"
