// Builds the main window's controls at their fixed places.
#include "app/AppCore.h"
#include "app/MainWindow.h"

#include "controls/PictureButton.h"
#include "keys/PhoneKeypad.h"
#include "screen/ScreenCanvas.h"
#include "screen/ScreenView.h"
#include "settings/Language.h"

#include <QCursor>
#include <QImage>
#include <QLayout>
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
  m_menuStrip->setObjectName("ToolBar1");
  m_menuStrip->setGeometry(7, 0, 609, 21);
  auto *strip = new QHBoxLayout(m_menuStrip);
  strip->setContentsMargins(0, 0, 0, 0);
  strip->setSpacing(0);
  m_menuStrip->setStyleSheet(QStringLiteral(
      "QToolButton { border: none; padding: 0px; background: transparent; }"
      "QToolButton:hover, QToolButton:pressed { background: rgb(40,110,220);"
      " color: white; }"
      "QToolButton::menu-indicator { image: none; width: 0px; }"));

  m_mainMenu = new QMenu(this);
  m_mainMenu->setObjectName("MainMenu");

  auto *connection = new QMenu(this);
  m_connectionAction = m_mainMenu->addMenu(connection);
  m_connectionAction->setObjectName("MConnection");
  m_connectionAction->setText(uiText("MMConnection"));
  m_autoConnectAction = entry(connection, "MAutoConnection",
                              uiText("MMAutoConnection"), "Alt+T", 7, true);
  m_bluetoothAction = entry(connection, "MBlueToothConnect",
                            uiText("MMBlueToothConnect"), "Alt+B", 6, true);
  m_cableAction = entry(connection, "MDataCableConn", uiText("MMDataCableConn"),
                        "Alt+C", 3, true);
  m_internetAction = entry(connection, "MInternetConn",
                           uiText("MMInternetConn"), "Alt+G", 2, true);
  connection->addSeparator();
  m_disconnectAction = entry(connection, "MDissconect", uiText("MMDissconect"),
                             "Alt+D", 11, false);
  connection->addSeparator();
  m_exitAction =
      entry(connection, "MExit", uiText("MMExit"), "Alt+F4", 0, true);

  auto *tools = new QMenu(this);
  m_toolsAction = m_mainMenu->addMenu(tools);
  m_toolsAction->setObjectName("MTools");
  m_toolsAction->setText(uiText("MMTools"));
  auto *video = new QMenu(this);
  m_videoAction = tools->addMenu(video);
  m_videoAction->setObjectName("MVideoCapturing");
  m_videoAction->setText(uiText("MMVideoCapturing"));
  m_recordPauseAction =
      entry(video, "MRecordPause", uiText("MMRecordPause"), "Alt+R", 12, true);
  m_stopAction = entry(video, "MStop", uiText("MMStop"), "Alt+S", 9, false);
  m_screenshotAction = entry(tools, "MSaveScreenshot",
                             uiText("MMSaveScreenshot"), "Alt+A", 5, true);
  m_optionsAction =
      entry(tools, "MOptions", uiText("MMOptions"), "Alt+O", 4, true);
  tools->addSeparator();

  auto *help = new QMenu(this);
  m_helpAction = m_mainMenu->addMenu(help);
  m_helpAction->setObjectName("MHelp");
  m_helpAction->setText(uiText("MMHelp"));
  m_manualAction =
      entry(help, "MManual", uiText("MMManual"), "Alt+M", -1, true);
  m_aboutAction = entry(help, "MAbout", uiText("MMAbout"), "F1", 10, true);

  // One flat 71 x 21 button per top-level entry, opening its sub-menu.
  for (QAction *top : {m_connectionAction, m_toolsAction, m_helpAction}) {
    auto *button = new QToolButton(m_menuStrip);
    button->setObjectName(QStringLiteral("ToolButton_") + top->objectName());
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

  connect(m_autoConnectAction, &QAction::triggered, this,
          [this] { connectAutomatically(m_autoConnectAction); });
  connect(m_bluetoothAction, &QAction::triggered, this,
          [this] { connectBluetooth(m_bluetoothAction); });
  connect(m_cableAction, &QAction::triggered, this,
          [this] { connectCable(m_cableAction); });
  connect(m_internetAction, &QAction::triggered, this,
          [this] { connectInternet(m_internetAction); });
  connect(m_disconnectAction, &QAction::triggered, this,
          &MainWindow::disconnectFromMenu);
  connect(m_exitAction, &QAction::triggered, this, &MainWindow::quit);
  // As the record button: an open converter comes forward instead.
  connect(m_recordPauseAction, &QAction::triggered, this,
          &MainWindow::recordButtonClicked);
  connect(m_stopAction, &QAction::triggered, this, &MainWindow::stopRecording);
  // The Tools menu's entry saves a screenshot as the camera button does.
  connect(m_screenshotAction, &QAction::triggered, this,
          &MainWindow::saveScreenshot);
  connect(m_optionsAction, &QAction::triggered, this,
          &MainWindow::showSettings);
  connect(m_manualAction, &QAction::triggered, this, &MainWindow::showManual);
  connect(m_aboutAction, &QAction::triggered, this, &MainWindow::showAbout);

  // The connection pop-up of the connect button.
  m_connectPopup = new QMenu(this);
  m_connectPopup->setObjectName("PopMConnection");
  m_popupCableAction = entry(m_connectPopup, "PMDataCableConn",
                             uiText("MMDataCableConn"), "", 3, true);
  m_popupInternetAction = entry(m_connectPopup, "PMInternetConn",
                                uiText("MMInternetConn"), "", 2, true);
  m_popupBluetoothAction = entry(m_connectPopup, "PMBlueToothConnect",
                                 uiText("MMBlueToothConnect"), "", 6, true);
  m_connectPopup->setToolTipsVisible(true);
  for (QAction *a :
       {m_popupCableAction, m_popupInternetAction, m_popupBluetoothAction}) {
    a->setToolTip(a->text());
    connect(a, &QAction::triggered, this, [this, a] { connectFromPopup(a); });
  }
}

