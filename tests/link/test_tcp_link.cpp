// The TCP link spoken to byte for byte by a test phone.
#include "common/EventLog.h"
#include "link/CommandQueue.h"
#include "link/RecordingView.h"
#include "link/TcpLink.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QtEndian>
#include <arpa/inet.h>
#include <atomic>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <iostream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QByteArray hex(const char *hex) { return QByteArray::fromHex(hex); }

QByteArray int32(qint32 v) {
  QByteArray b(4, 0);
  qToLittleEndian(v, b.data());
  return b;
}

// A blocking client standing in for the phone, with time-outs on reads.
class Phone {
public:
  explicit Phone(int port) {
    m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(uint16_t(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    m_ok =
        ::connect(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
  }
  ~Phone() { ::close(m_fd); }
  bool ok() const { return m_ok; }
  void send(const QByteArray &bytes) {
    ASSERT_EQ(::send(m_fd, bytes.constData(), bytes.size(), MSG_NOSIGNAL),
              bytes.size());
  }
  // Reads exactly n bytes, or what came before the peer closed / time-out.
  QByteArray read(int n, int timeoutMs = 3000) {
    QByteArray out;
    QElapsedTimer t;
    t.start();
    while (out.size() < n && t.elapsed() < timeoutMs) {
      pollfd p{m_fd, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0)
        continue;
      char buf[4096];
      const ssize_t got =
          ::recv(m_fd, buf, size_t(qMin<int>(n - out.size(), 4096)), 0);
      if (got <= 0)
        break;
      out.append(buf, got);
    }
    return out;
  }
  // True when the PC closed the connection (EOF within the time-out).
  bool closedByPeer(int timeoutMs = 3000) {
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
      return false;
    char c;
    return ::recv(m_fd, &c, 1, 0) == 0;
  }
  // True when nothing arrives within the time.
  bool silent(int ms) {
    pollfd p{m_fd, POLLIN, 0};
    return ::poll(&p, 1, ms) == 0;
  }

private:
  int m_fd = -1;
  bool m_ok = false;
};

class TcpLinkTest : public ::testing::Test {
protected:
  void SetUp() override {
    EventLog::instance().setFilePath(dir.file("quorvane.log"));
    EventLog::instance().setOn(LogSwitch::Commands, true);
    queue.queueClear();
    server.open(0);
    ASSERT_TRUE(server.active());
  }
  void TearDown() override {
    server.close();
    EventLog::instance().setOn(LogSwitch::Commands, false);
  }
  QList<QByteArray> logMessages() {
    QFile f(EventLog::instance().filePath());
    f.open(QIODevice::ReadOnly);
    QList<QByteArray> out;
    for (const QByteArray &line : f.readAll().split('\n'))
      if (!line.isEmpty())
        out.append(line.mid(line.indexOf(' ') + 1).chopped(1));
    return out;
  }
  static int countContaining(const QList<QByteArray> &lines, const char *part) {
    return int(
        std::count_if(lines.begin(), lines.end(),
                      [&](const QByteArray &l) { return l.contains(part); }));
  }
  bool waitFor(const std::function<bool()> &cond) {
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < 3000)
      QThread::msleep(2);
    return cond();
  }

  ScopedTempDir dir;
  RecordingView view;
  CommandQueue queue;
  TcpLink server{view, queue};
};

} // namespace

TEST_F(TcpLinkTest, GetCommandIsAnsweredWithNopOrTheQueuedEntries) {
  Phone phone(server.boundPort());
  ASSERT_TRUE(phone.ok());
  phone.send(int32(13));
  EXPECT_EQ(phone.read(8), hex("0b00000000000000"));

  queue.putKeyCode(0x0130);
  phone.send(int32(13));
  EXPECT_EQ(phone.read(10), hex("0d000000020000003001"));
  phone.send(int32(13));
  EXPECT_EQ(phone.read(8), hex("0b00000000000000"));
  EXPECT_TRUE(phone.silent(50));
  EXPECT_EQ(queue.size(), 0);
  EXPECT_GE(view.idle.load(), 1); // the connect handler lit the LED
}

TEST_F(TcpLinkTest, ShortGetScreenAndNopTrailingValue) {
  Phone phone(server.boundPort());
  // L = 8 and a negative L end the request after the length.
  phone.send(int32(14) + int32(8));
  EXPECT_EQ(phone.read(8), hex("0b00000000000000"));
  phone.send(int32(14) + int32(-5));
  EXPECT_EQ(phone.read(8), hex("0b00000000000000"));
  // The next four bytes are the next request code.
  phone.send(int32(13));
  EXPECT_EQ(phone.read(8), hex("0b00000000000000"));

  // NOP: the PC answers first, then waits for the trailing value.
  phone.send(int32(11));
  EXPECT_EQ(phone.read(8), hex("0b00000000000000"));
  queue.putKeyCode(0x0131);
  phone.send(int32(77)); // the trailing value, sent only now
  phone.send(int32(13));
  EXPECT_EQ(phone.read(10), hex("0d000000020000003101"));
  EXPECT_TRUE(view.tiles().isEmpty());
}

TEST_F(TcpLinkTest, GetAuthShowsTheModelAndScramblesLaterEntries) {
  Phone phone(server.boundPort());
  phone.send(int32(12) + int32(1) + int32(2) + hex("0102030405060708"));
  EXPECT_EQ(phone.read(8), hex("0b00000000000000"));
  EXPECT_EQ(view.identities(), QList<QByteArray>{"04030201"});
  const PhoneId id = queue.phoneId();
  EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(id.data()) + 4, 4),
            hex("05060708"));
  queue.putKeyCode(0x0130); // 0x30^06^08, 0x01^05^07
  phone.send(int32(13));
  EXPECT_EQ(phone.read(10), hex("0d000000020000003e03"));
}

