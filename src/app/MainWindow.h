#pragma once
// The main window: menu tool bar, control bar, work area with the two
// screen views, the keypad and the quick-text box; tray icon and timers.
// Its handlers are a switchboard: each delegates to the piece that owns the
// behaviour.

#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/AllowPhoneDialog.h"
#include "app/StartOptions.h"
#include "link/ConnectionManager.h"
#include "link/LinkStats.h"
#include "link/LinkView.h"
#include "link/PhoneGate.h"

class AppCore;
class MessageBoxes;
class PictureButton;
class PhonePanel;
class ScreenCanvas;
class ScreenImage;
class ActivityIndicator;
class LinkViewAdapter;
class TcpLink;
class SerialLink;
class CommandQueue;
class ScreenshotSaver;
class VideoRecorder;

class KeyPreview;

class MainWindow : public QWidget, public ConnectionView {
  Q_OBJECT
public:
  static constexpr int kClientWidth = 625;
  static constexpr int kClientHeight = 669;

  // core: the running program this window shows and commands; boxes: where
  // its messages go; options: what the command line asked.
  MainWindow(AppCore &core, MessageBoxes &boxes,
             const StartOptions &options = {}, QWidget *parent = nullptr);
  ~MainWindow() override;

  // Menu tool bar and menus.
  QWidget *m_menuStrip = nullptr; // a strip of flat menu buttons
  QMenu *m_mainMenu = nullptr;    // the top level, shown through m_menuStrip
  QAction *m_connectionAction = nullptr, *m_autoConnectAction = nullptr,
          *m_bluetoothAction = nullptr, *m_cableAction = nullptr,
          *m_internetAction = nullptr, *m_disconnectAction = nullptr,
          *m_exitAction = nullptr;
  QAction *m_toolsAction = nullptr, *m_videoAction = nullptr,
          *m_recordPauseAction = nullptr, *m_stopAction = nullptr,
          *m_screenshotAction = nullptr, *m_optionsAction = nullptr;
  QAction *m_helpAction = nullptr, *m_manualAction = nullptr,
          *m_aboutAction = nullptr;

  // Connection pop-up and tray menu.
  QMenu *m_connectPopup = nullptr;
  QAction *m_popupCableAction = nullptr, *m_popupInternetAction = nullptr,
          *m_popupBluetoothAction = nullptr;
  QMenu *m_trayMenu = nullptr;
  QAction *m_restoreAction = nullptr, *m_minimizeAction = nullptr,
          *m_trayExitAction = nullptr;
  QSystemTrayIcon *m_trayIcon = nullptr;

  // Control bar.
  QWidget *m_controlBar = nullptr;
  QLabel *m_controlBarBackground = nullptr;
  PictureButton *m_connectButton = nullptr, *m_disconnectButton = nullptr;
  QLabel *m_linkLed = nullptr;
  PictureButton *m_cableIndicator = nullptr, *m_bluetoothIndicator = nullptr,
                *m_internetIndicator = nullptr;
  PictureButton *m_screenshotButton = nullptr, *m_recordButton = nullptr,
                *m_pauseButton = nullptr, *m_stopButton = nullptr;

  // Work area.
  QWidget *m_workArea = nullptr;
  QLabel *m_workAreaBackground = nullptr;
  QLabel *m_modelLabel = nullptr, *m_zoomLabel = nullptr,
         *m_savedLabel = nullptr, *m_quickTextLabel = nullptr,
         *m_quickTextEnableLabel = nullptr;
  ScreenImage *m_screenView = nullptr, *m_zoomView = nullptr;
  PhonePanel *m_keypad = nullptr;
  QTextEdit *m_quickTextEdit = nullptr;
  QWidget *m_quickTextPanel = nullptr;
  QLabel *m_quickTextBackground = nullptr;
  QCheckBox *m_quickTextEnabled = nullptr;
  QPushButton *m_sendButton = nullptr;

  // Timers, all disabled at start.
  QTimer *m_portWatchdog = nullptr, *m_savedLabelTimer = nullptr,
         *m_captureTimer = nullptr, *m_buttonResetTimer = nullptr;

  // Image lists.
  QList<QPixmap> m_ledImages;
  QList<QIcon> m_menuIcons;

  QString m_captureState;
  bool m_minimized = false;

