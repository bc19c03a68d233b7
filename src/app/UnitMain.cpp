#include "app/UnitMain.h"
#include "app/Artwork.h"

#include "app/LinkViewAdapter.h"
#include "app/MessageBoxes.h"
#include "app/UnitProgress.h"
#include "app/UnitSplash.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "controls/dxfPictureButton.h"
#include "keys/Keyboard.h"
#include "keys/PhoneKeypad.h"
#include "keys/QuickText.h"
#include "link/CommandQueue.h"
#include "link/SrvFunctions.h"
#include "link/UnitDataCom.h"
#include "platform/Shell.h"
#include "screen/ActivityIndicator.h"
#include "screen/ScreenCanvas.h"
#include "screen/ScreenView.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>

TFormMain::TFormMain(TCommandQueue &queue, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_queue(queue), m_canvas(std::make_unique<TScreenCanvas>()) {
  InitArtwork();
  setObjectName("FormMain");
  setFixedSize(ClientWidth, ClientHeight);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setFont(QFont("Verdana", 8));
  setWindowIcon(QIcon(":/art/icon_app.png"));

  m_indicator = new TActivityIndicator(this);
  m_linkView = new TLinkViewAdapter(*m_canvas, *m_indicator, this);
  m_tcpServer = std::make_unique<TIdTCPServer>(*m_linkView, m_queue);
  connect(m_indicator, &TActivityIndicator::IndexChanged, this, [this](int i) {
    SetLedImage(i);
    SetTrayIconIndex(i);
  });
  connect(m_linkView, &TLinkViewAdapter::PhoneNameChanged, this,
          [this](const QString &name) {
            LabPhoneType->setText(name);
            LabPhoneType->adjustSize();
          });

  BuildMenus();
  BuildControlBar();
  BuildWorkZone();
  BuildTray();
  BuildTimers();
  m_keyPreview =
      new TKeyPreview(this, [this](uint16_t key, Qt::KeyboardModifiers shift) {
        FormKeyDown(key, shift);
      });

  if (QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  FormCreate();
}

TFormMain::~TFormMain() {
  // The listener's threads touch the view: end them first.
  m_tcpServer.reset();
}

void TFormMain::FormCreate() {
  setWindowTitle(QStringLiteral("Quorvane v1.0"));
  QApplication::setApplicationDisplayName(QStringLiteral("Quorvane v1.0"));
  LoadSettings();
  // The language of the Language setting is applied here once languages
  // exist; the built-in English texts stand until then.
  CaptureState = QStringLiteral("CAVIOff");
  for (TdxfPictureButton *b : PanelButton->Buttons())
    connect(b, &TdxfPictureButton::clicked, this,
            [this, b] { PhoneButtonClick(b); });
  // Errors that reach the event loop go to AppException through the
  // application object (TApplication::notify).
}

void TFormMain::FormClose() {
  if (m_tcpServer->Active())
    m_tcpServer->Close();
}

void TFormMain::closeEvent(QCloseEvent *event) {
  FormClose();
  event->accept();
  if (CoolTrayIcon)
    CoolTrayIcon->hide();
  emit Closed();
}

void TFormMain::MExitClick() { close(); }
void TFormMain::PMExitClick() { close(); }

void TFormMain::MManualClick() {
  platform::OpenDocument(ExeDir() + QStringLiteral("Manual.pdf"));
}

void TFormMain::MAboutClick() {
  auto *box = new TFormSplash(this);
  box->setWindowFlag(Qt::Window);
  box->MakeAboutBox(this);
  box->show();
}

void TFormMain::RestoreFromOtherInstance() {
  RestoreApplication();
  raise();
  activateWindow();
}

// --- Minimise to the tray and back ---------------------------------------

bool TFormMain::TrayAvailable() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void TFormMain::MinimizeApplication() {
  if (TrayAvailable())
    hide(); // a hidden window has no task-bar entry; the tray icon stays
  else
    showMinimized();
  ApplicationEvents1Minimize();
}

void TFormMain::RestoreApplication() {
  showNormal();
  raise();
  activateWindow();
  ApplicationEvents1Restore();
}

void TFormMain::JvCaptionButton1Click() { MinimizeApplication(); }
void TFormMain::PMMinimizeClick() { MinimizeApplication(); }
void TFormMain::PMRestoreClick() { RestoreApplication(); }

void TFormMain::CoolTrayIconClick() {
  if (IsMinimized)
    RestoreApplication();
  else
    MinimizeApplication();
}

void TFormMain::ApplicationEvents1Minimize() { IsMinimized = true; }
void TFormMain::ApplicationEvents1Restore() { IsMinimized = false; }

void TFormMain::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange)
    return;
  const auto *change = static_cast<QWindowStateChangeEvent *>(event);
  const bool wasMinimized = change->oldState() & Qt::WindowMinimized;
  if (isMinimized() && !wasMinimized) {
    // The title bar's minimise button minimises to the tray.
    if (TrayAvailable())
      QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
    ApplicationEvents1Minimize();
  } else if (!isMinimized() && wasMinimized) {
    ApplicationEvents1Restore();
  }
}

