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
  void SetUp() override {
    SetExePath(dir.File("quorvane"));
    AppSettings = TAppSettings();
  }
  void WriteIni(const QByteArray &text) {
    ASSERT_TRUE(WriteAll(SettingsFilePath(), text));
  }
  QByteArray Ini() { return ReadAll(SettingsFilePath()); }
  ScopedTempDir dir;
};

} // namespace

TEST_F(SettingsTest, MissingFileGivesEveryDefault) {
  LoadSettings();
  const QByteArray exeDir = QDir::toNativeSeparators(dir.Path()).toLocal8Bit();
  EXPECT_EQ(AppSettings.Port, 10001);
  EXPECT_EQ(AppSettings.BlueToothPort, "COM7");
  EXPECT_EQ(AppSettings.DataPort, "COM4");
  EXPECT_EQ(AppSettings.AVIName, exeDir + "video.avi");
  EXPECT_EQ(AppSettings.FPS, 5);
  EXPECT_EQ(AppSettings.ImageType, "BMP");
  EXPECT_EQ(AppSettings.ImageDir, exeDir);
  EXPECT_EQ(AppSettings.Language, "English");
  EXPECT_FALSE(QFile::exists(SettingsFilePath()));
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
    WriteIni("[Connection]\r\nPort=" + text + "\r\n[AVI]\r\nFPS=" + text +
             "\r\n");
    LoadSettings();
    EXPECT_EQ(AppSettings.Port, port) << text.constData();
    EXPECT_EQ(AppSettings.FPS, fps) << text.constData();
  }
}

TEST_F(SettingsTest, EmptyTextKeyIsNotTheDefault) {
  WriteIni("[Language]\r\nLanguage=\r\n[Connection]\r\nDataPort=  COM3 \r\n");
  LoadSettings();
  EXPECT_EQ(AppSettings.Language, "");
  EXPECT_EQ(AppSettings.DataPort, "COM3");
  WriteIni("[Connection]\r\n");
  LoadSettings();
  EXPECT_EQ(AppSettings.Language, "English");
}

TEST_F(SettingsTest, DialogPortLandsOnPortKeyAndUnchangedSaveWritesNothing) {
  WriteIni("[Connection]\r\nPort=10001\r\nBlueToothPort=COM7\r\n");
  LoadSettings();
  SaveDialogSettings(10005, "COM7", "COM4", "BMP", AppSettings.ImageDir,
                     "English");
  const QByteArray afterFirst = Ini();
  EXPECT_TRUE(afterFirst.startsWith("[Connection]\r\nPort=10005\r\n"))
      << afterFirst.constData();
  EXPECT_EQ(afterFirst.count("ort="), 2); // Port and BlueToothPort only
  LoadSettings();
  EXPECT_EQ(AppSettings.Port, 10005);

  // Same values again: the file stays byte-identical.
  const QDateTime stamp = QFileInfo(SettingsFilePath()).lastModified();
  SaveDialogSettings(10005, "COM7", "COM4", "BMP", AppSettings.ImageDir,
                     "English");
  SaveCaptureSettings(AppSettings.AVIName, AppSettings.FPS);
  StoreBlueToothPort("COM7");
  EXPECT_EQ(Ini(), afterFirst);
  EXPECT_EQ(QFileInfo(SettingsFilePath()).lastModified(), stamp);
}

TEST_F(SettingsTest, StoresCompareOnlyTheirOwnKeyAndScreenSizeAlwaysWrites) {
  LoadSettings();
  StoreBlueToothPort("COM7"); // already held, whatever DataPort is
  EXPECT_FALSE(QFile::exists(SettingsFilePath()));
  StoreDataPort("COM12");
  EXPECT_EQ(Ini(), "[Connection]\r\nDataPort=COM12\r\n");
  SaveScreenSize(208, 176);
  SaveScreenSize(208, 176);
  EXPECT_EQ(Ini(), "[Connection]\r\nDataPort=COM12\r\n"
                   "[ScreenSize]\r\nHeight=208\r\nWeight=176\r\n");
  SaveCaptureSettings("/tmp/v.avi", 7);
  LoadSettings();
  EXPECT_EQ(AppSettings.AVIName, "/tmp/v.avi");
  EXPECT_EQ(AppSettings.FPS, 7);
}

