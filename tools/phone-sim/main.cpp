// phone-sim: a stand-in for the phone agent, for users without a phone, for
// demonstrations and for tests. See --help.

#include "Log.h"
#include "PhoneUi.h"
#include "Session.h"
#include "SimOptions.h"
#include "TileEncoder.h"
#include "Transport.h"
#include "Wire.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <poll.h>

using namespace phonesim;

namespace {

volatile sig_atomic_t g_stop = 0;

void onSignal(int) { g_stop = 1; }

bool stopRequested() { return g_stop != 0; }

void installSignalHandlers() {
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0; // no SA_RESTART: blocking waits return and see the flag
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

// Qt's own warnings (e.g. about the runtime directory) only with --verbose.
void qtMessages(QtMsgType type, const QMessageLogContext &,
                const QString &text) {
  if (type == QtFatalMsg || type == QtCriticalMsg)
    logError(text);
  else
    logDebug(text);
}

void sleepMs(int ms) {
  for (int left = ms; left > 0 && !stopRequested(); left -= 100)
    ::poll(nullptr, 0, left < 100 ? left : 100);
}

class KeyRecorder {
public:
  bool open(const QString &path) {
    if (path.isEmpty())
      return true;
    if (path == QLatin1String("-")) {
      m_file = stdout;
      return true;
    }
    m_file = fopen(path.toLocal8Bit().constData(), "w");
    m_own = m_file != nullptr;
    return m_file != nullptr;
  }
  ~KeyRecorder() {
    if (m_own)
      fclose(m_file);
  }
  void write(int code) {
    if (!m_file)
      return;
    fprintf(m_file, "%d\n", code);
    fflush(m_file);
  }

private:
  FILE *m_file = nullptr;
  bool m_own = false;
};

struct Context {
  SimOptions options;
  SessionOptions session;
  PhoneUi ui;
  KeyRecorder recorder;
  Tile floodTile;
};

// Runs the selected mode over one open link.
Session::Result runMode(Context &ctx, Transport &transport, Wire &wire) {
  Session session(transport, wire, ctx.ui, ctx.session);
  session.setStopRequested(stopRequested);
  session.setKeyObserver([&ctx](int code) { ctx.recorder.write(code); });

  Session::Result r = Session::Result::Ok;
  switch (ctx.options.mode) {
  case SimOptions::Mode::Normal:
    r = session.run();
    break;
  case SimOptions::Mode::Flood: {
    r = session.authenticate();
    if (r == Session::Result::KeysDone)
      r = Session::Result::Ok;
    if (r != Session::Result::Ok)
      break;
    long long tiles = 0;
    double elapsed = 0;
    r = session.flood(ctx.floodTile, ctx.options.floodSeconds, &tiles,
                      &elapsed);
    printf("tiles/s: %.1f\nreplies: %lld\n",
           elapsed > 0 ? double(tiles) / elapsed : 0.0,
           session.repliesReceived());
    fflush(stdout);
    session.sayGoodbye();
    break;
  }
  case SimOptions::Mode::PollBench: {
    r = session.authenticate();
    if (r == Session::Result::KeysDone)
      r = Session::Result::Ok;
    if (r != Session::Result::Ok)
      break;
    std::vector<double> rtt;
    r = session.pollBench(ctx.options.pollBenchCount, &rtt);
    printf("requests: %zu\nmedian_us: %.1f\np99_us: %.1f\n", rtt.size(),
           percentile(rtt, 0.5), percentile(rtt, 0.99));
    fflush(stdout);
    session.sayGoodbye();
    break;
  }
  }
  const QString detail = session.errorText().isEmpty()
                             ? QString()
                             : QStringLiteral(": ") + session.errorText();
  if (r == Session::Result::ProtocolError || r == Session::Result::IoError)
    logError(QStringLiteral("session ended, %1%2")
                 .arg(QLatin1String(Session::resultName(r)), detail));
  else
    logInfo(QStringLiteral("session ended, %1%2")
                .arg(QLatin1String(Session::resultName(r)), detail));
  return r;
}

// The process exit code once no further session follows.
int exitCode(Session::Result r) {
  return r == Session::Result::ProtocolError || r == Session::Result::IoError
             ? 1
             : 0;
}

bool lastSession(const Context &ctx, Session::Result r) {
  return stopRequested() || ctx.options.once ||
         ctx.options.mode != SimOptions::Mode::Normal ||
         r == Session::Result::Stopped || r == Session::Result::KeysDone;
}

int runTcp(Context &ctx) {
  const SimOptions &o = ctx.options;
  QString lastError;
  while (!stopRequested()) {
    QString error;
    const int fd = connectTcp(o.host, o.port, &error);
    if (fd < 0) {
      // Say it once, then keep trying quietly every second.
      if (error != lastError)
        logInfo(QStringLiteral("waiting for the PC at %1:%2 (%3)")
                    .arg(o.host)
                    .arg(o.port)
                    .arg(error));
      lastError = error;
      sleepMs(o.retryMs);
      continue;
    }
    lastError.clear();
    logInfo(QStringLiteral("connected to %1:%2").arg(o.host).arg(o.port));
    FdTransport transport(fd, FdTransport::Kind::Socket);
    WireTcp wire;
    const Session::Result r = runMode(ctx, transport, wire);
    if (lastSession(ctx, r))
      return exitCode(r);
    sleepMs(o.retryMs);
  }
  return 0;
}

int runSerial(Context &ctx) {
  QString error;
  QString path = ctx.options.serialDevice;
  FdTransport::Kind kind = FdTransport::Kind::Serial;
  int fd = -1;
  if (ctx.options.link == SimOptions::Link::Pty) {
    fd = openPtyMaster(&path, &error);
    kind = FdTransport::Kind::PtyMaster;
  } else {
    fd = openSerialDevice(path, &error);
  }
  if (fd < 0) {
    logError(error);
    return 1;
  }
  if (kind == FdTransport::Kind::PtyMaster) {
    printf("PTY %s\n", path.toLocal8Bit().constData());
    fflush(stdout);
  }
  logInfo(QStringLiteral("serial link on %1").arg(path));
  FdTransport transport(fd, kind);
  while (!stopRequested()) {
    WireSerial wire;
    const Session::Result r = runMode(ctx, transport, wire);
    if (lastSession(ctx, r))
      return exitCode(r);
    transport.discardInput();
    sleepMs(ctx.options.retryMs);
  }
  return 0;
}

} // namespace

int main(int argc, char *argv[]) {
  // The simulator never shows a window; it only paints into images.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(qtMessages);
  QGuiApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("phone-sim"));

