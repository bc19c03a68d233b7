// Builds the main window's controls at their fixed places.
#include "app/AppCore.h"
#include "app/MainWindow.h"

#include "controls/PictureButton.h"
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

const QString kArt = QStringLiteral(":/art/");

QPixmap art(const QString &name) { return QPixmap(kArt + name); }

QIcon menuImage(int index) {
  return QIcon(
      art(QStringLiteral("menu_%1.png").arg(index, 2, 10, QChar('0'))));
}

// A menu entry; the shortcut text only labels it (the keys go to the
// window's keyboard handling like any other key).
QAction *entry(QMenu *menu, const char *name, const QString &caption,
               const QString &shortcutText, int image, bool enabled) {
  QAction *a = menu->addAction(
      shortcutText.isEmpty() ? caption : caption + '\t' + shortcutText);
  a->setObjectName(name);
  if (image >= 0)
    a->setIcon(menuImage(image));
  a->setEnabled(enabled);
  return a;
}

PictureButton *
pictureButton(QWidget *parent, const char *name, const QRect &geometry,
              const QString &glyph,
              PictureButtonStyle style = PictureButtonStyle::Highlight) {
  auto *b = new PictureButton(parent);
  b->setObjectName(name);
  b->setGeometry(geometry);
  b->setButtonStyle(style);
  QImage image(kArt + glyph);
  if (image.isNull()) {
    image = QImage(geometry.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
  }
  b->loadGlyph(image);
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
  m_autoConnectAction = entry(connection, "autoConnectAction",
                              uiText("MMAutoConnection"), "Alt+T", 7, true);
  m_bluetoothAction = entry(connection, "connectBluetoothAction",
                            uiText("MMBlueToothConnect"), "Alt+B", 6, true);
  m_cableAction = entry(connection, "connectCableAction",
                        uiText("MMDataCableConn"), "Alt+C", 3, true);
  m_internetAction = entry(connection, "connectInternetAction",
                           uiText("MMInternetConn"), "Alt+G", 2, true);
  connection->addSeparator();
  m_disconnectAction = entry(connection, "disconnectAction",
                             uiText("MMDissconect"), "Alt+D", 11, false);
  connection->addSeparator();
  m_exitAction =
      entry(connection, "exitAction", uiText("MMExit"), "Alt+F4", 0, true);

  QMenu *tools =
      subMenu(mainMenu, "toolsMenu", uiText("MMTools"), m_toolsAction);
  QMenu *video =
      subMenu(tools, "videoMenu", uiText("MMVideoCapturing"), m_videoAction);
  m_recordPauseAction = entry(video, "recordPauseAction",
                              uiText("MMRecordPause"), "Alt+R", 12, true);
  m_stopAction =
      entry(video, "stopRecordingAction", uiText("MMStop"), "Alt+S", 9, false);
  m_screenshotAction = entry(tools, "screenshotAction",
                             uiText("MMSaveScreenshot"), "Alt+A", 5, true);
  // No shortcut: the keys of the window belong to the phone's key table.
  m_copyScreenAction = entry(tools, "copyScreenAction", uiText("UiCopyScreen"),
                             QString(), -1, false);
  m_settingsAction =
      entry(tools, "settingsAction", uiText("MMOptions"), "Alt+O", 4, true);
  tools->addSeparator();

  QMenu *help = subMenu(mainMenu, "helpMenu", uiText("MMHelp"), m_helpAction);
  m_manualAction =
      entry(help, "manualAction", uiText("MMManual"), "Alt+M", -1, true);
  m_aboutAction = entry(help, "aboutAction", uiText("MMAbout"), "F1", 10, true);

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
    m_copyScreenAction->setEnabled(!m_core.canvas().screen().isNull());
  });
  connect(m_copyScreenAction, &QAction::triggered, this,
          [this] { m_screenView->copyScreen(); });
}