TEST_F(TcpLinkTest, TilesAreHandedOverBeforeTheReply) {
  Phone phone(server.boundPort());
  const QByteArray tile = QByteArray("\xFF\xD8 tile bytes", 13);
  phone.send(int32(14) + int32(tile.size()) + int32(10) + int32(-20) + tile);
  EXPECT_EQ(phone.read(8), hex("0b00000000000000"));
  const auto tiles = view.tiles();
  ASSERT_EQ(tiles.size(), 1);
  EXPECT_EQ(tiles[0].data, tile);
  EXPECT_EQ(tiles[0].x, 10);
  EXPECT_EQ(tiles[0].y, -20);
  EXPECT_EQ(view.restarts.load(), 1);
}

TEST_F(TcpLinkTest, DisconClosesWithoutReplyAndClearsTheQueue) {
  Phone phone(server.boundPort());
  ASSERT_TRUE(waitFor([&] { return server.phoneConnected(); }));
  queue.putKeyCode(0x0135);
  phone.send(int32(15));
  EXPECT_TRUE(phone.closedByPeer());
  ASSERT_TRUE(waitFor([&] { return !server.phoneConnected(); }));
  EXPECT_EQ(queue.size(), 0);

  // An unknown code closes too; the listener takes the next phone.
  Phone next(server.boundPort());
  next.send(int32(99));
  EXPECT_TRUE(next.closedByPeer());
  ASSERT_TRUE(waitFor([&] { return !server.phoneConnected(); }));

  const QList<QByteArray> log = logMessages();
  EXPECT_TRUE(log.contains("resv: Discon"));
  EXPECT_TRUE(log.contains("resv: other"));
  EXPECT_EQ(countContaining(log, "DisConnect"), 2);
  EXPECT_EQ(countContaining(log, "Connected"), 2);
}

TEST_F(TcpLinkTest, SecondPhoneIsRefusedWithoutDisturbingTheFirst) {
  Phone first(server.boundPort());
  ASSERT_TRUE(waitFor([&] { return server.phoneConnected(); }));
  Phone second(server.boundPort());
  EXPECT_TRUE(second.closedByPeer()); // closed at once, no byte sent
  first.send(int32(13));
  EXPECT_EQ(first.read(8), hex("0b00000000000000"));
}

