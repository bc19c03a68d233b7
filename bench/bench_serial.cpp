// Throughput of the serial packet link.
//
//  1. Parser: phone traffic (tiles, NOPs, identifications) cut into random
//     chunks and fed to the serial data module in process; the view does
//     not decode and replies are counted, not written.
//  2. End to end: the same traffic written into a pseudo-terminal whose
//     other end is comPort, with the replies drained, against the raw rate
//     of the same terminal measured in the same run.
//
// Usage: bench_serial [megabytes]   (default 16)
// Exits with 1 when a target is missed: parser at least 100 MB/s, end to
// end at least half the raw terminal rate.

#include "common/EventLog.h"
#include "link/CommandQueue.h"
#include "link/SerialLink.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <random>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kParserTargetMBps = 100.0;
constexpr double kEndToEndShare = 0.5;

class CountingView : public LinkView {
public:
  void drawTile(const QByteArray &data, int, int) override {
    ++tiles;
    tileBytes += data.size();
  }
  void showPhoneIdentity(const QByteArray &) override { ++identities; }
  void restartActivityTimer() override {}
  void showLinkActivity() override { ++chunks; }
  void showLinkIdle() override {}
  qint64 tiles = 0;
  qint64 tileBytes = 0;
  qint64 identities = 0;
  qint64 chunks = 0;
};

// Takes the replies in process.
class NullPort : public SerialPort {
public:
  void write(const QByteArray &data) override { replyBytes += data.size(); }
  qint64 replyBytes = 0;
};

void appendLe32(QByteArray &out, qint32 v) {
  char b[4];
  qToLittleEndian(v, b);
  out.append(b, 4);
}

// JPEG tiles like the phone's: small pictures of a screen, 300 bytes to a
// few KiB.
std::vector<QByteArray> makeTiles(std::mt19937 &rng) {
  std::vector<QByteArray> tiles;
  std::uniform_int_distribution<int> side(16, 96);
  std::uniform_int_distribution<int> colour(0, 255);
  for (int i = 0; i < 48; ++i) {
    QImage image(side(rng), side(rng), QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, image.width(), image.height());
    gradient.setColorAt(0, QColor(colour(rng), colour(rng), colour(rng)));
    gradient.setColorAt(1, QColor(colour(rng), colour(rng), colour(rng)));
    painter.fillRect(image.rect(), gradient);
    // Some sharp-edged detail, as icons and text give.
    for (int k = 0; k < 12; ++k)
      painter.fillRect(colour(rng) % image.width(),
                       colour(rng) % image.height(), 1 + colour(rng) % 8,
                       1 + colour(rng) % 4,
                       QColor(colour(rng), colour(rng), colour(rng)));
    painter.end();
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 75);
    tiles.push_back(jpeg);
  }
  return tiles;
}

struct Traffic {
  QByteArray bytes;
  qint64 tiles = 0;
  qint64 packets = 0;
};

Traffic makeTraffic(qint64 size, std::mt19937 &rng) {
  const std::vector<QByteArray> tiles = makeTiles(rng);
  std::uniform_int_distribution<int> pick(0, int(tiles.size()) - 1);
  std::uniform_int_distribution<int> percent(0, 99);
  std::uniform_int_distribution<int> pos(0, 160);
  Traffic t;
  t.bytes.reserve(size + 8192);
  while (t.bytes.size() < size) {
    const int roll = percent(rng);
    if (roll < 10) {
      appendLe32(t.bytes, 11);
      appendLe32(t.bytes, 0);
    } else if (roll < 12) {
      appendLe32(t.bytes, 12);
      appendLe32(t.bytes, 0);
      appendLe32(t.bytes, 0);
      t.bytes.append("\x41\x56\x4F\x4E\x5A\xC3\x19\xE7", 8);
    } else {
      const QByteArray &tile = tiles[size_t(pick(rng))];
      appendLe32(t.bytes, 14);
      appendLe32(t.bytes, qint32(tile.size()));
      appendLe32(t.bytes, pos(rng));
      appendLe32(t.bytes, pos(rng));
      t.bytes.append(tile);
      ++t.tiles;
    }
    ++t.packets;
  }
  return t;
}

