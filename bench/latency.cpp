// What a user feels of the program's speed, and what it costs while idle.
//
// In this process, with the real main window shown:
// - tile to screen: from a phone's last byte of a full-screen tile to the
//   end of the repaint that shows it (the window's update, flushed to the
//   X server), at one tile every 50 ms and in a flood;
// - key to wire: from a key event on the GUI thread to the key handed to a
//   phone that polls every 50 ms, against that poll interval.
// Then of the program itself, started as a separate process:
// - wake-ups and CPU with no link open, over a few seconds;
// - CPU over a period (default 60 s) connected to the phone simulator
//   polling every 50 ms, and resident memory at its start and end.
// Wake-ups are context switches of all the program's threads
// (/proc/PID/task/*/status), CPU is utime + stime from /proc/PID/stat.
//
// Needs an X server and xdotool:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/latency
// Usage: latency [connected idle seconds, default 60]
//                [unconnected seconds, default 10] [program directory,
//                default the build's] [skip: "inprocess" or "program"]

#include "LoopbackPhone.h"
#include "app/AppCore.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "common/Paths.h"
#include "link/CommandQueue.h"
#include "link/TcpLink.h"
#include "screen/ScreenCanvas.h"
#include "screen/ScreenView.h"
#include "settings/Settings.h"

#include "support/WindowDriver.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <QtEndian>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

qint64 nowNs() {
  static QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return clock.nsecsElapsed();
}

double percentile(std::vector<double> v, double share) {
  if (v.empty())
    return 0;
  std::sort(v.begin(), v.end());
  const size_t rank = size_t(std::ceil(share * double(v.size())));
  return v[rank == 0 ? 0 : rank - 1];
}

using loopback::readReply;
using loopback::sayGoodbye;

// A phone on a blocking socket that has identified itself.
int connectPhone(int port) {
  const int fd = loopback::connectTo(port);
  if (fd < 0)
    return -1;
  if (!loopback::sendAll(
          fd, loopback::authRequest("\x01\x02\x03\x04\x05\x06\x07\x08")) ||
      readReply(fd) < 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Runs the GUI thread's event loop until work, on a thread of its own,
// returns.
template <typename F> void runBeside(F &&work) {
  QEventLoop loop;
  std::thread worker([&] {
    work();
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
}

// Notes when each repaint of the window that paints the zoom view ends,
// and how many tiles the canvas had drawn when that view was painted: those
// tiles are on screen from that moment. Fed by BenchApp::notify.
class RepaintWatch {
public:
  RepaintWatch(QWidget *window, QWidget *zoom, const ScreenCanvas &canvas)
      : m_window(window), m_zoom(zoom), m_canvas(canvas) {}
  // The tiles a phone sent, in order: when each one's last byte went out.
  void sent(qint64 ns) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sent.push_back(ns);
  }
  void reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sent.clear();
    m_shownUpTo = 0;
    m_base = m_canvas.tilesDrawn();
    m_latencies.clear();
  }
  std::vector<double> latenciesMs() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_latencies;
  }
  void Before(QObject *receiver, QEvent *event) {
    if (receiver == m_zoom && event->type() == QEvent::Paint) {
      m_drawnAtPaint = m_canvas.tilesDrawn();
      m_zoomPainted = true;
    }
  }
  void After(QObject *receiver, QEvent *event) {
    if (receiver != m_window || event->type() != QEvent::UpdateRequest ||
        !m_zoomPainted)
      return;
    const qint64 now = nowNs();
    m_zoomPainted = false;
    std::lock_guard<std::mutex> lock(m_mutex);
    const quint64 shown =
        std::min<quint64>(m_drawnAtPaint - m_base, m_sent.size());
    for (quint64 i = m_shownUpTo; i < shown; ++i)
      m_latencies.push_back(double(now - m_sent[size_t(i)]) / 1e6);
    m_shownUpTo = std::max(m_shownUpTo, shown);
  }

private:
  QWidget *m_window;
  QWidget *m_zoom;
  const ScreenCanvas &m_canvas;
  bool m_zoomPainted = false;
  quint64 m_drawnAtPaint = 0;
  std::mutex m_mutex;
  std::vector<qint64> m_sent;
  quint64 m_shownUpTo = 0;
  quint64 m_base = 0;
  std::vector<double> m_latencies;
};

class BenchApp : public QApplication {
public:
  using QApplication::QApplication;
  RepaintWatch *watch = nullptr;
  bool notify(QObject *receiver, QEvent *event) override {
    if (!watch)
      return QApplication::notify(receiver, event);
    watch->Before(receiver, event);
    const bool result = QApplication::notify(receiver, event);
    watch->After(receiver, event);
    return result;
  }
};

// A full-screen tile: the window's own screen picture, white with a grey
// band, as a JPEG with its one-pixel margin.
QByteArray fullTile() {
  QImage image(ScreenCanvas::kScreenWidth + 2, ScreenCanvas::kScreenHeight + 2,
               QImage::Format_RGB32);
  image.fill(Qt::white);
  for (int y = 60; y < 140; ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, qRgb(x, y, 128));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 75);
  return bytes;
}

