#pragma once
// The main window: menu tool bar, control bar, work area with the two
// screen views, the keypad and the quick-text box; tray icon and timers.
// Its handlers are a switchboard: each delegates to the piece that owns the
// behaviour.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "link/LinkView.h"
#include "link/PortScan.h"

class TdxfPictureButton;
class TPhonePanel;
class TScreenCanvas;
class TScreenImage;
class TActivityIndicator;
class TLinkViewAdapter;
class TIdTCPServer;
class TDataComPort;
class TCommandQueue;
class TKeyPreview;

class TFormMain : public QWidget, public IPortScanHost {
  Q_OBJECT
public:
  static constexpr int ClientWidth = 625;
  static constexpr int ClientHeight = 669;

  // queue: the one queue of key entries every link drains.
  explicit TFormMain(TCommandQueue &queue, QWidget *parent = nullptr);
  ~TFormMain() override;

  // Menu tool bar and menus.
  QWidget *ToolBar1 = nullptr; // a strip of flat menu buttons
  QMenu *MainMenu = nullptr;   // the top level, shown through ToolBar1
  QAction *MConnection = nullptr, *MAutoConnection = nullptr,
          *MBlueToothConnect = nullptr, *MDataCableConn = nullptr,
          *MInternetConn = nullptr, *MDissconect = nullptr, *MExit = nullptr;
  QAction *MTools = nullptr, *MVideoCapturing = nullptr,
          *MRecordPause = nullptr, *MStop = nullptr, *MSaveScreenshot = nullptr,
          *MOptions = nullptr;
  QAction *MHelp = nullptr, *MManual = nullptr, *MAbout = nullptr;

  // Connection pop-up and tray menu.
  QMenu *PopMConnection = nullptr;
  QAction *PMDataCableConn = nullptr, *PMInternetConn = nullptr,
          *PMBlueToothConnect = nullptr;
  QMenu *PopMTray = nullptr;
  QAction *PMRestore = nullptr, *PMMinimize = nullptr, *PMExit = nullptr;
  QSystemTrayIcon *CoolTrayIcon = nullptr;

  // Control bar.
  QWidget *PanelControl = nullptr;
  QLabel *Image2 = nullptr;
  TdxfPictureButton *dxfPicButConnect = nullptr, *Bt_Disconn = nullptr;
  QLabel *ImageLedConn = nullptr;
  TdxfPictureButton *PicButIndData = nullptr, *PicButIndBlu = nullptr,
                    *PicButIndInet = nullptr;
  TdxfPictureButton *dxfPictureButton1 = nullptr, *dxfPicButPlSave = nullptr,
                    *dxfPicButPlPause = nullptr, *dxfPicButPlStop = nullptr;

  // Work area.
  QWidget *PanelWorkZone = nullptr;
  QLabel *ImageWorkZone = nullptr;
  QLabel *LabPhoneType = nullptr, *LabZoom = nullptr, *LabImage = nullptr,
         *LabQuickText = nullptr, *LabQuickTextEnable = nullptr;
  TScreenImage *ImageScreen = nullptr, *ImageScreenZoom = nullptr;
  TPhonePanel *PanelButton = nullptr;
  QTextEdit *RichEdit = nullptr;
  QWidget *PanelRichEdit = nullptr;
  QLabel *ImageRichEdit = nullptr;
  QCheckBox *CheckBoxEnabled = nullptr;
  QPushButton *BtnSend = nullptr;

  // Timers, all disabled at start.
  QTimer *TimerCOMPort = nullptr, *TimerLabel = nullptr,
         *TimerCapture = nullptr, *TimerButtonRepaint = nullptr;

  // Image lists.
  QList<QPixmap> ImageListLed;
  QList<QIcon> ImageListHot;

  QString CaptureState;
  bool IsMinimized = false;

