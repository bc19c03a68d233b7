// Soak run of both links against the phone simulator: a million requests
// over TCP and a million over a pseudo-terminal with keys pressed all the
// while, tile floods on both, 1,000 connect and disconnect cycles on each
// link and 100 phones that vanish in the middle of a tile on each. Reports
// resident memory, open file descriptors and threads before and after, and
// whether the simulator received exactly the keys that were sent, in order.
//
// Usage: soak [requests per link, default 1000000]
// Exit status 0 when every check held.

#include "LoopbackPhone.h"
#include "app/LinkViewAdapter.h"
#include "common/Paths.h"
#include "link/CommandQueue.h"
#include "link/Protocol.h"
#include "link/SerialLink.h"
#include "link/TcpLink.h"
#include "screen/ActivityIndicator.h"
#include "screen/ScreenCanvas.h"
#include "screen/SkinFile.h"
#include "support/PtyPair.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

const QString kSim = QStringLiteral(QV_BIN_DIR "/phone-sim");
// The simulator's default identification block, byte 0 first.
constexpr PhoneId kSimId = {0x41, 0x56, 0x4F, 0x4E, 0x5A, 0xC3, 0x19, 0xE7};

bool g_ok = true;

void check(bool condition, const char *what) {
  if (!condition) {
    std::printf("  FAILED: %s\n", what);
    g_ok = false;
  }
}

// ------------------------------------------------------------ process ----

struct Usage {
  long rssKb = 0;
  int fds = 0;
  int threads = 0;
};

Usage measure() {
  Usage u;
  QFile status(QStringLiteral("/proc/self/status"));
  if (status.open(QIODevice::ReadOnly))
    for (const QByteArray &line : status.readAll().split('\n')) {
      if (line.startsWith("VmRSS:"))
        u.rssKb = line.mid(6).trimmed().split(' ').value(0).toLong();
      else if (line.startsWith("Threads:"))
        u.threads = line.mid(8).trimmed().toInt();
    }
  u.fds = int(QDir(QStringLiteral("/proc/self/fd"))
                  .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                  .size());
  return u;
}

void printUsage(const char *when, const Usage &u) {
  std::printf("%-28s rss %7.1f MB   fds %3d   threads %2d\n", when,
              u.rssKb / 1024.0, u.fds, u.threads);
  std::fflush(stdout);
}

