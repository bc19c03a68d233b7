#pragma once
// Choosing a link and ending it: four ways to connect (cable, Bluetooth,
// GPRS, Autoconnect) and one way to disconnect, one link at a time. It
// drives the links through PhoneLink (the TCP link for GPRS, the serial
// link for cable and Bluetooth) and Autoconnect's port scan through
// PortScanner, keeps the window's controls in the Idle or Open state
// through ConnectionView, and watches a serial link for silence.
//
// Everything here runs on the GUI thread. No command lets window messages
// run by hand, so none can be entered again while it runs.

#include "link/PhoneLink.h"
#include "link/PortScan.h"

#include <QString>
#include <memory>

class CommandQueue;

enum class LinkKind { Cable, Bluetooth, Gprs, Auto };

struct ConnectionSettings {
  int port = 0;          // TCP port
  QString listenAddress; // empty: every IPv4 address
  QString blueToothPort; // serial port of the Bluetooth link
  QString dataPort;      // serial port of the cable link
};

// What the manager needs of the main window.
class ConnectionView {
public:
  virtual ~ConnectionView() = default;
  virtual ConnectionSettings connectionSettings() const = 0;
  // The four connect commands of the menu and the three of the pop-up.
  virtual void setConnectCommandsEnabled(bool enabled) = 0;
  // The Disconnect menu command and button.
  virtual void setDisconnectEnabled(bool enabled) = 0;
  // Hiding a link's indicator marks that link as the one in use. Auto has
  // none.
  virtual void setIndicatorShown(LinkKind link, bool shown) = 0;
  // LED and tray icon: 0 no link (the activity timer stops), 1 link open.
  virtual void showLinkState(int index) = 0;
  // The phone model name and the short status text.
  virtual void clearLinkTexts() = 0;
  // Removes both screen pictures, and drops identifications of the closed
  // link still on their way.
  virtual void clearScreen() = 0;
  virtual void setWatchdogRunning(bool running) = 0;
  // A serial port that would not open; the state stays Idle.
  virtual void showSerialOpenError(LinkKind link) = 0;
  // Autoconnect found no serial port, or none that opened; the state stays
  // Idle.
  virtual void showNoSerialPortOpened() = 0;
  // The TCP port that could not be bound; the state stays Idle.
  virtual void showListenError(const QString &message) = 0;
  // The port scan's progress window, which repaints itself as the scan
  // goes; may return null.
  virtual std::unique_ptr<ScanProgress> createScanProgress() = 0;
  // The phone answered a port scan on portName: store it as the cable or
  // the Bluetooth port. May throw when the settings cannot be written.
  virtual void storeFoundPort(const QString &portName, bool isCable) = 0;
};

class ConnectionManager : public PortScanHost {
public:
  // tcp: the GPRS link. serial: the cable and Bluetooth link; scanner:
  // Autoconnect's port scan, in the program the serial link too. Either may
  // be null, and the commands that need it then do nothing.
  ConnectionManager(ConnectionView &window, PhoneLink &tcp, CommandQueue &queue,
                    PhoneLink *serial = nullptr,
                    PortScanner *scanner = nullptr);
  ~ConnectionManager() override;

  // The connect commands. A serial port that does not open, or a TCP port
  // that cannot be bound, leaves the state Idle with a message, as does an
  // Autoconnect that opens no port. Autoconnect throws when the port list
  // cannot be read.
  void connectGprs();
  void connectBluetooth();
  void connectCable();
  void autoconnect();
  // Closes whatever is open and returns the controls to Idle.
  void disconnectLink();
  // The watchdog tick: a serial link silent for more than 5 whole seconds
  // is closed, and opened again on the same port.
  void checkPortWatchdog();

  bool linkOpen() const { return m_open; }
  // The link of the last connect while Open.
  LinkKind link() const { return m_link; }

  void portFound(const QString &portName, bool isCable) override;

private:
  void enterLinkOpen(LinkKind link);
  // Opens link at endpoint; a failure is shown and leaves the state Idle.
  bool openLink(LinkKind kind, PhoneLink &link, const LinkEndpoint &endpoint);
  void openSerialLink(LinkKind link, const QString &port, qint32 baudRate);

  ConnectionView &m_window;
  PhoneLink &m_tcp;
  CommandQueue &m_queue;
  PhoneLink *m_serial = nullptr;
  PortScanner *m_scanner = nullptr;
  bool m_open = false;
  LinkKind m_link = LinkKind::Auto;
  // The serial port last opened by a cable or Bluetooth connect, for the
  // watchdog's reopening.
  QString m_serialPort;
};
