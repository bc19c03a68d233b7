#include "common/EventLog.h"

#include "common/Paths.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMutex>

std::atomic<bool> LogCommands{false};
std::atomic<bool> LogPacketSize{false};

namespace {

QMutex g_logLock;
std::function<QDateTime()> g_clock;
QString g_pathOverride;

QDateTime Now() { return g_clock ? g_clock() : QDateTime::currentDateTime(); }

} // namespace

QString LogFilePath() {
  {
    QMutexLocker lock(&g_logLock);
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
    QMutexLocker lock(&g_logLock);
    now = Now();
  }
  return QLocale::system()
      .toString(now.date(), QLocale::ShortFormat)
      .toLocal8Bit();
}

void WriteLog(const QByteArray &message, bool on) {
  if (!on)
    return;
  const QString path = LogFilePath();
  QDateTime now;
  {
    QMutexLocker lock(&g_logLock);
    now = Now();
  }
  const QByteArray line = FormatLogLine(now, message) + "\r\n";
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append |
                 QIODevice::Unbuffered))
    throw LogWriteError(QStringLiteral("Cannot open file \"%1\". %2")
                            .arg(path, file.errorString())
                            .toStdString());
  const qint64 written = file.write(line);
  const bool flushed = file.flush();
  file.close();
  if (written != line.size() || !flushed)
    throw LogWriteError(QStringLiteral("Cannot write to file \"%1\". %2")
                            .arg(path, file.errorString())
                            .toStdString());
}

void SetLogClock(std::function<QDateTime()> clock) {
  QMutexLocker lock(&g_logLock);
  g_clock = std::move(clock);
}

void SetLogFilePath(const QString &path) {
  QMutexLocker lock(&g_logLock);
  g_pathOverride = path;
}
