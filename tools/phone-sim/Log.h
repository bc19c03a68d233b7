#pragma once
// Diagnostics on stderr: errors always, progress by default, every packet
// with --verbose.

#include <QString>

namespace phonesim {

enum class LogLevel { Quiet, Normal, Verbose };

void setLogLevel(LogLevel level);
LogLevel currentLogLevel();
void logError(const QString &text);
void logInfo(const QString &text);
void logDebug(const QString &text);

} // namespace phonesim
