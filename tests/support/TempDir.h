#pragma once
// A fresh temporary directory per test, removed afterwards.
#include <QString>
#include <QTemporaryDir>

class ScopedTempDir {
public:
  ScopedTempDir() { m_dir.setAutoRemove(true); }
  QString Path() const { return m_dir.path() + '/'; }
  QString File(const QString &name) const { return m_dir.filePath(name); }
  bool IsValid() const { return m_dir.isValid(); }

private:
  QTemporaryDir m_dir;
};
