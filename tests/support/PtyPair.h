#pragma once
// A pseudo-terminal pair standing in for a serial device: the program opens
// Path() as its port, the test plays the phone on the master side.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

class PtyPair {
public:
  PtyPair() {
    termios raw{};
    cfmakeraw(&raw);
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) {
      m_master = m_slave = -1;
      return;
    }
    m_path = QString::fromLocal8Bit(name);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
  }
  ~PtyPair() {
    closeMaster();
    closeSlave();
  }
  // Closing the master makes the device vanish for whoever has it open.
  void closeMaster() {
    if (m_master >= 0)
      ::close(m_master);
    m_master = -1;
  }
  void closeSlave() {
    if (m_slave >= 0)
      ::close(m_slave);
    m_slave = -1;
  }
  PtyPair(const PtyPair &) = delete;
  PtyPair &operator=(const PtyPair &) = delete;

  bool isValid() const { return m_master >= 0; }
  QString path() const { return m_path; }

  // The phone sends; the event loop runs while the terminal is full.
  bool write(const QByteArray &bytes) {
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    QDeadlineTimer deadline(10000);
    while (left > 0) {
      const ssize_t n = ::write(m_master, p, size_t(left));
      if (n > 0) {
        p += n;
        left -= n;
      } else if (n < 0 && (errno == EAGAIN || errno == EINTR) &&
                 !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
      } else {
        return false;
      }
    }
    return true;
  }

  // What the program has written so far, without waiting.
  QByteArray received() {
    QByteArray all;
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(m_master, buffer, sizeof buffer);
      if (n <= 0)
        break;
      all.append(buffer, n);
    }
    return all;
  }

private:
  int m_master = -1;
  int m_slave = -1;
  QString m_path;
};
