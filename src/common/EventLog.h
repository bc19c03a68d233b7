#pragma once
// The diagnostic event log: one line per protocol event, appended to the
// file the program names at start. Off by default; every caller passes the
// switch that governs its message.
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
#include <mutex>
#include <stdexcept>

class LogWriteError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

enum class LogSwitch {
  Commands,   // protocol events of the links and the connection manager
  PacketSize, // the serial link's size messages
};

// Called on the thread whose line failed, with the log file and the reason;
// the application hands it on to its window. An empty function removes it.
using LogFailureHandler =
    std::function<void(const QString &path, const QString &reason)>;

class EventLog {
public:
  // The program's one global: links, sessions and their threads log from
  // deep inside without a logger threaded through every constructor.
  static EventLog &instance();

  EventLog() = default;
  EventLog(const EventLog &) = delete;
  EventLog &operator=(const EventLog &) = delete;

  bool isOn(LogSwitch which) const { return flag(which); }
  void setOn(LogSwitch which, bool on) { flag(which) = on; }

  // Appends one line when on is true; throws LogWriteError when the file
  // cannot be created, opened or written.
  void write(const QByteArray &message, bool on);
  // Appends one line while the switch is on, and never throws: a line that
  // cannot be written turns the switch off and goes, with the reason, to
  // the failure handler, once for the switch turned off. The links log
  // through this form, so a full disk costs the log, not the phone's
  // session.
  void write(const QByteArray &message, LogSwitch which);

  // The log file; set once at start (Paths::logFile), by tests at will.
  QString filePath() const;
  void setFilePath(const QString &path);
  void setFailureHandler(LogFailureHandler handler);
  // The clock of the lines' times; an empty function: the system clock.
  void setClock(std::function<QDateTime()> clock);

  // The current date in the short date format, as the connect and
  // disconnect lines carry it.
  QByteArray date() const;

private:
  std::atomic<bool> &flag(LogSwitch which) const {
    return which == LogSwitch::Commands ? m_commands : m_packetSize;
  }
  QDateTime now() const;
  QByteArray lineFor(const QByteArray &message) const;

  mutable std::atomic<bool> m_commands{false};
  mutable std::atomic<bool> m_packetSize{false};
  mutable std::mutex m_mutex; // guards the three below
  std::function<QDateTime()> m_clock;
  QString m_path;
  LogFailureHandler m_failureHandler;
};

// Shorthands for the program's log.
inline void writeLog(const QByteArray &message, bool on) {
  if (on)
    EventLog::instance().write(message, on);
}
inline void writeLog(const char *message, bool on) {
  if (on) // no copy of the text while logging is off
    EventLog::instance().write(QByteArray(message), on);
}
inline void writeLog(const QByteArray &message, LogSwitch which) {
  EventLog::instance().write(message, which);
}
inline void writeLog(const char *message, LogSwitch which) {
  EventLog &log = EventLog::instance();
  if (log.isOn(which))
    log.write(QByteArray(message), which);
}
inline QByteArray logDate() { return EventLog::instance().date(); }

// Formats one log line (without its line end) for the given moment.
QByteArray formatLogLine(const QDateTime &when, const QByteArray &message);
