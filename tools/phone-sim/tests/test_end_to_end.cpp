// The real phone-sim executable against a PC side played by the test: a
// small TCP server, or the other end of a pseudo-terminal.

#include "Bytes.h"
#include "KeyCodes.h"
#include "PhoneUi.h"
#include "Wire.h"

#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

using namespace phonesim;

namespace {

// Upper bound for anything the simulator should do; only reached on failure.
constexpr int kPatience = 15000;

// Reads exactly n bytes, or fewer when the peer closes or goes silent.
QByteArray readExact(int fd, int n, int timeoutMs = kPatience) {
  QByteArray out;
  while (out.size() < n) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
      break;
    char buf[65536];
    const ssize_t got =
        ::read(fd, buf, std::min<int>(n - out.size(), sizeof buf));
    if (got <= 0)
      break;
    out.append(buf, got);
  }
  return out;
}

void writeAll(int fd, const QByteArray &data) {
  qsizetype done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.constData() + done, data.size() - done);
    ASSERT_GT(n, 0);
    done += n;
  }
}

// True when nothing arrives within ms.
bool quiet(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, ms) == 0;
}

class Server {
public:
  Server() {
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    ::listen(m_fd, 4);
    socklen_t len = sizeof a;
    ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&a), &len);
    m_port = ntohs(a.sin_port);
  }
  ~Server() { ::close(m_fd); }
  int port() const { return m_port; }
  int accept() {
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, kPatience) <= 0)
      return -1;
    const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
    // Like the PC: a reply written in two pieces must not wait for Nagle.
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
  }

private:
  int m_fd = -1;
  int m_port = 0;
};

struct Sim {
  explicit Sim(const QStringList &args) {
    process.setProgram(QStringLiteral(PHONE_SIM_BIN));
    process.setArguments(args);
    process.start();
  }
  ~Sim() {
    if (process.state() != QProcess::NotRunning) {
      process.kill();
      process.waitForFinished(kPatience);
    }
  }
  bool finish() { return process.waitForFinished(kPatience); }
  QProcess process;
};

IdBlock idFrom(const QByteArray &bytes) {
  IdBlock id;
  for (int i = 0; i < 8; ++i)
    id.bytes[i] = static_cast<quint8>(bytes[i]);
  return id;
}

QByteArray entries(const IdBlock &id, std::initializer_list<int> codes) {
  QByteArray out;
  for (int c : codes) {
    const auto e = KeyDescrambler::encode(id, c);
    out.append(char(e[0])).append(char(e[1]));
  }
  return out;
}

