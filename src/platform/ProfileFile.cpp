#include "platform/ProfileFile.h"

#include "common/SafeFile.h"

#include <QFile>

namespace platform {

namespace {

bool sameName(const QByteArray &a, const QByteArray &b) {
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
    m_lines.append(parseLine(all.mid(start, end - start)));
    if (end < all.size() && all[end] == '\r' && end + 1 < all.size() &&
        all[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
}

ProfileFile::Line ProfileFile::parseLine(const QByteArray &text) {
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

int ProfileFile::findSection(const QByteArray &section) const {
  for (int i = 0; i < m_lines.size(); ++i)
    if (m_lines[i].isSection && sameName(m_lines[i].section, section))
      return i;
  return -1;
}

int ProfileFile::findKey(int sectionLine, const QByteArray &key) const {
  for (int i = sectionLine + 1; i < m_lines.size(); ++i) {
    if (m_lines[i].isSection)
      break;
    if (m_lines[i].isKey && sameName(m_lines[i].key, key))
      return i;
  }
  return -1;
}

bool ProfileFile::hasKey(const QByteArray &section,
                         const QByteArray &key) const {
  const int s = findSection(section);
  return s >= 0 && findKey(s, key) >= 0;
}

QByteArray ProfileFile::readString(const QByteArray &section,
                                   const QByteArray &key,
                                   const QByteArray &def) const {
  const int s = findSection(section);
  const int k = s < 0 ? -1 : findKey(s, key);
  if (k < 0)
    return def.left(kMaxValueLength);
  const QByteArray &text = m_lines[k].text;
  QByteArray value = text.mid(text.indexOf('=') + 1).trimmed();
  // A value wholly enclosed in matching quotes is read without them.
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.mid(1, value.size() - 2);
  return value.left(kMaxValueLength);
}

QList<QByteArray> ProfileFile::keys(const QByteArray &section) const {
  QList<QByteArray> keys;
  const int s = findSection(section);
  if (s < 0)
    return keys;
  for (int i = s + 1; i < m_lines.size() && !m_lines[i].isSection; ++i)
    if (m_lines[i].isKey)
      keys.append(m_lines[i].key);
  return keys;
}

void ProfileFile::deleteKey(const QByteArray &section, const QByteArray &key) {
  const int s = findSection(section);
  const int k = s < 0 ? -1 : findKey(s, key);
  if (k < 0)
    return;
  m_lines.removeAt(k);
  m_dirty = true;
}

void ProfileFile::writeString(const QByteArray &section, const QByteArray &key,
                              const QByteArray &value) {
  m_dirty = true;
  Line keyLine = parseLine(key + '=' + value);
  int s = findSection(section);
  if (s < 0) {
    m_lines.append(parseLine('[' + section + ']'));
    m_lines.append(keyLine);
    return;
  }
  const int k = findKey(s, key);
  if (k >= 0) {
    // Keep the stored spelling of the key name.
    m_lines[k] = parseLine(m_lines[k].key + '=' + value);
    return;
  }
  // Append after the last non-blank line of the section.
  int insertAt = s + 1;
  for (int i = s + 1; i < m_lines.size() && !m_lines[i].isSection; ++i)
    if (!m_lines[i].text.trimmed().isEmpty())
      insertAt = i + 1;
  m_lines.insert(insertAt, keyLine);
}

bool ProfileFile::flush() {
  if (!m_dirty)
    return true;
  QByteArray out;
  for (const Line &l : m_lines)
    out += l.text + "\r\n";
  m_writeError = writeFileWhole(m_path, out).error;
  if (m_writeError)
    return false;
  m_dirty = false;
  return true;
}

QByteArray ProfileFile::read(const QString &path, const QByteArray &section,
                             const QByteArray &key, const QByteArray &def) {
  return ProfileFile(path).readString(section, key, def);
}

bool ProfileFile::write(const QString &path, const QByteArray &section,
                        const QByteArray &key, const QByteArray &value) {
  ProfileFile f(path);
  f.writeString(section, key, value);
  return f.flush();
}

} // namespace platform
