#include "link/SrvFunctions.h"

#include "common/EventLog.h"
#include "link/CommandQueue.h"
#include "link/LinkView.h"

#include <QtEndian>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The connection ended; carries the message the exception handler logs.
class ConnectionClosed : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Ends the request loop without an error (Discon, unknown request).
struct CloseRequested {};

void SetSocketOptions(int fd) {
  const int on = 1;
  // The NOP reply goes out as two 4-byte writes: without TCP_NODELAY it
  // stalls behind Nagle's algorithm and the phone's delayed ACK.
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  // A phone that vanishes without closing is noticed within about a minute.
  setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  const int idle = 30, interval = 5, count = 6;
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

QByteArray ErrnoText(int error) { return QByteArray(std::strerror(error)); }

} // namespace

TIdTCPServer::TIdTCPServer(ILinkView &view, TCommandQueue &queue)
    : m_view(view), m_queue(queue) {}

TIdTCPServer::~TIdTCPServer() { Close(); }

void TIdTCPServer::Open(int port) {
  if (Active())
    return;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    throw TcpBindError("Could not create socket. " +
                       ErrnoText(errno).toStdString());
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (port < 0 || port > 65535 ||
      ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
      ::listen(fd, 4) != 0) {
    const int error = port < 0 || port > 65535 ? EINVAL : errno;
    ::close(fd);
    if (error == EADDRINUSE)
      throw TcpBindError(
          "Could not bind socket. Address and port are already in use.");
    throw TcpBindError("Could not bind socket. " +
                       ErrnoText(error).toStdString());
  }
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
  m_boundPort = ntohs(addr.sin_port);
  if (::pipe2(m_wakePipe, O_CLOEXEC) != 0) {
    ::close(fd);
    throw TcpBindError("Could not start the listener. " +
                       ErrnoText(errno).toStdString());
  }
  m_listenFd = fd;
  m_stopping = false;
  m_listenThread = std::thread(&TIdTCPServer::ListenLoop, this);
}

void TIdTCPServer::Close() {
  if (!Active())
    return;
  m_stopping = true;
  const char wake = 1;
  (void)!::write(m_wakePipe[1], &wake, 1);
  if (m_listenThread.joinable())
    m_listenThread.join();
  {
    std::lock_guard lock(m_connLock);
    if (m_connFd >= 0)
      ::shutdown(m_connFd, SHUT_RDWR); // unblocks the connection thread
  }
  if (m_connThread.joinable())
    m_connThread.join();
  ::close(m_listenFd);
  ::close(m_wakePipe[0]);
  ::close(m_wakePipe[1]);
  m_listenFd = -1;
  m_wakePipe[0] = m_wakePipe[1] = -1;
}

void TIdTCPServer::ListenLoop() {
  pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
  while (!m_stopping) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR)
        continue;
      try {
        IdTCPServerListenException(ErrnoText(errno));
      } catch (...) {
      }
      break;
    }
    if (fds[1].revents)
      break;
    if (!(fds[0].revents & POLLIN))
      continue;
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno != EINTR && errno != EAGAIN && errno != ECONNABORTED) {
        try {
          IdTCPServerListenException(ErrnoText(errno));
        } catch (...) {
        }
      }
      continue;
    }
    if (m_connected) {
      ::close(fd); // one phone at a time: refused without a byte
      continue;
    }
    if (m_connThread.joinable())
      m_connThread.join(); // the previous phone's thread has finished
    SetSocketOptions(fd);
    {
      std::lock_guard lock(m_connLock);
      m_connFd = fd;
    }
    m_connected = true;
    m_connThread = std::thread(&TIdTCPServer::ServeConnection, this, fd);
  }
}

void TIdTCPServer::ServeConnection(int fd) {
  try {
    IdTCPServerConnect();
    while (IdTCPServerExecute()) {
    }
  } catch (const std::exception &e) {
    try {
      IdTCPServerException(QByteArray(e.what()));
    } catch (...) {
    }
  }
  {
    std::lock_guard lock(m_connLock);
    ::close(fd);
    m_connFd = -1;
  }
  try {
    IdTCPServerDisconnect();
  } catch (...) {
    QueueClear();
  }
  m_connected = false;
}