TEST_F(TcpLinkTest, UndecodableTileEndsOnlyThatConnection) {
  view.throwOnTile = true;
  Phone phone(server.boundPort());
  const QByteArray tile = "G\xFF\xD8\xFF not a gif at all";
  phone.send(int32(14) + int32(tile.size()) + int32(0) + int32(0) + tile);
  EXPECT_TRUE(phone.closedByPeer());
  ASSERT_TRUE(waitFor([&] { return !server.phoneConnected(); }));
  EXPECT_TRUE(logMessages().contains(RecordingView::kDecodeError));
  Phone next(server.boundPort());
  next.send(int32(13));
  EXPECT_EQ(next.read(8), hex("0b00000000000000"));
}

TEST_F(TcpLinkTest, HugeAnnouncedTileClosesWithoutAllocating) {
  Phone phone(server.boundPort());
  phone.send(int32(14) + int32(0x7FFFFFF0) + int32(0) + int32(0));
  EXPECT_TRUE(phone.closedByPeer());
  ASSERT_TRUE(waitFor([&] { return !server.phoneConnected(); }));
  EXPECT_EQ(countContaining(logMessages(), "exceeds the limit"), 1);
  EXPECT_TRUE(view.tiles().isEmpty());
}

TEST_F(TcpLinkTest, CloseEndsAHalfReceivedRequestAndThePortCanBeReused) {
  auto phone = std::make_unique<Phone>(server.boundPort());
  phone->send(int32(14) + int32(100) + int32(0)); // stops in the middle
  ASSERT_TRUE(waitFor([&] { return server.phoneConnected(); }));
  queue.putKeyCode(0x0130);
  QElapsedTimer t;
  t.start();
  const int port = server.boundPort();
  server.close();
  EXPECT_LT(t.elapsed(), 2000);
  EXPECT_FALSE(server.phoneConnected());
  EXPECT_EQ(queue.size(), 0); // the disconnect handling ran

  // The same port binds again; a second listener on it is refused.
  server.open(port);
  TcpLink other(view, queue);
  try {
    other.open(port);
    FAIL() << "bound twice";
  } catch (const TcpBindError &e) {
    EXPECT_STREQ(e.what(),
                 "Could not bind socket. Address and port are already in use.");
  }
  EXPECT_FALSE(other.active());
}

TEST_F(TcpLinkTest, NothingIsLoggedWhileTheSwitchIsOff) {
  EventLog::instance().setOn(LogSwitch::Commands, false);
  Phone phone(server.boundPort());
  phone.send(int32(13));
  EXPECT_EQ(phone.read(8), hex("0b00000000000000"));
  phone.send(int32(15));
  EXPECT_TRUE(phone.closedByPeer());
  ASSERT_TRUE(waitFor([&] { return !server.phoneConnected(); }));
  EXPECT_FALSE(QFile::exists(EventLog::instance().filePath()));
}

