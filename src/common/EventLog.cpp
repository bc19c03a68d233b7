#include "common/EventLog.h"

#include "common/Paths.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

std::atomic<bool> LogCommands{false};
std::atomic<bool> LogPacketSize{false};

namespace {

std::mutex g_logLock; // guards the three below
std::function<QDateTime()> g_clock;
QString g_pathOverride;
LogFailureHandler g_failureHandler;

QDateTime now() { return g_clock ? g_clock() : QDateTime::currentDateTime(); }

} // namespace

QString logFilePath() {
  {
    std::lock_guard lock(g_logLock);
    if (!g_pathOverride.isEmpty())
      return g_pathOverride;
  }
  const QFileInfo exe(exePath());
  return stateDir() + exe.completeBaseName() + ".log";
}

QByteArray formatLogLine(const QDateTime &when, const QByteArray &message) {
  // Hours, minutes and seconds; the locale's long format would add a zone.
  const QTime t = when.time();
  return t.toString(QStringLiteral("HH:mm:ss")).toLocal8Bit() + ':' +
         QByteArray::number(t.msec()) + ' ' + message;
}

QByteArray logDate() {
  QDateTime stamp;
  {
    std::lock_guard lock(g_logLock);
    stamp = now();
  }
  return QLocale::system()
      .toString(stamp.date(), QLocale::ShortFormat)
      .toLocal8Bit();
}

namespace {

// Why a line could not be appended; empty reason when it was.
struct TAppendResult {
  bool opened = true;
  QString reason;
  bool Failed() const { return !reason.isEmpty(); }
  QString message(const QString &path) const {
    return (opened ? QStringLiteral("Cannot write to file \"%1\". %2")
                   : QStringLiteral("Cannot open file \"%1\". %2"))
        .arg(path, reason);
  }
};

QString errorText(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

// Appends the line in one write; on failure the file is left as it was.
TAppendResult appendLine(const QString &path, const QByteArray &line) {
  const QByteArray name = QFile::encodeName(path);
  const int fd =
      ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0)
    return {false, errorText(errno)};
  qsizetype written = 0;
  int error = 0;
  while (written < line.size()) {
    const ssize_t n =
        ::write(fd, line.constData() + written, size_t(line.size() - written));
    if (n > 0) {
      written += n;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      error = n < 0 ? errno : EIO;
      break;
    }
  }
  if (error != 0 && written > 0) {
    // Half a line would run into the next one: take it back.
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (end >= written)
      (void)!::ftruncate(fd, end - written);
  }
  ::close(fd);
  return {true, error == 0 ? QString() : errorText(error)};
}

QByteArray lineFor(const QByteArray &message) {
  QDateTime stamp;
  {
    std::lock_guard lock(g_logLock);
    stamp = now();
  }
  return formatLogLine(stamp, message) + "\r\n";
}

} // namespace

void writeLog(const QByteArray &message, bool on) {
  if (!on)
    return;
  const QString path = logFilePath();
  const TAppendResult result = appendLine(path, lineFor(message));
  if (result.Failed())
    throw LogWriteError(result.message(path).toStdString());
}

void writeLog(const QByteArray &message, std::atomic<bool> &logSwitch) {
  if (!logSwitch)
    return;
  const QString path = logFilePath();
  const TAppendResult result = appendLine(path, lineFor(message));
  if (!result.Failed())
    return;
  // Only the writer that turns the switch off reports it.
  bool on = true;
  if (!logSwitch.compare_exchange_strong(on, false))
    return;
  LogFailureHandler handler;
  {
    std::lock_guard lock(g_logLock);
    handler = g_failureHandler;
  }
  if (handler)
    handler(path, result.reason);
}

void setLogFailureHandler(LogFailureHandler handler) {
  std::lock_guard lock(g_logLock);
  g_failureHandler = std::move(handler);
}

void setLogClock(std::function<QDateTime()> clock) {
  std::lock_guard lock(g_logLock);
  g_clock = std::move(clock);
}

void setLogFilePath(const QString &path) {
  std::lock_guard lock(g_logLock);
  g_pathOverride = path;
}
