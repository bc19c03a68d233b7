#include "platform/Shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace platform {

bool OpenDocument(const QString &path) {
  if (!QFileInfo::exists(path))
    return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool OpenUrl(const QString &url) {
  return QDesktopServices::openUrl(QUrl(url));
}

} // namespace platform

#include <QProcess>
#include <QStandardPaths>

namespace platform {

bool StartProgram(const QString &name, const QString &firstDir) {
  QString program;
  const QFileInfo local(QDir(firstDir).filePath(name));
  if (local.isFile() && local.isExecutable())
    program = local.absoluteFilePath();
  else
    program = QStandardPaths::findExecutable(name);
  if (program.isEmpty())
    return false;
  return QProcess::startDetached(program, {});
}

} // namespace platform