void MainWindow::buildControlBar() {
  m_controlBar = new QWidget(this);
  m_controlBar->setObjectName("PanelControl");
  m_controlBar->setGeometry(6, 23, 611, 48);
  m_controlBarBackground = new QLabel(m_controlBar);
  m_controlBarBackground->setObjectName("Image2");
  m_controlBarBackground->setGeometry(0, 0, 611, 48);
  m_controlBarBackground->setPixmap(art("controlbar.png"));

  m_connectButton = pictureButton(m_controlBar, "dxfPicButConnect",
                                  {16, 5, 83, 37}, "btn_connect.png");
  m_disconnectButton = pictureButton(m_controlBar, "Bt_Disconn",
                                     {107, 5, 70, 37}, "btn_disconnect.png");
  m_disconnectButton->setEnabled(false);

  m_linkLed = new QLabel(m_controlBar);
  m_linkLed->setObjectName("ImageLedConn");
  m_linkLed->setGeometry(190, 8, 31, 29);
  m_linkLed->setAttribute(Qt::WA_TranslucentBackground);
  for (int i = 0; i < 3; ++i)
    m_ledImages.append(art(QStringLiteral("led_%1.png").arg(i)));

  // The indicators are always down; hiding one uncovers the coloured icon of
  // the bar beneath it.
  int group = 101;
  for (auto [button, name, rect, glyph] :
       {std::tuple{&m_cableIndicator, "PicButIndData", QRect(224, 8, 33, 28),
                   "ind_cable.png"},
        std::tuple{&m_bluetoothIndicator, "PicButIndBlu", QRect(263, 7, 32, 28),
                   "ind_bluetooth.png"},
        std::tuple{&m_internetIndicator, "PicButIndInet", QRect(301, 8, 35, 26),
                   "ind_gprs.png"}}) {
    *button = pictureButton(m_controlBar, name, rect, glyph,
                            PictureButtonStyle::Normal);
    (*button)->setGroupIndex(group++);
    (*button)->setDown(true);
    (*button)->setEnabled(false);
  }

  m_screenshotButton = pictureButton(m_controlBar, "dxfPictureButton1",
                                     {391, 5, 41, 37}, "btn_screenshot.png");
  m_recordButton = pictureButton(m_controlBar, "dxfPicButPlSave",
                                 {490, 8, 28, 27}, "btn_record.png");
  m_pauseButton = pictureButton(m_controlBar, "dxfPicButPlPause",
                                {523, 8, 29, 26}, "btn_pause.png");
  m_stopButton = pictureButton(m_controlBar, "dxfPicButPlStop",
                               {557, 8, 31, 29}, "btn_stop.png");
  // Record, pause and stop: one group, stop down while not recording.
  for (PictureButton *b : {m_recordButton, m_pauseButton, m_stopButton})
    b->setGroupIndex(5);
  m_stopButton->setDown(true);

  connect(m_connectButton, &PictureButton::clicked, this,
          &MainWindow::showConnectPopup);
  connect(m_disconnectButton, &PictureButton::clicked, this,
          &MainWindow::disconnectFromButton);
  connect(m_screenshotButton, &PictureButton::clicked, this,
          &MainWindow::saveScreenshot);
  connect(m_recordButton, &PictureButton::clicked, this,
          &MainWindow::recordButtonClicked);
  connect(m_pauseButton, &PictureButton::clicked, this,
          &MainWindow::pauseButtonClicked);
  connect(m_stopButton, &PictureButton::clicked, this,
          &MainWindow::stopButtonClicked);
  connect(m_stopButton, &PictureButton::mouseDown, this,
          [this](Qt::MouseButton button) {
            if (button == Qt::LeftButton)
              stopButtonPressed();
          });
}