QByteArray readFile(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Serves one TCP phone connection like the PC: every request but Discon
// gets a reply; 'commands' decides which poll carries keys. Stops when
// 'done' says so after a poll, or the phone leaves.
struct TcpPeer {
  int fd = -1;
  IdBlock id;
  QImage screen{PhoneUi::kWidth, PhoneUi::kHeight, QImage::Format_RGB32};
  int polls = 0, nops = 0, tiles = 0;
  bool discon = false;
  std::vector<int> codes;

  void Reply(const QByteArray &entries) {
    if (entries.isEmpty()) {
      writeAll(fd, le32(11)); // two writes, as the PC does
      writeAll(fd, le32(0));
    } else {
      writeAll(fd, le32(13) + le32(entries.size()) + entries);
    }
  }

  // Returns false when the conversation ended.
  bool serve(const std::function<QByteArray(int poll)> &commands,
             const std::function<bool(int poll)> &done) {
    const QByteArray head = readExact(fd, 4);
    if (head.size() < 4)
      return false;
    const int code = readLe32(head, 0);
    codes.push_back(code);
    switch (code) {
    case 12: {
      const QByteArray rest = readExact(fd, 16);
      EXPECT_EQ(rest.size(), 16);
      id = idFrom(rest.mid(8));
      Reply(commands(0));
      return true;
    }
    case 14: {
      const int length = readLe32(readExact(fd, 4), 0);
      EXPECT_GT(length, 8);
      const QByteArray xy = readExact(fd, 8);
      const QByteArray data = readExact(fd, length);
      EXPECT_EQ(data.size(), length);
      const QImage tile = QImage::fromData(data);
      EXPECT_FALSE(tile.isNull());
      QPainter p(&screen);
      p.setCompositionMode(QPainter::CompositionMode_Source);
      p.drawImage(QPoint(readLe32(xy, 0), readLe32(xy, 4)), tile,
                  QRect(1, 1, tile.width() - 2, tile.height() - 2));
      ++tiles;
      Reply(QByteArray());
      return true;
    }
    case 11:
    case 13: {
      ++polls;
      if (done(polls))
        return false;
      if (code == 11) {
        ++nops;
        // The trailing value must wait until the phone has the reply.
        EXPECT_TRUE(quiet(fd, 30));
      }
      Reply(commands(polls));
      if (code == 11) {
        EXPECT_EQ(readExact(fd, 4).size(), 4);
      }
      return true;
    }
    case 15:
      discon = true;
      return false;
    default:
      ADD_FAILURE() << "unexpected request " << code;
      return false;
    }
  }
};

int openRawSlave(const QString &path) {
  const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
  if (fd >= 0) {
    termios t{};
    ::tcgetattr(fd, &t);
    cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
  }
  return fd;
}

// Plays the PC on a serial line until the phone stops talking or the PC
// sends Discon. Returns the packet kinds received.
std::vector<int> serveSerial(int fd,
                             const std::function<QByteArray(int packet)> &reply,
                             IdBlock *id) {
  std::vector<int> kinds;
  for (int index = 0;; ++index) {
    const QByteArray head = readExact(fd, 4);
    if (head.size() < 4)
      break;
    const int kind = readLe32(head, 0);
    kinds.push_back(kind);
    if (kind == 12) {
      const QByteArray rest = readExact(fd, 16);
      *id = idFrom(rest.mid(8));
    } else if (kind == 11) {
      readExact(fd, 4);
    } else if (kind == 14) {
      const QByteArray fields = readExact(fd, 12);
      const int length = readLe32(fields, 0);
      EXPECT_EQ(QImage::fromData(readExact(fd, length)).isNull(), false);
    } else {
      ADD_FAILURE() << "unexpected packet kind " << kind;
      break;
    }
    const QByteArray answer = reply(index);
    // Split in two writes, so the phone sees a reply arrive in pieces.
    writeAll(fd, answer.left(3));
    writeAll(fd, answer.mid(3));
    if (readLe32(answer, 0) == 15)
      break; // the PC closes the link
  }
  return kinds;
}

QByteArray serialNop() { return bytes({11, 0, 0, 0, 0, 0, 0, 0, '^'}); }

} // namespace

TEST(EndToEnd, TcpKeysReachTheRecordAndTheScreen) {
  Server server;
  QTemporaryDir dir;
  const QString record = dir.filePath(QStringLiteral("keys.txt"));
  Sim sim({"--port", QString::number(server.port()), "--once", "--record",
           record, "--poll-ms", "5", "--nop-every", "2", "--quiet"});
  TcpPeer pc;
  pc.fd = server.accept();
  ASSERT_GE(pc.fd, 0);
  pc.screen.fill(Qt::white);
  // The first poll brings two digits; the third, a command request after
  // the NOP, comes once the new screen has been sent.
  while (pc.serve(
      [&pc](int poll) {
        return poll == 1
                   ? entries(pc.id, {keys::kDigit0 + 1, keys::kDigit0 + 2})
                   : QByteArray();
      },
      [&pc](int poll) { return poll >= 3 && pc.codes.back() == 13; })) {
  }
  ::close(pc.fd); // the PC ends the connection; --once ends the simulator
  ASSERT_TRUE(sim.finish());
  EXPECT_EQ(sim.process.exitCode(), 0);

  EXPECT_EQ(pc.codes.front(), 12);
  EXPECT_EQ(pc.id.modelCode(), QStringLiteral("4E4F5641"));
  EXPECT_GE(pc.nops, 1);
  EXPECT_GT(pc.tiles, 0);
  EXPECT_EQ(readFile(record), QByteArray("305\n306\n"));

  // Below the status bar (whose clock is the real time) the PC's picture is
  // exactly the dialer showing "12".
  PhoneUi expected;
  expected.handleKey(keys::kDigit0 + 1);
  expected.handleKey(keys::kDigit0 + 2);
  const QImage want = expected.render();
  const QRect below(0, 16, PhoneUi::kWidth, PhoneUi::kHeight - 16);
  EXPECT_EQ(pc.screen.copy(below), want.copy(below));
}

