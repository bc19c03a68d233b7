#include "Log.h"

#include <QDateTime>

#include <cstdio>

namespace phonesim {

namespace {
LogLevel g_level = LogLevel::Normal;

void write(const char *tag, const QString &text) {
  const QByteArray line =
      QStringLiteral("phone-sim %1 %2%3\n")
          .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")),
               QLatin1String(tag), text)
          .toLocal8Bit();
  fwrite(line.constData(), 1, line.size(), stderr);
}
} // namespace

void setLogLevel(LogLevel level) { g_level = level; }
LogLevel currentLogLevel() { return g_level; }

void logError(const QString &text) { write("error: ", text); }

void logInfo(const QString &text) {
  if (g_level != LogLevel::Quiet)
    write("", text);
}

void logDebug(const QString &text) {
  if (g_level == LogLevel::Verbose)
    write("", text);
}

} // namespace phonesim