void MainWindow::buildWorkZone() {
  m_workArea = new QWidget(this);
  m_workArea->setObjectName("PanelWorkZone");
  m_workArea->setGeometry(6, 69, 611, 595);
  m_workAreaBackground = new QLabel(m_workArea);
  m_workAreaBackground->setObjectName("ImageWorkZone");
  m_workAreaBackground->setGeometry(0, 0, 611, 595);
  m_workAreaBackground->setPixmap(art("workzone.png"));

  m_modelLabel =
      label(m_workArea, "LabPhoneType", 56, 10, QFont("Times New Roman", 8));
  m_zoomLabel = label(m_workArea, "LabZoom", 235, 10, QFont("Tahoma", 8),
                      uiText("MLabZoom"));

  m_screenView = new ScreenImage(&m_core.canvas(), false, m_workArea);
  m_screenView->setObjectName("ImageScreen");
  m_screenView->setGeometry(18, 25, 176, 208);
  m_zoomView = new ScreenImage(&m_core.canvas(), true, m_workArea);
  m_zoomView->setObjectName("ImageScreenZoom");
  m_zoomView->setGeometry(236, 25, 352, 416);
  connectScreenViews(&m_core.canvas(), {m_screenView, m_zoomView});

  m_keypad = new PhonePanel(m_workArea);
  m_keypad->move(17, 243);

  QFont status("Verdana");
  status.setPixelSize(11);
  m_savedLabel = label(m_workArea, "LabImage", 240, 442, status);
  // The status under the zoom view: up to two lines of its width.
  m_savedLabel->resize(348, 30);
  m_savedLabel->setWordWrap(true);
  m_savedLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QFont bold("Tahoma", 8);
  bold.setBold(true);
  m_quickTextLabel =
      label(m_workArea, "LabQuickText", 21, 475, bold, uiText("MLabQuickText"));
  QPalette grey = m_quickTextLabel->palette();
  grey.setColor(QPalette::WindowText, QColor(85, 85, 85));
  m_quickTextLabel->setPalette(grey);

  m_quickTextEdit = new QTextEdit(m_workArea);
  m_quickTextEdit->setObjectName("RichEdit");
  m_quickTextEdit->setGeometry(16, 494, 576, 70);
  m_quickTextEdit->setFrameShape(QFrame::NoFrame);
  m_quickTextEdit->setAcceptRichText(false);

  m_quickTextPanel = new QWidget(m_workArea);
  m_quickTextPanel->setObjectName("PanelRichEdit");
  m_quickTextPanel->setGeometry(15, 493, 578, 72);
  m_quickTextBackground = new QLabel(m_quickTextPanel);
  m_quickTextBackground->setObjectName("ImageRichEdit");
  m_quickTextBackground->setGeometry(-1, -1, 580, 74);
  m_quickTextBackground->setPixmap(art("quicktext_cover.png"));
  m_quickTextPanel->raise();

  m_quickTextEnabled = new QCheckBox(m_workArea);
  m_quickTextEnabled->setObjectName("CheckBoxEnabled");
  m_quickTextEnabled->setGeometry(15, 568, 17, 17);
  m_quickTextEnabled->setFocusPolicy(Qt::NoFocus);
  m_quickTextEnableLabel = label(m_workArea, "LabQuickTextEnable", 36, 568,
                                 font(), uiText("MLabQuickTextEnable"));
  m_sendButton = new QPushButton(uiText("MBtnSend"), m_workArea);
  m_sendButton->setObjectName("BtnSend");
  m_sendButton->setGeometry(520, 568, 75, 20);
  m_sendButton->setEnabled(false);
  m_sendButton->setFocusPolicy(Qt::NoFocus);

  connect(m_quickTextEnabled, &QCheckBox::clicked, this,
          &MainWindow::toggleQuickText);
  connect(m_sendButton, &QPushButton::clicked, this,
          &MainWindow::sendTypedText);
}

