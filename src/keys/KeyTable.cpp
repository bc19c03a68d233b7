#include "keys/KeyTable.h"

#include "common/Paths.h"
#include "common/SafeFile.h"
#include "settings/FileErrorText.h"
#include "settings/Language.h"

#include <QFile>
#include <QTreeWidget>
#include <QtDebug>

namespace {

QList<QByteArray> g_keyTable;

struct TDefaultKey {
  const char *name;
  int code;
};

constexpr TDefaultKey DefaultKeys[] = {
    {"0", 304},    {"1", 305},     {"2", 306},     {"3", 307},
    {"4", 308},    {"5", 309},     {"6", 310},     {"7", 311},
    {"8", 312},    {"9", 313},     {"*", 298},     {"#", 383},
    {"Call", 452}, {"Menu", 436},  {"Hold", 453},  {"C", 257},
    {"ABC", 274},  {"Left", 420},  {"Right", 421}, {"JEnter", 423},
    {"JUp", 272},  {"JDown", 273}, {"JLeft", 270}, {"JRight", 271},
};

// A decimal integer field; 0 when it is not one.
int32_t ReadInt(const QByteArray &field) {
  bool ok = false;
  const int32_t value = field.toInt(&ok, 10);
  return ok ? value : 0;
}

} // namespace

QList<QByteArray> &KeyTable() { return g_keyTable; }

QList<QByteArray> DefaultKeyTable() {
  QList<QByteArray> lines;
  for (const TDefaultKey &k : DefaultKeys) {
    TKey key;
    key.Name = k.name;
    key.Code = k.code;
    lines.append(FormatKeyLine(key));
  }
  return lines;
}

QString KeyTablePath() { return ExeDir() + QStringLiteral("keys.ini"); }

void LoadKeyTable() {
  g_keyTable = DefaultKeyTable();
  QFile file(KeyTablePath());
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
  g_keyTable = SplitLines(text);
}

bool SaveKeyTable(QString *error) {
  QByteArray text;
  for (const QByteArray &line : g_keyTable)
    text += line + "\r\n";
  g_keyTable.clear();
  const TFileWriteResult written = WriteFileWhole(KeyTablePath(), text);
  if (written.Ok())
    return true;
  if (error)
    *error = UiText("FileKeysNotSaved")
                 .arg(KeyTablePath(), FileErrorText(written.Error));
  return false;
}

QList<QByteArray> SplitLines(const QByteArray &text) {
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

TExplodedString Explode(const QByteArray &text, char separator) {
  QByteArray lines = text;
  lines.replace(separator, QByteArrayLiteral("\r\n"));
  return SplitLines(lines);
}

QByteArray Implode(const TExplodedString &fields, char separator) {
  return fields.join(separator);
}

TKey ParseKeyLine(const TExplodedString &fields) {
  TKey key;
  if (fields.size() != 4)
    return key;
  key.Name = fields[0];
  key.Code = ReadInt(fields[1]);
  key.Modifiers = static_cast<uint16_t>(ReadInt(fields[2]));
  key.VirtualKey = static_cast<uint16_t>(ReadInt(fields[3]));
  return key;
}

QByteArray FormatKeyLine(const TKey &key) {
  return Implode({key.Name, QByteArray::number(key.Code),
                  QByteArray::number(key.Modifiers),
                  QByteArray::number(key.VirtualKey)});
}

int FindKeyByCode(int32_t code) {
  const QByteArray wanted = QByteArray::number(code);
  for (int i = 0; i < g_keyTable.size(); ++i) {
    const TExplodedString fields = Explode(g_keyTable[i]);
    if (fields.size() >= 2 && fields[1] == wanted)
      return i;
  }
  return -1;
}

int FindKeyByShortcut(uint16_t modifiers, uint16_t virtualKey) {
  for (int i = 0; i < g_keyTable.size(); ++i) {
    const TKey key = KeyAt(i);
    if (key.Modifiers == modifiers && key.VirtualKey == virtualKey)
      return i;
  }
  return -1;
}

QString KeyName(uint16_t vk) {
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
    return UiText("KeyNameBackspace");
  case 13:
    return UiText("KeyNameEnter");
  case 16:
    return UiText("KeyEditShift");
  case 17:
    return UiText("KeyEditCtrl");
  case 18:
    return UiText("KeyEditAlt");
  case 20:
    return UiText("KeyNameCapsLock");
  case 27:
    return UiText("KeyNameEscape");
  case 32:
    return UiText("KeyNameSpace");
  case 33:
    return UiText("KeyNamePageUp");
  case 34:
    return UiText("KeyNamePageDown");
  case 35:
    return UiText("KeyNameEnd");
  case 36:
    return UiText("KeyNameHome");
  case 37:
    return UiText("KeyNameLeft");
  case 38:
    return UiText("KeyNameUp");
  case 39:
    return UiText("KeyNameRight");
  case 40:
    return UiText("KeyNameDown");
  case 45:
    return UiText("KeyNameInsert");
  case 46:
    return UiText("KeyNameDelete");
  case 91:
    return UiText("KeyNameWinLeft");
  case 92:
    return UiText("KeyNameWinRight");
  case 93:
    return UiText("KeyNameMenu");
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
    return UiText("KeyNameNumLock");
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

QString ShortcutText(const TKey &key) {
  if (key.VirtualKey == 0)
    return QString();
  QString text;
  if (key.Modifiers & KeyModAlt)
    text += UiText("KeyEditAlt") + QStringLiteral(" + ");
  if (key.Modifiers & KeyModCtrl)
    text += UiText("KeyEditCtrl") + QStringLiteral(" + ");
  if (key.Modifiers & KeyModShift)
    text += UiText("KeyEditShift") + QStringLiteral(" + ");
  if (key.Modifiers & KeyModExt)
    text += QStringLiteral("Ext + ");
  return text + '"' + KeyName(key.VirtualKey) + '"';
}

void FillKeyList(QTreeWidget *list) {
  QTreeWidgetItem *current = list->currentItem();
  const int selected = current && current->isSelected()
                           ? list->indexOfTopLevelItem(current)
                           : -1;
  list->setUpdatesEnabled(false);
  list->clear();
  for (int i = 0; i < g_keyTable.size(); ++i) {
    const TKey key = KeyAt(i);
    list->addTopLevelItem(
        new QTreeWidgetItem({QString::fromLocal8Bit(key.Name),
                             QString::number(key.Code), ShortcutText(key)}));
  }
  if (selected >= 0 && selected < list->topLevelItemCount())
    list->setCurrentItem(list->topLevelItem(selected));
  list->setUpdatesEnabled(true);
}
