
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
    events.setFilePath(Paths::forExecutable(dir.file("Quorvane")).logFile());
    events.setClock(
        [] { return QDateTime(QDate(2026, 12, 9), QTime(14, 3, 27, 45)); });
  }
  QByteArray log() {
    QFile f(events.filePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  ScopedTempDir dir;
  EventLog events;
};

} // namespace

TEST_F(EventLogTest, LineFormatAndFileName) {
  EXPECT_EQ(events.filePath(), dir.file("Quorvane.log"));
  EXPECT_EQ(Paths::forExecutable(dir.file("Quorvane.bin")).logFile(),
            dir.file("Quorvane.log"));

  events.write("resv: NOP", true);
  events.write("two\r\nlines", true);
  events.setClock(
      [] { return QDateTime(QDate(2026, 1, 2), QTime(9, 5, 7, 0)); });
  events.write(QByteArray("x"), true);
  EXPECT_EQ(log(), "14:03:27:45 resv: NOP\r\n14:03:27:45 two\r\nlines\r\n"
                   "09:05:07:0 x\r\n");
}

TEST_F(EventLogTest, NothingWhileOffAndDeletedFileIsRecreated) {
  events.write("resv: NOP", false);
  EXPECT_FALSE(QFile::exists(events.filePath()));
  events.write("a", true);
  ASSERT_TRUE(QFile::remove(events.filePath()));
  events.write("b", true);
  EXPECT_EQ(log(), "14:03:27:45 b\r\n");
}

TEST_F(EventLogTest, ErrorsTravelToTheCaller) {
  events.setFilePath(dir.file("missing/dir/q.log"));
  EXPECT_THROW(events.write("a", true), LogWriteError);
}

TEST_F(EventLogTest, ThreadsWriteOnlyWholeLines) {
  events.setClock({});
  constexpr int kLines = 2000;
  auto writer = [this](char tag) {
    const QByteArray msg = QByteArray(40, tag);
    for (int i = 0; i < kLines; ++i)
      events.write(msg, true);
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
  events.setFailureHandler([&](const QString &path, const QString &reason) {
    reports << path + ": " + reason;
  });
  events.setOn(LogSwitch::Commands, true);
  events.write("first", LogSwitch::Commands);
  const QByteArray first = log();
  // A file size limit stands in for a full disk: the next line is cut
  // after 5 bytes.
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = rlim_t(first.size() + 5);
  setrlimit(RLIMIT_FSIZE, &small);
  events.write("second line", LogSwitch::Commands);
  events.write("third line", LogSwitch::Commands);
  setrlimit(RLIMIT_FSIZE, &old);

  EXPECT_FALSE(events.isOn(LogSwitch::Commands));
  EXPECT_EQ(log(), first); // no half line left behind
  ASSERT_EQ(reports.size(), 1);
  EXPECT_EQ(reports[0], events.filePath() + ": File too large");
}