TEST_F(SettingsTest, RefusedWriteRaisesAndKeepsTheOldValue) {
  LoadSettings();
  // A directory where the file should be: every write is refused.
  ASSERT_TRUE(QDir().mkpath(SettingsFilePath()));
  try {
    SaveCaptureSettings("/elsewhere/v.avi", 9);
    FAIL() << "no error raised";
  } catch (const SettingsWriteError &e) {
    EXPECT_EQ(QString(e.what()), "Unable to write to " + SettingsFilePath());
  }
  EXPECT_EQ(AppSettings.AVIName,
            QDir::toNativeSeparators(dir.Path()).toLocal8Bit() + "video.avi");
  EXPECT_EQ(AppSettings.FPS, 5); // the key after the failed one is not written
}

// Only the port changed, and the disk is full: the save fails with the
// reason, the file stays byte for byte and nothing is left beside it. A
// program folder that takes no new file gets the file rewritten in place,
// but only when the new content has room.
TEST_F(FullFileSystem, SettingsSaveOnAFullDiskKeepsTheFile) {
  SetExePath(File("quorvane"));
  const QByteArray old = "[Connection]\r\nPort=10001\r\n[AVI]\r\nFPS=5\r\n";
  ASSERT_TRUE(WriteAll(SettingsFilePath(), old));
  LoadSettings();
  Fill();
  TDialogValues values;
  values.Port = "10002";
  values.FPS = "5";
  values.ImageType = QString::fromLocal8Bit(AppSettings.ImageType);
  values.ImageDir = QString::fromLocal8Bit(AppSettings.ImageDir);
  values.AVIName = QString::fromLocal8Bit(AppSettings.AVIName);
  values.BlueToothPort = "COM7";
  values.DataPort = "COM4";
  values.LanguageIndex = 1;
  values.LanguageName = "English";
  try {
    SaveDialogValues(values);
    FAIL() << "the save reported success";
  } catch (const SettingsWriteError &e) {
    EXPECT_EQ(QString(e.what()), "Unable to write to " + SettingsFilePath());
    EXPECT_EQ(e.Reason(), "no space left on device");
    EXPECT_TRUE(e.InDialog().startsWith("Unable to write to " +
                                        SettingsFilePath() +
                                        ": no space left on device. "))
        << e.InDialog().toStdString();
  }
  EXPECT_EQ(ReadAll(SettingsFilePath()), old);
  EXPECT_EQ(Entries(), QStringList("Quorvane.ini"));
  EXPECT_EQ(AppSettings.Port, 10001);

  ASSERT_TRUE(QFile::setPermissions(Dir(), QFile::ReadOwner | QFile::ExeOwner));
  ScopedUserPermissions user;
  ASSERT_TRUE(user.Ok());
  platform::ProfileFile grown(SettingsFilePath());
  grown.WriteString("AVI", "AVIName", QByteArray(6000, 'v'));
  EXPECT_FALSE(grown.Flush());
  EXPECT_EQ(ReadAll(SettingsFilePath()), old);
  platform::ProfileFile same(SettingsFilePath());
  same.WriteString("Connection", "Port", "10002");
  EXPECT_TRUE(same.Flush());
  EXPECT_EQ(ReadAll(SettingsFilePath()),
            "[Connection]\r\nPort=10002\r\n[AVI]\r\nFPS=5\r\n");
}

TEST(DigitsToInt, KeepsDigitsOnly) {
  EXPECT_EQ(DigitsToInt("1a0-0b01"), 10001);
  EXPECT_EQ(DigitsToInt("port"), 0);
  EXPECT_EQ(DigitsToInt(""), 0);
  EXPECT_EQ(DigitsToInt("99999999999999"), 2147483647);
}