void pump(int ms) {
  QDeadlineTimer until(ms);
  while (!until.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

template <typename F> bool pumpUntil(F done, int ms) {
  QDeadlineTimer until(ms);
  while (!done()) {
    if (until.hasExpired())
      return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  return true;
}

// ---------------------------------------------------------------- keys ---

// The n-th key pressed (from 0): a known sequence, so neither side has to
// keep a list that would itself grow the memory being watched.
uint16_t keyCode(long n) { return uint16_t(1 + n % 65535); }

// Presses keys on the GUI thread, one per timer tick, until told to stop.
class TKeyPresser {
public:
  explicit TKeyPresser(CommandQueue &queue) : m_queue(queue) {
    m_timer.setInterval(1);
    QObject::connect(&m_timer, &QTimer::timeout,
                     [this] { m_queue.putKeyCode(keyCode(m_sent++)); });
  }
  void start() {
    m_sent = 0;
    m_timer.start();
  }
  void stop() { m_timer.stop(); }
  long sent() const { return m_sent; }

private:
  CommandQueue &m_queue;
  QTimer m_timer;
  long m_sent = 0;
};

// Compares the simulator's record, one decimal code per line, with the
// keys sent: the same sequence, or where it differs.
void compareKeys(long sent, const QString &record) {
  QFile f(record);
  long received = 0, inOrder = 0;
  bool same = true;
  if (f.open(QIODevice::ReadOnly)) {
    char line[32];
    for (;;) {
      const qint64 n = f.readLine(line, sizeof line);
      if (n <= 0)
        break;
      if (same && received < sent && std::atoi(line) == keyCode(received))
        ++inOrder;
      else
        same = false;
      ++received;
    }
  }
  std::printf("    keys: sent %ld, received %ld, in order %ld", sent, received,
              inOrder);
  const bool ok = same && received == sent;
  std::printf(ok ? " (none lost, none duplicated, order kept)\n"
                 : " (first difference at key %ld)\n",
              inOrder);
  check(ok, "keys received differ from keys sent");
}

// ----------------------------------------------------------- simulator ---

struct SimRun {
  QByteArray output;
  int exitCode = -1;
  double seconds = 0;
};

// Runs the simulator to its end under the GUI thread's event loop. With
// keys, they are pressed from the start until stopKeysAfterS seconds. When
// the simulator makes a pseudo-terminal, openPort is called with its path.
template <typename F>
SimRun runSim(const QStringList &args, TKeyPresser *keys, double stopKeysAfterS,
              F openPort) {
  SimRun run;
  QProcess sim;
  QEventLoop loop;
  QObject::connect(&sim, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(&sim, &QProcess::errorOccurred, &loop,
                   [&](QProcess::ProcessError e) {
                     if (e == QProcess::FailedToStart)
                       loop.quit();
                   });
  QByteArray out;
  bool portOpened = false;
  QObject::connect(&sim, &QProcess::readyReadStandardOutput, &loop, [&] {
    out += sim.readAllStandardOutput();
    const qsizetype at = out.indexOf("PTY ");
    const qsizetype eol = out.indexOf('\n', at);
    if (!portOpened && at >= 0 && eol > at) {
      portOpened = true;
      openPort(QString::fromLocal8Bit(out.mid(at + 4, eol - at - 4).trimmed()));
    }
  });
  QTimer stopKeys;
  stopKeys.setSingleShot(true);
  QObject::connect(&stopKeys, &QTimer::timeout, [&] { keys->stop(); });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] { sim.kill(); });
  watchdog.start(30 * 60 * 1000);

  QElapsedTimer t;
  t.start();
  if (keys) {
    keys->start();
    stopKeys.start(int(stopKeysAfterS * 1000));
  }
  sim.start(kSim, args);
  loop.exec();
  if (keys)
    keys->stop();
  out += sim.readAllStandardOutput();
  run.output = out;
  run.exitCode = sim.exitStatus() == QProcess::NormalExit ? sim.exitCode() : -1;
  run.seconds = t.elapsed() / 1000.0;
  return run;
}

QByteArray field(const QByteArray &output, const char *name) {
  for (const QByteArray &line : output.split('\n'))
    if (line.startsWith(name))
      return line.mid(qsizetype(qstrlen(name))).trimmed();
  return {};
}

// -------------------------------------------------------- raw TCP phone ---

QByteArray int32(qint32 v) {
  char b[4];
  qToLittleEndian(v, b);
  return QByteArray(b, 4);
}

QByteArray authRequest() {
  return loopback::authRequest(
      QByteArray(reinterpret_cast<const char *>(kSimId.data()), 8));
}

int connectTo(int port) { return loopback::connectTo(port, 5); }

using loopback::sendAll;

bool readReply(int fd) { return loopback::readReply(fd) >= 0; }

void closeAbruptly(int fd) {
  linger l{1, 0}; // a reset instead of an orderly goodbye
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
  ::close(fd);
}

} // namespace

// Closes the serial link as the connection manager's disconnect does.
void closeSerial(SerialLink &serial, bool sendDiscon) {
  serial.timerLostPacket().stop();
  serial.closeComPort(sendDiscon);
  serial.clearPending();
}

double requestRate(const SimRun &run, long requests) {
  return run.seconds > 0 ? requests / run.seconds : 0;
}

void printRun(const SimRun &run, const char *what) {
  const QByteArray n = field(run.output, "requests:");
  if (!n.isEmpty())
    std::printf("  %s: %s requests in %.1f s, %.0f/s (median %s us, p99 %s "
                "us)\n",
                what, n.constData(), run.seconds, requestRate(run, n.toLong()),
                field(run.output, "median_us:").constData(),
                field(run.output, "p99_us:").constData());
  else
    std::printf("  %s: %s tiles/s, %s replies in %.1f s\n", what,
                field(run.output, "tiles/s:").constData(),
                field(run.output, "replies:").constData(), run.seconds);
  std::fflush(stdout);
}

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const long requests = argc > 1 ? QByteArray(argv[1]).toLong() : 1000000;
  const int cycles = argc > 2 ? QByteArray(argv[2]).toInt() : 1000;
  const int vanishes = argc > 3 ? QByteArray(argv[3]).toInt() : 100;
  QTemporaryDir dir;
  const Paths paths = Paths::forExecutable(dir.filePath("quorvane"));
  const Usage atLaunch = measure();
  QElapsedTimer total;
  total.start();

  ScreenCanvas canvas;
  canvas.resetPictures();
  ActivityIndicator indicator;
  LinkViewAdapter view(canvas, indicator, skinFilePath(paths));
  CommandQueue queue;
  queue.setPhoneId(kSimId);
  TKeyPresser keys(queue);

  TcpLink server(view, queue);
  server.open(0);
  const QStringList tcpArgs = {"--host",  "127.0.0.1",
                               "--port",  QString::number(server.boundPort()),
                               "--quiet", "--once"};
  const QStringList ptyArgs = {"--pty", "--quiet", "--once"};
  SerialLink serial(queue, &view);
  auto openSerial = [&](const QString &path) {
    try {
      serial.openComPort(path, Protocol::kCableBaudRate);
    } catch (const std::exception &e) {
      std::printf("  cannot open %s: %s\n", qPrintable(path), e.what());
    }
  };
  auto noPort = [](const QString &) {};
  const QString gifTile = dir.filePath(QStringLiteral("full.gif"));
  auto tcpIdle = [&] {
    return pumpUntil([&] { return !server.phoneConnected(); }, 10000);
  };

  // Keys go in until a little before the simulator's last request (80% of
  // the time the link's measured rate gives). Over TCP the queue must be
  // empty again before the phone says goodbye (which empties it), so every
  // key pressed must arrive; over the serial link the phone's goodbye leaves
  // the queue alone, so the keys still in it are exactly those never sent.
  const QString record = dir.filePath(QStringLiteral("keys.txt"));
  auto soak = [&](const char *what, const QStringList &args, double expectS,
                  auto openPort, bool isSerial) {
    QFile::remove(record);
    queue.queueClear();
    const SimRun run = runSim(args + QStringList{"--record", record}, &keys,
                              expectS * 0.8, openPort);
    long unsent = 0;
    if (isSerial) {
      unsent = long(queue.size() / 2);
      closeSerial(serial, false);
    } else {
      tcpIdle();
    }
    printRun(run, what);
    check(run.exitCode == 0, "the simulator ended with an error");
    if (unsent > 0)
      std::printf("    (%ld keys pressed after the phone's last request)\n",
                  unsent);
    compareKeys(keys.sent() - unsent, record);
    return run;
  };

  // Requests with keys throughout, then tile floods; returns the poll rate.
  auto soakTcp = [&](long polls, double floodS, double rate) {
    const SimRun run = soak(
        "polls", tcpArgs + QStringList{"--poll-bench", QString::number(polls)},
        polls / rate, noPort, false);
    check(field(run.output, "requests:").toLong() == polls,
          "fewer requests than asked for over TCP");
    const QString seconds = QString::number(floodS);
    soak("GIF 176x208 flood",
         tcpArgs + QStringList{"--flood", seconds, "--tile", "full", "--format",
                               "gif", "--save-tile", gifTile},
         floodS, noPort, false);
    soak("JPEG 34x34 flood",
         tcpArgs + QStringList{"--flood", seconds, "--tile", "small",
                               "--format", "jpeg"},
         floodS, noPort, false);
    return requestRate(run, polls);
  };
  auto soakSerial = [&](long polls, double floodS, double rate) {
    const SimRun run = soak(
        "polls", ptyArgs + QStringList{"--poll-bench", QString::number(polls)},
        polls / rate, openSerial, true);
    check(field(run.output, "requests:").toLong() == polls,
          "fewer requests than asked for over the pseudo-terminal");
    soak("JPEG 176x208 flood",
         ptyArgs + QStringList{"--flood", QString::number(floodS), "--tile",
                               "full", "--format", "jpeg"},
         floodS, openSerial, true);
    return requestRate(run, polls);
  };

  auto cycle = [&](int count) {
    QElapsedTimer t;
    t.start();
    int served = 0;
    for (int i = 0; i < count; ++i) {
      const int fd = connectTo(server.boundPort());
      if (fd < 0)
        continue;
      if (sendAll(fd, authRequest() + int32(13)) && readReply(fd) &&
          readReply(fd))
        ++served;
      if (i % 2 == 0) {
        sendAll(fd, int32(15)); // the phone's goodbye
        ::close(fd);
      } else {
        closeAbruptly(fd);
      }
      if (!tcpIdle())
        break;
    }
    std::printf("  TCP: %d of %d sessions served in %.1f s\n", served, count,
                t.elapsed() / 1000.0);
    check(served == count, "a TCP session was not served");

    t.restart();
    PtyPair pty;
    served = 0;
    const QByteArray nop = int32(11) + int32(0);
    for (int i = 0; i < count && pty.isValid(); ++i) {
      openSerial(pty.path());
      QByteArray got;
      pty.write(authRequest() + nop);
      const bool answered = pumpUntil(
          [&] {
            got += pty.received();
            return got.count('^') >= 2;
          },
          5000);
      closeSerial(serial, true);
      got += pty.received();
      // Two replies, then the Discon packet.
      if (answered && got.endsWith(int32(15) + int32(0) + "^"))
        ++served;
    }
    std::printf("  serial: %d of %d sessions served in %.1f s\n", served, count,
                t.elapsed() / 1000.0);
    check(served == count, "a serial session was not served");
  };

  auto vanish = [&](int count) {
    QFile tileFile(gifTile);
    const QByteArray tile =
        tileFile.open(QIODevice::ReadOnly) ? tileFile.readAll() : QByteArray();
    check(tile.size() > 100, "no tile saved by the simulator");
    const QByteArray screen =
        int32(14) + int32(qint32(tile.size())) + int32(0) + int32(0) + tile;
    const QByteArray half = screen.left(screen.size() / 2);
    int ended = 0;
    for (int i = 0; i < count; ++i) {
      const int fd = connectTo(server.boundPort());
      if (fd < 0)
        continue;
      sendAll(fd, authRequest());
      readReply(fd);
      sendAll(fd, half);
      if (i % 2 == 0)
        ::close(fd);
      else
        closeAbruptly(fd);
      if (tcpIdle())
        ++ended;
    }
    std::printf("  TCP: the link let go of %d of %d\n", ended, count);
    check(ended == count, "the TCP link held on to a vanished phone");

    ended = 0;
    for (int i = 0; i < count; ++i) {
      PtyPair pty;
      if (!pty.isValid())
        break;
      openSerial(pty.path());
      pty.write(authRequest());
      pty.write(half);
      pumpUntil([&] { return serial.pendingSize() > 0; }, 2000);
      pty.closeMaster(); // the device goes away
      pty.closeSlave();
      pump(5);
      closeSerial(serial, false);
      if (!serial.comPort().isOpen() && serial.pendingSize() == 0)
        ++ended;
    }
    std::printf("  serial: the link let go of %d of %d\n", ended, count);
    check(ended == count, "the serial link held on to a vanished phone");
  };

  // Warm-up: one short round of everything, so that one-time allocations
  // (thread stacks, decoder tables, the pictures, the ports' buffers) are
  // made before the start is measured. It also gives each link's rate.
  std::printf("Warm-up\n");
  // The TCP probe is long enough for the simulator's start not to count.
  const long probe = 20000, tcpProbe = 100000;
  const double tcpRate = requestRate(
      runSim(tcpArgs + QStringList{"--poll-bench", QString::number(tcpProbe)},
             nullptr, 0, noPort),
      tcpProbe);
  tcpIdle();
  const double ptyRate = requestRate(
      runSim(ptyArgs + QStringList{"--poll-bench", QString::number(probe)},
             nullptr, 0, openSerial),
      probe);
  closeSerial(serial, false);
  soakTcp(probe, 0.5, tcpRate);
  soakSerial(probe, 0.5, ptyRate);
  cycle(20);
  vanish(5);
  if (!g_ok)
    return 1;
  pump(300);
  const Usage start = measure();
  std::printf("\n");
  printUsage("at launch", atLaunch);
  printUsage("start (after warm-up)", start);

  std::printf("\nTCP link: %ld polls, then GIF and JPEG tile floods\n",
              requests);
  soakTcp(requests, 10, tcpRate);
  printUsage("after TCP requests", measure());

  std::printf("\nSerial link over a pseudo-terminal: %ld polls, then a JPEG "
              "tile flood\n",
              requests);
  soakSerial(requests, 10, ptyRate);
  printUsage("after serial requests", measure());

  std::printf("\n%d connect/disconnect cycles on each link\n", cycles);
  cycle(cycles);
  printUsage("after cycles", measure());

  std::printf("\n%d phones vanishing mid-tile on each link\n", vanishes);
  vanish(vanishes);
  pump(300);

  const Usage end = measure();
  std::printf("\n");
  printUsage("start (after warm-up)", start);
  printUsage("end", end);
  const double grownMb = (end.rssKb - start.rssKb) / 1024.0;
  std::printf("resident memory grew %.2f MB; fds %+d; threads %+d; %.0f s in "
              "all\n",
              grownMb, end.fds - start.fds, end.threads - start.threads,
              total.elapsed() / 1000.0);
  check(grownMb <= 2.0, "resident memory grew by more than 2 MB");
  check(end.fds <= start.fds, "file descriptors grew");
  check(end.threads <= start.threads, "threads grew");
  server.close();
  std::printf("%s\n", g_ok ? "soak: all checks held" : "soak: FAILED");
  return g_ok ? 0 : 1;
}
