#include "app/UnitMain.h"
#include "app/Artwork.h"

#include "app/AppException.h"
#include "app/LinkViewAdapter.h"
#include "app/MessageBoxes.h"
#include "app/Startup.h"
#include "app/USetting.h"
#include "app/UnitAllowPhone.h"
#include "app/UnitProgress.h"
#include "app/UnitSplash.h"
#include "capture/ConverterFiles.h"
#include "capture/ImageFiles.h"
#include "capture/Screenshot.h"
#include "capture/VideoRecorder.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "controls/dxfPictureButton.h"
#include "keys/Keyboard.h"
#include "keys/PhoneKeypad.h"
#include "keys/QuickText.h"
#include "keys/UnitHotKey.h"
#include "link/CommandQueue.h"
#include "link/SrvFunctions.h"
#include "link/UnitDataCom.h"
#include "platform/Shell.h"
#include "platform/WindowFinder.h"
#include "screen/ActivityIndicator.h"
#include "screen/ScreenCanvas.h"
#include "screen/ScreenView.h"
#include "settings/KnownPhones.h"
#include "settings/Language.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QLockFile>
#include <QPointer>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolButton>

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
  m_connection =
      std::make_unique<TConnectionManager>(*this, *m_tcpServer, m_queue);
  m_tcpServer->SetStats(&m_linkStats);
  m_tcpServer->SetGate(&m_phoneGate);
  connect(m_indicator, &TActivityIndicator::IndexChanged, this, [this](int i) {
    SetLedImage(i);
    SetTrayIconIndex(i);
  });
  connect(m_linkView, &TLinkViewAdapter::PhoneNameChanged, this,
          [this](const QString &name) {
            LabPhoneType->setText(name);
            LabPhoneType->adjustSize();
          });
  connect(m_linkView, &TLinkViewAdapter::WaitingForPhoneChanged, this,
          &TFormMain::ShowWaitingForPhone);
  // A log line that cannot be written turns its log off; the user hears of
  // it once, on this thread, whichever thread wrote the line.
  SetLogFailureHandler([this](const QString &path, const QString &reason) {
    QMetaObject::invokeMethod(
        this, [this, path, reason] { ShowLogWriteError(path, reason); },
        Qt::QueuedConnection);
  });

  BuildMenus();
  BuildControlBar();
  BuildWorkZone();
  BuildTray();
  BuildTimers();
  BuildCapture();
  BuildPeerInfo();
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
  m_connection.reset();
  m_tcpServer.reset();
  // No link thread is left to write a line.
  SetLogFailureHandler({});
  // The views, the indicator and the adapter point at the canvas: they go
  // before it does.
  qDeleteAll(findChildren<QObject *>(Qt::FindDirectChildrenOnly));
}

void TFormMain::FormCreate() {
  setWindowTitle(QStringLiteral("Quorvane v1.0"));
  QApplication::setApplicationDisplayName(QStringLiteral("Quorvane v1.0"));
  LoadSettings();
  // The window shows the language's texts from now on, and again after every
  // change of language.
  QPointer<TFormMain> self(this);
  SetLanguageWindow(
      [self](const QString &key, const QString &text) {
        if (self)
          self->ApplyLanguageText(key, text);
      },
      [self] {
        if (self)
          self->FinishLanguage();
      });
  LoadLanguage();
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
  const QString path = ExeDir() + QStringLiteral("Manual.pdf");
  auto report = [this, path](platform::TOpenResult result) {
    const char *key =
        result == platform::TOpenResult::Missing    ? "UiManualMissing"
        : result == platform::TOpenResult::NoViewer ? "UiManualNoViewer"
                                                    : "UiManualFailed";
    ShowMessageBox(this, TMessageKind::Warning,
                   QApplication::applicationDisplayName(),
                   UiText(key).arg(QDir::toNativeSeparators(path)));
  };
  const platform::TOpenResult result =
      platform::OpenDocument(path, this, report);
  if (result != platform::TOpenResult::Opened)
    report(result);
}

