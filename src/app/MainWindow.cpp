#include "app/MainWindow.h"
#include "app/AppCore.h"
#include "app/Artwork.h"

#include "app/AllowPhoneDialog.h"
#include "app/AppException.h"
#include "app/LinkViewAdapter.h"
#include "app/MessageBoxes.h"
#include "app/PortScanProgress.h"
#include "app/SettingsDialog.h"
#include "app/SplashScreen.h"
#include "app/Startup.h"
#include "capture/ConverterFiles.h"
#include "capture/ImageFiles.h"
#include "capture/Screenshot.h"
#include "capture/VideoRecorder.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "controls/PictureButton.h"
#include "keys/HotKeyEditor.h"
#include "keys/Keyboard.h"
#include "keys/PhoneKeypad.h"
#include "keys/QuickText.h"
#include "link/CommandQueue.h"
#include "link/SerialLink.h"
#include "link/TcpLink.h"
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
#include <QScreen>
#include <QSignalBlocker>
#include <QToolButton>

MainWindow::MainWindow(AppCore &core, MessageBoxes &boxes,
                       const StartOptions &options, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_core(core), m_boxes(boxes), m_options(options) {
  initArtwork();
  setObjectName("FormMain");
  setFixedSize(kClientWidth, kClientHeight);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setFont(QFont("Verdana", 8));
  setWindowIcon(QIcon(":/art/icon_app.png"));

  m_core.attachView(*this);
  connect(
      &m_core.serialLink(), &SerialLink::errorRaised, this,
      [this](const QString &message) { appException(this, message); },
      Qt::QueuedConnection);
  connect(&m_core.indicator(), &ActivityIndicator::indexChanged, this,
          [this](int i) {
            setLedImage(i);
            setTrayIconIndex(i);
          });
  connect(&m_core.linkView(), &LinkViewAdapter::phoneNameChanged, this,
          [this](const QString &name) {
            m_modelLabel->setText(name);
            m_modelLabel->adjustSize();
          });
  connect(&m_core.linkView(), &LinkViewAdapter::waitingForPhoneChanged, this,
          &MainWindow::showWaitingForPhone);
  // A log line that cannot be written turns its log off; the user hears of
  // it once, on this thread, whichever thread wrote the line.
  EventLog::instance().setFailureHandler(
      [this](const QString &path, const QString &reason) {
        QMetaObject::invokeMethod(
            this, [this, path, reason] { showLogWriteError(path, reason); },
            Qt::QueuedConnection);
      });

  buildMenus();
  buildControlBar();
  buildWorkZone();
  buildTray();
  buildTimers();
  buildCapture();
  buildPeerInfo();
  m_keyPreview =
      new KeyPreview(this, [this](uint16_t key, Qt::KeyboardModifiers shift) {
        handleKeyDown(key, shift);
      });

  if (QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  initialize();
}

MainWindow::~MainWindow() {
  // The links report to this window: they end first.
  m_core.shutDown();
  m_core.detachView();
  EventLog::instance().setFailureHandler({});
}

void MainWindow::initialize() {
  setWindowTitle(QStringLiteral("Quorvane v1.0"));
  QApplication::setApplicationDisplayName(QStringLiteral("Quorvane v1.0"));
  loadSettings(m_core.paths());
  // The window's texts; a change of language later sets them again through
  // changeEvent.
  loadLanguage(m_core.paths());
  retranslate();
  m_captureState = QStringLiteral("CAVIOff");
  for (PictureButton *b : m_keypad->buttons())
    connect(b, &PictureButton::clicked, this,
            [this, b] { pressKeypadButton(b); });
  // Errors that reach the event loop go to appException through the
  // application object (GuardedApplication::notify).
}

void MainWindow::shutDown() {
  if (m_core.tcpLink().active())
    m_core.tcpLink().close();
}

void MainWindow::closeEvent(QCloseEvent *event) {
  shutDown();
  event->accept();
  if (m_trayIcon)
    m_trayIcon->hide();
  emit closed();
}

void MainWindow::quit() { close(); }
void MainWindow::quitFromTray() { close(); }

void MainWindow::showManual() {
  const QString path = m_core.paths().dataDir() + QStringLiteral("Manual.pdf");
  auto report = [this, path](platform::OpenResult result) {
    const char *key =
        result == platform::OpenResult::Missing    ? "UiManualMissing"
        : result == platform::OpenResult::NoViewer ? "UiManualNoViewer"
                                                   : "UiManualFailed";
    m_boxes.show(this, MessageKind::Warning,
                 QApplication::applicationDisplayName(),
                 uiText(key).arg(QDir::toNativeSeparators(path)));
  };
  const platform::OpenResult result =
      platform::openDocument(path, this, report);
  if (result != platform::OpenResult::Opened)
    report(result);
}

void MainWindow::showAbout() {
  auto *box = new SplashScreen(this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowFlag(Qt::Window);
  box->makeAboutBox(this);
  box->show();
}

void MainWindow::restoreFromOtherInstance() {
  restoreApplication();
  raise();
  activateWindow();
}

// --- Minimise to the tray and back ---------------------------------------

bool MainWindow::trayAvailable() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void MainWindow::minimizeApplication() {
  if (trayAvailable())
    hide(); // a hidden window has no task-bar entry; the tray icon stays
  else
    showMinimized();
  noteMinimized();
}

void MainWindow::restoreApplication() {
  showNormal();
  raise();
  activateWindow();
  noteRestored();
}

void MainWindow::minimizeToTray() { minimizeApplication(); }
void MainWindow::minimizeFromTray() { minimizeApplication(); }
void MainWindow::restoreFromTray() { restoreApplication(); }

void MainWindow::trayIconClicked() {
  if (m_minimized)
    restoreApplication();
  else
    minimizeApplication();
}

void MainWindow::noteMinimized() { m_minimized = true; }
void MainWindow::noteRestored() { m_minimized = false; }

void MainWindow::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::LanguageChange)
    retranslate();
  if (event->type() != QEvent::WindowStateChange)
    return;
  const auto *change = static_cast<QWindowStateChangeEvent *>(event);
  const bool wasMinimized = change->oldState() & Qt::WindowMinimized;
  if (isMinimized() && !wasMinimized) {
    // The title bar's minimise button minimises to the tray.
    if (trayAvailable())
      QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
    noteMinimized();
  } else if (!isMinimized() && wasMinimized) {
    noteRestored();
  }
}

// --- Indicator ------------------------------------------------------------

void MainWindow::setLedImage(int index) {
  m_ledIndex = index;
  m_linkLed->setPixmap(m_ledImages.value(index));
  m_linkLed->repaint();
}

void MainWindow::setTrayIconIndex(int index) {
  m_trayIndex = index;
  m_trayIcon->setIcon(m_menuIcons.value(index));
}

void MainWindow::showActivity() { m_core.indicator().showActivity(); }

// --- Keypad ---------------------------------------------------------------

void MainWindow::pressKeypadButton(PictureButton *button) {
  m_core.queue().putKeyCode(static_cast<uint16_t>(button->tag() & 0xFFFF));
}

// --- Connection commands --------------------------------------------------

template <typename F> void MainWindow::guarded(F &&command) {
  try {
    command();
  } catch (const std::exception &e) {
    postAppException(this, e);
  } catch (...) {
    postAppException(this, uiText("UiUnknownError"));
  }
}

void MainWindow::connectInternet(QAction *) {
  guarded([this] {
    m_core.applyPhonePolicy();
    m_core.connection().connectGprs();
  });
}

void MainWindow::connectBluetooth(QAction *) {
  guarded([this] {
    m_core.applyPhonePolicy();
    m_core.connection().connectBluetooth();
  });
}

void MainWindow::connectCable(QAction *) {
  guarded([this] {
    m_core.applyPhonePolicy();
    m_core.connection().connectCable();
  });
}

void MainWindow::connectAutomatically(QAction *) {
  // A port list that cannot be read ends here, not inside the menu's signal.
  guarded([this] {
    m_core.applyPhonePolicy();
    m_core.connection().autoconnect();
  });
}

void MainWindow::connectFromPopup(QAction *sender) {
  if (sender == m_popupCableAction)
    connectCable(m_cableAction);
  else if (sender == m_popupInternetAction)
    connectInternet(m_internetAction);
  else if (sender == m_popupBluetoothAction)
    connectBluetooth(m_bluetoothAction);
}

void MainWindow::showConnectPopup() {
  const QPoint topLeft = m_connectButton->mapToGlobal(QPoint(0, 0));
  m_connectPopup->popup(
      QPoint(topLeft.x(), topLeft.y() + m_connectButton->height() + 4));
}

void MainWindow::disconnectFromMenu() { disconnectLink(); }
void MainWindow::disconnectFromButton() { disconnectLink(); }

void MainWindow::disconnectLink() {
  guarded([this] { m_core.connection().disconnectLink(); });
}

void MainWindow::checkPortWatchdog() {
  guarded([this] { m_core.connection().checkPortWatchdog(); });
}

// --- The window as the connection manager sees it -------------------------

ConnectionSettings MainWindow::connectionSettings() const {
  return {AppSettings.port, QString::fromLatin1(AppSettings.listenAddress),
          QString::fromLocal8Bit(AppSettings.blueToothPort),
          QString::fromLocal8Bit(AppSettings.dataPort)};
}

void MainWindow::setConnectCommandsEnabled(bool enabled) {
  for (QAction *a :
       {m_internetAction, m_bluetoothAction, m_cableAction, m_autoConnectAction,
        m_popupCableAction, m_popupInternetAction, m_popupBluetoothAction})
    a->setEnabled(enabled);
}

void MainWindow::setDisconnectEnabled(bool enabled) {
  m_disconnectAction->setEnabled(enabled);
  m_disconnectButton->setEnabled(enabled);
}

void MainWindow::setIndicatorShown(LinkKind link, bool shown) {
  switch (link) {
  case LinkKind::Cable:
    m_cableIndicator->setPictureVisible(shown);
    break;
  case LinkKind::Bluetooth:
    m_bluetoothIndicator->setPictureVisible(shown);
    break;
  case LinkKind::Gprs:
    m_internetIndicator->setPictureVisible(shown);
    break;
  case LinkKind::Auto:
    break;
  }
  updateIndicatorTips();
}

void MainWindow::showLinkState(int index) {
  if (index == 0) {
    // Also stops TimerYellow; a late restart from a link thread cannot
    // bring the LED back.
    m_core.indicator().showNoLink();
    // Without a link no timer of ours wakes the program.
    m_linkFiguresTimer->stop();
    m_linkLed->setToolTip(QString());
  } else {
    m_core.indicator().showLinkIdle();
    m_core.clearLinkFigures(); // the figures of a new link start afresh
    if (!m_linkFiguresTimer->isActive())
      m_linkFiguresTimer->start();
  }
  setLedImage(index);
  setTrayIconIndex(index);
}

void MainWindow::clearLinkTexts() {
  m_modelLabel->clear();
  m_savedLabel->clear();
}

void MainWindow::clearScreen() {
  m_core.linkView().invalidate();
  if (m_allowPhone)
    m_allowPhone->close(); // the phone it asks about has gone
  m_core.canvas().removePictures();
  m_screenView->update();
  m_zoomView->update();
}

void MainWindow::setWatchdogRunning(bool running) {
  if (running)
    m_portWatchdog->start();
  else
    m_portWatchdog->stop();
}

void MainWindow::showSerialOpenError(LinkKind link) {
  if (link == LinkKind::Cable)
    m_boxes.show(this, MessageKind::Warning,
                 QApplication::applicationDisplayName(),
                 uiText("UiSelectAnotherPort"));
  else
    m_boxes.show(this, MessageKind::Warning, uiText("MesAtention"),
                 uiText("MesAtenMessage"));
}

void MainWindow::showNoSerialPortOpened() {
  m_boxes.show(this, MessageKind::Warning,
               QApplication::applicationDisplayName(),
               uiText("LinkNoSerialPort"));
}

void MainWindow::showLogWriteError(const QString &path, const QString &reason) {
  m_boxes.show(
      this, MessageKind::Warning, QApplication::applicationDisplayName(),
      uiText("LinkLogWriteFailed").arg(QDir::toNativeSeparators(path), reason));
}

void MainWindow::showWaitingForPhone(bool waiting) {
  const QString text = waiting ? uiText("LinkWaitingForPhone") : QString();
  m_screenView->setOverlayText(text);
  m_zoomView->setOverlayText(text);
}

void MainWindow::showListenError(const QString &message) {
  m_boxes.show(this, MessageKind::Error, QApplication::applicationDisplayName(),
               message);
}

std::unique_ptr<ScanProgress> MainWindow::createScanProgress() {
  return std::make_unique<PortScanProgress>();
}

void MainWindow::storeFoundPort(const QString &portName, bool isCable) {
  const QByteArray name = portName.toLocal8Bit();
  // The port found is used for this run even when it cannot be stored; the
  // link that found it stays up.
  try {
    if (isCable)
      storeDataPort(m_core.paths(), name);
    else
      storeBlueToothPort(m_core.paths(), name);
  } catch (const SettingsWriteError &e) {
    postAppException(this, e);
  }
  (isCable ? AppSettings.dataPort : AppSettings.blueToothPort) = name;
}

// --- Keyboard and quick text ---------------------------------------------

void MainWindow::handleKeyDown(uint16_t key, Qt::KeyboardModifiers shift) {
  m_core.keyboard().sendKeyDown(key, shift);
}

void MainWindow::toggleQuickText() {
  if (m_quickTextEnabled->isChecked()) {
    // The keyboard belongs to the text field while quick text is on.
    m_keyPreview->setKeyPreview(false);
    m_quickTextEdit->clear();
    m_quickTextEdit->raise();
    m_quickTextEdit->setFocus(Qt::OtherFocusReason);
    m_sendButton->setEnabled(true);
  } else {
    m_quickTextPanel->raise();
    m_keypad->setFocus(Qt::OtherFocusReason);
    m_sendButton->setEnabled(false);
    m_keyPreview->setKeyPreview(true);
    m_keyPreview->setHandler([this](uint16_t key, Qt::KeyboardModifiers shift) {
      handleKeyDown(key, shift);
    });
  }
}

void MainWindow::sendTypedText() {
  int replaced = 0;
  if (sendQuickText(m_core.queue(), m_quickTextEdit->toPlainText(), &replaced))
    m_quickTextEdit->clear();
  if (replaced > 0) {
    m_savedLabel->setText(uiText("UiQuickTextReplaced").arg(replaced));
    m_savedLabelTimer->start();
  }
}

// --- Settings and language -------------------------------------------------

void MainWindow::showSettings() {
  guarded([this] {
    SettingsDialog dialog(m_options.logSwitch, m_core.paths(), m_boxes, this);
    if (dialog.exec() == QDialog::Accepted &&
        AppSettings.language != loadedLanguage())
      loadLanguage(m_core.paths());
  });
}

namespace {
// A menu entry's caption; the shortcut text after the tab stays.
void setEntryCaption(QAction *entry, const QString &caption) {
  const QString old = entry->text();
  const qsizetype tab = old.indexOf(QLatin1Char('\t'));
  entry->setText(tab < 0 ? caption : caption + old.mid(tab));
}

QString entryCaption(const QAction *entry) {
  return entry->text().section(QLatin1Char('\t'), 0, 0);
}

void setLabelText(QLabel *label, const QString &text) {
  label->setText(text);
  label->adjustSize();
}
} // namespace

void MainWindow::retranslate() {
  const std::pair<const char *, QAction *> entries[] = {
      {"MMConnection", m_connectionAction},
      {"MMAutoConnection", m_autoConnectAction},
      {"MMBlueToothConnect", m_bluetoothAction},
      {"MMDataCableConn", m_cableAction},
      {"MMInternetConn", m_internetAction},
      {"MMDissconect", m_disconnectAction},
      {"MMExit", m_exitAction},
      {"MMTools", m_toolsAction},
      {"MMVideoCapturing", m_videoAction},
      {"MMRecordPause", m_recordPauseAction},
      {"MMStop", m_stopAction},
      {"MMSaveScreenshot", m_screenshotAction},
      {"MMOptions", m_optionsAction},
      {"MMHelp", m_helpAction},
      {"MMAbout", m_aboutAction},
      {"MMManual", m_manualAction},
      {"PMRestore", m_restoreAction},
      {"PMMinimize", m_minimizeAction},
      {"PMExit", m_trayExitAction},
  };
  for (const auto &[key, entry] : entries)
    setEntryCaption(entry, uiText(key));
  setLabelText(m_quickTextEnableLabel, uiText("MLabQuickTextEnable"));
  setLabelText(m_zoomLabel, uiText("MLabZoom"));
  setLabelText(m_quickTextLabel, uiText("MLabQuickText"));
  m_sendButton->setText(uiText("MBtnSend"));

  showWaitingForPhone(m_core.linkView().waitingForPhone());
  // The connection pop-up repeats the menu's captions.
  for (auto [popup, entry] :
       {std::pair{m_popupCableAction, m_cableAction},
        std::pair{m_popupInternetAction, m_internetAction},
        std::pair{m_popupBluetoothAction, m_bluetoothAction}}) {
    popup->setText(entryCaption(entry));
    popup->setToolTip(popup->text());
  }
  // The menu strip's buttons show the top-level captions.
  for (QAction *top : {m_connectionAction, m_toolsAction, m_helpAction})
    if (auto *button = m_menuStrip->findChild<QToolButton *>(
            QStringLiteral("ToolButton_") + top->objectName()))
      button->setText(top->text());
  // The control bar's buttons carry no text: their tips say what they do.
  for (auto [button, key] : {std::pair{m_connectButton, "UiTipConnect"},
                             std::pair{m_disconnectButton, "UiTipDisconnect"},
                             std::pair{m_screenshotButton, "UiTipScreenshot"},
                             std::pair{m_recordButton, "UiTipRecord"},
                             std::pair{m_pauseButton, "UiTipPause"},
                             std::pair{m_stopButton, "UiTipStop"}})
    button->setToolTip(uiText(key));
  updateIndicatorTips();
}

// --- Screenshots and recording ----------------------------------------------

namespace {
const QString kConverterTitle = QStringLiteral("AviConvert");
const QString kConverterProgram = QStringLiteral("AVIConvert");

// Starts the converter without waiting for it; false when it is not found.
bool startConverterProgram(const Paths &paths) {
  return platform::startProgram(kConverterProgram, paths.converterDir());
}

QIcon recordMenuImage(int index) {
  return QIcon(
      QStringLiteral(":/art/menu_%1.png").arg(index, 2, 10, QChar('0')));
}
} // namespace

void MainWindow::buildCapture() {
  m_core.setFolderPicker([this] {
    return QFileDialog::getExistingDirectory(
        this, uiText("UiChooseScreenshotFolder"), QDir::homePath());
  });
}

void MainWindow::saveScreenshot() {
  try {
    if (m_core.screenshots().save(AppSettings.imageDir,
                                  AppSettings.imageType) !=
        ScreenshotResult::Saved)
      return;
  } catch (const CaptureWriteError &e) {
    m_boxes.show(this, MessageKind::Warning,
                 QApplication::applicationDisplayName(),
                 uiText(e.isFolder() ? "FileScreenshotFolderNotMade"
                                     : "FileScreenshotNotSaved")
                     .arg(e.path(), e.reason()));
    return;
  } catch (const std::exception &e) {
    postAppException(this, e);
    return;
  }
  m_savedLabel->setText(uiText("UiScreenshotSaved"));
  // A save while the message shows leaves it to go at its first time.
  if (!m_savedLabelTimer->isActive())
    m_savedLabelTimer->start();
}

void MainWindow::clearSavedLabel() {
  m_savedLabel->clear();
  m_savedLabel->repaint();
  m_savedLabelTimer->stop();
}

void MainWindow::applyRecorderState() {
  m_captureState = captureStateText(m_core.recorder().state());
  m_stopAction->setEnabled(m_core.recorder().state() != CaptureState::Off);
}

void MainWindow::recordOrPause() {
  try {
    switch (m_core.recorder().recordPause(AppSettings.fps)) {
    case VideoRecorder::Step::Refused:
      m_buttonResetTimer->start();
      break;
    case VideoRecorder::Step::Started:
      m_captureTimer->setInterval(m_core.recorder().interval());
      m_captureTimer->start();
      m_recordButton->setDown(true);
      break;
    case VideoRecorder::Step::Paused:
      m_recordPauseAction->setIcon(recordMenuImage(8));
      m_captureTimer->stop();
      m_pauseButton->setDown(true);
      break;
    case VideoRecorder::Step::Resumed:
      m_recordPauseAction->setIcon(recordMenuImage(12));
      m_captureTimer->start();
      m_recordButton->setDown(true);
      break;
    }
  } catch (const std::exception &e) {
    postAppException(this, e);
  }
  applyRecorderState();
}

void MainWindow::stopRecording() {
  if (m_core.recorder().state() == CaptureState::Off)
    return;
  m_captureTimer->stop();
  QString failure;
  try {
    m_core.recorder().stop();
  } catch (const RecordingError &e) {
    failure = e.message();
  } catch (const std::exception &e) {
    postAppException(this, e);
  }
  applyRecorderState();
  m_stopButton->setDown(true);
  if (!failure.isEmpty())
    m_boxes.show(this, MessageKind::Warning,
                 QApplication::applicationDisplayName(), failure);
}

void MainWindow::captureFrame() {
  try {
    m_core.recorder().tick();
  } catch (const RecordingError &e) {
    // The recording has been stopped; the window follows.
    m_captureTimer->stop();
    applyRecorderState();
    m_stopButton->setDown(true);
    m_boxes.show(this, MessageKind::Warning,
                 QApplication::applicationDisplayName(), e.message());
  } catch (const std::exception &e) {
    m_captureTimer->stop();
    postAppException(this, e);
  }
}

void MainWindow::offerLeftoverRecording() {
  QStringList frames;
  {
    // A converter at work owns the frames and its unfinished video.
    const std::unique_ptr<QLockFile> lock =
        converterLock(m_core.paths().workDir());
    if (!lock->tryLock(0))
      return;
    removeStaleParts(m_core.paths().workDir());
    const QString video = QString::fromLocal8Bit(AppSettings.aviName);
    if (!video.isEmpty())
      removeStaleParts(
          QFileInfo(
              QDir(m_core.paths().defaultVideoDir()).absoluteFilePath(video))
              .absolutePath());
    frames = framesInFolder(m_core.paths().tempDir());
  }
  if (frames.isEmpty())
    return;
  const QString folder = QDir::toNativeSeparators(m_core.paths().tempDir());
  const QString caption = QApplication::applicationDisplayName();
  const int choice = m_boxes.ask(
      this, caption,
      uiText("CaptureLeftoverFrames").arg(frames.size()).arg(folder),
      {uiText("CaptureLeftoverMake"), uiText("CaptureLeftoverDelete"),
       uiText("CaptureLeftoverLater")});
  if (choice == 0) {
    // The converter deletes the frames once their video is written.
    try {
      writeListFile(m_core.recorder().listFilePath(), frames);
    } catch (const CaptureWriteError &e) {
      m_boxes.show(this, MessageKind::Warning, caption,
                   uiText("CaptureLeftoverListFailed")
                       .arg(e.path(), e.reason(), folder));
      return;
    }
    if (!startConverterProgram(m_core.paths()))
      m_boxes.show(
          this, MessageKind::Warning, caption,
          uiText("CaptureConverterMissing")
              .arg(QDir::toNativeSeparators(m_core.paths().converterDir()),
                   folder));
  } else if (choice == 1) {
    int failed = 0;
    for (const QString &frame : frames)
      if (!QFile::remove(frame) && QFileInfo::exists(frame))
        ++failed;
    if (failed > 0)
      m_boxes.show(
          this, MessageKind::Warning, caption,
          uiText("CaptureLeftoverDeleteFailed").arg(failed).arg(folder));
  }
}

bool MainWindow::raiseConverterWindow() {
  const std::uint32_t window = platform::findTopLevelWindow(kConverterTitle);
  if (window == 0)
    return false;
  platform::showNormalAndRaise(window);
  return true;
}

void MainWindow::recordButtonClicked() {
  // While the converter runs, the record button brings it forward instead.
  if (raiseConverterWindow()) {
    m_buttonResetTimer->start();
    return;
  }
  recordOrPause();
}

void MainWindow::pauseButtonClicked() {
  if (raiseConverterWindow())
    return;
  if (m_core.recorder().state() == CaptureState::Played)
    recordOrPause();
  else
    m_buttonResetTimer->start();
}

void MainWindow::stopButtonPressed() {
  m_stopArmed = m_core.recorder().state() != CaptureState::Off;
}

void MainWindow::stopButtonClicked() {
  // A press that began while not recording does nothing.
  const bool armed = m_stopArmed;
  m_stopArmed = false;
  if (armed && m_core.recorder().state() != CaptureState::Off)
    stopRecording();
}

void MainWindow::resetRecordButtons() {
  // After a refused press the group returns to stop, without its click.
  {
    const QSignalBlocker detached(m_stopButton);
    m_stopButton->setDown(true);
  }
  m_buttonResetTimer->stop();
}

// --- Who is connected -------------------------------------------------------

void MainWindow::buildPeerInfo() {
  // A spot under each indicator: when a link's indicator is hidden to show
  // the link in use, the spot's tooltip tells who is at the other end.
  PictureButton *indicators[] = {m_cableIndicator, m_bluetoothIndicator,
                                 m_internetIndicator};
  for (int i = 0; i < 3; ++i) {
    auto *spot = new QWidget(m_controlBar);
    spot->setObjectName(indicators[i]->objectName() + "Tip");
    spot->setGeometry(indicators[i]->geometry());
    spot->stackUnder(indicators[i]);
    m_indicatorTips[i] = spot;
  }
  connect(&m_core.linkView(), &LinkViewAdapter::peerChanged, this,
          &MainWindow::updatePeerTips);
  connect(&m_core.linkView(), &LinkViewAdapter::phoneApprovalNeeded, this,
          &MainWindow::askAboutPhone);

  m_linkFiguresTimer = new QTimer(this);
  m_linkFiguresTimer->setObjectName("TimerLinkFigures");
  m_linkFiguresTimer->setInterval(1000);
  connect(m_linkFiguresTimer, &QTimer::timeout, this,
          &MainWindow::sampleLinkFigures);
  // Runs only while a link is open (showLinkState).
}

QWidget *MainWindow::indicatorTip(LinkKind link) const {
  switch (link) {
  case LinkKind::Cable:
    return m_indicatorTips[0];
  case LinkKind::Bluetooth:
    return m_indicatorTips[1];
  case LinkKind::Gprs:
    return m_indicatorTips[2];
  case LinkKind::Auto:
    break;
  }
  return nullptr;
}

void MainWindow::updatePeerTips() {
  const LinkViewAdapter::Peer peer = m_core.linkView().peer();
  QString text;
  if (!peer.where.isEmpty()) {
    const bool tcp = m_core.connection().link() == LinkKind::Gprs;
    text = uiText(tcp ? "UiPhoneAt" : "UiPhoneOn").arg(peer.where);
    if (!peer.modelCode.isEmpty())
      text += QStringLiteral("\n") +
              uiText("UiPhoneModel")
                  .arg(QString::fromLatin1(peer.modelCode),
                       peer.modelName.isEmpty() ? uiText("UiPhoneUnnamed")
                                                : peer.modelName);
  }
  m_peerTip = text;
  updateIndicatorTips();
  m_trayIcon->setToolTip(text.isEmpty()
                             ? QStringLiteral("Quorvane v1.0")
                             : QStringLiteral("Quorvane v1.0\n") + text);
}

void MainWindow::updateIndicatorTips() {
  // A grey indicator covers a link not in use; a hidden one uncovers the
  // coloured icon of the link in use, and the spot beneath it tells who is
  // at the other end. Both get the same tip, as the mouse may reach the spot
  // around a shown indicator's shape.
  const std::tuple<PictureButton *, QWidget *, const char *> links[] = {
      {m_cableIndicator, m_indicatorTips[0], "UiLinkCable"},
      {m_bluetoothIndicator, m_indicatorTips[1], "UiLinkBluetooth"},
      {m_internetIndicator, m_indicatorTips[2], "UiLinkGprs"}};
  for (const auto &[indicator, spot, name] : links) {
    if (!spot)
      return; // not built yet
    const bool inUse = !indicator->isPictureVisible();
    QString tip =
        uiText(inUse ? "UiTipLinkInUse" : "UiTipLinkIdle").arg(uiText(name));
    if (inUse && !m_peerTip.isEmpty())
      tip += QLatin1Char('\n') + m_peerTip;
    indicator->setToolTip(tip);
    spot->setToolTip(tip);
  }
}

void MainWindow::sampleLinkFigures() {
  const QString figures = m_core.sampleLinkFigures(uiText("UiLinkFigures"));
  if (figures.isEmpty())
    m_linkFiguresTimer->stop(); // no link: nothing to sample
  m_linkLed->setToolTip(figures);
}

void MainWindow::askAboutPhone(quint64 connection, const QByteArray &block,
                               const QByteArray &modelCode,
                               const QString &modelName) {
  if (m_allowPhone)
    m_allowPhone->close(); // an earlier question is out of date
  m_allowPhone =
      new AllowPhoneDialog(connection, m_core.linkView().peer().where,
                           modelCode, modelName, block, this);
  m_allowPhone->setWindowFlag(Qt::Window);
  connect(m_allowPhone, &AllowPhoneDialog::answered, this,
          [this, prompt = m_allowPhone](AllowPhoneDialog::Answer answer) {
            guarded([&] {
              const auto answerOf = [](AllowPhoneDialog::Answer a) {
                switch (a) {
                case AllowPhoneDialog::AlwaysAllow:
                  return AppCore::PhoneAnswer::AlwaysAllow;
                case AllowPhoneDialog::AllowOnce:
                  return AppCore::PhoneAnswer::AllowOnce;
                case AllowPhoneDialog::Refuse:
                  break;
                }
                return AppCore::PhoneAnswer::Refuse;
              };
              // A list that cannot be stored still lets the phone in for
              // this run; the warning says the change was not saved.
              try {
                m_core.answerPhone(prompt->connection(), prompt->block(),
                                   prompt->modelName().toUtf8(),
                                   answerOf(answer));
              } catch (const SettingsWriteError &e) {
                postAppException(this, e);
              }
            });
          });
  m_allowPhone->show();
}
