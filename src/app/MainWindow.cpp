#include "app/MainWindow.h"

#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/ArtworkResources.h"
#include "app/CaptureController.h"
#include "app/ConnectionCommands.h"
#include "app/MessageBoxes.h"
#include "app/SettingsDialog.h"
#include "app/SplashScreen.h"
#include "app/Startup.h"
#include "app/TrayController.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "controls/Artwork.h"
#include "controls/PictureButton.h"
#include "keys/Keyboard.h"
#include "keys/PhoneKeypad.h"
#include "keys/QuickText.h"
#include "link/TcpLink.h"
#include "platform/Shell.h"
#include "settings/Language.h"
#include "settings/Settings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

MainWindow::MainWindow(AppCore &core, MessageBoxes &boxes,
                       const StartOptions &options, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_core(core), m_boxes(boxes), m_options(options) {
  initArtwork();
  m_artwork = std::make_unique<Artwork>();
  // Pictures are drawn for the sharpest screen; on the others Qt scales
  // them down.
  m_ratio = qApp->devicePixelRatio();
  setObjectName("mainWindow");
  setFixedSize(kClientWidth, kClientHeight);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setFont(QFont("Verdana", 8));
  setWindowIcon(m_artwork->icon(QStringLiteral("app.svg")));

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
  m_tray = new TrayController(*this);
  m_connection = new ConnectionCommands(
      m_core, *this, m_boxes,
      {m_autoConnectAction, m_bluetoothAction, m_cableAction, m_internetAction,
       m_disconnectAction, m_connectButton, m_disconnectButton,
       m_cableIndicator, m_bluetoothIndicator, m_internetIndicator, m_linkLed,
       m_modelLabel, m_statusLabel, m_screenView, m_zoomView, ledPictures()},
      *m_tray);
  m_capture = new CaptureController(
      m_core, *this, m_boxes,
      {m_recordPauseAction, m_stopAction, m_screenshotAction,
       m_screenshotButton, m_recordButton, m_pauseButton, m_stopButton});
  connect(m_capture, &CaptureController::screenshotSaved, this, [this] {
    // A save while the message shows leaves it to go at its first time.
    showStatus(uiText("UiScreenshotSaved"), false);
  });
  m_keyPreview =
      new KeyPreview(this, [this](uint16_t key, Qt::KeyboardModifiers shift) {
        handleKeyDown(key, shift);
      });
  m_keyPreview->setObjectName("keyPreview");

  if (QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  initialize();
  // The work area's background is drawn from its sheet when exposed; the
  // others were drawn once.
  for (const char *sheet : {"controlBar", "keypad"})
    m_artwork->forgetSheet(QLatin1String(sheet));
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
  m_core.settings().load();
  // The window's texts; a change of language later sets them again through
  // changeEvent.
  loadLanguage(m_core.paths(), m_core.settings());
  retranslate();
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
  m_tray->hideIcon();
  emit closed();
}

void MainWindow::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (!m_capture)
    return; // still being built; initialize sets the texts
  if (event->type() == QEvent::LanguageChange)
    retranslate();
  if (event->type() == QEvent::WindowStateChange)
    m_tray->windowStateChanged(*static_cast<QWindowStateChangeEvent *>(event));
}

void MainWindow::restoreFromOtherInstance() {
  m_tray->restore();
  raise();
  activateWindow();
}

void MainWindow::offerLeftoverRecording() {
  m_capture->offerLeftoverRecording();
}

int MainWindow::ledIndex() const { return m_connection->ledIndex(); }
int MainWindow::trayIconIndex() const { return m_tray->iconIndex(); }
bool MainWindow::isMinimizedToTray() const { return m_tray->isMinimized(); }
QString MainWindow::captureState() const { return m_capture->state(); }
AllowPhoneDialog *MainWindow::allowPhonePrompt() const {
  return m_connection->allowPhonePrompt();
}

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

void MainWindow::showSettings() {
  runGuarded(this, [this] {
    SettingsDialog dialog(m_core.settings(), m_core.keyTable(),
                          m_options.logSwitch, m_core.paths(), m_boxes, this);
    if (dialog.exec() == QDialog::Accepted &&
        m_core.settings().language() != loadedLanguage())
      loadLanguage(m_core.paths(), m_core.settings());
  });
}

void MainWindow::showLogWriteError(const QString &path, const QString &reason) {
  m_boxes.show(
      this, MessageKind::Warning, QApplication::applicationDisplayName(),
      uiText("LinkLogWriteFailed").arg(QDir::toNativeSeparators(path), reason));
}

// --- Keypad, keyboard and quick text -----------------------------------------

void MainWindow::pressKeypadButton(PictureButton *button) {
  m_core.queue().putKeyCode(static_cast<uint16_t>(button->tag() & 0xFFFF));
}

void MainWindow::handleKeyDown(uint16_t key, Qt::KeyboardModifiers shift) {
  m_core.keyboard().sendKeyDown(key, shift);
}

void MainWindow::toggleQuickText() {
  if (m_quickTextCheck->isChecked()) {
    // The keyboard belongs to the text field while quick text is on.
    m_keyPreview->setKeyPreview(false);
    m_quickTextEdit->clear();
    m_quickTextEdit->raise();
    m_quickTextEdit->setFocus(Qt::OtherFocusReason);
    m_sendButton->setEnabled(true);
  } else {
    m_quickTextCover->raise();
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
  if (replaced > 0)
    showStatus(uiText("UiQuickTextReplaced").arg(replaced), true);
}

void MainWindow::showStatus(const QString &text, bool restart) {
  m_statusLabel->setText(text);
  if (restart || !m_statusClearTimer->isActive())
    m_statusClearTimer->start();
}

void MainWindow::clearStatus() {
  m_statusLabel->clear();
  m_statusLabel->repaint();
  m_statusClearTimer->stop();
}

// --- Texts -------------------------------------------------------------------

namespace {
// A menu entry's caption; the shortcut text after the tab stays.
void setEntryCaption(QAction *entry, const QString &caption) {
  const QString old = entry->text();
  const qsizetype tab = old.indexOf(QLatin1Char('\t'));
  entry->setText(tab < 0 ? caption : caption + old.mid(tab));
}

void setLabelText(QLabel *label, const QString &text) {
  label->setText(text);
  label->adjustSize();
}
} // namespace

QList<QPixmap> MainWindow::ledPictures() const {
  QList<QPixmap> pictures;
  for (const char *id : {"linkLed0", "linkLed1", "linkLed2"})
    pictures.append(QPixmap::fromImage(m_artwork->picture(
        QStringLiteral("controlBar"), QLatin1String(id), m_ratio)));
  return pictures;
}

void MainWindow::drawConnectCaption() {
  const QString bar = QStringLiteral("controlBar");
  const QString id = QStringLiteral("connectButton");
  const QRect button = m_artwork->geometry().picture(bar, id);
  const QRect place = m_artwork->geometry()
                          .place(bar, QStringLiteral("connectCaption"))
                          .translated(-button.topLeft());
  const QString caption = uiText("UiConnectCaption");
  // The window's face at 11 pixels, smaller for a caption that would not
  // fit the place.
  QFont face = font();
  face.setPixelSize(11);
  while (face.pixelSize() > 7 &&
         QFontMetrics(face).horizontalAdvance(caption) > place.width())
    face.setPixelSize(face.pixelSize() - 1);
  auto written = [&](qreal ratio) {
    QImage glyph = m_artwork->picture(bar, id, ratio);
    if (glyph.isNull())
      return glyph;
    QPainter painter(&glyph);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(face);
    painter.setPen(QColor(44, 47, 56));
    painter.drawText(place, Qt::AlignLeft | Qt::AlignVCenter, caption);
    return glyph;
  };
  QImage logical = written(1);
  if (logical.isNull())
    return; // no artwork: the plain face stays
  m_connectButton->loadGlyph(logical,
                             m_ratio > 1 ? written(m_ratio) : QImage());
  m_connectButton->loaded();
}

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
      {"UiCopyScreen", m_copyScreenAction},
      {"MMOptions", m_settingsAction},
      {"MMHelp", m_helpAction},
      {"MMAbout", m_aboutAction},
      {"MMManual", m_manualAction},
  };
  for (const auto &[key, entry] : entries)
    setEntryCaption(entry, uiText(key));
  m_tray->retranslate();
  setLabelText(m_quickTextCheckLabel, uiText("MLabQuickTextEnable"));
  setLabelText(m_zoomLabel, uiText("MLabZoom"));
  setLabelText(m_quickTextLabel, uiText("MLabQuickText"));
  m_sendButton->setText(uiText("MBtnSend"));
  m_quickTextOffLabel->setText(uiText("UiQuickTextOff"));
  drawConnectCaption();

  // The menu strip's buttons show the top-level captions.
  for (QAction *top : {m_connectionAction, m_toolsAction, m_helpAction})
    if (auto *button = m_menuStrip->findChild<QToolButton *>(
            top->menu()->objectName() + QStringLiteral("Button")))
      button->setText(top->text());
  // The control bar's buttons carry no text: their tips say what they do.
  for (auto [button, key] : {std::pair{m_connectButton, "UiTipConnect"},
                             std::pair{m_disconnectButton, "UiTipDisconnect"},
                             std::pair{m_screenshotButton, "UiTipScreenshot"},
                             std::pair{m_recordButton, "UiTipRecord"},
                             std::pair{m_pauseButton, "UiTipPause"},
                             std::pair{m_stopButton, "UiTipStop"}})
    button->setToolTip(uiText(key));
  m_connection->retranslate();
}