// --- Indicator ------------------------------------------------------------

void TFormMain::SetLedImage(int index) {
  m_ledIndex = index;
  ImageLedConn->setPixmap(ImageListLed.value(index));
  ImageLedConn->repaint();
}

void TFormMain::SetTrayIconIndex(int index) {
  m_trayIndex = index;
  CoolTrayIcon->setIcon(ImageListHot.value(index));
}

void TFormMain::TimerYellowTimer() { m_indicator->TimerYellowTimer(); }

// --- Keypad ---------------------------------------------------------------

void TFormMain::PhoneButtonClick(TdxfPictureButton *button) {
  m_queue.PutKeyCode(static_cast<uint16_t>(button->Tag() & 0xFFFF));
  QCoreApplication::processEvents();
}

// --- Connection commands --------------------------------------------------

void TFormMain::SetConnectCommandsEnabled(bool enabled) {
  for (QAction *a :
       {MInternetConn, MBlueToothConnect, MDataCableConn, MAutoConnection,
        PMDataCableConn, PMInternetConn, PMBlueToothConnect})
    a->setEnabled(enabled);
}

void TFormMain::MInternetConnClick(QAction *sender) {
  try {
    m_tcpServer->Open(AppSettings.Port);
  } catch (const TcpBindError &e) {
    // The link stays Idle and the program goes on.
    ShowMessageBox(this, TMessageKind::Error,
                   QApplication::applicationDisplayName(),
                   QString::fromLocal8Bit(e.what()));
    return;
  }
  EnterLinkOpen(sender);
}

void TFormMain::SetDataComPort(TDataComPort *module) {
  m_dataCom = module;
  if (m_dataCom) {
    m_dataCom->SetView(m_linkView);
    m_dataCom->SetScanHost(this);
  }
}

ILinkView &TFormMain::LinkView() { return *m_linkView; }

void TFormMain::OpenSerialLink(QAction *sender, const QByteArray &port,
                               qint32 baudRate, TdxfPictureButton *indicator,
                               const QString &caption, const QString &text) {
  if (!m_dataCom)
    return;
  try {
    m_dataCom->OpenComPort(QString::fromLocal8Bit(port), baudRate);
  } catch (const std::exception &) {
    ShowMessageBox(this, TMessageKind::Warning, caption, text);
  }
  if (!m_dataCom->ComPort().IsOpen())
    return;
  m_dataCom->ResetLastReceiveTime();
  TimerCOMPort->start();
  indicator->SetVisible(false);
  EnterLinkOpen(sender);
}

void TFormMain::MBlueToothConnectClick(QAction *sender) {
  OpenSerialLink(sender, AppSettings.BlueToothPort, 0, PicButIndBlu,
                 QStringLiteral("Attention"),
                 QStringLiteral("Try Selet Another ComPort in options"));
}

void TFormMain::MDataCableConnClick(QAction *sender) {
  // The cable's rate stays on the port for later links too.
  OpenSerialLink(sender, AppSettings.DataPort, 256000, PicButIndData,
                 QApplication::applicationDisplayName(),
                 QStringLiteral("Try Select Another ComPort At Setting"));
}

void TFormMain::MAutoConnectionClick(QAction *sender) {
  if (!m_dataCom)
    return;
  QCoreApplication::processEvents();
  {
    TFormProgress progress;
    m_dataCom->ScanPorts(&progress);
  }
  EnterLinkOpen(sender);
}

void TFormMain::PortFound(const QString &portName, bool isCable) {
  const QByteArray name = portName.toLocal8Bit();
  if (isCable) {
    StoreDataPort(name);
    AppSettings.DataPort = name;
    PicButIndData->SetVisible(false);
  } else {
    StoreBlueToothPort(name);
    AppSettings.BlueToothPort = name;
    PicButIndBlu->SetVisible(false);
  }
}

void TFormMain::PMDataCableConnClick(QAction *sender) {
  if (sender == PMDataCableConn)
    MDataCableConnClick(MDataCableConn);
  else if (sender == PMInternetConn)
    MInternetConnClick(MInternetConn);
  else if (sender == PMBlueToothConnect)
    MBlueToothConnectClick(MBlueToothConnect);
}

void TFormMain::dxfPicButConnectClick() {
  const QPoint topLeft = dxfPicButConnect->mapToGlobal(QPoint(0, 0));
  PopMConnection->popup(
      QPoint(topLeft.x(), topLeft.y() + dxfPicButConnect->height() + 4));
}

