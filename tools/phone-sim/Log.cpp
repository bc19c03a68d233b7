#include "Log.h"

#include <QDateTime>

#include <cstdio>

namespace phonesim {

namespace {
LogLevel g_level = LogLevel::Normal;

void Write(const char *tag, const QString &text) {
  const QByteArray line =
      QStringLiteral("phone-sim %1 %2%3\n")
          .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")),
               QLatin1String(tag), text)
          .toLocal8Bit();
  fwrite(line.constData(), 1, line.size(), stderr);
}
} // namespace

void SetLogLevel(LogLevel level) { g_level = level; }
LogLevel CurrentLogLevel() { return g_level; }

void LogError(const QString &text) { Write("error: ", text); }

void LogInfo(const QString &text) {
  if (g_level != LogLevel::Quiet)
    Write("", text);
}

void LogDebug(const QString &text) {
  if (g_level == LogLevel::Verbose)
    Write("", text);
}

} // namespace phonesim
