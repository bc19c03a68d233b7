#include "capture/ConverterFiles.h"

#include "capture/CaptureNames.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>

namespace {

const QString kPartTag = QStringLiteral(".aviconvert-");

bool processRuns(qint64 pid) {
  if (pid <= 0 || pid > INT_MAX)
    return false;
  // EPERM: it runs, under another user.
  return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// hhmmss and the milliseconds of a frame name, for ordering.
std::pair<QString, int> frameKey(const QString &name) {
  return {name.left(6), name.mid(6, name.size() - 10).toInt()};
}

} // namespace

std::unique_ptr<QLockFile> converterLock(const QString &programDir) {
  auto lock = std::make_unique<QLockFile>(
      QDir(programDir).filePath(QStringLiteral("AVIConvert.lock")));
  lock->setStaleLockTime(0);
  return lock;
}

QString partFilePath(const QString &video, qint64 pid, qint64 startMs) {
  return video + kPartTag + QString::number(pid) + '-' +
         QString::number(startMs) + QStringLiteral(".part");
}

QStringList removeStaleParts(const QString &folder) {
  static const QRegularExpression ours(
      QStringLiteral("^.+\\.aviconvert-(\\d{1,10})-\\d{1,20}\\.part$"));
  QStringList removed;
  const QDir dir(folder);
  for (const QString &name :
       dir.entryList({QStringLiteral("*") + kPartTag + QStringLiteral("*")},
                     QDir::Files | QDir::Hidden)) {
    const QRegularExpressionMatch m = ours.match(name);
    if (!m.hasMatch() || processRuns(m.captured(1).toLongLong()))
      continue;
    if (QFile::remove(dir.filePath(name)))
      removed << dir.filePath(name);
  }
  return removed;
}

bool isOwnFrame(const QString &path, const QString &framesDir) {
  const QFileInfo file(path);
  if (!isFrameFileName(file.fileName()))
    return false;
  const QString frames = QFileInfo(framesDir).canonicalFilePath();
  return !frames.isEmpty() && file.absoluteDir().canonicalPath() == frames;
}

QStringList framesInFolder(const QString &framesDir) {
  QFileInfoList files =
      QDir(framesDir).entryInfoList(QDir::Files | QDir::Hidden, QDir::NoSort);
  files.erase(std::remove_if(files.begin(), files.end(),
                             [](const QFileInfo &f) {
                               return !isFrameFileName(f.fileName());
                             }),
              files.end());
  std::sort(files.begin(), files.end(),
            [](const QFileInfo &a, const QFileInfo &b) {
              const QDateTime ta = a.lastModified(), tb = b.lastModified();
              if (ta != tb)
                return ta < tb;
              return frameKey(a.fileName()) < frameKey(b.fileName());
            });
  QStringList paths;
  for (const QFileInfo &f : files)
    paths << f.absoluteFilePath();
  return paths;
}
