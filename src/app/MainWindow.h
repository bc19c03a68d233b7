#pragma once
// The main window: menu tool bar, control bar, work area with the two
// screen views, the keypad and the quick-text box. It builds the controls
// (MainLayout.cpp) and composes the parts that drive them: the tray
// (TrayController), the link's commands and indicators (ConnectionCommands)
// and the screenshots and recording (CaptureController).
// Tests drive it as a user would, through its controls' object names.

#include "app/StartOptions.h"

#include <QIcon>
#include <QPixmap>
#include <QWidget>
#include <cstdint>
#include <memory>

class AllowPhoneDialog;
class Artwork;
class AppCore;
class CaptureController;
class ConnectionCommands;
class KeyPreview;
class MessageBoxes;
class PhonePanel;
class PictureButton;
class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QTextEdit;
class QTimer;
class ScreenImage;
class TrayController;

class MainWindow : public QWidget {
  Q_OBJECT
public:
  static constexpr int kClientWidth = 625;
  static constexpr int kClientHeight = 669;

  // core: the running program this window shows and commands; boxes: where
  // its messages go; options: what the command line asked.
  MainWindow(AppCore &core, MessageBoxes &boxes,
             const StartOptions &options = {}, QWidget *parent = nullptr);
  ~MainWindow() override;

  AppCore &core() { return m_core; }
  // Sets every text of the window in the language in use; changeEvent
  // calls it on QEvent::LanguageChange.
  void retranslate();
  // Another instance asked this one to come forward.
  void restoreFromOtherInstance();
  // At start: offers to finish or delete a recording left behind.
  void offerLeftoverRecording();

  // What the window shows, for those that check it.
  int ledIndex() const;
  int trayIconIndex() const;
  bool isMinimizedToTray() const;
  QString captureState() const;
  AllowPhoneDialog *allowPhonePrompt() const;

signals:
  void closed();

protected:
  void closeEvent(QCloseEvent *event) override;
  void changeEvent(QEvent *event) override;

private:
  // MainLayout.cpp
  void buildMenus();
  void buildControlBar();
  void buildWorkZone();
  QList<QPixmap> ledPictures() const;
  // Writes the connect button's caption in the language in use.
  void drawConnectCaption();

  void initialize();
  void shutDown();
  void showManual();
  void showAbout();
  void showSettings();
  void pressKeypadButton(PictureButton *button);
  // Gets every key-down of the window and its controls first, through the
  // key preview.
  void handleKeyDown(uint16_t key, Qt::KeyboardModifiers shift);
  void toggleQuickText();
  void sendTypedText();
  // The status line under the zoom view, cleared after a while. restart:
  // a message already showing gets its full time again.
  void showStatus(const QString &text, bool restart);
  void clearStatus();
  void showLogWriteError(const QString &path, const QString &reason);

  AppCore &m_core;
  MessageBoxes &m_boxes;
  const StartOptions m_options;
  std::unique_ptr<Artwork> m_artwork;
  qreal m_ratio = 1; // device pixel ratio the pictures are drawn at

  // Menu tool bar and menus.
  QWidget *m_menuStrip = nullptr; // a strip of flat menu buttons
  QAction *m_connectionAction = nullptr, *m_autoConnectAction = nullptr,
          *m_bluetoothAction = nullptr, *m_cableAction = nullptr,
          *m_internetAction = nullptr, *m_disconnectAction = nullptr,
          *m_exitAction = nullptr;
  QAction *m_toolsAction = nullptr, *m_videoAction = nullptr,
          *m_recordPauseAction = nullptr, *m_stopAction = nullptr,
          *m_screenshotAction = nullptr, *m_settingsAction = nullptr,
          *m_copyScreenAction = nullptr;
  QAction *m_helpAction = nullptr, *m_manualAction = nullptr,
          *m_aboutAction = nullptr;

  // Control bar.
  QWidget *m_controlBar = nullptr;
  PictureButton *m_connectButton = nullptr, *m_disconnectButton = nullptr;
  QLabel *m_linkLed = nullptr;
  PictureButton *m_cableIndicator = nullptr, *m_bluetoothIndicator = nullptr,
                *m_internetIndicator = nullptr;
  PictureButton *m_screenshotButton = nullptr, *m_recordButton = nullptr,
                *m_pauseButton = nullptr, *m_stopButton = nullptr;

  // Work area.
  QLabel *m_modelLabel = nullptr, *m_zoomLabel = nullptr,
         *m_statusLabel = nullptr, *m_quickTextLabel = nullptr,
         *m_quickTextCheckLabel = nullptr;
  ScreenImage *m_screenView = nullptr, *m_zoomView = nullptr;
  PhonePanel *m_keypad = nullptr;
  QTextEdit *m_quickTextEdit = nullptr;
  QWidget *m_quickTextCover = nullptr;
  QLabel *m_quickTextOffLabel = nullptr;
  QCheckBox *m_quickTextCheck = nullptr;
  QPushButton *m_sendButton = nullptr;
  QTimer *m_statusClearTimer = nullptr;

  TrayController *m_tray = nullptr;
  ConnectionCommands *m_connection = nullptr;
  CaptureController *m_capture = nullptr;
  KeyPreview *m_keyPreview = nullptr;
};
