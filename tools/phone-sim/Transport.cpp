#include "Transport.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace phonesim {

namespace {

QString errnoText(const char *what) {
  return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                      QString::fromLocal8Bit(strerror(errno)));
}

void makeRaw(termios &t) {
  cfmakeraw(&t);
  t.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS | CSIZE);
  t.c_cflag |= CS8 | CLOCAL | CREAD;
  t.c_iflag &= ~(IXON | IXOFF | IXANY);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, B115200);
  cfsetospeed(&t, B115200);
}

} // namespace

FdTransport::~FdTransport() {
  if (m_fd >= 0)
    ::close(m_fd);
}

bool FdTransport::writeAll(const QByteArray &data) {
  const char *p = data.constData();
  qsizetype left = data.size();
  while (left > 0) {
    ssize_t n = m_kind == Kind::Socket ? ::send(m_fd, p, left, MSG_NOSIGNAL)
                                       : ::write(m_fd, p, left);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      if (errno == EAGAIN) {
        pollfd pfd{m_fd, POLLOUT, 0};
        ::poll(&pfd, 1, 100);
        continue;
      }
      m_error = errnoText("write");
      return false;
    }
    p += n;
    left -= n;
  }
  return true;
}

int FdTransport::read(char *buffer, int size, int timeoutMs) {
  pollfd pfd{m_fd, POLLIN, 0};
  const int r = ::poll(&pfd, 1, timeoutMs);
  if (r < 0) {
    if (errno == EINTR)
      return 0;
    m_error = errnoText("poll");
    return -1;
  }
  if (r == 0)
    return 0;
  if (!(pfd.revents & POLLIN)) {
    m_error = QStringLiteral("link closed by the peer");
    return -1;
  }
  const ssize_t n = ::read(m_fd, buffer, size);
  if (n < 0) {
    if (errno == EINTR || errno == EAGAIN)
      return 0;
    m_error = errnoText("read");
    return -1;
  }
  if (n == 0) {
    m_error = QStringLiteral("link closed by the peer");
    return -1;
  }
  return static_cast<int>(n);
}

bool FdTransport::peerPresent() {
  if (m_kind != Kind::PtyMaster)
    return true;
  pollfd pfd{m_fd, POLLIN, 0};
  if (::poll(&pfd, 1, 0) <= 0)
    return true;
  return !(pfd.revents & POLLHUP) || (pfd.revents & POLLIN);
}

void FdTransport::discardInput() {
  char buf[4096];
  for (;;) {
    pollfd pfd{m_fd, POLLIN, 0};
    if (::poll(&pfd, 1, 0) <= 0 || !(pfd.revents & POLLIN))
      return;
    if (::read(m_fd, buf, sizeof buf) <= 0)
      return;
  }
}

int connectTcp(const QString &host, int port, QString *error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo *list = nullptr;
  const QByteArray service = QByteArray::number(port);
  const int gai = ::getaddrinfo(host.toLocal8Bit().constData(),
                                service.constData(), &hints, &list);
  if (gai != 0) {
    *error = QStringLiteral("%1: %2").arg(
        host, QString::fromLocal8Bit(gai_strerror(gai)));
    return -1;
  }
  int fd = -1;
  for (addrinfo *a = list; a; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      *error = errnoText("socket");
      continue;
    }
    int r;
    do
      r = ::connect(fd, a->ai_addr, a->ai_addrlen);
    while (r < 0 && errno == EINTR);
    if (r == 0)
      break;
    *error = errnoText("connect");
    ::close(fd);
    fd = -1;
  }
  ::freeaddrinfo(list);
  if (fd >= 0) {
    // Replies and small requests must not wait for Nagle's algorithm.
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  return fd;
}

int openSerialDevice(const QString &path, QString *error) {
  const int fd =
      ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    *error = errnoText(path.toLocal8Bit().constData());
    return -1;
  }
  termios t{};
  if (::tcgetattr(fd, &t) != 0) {
    *error = errnoText("tcgetattr");
    ::close(fd);
    return -1;
  }
  makeRaw(t);
  if (::tcsetattr(fd, TCSANOW, &t) != 0) {
    *error = errnoText("tcsetattr");
    ::close(fd);
    return -1;
  }
  return fd;
}

int openPtyMaster(QString *slavePath, QString *error) {
  int master = -1;
  int slave = -1;
  char name[256] = {};
  if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
    *error = errnoText("openpty");
    return -1;
  }
  termios t{};
  ::tcgetattr(slave, &t);
  makeRaw(t);
  ::tcsetattr(slave, TCSANOW, &t);
  ::close(slave);
  ::fcntl(master, F_SETFD, FD_CLOEXEC);
  *slavePath = QString::fromLocal8Bit(name);
  return master;
}

} // namespace phonesim
