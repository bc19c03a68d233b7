#include "screen/SkinFile.h"

#include "common/Paths.h"
#include "platform/ProfileFile.h"

QString skinFilePath(const Paths &paths) {
  return paths.dataDir() + QStringLiteral("skins/skin.ini");
}

QString modelName(const QString &skinIniPath, const QByteArray &modelCode) {
  // Texts of the profile files are 8-bit in the system code page.
  return QString::fromLocal8Bit(platform::ProfileFile::read(
      skinIniPath, modelCode, QByteArrayLiteral("Name"), QByteArray()));
}
