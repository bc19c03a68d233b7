#include "app/UnitSplash.h"
#include "app/Artwork.h"

#include "platform/Shell.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {
int g_splashTicks = 0;
const QColor kSplashColor(211, 213, 220);
} // namespace

void TClickLabel::mouseReleaseEvent(QMouseEvent *event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->pos()))
    emit clicked();
}

TFormSplash::TFormSplash(QWidget *parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::SplashScreen) {
  InitArtwork();
  setObjectName("FormSplash");
  QPalette pal = palette();
  pal.setColor(QPalette::Window, kSplashColor);
  setPalette(pal);
  setAutoFillBackground(true);
  setFont(QFont("MS Sans Serif", 8));

  Image = new TClickLabel(this);
  Image->setObjectName("Image");
  QPixmap picture(":/art/splash.png");
  if (picture.isNull()) {
    picture = QPixmap(500, 300);
    picture.fill(kSplashColor);
  }
  Image->setPixmap(picture);
  Image->setGeometry(0, 0, picture.width(), picture.height());
  setFixedSize(picture.size());

  LabelCursor = new TClickLabel(this);
  LabelCursor->setObjectName("LabelCursor");
  LabelCursor->setGeometry(167, 263, 224, 29);
  LabelCursor->setAttribute(Qt::WA_TranslucentBackground);

  Timer = new QTimer(this);
  Timer->setInterval(200);
  connect(Timer, &QTimer::timeout, this, &TFormSplash::TimerTimer);
  connect(Image, &TClickLabel::clicked, this, &TFormSplash::ImageClick);

  if (QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

void TFormSplash::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (m_showHandler)
    FormShow();
  if (m_centerOn) {
    // The window manager adds the frame after the window is shown.
    CenterOn(m_centerOn);
    QTimer::singleShot(0, this, [this] {
      if (m_centerOn)
        CenterOn(m_centerOn);
    });
  }
}

void TFormSplash::CenterOn(const QWidget *other) {
  const QRect target = other->frameGeometry();
  const QRect frame = frameGeometry();
  // move() places the frame's top-left corner.
  move(target.left() + (target.width() - frame.width()) / 2,
       target.top() + (target.height() - frame.height()) / 2);
}

void TFormSplash::FormShow() { Timer->start(); }

void TFormSplash::TimerTimer() {
  ++g_splashTicks;
  if (g_splashTicks == SplashTicks)
    hide();
}

void TFormSplash::ImageClick() { close(); }

void TFormSplash::LabelCursorClick() { platform::OpenUrl(HomePage()); }

int TFormSplash::TickCount() { return g_splashTicks; }
void TFormSplash::ResetTickCount() { g_splashTicks = 0; }

QString TFormSplash::HomePage() {
  return QStringLiteral("https://www.quorvane.example/");
}

void TFormSplash::MakeAboutBox(QWidget *mainWindow) {
  m_showHandler = false;
  setWindowTitle(QStringLiteral("Quorvane v1.0"));
  disconnect(Image, &TClickLabel::clicked, this, &TFormSplash::ImageClick);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setCursor(Qt::ArrowCursor);
  connect(LabelCursor, &TClickLabel::clicked, this,
          &TFormSplash::LabelCursorClick);
  LabelCursor->setCursor(Qt::PointingHandCursor);
  m_centerOn = mainWindow;
  disconnect(Timer, &QTimer::timeout, this, &TFormSplash::TimerTimer);
}
