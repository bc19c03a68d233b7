// Two real processes: this test program doubles as the instance under test
// when started with "--probe <mode>". A probe prints "first" or "second";
// a first instance then prints "restore" for every request to come forward
// and ends when its standard input closes.

#include "platform/SingleInstance.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

QString g_self;

int RunProbe(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  TSingleInstance instance;
  const int mode = QByteArray(argv[2]).toInt();
  if (instance.CheckSingleInstance(mode,
                                   QCoreApplication::applicationFilePath())) {
    std::printf("second\n");
    return 0;
  }
  std::printf("first\n");
  std::fflush(stdout);
  QObject::connect(&instance, &TSingleInstance::RestoreRequested, [] {
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
QByteArray StartProbe(QProcess &p, const QString &exe, int mode = 0) {
  p.start(exe, {"--probe", QString::number(mode)});
  if (!p.waitForStarted(5000))
    return "not started";
  while (!p.canReadLine())
    if (!p.waitForReadyRead(10000))
      return "no answer";
  return p.readLine().trimmed();
}

QString CopyOfSelf(const ScopedTempDir &dir, const QString &name) {
  const QString target = dir.File(name);
  QFile::copy(g_self, target);
  QFile::setPermissions(target, QFile::permissions(g_self));
  return target;
}

void Stop(QProcess &p) {
  p.closeWriteChannel();
  if (!p.waitForFinished(5000))
    p.kill();
  p.waitForFinished();
}

} // namespace

TEST(SingleInstance, SecondCopyFromTheSamePathEndsAndWakesTheFirst) {
  ScopedTempDir dir;
  const QString exe = CopyOfSelf(dir, "quorvane");
  QProcess first, second;
  ASSERT_EQ(StartProbe(first, exe), "first");

  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(StartProbe(second, exe), "second");
  ASSERT_TRUE(second.waitForFinished(5000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_LT(timer.elapsed(), 4000);

  while (!first.canReadLine())
    ASSERT_TRUE(first.waitForReadyRead(5000)) << "first was not asked forward";
  EXPECT_EQ(first.readLine().trimmed(), "restore");
  Stop(first);
}

TEST(SingleInstance, CopiesInTwoDirectoriesRunSideBySideInModeZeroOnly) {
  ScopedTempDir a, b;
  const QString exeA = CopyOfSelf(a, "quorvane"),
                exeB = CopyOfSelf(b, "quorvane");
  QProcess pa, pb;
  ASSERT_EQ(StartProbe(pa, exeA), "first");
  EXPECT_EQ(StartProbe(pb, exeB), "first");
  Stop(pb);

  // Mode 1 names the instance after the file name: the copies share it.
  QProcess pa1, pb1;
  ASSERT_EQ(StartProbe(pa1, exeA, 1), "first");
  EXPECT_EQ(StartProbe(pb1, exeB, 1), "second");
  Stop(pb1);
  Stop(pa1);
  Stop(pa);

  // Any other mode never finds another instance and creates nothing.
  TSingleInstance other;
  EXPECT_FALSE(other.CheckSingleInstance(7, exeA));
  EXPECT_TRUE(TSingleInstance::InstanceName(7, exeA).isEmpty());
}

TEST(SingleInstance, KilledFirstInstanceDoesNotBlockTheNextStart) {
  ScopedTempDir dir;
  const QString exe = CopyOfSelf(dir, "quorvane");
  QProcess first;
  ASSERT_EQ(StartProbe(first, exe), "first");
  first.kill(); // SIGKILL: no clean-up runs
  first.waitForFinished();
  QProcess next;
  EXPECT_EQ(StartProbe(next, exe), "first");
  Stop(next);
}

int main(int argc, char **argv) {
  if (argc > 2 && QByteArray(argv[1]) == "--probe")
    return RunProbe(argc, argv);
  g_self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
