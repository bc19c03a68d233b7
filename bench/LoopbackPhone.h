#pragma once
// A phone's side of the TCP link in a few blocking calls, for the
// benchmarks: connect over loopback, write the little-endian integers of a
// request, read the PC's replies. Replies are bounded before anything is
// allocated for them.

#include <QByteArray>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace loopback {

// The largest queue a reply may carry before the bench calls it garbage.
constexpr qint32 kMaxReplyBytes = 1 << 20;

// A blocking socket connected to 127.0.0.1:port, -1 on failure. Requests
// leave at once (TCP_NODELAY); recvTimeoutSeconds > 0 bounds every read.
inline int connectTo(int port, int recvTimeoutSeconds = 0) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  if (recvTimeoutSeconds > 0) {
    timeval tv{recvTimeoutSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  }
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(uint16_t(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

inline bool readExact(int fd, void *buf, size_t n) {
  char *p = static_cast<char *>(buf);
  while (n > 0) {
    const ssize_t got = ::recv(fd, p, n, 0);
    if (got <= 0)
      return false;
    p += got;
    n -= size_t(got);
  }
  return true;
}

inline qint32 readInt(int fd, bool *ok) {
  uchar b[4] = {};
  *ok = readExact(fd, b, 4) && *ok;
  return qFromLittleEndian<qint32>(b);
}

inline void appendInt(QByteArray &out, qint32 value) {
  uchar b[4];
  qToLittleEndian(value, b);
  out.append(reinterpret_cast<const char *>(b), 4);
}

inline bool sendAll(int fd, const QByteArray &bytes) {
  return ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) ==
         bytes.size();
}

// Reads one reply of the PC: 11, 0 or 13, n, n bytes. The number of queue
// bytes it carried, or -1 on a failure or a reply that is neither.
inline int readReply(int fd) {
  bool ok = true;
  const qint32 code = readInt(fd, &ok);
  const qint32 n = readInt(fd, &ok);
  if (!ok)
    return -1;
  if (code == 11)
    return 0;
  if (code != 13 || n < 0 || n > kMaxReplyBytes)
    return -1;
  std::vector<char> bytes(static_cast<size_t>(n));
  return n == 0 || readExact(fd, bytes.data(), size_t(n)) ? n : -1;
}

// The authentication request of a phone whose identity is id (8 bytes).
inline QByteArray authRequest(const QByteArray &id) {
  QByteArray auth;
  for (qint32 v : {12, 0, 0})
    appendInt(auth, v);
  return auth + id.left(8);
}

// Says goodbye (15) and closes.
inline void sayGoodbye(int fd) {
  const char discon[4] = {15, 0, 0, 0};
  ::send(fd, discon, 4, MSG_NOSIGNAL);
  ::close(fd);
}

} // namespace loopback
