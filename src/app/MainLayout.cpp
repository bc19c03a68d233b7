// Builds the main window's controls at their fixed places.
#include "app/AppCore.h"
#include "app/ArtworkResources.h"
#include "app/MainWindow.h"

#include "controls/Artwork.h"
#include "controls/PictureButton.h"
#include "controls/SheetBackground.h"
#include "keys/PhoneKeypad.h"
#include "screen/ScreenCanvas.h"
#include "screen/ScreenView.h"
#include "settings/Language.h"

#include <QCheckBox>
#include <QCursor>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

namespace {

const QString kBar = QStringLiteral("controlBar");
const QString kWork = QStringLiteral("workArea");

QPixmap pixmap(const QImage &image) { return QPixmap::fromImage(image); }

// A menu entry; the shortcut text only labels it (the keys go to the
// window's keyboard handling like any other key).
QAction *entry(QMenu *menu, const char *name, const QString &caption,
               const QString &shortcutText, const QIcon &icon, bool enabled) {
  QAction *a = menu->addAction(
      shortcutText.isEmpty() ? caption : caption + '\t' + shortcutText);
  a->setObjectName(name);
  a->setIcon(icon);
  a->setEnabled(enabled);
  return a;
}

// The glyph of a control-bar button at 1x, white where the sheet has none.
QImage barGlyph(const Artwork &art, const QString &id) {
  QImage image = art.picture(kBar, id, 1);
  if (image.isNull()) {
    image = QImage(art.geometry().picture(kBar, id).size().expandedTo({1, 1}),
                   QImage::Format_RGB32);
    image.fill(Qt::white);
  }
  return image;
}

// A shaped button of the control bar at its place, drawn at ratio.
PictureButton *
pictureButton(QWidget *parent, const Artwork &art, qreal ratio,
              const char *name,
              PictureButtonStyle style = PictureButtonStyle::Highlight) {
  auto *b = new PictureButton(parent);
  b->setObjectName(name);
  b->setGeometry(art.geometry().picture(kBar, QLatin1String(name)));
  b->setButtonStyle(style);
  b->loadGlyph(barGlyph(art, QLatin1String(name)),
               ratio > 1 ? art.picture(kBar, QLatin1String(name), ratio)
                         : QImage());
  b->loaded();
  return b;
}

QLabel *label(QWidget *parent, const char *name, int left, int top,
              const QFont &font, const QString &text = QString()) {
  auto *l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setFont(font);
  l->setAttribute(Qt::WA_TranslucentBackground);
  l->move(left, top);
  l->adjustSize();
  return l;
}

} // namespace

