#pragma once
// The main window's part in the link: the connect and disconnect commands of
// the menu, the connect button's pop-up and the disconnect button; the LED,
// the link indicators and their tips saying who is at the other end; the
// serial port watchdog and the link figures in the LED's tip; the question
// about a phone not on the known list. It is the window as the connection
// manager sees it.

#include "app/AllowPhoneDialog.h"
#include "link/ConnectionManager.h"

#include <QObject>
#include <QPixmap>
#include <QPointer>

class AppCore;
class MessageBoxes;
class PictureButton;
class QAction;
class QLabel;
class QMenu;
class QTimer;
class QWidget;
class ScreenImage;
class TrayController;

class ConnectionCommands : public QObject, public ConnectionView {
  Q_OBJECT
public:
  // The window's controls this drives; they are built by the window.
  struct Controls {
    QAction *autoConnectAction, *bluetoothAction, *cableAction, *internetAction,
        *disconnectAction;
    PictureButton *connectButton, *disconnectButton;
    PictureButton *cableIndicator, *bluetoothIndicator, *internetIndicator;
    QLabel *linkLed, *modelLabel, *statusLabel;
    ScreenImage *screenView, *zoomView;
    QList<QPixmap> ledPictures; // no link, link open, activity
  };
  // window: the parent of the pop-up, the prompts and messages; boxes:
  // where the messages go. Attaches itself to core as its connection view.
  ConnectionCommands(AppCore &core, QWidget &window, MessageBoxes &boxes,
                     const Controls &controls, TrayController &tray);

  // The LED's picture: -1 none (the bar's red dot shows), 0 no link, 1 link
  // open, 2 activity.
  int ledIndex() const { return m_ledIndex; }
  // The question about an unknown phone, while it is open.
  AllowPhoneDialog *allowPhonePrompt() const { return m_allowPhone; }
  // Sets the pop-up's captions from the menu's, the indicators' tips and the
  // waiting text in the language in use.
  void retranslate();

private:
  void connectInternet();
  void connectBluetooth();
  void connectCable();
  void connectAutomatically();
  void showConnectPopup();
  void disconnectLink();
  void checkPortWatchdog();
  void setLedImage(int index);
  void sampleLinkFigures();
  void updatePeerTips();
  // The indicators' tips: which link each stands for and whether it is in
  // use, in the language in use.
  void updateIndicatorTips();
  // Dims the screen views under "Waiting for the phone", or ends that.
  void showWaitingForPhone(bool waiting);
  void askAboutPhone(quint64 connection, const QByteArray &block,
                     const QByteArray &modelCode, const QString &modelName);

  // ConnectionView.
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
  std::unique_ptr<ScanProgress> createScanProgress() override;
  void storeFoundPort(const QString &portName, bool isCable) override;

  AppCore &m_core;
  QWidget &m_window;
  MessageBoxes &m_boxes;
  Controls m_controls;
  TrayController &m_tray;
  QMenu *m_popup = nullptr;
  QAction *m_popupCableAction = nullptr, *m_popupInternetAction = nullptr,
          *m_popupBluetoothAction = nullptr;
  QTimer *m_portWatchdog = nullptr;
  // The link figures shown by the LED's tooltip, sampled every second while
  // a link is open.
  QTimer *m_linkFiguresTimer = nullptr;
  QList<QPixmap> m_ledImages;
  int m_ledIndex = -1;
  QWidget *m_indicatorTips[3] = {};
  QString m_peerTip; // who is at the other end of the link in use
  QPointer<AllowPhoneDialog> m_allowPhone;
};