TEST(EndToEnd, TcpReconnectsAndStopsAfterTheRequestedKeys) {
  Server server;
  Sim sim({"--port", QString::number(server.port()), "--script",
           "--exit-after-keys", "2", "--retry-ms", "20", "--quiet"});
  // A PC that is busy with another phone closes at once.
  const int refused = server.accept();
  ASSERT_GE(refused, 0);
  ::close(refused);

  TcpPeer pc;
  pc.fd = server.accept();
  ASSERT_GE(pc.fd, 0);
  // Three keys wait in the queue; the identification's reply carries them.
  while (pc.serve(
      [&pc](int poll) {
        return poll == 0 ? entries(pc.id, {keys::kCall, 'A', 'B'})
                         : QByteArray();
      },
      [](int) { return false; })) {
  }
  EXPECT_TRUE(pc.discon);
  EXPECT_EQ(pc.codes, (std::vector<int>{12, 15}));
  ::close(pc.fd);
  ASSERT_TRUE(sim.finish());
  EXPECT_EQ(sim.process.exitCode(), 0);
  EXPECT_EQ(sim.process.readAllStandardOutput(), QByteArray("452\n65\n"));
}

TEST(EndToEnd, TcpAbsurdReplyEndsTheSession) {
  Server server;
  Sim sim({"--port", QString::number(server.port()), "--once"});
  const int fd = server.accept();
  ASSERT_GE(fd, 0);
  EXPECT_EQ(readLe32(readExact(fd, 20), 0), 12);
  writeAll(fd, le32(13) + le32(0x7FFFFFF0));
  ASSERT_TRUE(sim.finish());
  EXPECT_EQ(sim.process.exitCode(), 1);
  EXPECT_TRUE(sim.process.readAllStandardError().contains("absurd"));
  ::close(fd);
}

TEST(EndToEnd, TcpFloodAndPollBenchReport) {
  Server server;
  QTemporaryDir dir;
  const QString saved = dir.filePath(QStringLiteral("tile.gif"));
  {
    Sim sim({"--port", QString::number(server.port()), "--flood", "0.2",
             "--tile", "small", "--format", "gif", "--save-tile", saved,
             "--quiet"});
    TcpPeer pc;
    pc.fd = server.accept();
    ASSERT_GE(pc.fd, 0);
    while (
        pc.serve([](int) { return QByteArray(); }, [](int) { return false; })) {
    }
    ::close(pc.fd);
    ASSERT_TRUE(sim.finish());
    EXPECT_TRUE(pc.discon);
    const QString out =
        QString::fromLatin1(sim.process.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("tiles/s: "))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("replies: %1").arg(pc.tiles + 1)))
        << out.toStdString();
    EXPECT_GT(pc.tiles, 0);
    // The saved tile is the one sent: 34 x 34 visible, with its margin.
    const QByteArray tile = readFile(saved);
    EXPECT_TRUE(tile.startsWith("GIF"));
    EXPECT_EQ(QImage::fromData(tile).size(), QSize(36, 36));
  }
  {
    Sim sim({"--port", QString::number(server.port()), "--poll-bench", "50",
             "--quiet"});
    TcpPeer pc;
    pc.fd = server.accept();
    ASSERT_GE(pc.fd, 0);
    while (
        pc.serve([](int) { return QByteArray(); }, [](int) { return false; })) {
    }
    ::close(pc.fd);
    ASSERT_TRUE(sim.finish());
    EXPECT_EQ(pc.polls, 50);
    const QString out =
        QString::fromLatin1(sim.process.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("median_us: ")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("p99_us: "))) << out.toStdString();
  }
}

