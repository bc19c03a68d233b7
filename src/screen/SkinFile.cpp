#include "screen/SkinFile.h"

#include "common/Paths.h"
#include "platform/ProfileFile.h"

#include <algorithm>

QString SkinFilePath() { return ExeDir() + QStringLiteral("skins/skin.ini"); }

QByteArray ModelCode(const uchar id[8]) {
  const quint32 code = quint32(id[0]) | quint32(id[1]) << 8 |
                       quint32(id[2]) << 16 | quint32(id[3]) << 24;
  return QByteArray::number(code, 16).toUpper().rightJustified(8, '0');
}

QByteArray ModelCode(const QByteArray &id) {
  uchar block[8] = {};
  for (qsizetype i = 0; i < std::min<qsizetype>(id.size(), 4); ++i)
    block[i] = uchar(id[i]);
  return ModelCode(block);
}

QString ModelName(const QString &skinIniPath, const QByteArray &modelCode) {
  // Texts of the profile files are 8-bit in the system code page.
  return QString::fromLocal8Bit(platform::ProfileFile::Read(
      skinIniPath, modelCode, QByteArrayLiteral("Name"), QByteArray()));
}