  Context ctx;
  QString error;
  int exitCode = 0;
  if (!parseOptions(QCoreApplication::arguments(),
                    QCoreApplication::applicationDirPath(), ctx.options, &error,
                    &exitCode)) {
    const QByteArray text = error.toLocal8Bit();
    fprintf(exitCode == 0 ? stdout : stderr, "%s\n", text.constData());
    return exitCode;
  }
  const SimOptions &o = ctx.options;
  setLogLevel(o.quiet     ? LogLevel::Quiet
              : o.verbose ? LogLevel::Verbose
                          : LogLevel::Normal);
  if (!ctx.recorder.open(o.recordPath)) {
    logError(QStringLiteral("cannot write %1").arg(o.recordPath));
    return 1;
  }
  ctx.session.id = o.id;
  ctx.session.pollIntervalMs = o.pollIntervalMs;
  ctx.session.nopEvery = o.nopEvery;
  ctx.session.exitAfterKeys = o.exitAfterKeys;
  ctx.session.authRetryMs = o.retryMs;
  if (o.mode == SimOptions::Mode::Flood) {
    // Encoded once, so that the flood measures the link, not the encoder.
    ctx.ui.setClock(QDateTime::currentDateTime());
    const QImage screen = ctx.ui.render();
    const QRect area =
        o.floodFullScreen ? screen.rect() : QRect(71, 87, 34, 34);
    ctx.floodTile = TileEncoder::encode(screen, area, o.floodFormat);
    if (!o.saveTilePath.isEmpty()) {
      QFile file(o.saveTilePath);
      if (!file.open(QIODevice::WriteOnly) ||
          file.write(ctx.floodTile.data) != ctx.floodTile.data.size()) {
        logError(QStringLiteral("cannot write %1").arg(o.saveTilePath));
        return 1;
      }
    }
    logInfo(QStringLiteral("flood tile %1x%2: %3 bytes")
                .arg(area.width())
                .arg(area.height())
                .arg(ctx.floodTile.data.size()));
  }
  installSignalHandlers();
  return o.link == SimOptions::Link::Tcp ? runTcp(ctx) : runSerial(ctx);
}