void MainWindow::buildControlBar() {
  m_controlBar = new QWidget(this);
  m_controlBar->setObjectName("controlBar");
  m_controlBar->setGeometry(6, 23, 611, 48);
  auto *background = new QLabel(m_controlBar);
  background->setObjectName("controlBarBackground");
  background->setGeometry(0, 0, 611, 48);
  background->setPixmap(art("controlbar.png"));

  m_connectButton = pictureButton(m_controlBar, "connectButton",
                                  {16, 5, 83, 37}, "btn_connect.png");
  m_disconnectButton = pictureButton(m_controlBar, "disconnectButton",
                                     {107, 5, 70, 37}, "btn_disconnect.png");
  m_disconnectButton->setEnabled(false);

  m_linkLed = new QLabel(m_controlBar);
  m_linkLed->setObjectName("linkLed");
  m_linkLed->setGeometry(190, 8, 31, 29);
  m_linkLed->setAttribute(Qt::WA_TranslucentBackground);

  // The indicators are always down; hiding one uncovers the coloured icon of
  // the bar beneath it.
  int group = 101;
  for (auto [button, name, rect, glyph] :
       {std::tuple{&m_cableIndicator, "cableIndicator", QRect(224, 8, 33, 28),
                   "ind_cable.png"},
        std::tuple{&m_bluetoothIndicator, "bluetoothIndicator",
                   QRect(263, 7, 32, 28), "ind_bluetooth.png"},
        std::tuple{&m_internetIndicator, "internetIndicator",
                   QRect(301, 8, 35, 26), "ind_gprs.png"}}) {
    *button = pictureButton(m_controlBar, name, rect, glyph,
                            PictureButtonStyle::Normal);
    (*button)->setGroupIndex(group++);
    (*button)->setDown(true);
    (*button)->setEnabled(false);
  }

  m_screenshotButton = pictureButton(m_controlBar, "screenshotButton",
                                     {391, 5, 41, 37}, "btn_screenshot.png");
  m_recordButton = pictureButton(m_controlBar, "recordButton", {490, 8, 28, 27},
                                 "btn_record.png");
  m_pauseButton = pictureButton(m_controlBar, "pauseButton", {523, 8, 29, 26},
                                "btn_pause.png");
  m_stopButton = pictureButton(m_controlBar, "stopButton", {557, 8, 31, 29},
                               "btn_stop.png");
  // Record, pause and stop: one group, stop down while not recording.
  for (PictureButton *b : {m_recordButton, m_pauseButton, m_stopButton})
    b->setGroupIndex(5);
  m_stopButton->setDown(true);
}

void MainWindow::buildWorkZone() {
  auto *workArea = new QWidget(this);
  workArea->setObjectName("workArea");
  workArea->setGeometry(6, 69, 611, 595);
  auto *background = new QLabel(workArea);
  background->setObjectName("workAreaBackground");
  background->setGeometry(0, 0, 611, 595);
  background->setPixmap(art("workzone.png"));

  m_modelLabel =
      label(workArea, "phoneModelLabel", 56, 10, QFont("Times New Roman", 8));
  m_zoomLabel = label(workArea, "zoomLabel", 235, 10, QFont("Tahoma", 8),
                      uiText("MLabZoom"));

  m_screenView = new ScreenImage(&m_core.canvas(), false, workArea);
  m_screenView->setObjectName("screenView");
  m_screenView->setGeometry(18, 25, 176, 208);
  m_zoomView = new ScreenImage(&m_core.canvas(), true, workArea);
  m_zoomView->setObjectName("zoomView");
  m_zoomView->setGeometry(236, 25, 352, 416);
  connectScreenViews(&m_core.canvas(), {m_screenView, m_zoomView});
  // "Save Screenshot" of a view's context menu saves as the Tools entry does.
  for (ScreenImage *view : {m_screenView, m_zoomView})
    connect(view, &ScreenImage::screenshotRequested, m_screenshotAction,
            &QAction::trigger);

  m_keypad = new PhonePanel(workArea);
  m_keypad->move(17, 243);

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
  m_quickTextEdit->setGeometry(16, 494, 576, 70);
  m_quickTextEdit->setFrameShape(QFrame::NoFrame);
  m_quickTextEdit->setAcceptRichText(false);

  m_quickTextCover = new QWidget(workArea);
  m_quickTextCover->setObjectName("quickTextCover");
  m_quickTextCover->setGeometry(15, 493, 578, 72);
  auto *cover = new QLabel(m_quickTextCover);
  cover->setObjectName("quickTextCoverImage");
  cover->setGeometry(-1, -1, 580, 74);
  cover->setPixmap(art("quicktext_cover.png"));
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
