#include "common/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>

namespace {
QMutex g_pathLock;
QString g_exePath;
QString g_exeDir;
} // namespace

void setExePath(const QString &path) {
  QMutexLocker lock(&g_pathLock);
  const QFileInfo info(path);
  g_exePath = info.absoluteFilePath();
  g_exeDir = info.absolutePath();
  if (!g_exeDir.endsWith('/'))
    g_exeDir += '/';
}

QString exePath() {
  QMutexLocker lock(&g_pathLock);
  return g_exePath;
}

QString exeDir() {
  QMutexLocker lock(&g_pathLock);
  return g_exeDir;
}

QString tempDir() { return exeDir() + "temp/"; }