TEST(EndToEnd, PtySerialConversation) {
  QTemporaryDir dir;
  const QString record = dir.filePath(QStringLiteral("keys.txt"));
  Sim sim({"--pty", "--once", "--record", record, "--exit-after-keys", "2",
           "--poll-ms", "5", "--quiet"});
  ASSERT_TRUE(sim.process.waitForReadyRead(kPatience));
  while (!sim.process.canReadLine())
    ASSERT_TRUE(sim.process.waitForReadyRead(kPatience));
  const QByteArray line = sim.process.readLine().trimmed();
  ASSERT_TRUE(line.startsWith("PTY /dev/")) << line.constData();
  const int fd = openRawSlave(QString::fromLatin1(line.mid(4)));
  ASSERT_GE(fd, 0);

  IdBlock id;
  int polls = 0;
  const std::vector<int> kinds = serveSerial(
      fd,
      [&](int index) {
        if (index == 0)
          return serialNop();
        if (index > 0 && polls++ == 0) {
          // Keys, then a reply nobody asked for (the PC's silence rule).
          const QByteArray e = entries(id, {keys::kMenu, keys::kJoyRight});
          return le32(13) + le32(e.size()) + e + "^" + serialNop();
        }
        return serialNop();
      },
      &id);
  ::close(fd);
  ASSERT_TRUE(sim.finish());
  EXPECT_EQ(sim.process.exitCode(), 0);
  ASSERT_FALSE(kinds.empty());
  EXPECT_EQ(kinds.front(), 12);
  EXPECT_EQ(std::count(kinds.begin(), kinds.end(), 14) > 0, true);
  EXPECT_EQ(id.modelCode(), QStringLiteral("4E4F5641"));
  EXPECT_EQ(readFile(record), QByteArray("436\n271\n"));
}

TEST(EndToEnd, SerialDeviceAndDisconReply) {
  int master = -1, slave = -1;
  char name[256] = {};
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
  // The slave stays open here too: without it the master reports a hang-up
  // until the simulator has opened the device.
  Sim sim({"--serial", QString::fromLatin1(name), "--once", "--id",
           "0102030405060708", "--quiet"});
  IdBlock id;
  const std::vector<int> kinds = serveSerial(
      master,
      [](int index) {
        // The PC closes the link right after the first tile.
        return index == 1 ? bytes({15, 0, 0, 0, 0, 0, 0, 0, '^'}) : serialNop();
      },
      &id);
  ASSERT_TRUE(sim.finish());
  EXPECT_EQ(sim.process.exitCode(), 0);
  EXPECT_EQ(id.modelCode(), QStringLiteral("04030201"));
  ASSERT_GE(kinds.size(), 2u);
  EXPECT_EQ(kinds[0], 12);
  EXPECT_EQ(kinds[1], 14);
  ::close(master);
  ::close(slave);
}

TEST(EndToEnd, TerminationSaysGoodbyeOverTcp) {
  Server server;
  Sim sim({"--port", QString::number(server.port()), "--poll-ms", "5",
           "--nop-every", "3", "--quiet"});
  TcpPeer pc;
  pc.fd = server.accept();
  ASSERT_GE(pc.fd, 0);
  bool terminated = false;
  while (pc.serve([](int) { return QByteArray(); },
                  [&](int poll) {
                    if (poll == 4 && !terminated) {
                      sim.process.terminate(); // SIGTERM
                      terminated = true;
                    }
                    return false;
                  })) {
  }
  EXPECT_TRUE(pc.discon);
  ASSERT_TRUE(sim.finish());
  EXPECT_EQ(sim.process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(sim.process.exitCode(), 0);
  ::close(pc.fd);
}
