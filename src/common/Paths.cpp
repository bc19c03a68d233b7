#include "common/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

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

Paths Paths::forExecutable(const QString &exePath, const QString &dataRelative,
                           const QString &converterRelative) {
  Paths p;
  const QFileInfo info(exePath);
  p.m_exePath = info.absoluteFilePath();
  p.m_exeDir = folder(info.absolutePath());
  const QString installedData = folder(p.m_exeDir + dataRelative);
  if (!holdsData(p.m_exeDir) && holdsData(installedData)) {
    p.m_layout = PathLayout::Installed;
    p.m_dataDir = installedData;
    const QString name = QStringLiteral("/quorvane");
    p.m_configDir =
        folder(standardDir(QStandardPaths::GenericConfigLocation) + name);
    p.m_stateDir = folder(userStateHome() + name);
    p.m_workDir =
        folder(standardDir(QStandardPaths::GenericCacheLocation) + name);
    p.m_userDataDir =
        folder(standardDir(QStandardPaths::GenericDataLocation) + name);
    p.m_converterDir = converterRelative.isEmpty()
                           ? p.m_exeDir
                           : folder(p.m_exeDir + converterRelative);
    p.m_videoDir = folder(standardDir(QStandardPaths::MoviesLocation));
    p.m_pictureDir = folder(standardDir(QStandardPaths::PicturesLocation));
    for (const QString &dir : {p.m_configDir, p.m_stateDir, p.m_workDir,
                               p.m_videoDir, p.m_pictureDir})
      QDir().mkpath(dir);
  } else {
    p.m_dataDir = p.m_configDir = p.m_stateDir = p.m_workDir =
        p.m_converterDir = p.m_videoDir = p.m_pictureDir = p.m_exeDir;
  }
  return p;
}

QString Paths::tempDir() const { return m_workDir + QStringLiteral("temp/"); }

QStringList Paths::languageDirs() const {
  QStringList dirs{m_dataDir + QStringLiteral("Languages/")};
  if (!m_userDataDir.isEmpty())
    dirs << m_userDataDir + QStringLiteral("Languages/");
  return dirs;
}

QString Paths::logFile() const {
  return m_stateDir + QFileInfo(m_exePath).completeBaseName() +
         QStringLiteral(".log");
}