// Sends the tile count times, every periodMs (0: as fast as the replies
// come), noting each one's last byte with the watch.
bool sendTiles(int port, const QByteArray &tile, int count, int periodMs,
               RepaintWatch &watch) {
  const int fd = connectPhone(port);
  if (fd < 0)
    return false;
  QByteArray request;
  for (qint32 v : {14, qint32(tile.size()), 0, 0})
    loopback::appendInt(request, v);
  request.append(tile);
  bool ok = true;
  const qint64 start = nowNs();
  for (int i = 0; ok && i < count; ++i) {
    if (periodMs > 0) {
      const qint64 due = start + qint64(i) * periodMs * 1000000;
      const qint64 wait = due - nowNs();
      if (wait > 0)
        std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
    }
    ok = ::send(fd, request.constData(), size_t(request.size()),
                MSG_NOSIGNAL) == request.size();
    watch.sent(nowNs());
    ok = ok && readReply(fd) >= 0;
  }
  // The last repaints come in before the phone leaves.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  sayGoodbye(fd);
  return ok;
}

void reportTiles(const char *what, const std::vector<double> &ms, int sent) {
  std::printf("%-34s %5zu/%-5d %8.2f %8.2f %8.2f\n", what, ms.size(), sent,
              percentile(ms, 0.5), percentile(ms, 0.99),
              ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()));
  std::fflush(stdout);
}

// The window's own key path: key events posted to the window, as the
// windowing system's arrive, at random moments; a phone polls every
// pollMs and notes when a poll hands out queue bytes.
void keyToWire(MainWindow &form, int port, int pollMs, int keys) {
  std::vector<qint64> pressed;
  std::vector<double> latencies;
  std::mutex mutex;
  std::atomic<bool> done{false};
  QTimer presser;
  presser.setSingleShot(true);
  int count = 0;
  QObject::connect(&presser, &QTimer::timeout, [&] {
    if (count++ >= keys) {
      done = true;
      return;
    }
    {
      std::lock_guard<std::mutex> lock(mutex);
      pressed.push_back(nowNs());
    }
    QWindow *window = form.windowHandle();
    QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress,
                                                      Qt::Key_2, Qt::NoModifier,
                                                      QStringLiteral("2")));
    QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyRelease,
                                                      Qt::Key_2, Qt::NoModifier,
                                                      QStringLiteral("2")));
    // Keys far enough apart that each goes out in a poll of its own.
    presser.start(int(2.5 * pollMs) +
                  QRandomGenerator::global()->bounded(pollMs));
  });
  presser.start(100);
  runBeside([&] {
    const int fd = connectPhone(port);
    if (fd < 0)
      return;
    size_t next = 0;
    QByteArray poll;
    loopback::appendInt(poll, 13);
    while (!done) {
      std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
      if (::send(fd, poll.constData(), 4, MSG_NOSIGNAL) != 4)
        break;
      const int bytes = readReply(fd);
      const qint64 now = nowNs();
      if (bytes < 0)
        break;
      if (bytes > 0) {
        std::lock_guard<std::mutex> lock(mutex);
        // Every key pressed so far went out in this reply.
        for (; next < pressed.size(); ++next)
          latencies.push_back(double(now - pressed[next]) / 1e6);
      }
    }
    sayGoodbye(fd);
  });
  std::printf("key to wire, poll every %d ms: %zu keys, median %.2f ms, "
              "p99 %.2f ms, max %.2f ms (p99 - poll interval: %.2f ms)\n",
              pollMs, latencies.size(), percentile(latencies, 0.5),
              percentile(latencies, 0.99),
              latencies.empty()
                  ? 0.0
                  : *std::max_element(latencies.begin(), latencies.end()),
              percentile(latencies, 0.99) - pollMs);
}