// Chunk sizes as a port delivers them: mostly large, sometimes tiny.
std::vector<qsizetype> makeChunking(qsizetype total, std::mt19937 &rng) {
  std::vector<qsizetype> sizes;
  std::uniform_real_distribution<double> logSize(0.0, 16.0);
  qsizetype done = 0;
  while (done < total) {
    const qsizetype n = std::min<qsizetype>(
        total - done, qsizetype(std::exp2(logSize(rng))) + 1);
    sizes.push_back(n);
    done += n;
  }
  return sizes;
}

double mBps(qint64 bytes, qint64 ns) {
  return ns > 0 ? double(bytes) / 1e6 / (double(ns) / 1e9) : 0.0;
}

double benchParser(const Traffic &traffic, std::mt19937 &rng, bool &ok) {
  const std::vector<qsizetype> chunks = makeChunking(traffic.bytes.size(), rng);
  double best = 0;
  for (int run = 0; run < 3; ++run) {
    CountingView view;
    NullPort port;
    CommandQueue queue;
    SerialLink link(queue, &view);
    // Chunks as separate byte arrays, made before the clock starts.
    std::vector<QByteArray> pieces;
    pieces.reserve(chunks.size());
    qsizetype offset = 0;
    for (qsizetype n : chunks) {
      pieces.push_back(traffic.bytes.mid(offset, n));
      offset += n;
    }
    QElapsedTimer timer;
    timer.start();
    for (const QByteArray &piece : pieces)
      link.handleSerialChunk(&port, piece, piece.size());
    const qint64 ns = timer.nsecsElapsed();
    // The queue is empty: every packet gets a 9-byte NOP reply.
    if (view.tiles != traffic.tiles || port.replyBytes != traffic.packets * 9) {
      std::printf("parser: wrong result: %lld tiles of %lld, %lld reply "
                  "bytes for %lld packets\n",
                  (long long)view.tiles, (long long)traffic.tiles,
                  (long long)port.replyBytes, (long long)traffic.packets);
      ok = false;
    }
    best = std::max(best, mBps(traffic.bytes.size(), ns));
  }
  std::printf("parser: %.1f MB/s (%zu chunks, %lld packets, best of 3)\n", best,
              chunks.size(), (long long)traffic.packets);
  return best;
}

bool openRawPty(int &master, int &slave, QString &path) {
  termios raw{};
  cfmakeraw(&raw);
  char name[256] = {};
  if (openpty(&master, &slave, name, &raw, nullptr) != 0)
    return false;
  path = QString::fromLocal8Bit(name);
  return true;
}

// The phone's side: writes the traffic into the master and drains whatever
// comes back, until everything is written.
void phoneWriter(int master, const QByteArray &bytes, std::atomic<bool> &stop,
                 std::atomic<qint64> &repliesIn) {
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  const char *p = bytes.constData();
  qsizetype left = bytes.size();
  char sink[65536];
  while (!stop.load()) {
    pollfd pfd{master, short(POLLIN | (left > 0 ? POLLOUT : 0)), 0};
    if (::poll(&pfd, 1, 20) < 0 && errno != EINTR)
      break;
    if (pfd.revents & POLLIN) {
      const ssize_t n = ::read(master, sink, sizeof sink);
      if (n > 0)
        repliesIn += n;
    }
    if (left > 0 && (pfd.revents & POLLOUT)) {
      const ssize_t n =
          ::write(master, p, size_t(std::min<qsizetype>(left, 65536)));
      if (n > 0) {
        p += n;
        left -= n;
      }
    }
    if (pfd.revents & (POLLERR | POLLHUP | POLLNVAL))
      break;
  }
}

