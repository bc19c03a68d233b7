
#include "common/Paths.h"
#include "platform/ProfileFile.h"
#include "settings/DialogSave.h"
#include "settings/Settings.h"
#include "support/FullFileSystem.h"
#include "support/TempDir.h"
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class SettingsTest : public ::testing::Test {
protected:
  void SetUp() override { settings = std::make_unique<Settings>(paths); }
  void writeIni(const QByteArray &text) {
    ASSERT_TRUE(writeAll(settingsFilePath(paths), text));
  }
  QByteArray iniText() { return readAll(settingsFilePath(paths)); }
  // The settings dialog's save with these values, the others as held.
  void saveDialog(int port, const QByteArray &blueToothPort,
                  const QByteArray &dataPort, const QByteArray &imageType,
                  const QByteArray &imageDir, const QByteArray &language) {
    SettingsValues edited = settings->values();
    edited.port = port;
    edited.blueToothPort = blueToothPort;
    edited.dataPort = dataPort;
    edited.imageType = imageType;
    edited.imageDir = imageDir;
    edited.language = language;
    settings->saveDialog(edited);
  }
  ScopedTempDir dir;
  const Paths paths = Paths::forExecutable(dir.file("quorvane"));
  std::unique_ptr<Settings> settings;
};

} // namespace

TEST_F(SettingsTest, MissingFileGivesEveryDefault) {
  settings->load();
  const QByteArray exeDir = QDir::toNativeSeparators(dir.path()).toLocal8Bit();
  EXPECT_EQ(settings->port(), 10001);
  EXPECT_EQ(settings->blueToothPort(), "COM7");
  EXPECT_EQ(settings->dataPort(), "COM4");
  EXPECT_EQ(settings->aviName(), exeDir + "video.avi");
  EXPECT_EQ(settings->fps(), 5);
  EXPECT_EQ(settings->imageType(), "BMP");
  EXPECT_EQ(settings->imageDir(), exeDir);
  EXPECT_EQ(settings->language(), "English");
  EXPECT_FALSE(QFile::exists(settingsFilePath(paths)));
}

TEST_F(SettingsTest, IntegersReadHexDecimalOrDefault) {
  struct Case {
    QByteArray text;
    int port, fps; // the defaults are 10001 and 5
  };
  for (const auto &[text, port, fps] :
       std::vector<Case>{{"0x2711", 10001, 10001},
                         {"0X2711", 10001, 10001},
                         {"abc", 10001, 5},
                         {"", 10001, 5},
                         {"0x", 10001, 5},
                         {"12", 12, 12},
                         {"99999999999", 10001, 5}}) {
    writeIni("[Connection]\r\nPort=" + text + "\r\n[AVI]\r\nFPS=" + text +
             "\r\n");
    settings->load();
    EXPECT_EQ(settings->port(), port) << text.constData();
    EXPECT_EQ(settings->fps(), fps) << text.constData();
  }
}

TEST_F(SettingsTest, EmptyTextKeyIsNotTheDefault) {
  writeIni("[Language]\r\nLanguage=\r\n[Connection]\r\nDataPort=  COM3 \r\n");
  settings->load();
  EXPECT_EQ(settings->language(), "");
  EXPECT_EQ(settings->dataPort(), "COM3");
  writeIni("[Connection]\r\n");
  settings->load();
  EXPECT_EQ(settings->language(), "English");
}

TEST_F(SettingsTest, DialogPortLandsOnPortKeyAndUnchangedSaveWritesNothing) {
  writeIni("[Connection]\r\nPort=10001\r\nBlueToothPort=COM7\r\n");
  settings->load();
  saveDialog(10005, "COM7", "COM4", "BMP", settings->imageDir(), "English");
  const QByteArray afterFirst = iniText();
  EXPECT_TRUE(afterFirst.startsWith("[Connection]\r\nPort=10005\r\n"))
      << afterFirst.constData();
  EXPECT_EQ(afterFirst.count("ort="), 2); // Port and blueToothPort only
  settings->load();
  EXPECT_EQ(settings->port(), 10005);

  // Same values again: the file stays byte-identical.
  const QDateTime stamp = QFileInfo(settingsFilePath(paths)).lastModified();
  saveDialog(10005, "COM7", "COM4", "BMP", settings->imageDir(), "English");
  settings->saveCapture(settings->aviName(), settings->fps());
  settings->storeBlueToothPort("COM7");
  EXPECT_EQ(iniText(), afterFirst);
  EXPECT_EQ(QFileInfo(settingsFilePath(paths)).lastModified(), stamp);
}

TEST_F(SettingsTest, StoresCompareOnlyTheirOwnKeyAndScreenSizeAlwaysWrites) {
  settings->load();
  settings->storeBlueToothPort("COM7"); // already held, whatever dataPort is
  EXPECT_FALSE(QFile::exists(settingsFilePath(paths)));
  settings->storeDataPort("COM12");
  EXPECT_EQ(iniText(), "[Connection]\r\nDataPort=COM12\r\n");
  settings->saveScreenSize(208, 176);
  settings->saveScreenSize(208, 176);
  EXPECT_EQ(iniText(), "[Connection]\r\nDataPort=COM12\r\n"
                       "[ScreenSize]\r\nHeight=208\r\nWeight=176\r\n");
  settings->saveCapture("/tmp/v.avi", 7);
  settings->load();
  EXPECT_EQ(settings->aviName(), "/tmp/v.avi");
  EXPECT_EQ(settings->fps(), 7);
}