void MainWindow::buildMenus() {
  m_menuStrip = new QWidget(this);
  m_menuStrip->setObjectName("menuStrip");
  m_menuStrip->setGeometry(7, 0, 609, 21);
  auto *strip = new QHBoxLayout(m_menuStrip);
  strip->setContentsMargins(0, 0, 0, 0);
  strip->setSpacing(0);
  m_menuStrip->setStyleSheet(QStringLiteral(
      "QToolButton { border: none; padding: 0px; background: transparent; }"
      "QToolButton:hover, QToolButton:pressed { background: rgb(40,110,220);"
      " color: white; }"
      "QToolButton::menu-indicator { image: none; width: 0px; }"));

  // A sub-menu named name, entered through an action named name + "Action".
  auto subMenu = [this](QMenu *parent, const QString &name,
                        const QString &caption, QAction *&action) {
    auto *menu = new QMenu(this);
    menu->setObjectName(name);
    action = parent->addMenu(menu);
    action->setObjectName(name + QStringLiteral("Action"));
    action->setText(caption);
    return menu;
  };
  auto *mainMenu = new QMenu(this);
  mainMenu->setObjectName("mainMenu");

  QMenu *connection = subMenu(mainMenu, "connectionMenu",
                              uiText("MMConnection"), m_connectionAction);
  m_autoConnectAction =
      entry(connection, "autoConnectAction", uiText("MMAutoConnection"),
            "Alt+T", menuIcon(7), true);
  m_bluetoothAction =
      entry(connection, "connectBluetoothAction", uiText("MMBlueToothConnect"),
            "Alt+B", menuIcon(6), true);
  m_cableAction = entry(connection, "connectCableAction",
                        uiText("MMDataCableConn"), "Alt+C", menuIcon(3), true);
  m_internetAction =
      entry(connection, "connectInternetAction", uiText("MMInternetConn"),
            "Alt+G", menuIcon(2), true);
  connection->addSeparator();
  m_disconnectAction =
      entry(connection, "disconnectAction", uiText("MMDissconect"), "Alt+D",
            menuIcon(11), false);
  connection->addSeparator();
  m_exitAction = entry(connection, "exitAction", uiText("MMExit"), "Alt+F4",
                       menuIcon(0), true);

  QMenu *tools =
      subMenu(mainMenu, "toolsMenu", uiText("MMTools"), m_toolsAction);
  QMenu *video =
      subMenu(tools, "videoMenu", uiText("MMVideoCapturing"), m_videoAction);
  m_recordPauseAction =
      entry(video, "recordPauseAction", uiText("MMRecordPause"), "Alt+R",
            menuIcon(12), true);
  m_stopAction = entry(video, "stopRecordingAction", uiText("MMStop"), "Alt+S",
                       menuIcon(9), false);
  m_screenshotAction =
      entry(tools, "screenshotAction", uiText("MMSaveScreenshot"), "Alt+A",
            menuIcon(5), true);
  // No shortcut: the keys of the window belong to the phone's key table.
  m_copyScreenAction = entry(tools, "copyScreenAction", uiText("UiCopyScreen"),
                             QString(), QIcon(), false);
  m_settingsAction = entry(tools, "settingsAction", uiText("MMOptions"),
                           "Alt+O", menuIcon(4), true);
  tools->addSeparator();

  QMenu *help = subMenu(mainMenu, "helpMenu", uiText("MMHelp"), m_helpAction);
  m_manualAction =
      entry(help, "manualAction", uiText("MMManual"), "Alt+M", QIcon(), true);
  m_aboutAction =
      entry(help, "aboutAction", uiText("MMAbout"), "F1", menuIcon(10), true);

  // One flat 71 x 21 button per top-level entry, opening its sub-menu.
  for (QAction *top : {m_connectionAction, m_toolsAction, m_helpAction}) {
    auto *button = new QToolButton(m_menuStrip);
    button->setObjectName(top->menu()->objectName() + QStringLiteral("Button"));
    button->setText(top->text());
    button->setMenu(top->menu());
    button->setPopupMode(QToolButton::InstantPopup);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    button->setFixedSize(71, 21);
    strip->addWidget(button);
    // When the pointer goes from the button into its menu, the button is
    // sent no leave and stays marked as under the mouse, highlighted until
    // the pointer crosses it again. Its menu closing ends that, unless the
    // pointer is on the button.
    connect(top->menu(), &QMenu::aboutToHide, button, [button] {
      if (button->rect().contains(button->mapFromGlobal(QCursor::pos())))
        return;
      button->setAttribute(Qt::WA_UnderMouse, false);
      button->update();
    });
  }
  strip->addStretch(1);

  // The connection and capture entries are wired by the parts they command.
  connect(m_exitAction, &QAction::triggered, this, &QWidget::close);
  connect(m_settingsAction, &QAction::triggered, this,
          &MainWindow::showSettings);
  connect(m_manualAction, &QAction::triggered, this, &MainWindow::showManual);
  connect(m_aboutAction, &QAction::triggered, this, &MainWindow::showAbout);
  // Copying needs a picture: the entry says so each time the menu opens.
  connect(tools, &QMenu::aboutToShow, this, [this] {
    m_copyScreenAction->setEnabled(m_core.canvas().hasPictures());
  });
  connect(m_copyScreenAction, &QAction::triggered, this,
          [this] { m_screenView->copyScreen(); });
}