TEST_F(TcpLinkTest, UnknownPhoneIsServedOnlyOnceAllowed) {
  PhoneGate gate;
  gate.setPolicy(true, {});
  server.close();
  server.setGate(&gate);
  server.open(0);
  const QByteArray nop = hex("0b00000000000000");
  Phone phone(server.boundPort());
  ASSERT_TRUE(phone.ok());
  queue.putKeyCode(0x0130);
  // Before it identifies itself: empty replies, the key stays queued, the
  // tile is not drawn.
  phone.send(int32(13));
  EXPECT_EQ(phone.read(8), nop);
  phone.send(int32(14) + int32(9) + int32(0) + int32(0) + QByteArray(9, 'J'));
  EXPECT_EQ(phone.read(8), nop);
  // An unknown block: the user is asked; still nothing is served.
  phone.send(int32(12) + int32(0) + int32(0) + hex("0102030405060708"));
  EXPECT_EQ(phone.read(8), nop);
  ASSERT_EQ(view.asked().size(), 1);
  phone.send(int32(13));
  EXPECT_EQ(phone.read(8), nop);
  EXPECT_EQ(queue.size(), 2);
  EXPECT_TRUE(view.tiles().isEmpty());
  EXPECT_TRUE(view.identities().isEmpty());

  // Allowed: the identification it sent takes effect, then keys flow.
  ASSERT_TRUE(gate.allow(view.asked()[0]));
  phone.send(int32(13));
  EXPECT_EQ(phone.read(10), hex("0d000000020000003001"));
  EXPECT_EQ(view.identities(), QList<QByteArray>({"04030201"}));

  // The next connection is asked about again; refused, it is closed.
  server.dropPhone(gate.connection());
  EXPECT_TRUE(phone.closedByPeer());
  ASSERT_TRUE(waitFor([&] { return !server.phoneConnected(); }));
  Phone second(server.boundPort());
  ASSERT_TRUE(second.ok());
  second.send(int32(12) + int32(0) + int32(0) + hex("0102030405060708"));
  EXPECT_EQ(second.read(8), nop);
  ASSERT_EQ(view.asked().size(), 2);
  EXPECT_FALSE(gate.allow(view.asked()[0])); // an answer for the old one
  ASSERT_TRUE(gate.refuse(view.asked()[1]));
  server.dropPhone(view.asked()[1]);
  EXPECT_TRUE(second.closedByPeer());
  server.close();
  server.setGate(nullptr);
}

TEST_F(TcpLinkTest, PeerAndFiguresAreKept) {
  LinkStats stats;
  server.close();
  server.setStats(&stats);
  server.open(0);
  Phone phone(server.boundPort());
  ASSERT_TRUE(phone.ok());
  ASSERT_TRUE(waitFor([&] { return !view.peers().isEmpty(); }));
  const QString peer = view.peers().first();
  EXPECT_TRUE(peer.startsWith("127.0.0.1:")) << peer.toStdString();
  EXPECT_EQ(server.peerAddress(), peer);
  phone.send(int32(13));
  phone.read(8);
  phone.send(int32(14) + int32(9) + int32(0) + int32(0) +
             QByteArray("GIF89a..."));
  phone.read(8);
  phone.send(int32(15));
  EXPECT_TRUE(phone.closedByPeer());
  ASSERT_TRUE(waitFor([&] { return view.peers().size() == 2; }));
  EXPECT_EQ(view.peers().last(), QString()); // gone
  const LinkCounters c = stats.read();
  EXPECT_EQ(c.requests, 3);
  EXPECT_EQ(c.tiles, 1);
  EXPECT_EQ(c.bytesIn, 4 + 25 + 4);
  EXPECT_EQ(c.bytesOut, 16);
  EXPECT_EQ(c.roundTrips, 2);
  EXPECT_TRUE(logMessages().contains("Phone at " + peer.toLatin1()));
  server.close();
  server.setStats(nullptr);
}

namespace {

// An IPv4 address of this machine other than loopback, if it has one.
QByteArray otherAddress() {
  ifaddrs *list = nullptr;
  if (::getifaddrs(&list) != 0)
    return {};
  QByteArray found;
  for (ifaddrs *i = list; i && found.isEmpty(); i = i->ifa_next)
    if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET) {
      const auto *a = reinterpret_cast<sockaddr_in *>(i->ifa_addr);
      if ((ntohl(a->sin_addr.s_addr) >> 24) != 127) {
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &a->sin_addr, text, sizeof text);
        found = text;
      }
    }
  ::freeifaddrs(list);
  return found;
}

bool connects(int family, const char *address, int port) {
  const int fd = ::socket(family, SOCK_STREAM, 0);
  sockaddr_storage s{};
  socklen_t length = 0;
  if (family == AF_INET) {
    auto *a = reinterpret_cast<sockaddr_in *>(&s);
    a->sin_family = AF_INET;
    a->sin_port = htons(uint16_t(port));
    ::inet_pton(AF_INET, address, &a->sin_addr);
    length = sizeof *a;
  } else {
    auto *a = reinterpret_cast<sockaddr_in6 *>(&s);
    a->sin6_family = AF_INET6;
    a->sin6_port = htons(uint16_t(port));
    ::inet_pton(AF_INET6, address, &a->sin6_addr);
    length = sizeof *a;
  }
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&s), length) == 0;
  ::close(fd);
  return ok;
}

} // namespace

