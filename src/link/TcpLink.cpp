#include "link/TcpLink.h"

#include "common/EventLog.h"
#include "link/CommandQueue.h"
#include "link/LinkView.h"
#include "link/PhoneGate.h"
#include "link/Protocol.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// The connection ended; carries the message the exception handler logs.
class ConnectionClosed : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Ends the request loop without an error (Discon, unknown request).
struct CloseRequested {};

void setSocketOptions(int fd, int sendTimeoutMs) {
  const int on = 1;
  // Every reply leaves at once: a small write must not wait behind
  // Nagle's algorithm for the phone's delayed ACK.
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  // A phone that vanishes without closing is noticed within about a minute.
  setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  const int idle = 30, interval = 5, count = 6;
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
  // A phone that stops reading fills the socket; a send that finds no room
  // for this long fails instead of blocking the connection for ever.
  timeval timeout{sendTimeoutMs / 1000, (sendTimeoutMs % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

// Bytes read from the socket at a time; a tile longer than this arrives in
// several reads.
constexpr size_t kReceiveChunk = 64 * 1024;

QByteArray errnoText(int error) { return QByteArray(std::strerror(error)); }

// "1.2.3.4:5" or "[::1]:5".
QString peerText(const sockaddr_storage &peer) {
  char host[INET6_ADDRSTRLEN] = {};
  if (peer.ss_family == AF_INET) {
    const auto &a = reinterpret_cast<const sockaddr_in &>(peer);
    ::inet_ntop(AF_INET, &a.sin_addr, host, sizeof host);
    return QStringLiteral("%1:%2")
        .arg(QLatin1String(host))
        .arg(ntohs(a.sin_port));
  }
  if (peer.ss_family == AF_INET6) {
    const auto &a = reinterpret_cast<const sockaddr_in6 &>(peer);
    ::inet_ntop(AF_INET6, &a.sin6_addr, host, sizeof host);
    return QStringLiteral("[%1]:%2")
        .arg(QLatin1String(host))
        .arg(ntohs(a.sin6_port));
  }
  return QString();
}

qint64 steadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Connections waiting to be accepted: a burst of connection attempts (a
// port scan, say) must not leave the phone's in the SYN queue's retries.
constexpr int kListenBacklog = SOMAXCONN;

// The longest wait of a connection when the clock is the real one: each
// wait ends at the next time limit anyway.
constexpr int kUnboundedSliceMs = std::numeric_limits<int>::max();

// All the queue's keys in each reply, no terminator; a phone the user
// refused is closed; a tile that cannot be decoded ends the connection.
const ReplyStyle kTcpReplies{0,     0,           true,
                             false, "send: NOP", "send: ConnComand"};

} // namespace

TcpLink::TcpLink(LinkView &view, CommandQueue &queue)
    : m_view(view), m_queue(queue), m_sendTimeoutMs(Protocol::kSendTimeoutMs),
      m_session(queue, &view, kTcpReplies), m_clock(steadyMs),
      m_clockSliceMs(kUnboundedSliceMs) {}

void TcpLink::setClock(Clock clock) {
  m_clockSliceMs = clock ? 5 : kUnboundedSliceMs;
  m_clock = clock ? std::move(clock) : Clock(steadyMs);
}

TcpLink::~TcpLink() { close(); }

void TcpLink::open(int port, const QString &address) {
  if (active())
    return;
  // Every IPv4 address unless one address is given.
  sockaddr_storage storage{};
  socklen_t length = sizeof(sockaddr_in);
  int family = AF_INET;
  auto *v4 = reinterpret_cast<sockaddr_in *>(&storage);
  auto *v6 = reinterpret_cast<sockaddr_in6 *>(&storage);
  v4->sin_family = AF_INET;
  v4->sin_addr.s_addr = htonl(INADDR_ANY);
  const QByteArray text = address.trimmed().toLatin1();
  if (!text.isEmpty() &&
      ::inet_pton(AF_INET, text.constData(), &v4->sin_addr) != 1) {
    family = AF_INET6;
    length = sizeof(sockaddr_in6);
    storage = {};
    v6->sin6_family = AF_INET6;
    if (::inet_pton(AF_INET6, text.constData(), &v6->sin6_addr) != 1)
      throw TcpBindError("Could not bind socket. \"" + text.toStdString() +
                         "\" is not an IPv4 or IPv6 address.");
  }
  if (port < 0 || port > 65535)
    throw TcpBindError("Could not bind socket. " +
                       errnoText(EINVAL).toStdString());
  if (family == AF_INET)
    v4->sin_port = htons(static_cast<uint16_t>(port));
  else
    v6->sin6_port = htons(static_cast<uint16_t>(port));

  const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    throw TcpBindError("Could not create socket. " +
                       errnoText(errno).toStdString());
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (family == AF_INET6)
    setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  if (::bind(fd, reinterpret_cast<sockaddr *>(&storage), length) != 0 ||
      ::listen(fd, kListenBacklog) != 0) {
    const int error = errno;
    ::close(fd);
    if (error == EADDRINUSE)
      throw TcpBindError(
          "Could not bind socket. Address and port are already in use.");
    throw TcpBindError("Could not bind socket. " +
                       errnoText(error).toStdString());
  }
  socklen_t bound = sizeof storage;
  ::getsockname(fd, reinterpret_cast<sockaddr *>(&storage), &bound);
  m_boundPort = ntohs(family == AF_INET ? v4->sin_port : v6->sin6_port);
  if (::pipe2(m_wakePipe, O_CLOEXEC) != 0) {
    ::close(fd);
    throw TcpBindError("Could not start the listener. " +
                       errnoText(errno).toStdString());
  }
  m_listenFd = fd;
  m_stopping = false;
  m_listenThread = std::thread(&TcpLink::listenLoop, this);
}

QString TcpLink::peerAddress() const {
  std::lock_guard lock(m_connLock);
  return m_peer;
}

void TcpLink::dropPhone(quint64 connection) {
  if (connection != m_session.gate().connection())
    return;
  std::lock_guard lock(m_connLock);
  if (m_connFd >= 0)
    ::shutdown(m_connFd, SHUT_RDWR);
}

void TcpLink::close() {
  if (!active())
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

void TcpLink::listenLoop() {
  pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
  while (!m_stopping) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR)
        continue;
      try {
        idTCPServerListenException(errnoText(errno));
      } catch (...) {
      }
      break;
    }
    if (fds[1].revents)
      break;
    if (!(fds[0].revents & POLLIN))
      continue;
    sockaddr_storage peer{};
    socklen_t peerLength = sizeof peer;
    const int fd = ::accept4(m_listenFd, reinterpret_cast<sockaddr *>(&peer),
                             &peerLength, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno != EINTR && errno != EAGAIN && errno != ECONNABORTED) {
        try {
          idTCPServerListenException(errnoText(errno));
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
    setSocketOptions(fd, m_sendTimeoutMs);
    {
      std::lock_guard lock(m_connLock);
      m_connFd = fd;
      m_peer = peerText(peer);
    }
    // The time limits count from here.
    const qint64 acceptedMs = m_clock();
    m_connected = true;
    m_connThread = std::thread(&TcpLink::serveConnection, this, fd, acceptedMs);
  }
}

void TcpLink::serveConnection(int fd, qint64 acceptedMs) {
  try {
    idTCPServerConnect();
    serveRequests(acceptedMs);
  } catch (const std::exception &e) {
    try {
      idTCPServerException(QByteArray(e.what()));
    } catch (...) {
    }
  }
  {
    std::lock_guard lock(m_connLock);
    ::close(fd);
    m_connFd = -1;
    m_peer.clear();
  }
  try {
    idTCPServerDisconnect();
  } catch (...) {
    m_queue.queueClear();
  }
  m_connected = false;
}

void TcpLink::awaitRequestBytes(qint64 acceptedMs, qint64 lastHeardMs) {
  for (;;) {
    const qint64 deadline = m_identified
                                ? lastHeardMs + Protocol::kIdleTimeoutMs
                                : acceptedMs + Protocol::kIdentifyTimeoutMs;
    const qint64 left = deadline - m_clock();
    if (left <= 0) {
      if (m_identified)
        throw ConnectionClosed("Nothing received for " +
                               std::to_string(Protocol::kIdleTimeoutMs / 1000) +
                               " s; connection closed.");
      throw ConnectionClosed(
          "No identification within " +
          std::to_string(Protocol::kIdentifyTimeoutMs / 1000) +
          " s; connection closed.");
    }
    pollfd p{m_connFd, POLLIN, 0};
    const int ready =
        ::poll(&p, 1, int(std::min<qint64>(left, m_clockSliceMs)));
    if (ready > 0)
      return; // bytes, the end of the stream or an error: recv tells
    if (ready < 0 && errno != EINTR)
      throw ConnectionClosed("Socket Error # " + std::to_string(errno) +
                             "\r\n" + std::strerror(errno));
  }
}

void TcpLink::serveRequests(qint64 acceptedMs) {
  m_parser.reset();
  m_identified = false;
  qint64 lastHeardMs = acceptedMs;
  std::vector<char> buffer(kReceiveChunk);
  // Once the phone has identified itself, a read waits by itself, bounded
  // by the socket's receive time-out, instead of a poll before every read:
  // one system call a request instead of two. A wait that runs out is
  // checked against the idle limit, which the first wait after a request
  // can overrun by the time that request took to serve. With a clock of
  // its own the wait is one slice, and the clock is looked at after it.
  const qint64 longestWaitMs =
      std::min<qint64>(Protocol::kIdleTimeoutMs, m_clockSliceMs);
  qint64 receiveTimeoutMs = 0; // 0: not set yet
  for (;;) {
    const bool pollFirst = !m_identified;
    if (pollFirst)
      awaitRequestBytes(acceptedMs, lastHeardMs);
    else if (receiveTimeoutMs == 0)
      setReceiveTimeout(receiveTimeoutMs = longestWaitMs);
    const ssize_t n = ::recv(m_connFd, buffer.data(), buffer.size(), 0);
    if (n == 0)
      throw ConnectionClosed("Connection Closed Gracefully.");
    if (n < 0) {
      if (errno == EINTR)
        continue;
      if (!pollFirst && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        const qint64 left = lastHeardMs + Protocol::kIdleTimeoutMs - m_clock();
        if (left <= 0)
          awaitRequestBytes(acceptedMs, lastHeardMs); // throws
        const qint64 wait = std::min(left, longestWaitMs);
        if (wait != receiveTimeoutMs)
          setReceiveTimeout(receiveTimeoutMs = wait);
        continue;
      }
      throw ConnectionClosed("Socket Error # " + std::to_string(errno) +
                             "\r\n" + std::strerror(errno));
    }
    if (receiveTimeoutMs != 0 && receiveTimeoutMs != longestWaitMs)
      setReceiveTimeout(receiveTimeoutMs = longestWaitMs);
    lastHeardMs = m_clock();
    m_session.received(n);
    const char *p = buffer.data();
    qsizetype left = n;
    while (left > 0) {
      const auto [step, consumed] = m_parser.feed(p, left);
      p += consumed;
      left -= consumed;
      if (step == TcpRequestParser::Step::Refused)
        throw ConnectionClosed(m_parser.error().toStdString());
      if (step == TcpRequestParser::Step::Request &&
          !idTCPServerExecute(m_parser.request()))
        return;
    }
  }
}

void TcpLink::setReceiveTimeout(qint64 ms) {
  const timeval timeout{time_t(ms / 1000), suseconds_t((ms % 1000) * 1000)};
  setsockopt(m_connFd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
}

void TcpLink::writeAll(const void *data, qsizetype size) {
  const char *p = static_cast<const char *>(data);
  while (size > 0) {
    const ssize_t n = ::send(m_connFd, p, size_t(size), MSG_NOSIGNAL);
    if (n > 0) {
      p += n;
      size -= n;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      throw ConnectionClosed(
          "The phone took no data for " +
          QByteArray::number(m_sendTimeoutMs / 1000.0, 'g', 3).toStdString() +
          " s; connection closed.");
    } else if (n < 0 && errno != EINTR) {
      throw ConnectionClosed("Socket Error # " + std::to_string(errno) +
                             "\r\n" + std::strerror(errno));
    }
  }
}

void TcpLink::idTCPServerConnect() {
  m_view.showLinkIdle();
  writeLog(logDate() + " Connected", LogSwitch::Commands);
  const QString peer = peerAddress();
  writeLog("Phone at " + peer.toLatin1(), LogSwitch::Commands);
  m_session.begin(peer);
}

bool TcpLink::idTCPServerExecute(const TcpRequest &request) {
  PhoneRequest phone;
  switch (request.kind) {
  case TcpRequest::Nop:
    // The parser skips the trailing value after this reply.
    writeLog("resv: NOP", LogSwitch::Commands);
    break;
  case TcpRequest::GetAuth:
    writeLog("resv: GetAuth", LogSwitch::Commands);
    m_identified = true;
    phone.kind = PhoneRequest::Kind::Auth;
    phone.id = request.id;
    break;
  case TcpRequest::GetCommand:
    writeLog("resv: GetCommand", LogSwitch::Commands);
    writeLog("recv: GetComand", LogSwitch::Commands);
    break;
  case TcpRequest::GetScreen:
    writeLog("resv: GetScreen", LogSwitch::Commands);
    phone.kind = PhoneRequest::Kind::Screen;
    if (request.hasTile()) {
      // Shared, not copied: the parser's buffer is free again once the
      // request is answered.
      phone.tile = request.tile;
      phone.x = request.x;
      phone.y = request.y;
    }
    break;
  case TcpRequest::Discon:
    writeLog("resv: Discon", LogSwitch::Commands);
    phone.kind = PhoneRequest::Kind::Close;
    break;
  case TcpRequest::Other:
    writeLog("resv: other", LogSwitch::Commands);
    phone.kind = PhoneRequest::Kind::Close;
    break;
  }
  const QByteArray &reply = m_session.handle(phone);
  if (reply.isEmpty())
    return false;
  if (!phone.tile.isEmpty() && m_session.served())
    m_view.restartActivityTimer();
  writeAll(reply.constData(), reply.size());
  return true;
}

void TcpLink::idTCPServerDisconnect() {
  m_view.showPeer(QString());
  // The phone has gone while the listener goes on: the window shows that
  // it waits for the next one.
  if (!m_stopping)
    m_view.showWaitingForPhone();
  m_queue.queueClear();
  writeLog(logDate() + " DisConnect", LogSwitch::Commands);
}

void TcpLink::idTCPServerException(const QByteArray &message) {
  writeLog(message, LogSwitch::Commands);
}

void TcpLink::idTCPServerListenException(const QByteArray &message) {
  writeLog("onlistenExeption" + message, LogSwitch::Commands);
}