void MainWindow::buildTray() {
  for (int i = 0; i < 4; ++i)
    m_menuIcons.append(QIcon(art(QStringLiteral("tray_%1.png").arg(i))));
  m_trayMenu = new QMenu(this);
  m_trayMenu->setObjectName("PopMTray");
  m_restoreAction =
      entry(m_trayMenu, "PMRestore", uiText("PMRestore"), "", -1, true);
  m_minimizeAction =
      entry(m_trayMenu, "PMMinimize", uiText("PMMinimize"), "", -1, true);
  m_trayExitAction =
      entry(m_trayMenu, "PMExit", uiText("PMExit"), "", -1, true);
  connect(m_restoreAction, &QAction::triggered, this,
          &MainWindow::restoreFromTray);
  connect(m_minimizeAction, &QAction::triggered, this,
          &MainWindow::minimizeFromTray);
  connect(m_trayExitAction, &QAction::triggered, this,
          &MainWindow::quitFromTray);

  m_trayIcon = new QSystemTrayIcon(m_menuIcons.value(0), this);
  m_trayIcon->setObjectName("CoolTrayIcon");
  m_trayIcon->setToolTip(QStringLiteral("Quorvane v1.0"));
  m_trayIcon->setContextMenu(m_trayMenu);
  connect(m_trayIcon, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
              trayIconClicked();
          });
  if (trayAvailable())
    m_trayIcon->show();
}

void MainWindow::buildTimers() {
  auto timer = [this](QTimer *&t, const char *name, int interval,
                      void (MainWindow::*handler)()) {
    t = new QTimer(this);
    t->setObjectName(name);
    t->setInterval(interval);
    connect(t, &QTimer::timeout, this, handler);
  };
  timer(m_portWatchdog, "TimerCOMPort", 3000, &MainWindow::checkPortWatchdog);
  timer(m_savedLabelTimer, "TimerLabel", 1500, &MainWindow::clearSavedLabel);
  timer(m_captureTimer, "TimerCapture", 1000, &MainWindow::captureFrame);
  timer(m_buttonResetTimer, "TimerButtonRepaint", 100,
        &MainWindow::resetRecordButtons);
  m_savedLabelTimer->setSingleShot(true);
  m_buttonResetTimer->setSingleShot(true);
}
