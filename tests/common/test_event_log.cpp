#include "common/EventLog.h"
#include "common/Paths.h"
#include "support/TempDir.h"

#include <QFile>
#include <QRegularExpression>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>

namespace {

class EventLogTest : public ::testing::Test {
protected:
  void SetUp() override {
    setExePath(dir.file("Quorvane"));
    setLogFilePath(QString());
    setLogClock(
        [] { return QDateTime(QDate(2026, 12, 9), QTime(14, 3, 27, 45)); });
  }
  void TearDown() override { setLogClock({}); }
  QByteArray log() {
    QFile f(logFilePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  ScopedTempDir dir;
};

} // namespace

TEST_F(EventLogTest, LineFormatAndFileName) {
  EXPECT_EQ(logFilePath(), dir.file("Quorvane.log"));
  setExePath(dir.file("Quorvane.bin"));
  EXPECT_EQ(logFilePath(), dir.file("Quorvane.log"));

  writeLog("resv: NOP", true);
  writeLog("two\r\nlines", true);
  setLogClock([] { return QDateTime(QDate(2026, 1, 2), QTime(9, 5, 7, 0)); });
  writeLog(QByteArray("x"), true);
  EXPECT_EQ(log(), "14:03:27:45 resv: NOP\r\n14:03:27:45 two\r\nlines\r\n"
                   "09:05:07:0 x\r\n");
}

TEST_F(EventLogTest, NothingWhileOffAndDeletedFileIsRecreated) {
  writeLog("resv: NOP", false);
  EXPECT_FALSE(QFile::exists(logFilePath()));
  writeLog("a", true);
  ASSERT_TRUE(QFile::remove(logFilePath()));
  writeLog("b", true);
  EXPECT_EQ(log(), "14:03:27:45 b\r\n");
}

TEST_F(EventLogTest, ErrorsTravelToTheCaller) {
  setLogFilePath(dir.file("missing/dir/q.log"));
  EXPECT_THROW(writeLog("a", true), LogWriteError);
  setLogFilePath(QString());
}

TEST_F(EventLogTest, ThreadsWriteOnlyWholeLines) {
  setLogClock({});
  constexpr int kLines = 2000;
  auto writer = [](char tag) {
    const QByteArray msg = QByteArray(40, tag);
    for (int i = 0; i < kLines; ++i)
      writeLog(msg, true);
  };
  std::thread a(writer, 'a'), b(writer, 'b');
  a.join();
  b.join();
  const QList<QByteArray> lines = log().split('\n');
  ASSERT_EQ(lines.size(), 2 * kLines + 1); // the last split is empty
  QRegularExpression whole(R"(^\d\d:\d\d:\d\d:\d{1,3} (a{40}|b{40})\r$)");
  int bad = 0;
  for (int i = 0; i < 2 * kLines; ++i)
    if (!whole.match(QString::fromLatin1(lines[i])).hasMatch())
      ++bad;
  EXPECT_EQ(bad, 0);
}

TEST_F(EventLogTest, LineThatCannotBeWrittenTurnsItsSwitchOffOnce) {
  QStringList reports;
  setLogFailureHandler([&](const QString &path, const QString &reason) {
    reports << path + ": " + reason;
  });
  std::atomic<bool> logSwitch{true};
  writeLog("first", logSwitch);
  const QByteArray first = log();
  // A file size limit stands in for a full disk: the next line is cut
  // after 5 bytes.
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = rlim_t(first.size() + 5);
  setrlimit(RLIMIT_FSIZE, &small);
  writeLog("second line", logSwitch);
  writeLog("third line", logSwitch);
  setrlimit(RLIMIT_FSIZE, &old);
  setLogFailureHandler({});

  EXPECT_FALSE(logSwitch);
  EXPECT_EQ(log(), first); // no half line left behind
  ASSERT_EQ(reports.size(), 1);
  EXPECT_EQ(reports[0], logFilePath() + ": File too large");
}