void MainWindow::buildControlBar() {
  m_controlBar = new QWidget(this);
  m_controlBar->setObjectName("controlBar");
  const Artwork &art = *m_artwork;
  m_controlBar->setGeometry(
      QRect(QPoint(6, 23), art.geometry().sheetSize(kBar)));
  auto *background = new QLabel(m_controlBar);
  background->setObjectName("controlBarBackground");
  background->setGeometry(m_controlBar->rect());
  background->setPixmap(pixmap(art.background(kBar, m_ratio)));

  // The connect button's caption is written on it in the user's language
  // (retranslate).
  m_connectButton = pictureButton(m_controlBar, art, m_ratio, "connectButton");
  m_disconnectButton =
      pictureButton(m_controlBar, art, m_ratio, "disconnectButton");
  m_disconnectButton->setEnabled(false);

  m_linkLed = new QLabel(m_controlBar);
  m_linkLed->setObjectName("linkLed");
  m_linkLed->setGeometry(art.geometry().picture(kBar, "linkLed0"));
  m_linkLed->setAttribute(Qt::WA_TranslucentBackground);

  // The indicators are always down; hiding one uncovers the coloured icon of
  // the bar beneath it.
  int group = 101;
  for (auto [button, name] :
       {std::pair{&m_cableIndicator, "cableIndicator"},
        std::pair{&m_bluetoothIndicator, "bluetoothIndicator"},
        std::pair{&m_internetIndicator, "internetIndicator"}}) {
    *button = pictureButton(m_controlBar, art, m_ratio, name,
                            PictureButtonStyle::Normal);
    (*button)->setGroupIndex(group++);
    (*button)->setDown(true);
    (*button)->setEnabled(false);
  }

  m_screenshotButton =
      pictureButton(m_controlBar, art, m_ratio, "screenshotButton");
  m_recordButton = pictureButton(m_controlBar, art, m_ratio, "recordButton");
  m_pauseButton = pictureButton(m_controlBar, art, m_ratio, "pauseButton");
  m_stopButton = pictureButton(m_controlBar, art, m_ratio, "stopButton");
  // Record, pause and stop: one group, stop down while not recording.
  for (PictureButton *b : {m_recordButton, m_pauseButton, m_stopButton})
    b->setGroupIndex(5);
  m_stopButton->setDown(true);
}