void inProcess(BenchApp &app, int rhythmTiles, int floodTiles, int keys) {
  QTemporaryDir dir;
  const Paths paths = Paths::forExecutable(dir.filePath("quorvane"));
  // Messages go to the error output; no box stops the run.
  class PrintedMessages : public MessageBoxes {
  public:
    void show(QWidget *, MessageKind, const QString &,
              const QString &text) override {
      std::fprintf(stderr, "message box: %s\n", qPrintable(text));
    }
    int ask(QWidget *, const QString &, const QString &,
            const QStringList &buttons) override {
      return int(buttons.size()) - 1;
    }
  } messages;
  AppCore core(paths);
  MainWindow form(core, messages);
  form.show();
  QElapsedTimer wait;
  wait.start();
  while (!form.isVisible() || wait.elapsed() < 1500)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  core.settings().setPort(0);
  driver::trigger(form, "connectInternetAction");
  const int port = form.core().tcpLink().boundPort();
  if (port <= 0) {
    std::fprintf(stderr, "the window's link did not open\n");
    return;
  }
  RepaintWatch watch(&form, driver::find<ScreenImage>(form, "zoomView"),
                     form.core().canvas());
  app.watch = &watch;
  const QByteArray tile = fullTile();

  std::printf("platform %s; full-screen JPEG tile of %lld bytes\n",
              qPrintable(QGuiApplication::platformName()),
              static_cast<long long>(tile.size()));
  std::printf("%-34s %11s %8s %8s %8s\n", "tile to screen (ms)", "shown",
              "median", "p99", "max");
  watch.reset();
  runBeside([&] { sendTiles(port, tile, rhythmTiles, 50, watch); });
  reportTiles("one tile every 50 ms", watch.latenciesMs(), rhythmTiles);
  watch.reset();
  runBeside([&] { sendTiles(port, tile, floodTiles, 0, watch); });
  reportTiles("flood", watch.latenciesMs(), floodTiles);
  app.watch = nullptr;

  keyToWire(form, port, 50, keys);
  driver::trigger(form, "disconnectAction");
}

// ---------------------------------------------------- the program itself --

struct ProcessFigures {
  double cpuSeconds = 0; // utime + stime
  long switches = 0;     // context switches of all threads
  long mainSwitches = 0; // of the main (GUI) thread
  long residentKb = 0;
};

long statusField(const QString &path, const char *field) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return 0;
  long sum = 0;
  for (const QByteArray &line : file.readAll().split('\n'))
    if (line.startsWith(field))
      sum += line.mid(int(std::strlen(field)))
                 .trimmed()
                 .split(' ')
                 .value(0)
                 .toLong();
  return sum;
}

long contextSwitches(const QString &statusPath) {
  return statusField(statusPath, "voluntary_ctxt_switches:") +
         statusField(statusPath, "nonvoluntary_ctxt_switches:");
}

