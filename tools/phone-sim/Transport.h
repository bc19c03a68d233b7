#pragma once
// Blocking byte transports over a file descriptor: a TCP socket, a serial
// device or the master side of a pseudo-terminal.

#include <QByteArray>
#include <QString>

namespace phonesim {

class Transport {
public:
  virtual ~Transport() = default;
  // Writes every byte; retries after signals. False when the peer is gone.
  virtual bool writeAll(const QByteArray &data) = 0;
  // Waits up to timeoutMs for bytes. Returns the count read, 0 when nothing
  // came in time (or a signal interrupted the wait), -1 when the link is
  // closed or failed.
  virtual int read(char *buffer, int size, int timeoutMs) = 0;
  // False while nobody has the other end open (pseudo-terminal master).
  virtual bool peerPresent() { return true; }
  // Throws away whatever has been received and not yet read.
  virtual void discardInput() {}
  virtual QString errorText() const = 0;
};

class FdTransport : public Transport {
public:
  enum class Kind { Socket, Serial, PtyMaster };
  FdTransport(int fd, Kind kind) : m_fd(fd), m_kind(kind) {}
  ~FdTransport() override;
  FdTransport(const FdTransport &) = delete;
  FdTransport &operator=(const FdTransport &) = delete;

  bool writeAll(const QByteArray &data) override;
  int read(char *buffer, int size, int timeoutMs) override;
  bool peerPresent() override;
  void discardInput() override;
  QString errorText() const override { return m_error; }
  int fd() const { return m_fd; }

private:
  int m_fd;
  Kind m_kind;
  QString m_error;
};

// Connects to host:port with TCP_NODELAY on. Returns the socket or -1.
int connectTcp(const QString &host, int port, QString *error);
// Opens a serial device raw, 8N1, 115200 baud, no flow control.
int openSerialDevice(const QString &path, QString *error);
// Creates a raw pseudo-terminal and returns its master; the slave's path is
// stored in slavePath. The slave itself is not kept open, so the master
// sees when the PC opens and closes it.
int openPtyMaster(QString *slavePath, QString *error);

} // namespace phonesim
