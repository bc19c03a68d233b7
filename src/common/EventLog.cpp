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
TLogFailureHandler g_failureHandler;

QDateTime Now() { return g_clock ? g_clock() : QDateTime::currentDateTime(); }

} // namespace

QString LogFilePath() {
  {
    std::lock_guard lock(g_logLock);
    if (!g_pathOverride.isEmpty())
      return g_pathOverride;
  }
  const QFileInfo exe(ExePath());
  return exe.absolutePath() + '/' + exe.completeBaseName() + ".log";
}

QByteArray FormatLogLine(const QDateTime &when, const QByteArray &message) {
  // Hours, minutes and seconds; the locale's long format would add a zone.
  const QTime t = when.time();
  return t.toString(QStringLiteral("HH:mm:ss")).toLocal8Bit() + ':' +
         QByteArray::number(t.msec()) + ' ' + message;
}

QByteArray LogDate() {
  QDateTime now;
  {
    std::lock_guard lock(g_logLock);
    now = Now();
  }
  return QLocale::system()
      .toString(now.date(), QLocale::ShortFormat)
      .toLocal8Bit();
}

namespace {

// Why a line could not be appended; empty reason when it was.
struct TAppendResult {
  bool opened = true;
  QString reason;
  bool Failed() const { return !reason.isEmpty(); }
  QString Message(const QString &path) const {
    return (opened ? QStringLiteral("Cannot write to file \"%1\". %2")
                   : QStringLiteral("Cannot open file \"%1\". %2"))
        .arg(path, reason);
  }
};

QString ErrorText(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

// Appends the line in one write; on failure the file is left as it was.
TAppendResult AppendLine(const QString &path, const QByteArray &line) {
  const QByteArray name = QFile::encodeName(path);
  const int fd =
      ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0)
    return {false, ErrorText(errno)};
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
  return {true, error == 0 ? QString() : ErrorText(error)};
}

QByteArray LineFor(const QByteArray &message) {
  QDateTime now;
  {
    std::lock_guard lock(g_logLock);
    now = Now();
  }
  return FormatLogLine(now, message) + "\r\n";
}

} // namespace

void WriteLog(const QByteArray &message, bool on) {
  if (!on)
    return;
  const QString path = LogFilePath();
  const TAppendResult result = AppendLine(path, LineFor(message));
  if (result.Failed())
    throw LogWriteError(result.Message(path).toStdString());
}

void WriteLog(const QByteArray &message, std::atomic<bool> &logSwitch) {
  if (!logSwitch)
    return;
  const QString path = LogFilePath();
  const TAppendResult result = AppendLine(path, LineFor(message));
  if (!result.Failed())
    return;
  // Only the writer that turns the switch off reports it.
  bool on = true;
  if (!logSwitch.compare_exchange_strong(on, false))
    return;
  TLogFailureHandler handler;
  {
    std::lock_guard lock(g_logLock);
    handler = g_failureHandler;
  }
  if (handler)
    handler(path, result.reason);
}

void SetLogFailureHandler(TLogFailureHandler handler) {
  std::lock_guard lock(g_logLock);
  g_failureHandler = std::move(handler);
}

void SetLogClock(std::function<QDateTime()> clock) {
  std::lock_guard lock(g_logLock);
  g_clock = std::move(clock);
}

void SetLogFilePath(const QString &path) {
  std::lock_guard lock(g_logLock);
  g_pathOverride = path;
}
