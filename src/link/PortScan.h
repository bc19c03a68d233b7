#pragma once
// Finding the phone's serial port: every serial port of the machine is
// opened as a probe port, and the first one on which a whole phone packet
// arrives is the phone's; a device that merely talks (a GPS receiver, a
// modem) is not taken for it. The port is classed as a data cable or a
// Bluetooth port by its device name; the application stores it in the
// settings.
//
// The scan itself is SerialLink's (SerialLink.h), offered to the connection
// manager as a PortScanner.

#include <QList>
#include <QString>
#include <QStringList>

// The progress window of a scan, owned by the application.
class ScanProgress {
public:
  virtual ~ScanProgress() = default;
  // Shown, without waiting, for n ports.
  virtual void start(int n) = 0;
  // Port i (from 0) is being opened; repaint the label at once.
  virtual void step(int i, const QString &port) = 0;
  // Closed.
  virtual void finish() = 0;
};

// What the scan needs of the application when the phone has answered.
class PortScanHost {
public:
  virtual ~PortScanHost() = default;
  // A whole phone packet arrived first on portName. A cable port is stored as
  // the data cable port and lights the cable indicator; otherwise it is stored
  // as the Bluetooth port and lights the Bluetooth indicator.
  virtual void portFound(const QString &portName, bool isCable) = 0;
};

// What Autoconnect needs of the serial link.
class PortScanner {
public:
  virtual ~PortScanner() = default;
  // Told of the phone's port when it answers a scan.
  virtual void setScanHost(PortScanHost *host) = 0;
  // Opens every serial port of the machine as a probe port, reporting to
  // progress (may be null), and returns how many opened; with none the scan
  // is over at once. The probe ports wait for the phone until it answers on
  // one of them or the link is closed. Throws when the port list cannot be
  // read.
  virtual int startScan(ScanProgress *progress) = 0;
};

// The port names of the machine, sorted as text without regard to case
// (COM1, COM10, COM2). configDir is where serialports.ini may lie
// (readSerialPortTable). Throws SerialError when the list cannot be read.
QStringList scanPortNames(const QString &configDir);

// The device name listed for a port name, compared exactly; empty when
// there is none or the list cannot be read. Entries whose device name or
// port name does not fit 255 characters are passed over.
QString findPortDeviceName(const QString &configDir, const QString &portName);

// A data cable when the 9th character of the device name is '0' or 'U'
// ("\Device\USBSER000"); anything else, a shorter name included, is
// Bluetooth.
bool isCablePortDevice(const QString &deviceName);