TEST_F(TcpLinkTest, ListenAddressLimitsWhereThePhoneMayConnect) {
  server.close();
  server.open(0, "127.0.0.1");
  EXPECT_TRUE(connects(AF_INET, "127.0.0.1", server.boundPort()));
  const QByteArray other = otherAddress();
  if (!other.isEmpty()) {
    EXPECT_FALSE(connects(AF_INET, other.constData(), server.boundPort()));
  }
  server.close();

  try {
    server.open(0, "::1");
    EXPECT_TRUE(connects(AF_INET6, "::1", server.boundPort()));
    EXPECT_TRUE(waitFor([&] {
      const QStringList peers = view.peers();
      return std::any_of(peers.begin(), peers.end(), [](const QString &p) {
        return p.startsWith("[::1]:");
      });
    }));
    server.close();
  } catch (const TcpBindError &e) {
    // A machine without IPv6 cannot bind it; say so rather than fail.
    std::cout << "no IPv6 loopback here: " << e.what() << "\n";
  }

  try {
    server.open(0, "not-an-address");
    ADD_FAILURE() << "an invalid address was accepted";
  } catch (const TcpBindError &e) {
    EXPECT_NE(std::string(e.what()).find("not-an-address"), std::string::npos);
  }
  EXPECT_FALSE(server.active());
  server.open(0); // setUp's state for tearDown
}

TEST_F(TcpLinkTest, IdlePeersAreClosedSoThePhoneGetsIn) {
  std::atomic<qint64> now{1000000};
  server.close();
  server.setClock([&] { return now.load(); });
  server.open(0);
  const QByteArray nop = hex("0b00000000000000");

  // A peer that says nothing, or a byte now and then, holds the one place
  // only until it should have identified itself.
  Phone idle(server.boundPort());
  idle.send(hex("0c"));
  ASSERT_TRUE(waitFor([&] { return server.phoneConnected(); }));
  now += 4999;
  EXPECT_FALSE(idle.closedByPeer(50));
  now += 1;
  EXPECT_TRUE(idle.closedByPeer());
  ASSERT_TRUE(waitFor([&] { return !server.phoneConnected(); }));

  // An identified phone may pause for up to a minute after each request.
  Phone phone(server.boundPort());
  phone.send(int32(12) + int32(0) + int32(0) + hex("0102030405060708"));
  EXPECT_EQ(phone.read(8), nop);
  now += 59999;
  phone.send(int32(13));
  EXPECT_EQ(phone.read(8), nop);
  now += 59999;
  EXPECT_FALSE(phone.closedByPeer(50));
  now += 1;
  EXPECT_TRUE(phone.closedByPeer());
  ASSERT_TRUE(waitFor([&] { return !server.phoneConnected(); }));

  const QList<QByteArray> log = logMessages();
  EXPECT_EQ(countContaining(log, "No identification within 5 s"), 1);
  EXPECT_EQ(countContaining(log, "Nothing received for 60 s"), 1);

  // A burst of connection attempts finds room to wait in the listener's
  // queue (for a listening socket, TCP_INFO gives its limit as tcpi_sacked).
  int backlog = -1;
  for (int fd = 0; fd < 1024 && backlog < 0; ++fd) {
    sockaddr_in a{};
    tcp_info info{};
    socklen_t length = sizeof a, infoSize = sizeof info;
    if (::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &length) == 0 &&
        a.sin_family == AF_INET && ntohs(a.sin_port) == server.boundPort() &&
        ::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &infoSize) == 0 &&
        info.tcpi_state == TCP_LISTEN)
      backlog = int(info.tcpi_sacked);
  }
  EXPECT_GE(backlog, 128);
  server.close();
  server.setClock({});
}
