#pragma once
// A fresh temporary directory per test, removed afterwards.
#include <QFile>
#include <QString>
#include <QTemporaryDir>

class ScopedTempDir {
public:
  ScopedTempDir() { m_dir.setAutoRemove(true); }
  QString path() const { return m_dir.path() + '/'; }
  QString file(const QString &name) const { return m_dir.filePath(name); }
  bool isValid() const { return m_dir.isValid(); }

private:
  QTemporaryDir m_dir;
};

// A whole file's bytes; empty when it cannot be read.
inline QByteArray readAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes the file whole; false when it cannot be written.
inline bool writeAll(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
