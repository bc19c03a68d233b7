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

#include "app/UnitAllowPhone.h"
#include "link/ConnectionManager.h"
#include "link/LinkStats.h"
#include "link/LinkView.h"
#include "link/PhoneGate.h"

class TdxfPictureButton;
class TPhonePanel;
class TScreenCanvas;
class TScreenImage;
class TActivityIndicator;
class TLinkViewAdapter;
class TIdTCPServer;
class TDataComPort;
class TCommandQueue;
class TScreenshotSaver;
class TVideoRecorder;

class TKeyPreview;

class TFormMain : public QWidget, public IConnectionWindow {
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
  TConnectionManager &Connection() { return *m_connection; }
  TPhoneGate &PhoneGate() { return m_phoneGate; }
  // Where the phone of the link in use is shown when the link's indicator
  // is hidden: a tooltip spot beneath each indicator.
  QWidget *IndicatorTip(TLinkKind link) const;
  // The question about an unknown phone, while it is open.
  TFormAllowPhone *AllowPhonePrompt() const { return m_allowPhone; }
  // The link figures shown by the LED's tooltip, sampled every second.
  QTimer *TimerLinkFigures = nullptr;
  void TimerLinkFiguresTimer();
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
  void DisconnectLink();

  // Keyboard and quick text. FormKeyDown gets every key-down of the window
  // and its controls first, through the key preview.
  void FormKeyDown(uint16_t key, Qt::KeyboardModifiers shift);
  TKeyPreview &KeyPreview() { return *m_keyPreview; }
  void CheckBoxEnabledClick();
  void BtnSendClick();

  // Screenshots and recording.
  void dxfPicBtSaveScreenClick();
  void TimerLabelTimer();
  void MRecordPauseClick();
  void MStopClick();
  void dxfPictureButton2Click();
  void dxfPicButPlPauseClick();
  void dxfPicButPlStopClick();
  void dxfPicButPlStopMouseDown();
  void TimerCaptureTimer();
  void TimerButtonRepaintTimer();
  // The clock that names screenshots and frames (tests set their own).
  void SetCaptureClock(std::function<QDateTime()> now);
  TVideoRecorder &Recorder() { return *m_recorder; }
  // At start: removes the unfinished videos of killed converters, and offers
  // to make the video from frames a recording left in the frames folder, or
  // to delete them. Does nothing while a converter is at work.
  void OfferLeftoverRecording();
  void MOptionsClick();
  // Shows a text of the language on the window (ApplyLanguage calls it for
  // each key), and then the texts that repeat others.
  void ApplyLanguageText(const QString &key, const QString &text);
  void FinishLanguage();

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
  // Runs a command of a menu, button or timer: an error is handed to the
  // program's error handler, never thrown back into Qt's signal delivery.
  template <typename F> void Guarded(F &&command);
  void MinimizeApplication();

  // The window as the connection manager sees it.
  TConnectionSettings ConnectionSettings() const override;
  void SetConnectCommandsEnabled(bool enabled) override;
  void SetDisconnectEnabled(bool enabled) override;
  void SetIndicatorShown(TLinkKind link, bool shown) override;
  void ShowLinkState(int index) override;
  void ClearLinkTexts() override;
  void ClearScreen() override;
  void SetWatchdogRunning(bool running) override;
  void ShowSerialOpenError(TLinkKind link) override;
  void ShowNoSerialPortOpened() override;
  void ShowListenError(const QString &message) override;
  void ShowLogWriteError(const QString &path, const QString &reason);
  // Dims the screen views under "Waiting for the phone", or ends that.
  void ShowWaitingForPhone(bool waiting);
  void ProcessPendingEvents() override;
  std::unique_ptr<IScanProgress> CreateScanProgress() override;
  void StoreFoundPort(const QString &portName, bool isCable) override;
  void RestoreApplication();
  void BuildCapture();
  void BuildPeerInfo();
  // Reads the known-phones settings into the gate before a connect.
  void ApplyPhonePolicy();
  void UpdatePeerTips();
  // The indicators' tips: which link each stands for and whether it is in
  // use, in the language in use.
  void UpdateIndicatorTips();
  void AskAboutPhone(quint64 connection, const QByteArray &block,
                     const QByteArray &modelCode, const QString &modelName);
  // Brings the converter's window forward; false when it is not running.
  bool RaiseConverterWindow();
  void ApplyRecorderState();

  TCommandQueue &m_queue;
  std::unique_ptr<TScreenCanvas> m_canvas;
  TActivityIndicator *m_indicator = nullptr;
  TLinkViewAdapter *m_linkView = nullptr;
  std::unique_ptr<TIdTCPServer> m_tcpServer;
  std::unique_ptr<TConnectionManager> m_connection;
  TLinkStats m_linkStats;
  TLinkRateWindow m_linkRates;
  TPhoneGate m_phoneGate;
  QWidget *m_indicatorTips[3] = {};
  QString m_peerTip; // who is at the other end of the link in use
  QPointer<TFormAllowPhone> m_allowPhone;
  TDataComPort *m_dataCom = nullptr;
  TKeyPreview *m_keyPreview = nullptr;
  int m_trayIndex = 0;
  int m_ledIndex = -1; // no image at start: the bar's red dot shows
  std::function<QDateTime()> m_captureClock;
  std::unique_ptr<TScreenshotSaver> m_screenshots;
  std::unique_ptr<TVideoRecorder> m_recorder;
  bool m_stopArmed = false; // the stop press began while recording
};