  AppCore &core() { return m_core; }
  // Where the phone of the link in use is shown when the link's indicator
  // is hidden: a tooltip spot beneath each indicator.
  QWidget *indicatorTip(LinkKind link) const;
  // The question about an unknown phone, while it is open.
  AllowPhoneDialog *allowPhonePrompt() const { return m_allowPhone; }
  // The link figures shown by the LED's tooltip, sampled every second.
  QTimer *m_linkFiguresTimer = nullptr;
  void sampleLinkFigures();
  int trayIconIndex() const { return m_trayIndex; }
  int ledIndex() const { return m_ledIndex; }

  // Handlers of the window.
  void initialize();
  void shutDown();
  void quit();
  void quitFromTray();
  void showManual();
  void showAbout();
  void trayIconClicked();
  void restoreFromTray();
  void minimizeFromTray();
  void minimizeToTray();
  void noteMinimized();
  void noteRestored();
  void pressKeypadButton(PictureButton *button);
  void showActivity();

  // Connection commands.
  void connectInternet(QAction *sender);
  void connectBluetooth(QAction *sender);
  void connectCable(QAction *sender);
  void connectAutomatically(QAction *sender);
  void connectFromPopup(QAction *sender);
  void showConnectPopup();
  void disconnectFromMenu();
  void disconnectFromButton();
  void checkPortWatchdog();
  void disconnectLink();

  // Keyboard and quick text. handleKeyDown gets every key-down of the window
  // and its controls first, through the key preview.
  void handleKeyDown(uint16_t key, Qt::KeyboardModifiers shift);
  KeyPreview &keyPreview() { return *m_keyPreview; }
  void toggleQuickText();
  void sendTypedText();

  // Screenshots and recording.
  void saveScreenshot();
  void clearSavedLabel();
  void recordOrPause();
  void stopRecording();
  void recordButtonClicked();
  void pauseButtonClicked();
  void stopButtonClicked();
  void stopButtonPressed();
  void captureFrame();
  void resetRecordButtons();
  // At start: removes the unfinished videos of killed converters, and offers
  // to make the video from frames a recording left in the frames folder, or
  // to delete them. Does nothing while a converter is at work.
  void offerLeftoverRecording();
  void showSettings();
  // Sets every text of the window in the language in use; changeEvent
  // calls it on QEvent::LanguageChange.
  void retranslate();

  // Another instance asked this one to come forward.
  void restoreFromOtherInstance();
  // Minimising hides the window only where a tray icon can bring it back.
  static bool trayAvailable();

signals:
  void closed();

protected:
  void closeEvent(QCloseEvent *event) override;
  void changeEvent(QEvent *event) override;

private:
  void buildMenus();
  void buildControlBar();
  void buildWorkZone();
  void buildTray();
  void buildTimers();
  void setLedImage(int index);
  void setTrayIconIndex(int index);
  // Runs a command of a menu, button or timer: an error is handed to the
  // program's error handler, never thrown back into Qt's signal delivery.
  template <typename F> void guarded(F &&command);
  void minimizeApplication();

  // The window as the connection manager sees it.
  ConnectionSettings connectionSettings() const override;
  void setConnectCommandsEnabled(bool enabled) override;
  void setDisconnectEnabled(bool enabled) override;
  void setIndicatorShown(LinkKind link, bool shown) override;
  void showLinkState(int index) override;
  void clearLinkTexts() override;
  void clearScreen() override;
  void setWatchdogRunning(bool running) override;
  void showSerialOpenError(LinkKind link) override;
  void showNoSerialPortOpened() override;
  void showListenError(const QString &message) override;
  void showLogWriteError(const QString &path, const QString &reason);
  // Dims the screen views under "Waiting for the phone", or ends that.
  void showWaitingForPhone(bool waiting);
  std::unique_ptr<ScanProgress> createScanProgress() override;
  void storeFoundPort(const QString &portName, bool isCable) override;
  void restoreApplication();
  void buildCapture();
  void buildPeerInfo();
  void updatePeerTips();
  // The indicators' tips: which link each stands for and whether it is in
  // use, in the language in use.
  void updateIndicatorTips();
  void askAboutPhone(quint64 connection, const QByteArray &block,
                     const QByteArray &modelCode, const QString &modelName);
  // Brings the converter's window forward; false when it is not running.
  bool raiseConverterWindow();
  void applyRecorderState();

  AppCore &m_core;
  MessageBoxes &m_boxes;
  const StartOptions m_options;
  QWidget *m_indicatorTips[3] = {};
  QString m_peerTip; // who is at the other end of the link in use
  QPointer<AllowPhoneDialog> m_allowPhone;
  KeyPreview *m_keyPreview = nullptr;
  int m_trayIndex = 0;
  int m_ledIndex = -1;      // no image at start: the bar's red dot shows
  bool m_stopArmed = false; // the stop press began while recording
};
