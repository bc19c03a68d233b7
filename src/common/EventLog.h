#pragma once
// The diagnostic event log: one line per protocol event, appended to a file
// beside the executable. Off by default; every caller passes the switch that
// governs its message.
//
// Line layout: long time, ":", milliseconds without leading zeros, " ",
// the message, CR LF. The file is opened for appending, written and closed
// per line; each line goes out in one write, so lines from different threads
// never interleave, and no lock is held while writing. A line cut short (a
// full disk) is taken back out, so the file never ends in half a line.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <atomic>
#include <functional>
#include <stdexcept>

// Commands switch: protocol events of the links and the connection manager.
extern std::atomic<bool> LogCommands;
// Packet-size switch: the serial link's size messages.
extern std::atomic<bool> LogPacketSize;

class LogWriteError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Appends one line when on is true; throws LogWriteError when the file cannot
// be created, opened or written.
void writeLog(const QByteArray &message, bool on);
inline void writeLog(const char *message, bool on) {
  if (on) // no copy of the text while logging is off
    writeLog(QByteArray(message), on);
}

// Appends one line while the switch is on, and never throws: a line that
// cannot be written turns the switch off and goes, with the reason, to the
// failure handler, once for the switch turned off. The links log through
// this form, so a full disk costs the log, not the phone's session.
void writeLog(const QByteArray &message, std::atomic<bool> &logSwitch);
inline void writeLog(const char *message, std::atomic<bool> &logSwitch) {
  if (logSwitch)
    writeLog(QByteArray(message), logSwitch);
}

// Called on the thread whose line failed, with the log file and the reason;
// the application hands it on to its window. An empty function removes it.
using LogFailureHandler =
    std::function<void(const QString &path, const QString &reason)>;
void setLogFailureHandler(LogFailureHandler handler);

// The log file: the executable's path with its extension replaced by ".log".
QString logFilePath();

// The current date in the short date format, as the connect and disconnect
// lines carry it.
QByteArray logDate();

// Formats one log line (without its line end) for the given moment.
QByteArray formatLogLine(const QDateTime &when, const QByteArray &message);

// Tests replace the clock and the file; an empty function / path restores
// the defaults.
void setLogClock(std::function<QDateTime()> clock);
void setLogFilePath(const QString &path);
