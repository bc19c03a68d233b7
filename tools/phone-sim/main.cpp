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

void OnSignal(int) { g_stop = 1; }

bool StopRequested() { return g_stop != 0; }

void InstallSignalHandlers() {
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0; // no SA_RESTART: blocking waits return and see the flag
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

// Qt's own warnings (e.g. about the runtime directory) only with --verbose.
void QtMessages(QtMsgType type, const QMessageLogContext &,
                const QString &text) {
  if (type == QtFatalMsg || type == QtCriticalMsg)
    LogError(text);
  else
    LogDebug(text);
}

void SleepMs(int ms) {
  for (int left = ms; left > 0 && !StopRequested(); left -= 100)
    ::poll(nullptr, 0, left < 100 ? left : 100);
}

class KeyRecorder {
public:
  bool Open(const QString &path) {
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
  void Write(int code) {
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
Session::Result RunMode(Context &ctx, Transport &transport, Wire &wire) {
  Session session(transport, wire, ctx.ui, ctx.session);
  session.SetStopRequested(StopRequested);
  session.SetKeyObserver([&ctx](int code) { ctx.recorder.Write(code); });

  Session::Result r = Session::Result::Ok;
  switch (ctx.options.mode) {
  case SimOptions::Mode::Normal:
    r = session.Run();
    break;
  case SimOptions::Mode::Flood: {
    r = session.Authenticate();
    if (r == Session::Result::KeysDone)
      r = Session::Result::Ok;
    if (r != Session::Result::Ok)
      break;
    long long tiles = 0;
    double elapsed = 0;
    r = session.Flood(ctx.floodTile, ctx.options.floodSeconds, &tiles,
                      &elapsed);
    printf("tiles/s: %.1f\nreplies: %lld\n",
           elapsed > 0 ? double(tiles) / elapsed : 0.0,
           session.RepliesReceived());
    fflush(stdout);
    session.SayGoodbye();
    break;
  }
  case SimOptions::Mode::PollBench: {
    r = session.Authenticate();
    if (r == Session::Result::KeysDone)
      r = Session::Result::Ok;
    if (r != Session::Result::Ok)
      break;
    std::vector<double> rtt;
    r = session.PollBench(ctx.options.pollBenchCount, &rtt);
    printf("requests: %zu\nmedian_us: %.1f\np99_us: %.1f\n", rtt.size(),
           Percentile(rtt, 0.5), Percentile(rtt, 0.99));
    fflush(stdout);
    session.SayGoodbye();
    break;
  }
  }
  const QString detail = session.ErrorText().isEmpty()
                             ? QString()
                             : QStringLiteral(": ") + session.ErrorText();
  if (r == Session::Result::ProtocolError || r == Session::Result::IoError)
    LogError(QStringLiteral("session ended, %1%2")
                 .arg(QLatin1String(Session::ResultName(r)), detail));
  else
    LogInfo(QStringLiteral("session ended, %1%2")
                .arg(QLatin1String(Session::ResultName(r)), detail));
  return r;
}

// The process exit code once no further session follows.
int ExitCode(Session::Result r) {
  return r == Session::Result::ProtocolError || r == Session::Result::IoError
             ? 1
             : 0;
}

bool LastSession(const Context &ctx, Session::Result r) {
  return StopRequested() || ctx.options.once ||
         ctx.options.mode != SimOptions::Mode::Normal ||
         r == Session::Result::Stopped || r == Session::Result::KeysDone;
}

int RunTcp(Context &ctx) {
  const SimOptions &o = ctx.options;
  QString lastError;
  while (!StopRequested()) {
    QString error;
    const int fd = ConnectTcp(o.host, o.port, &error);
    if (fd < 0) {
      // Say it once, then keep trying quietly every second.
      if (error != lastError)
        LogInfo(QStringLiteral("waiting for the PC at %1:%2 (%3)")
                    .arg(o.host)
                    .arg(o.port)
                    .arg(error));
      lastError = error;
      SleepMs(o.retryMs);
      continue;
    }
    lastError.clear();
    LogInfo(QStringLiteral("connected to %1:%2").arg(o.host).arg(o.port));
    FdTransport transport(fd, FdTransport::Kind::Socket);
    WireTcp wire;
    const Session::Result r = RunMode(ctx, transport, wire);
    if (LastSession(ctx, r))
      return ExitCode(r);
    SleepMs(o.retryMs);
  }
  return 0;
}

int RunSerial(Context &ctx) {
  QString error;
  QString path = ctx.options.serialDevice;
  FdTransport::Kind kind = FdTransport::Kind::Serial;
  int fd = -1;
  if (ctx.options.link == SimOptions::Link::Pty) {
    fd = OpenPtyMaster(&path, &error);
    kind = FdTransport::Kind::PtyMaster;
  } else {
    fd = OpenSerialDevice(path, &error);
  }
  if (fd < 0) {
    LogError(error);
    return 1;
  }
  if (kind == FdTransport::Kind::PtyMaster) {
    printf("PTY %s\n", path.toLocal8Bit().constData());
    fflush(stdout);
  }
  LogInfo(QStringLiteral("serial link on %1").arg(path));
  FdTransport transport(fd, kind);
  while (!StopRequested()) {
    WireSerial wire;
    const Session::Result r = RunMode(ctx, transport, wire);
    if (LastSession(ctx, r))
      return ExitCode(r);
    transport.DiscardInput();
    SleepMs(ctx.options.retryMs);
  }
  return 0;
}

} // namespace

int main(int argc, char *argv[]) {
  // The simulator never shows a window; it only paints into images.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(QtMessages);
  QGuiApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("phone-sim"));

  Context ctx;
  QString error;
  int exitCode = 0;
  if (!ParseOptions(QCoreApplication::arguments(),
                    QCoreApplication::applicationDirPath(), ctx.options, &error,
                    &exitCode)) {
    const QByteArray text = error.toLocal8Bit();
    fprintf(exitCode == 0 ? stdout : stderr, "%s\n", text.constData());
    return exitCode;
  }
  const SimOptions &o = ctx.options;
  SetLogLevel(o.quiet     ? LogLevel::Quiet
              : o.verbose ? LogLevel::Verbose
                          : LogLevel::Normal);
  if (!ctx.recorder.Open(o.recordPath)) {
    LogError(QStringLiteral("cannot write %1").arg(o.recordPath));
    return 1;
  }
  ctx.session.id = o.id;
  ctx.session.pollIntervalMs = o.pollIntervalMs;
  ctx.session.nopEvery = o.nopEvery;
  ctx.session.exitAfterKeys = o.exitAfterKeys;
  ctx.session.authRetryMs = o.retryMs;
  if (o.mode == SimOptions::Mode::Flood) {
    // Encoded once, so that the flood measures the link, not the encoder.
    ctx.ui.SetClock(QDateTime::currentDateTime());
    const QImage screen = ctx.ui.Render();
    const QRect area =
        o.floodFullScreen ? screen.rect() : QRect(71, 87, 34, 34);
    ctx.floodTile = TileEncoder::Encode(screen, area, o.floodFormat);
    if (!o.saveTilePath.isEmpty()) {
      QFile file(o.saveTilePath);
      if (!file.open(QIODevice::WriteOnly) ||
          file.write(ctx.floodTile.data) != ctx.floodTile.data.size()) {
        LogError(QStringLiteral("cannot write %1").arg(o.saveTilePath));
        return 1;
      }
    }
    LogInfo(QStringLiteral("flood tile %1x%2: %3 bytes")
                .arg(area.width())
                .arg(area.height())
                .arg(ctx.floodTile.data.size()));
  }
  InstallSignalHandlers();
  return o.link == SimOptions::Link::Tcp ? RunTcp(ctx) : RunSerial(ctx);
}
