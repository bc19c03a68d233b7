// Two real processes: this test program doubles as the instance under test
// when started with "--probe <mode>". A probe prints "first" or "second";
// a first instance then prints "restore" for every request to come forward
// and ends when its standard input closes.

#include "platform/SingleInstance.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <cstdio>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString g_self;

int runProbe(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  SingleInstance instance;
  const int mode = QByteArray(argv[2]).toInt();
  switch (instance.check(mode, QCoreApplication::applicationFilePath())) {
  case SingleInstance::Check::First:
    break;
  case SingleInstance::Check::HandedOver:
    std::printf("second\n");
    return 0;
  case SingleInstance::Check::Unreachable:
    std::printf("unreachable %lld\n", instance.holderPid());
    return 1;
  }
  std::printf("first\n");
  std::fflush(stdout);
  QObject::connect(&instance, &SingleInstance::restoreRequested, [] {
    std::printf("restore\n");
    std::fflush(stdout);
  });
  QSocketNotifier stdinGone(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(&stdinGone, &QSocketNotifier::activated, [&] {
    char c;
    if (::read(STDIN_FILENO, &c, 1) <= 0)
      app.quit();
  });
  return app.exec();
}

// Starts a probe from the given executable and waits for its first line.
QByteArray startProbe(QProcess &p, const QString &exe, int mode = 0) {
  p.start(exe, {"--probe", QString::number(mode)});
  if (!p.waitForStarted(5000))
    return "not started";
  while (!p.canReadLine())
    if (!p.waitForReadyRead(10000))
      return "no answer";
  return p.readLine().trimmed();
}

QString copyOfSelf(const ScopedTempDir &dir, const QString &name) {
  const QString target = dir.file(name);
  QFile::copy(g_self, target);
  QFile::setPermissions(target, QFile::permissions(g_self));
  return target;
}

void stop(QProcess &p) {
  p.closeWriteChannel();
  if (!p.waitForFinished(5000))
    p.kill();
  p.waitForFinished();
}

} // namespace

TEST(SingleInstance, SecondCopyFromTheSamePathEndsAndWakesTheFirst) {
  ScopedTempDir dir;
  const QString exe = copyOfSelf(dir, "quorvane");
  QProcess first, second;
  ASSERT_EQ(startProbe(first, exe), "first");

  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(startProbe(second, exe), "second");
  ASSERT_TRUE(second.waitForFinished(5000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_LT(timer.elapsed(), 4000);

  while (!first.canReadLine())
    ASSERT_TRUE(first.waitForReadyRead(5000)) << "first was not asked forward";
  EXPECT_EQ(first.readLine().trimmed(), "restore");
  stop(first);
}

TEST(SingleInstance, CopiesInTwoDirectoriesRunSideBySideInModeZeroOnly) {
  ScopedTempDir a, b;
  const QString exeA = copyOfSelf(a, "quorvane"),
                exeB = copyOfSelf(b, "quorvane");
  QProcess pa, pb;
  ASSERT_EQ(startProbe(pa, exeA), "first");
  EXPECT_EQ(startProbe(pb, exeB), "first");
  stop(pb);

  // Mode 1 names the instance after the file name: the copies share it.
  QProcess pa1, pb1;
  ASSERT_EQ(startProbe(pa1, exeA, 1), "first");
  EXPECT_EQ(startProbe(pb1, exeB, 1), "second");
  stop(pb1);
  stop(pa1);
  stop(pa);

  // Any other mode never finds another instance and creates nothing.
  SingleInstance other;
  EXPECT_EQ(other.check(7, exeA), SingleInstance::Check::First);
  EXPECT_TRUE(SingleInstance::instanceName(7, exeA).isEmpty());
}

TEST(SingleInstance, KilledFirstInstanceDoesNotBlockTheNextStart) {
  ScopedTempDir dir;
  const QString exe = copyOfSelf(dir, "quorvane");
  QProcess first;
  ASSERT_EQ(startProbe(first, exe), "first");
  first.kill(); // SIGKILL: no clean-up runs
  first.waitForFinished();
  QProcess next;
  EXPECT_EQ(startProbe(next, exe), "first");
  stop(next);
}

TEST(SingleInstance, ALockSquattedInTheSharedTempFolderDoesNotStopTheStart) {
  ScopedTempDir dir;
  const QString exe = copyOfSelf(dir, "quorvane");
  // Any local user can create this file with a live pid of their own.
  QLockFile squat(
      QDir::temp().filePath(SingleInstance::instanceName(0, exe) + ".lock"));
  ASSERT_TRUE(squat.tryLock(0));
  QProcess first;
  EXPECT_EQ(startProbe(first, exe), "first");
  stop(first);
}

TEST(SingleInstance, AHeldLockWithoutAnAnsweringCopyIsReported) {
  ScopedTempDir dir;
  const QString exe = copyOfSelf(dir, "quorvane");
  const QString folder = SingleInstance::runtimeFolder();
  ASSERT_FALSE(folder.isEmpty());
  EXPECT_EQ(QFileInfo(folder).permissions() & 0x0077, 0); // no group, other
  QLockFile held(folder + '/' + SingleInstance::instanceName(0, exe) + ".lock");
  ASSERT_TRUE(held.tryLock(0));
  QProcess second;
  EXPECT_EQ(startProbe(second, exe),
            "unreachable " + QByteArray::number(::getpid()));
  ASSERT_TRUE(second.waitForFinished(5000));
  EXPECT_EQ(second.exitCode(), 1);
}

TEST(SingleInstance, AnotherUserRunsACopyOfTheSamePathBesideOurs) {
  if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty())
    GTEST_SKIP() << "needs root and setpriv to run as another user";
  ScopedTempDir dir, shared;
  QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) |
                                        QFile::ReadOther | QFile::ExeOther);
  ASSERT_EQ(::chmod(QFile::encodeName(shared.path()).constData(), 01777), 0);
  const QString exe = copyOfSelf(dir, "quorvane");
  QProcess mine, theirs;
  ASSERT_EQ(startProbe(mine, exe), "first");

  // Their runtime folder is not given: they fall back to a folder of their
  // own in the temporary folder.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("XDG_RUNTIME_DIR");
  env.insert("TMPDIR", shared.path());
  theirs.setProcessEnvironment(env);
  theirs.start("setpriv", {"--reuid=nobody", "--regid=nogroup",
                           "--clear-groups", exe, "--probe", "0"});
  ASSERT_TRUE(theirs.waitForStarted(5000));
  while (!theirs.canReadLine())
    ASSERT_TRUE(theirs.waitForReadyRead(10000))
        << theirs.readAllStandardError().constData();
  EXPECT_EQ(theirs.readLine().trimmed(), "first");
  const uid_t nobody = ::getpwnam("nobody")->pw_uid;
  const QFileInfo folder(
      shared.file(QStringLiteral("quorvane-%1").arg(nobody)));
  EXPECT_EQ(folder.ownerId(), nobody);
  EXPECT_EQ(folder.permissions() & 0x0077, 0);
  stop(theirs);
  stop(mine);
}

int main(int argc, char **argv) {
  if (argc > 2 && QByteArray(argv[1]) == "--probe")
    return runProbe(argc, argv);
  g_self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