  TCommandQueue &Queue() { return m_queue; }
  TScreenCanvas &Canvas() { return *m_canvas; }
  TActivityIndicator &Indicator() { return *m_indicator; }
  TIdTCPServer &IdTCPServer() { return *m_tcpServer; }
  // The serial data module, created after the window at start-up.
  void SetDataComPort(TDataComPort *module);
  TDataComPort *DataComPort() const { return m_dataCom; }
  ILinkView &LinkView();
  int TrayIconIndex() const { return m_trayIndex; }
  int LedIndex() const { return m_ledIndex; }

  // Handlers of the window.
  void FormCreate();
  void FormClose();
  void MExitClick();
  void PMExitClick();
  void MManualClick();
  void MAboutClick();
  void CoolTrayIconClick();
  void PMRestoreClick();
  void PMMinimizeClick();
  void JvCaptionButton1Click();
  void ApplicationEvents1Minimize();
  void ApplicationEvents1Restore();
  void PhoneButtonClick(TdxfPictureButton *button);
  void TimerYellowTimer();

  // Connection commands.
  void MInternetConnClick(QAction *sender);
  void MBlueToothConnectClick(QAction *sender);
  void MDataCableConnClick(QAction *sender);
  void MAutoConnectionClick(QAction *sender);
  void PMDataCableConnClick(QAction *sender);
  void dxfPicButConnectClick();
  void MDissconectClick();
  void Bt_DisconnClick();
  void TimerCOMPortTimer();
  void EnterLinkOpen(QAction *sender);
  void DisconnectLink();
  // The first-data step of a port scan found the phone's port.
  void PortFound(const QString &portName, bool isCable) override;

  // Keyboard and quick text. FormKeyDown gets every key-down of the window
  // and its controls first, through the key preview.
  void FormKeyDown(uint16_t key, Qt::KeyboardModifiers shift);
  TKeyPreview &KeyPreview() { return *m_keyPreview; }
  void CheckBoxEnabledClick();
  void BtnSendClick();

  // Handlers whose behaviour belongs to later work: screenshots, recording
  // and the settings dialog.
  void dxfPicBtSaveScreenClick();
  void TimerLabelTimer();
  void MRecordPauseClick();
  void MStopClick();
  void dxfPicButPlSaveClick();
  void dxfPicButPlPauseClick();
  void dxfPicButPlStopClick();
  void TimerCaptureTimer();
  void TimerButtonRepaintTimer();
  void MOptionsClick();

  // Another instance asked this one to come forward.
  void RestoreFromOtherInstance();
  // Minimising hides the window only where a tray icon can bring it back.
  static bool TrayAvailable();

signals:
  void Closed();

protected:
  void closeEvent(QCloseEvent *event) override;
  void changeEvent(QEvent *event) override;

private:
  void BuildMenus();
  void BuildControlBar();
  void BuildWorkZone();
  void BuildTray();
  void BuildTimers();
  void SetLedImage(int index);
  void SetTrayIconIndex(int index);
  void SetConnectCommandsEnabled(bool enabled);
  // Opens ComPort on a serial link's port (baudRate 0 keeps the rate) and
  // enters the Open state with that link's indicator lit; a port that does
  // not open shows the link's message and leaves the state Idle.
  void OpenSerialLink(QAction *sender, const QByteArray &port, qint32 baudRate,
                      TdxfPictureButton *indicator, const QString &caption,
                      const QString &text);
  void MinimizeApplication();
  void RestoreApplication();

  TCommandQueue &m_queue;
  std::unique_ptr<TScreenCanvas> m_canvas;
  TActivityIndicator *m_indicator = nullptr;
  TLinkViewAdapter *m_linkView = nullptr;
  std::unique_ptr<TIdTCPServer> m_tcpServer;
  TDataComPort *m_dataCom = nullptr;
  TKeyPreview *m_keyPreview = nullptr;
  int m_trayIndex = 0;
  int m_ledIndex = -1; // no image at start: the bar's red dot shows
};