ProcessFigures readFigures(qint64 pid) {
  ProcessFigures f;
  const QString proc = QStringLiteral("/proc/%1").arg(pid);
  QFile stat(proc + "/stat");
  if (stat.open(QIODevice::ReadOnly)) {
    // Fields after the command's closing parenthesis, from the state (3rd).
    const QByteArray line = stat.readAll();
    const QList<QByteArray> rest =
        line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double tick = double(sysconf(_SC_CLK_TCK));
    f.cpuSeconds = (rest.value(11).toDouble() + rest.value(12).toDouble()) /
                   tick; // utime, stime: fields 14 and 15
  }
  for (const QString &task :
       QDir(proc + "/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot))
    f.switches += contextSwitches(proc + "/task/" + task + "/status");
  f.mainSwitches =
      contextSwitches(proc + "/task/" + QString::number(pid) + "/status");
  f.residentKb = statusField(proc + "/status", "VmRSS:");
  return f;
}

QString run(const QString &program, const QStringList &args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(10000);
  return QString::fromLocal8Bit(p.readAllStandardOutput());
}

void runFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

int freePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

void reportPeriod(const char *what, const ProcessFigures &a,
                  const ProcessFigures &b, double seconds) {
  std::printf("%-36s %6.0f s %7.3f%% %9.2f %9.2f %7.1f MB\n", what, seconds,
              100.0 * (b.cpuSeconds - a.cpuSeconds) / seconds,
              double(b.switches - a.switches) / seconds,
              double(b.mainSwitches - a.mainSwitches) / seconds,
              double(b.residentKb) / 1024.0);
  std::fflush(stdout);
}

void measureProgram(const QString &programDir, int unconnectedSeconds,
                    int connectedSeconds) {
  QTemporaryDir dir;
  run("cp", {"-r", programDir + "/.", dir.path()});
  const int port = freePort();
  {
    QFile ini(dir.filePath("Quorvane.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write("[Connection]\r\nPort=" + QByteArray::number(port) + "\r\n");
  }
  QProcess program;
  program.setWorkingDirectory(dir.path());
  program.start(dir.filePath("quorvane"), {});
  if (!program.waitForStarted(10000)) {
    std::fprintf(stderr, "the program did not start\n");
    return;
  }
  QString window;
  for (int i = 0; i < 200 && window.isEmpty(); ++i) {
    window =
        run("xdotool", {"search", "--onlyvisible", "--name", "Quorvane v1.0"})
            .split('\n')
            .value(0)
            .trimmed();
    if (window.isEmpty())
      runFor(50);
  }
  if (window.isEmpty()) {
    std::fprintf(stderr, "the program's window did not show\n");
    program.kill();
    program.waitForFinished();
    return;
  }
  const qint64 pid = program.processId();
  std::printf("\nThe program (%s), pid %lld\n", qPrintable(programDir),
              static_cast<long long>(pid));
  std::printf("%-36s %8s %8s %9s %9s %10s\n", "", "period", "CPU", "wakes/s",
              "main/s", "resident");
  runFor(3000); // start-up settles; the splash goes
  ProcessFigures before = readFigures(pid);
  runFor(unconnectedSeconds * 1000);
  reportPeriod("no link open", before, readFigures(pid), unconnectedSeconds);

  // Connection, then via GPRS, as a user clicks them.
  QMap<QString, int> geometry;
  for (const QString &line :
       run("xdotool", {"getwindowgeometry", "--shell", window}).split('\n'))
    geometry[line.section('=', 0, 0)] = line.section('=', 1).toInt();
  const int x = geometry.value("X"), y = geometry.value("Y");
  run("xdotool", {"mousemove", QString::number(x + 40), QString::number(y + 10),
                  "click", "1"});
  runFor(700);
  run("xdotool", {"mousemove", QString::number(x + 60), QString::number(y + 97),
                  "click", "1"});
  runFor(500);
  QProcess phone;
  phone.start(QStringLiteral(QV_BIN_DIR "/phone-sim"),
              {"--host", "127.0.0.1", "--port", QString::number(port),
               "--poll-ms", "50", "--quiet"});
  runFor(3000); // identified, first screen sent
  if (phone.state() != QProcess::Running) {
    std::fprintf(stderr, "the phone simulator did not stay connected: %s\n",
                 phone.readAllStandardError().constData());
  } else {
    before = readFigures(pid);
    runFor(connectedSeconds * 1000);
    const ProcessFigures after = readFigures(pid);
    reportPeriod("connected, phone polls every 50 ms", before, after,
                 connectedSeconds);
    std::printf("resident memory connected and idle: %.1f MB at the start, "
                "%.1f MB at the end\n",
                double(before.residentKb) / 1024.0,
                double(after.residentKb) / 1024.0);
    phone.terminate();
    phone.waitForFinished(5000);
  }
  program.terminate();
  if (!program.waitForFinished(5000)) {
    program.kill();
    program.waitForFinished();
  }
}

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) {
    std::fprintf(stderr, "latency needs an X server: run it under xvfb-run "
                         "-a -s \"-screen 0 1280x1024x24\"\n");
    return 2;
  }
  BenchApp app(argc, argv);
  const int connectedSeconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
  const int unconnectedSeconds = argc > 2 ? std::max(1, atoi(argv[2])) : 10;
  const QString programDir = argc > 3
                                 ? QString::fromLocal8Bit(argv[3])
                                 : QStringLiteral(QV_BIN_DIR "/../program");
  const QByteArray skip = argc > 4 ? QByteArray(argv[4]) : QByteArray();
  if (skip != "inprocess")
    inProcess(app, 200, 2000, 200);
  if (skip != "program")
    measureProgram(QDir(programDir).absolutePath(), unconnectedSeconds,
                   connectedSeconds);
  return 0;
}
