#pragma once
// What the connection manager knows of a link to the phone: open it at an
// endpoint, close it, ask whether it is open and how long the phone has
// been silent. TcpLink and SerialLink implement it, each on its own
// threads; finding the phone's serial port is a separate interface,
// PortScanner (PortScan.h), since only the serial link has ports to scan.

#include <QString>
#include <QtGlobal>
#include <stdexcept>

// Where a link opens: a TCP port and listen address, or a serial port and
// its baud rate. Each link reads its own half.
struct LinkEndpoint {
  int tcpPort = 0;
  QString listenAddress; // empty: every IPv4 address
  QString serialPort;
  qint32 baudRate = 0; // 0: the rate already set on the port stays

  static LinkEndpoint tcp(int port, const QString &listenAddress = {}) {
    LinkEndpoint e;
    e.tcpPort = port;
    e.listenAddress = listenAddress;
    return e;
  }
  static LinkEndpoint serial(const QString &port, qint32 baudRate = 0) {
    LinkEndpoint e;
    e.serialPort = port;
    e.baudRate = baudRate;
    return e;
  }
};

// The endpoint could not be opened; what() says why.
class LinkOpenError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class PhoneLink {
public:
  virtual ~PhoneLink() = default;

  // Opens the link and waits for the phone there; returns once it is open.
  // Throws LinkOpenError; the link then stays closed.
  virtual void open(const LinkEndpoint &endpoint) = 0;
  // Says goodbye to the phone where the link can and closes every port or
  // socket of the link. Nothing happens when it is closed.
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // Drops requests received and not yet answered.
  virtual void dropPending() = 0;
  // Milliseconds since the phone was last heard on the link; -1 when it
  // has not been heard since the link opened, or when the link keeps its
  // own time limits.
  virtual qint64 silenceMs() const = 0;
};
