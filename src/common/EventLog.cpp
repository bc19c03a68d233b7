#include "common/EventLog.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

EventLog &EventLog::instance() {
  static EventLog log;
  return log;
}

QDateTime EventLog::now() const {
  std::function<QDateTime()> clock;
  {
    std::lock_guard lock(m_mutex);
    clock = m_clock;
  }
  return clock ? clock() : QDateTime::currentDateTime();
}

QString EventLog::filePath() const {
  std::lock_guard lock(m_mutex);
  return m_path;
}

void EventLog::setFilePath(const QString &path) {
  std::lock_guard lock(m_mutex);
  m_path = path;
}

void EventLog::setFailureHandler(LogFailureHandler handler) {
  std::lock_guard lock(m_mutex);
  m_failureHandler = std::move(handler);
}

void EventLog::setClock(std::function<QDateTime()> clock) {
  std::lock_guard lock(m_mutex);
  m_clock = std::move(clock);
}

QByteArray formatLogLine(const QDateTime &when, const QByteArray &message) {
  // Hours, minutes and seconds; the locale's long format would add a zone.
  const QTime t = when.time();
  return t.toString(QStringLiteral("HH:mm:ss")).toLocal8Bit() + ':' +
         QByteArray::number(t.msec()) + ' ' + message;
}

QByteArray EventLog::date() const {
  return QLocale::system()
      .toString(now().date(), QLocale::ShortFormat)
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

} // namespace

QByteArray EventLog::lineFor(const QByteArray &message) const {
  return formatLogLine(now(), message) + "\r\n";
}

void EventLog::write(const QByteArray &message, bool on) {
  if (!on)
    return;
  const QString path = filePath();
  const TAppendResult result = appendLine(path, lineFor(message));
  if (result.Failed())
    throw LogWriteError(result.message(path).toStdString());
}

void EventLog::write(const QByteArray &message, LogSwitch which) {
  std::atomic<bool> &logSwitch = flag(which);
  if (!logSwitch)
    return;
  const QString path = filePath();
  const TAppendResult result = appendLine(path, lineFor(message));
  if (!result.Failed())
    return;
  // Only the writer that turns the switch off reports it.
  bool on = true;
  if (!logSwitch.compare_exchange_strong(on, false))
    return;
  LogFailureHandler handler;
  {
    std::lock_guard lock(m_mutex);
    handler = m_failureHandler;
  }
  if (handler)
    handler(path, result.reason);
}
