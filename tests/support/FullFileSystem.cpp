#include "support/FullFileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
const char kInner[] = "QV_FULL_FILE_SYSTEM_INNER";
// The inner run's exit code when it cannot mount either.
constexpr int kCannotMount = 77;
} // namespace

void FullFileSystem::SetUp() {
  m_temp = std::make_unique<QTemporaryDir>();
  ASSERT_TRUE(m_temp->isValid());
  m_root = m_temp->path();
  const QByteArray root = QFile::encodeName(m_root);
  if (::mount("tmpfs", root.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
              "size=256k,mode=0755") == 0) {
    m_mounted = true;
    ASSERT_TRUE(QDir().mkpath(dir()));
    return;
  }
  const QString why = QString::fromLocal8Bit(std::strerror(errno));
  if (qEnvironmentVariableIsSet(kInner))
    std::_Exit(kCannotMount);

  const ::testing::TestInfo *test =
      ::testing::UnitTest::GetInstance()->current_test_info();
  QProcess inner;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(kInner, QStringLiteral("1"));
  inner.setProcessEnvironment(env);
  inner.setProcessChannelMode(QProcess::MergedChannels);
  inner.start(QStringLiteral("unshare"),
              {QStringLiteral("-rm"),
               QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath(),
               QStringLiteral("--gtest_filter=%1.%2")
                   .arg(test->test_suite_name(), test->name())});
  const bool finished = inner.waitForFinished(120000);
  const QByteArray output = inner.readAll();
  // Without gtest's banner the test program never ran: unshare is missing
  // or was refused.
  if (!finished || !output.contains("[==========]") ||
      inner.exitCode() == kCannotMount)
    GTEST_SKIP() << "No small file system to fill: mounting a tmpfs failed ("
                 << why.toStdString() << ") and so did \"unshare -rm\".";
  ASSERT_EQ(inner.exitCode(), 0) << output.constData();
  GTEST_SKIP() << "Run under \"unshare -rm\", where it passed.";
}

void FullFileSystem::TearDown() {
  if (m_mounted)
    ::umount2(QFile::encodeName(m_root).constData(), MNT_DETACH);
  m_temp.reset();
}

void FullFileSystem::fill() {
  const QByteArray path = QFile::encodeName(m_root + QStringLiteral("/fill"));
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  static const char chunk[16384] = {};
  // Large writes first, then single bytes for the last part of a page.
  for (const size_t size : {sizeof chunk, size_t(1)})
    while (::write(fd, chunk, size) > 0) {
    }
  ::close(fd);
  struct statvfs fs {};
  ASSERT_EQ(::statvfs(QFile::encodeName(m_root).constData(), &fs), 0);
  ASSERT_EQ(fs.f_bavail, 0u) << "the file system still has room";
}

QStringList FullFileSystem::entries() const {
  return QDir(dir()).entryList(
      QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

namespace {
bool capabilities(bool set, unsigned effective[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (::syscall(SYS_capget, &header, data) != 0)
    return false;
  if (!set) {
    effective[0] = data[0].effective;
    effective[1] = data[1].effective;
    return true;
  }
  data[0].effective = effective[0];
  data[1].effective = effective[1];
  return ::syscall(SYS_capset, &header, data) == 0;
}
} // namespace

ScopedUserPermissions::ScopedUserPermissions() {
  if (!capabilities(false, m_saved))
    return;
  unsigned dropped[2] = {m_saved[0], m_saved[1]};
  for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
    dropped[cap / 32] &= ~(1u << (cap % 32));
  m_ok = capabilities(true, dropped);
}

ScopedUserPermissions::~ScopedUserPermissions() {
  if (m_ok)
    capabilities(true, m_saved);
}
