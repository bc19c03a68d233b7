#include "platform/Shell.h"

#include <QDesktopServices>
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