void TFormMain::MDissconectClick() { DisconnectLink(); }
void TFormMain::Bt_DisconnClick() { DisconnectLink(); }

void TFormMain::TimerCOMPortTimer() {
  if (!m_dataCom || m_dataCom->LastReceiveTime() == 0)
    return;
  const qint64 silentSeconds =
      (m_dataCom->Now() - m_dataCom->LastReceiveTime()) / 1000;
  if (silentSeconds <= 5)
    return;
  DisconnectLink();
  TimerCOMPort->stop();
  // Keep waiting for the phone on the port the user chose.
  const QByteArray port = m_dataCom->ComPort().PortName().toLocal8Bit();
  if (port == AppSettings.BlueToothPort)
    MBlueToothConnectClick(MBlueToothConnect);
  else if (port == AppSettings.DataPort)
    MDataCableConnClick(MDataCableConn);
}

void TFormMain::EnterLinkOpen(QAction *sender) {
  for (QAction *a :
       {MInternetConn, MBlueToothConnect, MDataCableConn, MAutoConnection})
    a->setEnabled(false);
  MDissconect->setEnabled(true);
  const QString name = sender ? sender->objectName() : QString();
  if (name == "MInternetConn")
    PicButIndInet->SetVisible(false);
  else if (name == "MBlueToothConnect")
    PicButIndBlu->SetVisible(false);
  else if (name == "MDataCableConn")
    PicButIndData->SetVisible(false);
  m_indicator->ShowLinkIdle();
  SetLedImage(1);
  SetTrayIconIndex(1);
  for (QAction *a : {PMDataCableConn, PMInternetConn, PMBlueToothConnect})
    a->setEnabled(false);
  Bt_Disconn->setEnabled(true);
}

void TFormMain::DisconnectLink() {
  // Also stops TimerYellow; a late restart from a link thread cannot
  // bring the LED back.
  m_indicator->ShowNoLink();
  if (m_dataCom)
    m_dataCom->TimerLostPacket().stop();
  if (m_tcpServer->Active())
    m_tcpServer->Close();
  m_linkView->Invalidate();
  if (m_dataCom) {
    // Both send the phone the Discon packet first; errors are ignored.
    m_dataCom->CloseComPort(true);
    m_dataCom->ReleaseProbePorts(true);
  }

  // Controls back to Idle.
  SetConnectCommandsEnabled(true);
  LabPhoneType->clear();
  if (m_dataCom)
    m_dataCom->ClearPending();
  LabImage->clear();
  Bt_Disconn->setEnabled(false);
  MDissconect->setEnabled(false);
  TimerCOMPort->stop();
  for (TdxfPictureButton *b : {PicButIndData, PicButIndBlu, PicButIndInet})
    b->SetVisible(true);
  SetTrayIconIndex(0);

  // Clear the link's view.
  WriteLog(LogDate() + " DisConnect", LogCommands);
  m_queue.QueueClear();
  SetLedImage(0);
  m_canvas->RemovePictures();
  ImageScreen->update();
  ImageScreenZoom->update();
}

// --- Keyboard and quick text ---------------------------------------------

void TFormMain::FormKeyDown(uint16_t key, Qt::KeyboardModifiers shift) {
  SendKeyDown(m_queue, key, shift);
}

void TFormMain::CheckBoxEnabledClick() {
  if (CheckBoxEnabled->isChecked()) {
    // The keyboard belongs to the text field while quick text is on.
    m_keyPreview->SetKeyPreview(false);
    RichEdit->clear();
    RichEdit->raise();
    RichEdit->setFocus(Qt::OtherFocusReason);
    BtnSend->setEnabled(true);
  } else {
    PanelRichEdit->raise();
    PanelButton->setFocus(Qt::OtherFocusReason);
    BtnSend->setEnabled(false);
    m_keyPreview->SetKeyPreview(true);
    m_keyPreview->SetHandler([this](uint16_t key, Qt::KeyboardModifiers shift) {
      FormKeyDown(key, shift);
    });
  }
}

void TFormMain::BtnSendClick() {
  if (SendQuickText(m_queue, RichEdit->toPlainText()))
    RichEdit->clear();
}

// --- Later work -----------------------------------------------------------

void TFormMain::dxfPicBtSaveScreenClick() {}
void TFormMain::TimerLabelTimer() {}
void TFormMain::MRecordPauseClick() {}
void TFormMain::MStopClick() {}
void TFormMain::dxfPicButPlSaveClick() {}
void TFormMain::dxfPicButPlPauseClick() {}
void TFormMain::dxfPicButPlStopClick() {}
void TFormMain::TimerCaptureTimer() {}
void TFormMain::TimerButtonRepaintTimer() {}
void TFormMain::MOptionsClick() {}
