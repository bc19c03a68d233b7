#pragma once
// A file system of the test's own, small enough to fill until not one byte
// is free: a tmpfs mounted on a fresh folder. Without the right to mount
// (not root), the test is run again by "unshare -rm", where it has that
// right; only when that fails too is it skipped, with the reason.
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class FullFileSystem : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // A folder on the small file system, ending with "/".
  QString dir() const { return m_root + QStringLiteral("/program/"); }
  QString file(const QString &name) const { return dir() + name; }
  // Takes every free byte (in a file outside Dir()).
  void fill();
  // The names in Dir(), hidden ones too, sorted.
  QStringList entries() const;

private:
  std::unique_ptr<QTemporaryDir> m_temp;
  QString m_root;
  bool m_mounted = false;
};

// While it lives, this thread writes as a user would: the capabilities that
// let root write into any folder are dropped, so a folder's permission bits
// count. Ok() is false when they could not be dropped.
class ScopedUserPermissions {
public:
  ScopedUserPermissions();
  ~ScopedUserPermissions();
  bool ok() const { return m_ok; }

private:
  bool m_ok = false;
  unsigned m_saved[2] = {0, 0};
};