double benchRawPty(const QByteArray &bytes) {
  int master = -1, slave = -1;
  QString path;
  if (!openRawPty(master, slave, path))
    return 0;
  std::atomic<bool> stop{false};
  std::atomic<qint64> unused{0};
  QElapsedTimer timer;
  timer.start();
  std::thread writer(phoneWriter, master, std::cref(bytes), std::ref(stop),
                     std::ref(unused));
  std::vector<char> buffer(1 << 16);
  qint64 got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(slave, buffer.data(), buffer.size());
    if (n <= 0 && errno != EINTR)
      break;
    if (n > 0)
      got += n;
  }
  const qint64 ns = timer.nsecsElapsed();
  stop = true;
  writer.join();
  ::close(master);
  ::close(slave);
  return mBps(got, ns);
}

double benchEndToEnd(const Traffic &traffic, bool &ok, qint64 &events) {
  int master = -1, slave = -1;
  QString path;
  if (!openRawPty(master, slave, path))
    return 0;
  CountingView view;
  CommandQueue queue;
  SerialLink link(queue, &view);
  link.openComPort(path, 256000);
  std::atomic<bool> stop{false};
  std::atomic<qint64> repliesIn{0};

  QEventLoop loop;
  QTimer check;
  check.setInterval(1);
  QObject::connect(&check, &QTimer::timeout, [&] {
    // Done when every tile is drawn and every reply is back at the phone.
    if (view.tiles >= traffic.tiles && repliesIn.load() >= traffic.packets * 9)
      loop.quit();
  });
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);

  QElapsedTimer timer;
  timer.start();
  std::thread writer(phoneWriter, master, std::cref(traffic.bytes),
                     std::ref(stop), std::ref(repliesIn));
  check.start();
  loop.exec();
  const qint64 ns = timer.nsecsElapsed();
  stop = true;
  writer.join();
  link.closeComPort(false);
  ::close(master);
  ::close(slave);

  if (view.tiles != traffic.tiles) {
    std::printf("end to end: only %lld of %lld tiles arrived\n",
                (long long)view.tiles, (long long)traffic.tiles);
    ok = false;
  }
  if (repliesIn.load() < traffic.packets * 9) {
    std::printf("end to end: only %lld reply bytes came back\n",
                (long long)repliesIn.load());
    ok = false;
  }
  events = view.chunks;
  return mBps(traffic.bytes.size(), ns);
}

} // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  const qint64 megabytes = argc > 1 ? std::max(1, atoi(argv[1])) : 16;
  EventLog::instance().setOn(LogSwitch::Commands, false);
  EventLog::instance().setOn(LogSwitch::PacketSize, false);

  std::mt19937 rng(20240611);
  const Traffic traffic = makeTraffic(megabytes * 1000 * 1000, rng);
  std::printf("traffic: %lld bytes, %lld packets, %lld tiles\n",
              (long long)traffic.bytes.size(), (long long)traffic.packets,
              (long long)traffic.tiles);

  bool ok = true;
  const double parser = benchParser(traffic, rng, ok);

  // The machine may be shared: raw and end-to-end runs alternate, and the
  // best of each counts.
  double raw = 0;
  double endToEnd = 0;
  qint64 events = 0;
  for (int run = 0; run < 5; ++run) {
    const double r = benchRawPty(traffic.bytes);
    const double e = benchEndToEnd(traffic, ok, events);
    std::printf("run %d: raw pseudo-terminal %.1f MB/s, end to end %.1f MB/s "
                "(%lld receive events)\n",
                run + 1, r, e, (long long)events);
    raw = std::max(raw, r);
    endToEnd = std::max(endToEnd, e);
  }
  std::printf("best: raw %.1f MB/s, end to end %.1f MB/s (%.0f%%)\n", raw,
              endToEnd, raw > 0 ? 100.0 * endToEnd / raw : 0.0);

  const bool parserOk = parser >= kParserTargetMBps;
  const bool endToEndOk = endToEnd >= kEndToEndShare * raw;
  std::printf("parser target %.0f MB/s: %s\n", kParserTargetMBps,
              parserOk ? "met" : "MISSED");
  std::printf("end to end target %.1f MB/s (half the raw rate): %s\n",
              kEndToEndShare * raw, endToEndOk ? "met" : "MISSED");
  return ok && parserOk && endToEndOk ? 0 : 1;
}
