#pragma once
// INI ("profile") files with the behaviour of the classic profile functions:
// sections and keys matched without regard to case, values trimmed and cut
// at 2047 characters, a written key keeps its place, a missing file, section
// or key is created on write, lines end with CR LF.
//
// A ProfileFile reads the file once when constructed and writes it back on
// Flush(); one object is one "opening" of the file.

#include <QByteArray>
#include <QList>
#include <QString>

namespace platform {

class ProfileFile {
public:
  static constexpr int kMaxValueLength = 2047;

  explicit ProfileFile(QString path);

  const QString &path() const { return m_path; }

  // Value of [section] key, trimmed and cut at kMaxValueLength; def when the
  // file, the section or the key is missing.
  QByteArray readString(const QByteArray &section, const QByteArray &key,
                        const QByteArray &def) const;
  bool hasKey(const QByteArray &section, const QByteArray &key) const;
  // The key names of a section in file order, as spelt in the file.
  QList<QByteArray> keys(const QByteArray &section) const;
  // Removes the key's line; nothing when there is none.
  void deleteKey(const QByteArray &section, const QByteArray &key);

  // Changes the value in memory; the key keeps its place, or is appended to
  // its section (created at the end of the file when missing).
  void writeString(const QByteArray &section, const QByteArray &key,
                   const QByteArray &value);

  // Writes the file whole (common/SafeFile.h); false when the file system
  // refuses, and the file on disk is then as it was.
  bool flush();
  // The errno of the last Flush that failed.
  int writeError() const { return m_writeError; }

  // One-shot helpers: read, or write and flush, in one opening of the file.
  static QByteArray read(const QString &path, const QByteArray &section,
                         const QByteArray &key, const QByteArray &def);
  static bool write(const QString &path, const QByteArray &section,
                    const QByteArray &key, const QByteArray &value);

private:
  struct Line {
    QByteArray text;    // the line as stored, without its line end
    QByteArray section; // for a section header: its name
    QByteArray key;     // for a key line: its name (trimmed)
    bool isSection = false;
    bool isKey = false;
  };
  static Line parseLine(const QByteArray &text);
  int findSection(const QByteArray &section) const;
  int findKey(int sectionLine, const QByteArray &key) const;

  QString m_path;
  QList<Line> m_lines;
  bool m_dirty = false;
  int m_writeError = 0;
};

} // namespace platform
