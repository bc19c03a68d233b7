#include "common/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

namespace {

struct PathSet {
  QString exePath;
  QString exeDir;
  PathLayout layout = PathLayout::Portable;
  QString dataDir;
  QString configDir;
  QString stateDir;
  QString workDir;
  QString userDataDir;
  QString converterDir;
  QString videoDir;
  QString pictureDir;
};

QMutex g_pathLock;
PathSet g_paths;

QString folder(const QString &path) {
  QString dir = QDir::cleanPath(path);
  if (!dir.endsWith('/'))
    dir += '/';
  return dir;
}

bool holdsData(const QString &dir) {
  return QFileInfo(dir + QStringLiteral("Languages")).isDir();
}

// $XDG_STATE_HOME, which QStandardPaths of Qt 6.4 does not know.
QString userStateHome() {
  const QString env = qEnvironmentVariable("XDG_STATE_HOME");
  if (QDir::isAbsolutePath(env))
    return env;
  return QDir::homePath() + QStringLiteral("/.local/state");
}

QString standardDir(QStandardPaths::StandardLocation type) {
  const QString dir = QStandardPaths::writableLocation(type);
  return dir.isEmpty() ? QDir::homePath() : dir;
}

} // namespace

void setExePath(const QString &path, const QString &dataRelative,
                const QString &converterRelative) {
  PathSet p;
  const QFileInfo info(path);
  p.exePath = info.absoluteFilePath();
  p.exeDir = folder(info.absolutePath());
  const QString installedData = folder(p.exeDir + dataRelative);
  if (!holdsData(p.exeDir) && holdsData(installedData)) {
    p.layout = PathLayout::Installed;
    p.dataDir = installedData;
    const QString name = QStringLiteral("/quorvane");
    p.configDir =
        folder(standardDir(QStandardPaths::GenericConfigLocation) + name);
    p.stateDir = folder(userStateHome() + name);
    p.workDir =
        folder(standardDir(QStandardPaths::GenericCacheLocation) + name);
    p.userDataDir =
        folder(standardDir(QStandardPaths::GenericDataLocation) + name);
    p.converterDir = converterRelative.isEmpty()
                         ? p.exeDir
                         : folder(p.exeDir + converterRelative);
    p.videoDir = folder(standardDir(QStandardPaths::MoviesLocation));
    p.pictureDir = folder(standardDir(QStandardPaths::PicturesLocation));
    for (const QString &dir :
         {p.configDir, p.stateDir, p.workDir, p.videoDir, p.pictureDir})
      QDir().mkpath(dir);
  } else {
    p.dataDir = p.configDir = p.stateDir = p.workDir = p.converterDir =
        p.videoDir = p.pictureDir = p.exeDir;
  }
  QMutexLocker lock(&g_pathLock);
  g_paths = p;
}

namespace {
PathSet paths() {
  QMutexLocker lock(&g_pathLock);
  return g_paths;
}
} // namespace

QString exePath() { return paths().exePath; }
QString exeDir() { return paths().exeDir; }
PathLayout pathLayout() { return paths().layout; }
QString dataDir() { return paths().dataDir; }
QString configDir() { return paths().configDir; }
QString stateDir() { return paths().stateDir; }
QString workDir() { return paths().workDir; }
QString tempDir() { return workDir() + QStringLiteral("temp/"); }
QString converterDir() { return paths().converterDir; }
QString defaultVideoDir() { return paths().videoDir; }
QString defaultPictureDir() { return paths().pictureDir; }

QStringList languageDirs() {
  const PathSet p = paths();
  QStringList dirs{p.dataDir + QStringLiteral("Languages/")};
  if (!p.userDataDir.isEmpty())
    dirs << p.userDataDir + QStringLiteral("Languages/");
  return dirs;
}