TEST_F(SettingsTest, ChangedFollowsEveryValueTakenAndNoOther) {
  settings->load();
  int changes = 0;
  QObject::connect(settings.get(), &Settings::changed, [&] { ++changes; });
  settings->storeDataPort("COM4"); // held already: nothing written
  settings->setFps(5);
  settings->saveScreenSize(208, 176); // not a value held
  EXPECT_EQ(changes, 0);
  settings->storeDataPort("COM9");
  settings->setPort(0); // held for the run, not written
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(iniText(), "[ScreenSize]\r\nHeight=208\r\nWeight=176\r\n"
                       "[Connection]\r\nDataPort=COM9\r\n");
  // A refused store keeps the value held and signals nothing.
  QFile::remove(settingsFilePath(paths));
  ASSERT_TRUE(QDir().mkpath(settingsFilePath(paths)));
  EXPECT_THROW(settings->storeBlueToothPort("COM1"), SettingsWriteError);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(settings->blueToothPort(), "COM7");
}

TEST_F(SettingsTest, RefusedWriteRaisesAndKeepsTheOldValue) {
  settings->load();
  // A directory where the file should be: every write is refused.
  ASSERT_TRUE(QDir().mkpath(settingsFilePath(paths)));
  try {
    settings->saveCapture("/elsewhere/v.avi", 9);
    FAIL() << "no error raised";
  } catch (const SettingsWriteError &e) {
    EXPECT_EQ(QString(e.what()),
              "Unable to write to " + settingsFilePath(paths));
  }
  EXPECT_EQ(settings->aviName(),
            QDir::toNativeSeparators(dir.path()).toLocal8Bit() + "video.avi");
  EXPECT_EQ(settings->fps(), 5); // the key after the failed one is not written
}

// Only the port changed, and the disk is full: the save fails with the
// reason, the file stays byte for byte and nothing is left beside it. A
// program folder that takes no new file gets the file rewritten in place,
// but only when the new content has room.
TEST_F(FullFileSystem, SettingsSaveOnAFullDiskKeepsTheFile) {
  const Paths paths = Paths::forExecutable(file("quorvane"));
  const QByteArray old = "[Connection]\r\nPort=10001\r\n[AVI]\r\nFPS=5\r\n";
  ASSERT_TRUE(writeAll(settingsFilePath(paths), old));
  Settings settings(paths);
  settings.load();
  fill();
  SettingsValues edited = settings.values();
  edited.port = 10002;
  try {
    settings.saveDialog(edited);
    FAIL() << "the save reported success";
  } catch (const SettingsWriteError &e) {
    EXPECT_EQ(QString(e.what()),
              "Unable to write to " + settingsFilePath(paths));
    EXPECT_EQ(e.reason(), "no space left on device");
    EXPECT_TRUE(e.inDialog().startsWith("Unable to write to " +
                                        settingsFilePath(paths) +
                                        ": no space left on device. "))
        << e.inDialog().toStdString();
  }
  EXPECT_EQ(readAll(settingsFilePath(paths)), old);
  EXPECT_EQ(entries(), QStringList("Quorvane.ini"));
  EXPECT_EQ(settings.port(), 10001);

  ASSERT_TRUE(QFile::setPermissions(dir(), QFile::ReadOwner | QFile::ExeOwner));
  ScopedUserPermissions user;
  ASSERT_TRUE(user.ok());
  platform::ProfileFile grown(settingsFilePath(paths));
  grown.writeString("AVI", "AVIName", QByteArray(6000, 'v'));
  EXPECT_FALSE(grown.flush());
  EXPECT_EQ(readAll(settingsFilePath(paths)), old);
  platform::ProfileFile same(settingsFilePath(paths));
  same.writeString("Connection", "Port", "10002");
  EXPECT_TRUE(same.flush());
  EXPECT_EQ(readAll(settingsFilePath(paths)),
            "[Connection]\r\nPort=10002\r\n[AVI]\r\nFPS=5\r\n");
}

TEST(parseVideoScale, OneTwoOrThreeElseOne) {
  EXPECT_EQ(parseVideoScale(" 3 "), 3);
  for (const QByteArray stored : {"0", "4", "-2", "2x", ""})
    EXPECT_EQ(parseVideoScale(stored), 1) << stored.constData();
}

TEST(digitsToInt, KeepsDigitsOnly) {
  EXPECT_EQ(digitsToInt("1a0-0b01"), 10001);
  EXPECT_EQ(digitsToInt("port"), 0);
  EXPECT_EQ(digitsToInt(""), 0);
  EXPECT_EQ(digitsToInt("99999999999999"), 2147483647);
}