void TIdTCPServer::ReadExact(void *buffer, qsizetype size) {
  char *p = static_cast<char *>(buffer);
  while (size > 0) {
    const ssize_t n = ::recv(m_connFd, p, size_t(size), 0);
    if (n > 0) {
      p += n;
      size -= n;
    } else if (n == 0) {
      throw ConnectionClosed("Connection Closed Gracefully.");
    } else if (errno != EINTR) {
      throw ConnectionClosed("Socket Error # " + std::to_string(errno) +
                             "\r\n" + std::strerror(errno));
    }
  }
}

qint32 TIdTCPServer::ReadInt() {
  uchar b[4];
  ReadExact(b, 4);
  return qFromLittleEndian<qint32>(b);
}

void TIdTCPServer::WriteAll(const void *data, qsizetype size, int flags) {
  const char *p = static_cast<const char *>(data);
  while (size > 0) {
    const ssize_t n = ::send(m_connFd, p, size_t(size), MSG_NOSIGNAL | flags);
    if (n > 0) {
      p += n;
      size -= n;
    } else if (n < 0 && errno != EINTR) {
      throw ConnectionClosed("Socket Error # " + std::to_string(errno) +
                             "\r\n" + std::strerror(errno));
    }
  }
}

void TIdTCPServer::SendCommandReply() {
  QMutexLocker lock(&m_queue.Lock());
  const QByteArray bytes = m_queue.Bytes();
  if (bytes.isEmpty()) {
    WriteLog("send: NOP", LogCommands);
    uchar code[4], zero[4];
    qToLittleEndian<qint32>(11, code);
    qToLittleEndian<qint32>(0, zero);
    // Two writes of four bytes; MSG_MORE lets them leave in one segment.
    WriteAll(code, 4, MSG_MORE);
    WriteAll(zero, 4);
    return;
  }
  WriteLog("send: ConnComand", LogCommands);
  QByteArray reply(8, Qt::Uninitialized);
  qToLittleEndian<qint32>(13, reply.data());
  qToLittleEndian<qint32>(qint32(bytes.size()), reply.data() + 4);
  reply.append(bytes);
  WriteAll(reply.constData(), reply.size());
  m_queue.QueueClear();
}

void TIdTCPServer::IdTCPServerConnect() {
  m_view.ShowLinkIdle();
  WriteLog(LogDate() + " Connected", LogCommands);
}

bool TIdTCPServer::IdTCPServerExecute() {
  const qint32 code = ReadInt();
  switch (code) {
  case 11: // NOP: the trailing value is read after the reply
    WriteLog("resv: NOP", LogCommands);
    SendCommandReply();
    ReadInt();
    return true;
  case 12: { // GetAuth
    WriteLog("resv: GetAuth", LogCommands);
    ReadInt();
    ReadInt();
    TPhoneId id;
    ReadExact(id.data(), 8);
    m_queue.SetPhoneId(id);
    m_view.ShowPhoneIdentity(ModelCodeOf(id.data()));
    SendCommandReply();
    return true;
  }
  case 13: // GetCommand
    WriteLog("resv: GetCommand", LogCommands);
    WriteLog("recv: GetComand", LogCommands);
    SendCommandReply();
    return true;
  case 14: { // GetScreen
    WriteLog("resv: GetScreen", LogCommands);
    const qint32 length = ReadInt();
    if (length > 8) {
      const qint32 x = ReadInt();
      const qint32 y = ReadInt();
      if (length > MaxTileLength)
        throw ConnectionClosed("Tile length " + std::to_string(length) +
                               " exceeds the limit; connection closed.");
      QByteArray data(length, Qt::Uninitialized);
      ReadExact(data.data(), length);
      m_view.DrawTile(data, x, y);
      m_view.RestartActivityTimer();
    }
    SendCommandReply();
    return true;
  }
  case 15:
    WriteLog("resv: Discon", LogCommands);
    return false;
  default:
    WriteLog("resv: other", LogCommands);
    return false;
  }
}

void TIdTCPServer::IdTCPServerDisconnect() {
  m_queue.QueueClear();
  WriteLog(LogDate() + " DisConnect", LogCommands);
}

void TIdTCPServer::IdTCPServerException(const QByteArray &message) {
  WriteLog(message, LogCommands);
}

void TIdTCPServer::IdTCPServerListenException(const QByteArray &message) {
  WriteLog("onlistenExeption" + message, LogCommands);
}
