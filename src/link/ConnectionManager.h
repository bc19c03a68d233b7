#pragma once
// Choosing a link and ending it: four ways to connect (cable, Bluetooth,
// GPRS, Autoconnect) and one way to disconnect, one link at a time. It
// drives the TCP listener, the serial data module and the port scan, keeps
// the window's controls in the Idle or Open state through IConnectionWindow,
// and watches a serial link for silence.
//
// Everything here runs on the GUI thread.

#include "link/PortScan.h"

#include <QString>
#include <memory>

class TCommandQueue;
class TDataComPort;
class TIdTCPServer;

enum class TLinkKind { Cable, Bluetooth, Gprs, Auto };

struct TConnectionSettings {
  int Port = 0;          // TCP port
  QString ListenAddress; // empty: every IPv4 address
  QString BlueToothPort; // serial port of the Bluetooth link
  QString DataPort;      // serial port of the cable link
};

// What the manager needs of the main window.
class IConnectionWindow {
public:
  virtual ~IConnectionWindow() = default;
  virtual TConnectionSettings ConnectionSettings() const = 0;
  // The four connect commands of the menu and the three of the pop-up.
  virtual void SetConnectCommandsEnabled(bool enabled) = 0;
  // The Disconnect menu command and button.
  virtual void SetDisconnectEnabled(bool enabled) = 0;
  // Hiding a link's indicator marks that link as the one in use. Auto has
  // none.
  virtual void SetIndicatorShown(TLinkKind link, bool shown) = 0;
  // LED and tray icon: 0 no link (the activity timer stops), 1 link open.
  virtual void ShowLinkState(int index) = 0;
  // The phone model name and the short status text.
  virtual void ClearLinkTexts() = 0;
  // Removes both screen pictures, and drops identifications of the closed
  // link still on their way.
  virtual void ClearScreen() = 0;
  virtual void SetWatchdogRunning(bool running) = 0;
  // A serial port that would not open; the state stays Idle.
  virtual void ShowSerialOpenError(TLinkKind link) = 0;
  // Autoconnect found no serial port, or none that opened; the state stays
  // Idle.
  virtual void ShowNoSerialPortOpened() = 0;
  // The TCP port that could not be bound; the state stays Idle.
  virtual void ShowListenError(const QString &message) = 0;
  // Lets pending window messages run.
  virtual void ProcessPendingEvents() = 0;
  // The port scan's progress window; may return null.
  virtual std::unique_ptr<IScanProgress> CreateScanProgress() = 0;
  // The phone answered a port scan on portName: store it as the cable or
  // the Bluetooth port. May throw when the settings cannot be written.
  virtual void StoreFoundPort(const QString &portName, bool isCable) = 0;
};

class TConnectionManager : public IPortScanHost {
public:
  TConnectionManager(IConnectionWindow &window, TIdTCPServer &tcp,
                     TCommandQueue &queue);

  // The serial data module, created after the window; may be null.
  void SetDataComPort(TDataComPort *module);

  // The connect commands. A serial port that does not open, or a TCP port
  // that cannot be bound, leaves the state Idle with a message, as does an
  // Autoconnect that opens no port. Autoconnect throws when the port list
  // cannot be read.
  void ConnectGprs();
  void ConnectBluetooth();
  void ConnectCable();
  void Autoconnect();
  // Closes whatever is open and returns the controls to Idle.
  void DisconnectLink();
  // The watchdog tick: a serial link silent for more than 5 whole seconds
  // is closed, and opened again on the same port.
  void TimerCOMPortTimer();

  bool LinkOpen() const { return m_open; }
  // The link of the last connect while Open.
  TLinkKind Link() const { return m_link; }

  void PortFound(const QString &portName, bool isCable) override;

private:
  void EnterLinkOpen(TLinkKind link);
  void OpenSerialLink(TLinkKind link, const QString &port, qint32 baudRate);

  IConnectionWindow &m_window;
  TIdTCPServer &m_tcp;
  TCommandQueue &m_queue;
  TDataComPort *m_dataCom = nullptr;
  bool m_open = false;
  TLinkKind m_link = TLinkKind::Auto;
  // True while a command runs: one that lets window messages run must not
  // be entered again by them.
  bool m_busy = false;
};
