#include "Session.h"
#include "SimOptions.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace phonesim;

namespace {

void writeIni(const QTemporaryDir &dir, const QByteArray &text) {
  QFile f(dir.filePath(QStringLiteral("Quorvane.ini")));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text);
}

bool parse(const QStringList &args, const QString &iniDir, SimOptions &o,
           QString *error) {
  int code = 0;
  return parseOptions(QStringList{QStringLiteral("phone-sim")} + args, iniDir,
                      o, error, &code);
}

} // namespace

TEST(SimOptions, PortComesFromTheSettingsFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  EXPECT_EQ(readIniPort(dir.path()), kDefaultPort); // no file

  struct Case {
    QByteArray ini;
    int port;
  };
  const Case cases[] = {
      {"[Connection]\nPort=12345\n", 12345},
      {"[AVI]\nPort=1\n[connection]\r\nport = 0x2712\r\n", 10002},
      {"[Connection]\nBlueToothPort=COM7\nPort=abc\n", kDefaultPort},
      {"[Connection]\nPort=\n", kDefaultPort},
      {"[Connection]\nPort=70000\n", kDefaultPort},
      {"[Image]\nPort=4000\n", kDefaultPort},
      {"[Connection]\nDataPort=COM4\nPORT=4001\nPort=4002\n", 4001},
  };
  for (const Case &c : cases) {
    writeIni(dir, c.ini);
    EXPECT_EQ(readIniPort(dir.path()), c.port) << c.ini.constData();
  }
}

TEST(SimOptions, ParsesAndChecksTheCommandLine) {
  QTemporaryDir dir;
  writeIni(dir, "[Connection]\nPort=23456\n");
  SimOptions o;
  QString error;
  ASSERT_TRUE(parse({}, dir.path(), o, &error)) << error.toStdString();
  EXPECT_EQ(o.link, SimOptions::Link::Tcp);
  EXPECT_EQ(o.host, QStringLiteral("127.0.0.1"));
  EXPECT_EQ(o.port, 23456);
  EXPECT_EQ(o.id.modelCode(), QStringLiteral("4E4F5641"));
  EXPECT_EQ(o.mode, SimOptions::Mode::Normal);

  // --ini-dir wins over the default directory, --port over both.
  QTemporaryDir other;
  writeIni(other, "[Connection]\nPort=3456\n");
  ASSERT_TRUE(parse({"--ini-dir", other.path()}, dir.path(), o, &error));
  EXPECT_EQ(o.port, 3456);
  ASSERT_TRUE(parse(
      {"--ini-dir", other.path(), "--port", "4567", "--host", "localhost"},
      dir.path(), o, &error));
  EXPECT_EQ(o.port, 4567);
  EXPECT_EQ(o.host, QStringLiteral("localhost"));

  ASSERT_TRUE(parse({"--pty", "--id", "0102030405060708", "--script",
                     "--exit-after-keys", "3", "--once"},
                    dir.path(), o, &error));
  EXPECT_EQ(o.link, SimOptions::Link::Pty);
  EXPECT_EQ(o.id.bytes[7], 8);
  EXPECT_EQ(o.recordPath, QStringLiteral("-"));
  EXPECT_EQ(o.exitAfterKeys, 3);
  EXPECT_TRUE(o.once);

  ASSERT_TRUE(parse({"--serial", "/dev/pts/9", "--flood", "2.5", "--tile",
                     "full", "--format", "jpeg", "--record", "/tmp/k",
                     "--save-tile", "/tmp/t.jpg"},
                    dir.path(), o, &error));
  EXPECT_EQ(o.link, SimOptions::Link::Serial);
  EXPECT_EQ(o.serialDevice, QStringLiteral("/dev/pts/9"));
  EXPECT_EQ(o.mode, SimOptions::Mode::Flood);
  EXPECT_DOUBLE_EQ(o.floodSeconds, 2.5);
  EXPECT_TRUE(o.floodFullScreen);
  EXPECT_EQ(o.floodFormat, TileFormat::Jpeg);
  EXPECT_EQ(o.recordPath, QStringLiteral("/tmp/k"));
  EXPECT_EQ(o.saveTilePath, QStringLiteral("/tmp/t.jpg"));

  ASSERT_TRUE(parse({"--poll-bench", "100"}, dir.path(), o, &error));
  EXPECT_EQ(o.mode, SimOptions::Mode::PollBench);
  EXPECT_EQ(o.pollBenchCount, 100);

  const QStringList bad[] = {{"--serial", "/dev/x", "--pty"},
                             {"--id", "123"},
                             {"--port", "0"},
                             {"--port", "65536"},
                             {"--flood", "-1"},
                             {"--flood", "1", "--poll-bench", "5"},
                             {"--tile", "huge"},
                             {"--format", "png"},
                             {"--exit-after-keys", "0"},
                             {"--save-tile", "/tmp/t.gif"},
                             {"stray"},
                             {"--no-such-option"}};
  for (const QStringList &args : bad) {
    SimOptions untouched;
    untouched.port = 1;
    EXPECT_FALSE(parse(args, dir.path(), untouched, &error))
        << args.join(' ').toStdString();
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(untouched.port, 1);
  }
}

TEST(percentile, NearestRank) {
  std::vector<double> v;
  for (int i = 100; i >= 1; --i)
    v.push_back(i);
  EXPECT_DOUBLE_EQ(percentile(v, 0.5), 50);
  EXPECT_DOUBLE_EQ(percentile(v, 0.99), 99);
  EXPECT_DOUBLE_EQ(percentile(v, 1.0), 100);
  EXPECT_DOUBLE_EQ(percentile({7}, 0.99), 7);
  EXPECT_DOUBLE_EQ(percentile({}, 0.5), 0);
  EXPECT_DOUBLE_EQ(percentile({3, 1, 2}, 0.5), 2);
}