void MainWindow::buildWorkZone() {
  auto *workArea = new QWidget(this);
  workArea->setObjectName("workArea");
  const Artwork &art = *m_artwork;
  const ArtworkGeometry &places = art.geometry();
  workArea->setGeometry(QRect(QPoint(6, 69), places.sheetSize(kWork)));
  auto *background = new SheetBackground(art, kWork, workArea);
  background->setObjectName("workAreaBackground");

  // The model's name in the window's face, a little smaller so that a
  // usual name fits above the 1:1 view; a longer one is cut there.
  QFont modelFont = font();
  modelFont.setPixelSize(10);
  m_modelLabel = label(workArea, "phoneModelLabel", 56, 10, modelFont);
  m_modelLabel->setMaximumWidth(places.place(kWork, "screenView").right() + 6 -
                                m_modelLabel->x());
  m_zoomLabel = label(workArea, "zoomLabel", 235, 10, QFont("Tahoma", 8),
                      uiText("MLabZoom"));

  m_screenView = new ScreenImage(&m_core.canvas(), false, workArea);
  m_screenView->setObjectName("screenView");
  m_screenView->setGeometry(places.place(kWork, "screenView"));
  m_zoomView = new ScreenImage(&m_core.canvas(), true, workArea);
  m_zoomView->setObjectName("zoomView");
  m_zoomView->setGeometry(places.place(kWork, "zoomView"));
  connectScreenViews(&m_core.canvas(), {m_screenView, m_zoomView});
  // "Save Screenshot" of a view's context menu saves as the Tools entry does.
  for (ScreenImage *view : {m_screenView, m_zoomView})
    connect(view, &ScreenImage::screenshotRequested, m_screenshotAction,
            &QAction::trigger);

  m_keypad = new PhonePanel(art, m_ratio, workArea);
  m_keypad->move(places.place(kWork, "keypad").topLeft());

  QFont status("Verdana");
  status.setPixelSize(11);
  m_statusLabel = label(workArea, "statusLabel", 240, 442, status);
  // The status under the zoom view: up to two lines of its width.
  m_statusLabel->resize(348, 30);
  m_statusLabel->setWordWrap(true);
  m_statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_statusClearTimer = new QTimer(this);
  m_statusClearTimer->setObjectName("statusClearTimer");
  m_statusClearTimer->setInterval(1500);
  m_statusClearTimer->setSingleShot(true);
  connect(m_statusClearTimer, &QTimer::timeout, this, &MainWindow::clearStatus);

  QFont bold("Tahoma", 8);
  bold.setBold(true);
  m_quickTextLabel =
      label(workArea, "quickTextLabel", 21, 475, bold, uiText("MLabQuickText"));
  QPalette grey = m_quickTextLabel->palette();
  grey.setColor(QPalette::WindowText, QColor(85, 85, 85));
  m_quickTextLabel->setPalette(grey);

  m_quickTextEdit = new QTextEdit(workArea);
  m_quickTextEdit->setObjectName("quickTextEdit");
  m_quickTextEdit->setGeometry(places.place(kWork, "quickTextEdit"));
  m_quickTextEdit->setFrameShape(QFrame::NoFrame);
  m_quickTextEdit->setAcceptRichText(false);

  m_quickTextCover = new QWidget(workArea);
  m_quickTextCover->setObjectName("quickTextCover");
  m_quickTextCover->setGeometry(places.picture(kWork, "quickTextCover"));
  auto *cover = new QLabel(m_quickTextCover);
  cover->setObjectName("quickTextCoverImage");
  cover->setGeometry(m_quickTextCover->rect());
  cover->setPixmap(pixmap(art.picture(kWork, "quickTextCover", m_ratio)));
  // The words on the cover, in the user's language (retranslate).
  QFont italic = font();
  italic.setPixelSize(12);
  italic.setItalic(true);
  m_quickTextOffLabel = new QLabel(m_quickTextCover);
  m_quickTextOffLabel->setObjectName("quickTextOffLabel");
  m_quickTextOffLabel->setGeometry(m_quickTextCover->rect());
  m_quickTextOffLabel->setAlignment(Qt::AlignCenter);
  m_quickTextOffLabel->setFont(italic);
  m_quickTextOffLabel->setAttribute(Qt::WA_TranslucentBackground);
  m_quickTextOffLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
  QPalette soft = m_quickTextOffLabel->palette();
  soft.setColor(QPalette::WindowText, QColor(146, 151, 163));
  m_quickTextOffLabel->setPalette(soft);
  m_quickTextCover->raise();

  m_quickTextCheck = new QCheckBox(workArea);
  m_quickTextCheck->setObjectName("quickTextCheck");
  m_quickTextCheck->setGeometry(15, 568, 17, 17);
  m_quickTextCheck->setFocusPolicy(Qt::NoFocus);
  m_quickTextCheckLabel = label(workArea, "quickTextCheckLabel", 36, 568,
                                font(), uiText("MLabQuickTextEnable"));
  m_sendButton = new QPushButton(uiText("MBtnSend"), workArea);
  m_sendButton->setObjectName("sendButton");
  m_sendButton->setGeometry(520, 568, 75, 20);
  m_sendButton->setEnabled(false);
  m_sendButton->setFocusPolicy(Qt::NoFocus);

  connect(m_quickTextCheck, &QCheckBox::clicked, this,
          &MainWindow::toggleQuickText);
  connect(m_sendButton, &QPushButton::clicked, this,
          &MainWindow::sendTypedText);
}