void TFormMain::MAboutClick() {
  auto *box = new TFormSplash(this);
  box->setAttribute(Qt::WA_DeleteOnClose);
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

template <typename F> void TFormMain::Guarded(F &&command) {
  try {
    command();
  } catch (const std::exception &e) {
    PostAppException(this, e);
  } catch (...) {
    PostAppException(this, UiText("UiUnknownError"));
  }
}

void TFormMain::MInternetConnClick(QAction *) {
  Guarded([this] {
    ApplyPhonePolicy();
    m_connection->ConnectGprs();
  });
}

void TFormMain::MBlueToothConnectClick(QAction *) {
  Guarded([this] {
    ApplyPhonePolicy();
    m_connection->ConnectBluetooth();
  });
}

void TFormMain::MDataCableConnClick(QAction *) {
  Guarded([this] {
    ApplyPhonePolicy();
    m_connection->ConnectCable();
  });
}

void TFormMain::MAutoConnectionClick(QAction *) {
  // A port list that cannot be read ends here, not inside the menu's signal.
  Guarded([this] {
    ApplyPhonePolicy();
    m_connection->Autoconnect();
  });
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

void TFormMain::DisconnectLink() {
  Guarded([this] { m_connection->DisconnectLink(); });
}

void TFormMain::TimerCOMPortTimer() {
  Guarded([this] { m_connection->TimerCOMPortTimer(); });
}

void TFormMain::SetDataComPort(TDataComPort *module) {
  if (m_dataCom)
    disconnect(m_dataCom, nullptr, this, nullptr);
  m_dataCom = module;
  m_connection->SetDataComPort(module);
  if (m_dataCom) {
    m_dataCom->SetView(m_linkView);
    m_dataCom->SetStats(&m_linkStats);
    m_dataCom->SetGate(&m_phoneGate);
    connect(
        m_dataCom, &TDataComPort::ErrorRaised, this,
        [this](const QString &message) { AppException(this, message); },
        Qt::QueuedConnection);
  }
}

ILinkView &TFormMain::LinkView() { return *m_linkView; }

// --- The window as the connection manager sees it -------------------------

TConnectionSettings TFormMain::ConnectionSettings() const {
  return {AppSettings.Port, QString::fromLatin1(AppSettings.ListenAddress),
          QString::fromLocal8Bit(AppSettings.BlueToothPort),
          QString::fromLocal8Bit(AppSettings.DataPort)};
}

void TFormMain::SetConnectCommandsEnabled(bool enabled) {
  for (QAction *a :
       {MInternetConn, MBlueToothConnect, MDataCableConn, MAutoConnection,
        PMDataCableConn, PMInternetConn, PMBlueToothConnect})
    a->setEnabled(enabled);
}

void TFormMain::SetDisconnectEnabled(bool enabled) {
  MDissconect->setEnabled(enabled);
  Bt_Disconn->setEnabled(enabled);
}

void TFormMain::SetIndicatorShown(TLinkKind link, bool shown) {
  switch (link) {
  case TLinkKind::Cable:
    PicButIndData->SetVisible(shown);
    break;
  case TLinkKind::Bluetooth:
    PicButIndBlu->SetVisible(shown);
    break;
  case TLinkKind::Gprs:
    PicButIndInet->SetVisible(shown);
    break;
  case TLinkKind::Auto:
    break;
  }
  UpdateIndicatorTips();
}

void TFormMain::ShowLinkState(int index) {
  if (index == 0) {
    // Also stops TimerYellow; a late restart from a link thread cannot
    // bring the LED back.
    m_indicator->ShowNoLink();
  } else {
    m_indicator->ShowLinkIdle();
    m_linkRates.Clear(); // the figures of a new link start afresh
  }
  SetLedImage(index);
  SetTrayIconIndex(index);
}

void TFormMain::ClearLinkTexts() {
  LabPhoneType->clear();
  LabImage->clear();
}

void TFormMain::ClearScreen() {
  m_linkView->Invalidate();
  if (m_allowPhone)
    m_allowPhone->close(); // the phone it asks about has gone
  m_canvas->RemovePictures();
  ImageScreen->update();
  ImageScreenZoom->update();
}

void TFormMain::SetWatchdogRunning(bool running) {
  if (running)
    TimerCOMPort->start();
  else
    TimerCOMPort->stop();
}

void TFormMain::ShowSerialOpenError(TLinkKind link) {
  if (link == TLinkKind::Cable)
    ShowMessageBox(this, TMessageKind::Warning,
                   QApplication::applicationDisplayName(),
                   UiText("UiSelectAnotherPort"));
  else
    ShowMessageBox(this, TMessageKind::Warning, MesAtention, MesAtenMessage);
}

void TFormMain::ShowNoSerialPortOpened() {
  ShowMessageBox(this, TMessageKind::Warning,
                 QApplication::applicationDisplayName(),
                 UiText("LinkNoSerialPort"));
}

void TFormMain::ShowLogWriteError(const QString &path, const QString &reason) {
  ShowMessageBox(
      this, TMessageKind::Warning, QApplication::applicationDisplayName(),
      UiText("LinkLogWriteFailed").arg(QDir::toNativeSeparators(path), reason));
}

void TFormMain::ShowWaitingForPhone(bool waiting) {
  const QString text = waiting ? UiText("LinkWaitingForPhone") : QString();
  ImageScreen->SetOverlayText(text);
  ImageScreenZoom->SetOverlayText(text);
}

void TFormMain::ShowListenError(const QString &message) {
  ShowMessageBox(this, TMessageKind::Error,
                 QApplication::applicationDisplayName(), message);
}

void TFormMain::ProcessPendingEvents() { QCoreApplication::processEvents(); }

std::unique_ptr<IScanProgress> TFormMain::CreateScanProgress() {
  return std::make_unique<TFormProgress>();
}

void TFormMain::StoreFoundPort(const QString &portName, bool isCable) {
  const QByteArray name = portName.toLocal8Bit();
  // The port found is used for this run even when it cannot be stored; the
  // link that found it stays up.
  try {
    if (isCable)
      StoreDataPort(name);
    else
      StoreBlueToothPort(name);
  } catch (const SettingsWriteError &e) {
    PostAppException(this, e);
  }
  (isCable ? AppSettings.DataPort : AppSettings.BlueToothPort) = name;
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
  int replaced = 0;
  if (SendQuickText(m_queue, RichEdit->toPlainText(), &replaced))
    RichEdit->clear();
  if (replaced > 0) {
    LabImage->setText(UiText("UiQuickTextReplaced").arg(replaced));
    TimerLabel->start();
  }
}

// --- Settings and language -------------------------------------------------

void TFormMain::MOptionsClick() {
  Guarded([this] {
    TFrmSetting dialog(StartedWithLogSwitch(), this);
    dialog.setWindowTitle(SCaption);
    if (dialog.exec() == QDialog::Accepted &&
        AppSettings.Language != LoadedLanguage)
      LoadLanguage();
  });
}

namespace {
// A menu entry's caption; the shortcut text after the tab stays.
void SetEntryCaption(QAction *entry, const QString &caption) {
  const QString old = entry->text();
  const qsizetype tab = old.indexOf(QLatin1Char('\t'));
  entry->setText(tab < 0 ? caption : caption + old.mid(tab));
}

QString EntryCaption(const QAction *entry) {
  return entry->text().section(QLatin1Char('\t'), 0, 0);
}

void SetLabelText(QLabel *label, const QString &text) {
  label->setText(text);
  label->adjustSize();
}
} // namespace

void TFormMain::ApplyLanguageText(const QString &key, const QString &text) {
  const QHash<QString, QAction *> entries = {
      {"MMConnection", MConnection},
      {"MMAutoConnection", MAutoConnection},
      {"MMBlueToothConnect", MBlueToothConnect},
      {"MMDataCableConn", MDataCableConn},
      {"MMInternetConn", MInternetConn},
      {"MMDissconect", MDissconect},
      {"MMExit", MExit},
      {"MMTools", MTools},
      {"MMVideoCapturing", MVideoCapturing},
      {"MMRecordPause", MRecordPause},
      {"MMStop", MStop},
      {"MMSaveScreenshot", MSaveScreenshot},
      {"MMOptions", MOptions},
      {"MMHelp", MHelp},
      {"MMAbout", MAbout},
      {"MMManual", MManual},
      {"PMRestore", PMRestore},
      {"PMMinimize", PMMinimize},
      {"PMExit", PMExit}};
  if (QAction *entry = entries.value(key)) {
    SetEntryCaption(entry, text);
  } else if (key == QLatin1String("FCaptEditKey")) {
    FCaptEditKey = text;
  } else if (key == QLatin1String("MLabQuickTextEnable")) {
    SetLabelText(LabQuickTextEnable, text);
  } else if (key == QLatin1String("MLabZoom")) {
    SetLabelText(LabZoom, text);
  } else if (key == QLatin1String("MLabQuickText")) {
    SetLabelText(LabQuickText, text);
  } else if (key == QLatin1String("MBtnSend")) {
    BtnSend->setText(text);
  }
}

void TFormMain::FinishLanguage() {
  ShowWaitingForPhone(m_linkView->WaitingForPhone());
  // The connection pop-up repeats the menu's captions.
  for (auto [popup, entry] :
       {std::pair{PMDataCableConn, MDataCableConn},
        std::pair{PMInternetConn, MInternetConn},
        std::pair{PMBlueToothConnect, MBlueToothConnect}}) {
    popup->setText(EntryCaption(entry));
    popup->setToolTip(popup->text());
  }
  // The menu strip's buttons show the top-level captions.
  for (QAction *top : {MConnection, MTools, MHelp})
    if (auto *button = ToolBar1->findChild<QToolButton *>(
            QStringLiteral("ToolButton_") + top->objectName()))
      button->setText(top->text());
  // The control bar's buttons carry no text: their tips say what they do.
  for (auto [button, key] : {std::pair{dxfPicButConnect, "UiTipConnect"},
                             std::pair{Bt_Disconn, "UiTipDisconnect"},
                             std::pair{dxfPictureButton1, "UiTipScreenshot"},
                             std::pair{dxfPicButPlSave, "UiTipRecord"},
                             std::pair{dxfPicButPlPause, "UiTipPause"},
                             std::pair{dxfPicButPlStop, "UiTipStop"}})
    button->setToolTip(UiText(key));
  UpdateIndicatorTips();
}

// --- Screenshots and recording ----------------------------------------------

namespace {
const QString kConverterTitle = QStringLiteral("AviConvert");
const QString kConverterProgram = QStringLiteral("AVIConvert");

// Starts the converter without waiting for it; false when it is not found.
bool StartConverterProgram() {
  return platform::StartProgram(kConverterProgram, ExeDir());
}

QIcon RecordMenuImage(int index) {
  return QIcon(
      QStringLiteral(":/art/menu_%1.png").arg(index, 2, 10, QChar('0')));
}
} // namespace

void TFormMain::BuildCapture() {
  m_captureClock = [] { return QDateTime::currentDateTime(); };
  TScreenshotHooks shots;
  shots.Picture = [this] { return m_canvas->Screen(); };
  shots.Now = [this] { return m_captureClock(); };
  shots.PickFolder = [this] {
    return QFileDialog::getExistingDirectory(
        this, UiText("UiChooseScreenshotFolder"), QDir::homePath());
  };
  m_screenshots = std::make_unique<TScreenshotSaver>(std::move(shots));

  TRecorderHooks rec;
  rec.Picture = [this] { return m_canvas->Screen(); };
  rec.Now = [this] { return m_captureClock().time(); };
  rec.ProgramDir = [] { return ExeDir(); };
  rec.FramesDir = [] { return TempDir(); };
  rec.SaveScreenSize = [](int height, int width) {
    SaveScreenSize(height, width);
  };
  rec.StartConverter = [] {
    // Nothing is waited for and nothing is reported.
    StartConverterProgram();
  };
  m_recorder = std::make_unique<TVideoRecorder>(std::move(rec));
}

void TFormMain::SetCaptureClock(std::function<QDateTime()> now) {
  m_captureClock = std::move(now);
}

void TFormMain::dxfPicBtSaveScreenClick() {
  try {
    if (m_screenshots->Save(AppSettings.ImageDir, AppSettings.ImageType) !=
        TScreenshotResult::Saved)
      return;
  } catch (const CaptureWriteError &e) {
    ShowMessageBox(this, TMessageKind::Warning,
                   QApplication::applicationDisplayName(),
                   UiText(e.IsFolder() ? "FileScreenshotFolderNotMade"
                                       : "FileScreenshotNotSaved")
                       .arg(e.Path(), e.Reason()));
    return;
  } catch (const std::exception &e) {
    PostAppException(this, e);
    return;
  }
  LabImage->setText(UiText("UiScreenshotSaved"));
  // A save while the message shows leaves it to go at its first time.
  if (!TimerLabel->isActive())
    TimerLabel->start();
}

void TFormMain::TimerLabelTimer() {
  LabImage->clear();
  LabImage->repaint();
  TimerLabel->stop();
}

void TFormMain::ApplyRecorderState() {
  CaptureState = CaptureStateText(m_recorder->State());
  MStop->setEnabled(m_recorder->State() != TCaptureState::Off);
}

void TFormMain::MRecordPauseClick() {
  try {
    switch (m_recorder->RecordPause(AppSettings.FPS)) {
    case TVideoRecorder::TStep::Refused:
      TimerButtonRepaint->start();
      break;
    case TVideoRecorder::TStep::Started:
      TimerCapture->setInterval(m_recorder->Interval());
      TimerCapture->start();
      dxfPicButPlSave->SetDown(true);
      break;
    case TVideoRecorder::TStep::Paused:
      MRecordPause->setIcon(RecordMenuImage(8));
      TimerCapture->stop();
      dxfPicButPlPause->SetDown(true);
      break;
    case TVideoRecorder::TStep::Resumed:
      MRecordPause->setIcon(RecordMenuImage(12));
      TimerCapture->start();
      dxfPicButPlSave->SetDown(true);
      break;
    }
  } catch (const std::exception &e) {
    PostAppException(this, e);
  }
  ApplyRecorderState();
}

void TFormMain::MStopClick() {
  if (m_recorder->State() == TCaptureState::Off)
    return;
  TimerCapture->stop();
  QString failure;
  try {
    m_recorder->Stop();
  } catch (const RecordingError &e) {
    failure = e.Message();
  } catch (const std::exception &e) {
    PostAppException(this, e);
  }
  ApplyRecorderState();
  dxfPicButPlStop->SetDown(true);
  if (!failure.isEmpty())
    ShowMessageBox(this, TMessageKind::Warning,
                   QApplication::applicationDisplayName(), failure);
}

void TFormMain::TimerCaptureTimer() {
  try {
    m_recorder->Tick();
  } catch (const RecordingError &e) {
    // The recording has been stopped; the window follows.
    TimerCapture->stop();
    ApplyRecorderState();
    dxfPicButPlStop->SetDown(true);
    ShowMessageBox(this, TMessageKind::Warning,
                   QApplication::applicationDisplayName(), e.Message());
  } catch (const std::exception &e) {
    TimerCapture->stop();
    PostAppException(this, e);
  }
}

void TFormMain::OfferLeftoverRecording() {
  QStringList frames;
  {
    // A converter at work owns the frames and its unfinished video.
    const std::unique_ptr<QLockFile> lock = ConverterLock(ExeDir());
    if (!lock->tryLock(0))
      return;
    RemoveStaleParts(ExeDir());
    const QString video = QString::fromLocal8Bit(AppSettings.AVIName);
    if (!video.isEmpty())
      RemoveStaleParts(
          QFileInfo(QDir(ExeDir()).absoluteFilePath(video)).absolutePath());
    frames = FramesInFolder(TempDir());
  }
  if (frames.isEmpty())
    return;
  const QString folder = QDir::toNativeSeparators(TempDir());
  const QString caption = QApplication::applicationDisplayName();
  const int choice = AskQuestion(
      this, caption,
      UiText("CaptureLeftoverFrames").arg(frames.size()).arg(folder),
      {UiText("CaptureLeftoverMake"), UiText("CaptureLeftoverDelete"),
       UiText("CaptureLeftoverLater")});
  if (choice == 0) {
    // The converter deletes the frames once their video is written.
    try {
      WriteListFile(m_recorder->ListFilePath(), frames);
    } catch (const CaptureWriteError &e) {
      ShowMessageBox(this, TMessageKind::Warning, caption,
                     UiText("CaptureLeftoverListFailed")
                         .arg(e.Path(), e.Reason(), folder));
      return;
    }
    if (!StartConverterProgram())
      ShowMessageBox(this, TMessageKind::Warning, caption,
                     UiText("CaptureConverterMissing")
                         .arg(QDir::toNativeSeparators(ExeDir()), folder));
  } else if (choice == 1) {
    int failed = 0;
    for (const QString &frame : frames)
      if (!QFile::remove(frame) && QFileInfo::exists(frame))
        ++failed;
    if (failed > 0)
      ShowMessageBox(
          this, TMessageKind::Warning, caption,
          UiText("CaptureLeftoverDeleteFailed").arg(failed).arg(folder));
  }
}

bool TFormMain::RaiseConverterWindow() {
  const std::uint32_t window = platform::FindTopLevelWindow(kConverterTitle);
  if (window == 0)
    return false;
  platform::ShowNormalAndRaise(window);
  return true;
}

void TFormMain::dxfPictureButton2Click() {
  // While the converter runs, the record button brings it forward instead.
  if (RaiseConverterWindow()) {
    TimerButtonRepaint->start();
    return;
  }
  MRecordPauseClick();
  QCoreApplication::processEvents();
}

void TFormMain::dxfPicButPlPauseClick() {
  if (RaiseConverterWindow())
    return;
  QCoreApplication::processEvents();
  if (m_recorder->State() == TCaptureState::Played)
    MRecordPauseClick();
  else
    TimerButtonRepaint->start();
}

void TFormMain::dxfPicButPlStopMouseDown() {
  m_stopArmed = m_recorder->State() != TCaptureState::Off;
}

void TFormMain::dxfPicButPlStopClick() {
  // A press that began while not recording does nothing.
  const bool armed = m_stopArmed;
  m_stopArmed = false;
  if (armed && m_recorder->State() != TCaptureState::Off)
    MStopClick();
}

void TFormMain::TimerButtonRepaintTimer() {
  // After a refused press the group returns to stop, without its click.
  {
    const QSignalBlocker detached(dxfPicButPlStop);
    dxfPicButPlStop->SetDown(true);
  }
  TimerButtonRepaint->stop();
}

// --- Who is connected -------------------------------------------------------

void TFormMain::BuildPeerInfo() {
  // A spot under each indicator: when a link's indicator is hidden to show
  // the link in use, the spot's tooltip tells who is at the other end.
  TdxfPictureButton *indicators[] = {PicButIndData, PicButIndBlu,
                                     PicButIndInet};
  for (int i = 0; i < 3; ++i) {
    auto *spot = new QWidget(PanelControl);
    spot->setObjectName(indicators[i]->objectName() + "Tip");
    spot->setGeometry(indicators[i]->geometry());
    spot->stackUnder(indicators[i]);
    m_indicatorTips[i] = spot;
  }
  connect(m_linkView, &TLinkViewAdapter::PeerChanged, this,
          &TFormMain::UpdatePeerTips);
  connect(m_linkView, &TLinkViewAdapter::PhoneApprovalNeeded, this,
          &TFormMain::AskAboutPhone);

  TimerLinkFigures = new QTimer(this);
  TimerLinkFigures->setObjectName("TimerLinkFigures");
  TimerLinkFigures->setInterval(1000);
  connect(TimerLinkFigures, &QTimer::timeout, this,
          &TFormMain::TimerLinkFiguresTimer);
  TimerLinkFigures->start();
}

QWidget *TFormMain::IndicatorTip(TLinkKind link) const {
  switch (link) {
  case TLinkKind::Cable:
    return m_indicatorTips[0];
  case TLinkKind::Bluetooth:
    return m_indicatorTips[1];
  case TLinkKind::Gprs:
    return m_indicatorTips[2];
  case TLinkKind::Auto:
    break;
  }
  return nullptr;
}

void TFormMain::UpdatePeerTips() {
  const TLinkViewAdapter::TPeer peer = m_linkView->Peer();
  QString text;
  if (!peer.where.isEmpty()) {
    const bool tcp = m_connection->Link() == TLinkKind::Gprs;
    text = UiText(tcp ? "UiPhoneAt" : "UiPhoneOn").arg(peer.where);
    if (!peer.modelCode.isEmpty())
      text += QStringLiteral("\n") +
              UiText("UiPhoneModel")
                  .arg(QString::fromLatin1(peer.modelCode),
                       peer.modelName.isEmpty() ? UiText("UiPhoneUnnamed")
                                                : peer.modelName);
  }
  m_peerTip = text;
  UpdateIndicatorTips();
  CoolTrayIcon->setToolTip(text.isEmpty()
                               ? QStringLiteral("Quorvane v1.0")
                               : QStringLiteral("Quorvane v1.0\n") + text);
}

void TFormMain::UpdateIndicatorTips() {
  // A grey indicator covers a link not in use; a hidden one uncovers the
  // coloured icon of the link in use, and the spot beneath it tells who is
  // at the other end. Both get the same tip, as the mouse may reach the spot
  // around a shown indicator's shape.
  const std::tuple<TdxfPictureButton *, QWidget *, const char *> links[] = {
      {PicButIndData, m_indicatorTips[0], "UiLinkCable"},
      {PicButIndBlu, m_indicatorTips[1], "UiLinkBluetooth"},
      {PicButIndInet, m_indicatorTips[2], "UiLinkGprs"}};
  for (const auto &[indicator, spot, name] : links) {
    if (!spot)
      return; // not built yet
    const bool inUse = !indicator->Visible();
    QString tip =
        UiText(inUse ? "UiTipLinkInUse" : "UiTipLinkIdle").arg(UiText(name));
    if (inUse && !m_peerTip.isEmpty())
      tip += QLatin1Char('\n') + m_peerTip;
    indicator->setToolTip(tip);
    spot->setToolTip(tip);
  }
}

void TFormMain::TimerLinkFiguresTimer() {
  if (!m_connection->LinkOpen()) {
    ImageLedConn->setToolTip(QString());
    return;
  }
  m_linkRates.Add(QDateTime::currentMSecsSinceEpoch(), m_linkStats.Read());
  ImageLedConn->setToolTip(
      FormatLinkRates(m_linkRates.Rates(), UiText("UiLinkFigures")));
}

void TFormMain::ApplyPhonePolicy() {
  QList<TPhoneId> known;
  if (AppSettings.KnownPhonesOnly)
    for (const TKnownPhone &phone : LoadKnownPhones()) {
      const QByteArray bytes = QByteArray::fromHex(phone.Block);
      TPhoneId id;
      std::copy(bytes.begin(), bytes.end(), id.begin());
      known.append(id);
    }
  m_phoneGate.SetPolicy(AppSettings.KnownPhonesOnly, known);
}

void TFormMain::AskAboutPhone(quint64 connection, const QByteArray &block,
                              const QByteArray &modelCode,
                              const QString &modelName) {
  if (m_allowPhone)
    m_allowPhone->close(); // an earlier question is out of date
  m_allowPhone = new TFormAllowPhone(connection, m_linkView->Peer().where,
                                     modelCode, modelName, block, this);
  m_allowPhone->setWindowFlag(Qt::Window);
  connect(m_allowPhone, &TFormAllowPhone::Answered, this,
          [this, prompt = m_allowPhone](TFormAllowPhone::TAnswer answer) {
            Guarded([&] {
              const quint64 connection = prompt->Connection();
              switch (answer) {
              case TFormAllowPhone::AlwaysAllow: {
                // A list that cannot be stored still lets the phone in for
                // this run; the warning says the change was not saved.
                try {
                  AddKnownPhone(prompt->Block(), prompt->ModelName().toUtf8());
                } catch (const SettingsWriteError &e) {
                  PostAppException(this, e);
                }
                const QByteArray bytes = QByteArray::fromHex(prompt->Block());
                TPhoneId id;
                std::copy(bytes.begin(), bytes.end(), id.begin());
                m_phoneGate.AddKnown(id);
                m_phoneGate.Allow(connection);
                break;
              }
              case TFormAllowPhone::AllowOnce:
                m_phoneGate.Allow(connection);
                break;
              case TFormAllowPhone::Refuse:
                if (!m_phoneGate.Refuse(connection))
                  break;
                if (m_connection->Link() == TLinkKind::Gprs)
                  m_tcpServer->DropPhone(connection);
                else
                  m_connection->DisconnectLink();
                break;
              }
            });
          });
  m_allowPhone->show();
}
