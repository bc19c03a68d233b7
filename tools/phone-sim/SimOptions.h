#pragma once
// Command-line options of the phone simulator.

#include "TileEncoder.h"
#include "Wire.h"

#include <QString>
#include <QStringList>

namespace phonesim {

constexpr int kDefaultPort = 10001;

struct SimOptions {
  enum class Mode { Normal, Flood, PollBench };
  enum class Link { Tcp, Serial, Pty };

  Link link = Link::Tcp;
  QString host = QStringLiteral("127.0.0.1");
  int port = kDefaultPort;
  QString serialDevice;
  IdBlock id;
  bool once = false;
  // Where received key codes go: empty for nowhere, "-" for stdout.
  QString recordPath;
  int exitAfterKeys = 0;
  int pollIntervalMs = 100;
  int nopEvery = 10;
  // Pause before connecting again after a refusal or a session's end.
  int retryMs = 1000;

  Mode mode = Mode::Normal;
  double floodSeconds = 0;
  bool floodFullScreen = false;
  TileFormat floodFormat = TileFormat::Auto;
  // Where the encoded flood tile is also written, for decoder benchmarks.
  QString saveTilePath;
  int pollBenchCount = 0;

  bool quiet = false;
  bool verbose = false;
};

// The [Connection] Port of Quorvane.ini in 'dir', or kDefaultPort when the
// file, the key or a usable value is missing. Section and key names are
// matched without regard to case; "0x" introduces a hexadecimal value.
int readIniPort(const QString &dir);

// Parses the arguments (the program name first). iniDirDefault is where
// Quorvane.ini is looked for without --ini-dir. On failure returns false
// and sets error; help and version text also come back through error with
// the result false and *exitCode 0.
bool parseOptions(const QStringList &arguments, const QString &iniDirDefault,
                  SimOptions &out, QString *error, int *exitCode);

} // namespace phonesim
