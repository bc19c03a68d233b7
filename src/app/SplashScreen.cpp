#include "app/SplashScreen.h"
#include "app/Artwork.h"

#include "platform/Shell.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {
const QColor kSplashColor(211, 213, 220);
} // namespace

void ClickLabel::mouseReleaseEvent(QMouseEvent *event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->pos()))
    emit clicked();
}

SplashScreen::SplashScreen(QWidget *parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::SplashScreen) {
  initArtwork();
  setObjectName("splashScreen");
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kSplashColor);
  setPalette(pal);
  setAutoFillBackground(true);
  setFont(QFont("MS Sans Serif", 8));

  m_picture = new ClickLabel(this);
  m_picture->setObjectName("splashPicture");
  QPixmap picture(":/art/splash.png");
  if (picture.isNull()) {
    picture = QPixmap(500, 300);
    picture.fill(kSplashColor);
  }
  m_picture->setPixmap(picture);
  m_picture->setGeometry(0, 0, picture.width(), picture.height());
  setFixedSize(picture.size());

  m_homePageLink = new ClickLabel(this);
  m_homePageLink->setObjectName("homePageLink");
  m_homePageLink->setGeometry(167, 263, 224, 29);
  m_homePageLink->setAttribute(Qt::WA_TranslucentBackground);

  m_timer = new QTimer(this);
  m_timer->setObjectName("splashTimer");
  m_timer->setInterval(200);
  connect(m_timer, &QTimer::timeout, this, &SplashScreen::countTick);
  connect(m_picture, &ClickLabel::clicked, this, &QWidget::close);

  if (QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

void SplashScreen::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (m_showHandler)
    m_timer->start();
  if (m_centerOn) {
    // The window manager adds the frame after the window is shown.
    centerOn(m_centerOn);
    QTimer::singleShot(0, this, [this] {
      if (m_centerOn)
        centerOn(m_centerOn);
    });
  }
}

void SplashScreen::hideEvent(QHideEvent *event) {
  QWidget::hideEvent(event);
  m_timer->stop();
}

void SplashScreen::centerOn(const QWidget *other) {
  const QRect target = other->frameGeometry();
  const QRect frame = frameGeometry();
  // move() places the frame's top-left corner.
  move(target.left() + (target.width() - frame.width()) / 2,
       target.top() + (target.height() - frame.height()) / 2);
}

void SplashScreen::countTick() {
  if (++m_ticks < kSplashTicks)
    return;
  // Its work is done: nothing more wakes the program for it.
  m_timer->stop();
  hide();
}

void SplashScreen::openHomePage() { platform::openUrl(homePage()); }

QString SplashScreen::homePage() {
  return QStringLiteral("https://www.quorvane.example/");
}

void SplashScreen::makeAboutBox(QWidget *mainWindow) {
  m_showHandler = false;
  setWindowTitle(QStringLiteral("Quorvane v1.0"));
  disconnect(m_picture, &ClickLabel::clicked, this, &QWidget::close);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setCursor(Qt::ArrowCursor);
  connect(m_homePageLink, &ClickLabel::clicked, this,
          &SplashScreen::openHomePage);
  m_homePageLink->setCursor(Qt::PointingHandCursor);
  m_centerOn = mainWindow;
  disconnect(m_timer, &QTimer::timeout, this, &SplashScreen::countTick);
}
