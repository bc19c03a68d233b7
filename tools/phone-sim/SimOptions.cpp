#include "SimOptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>

namespace phonesim {

namespace {

bool parseIniInteger(const QString &text, int *value) {
  const QString t = text.trimmed();
  bool ok = false;
  int v = 0;
  if (t.size() > 2 &&
      (t.startsWith(QLatin1String("0x")) || t.startsWith(QLatin1String("0X"))))
    v = t.mid(2).toInt(&ok, 16);
  else
    v = t.toInt(&ok, 10);
  if (ok)
    *value = v;
  return ok;
}

bool parsePositive(const QString &text, int min, int max, int *value) {
  bool ok = false;
  const int v = text.toInt(&ok);
  if (!ok || v < min || v > max)
    return false;
  *value = v;
  return true;
}

} // namespace

int readIniPort(const QString &dir) {
  QFile file(QDir(dir).filePath(QStringLiteral("Quorvane.ini")));
  if (!file.open(QIODevice::ReadOnly))
    return kDefaultPort;
  bool inConnection = false;
  const QList<QByteArray> lines = file.readAll().split('\n');
  for (const QByteArray &raw : lines) {
    const QString line = QString::fromLatin1(raw).trimmed();
    if (line.startsWith(QLatin1Char('['))) {
      const int close = line.indexOf(QLatin1Char(']'));
      inConnection = close > 0 && line.mid(1, close - 1)
                                          .trimmed()
                                          .compare(QLatin1String("Connection"),
                                                   Qt::CaseInsensitive) == 0;
      continue;
    }
    const int eq = line.indexOf(QLatin1Char('='));
    if (!inConnection || eq <= 0)
      continue;
    if (line.left(eq).trimmed().compare(QLatin1String("Port"),
                                        Qt::CaseInsensitive) != 0)
      continue;
    int port = 0;
    if (parseIniInteger(line.mid(eq + 1), &port) && port > 0 && port < 65536)
      return port;
    return kDefaultPort;
  }
  return kDefaultPort;
}

bool parseOptions(const QStringList &arguments, const QString &iniDirDefault,
                  SimOptions &out, QString *error, int *exitCode) {
  *exitCode = 2;
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Stands in for the phone agent: connects to the PC over TCP or a "
      "serial line, shows a simulated phone screen and takes key commands."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Shows this help."));
  const QCommandLineOption host(QStringLiteral("host"),
                                QStringLiteral("PC to connect to (127.0.0.1)."),
                                QStringLiteral("name"));
  const QCommandLineOption port(
      QStringLiteral("port"),
      QStringLiteral("TCP port (default: [Connection] Port of Quorvane.ini, "
                     "else 10001)."),
      QStringLiteral("n"));
  const QCommandLineOption iniDir(
      QStringLiteral("ini-dir"),
      QStringLiteral("Directory holding Quorvane.ini (default: the "
                     "simulator's own)."),
      QStringLiteral("dir"));
  const QCommandLineOption serial(
      QStringLiteral("serial"),
      QStringLiteral("Talks over this serial device instead of TCP."),
      QStringLiteral("device"));
  const QCommandLineOption pty(
      QStringLiteral("pty"),
      QStringLiteral("Creates a pseudo-terminal, prints \"PTY <path>\" and "
                     "talks over it."));
  const QCommandLineOption id(
      QStringLiteral("id"),
      QStringLiteral("Identification block, 16 hex digits, byte 0 first "
                     "(default 41564F4E5AC319E7)."),
      QStringLiteral("hex"));
  const QCommandLineOption once(
      QStringLiteral("once"),
      QStringLiteral("Exits after the first session instead of reconnecting."));
  const QCommandLineOption record(
      QStringLiteral("record"),
      QStringLiteral("Writes every key code received to this file, one "
                     "decimal per line (\"-\" for stdout)."),
      QStringLiteral("file"));
  const QCommandLineOption script(
      QStringLiteral("script"),
      QStringLiteral("Writes every key code received to stdout."));
  const QCommandLineOption exitAfter(
      QStringLiteral("exit-after-keys"),
      QStringLiteral("Says goodbye and exits after this many keys."),
      QStringLiteral("n"));
  const QCommandLineOption pollMs(
      QStringLiteral("poll-ms"),
      QStringLiteral("Milliseconds between polls when idle (100)."),
      QStringLiteral("ms"));
  const QCommandLineOption nopEvery(
      QStringLiteral("nop-every"),
      QStringLiteral("Every nth poll is a NOP keep-alive; 0 never (10)."),
      QStringLiteral("n"));
  const QCommandLineOption retryMs(
      QStringLiteral("retry-ms"),
      QStringLiteral("Milliseconds before connecting again (1000)."),
      QStringLiteral("ms"));
  const QCommandLineOption flood(
      QStringLiteral("flood"),
      QStringLiteral("Sends one tile as fast as the PC answers for this many "
                     "seconds, then prints the rate."),
      QStringLiteral("seconds"));
  const QCommandLineOption tile(
      QStringLiteral("tile"),
      QStringLiteral("Flood tile: small (34x34) or full (176x208)."),
      QStringLiteral("size"));
  const QCommandLineOption format(
      QStringLiteral("format"),
      QStringLiteral("Flood tile encoding: auto, gif or jpeg."),
      QStringLiteral("kind"));
  const QCommandLineOption saveTile(
      QStringLiteral("save-tile"),
      QStringLiteral("With --flood: also writes the encoded tile to this "
                     "file."),
      QStringLiteral("file"));
  const QCommandLineOption pollBench(
      QStringLiteral("poll-bench"),
      QStringLiteral("Sends this many polls and prints the median and p99 "
                     "round trip in microseconds."),
      QStringLiteral("n"));
  const QCommandLineOption quiet(QStringLiteral("quiet"),
                                 QStringLiteral("Logs errors only."));
  const QCommandLineOption verbose(QStringLiteral("verbose"),
                                   QStringLiteral("Logs every packet."));
  parser.addOptions({help,      host,    port,   iniDir, serial,    pty,
                     id,        once,    record, script, exitAfter, pollMs,
                     nopEvery,  retryMs, flood,  tile,   format,    saveTile,
                     pollBench, quiet,   verbose});

  if (!parser.parse(arguments)) {
    *error = parser.errorText();
    return false;
  }
  if (parser.isSet(help)) {
    *error = parser.helpText();
    *exitCode = 0;
    return false;
  }
  if (!parser.positionalArguments().isEmpty()) {
    *error = QStringLiteral("unexpected argument: %1")
                 .arg(parser.positionalArguments().first());
    return false;
  }

  SimOptions o;
  if (parser.isSet(serial) && parser.isSet(pty)) {
    *error = QStringLiteral("--serial and --pty exclude each other");
    return false;
  }
  if (parser.isSet(serial)) {
    o.link = SimOptions::Link::Serial;
    o.serialDevice = parser.value(serial);
  } else if (parser.isSet(pty)) {
    o.link = SimOptions::Link::Pty;
  }
  if (parser.isSet(host))
    o.host = parser.value(host);
  o.port =
      readIniPort(parser.isSet(iniDir) ? parser.value(iniDir) : iniDirDefault);
  if (parser.isSet(port) &&
      !parsePositive(parser.value(port), 1, 65535, &o.port)) {
    *error = QStringLiteral("--port needs a number from 1 to 65535");
    return false;
  }
  if (parser.isSet(id) && !IdBlock::fromHex(parser.value(id), o.id)) {
    *error = QStringLiteral("--id needs exactly 16 hexadecimal digits");
    return false;
  }
  o.once = parser.isSet(once);
  if (parser.isSet(script))
    o.recordPath = QStringLiteral("-");
  if (parser.isSet(record))
    o.recordPath = parser.value(record);
  if (parser.isSet(exitAfter) &&
      !parsePositive(parser.value(exitAfter), 1, 1 << 30, &o.exitAfterKeys)) {
    *error = QStringLiteral("--exit-after-keys needs a positive number");
    return false;
  }
  if (parser.isSet(pollMs) &&
      !parsePositive(parser.value(pollMs), 0, 60000, &o.pollIntervalMs)) {
    *error = QStringLiteral("--poll-ms needs a number from 0 to 60000");
    return false;
  }
  if (parser.isSet(nopEvery) &&
      !parsePositive(parser.value(nopEvery), 0, 1 << 30, &o.nopEvery)) {
    *error = QStringLiteral("--nop-every needs a number of 0 or more");
    return false;
  }
  if (parser.isSet(retryMs) &&
      !parsePositive(parser.value(retryMs), 1, 600000, &o.retryMs)) {
    *error = QStringLiteral("--retry-ms needs a number from 1 to 600000");
    return false;
  }
  if (parser.isSet(flood)) {
    bool ok = false;
    o.floodSeconds = parser.value(flood).toDouble(&ok);
    if (!ok || !(o.floodSeconds > 0) || o.floodSeconds > 86400) {
      *error = QStringLiteral("--flood needs a positive number of seconds");
      return false;
    }
    o.mode = SimOptions::Mode::Flood;
  }
  if (parser.isSet(tile)) {
    const QString t = parser.value(tile);
    if (t != QLatin1String("small") && t != QLatin1String("full")) {
      *error = QStringLiteral("--tile is small or full");
      return false;
    }
    o.floodFullScreen = t == QLatin1String("full");
  }
  if (parser.isSet(format)) {
    const QString f = parser.value(format);
    if (f == QLatin1String("gif"))
      o.floodFormat = TileFormat::Gif;
    else if (f == QLatin1String("jpeg") || f == QLatin1String("jpg"))
      o.floodFormat = TileFormat::Jpeg;
    else if (f == QLatin1String("auto"))
      o.floodFormat = TileFormat::Auto;
    else {
      *error = QStringLiteral("--format is auto, gif or jpeg");
      return false;
    }
  }
  if (parser.isSet(saveTile)) {
    if (o.mode != SimOptions::Mode::Flood) {
      *error = QStringLiteral("--save-tile goes with --flood");
      return false;
    }
    o.saveTilePath = parser.value(saveTile);
  }
  if (parser.isSet(pollBench)) {
    if (o.mode != SimOptions::Mode::Normal) {
      *error = QStringLiteral("--flood and --poll-bench exclude each other");
      return false;
    }
    if (!parsePositive(parser.value(pollBench), 1, 1 << 30,
                       &o.pollBenchCount)) {
      *error = QStringLiteral("--poll-bench needs a positive number");
      return false;
    }
    o.mode = SimOptions::Mode::PollBench;
  }
  o.quiet = parser.isSet(quiet);
  o.verbose = parser.isSet(verbose);
  out = o;
  *exitCode = 0;
  return true;
}

} // namespace phonesim
