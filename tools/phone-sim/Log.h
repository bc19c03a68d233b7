#pragma once
// Diagnostics on stderr: errors always, progress by default, every packet
// with --verbose.

#include <QString>

namespace phonesim {

enum class LogLevel { Quiet, Normal, Verbose };

void SetLogLevel(LogLevel level);
LogLevel CurrentLogLevel();
void LogError(const QString &text);
void LogInfo(const QString &text);
void LogDebug(const QString &text);

} // namespace phonesim
