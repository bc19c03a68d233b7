#include "app/SplashScreen.h"
#include "app/ArtworkResources.h"

#include "controls/Artwork.h"
#include "platform/Shell.h"
#include "settings/Language.h"

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

  const Artwork artwork;
  m_picture = new ClickLabel(this);
  m_picture->setObjectName("splashPicture");
  const QImage picture = drawPicture(artwork, qApp->devicePixelRatio());
  m_picture->setPixmap(QPixmap::fromImage(picture));
  m_picture->setGeometry(
      QRect(QPoint(0, 0), picture.deviceIndependentSize().toSize()));
  setFixedSize(m_picture->size());

  m_homePageLink = new ClickLabel(this);
  m_homePageLink->setObjectName("homePageLink");
  m_homePageLink->setGeometry(place(artwork, "homePage"));
  m_homePageLink->setAttribute(Qt::WA_TranslucentBackground);

  m_timer = new QTimer(this);
  m_timer->setObjectName("splashTimer");
  m_timer->setInterval(200);
  connect(m_timer, &QTimer::timeout, this, &SplashScreen::countTick);
  connect(m_picture, &ClickLabel::clicked, this, &QWidget::close);

  if (QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

QRect SplashScreen::place(const Artwork &artwork, const char *name) {
  return artwork.geometry().place(QStringLiteral("splash"),
                                  QLatin1String(name));
}

QImage SplashScreen::drawPicture(const Artwork &artwork, qreal ratio) const {
  QSize size = artwork.geometry().iconSize(QStringLiteral("splash"));
  if (size.isEmpty())
    size = QSize(500, 300);
  QImage picture = artwork.document(QStringLiteral("splash.svg"), size, ratio);
  if (picture.isNull()) {
    picture = QImage(size * ratio, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    picture.fill(kSplashColor);
  }
  // The words are the program's own, in the user's language where they
  // are a sentence.
  QPainter p(&picture);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QColor ink(36, 40, 50), accent(40, 110, 220), soft(104, 109, 122);
  auto write = [&](const char *where, const QString &text, int pixels,
                   bool bold, const QColor &color, int flags) {
    const QRect rect = place(artwork, where);
    QFont font = this->font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setUnderline(qstrcmp(where, "homePage") == 0);
    // Smaller until it fits the place.
    while (font.pixelSize() > 8 &&
           !QRect(rect).contains(QFontMetrics(font).boundingRect(
               rect, flags | Qt::TextWordWrap, text)))
      font.setPixelSize(font.pixelSize() - 1);
    p.setFont(font);
    p.setPen(color);
    p.drawText(rect, flags | Qt::TextWordWrap, text);
  };
  const int leftMiddle = Qt::AlignLeft | Qt::AlignVCenter;
  write("name", QStringLiteral("Quorvane"), 36, true, ink, leftMiddle);
  write("version", QStringLiteral("v1.0"), 16, true, accent, leftMiddle);
  write("tagline", uiText("UiSplashTagline"), 13, false, soft,
        Qt::AlignLeft | Qt::AlignTop);
  write("homePage", QStringLiteral("www.quorvane.example"), 12, false, accent,
        Qt::AlignCenter);
  return picture;
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
  // Its work is done: nothing more wakes the program for it, and its
  // picture is not kept.
  m_timer->stop();
  hide();
  m_picture->clear();
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
