// Builds the main window's controls at their fixed places.
#include "app/UnitMain.h"

#include "controls/dxfPictureButton.h"
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

QPixmap Art(const QString &name) { return QPixmap(kArt + name); }

QIcon MenuImage(int index) {
  return QIcon(
      Art(QStringLiteral("menu_%1.png").arg(index, 2, 10, QChar('0'))));
}

// A menu entry; the shortcut text only labels it (the keys go to the
// window's keyboard handling like any other key).
QAction *Entry(QMenu *menu, const char *name, const QString &caption,
               const QString &shortcutText, int image, bool enabled) {
  QAction *a = menu->addAction(
      shortcutText.isEmpty() ? caption : caption + '\t' + shortcutText);
  a->setObjectName(name);
  if (image >= 0)
    a->setIcon(MenuImage(image));
  a->setEnabled(enabled);
  return a;
}

TdxfPictureButton *PictureButton(QWidget *parent, const char *name,
                                 const QRect &geometry, const QString &glyph,
                                 TdxfButtonStyle style = dxfHighlight) {
  auto *b = new TdxfPictureButton(parent);
  b->setObjectName(name);
  b->setGeometry(geometry);
  b->SetStyle(style);
  QImage image(kArt + glyph);
  if (image.isNull()) {
    image = QImage(geometry.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
  }
  b->LoadGlyph(image);
  b->Loaded();
  return b;
}

QLabel *Label(QWidget *parent, const char *name, int left, int top,
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

void TFormMain::BuildMenus() {
  ToolBar1 = new QWidget(this);
  ToolBar1->setObjectName("ToolBar1");
  ToolBar1->setGeometry(7, 0, 609, 21);
  auto *strip = new QHBoxLayout(ToolBar1);
  strip->setContentsMargins(0, 0, 0, 0);
  strip->setSpacing(0);
  ToolBar1->setStyleSheet(QStringLiteral(
      "QToolButton { border: none; padding: 0px; background: transparent; }"
      "QToolButton:hover, QToolButton:pressed { background: rgb(40,110,220);"
      " color: white; }"
      "QToolButton::menu-indicator { image: none; width: 0px; }"));

  MainMenu = new QMenu(this);
  MainMenu->setObjectName("MainMenu");

  auto *connection = new QMenu(this);
  MConnection = MainMenu->addMenu(connection);
  MConnection->setObjectName("MConnection");
  MConnection->setText(UiText("MMConnection"));
  MAutoConnection = Entry(connection, "MAutoConnection",
                          UiText("MMAutoConnection"), "Alt+T", 7, true);
  MBlueToothConnect = Entry(connection, "MBlueToothConnect",
                            UiText("MMBlueToothConnect"), "Alt+B", 6, true);
  MDataCableConn = Entry(connection, "MDataCableConn",
                         UiText("MMDataCableConn"), "Alt+C", 3, true);
  MInternetConn = Entry(connection, "MInternetConn", UiText("MMInternetConn"),
                        "Alt+G", 2, true);
  connection->addSeparator();
  MDissconect = Entry(connection, "MDissconect", UiText("MMDissconect"),
                      "Alt+D", 11, false);
  connection->addSeparator();
  MExit = Entry(connection, "MExit", UiText("MMExit"), "Alt+F4", 0, true);

  auto *tools = new QMenu(this);
  MTools = MainMenu->addMenu(tools);
  MTools->setObjectName("MTools");
  MTools->setText(UiText("MMTools"));
  auto *video = new QMenu(this);
  MVideoCapturing = tools->addMenu(video);
  MVideoCapturing->setObjectName("MVideoCapturing");
  MVideoCapturing->setText(UiText("MMVideoCapturing"));
  MRecordPause =
      Entry(video, "MRecordPause", UiText("MMRecordPause"), "Alt+R", 12, true);
  MStop = Entry(video, "MStop", UiText("MMStop"), "Alt+S", 9, false);
  MSaveScreenshot = Entry(tools, "MSaveScreenshot", UiText("MMSaveScreenshot"),
                          "Alt+A", 5, true);
  MOptions = Entry(tools, "MOptions", UiText("MMOptions"), "Alt+O", 4, true);
  tools->addSeparator();

  auto *help = new QMenu(this);
  MHelp = MainMenu->addMenu(help);
  MHelp->setObjectName("MHelp");
  MHelp->setText(UiText("MMHelp"));
  MManual = Entry(help, "MManual", UiText("MMManual"), "Alt+M", -1, true);
  MAbout = Entry(help, "MAbout", UiText("MMAbout"), "F1", 10, true);

  // One flat 71 x 21 button per top-level entry, opening its sub-menu.
  for (QAction *top : {MConnection, MTools, MHelp}) {
    auto *button = new QToolButton(ToolBar1);
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

  connect(MAutoConnection, &QAction::triggered, this,
          [this] { MAutoConnectionClick(MAutoConnection); });
  connect(MBlueToothConnect, &QAction::triggered, this,
          [this] { MBlueToothConnectClick(MBlueToothConnect); });
  connect(MDataCableConn, &QAction::triggered, this,
          [this] { MDataCableConnClick(MDataCableConn); });
  connect(MInternetConn, &QAction::triggered, this,
          [this] { MInternetConnClick(MInternetConn); });
  connect(MDissconect, &QAction::triggered, this, &TFormMain::MDissconectClick);
  connect(MExit, &QAction::triggered, this, &TFormMain::MExitClick);
  // As the record button: an open converter comes forward instead.
  connect(MRecordPause, &QAction::triggered, this,
          &TFormMain::dxfPictureButton2Click);
  connect(MStop, &QAction::triggered, this, &TFormMain::MStopClick);
  // The Tools menu's entry saves a screenshot as the camera button does.
  connect(MSaveScreenshot, &QAction::triggered, this,
          &TFormMain::dxfPicBtSaveScreenClick);
  connect(MOptions, &QAction::triggered, this, &TFormMain::MOptionsClick);
  connect(MManual, &QAction::triggered, this, &TFormMain::MManualClick);
  connect(MAbout, &QAction::triggered, this, &TFormMain::MAboutClick);

  // The connection pop-up of the connect button.
  PopMConnection = new QMenu(this);
  PopMConnection->setObjectName("PopMConnection");
  PMDataCableConn = Entry(PopMConnection, "PMDataCableConn",
                          UiText("MMDataCableConn"), "", 3, true);
  PMInternetConn = Entry(PopMConnection, "PMInternetConn",
                         UiText("MMInternetConn"), "", 2, true);
  PMBlueToothConnect = Entry(PopMConnection, "PMBlueToothConnect",
                             UiText("MMBlueToothConnect"), "", 6, true);
  PopMConnection->setToolTipsVisible(true);
  for (QAction *a : {PMDataCableConn, PMInternetConn, PMBlueToothConnect}) {
    a->setToolTip(a->text());
    connect(a, &QAction::triggered, this,
            [this, a] { PMDataCableConnClick(a); });
  }
}

void TFormMain::BuildControlBar() {
  PanelControl = new QWidget(this);
  PanelControl->setObjectName("PanelControl");
  PanelControl->setGeometry(6, 23, 611, 48);
  Image2 = new QLabel(PanelControl);
  Image2->setObjectName("Image2");
  Image2->setGeometry(0, 0, 611, 48);
  Image2->setPixmap(Art("controlbar.png"));

  dxfPicButConnect = PictureButton(PanelControl, "dxfPicButConnect",
                                   {16, 5, 83, 37}, "btn_connect.png");
  Bt_Disconn = PictureButton(PanelControl, "Bt_Disconn", {107, 5, 70, 37},
                             "btn_disconnect.png");
  Bt_Disconn->setEnabled(false);

  ImageLedConn = new QLabel(PanelControl);
  ImageLedConn->setObjectName("ImageLedConn");
  ImageLedConn->setGeometry(190, 8, 31, 29);
  ImageLedConn->setAttribute(Qt::WA_TranslucentBackground);
  for (int i = 0; i < 3; ++i)
    ImageListLed.append(Art(QStringLiteral("led_%1.png").arg(i)));

  // The indicators are always down; hiding one uncovers the coloured icon of
  // the bar beneath it.
  int group = 101;
  for (auto [button, name, rect, glyph] :
       {std::tuple{&PicButIndData, "PicButIndData", QRect(224, 8, 33, 28),
                   "ind_cable.png"},
        std::tuple{&PicButIndBlu, "PicButIndBlu", QRect(263, 7, 32, 28),
                   "ind_bluetooth.png"},
        std::tuple{&PicButIndInet, "PicButIndInet", QRect(301, 8, 35, 26),
                   "ind_gprs.png"}}) {
    *button = PictureButton(PanelControl, name, rect, glyph, dxfNormal);
    (*button)->SetGroupIndex(group++);
    (*button)->SetDown(true);
    (*button)->setEnabled(false);
  }

  dxfPictureButton1 = PictureButton(PanelControl, "dxfPictureButton1",
                                    {391, 5, 41, 37}, "btn_screenshot.png");
  dxfPicButPlSave = PictureButton(PanelControl, "dxfPicButPlSave",
                                  {490, 8, 28, 27}, "btn_record.png");
  dxfPicButPlPause = PictureButton(PanelControl, "dxfPicButPlPause",
                                   {523, 8, 29, 26}, "btn_pause.png");
  dxfPicButPlStop = PictureButton(PanelControl, "dxfPicButPlStop",
                                  {557, 8, 31, 29}, "btn_stop.png");
  // Record, pause and stop: one group, stop down while not recording.
  for (TdxfPictureButton *b :
       {dxfPicButPlSave, dxfPicButPlPause, dxfPicButPlStop})
    b->SetGroupIndex(5);
  dxfPicButPlStop->SetDown(true);

  connect(dxfPicButConnect, &TdxfPictureButton::clicked, this,
          &TFormMain::dxfPicButConnectClick);
  connect(Bt_Disconn, &TdxfPictureButton::clicked, this,
          &TFormMain::Bt_DisconnClick);
  connect(dxfPictureButton1, &TdxfPictureButton::clicked, this,
          &TFormMain::dxfPicBtSaveScreenClick);
  connect(dxfPicButPlSave, &TdxfPictureButton::clicked, this,
          &TFormMain::dxfPictureButton2Click);
  connect(dxfPicButPlPause, &TdxfPictureButton::clicked, this,
          &TFormMain::dxfPicButPlPauseClick);
  connect(dxfPicButPlStop, &TdxfPictureButton::clicked, this,
          &TFormMain::dxfPicButPlStopClick);
  connect(dxfPicButPlStop, &TdxfPictureButton::mouseDown, this,
          [this](Qt::MouseButton button) {
            if (button == Qt::LeftButton)
              dxfPicButPlStopMouseDown();
          });
}

void TFormMain::BuildWorkZone() {
  PanelWorkZone = new QWidget(this);
  PanelWorkZone->setObjectName("PanelWorkZone");
  PanelWorkZone->setGeometry(6, 69, 611, 595);
  ImageWorkZone = new QLabel(PanelWorkZone);
  ImageWorkZone->setObjectName("ImageWorkZone");
  ImageWorkZone->setGeometry(0, 0, 611, 595);
  ImageWorkZone->setPixmap(Art("workzone.png"));

  LabPhoneType =
      Label(PanelWorkZone, "LabPhoneType", 56, 10, QFont("Times New Roman", 8));
  LabZoom = Label(PanelWorkZone, "LabZoom", 235, 10, QFont("Tahoma", 8),
                  UiText("MLabZoom"));

  ImageScreen = new TScreenImage(m_canvas.get(), false, PanelWorkZone);
  ImageScreen->setObjectName("ImageScreen");
  ImageScreen->setGeometry(18, 25, 176, 208);
  ImageScreenZoom = new TScreenImage(m_canvas.get(), true, PanelWorkZone);
  ImageScreenZoom->setObjectName("ImageScreenZoom");
  ImageScreenZoom->setGeometry(236, 25, 352, 416);
  ConnectScreenViews(m_canvas.get(), {ImageScreen, ImageScreenZoom});

  PanelButton = new TPhonePanel(PanelWorkZone);
  PanelButton->move(17, 243);

  QFont status("Verdana");
  status.setPixelSize(11);
  LabImage = Label(PanelWorkZone, "LabImage", 240, 442, status);
  // The status under the zoom view: up to two lines of its width.
  LabImage->resize(348, 30);
  LabImage->setWordWrap(true);
  LabImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QFont bold("Tahoma", 8);
  bold.setBold(true);
  LabQuickText = Label(PanelWorkZone, "LabQuickText", 21, 475, bold,
                       UiText("MLabQuickText"));
  QPalette grey = LabQuickText->palette();
  grey.setColor(QPalette::WindowText, QColor(85, 85, 85));
  LabQuickText->setPalette(grey);

  RichEdit = new QTextEdit(PanelWorkZone);
  RichEdit->setObjectName("RichEdit");
  RichEdit->setGeometry(16, 494, 576, 70);
  RichEdit->setFrameShape(QFrame::NoFrame);
  RichEdit->setAcceptRichText(false);

  PanelRichEdit = new QWidget(PanelWorkZone);
  PanelRichEdit->setObjectName("PanelRichEdit");
  PanelRichEdit->setGeometry(15, 493, 578, 72);
  ImageRichEdit = new QLabel(PanelRichEdit);
  ImageRichEdit->setObjectName("ImageRichEdit");
  ImageRichEdit->setGeometry(-1, -1, 580, 74);
  ImageRichEdit->setPixmap(Art("quicktext_cover.png"));
  PanelRichEdit->raise();

  CheckBoxEnabled = new QCheckBox(PanelWorkZone);
  CheckBoxEnabled->setObjectName("CheckBoxEnabled");
  CheckBoxEnabled->setGeometry(15, 568, 17, 17);
  CheckBoxEnabled->setFocusPolicy(Qt::NoFocus);
  LabQuickTextEnable = Label(PanelWorkZone, "LabQuickTextEnable", 36, 568,
                             font(), UiText("MLabQuickTextEnable"));
  BtnSend = new QPushButton(UiText("MBtnSend"), PanelWorkZone);
  BtnSend->setObjectName("BtnSend");
  BtnSend->setGeometry(520, 568, 75, 20);
  BtnSend->setEnabled(false);
  BtnSend->setFocusPolicy(Qt::NoFocus);

  connect(CheckBoxEnabled, &QCheckBox::clicked, this,
          &TFormMain::CheckBoxEnabledClick);
  connect(BtnSend, &QPushButton::clicked, this, &TFormMain::BtnSendClick);
}

void TFormMain::BuildTray() {
  for (int i = 0; i < 4; ++i)
    ImageListHot.append(QIcon(Art(QStringLiteral("tray_%1.png").arg(i))));
  PopMTray = new QMenu(this);
  PopMTray->setObjectName("PopMTray");
  PMRestore = Entry(PopMTray, "PMRestore", UiText("PMRestore"), "", -1, true);
  PMMinimize =
      Entry(PopMTray, "PMMinimize", UiText("PMMinimize"), "", -1, true);
  PMExit = Entry(PopMTray, "PMExit", UiText("PMExit"), "", -1, true);
  connect(PMRestore, &QAction::triggered, this, &TFormMain::PMRestoreClick);
  connect(PMMinimize, &QAction::triggered, this, &TFormMain::PMMinimizeClick);
  connect(PMExit, &QAction::triggered, this, &TFormMain::PMExitClick);

  CoolTrayIcon = new QSystemTrayIcon(ImageListHot.value(0), this);
  CoolTrayIcon->setObjectName("CoolTrayIcon");
  CoolTrayIcon->setToolTip(QStringLiteral("Quorvane v1.0"));
  CoolTrayIcon->setContextMenu(PopMTray);
  connect(CoolTrayIcon, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
              CoolTrayIconClick();
          });
  if (TrayAvailable())
    CoolTrayIcon->show();
}

void TFormMain::BuildTimers() {
  auto timer = [this](QTimer *&t, const char *name, int interval,
                      void (TFormMain::*handler)()) {
    t = new QTimer(this);
    t->setObjectName(name);
    t->setInterval(interval);
    connect(t, &QTimer::timeout, this, handler);
  };
  timer(TimerCOMPort, "TimerCOMPort", 3000, &TFormMain::TimerCOMPortTimer);
  timer(TimerLabel, "TimerLabel", 1500, &TFormMain::TimerLabelTimer);
  timer(TimerCapture, "TimerCapture", 1000, &TFormMain::TimerCaptureTimer);
  timer(TimerButtonRepaint, "TimerButtonRepaint", 100,
        &TFormMain::TimerButtonRepaintTimer);
  TimerLabel->setSingleShot(true);
  TimerButtonRepaint->setSingleShot(true);
}
