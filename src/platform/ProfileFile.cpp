#include "platform/ProfileFile.h"

#include "common/SafeFile.h"

#include <QFile>

namespace platform {

namespace {

bool SameName(const QByteArray &a, const QByteArray &b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

ProfileFile::ProfileFile(QString path) : m_path(std::move(path)) {
  QFile f(m_path);
  if (!f.open(QIODevice::ReadOnly))
    return; // a missing file reads as empty
  const QByteArray all = f.readAll();
  qsizetype start = 0;
  while (start < all.size()) {
    qsizetype end = start;
    while (end < all.size() && all[end] != '\r' && all[end] != '\n')
      ++end;
    m_lines.append(ParseLine(all.mid(start, end - start)));
    if (end < all.size() && all[end] == '\r' && end + 1 < all.size() &&
        all[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
}

ProfileFile::Line ProfileFile::ParseLine(const QByteArray &text) {
  Line line;
  line.text = text;
  const QByteArray t = text.trimmed();
  if (t.startsWith('[')) {
    const qsizetype close = t.indexOf(']');
    if (close > 0) {
      line.isSection = true;
      line.section = t.mid(1, close - 1).trimmed();
    }
    return line;
  }
  if (t.startsWith(';'))
    return line;
  const qsizetype eq = t.indexOf('=');
  if (eq > 0) {
    line.isKey = true;
    line.key = t.left(eq).trimmed();
  }
  return line;
}

int ProfileFile::FindSection(const QByteArray &section) const {
  for (int i = 0; i < m_lines.size(); ++i)
    if (m_lines[i].isSection && SameName(m_lines[i].section, section))
      return i;
  return -1;
}

int ProfileFile::FindKey(int sectionLine, const QByteArray &key) const {
  for (int i = sectionLine + 1; i < m_lines.size(); ++i) {
    if (m_lines[i].isSection)
      break;
    if (m_lines[i].isKey && SameName(m_lines[i].key, key))
      return i;
  }
  return -1;
}

bool ProfileFile::HasKey(const QByteArray &section,
                         const QByteArray &key) const {
  const int s = FindSection(section);
  return s >= 0 && FindKey(s, key) >= 0;
}

QByteArray ProfileFile::ReadString(const QByteArray &section,
                                   const QByteArray &key,
                                   const QByteArray &def) const {
  const int s = FindSection(section);
  const int k = s < 0 ? -1 : FindKey(s, key);
  if (k < 0)
    return def.left(MaxValueLength);
  const QByteArray &text = m_lines[k].text;
  QByteArray value = text.mid(text.indexOf('=') + 1).trimmed();
  // A value wholly enclosed in matching quotes is read without them.
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.mid(1, value.size() - 2);
  return value.left(MaxValueLength);
}

QList<QByteArray> ProfileFile::Keys(const QByteArray &section) const {
  QList<QByteArray> keys;
  const int s = FindSection(section);
  if (s < 0)
    return keys;
  for (int i = s + 1; i < m_lines.size() && !m_lines[i].isSection; ++i)
    if (m_lines[i].isKey)
      keys.append(m_lines[i].key);
  return keys;
}

void ProfileFile::DeleteKey(const QByteArray &section, const QByteArray &key) {
  const int s = FindSection(section);
  const int k = s < 0 ? -1 : FindKey(s, key);
  if (k < 0)
    return;
  m_lines.removeAt(k);
  m_dirty = true;
}

void ProfileFile::WriteString(const QByteArray &section, const QByteArray &key,
                              const QByteArray &value) {
  m_dirty = true;
  Line keyLine = ParseLine(key + '=' + value);
  int s = FindSection(section);
  if (s < 0) {
    m_lines.append(ParseLine('[' + section + ']'));
    m_lines.append(keyLine);
    return;
  }
  const int k = FindKey(s, key);
  if (k >= 0) {
    // Keep the stored spelling of the key name.
    m_lines[k] = ParseLine(m_lines[k].key + '=' + value);
    return;
  }
  // Append after the last non-blank line of the section.
  int insertAt = s + 1;
  for (int i = s + 1; i < m_lines.size() && !m_lines[i].isSection; ++i)
    if (!m_lines[i].text.trimmed().isEmpty())
      insertAt = i + 1;
  m_lines.insert(insertAt, keyLine);
}

bool ProfileFile::Flush() {
  if (!m_dirty)
    return true;
  QByteArray out;
  for (const Line &l : m_lines)
    out += l.text + "\r\n";
  m_writeError = WriteFileWhole(m_path, out).Error;
  if (m_writeError)
    return false;
  m_dirty = false;
  return true;
}

QByteArray ProfileFile::Read(const QString &path, const QByteArray &section,
                             const QByteArray &key, const QByteArray &def) {
  return ProfileFile(path).ReadString(section, key, def);
}

bool ProfileFile::Write(const QString &path, const QByteArray &section,
                        const QByteArray &key, const QByteArray &value) {
  ProfileFile f(path);
  f.WriteString(section, key, value);
  return f.Flush();
}

} // namespace platform
