#include "platform/Shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace platform {

OpenResult openDocument(const QString &path, QObject *context,
                        std::function<void(OpenResult)> failed) {
  if (!QFileInfo(path).isFile())
    return OpenResult::Missing;
  const QString opener = QStandardPaths::findExecutable("xdg-open");
  if (opener.isEmpty())
    return OpenResult::NoViewer;
  // The opener may run as long as the program it starts, and past the end
  // of this one: it belongs to no object and deletes itself when it ends.
  auto *process = new QProcess;
  process->setStandardInputFile(QProcess::nullDevice());
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  QObject::connect(process, &QProcess::finished, process,
                   &QObject::deleteLater);
  QObject::connect(process, &QProcess::finished, context,
                   [failed](int code, QProcess::ExitStatus status) {
                     // xdg-open: 2 no such file, 3 no program for it, 4 it
                     // failed.
                     if (status != QProcess::NormalExit || code < 2 || code > 4)
                       return;
                     failed(code == 2   ? OpenResult::Missing
                            : code == 3 ? OpenResult::NoViewer
                                        : OpenResult::Failed);
                   });
  process->start(opener, {path});
  if (!process->waitForStarted(5000)) {
    delete process;
    return OpenResult::Failed;
  }
  return OpenResult::Opened;
}

bool openUrl(const QString &url) {
  return QDesktopServices::openUrl(QUrl(url));
}

} // namespace platform

#include <QProcess>
#include <QStandardPaths>

namespace platform {

bool startProgram(const QString &name, const QString &firstDir) {
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
