#include "keys/KeyTable.h"

#include "common/Paths.h"
#include "common/SafeFile.h"
#include "settings/FileErrorText.h"
#include "settings/Language.h"

#include <QFile>
#include <QtDebug>

namespace {

struct TDefaultKey {
  const char *name;
  int code;
};

constexpr TDefaultKey kDefaultKeys[] = {
    {"0", 304},    {"1", 305},     {"2", 306},     {"3", 307},
    {"4", 308},    {"5", 309},     {"6", 310},     {"7", 311},
    {"8", 312},    {"9", 313},     {"*", 298},     {"#", 383},
    {"Call", 452}, {"Menu", 436},  {"Hold", 453},  {"C", 257},
    {"ABC", 274},  {"Left", 420},  {"Right", 421}, {"JEnter", 423},
    {"JUp", 272},  {"JDown", 273}, {"JLeft", 270}, {"JRight", 271},
};

// A decimal integer field; 0 when it is not one.
int32_t readInt(const QByteArray &field) {
  bool ok = false;
  const int32_t value = field.toInt(&ok, 10);
  return ok ? value : 0;
}

} // namespace

QList<QByteArray> defaultKeyTable() {
  QList<QByteArray> lines;
  for (const TDefaultKey &k : kDefaultKeys) {
    Key key;
    key.name = k.name;
    key.code = k.code;
    lines.append(formatKeyLine(key));
  }
  return lines;
}

QString keyTablePath(const Paths &paths) {
  return paths.configDir() + QStringLiteral("keys.ini");
}

void KeyTable::load(const Paths &paths) {
  m_lines = defaultKeyTable();
  QFile file(keyTablePath(paths));
  if (!file.exists())
    return;
  if (!file.open(QIODevice::ReadOnly)) {
    qWarning().noquote() << QStringLiteral(
                                "Could not read %1: %2. The built-in keys "
                                "are used.")
                                .arg(file.fileName(), file.errorString());
    return;
  }
  const QByteArray text = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    qWarning().noquote() << QStringLiteral(
                                "Could not read %1: %2. The built-in keys "
                                "are used.")
                                .arg(file.fileName(), file.errorString());
    return;
  }
  m_lines = splitLines(text);
}

bool KeyTable::save(const Paths &paths, QString *error) {
  QByteArray text;
  for (const QByteArray &line : m_lines)
    text += line + "\r\n";
  m_lines.clear();
  const FileWriteResult written = writeFileWhole(keyTablePath(paths), text);
  if (written.ok())
    return true;
  if (error)
    *error = uiText("FileKeysNotSaved")
                 .arg(keyTablePath(paths), fileErrorText(written.error));
  return false;
}

QList<QByteArray> splitLines(const QByteArray &text) {
  QList<QByteArray> lines;
  qsizetype start = 0;
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n')
      continue;
    lines.append(text.mid(start, i - start));
    if (c == '\r' && i + 1 < n && text[i + 1] == '\n')
      ++i;
    start = i + 1;
  }
  if (start < n)
    lines.append(text.mid(start));
  return lines;
}

ExplodedString explode(const QByteArray &text, char separator) {
  QByteArray lines = text;
  lines.replace(separator, QByteArrayLiteral("\r\n"));
  return splitLines(lines);
}

QByteArray implode(const ExplodedString &fields, char separator) {
  return fields.join(separator);
}

Key parseKeyLine(const ExplodedString &fields) {
  Key key;
  if (fields.size() != 4)
    return key;
  key.name = fields[0];
  key.code = readInt(fields[1]);
  key.modifiers = static_cast<uint16_t>(readInt(fields[2]));
  key.virtualKey = static_cast<uint16_t>(readInt(fields[3]));
  return key;
}

QByteArray formatKeyLine(const Key &key) {
  return implode({key.name, QByteArray::number(key.code),
                  QByteArray::number(key.modifiers),
                  QByteArray::number(key.virtualKey)});
}

int KeyTable::findKeyByCode(int32_t code) const {
  const QByteArray wanted = QByteArray::number(code);
  for (int i = 0; i < m_lines.size(); ++i) {
    const ExplodedString fields = explode(m_lines[i]);
    if (fields.size() >= 2 && fields[1] == wanted)
      return i;
  }
  return -1;
}

int KeyTable::findKeyByShortcut(uint16_t modifiers, uint16_t virtualKey) const {
  for (int i = 0; i < m_lines.size(); ++i) {
    const Key key = keyAt(i);
    if (key.modifiers == modifiers && key.virtualKey == virtualKey)
      return i;
  }
  return -1;
}

QString keyName(uint16_t vk) {
  if (vk >= 48 && vk <= 57)
    return QString(QChar(vk));
  if (vk >= 65 && vk <= 90)
    return QString(QChar(vk));
  if (vk >= 96 && vk <= 105)
    return QStringLiteral("Num %1").arg(vk - 96);
  if (vk >= 112 && vk <= 123)
    return QStringLiteral("F%1").arg(vk - 111);
  switch (vk) {
  case 8:
    return uiText("KeyNameBackspace");
  case 13:
    return uiText("KeyNameEnter");
  case 16:
    return uiText("KeyEditShift");
  case 17:
    return uiText("KeyEditCtrl");
  case 18:
    return uiText("KeyEditAlt");
  case 20:
    return uiText("KeyNameCapsLock");
  case 27:
    return uiText("KeyNameEscape");
  case 32:
    return uiText("KeyNameSpace");
  case 33:
    return uiText("KeyNamePageUp");
  case 34:
    return uiText("KeyNamePageDown");
  case 35:
    return uiText("KeyNameEnd");
  case 36:
    return uiText("KeyNameHome");
  case 37:
    return uiText("KeyNameLeft");
  case 38:
    return uiText("KeyNameUp");
  case 39:
    return uiText("KeyNameRight");
  case 40:
    return uiText("KeyNameDown");
  case 45:
    return uiText("KeyNameInsert");
  case 46:
    return uiText("KeyNameDelete");
  case 91:
    return uiText("KeyNameWinLeft");
  case 92:
    return uiText("KeyNameWinRight");
  case 93:
    return uiText("KeyNameMenu");
  case 106:
    return QStringLiteral("Num *");
  case 107:
    return QStringLiteral("Num +");
  case 109:
    return QStringLiteral("Num -");
  case 110:
    return QStringLiteral("Num .");
  case 111:
    return QStringLiteral("Num /");
  case 144:
    return uiText("KeyNameNumLock");
  case 186:
    return QStringLiteral(";");
  case 187:
    return QStringLiteral("=");
  case 188:
    return QStringLiteral(",");
  case 189:
    return QStringLiteral("-");
  case 190:
    return QStringLiteral(".");
  case 191:
    return QStringLiteral("/");
  case 192:
    return QStringLiteral("~");
  case 219:
    return QStringLiteral("[");
  case 220:
    return QStringLiteral("\\");
  case 221:
    return QStringLiteral("]");
  case 222:
    return QStringLiteral("'");
  default:
    return QString();
  }
}

QString shortcutText(const Key &key) {
  if (key.virtualKey == 0)
    return QString();
  QString text;
  if (key.modifiers & KeyModAlt)
    text += uiText("KeyEditAlt") + QStringLiteral(" + ");
  if (key.modifiers & KeyModCtrl)
    text += uiText("KeyEditCtrl") + QStringLiteral(" + ");
  if (key.modifiers & KeyModShift)
    text += uiText("KeyEditShift") + QStringLiteral(" + ");
  if (key.modifiers & KeyModExt)
    text += QStringLiteral("Ext + ");
  return text + '"' + keyName(key.virtualKey) + '"';
}
