#pragma once
// The key table: one text line per phone key, four TAB-separated fields
// (name, phone key code, modifier mask, virtual-key code of the PC
// shortcut). Lines are kept as read and parsed each time they are used, so
// a line nobody edits goes back to keys.ini byte for byte. One table is
// made by AppCore and handed to the keyboard, the hot-key editor and the
// key list. Main thread only.

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

class Paths;

// Modifier bits of a shortcut.
enum : uint16_t {
  KeyModAlt = 1,
  KeyModCtrl = 2,
  KeyModShift = 4,
  KeyModExt = 8,
};

// One key as parsed from a line.
struct Key {
  int32_t code = 0;        // the phone key code; its low 16 bits are sent
  uint16_t modifiers = 0;  // KeyMod* bits; other bits are kept, not used
  uint16_t virtualKey = 0; // 0: no shortcut
  QByteArray name;         // 8-bit text, as in the file
};

// The fields of a split line.
using ExplodedString = QList<QByteArray>;

// The 24 built-in lines.
QList<QByteArray> defaultKeyTable();
// keys.ini in the configuration folder of paths.
QString keyTablePath(const Paths &paths);

// Lines of a text: CR, LF and CR LF each end a line; a trailing break adds
// no line.
QList<QByteArray> splitLines(const QByteArray &text);

ExplodedString explode(const QByteArray &text, char separator = '\t');
QByteArray implode(const ExplodedString &fields, char separator = '\t');
Key parseKeyLine(const ExplodedString &fields);
QByteArray formatKeyLine(const Key &key);
// The display name of a virtual-key code in the language in use; empty
// when it has none.
QString keyName(uint16_t virtualKey);
// The shortcut as shown in the key list, e.g. Ctrl + Shift + "F5".
QString shortcutText(const Key &key);

class KeyTable {
public:
  // The lines, in file order; empty until load.
  const QList<QByteArray> &lines() const { return m_lines; }
  void setLines(const QList<QByteArray> &lines) { m_lines = lines; }
  qsizetype size() const { return m_lines.size(); }
  const QByteArray &line(qsizetype index) const { return m_lines.at(index); }
  void setLine(qsizetype index, const QByteArray &line) {
    m_lines[index] = line;
  }
  // Parses one line.
  Key keyAt(qsizetype index) const {
    return parseKeyLine(explode(m_lines.at(index)));
  }

  // Index of the first line whose code field reads exactly as the canonical
  // decimal form of code; -1 if none.
  int findKeyByCode(int32_t code) const;
  // Index of the first line bound to exactly this modifier mask and key; -1
  // if none.
  int findKeyByShortcut(uint16_t modifiers, uint16_t virtualKey) const;

  // Fills the table with the defaults, then replaces it whole with keys.ini
  // when that file exists (keyTablePath(paths)). A file that exists but
  // cannot be read leaves the defaults and logs a line.
  void load(const Paths &paths);
  // Writes every line, each ended by CR LF, replacing keys.ini, then
  // empties the table. Returns false with a message in *error when the file
  // could not be written.
  bool save(const Paths &paths, QString *error = nullptr);

private:
  QList<QByteArray> m_lines;
};
