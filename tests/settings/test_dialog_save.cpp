#include "common/Paths.h"
#include "settings/DialogSave.h"
#include "settings/Settings.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

class DialogSaveTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetExePath(dir.File("quorvane"));
    WriteIni(kIni);
    LoadSettings();
  }
  void WriteIni(const QByteArray &text) {
    ASSERT_TRUE(WriteAll(SettingsFilePath(), text));
  }
  QByteArray Ini() { return ReadAll(SettingsFilePath()); }
  // The dialog's fields as it fills them from the file below.
  static TDialogValues Unchanged() {
    TDialogValues v;
    v.Port = "10001";
    v.BlueToothPort = "COM7";
    v.DataPort = "/dev/ttyUSB0";
    v.ImageType = "BMP";
    v.ImageDir = "/tmp/shots/";
    v.LanguageIndex = 2;
    v.LanguageName = "German";
    v.AVIName = "/tmp/video.avi";
    v.FPS = "5";
    return v;
  }

  static constexpr char kIni[] =
      "; my settings\r\n[Connection]\r\nPort = 10001\r\n"
      "DataPort=/dev/ttyUSB0\r\n[AVI]\r\nAVIName=/tmp/video.avi\r\nFPS=5\r\n"
      "[Image]\r\nImageDir=/tmp/shots/\r\n[Language]\r\nLanguage=German\r\n";
  ScopedTempDir dir;
};

} // namespace

TEST_F(DialogSaveTest, NoChangeLeavesTheFileByteIdentical) {
  const QByteArray before = Ini();
  EXPECT_FALSE(SaveDialogValues(Unchanged()));
  EXPECT_EQ(Ini(), before);
  // A port typed with a leading zero is the same number.
  TDialogValues v = Unchanged();
  v.Port = "010001";
  EXPECT_FALSE(SaveDialogValues(v));
  EXPECT_EQ(Ini(), before);
}

TEST_F(DialogSaveTest, ChangedValuesAreWrittenAndHeld) {
  TDialogValues v = Unchanged();
  v.Port = "02000";
  v.ImageType = "JPEG";
  v.FPS = "20";
  EXPECT_FALSE(SaveDialogValues(v));
  EXPECT_EQ(AppSettings.Port, 2000);
  EXPECT_EQ(AppSettings.ImageType, "JPEG");
  EXPECT_EQ(AppSettings.FPS, 20);
  const QByteArray ini = Ini();
  EXPECT_TRUE(ini.contains("Port=2000\r\n")) << ini.constData();
  EXPECT_TRUE(ini.contains("ImageType=JPEG\r\n"));
  EXPECT_TRUE(ini.contains("FPS=20\r\n"));
  LoadSettings();
  EXPECT_EQ(AppSettings.Port, 2000);
}

TEST_F(DialogSaveTest, RefusedFieldsWriteNothingAndNameTheField) {
  const QByteArray before = Ini();
  for (const char *port : {"", "0", "65536", "100000", "abc", "1,5", "-1"}) {
    TDialogValues v = Unchanged();
    v.Port = port;
    v.DataPort = "COM9"; // would be written after the port
    const auto refusal = SaveDialogValues(v);
    ASSERT_TRUE(refusal) << port;
    EXPECT_EQ(refusal->Field, TDialogField::Port);
    EXPECT_TRUE(refusal->Message.contains("listen port")) << port;
    EXPECT_TRUE(refusal->Message.contains(QString::fromLatin1(port)));
  }
  for (const char *fps : {"", "0", "21"}) {
    // The frame rate comes last in the file but is checked first: the port
    // and language changes are not written either.
    TDialogValues v = Unchanged();
    v.Port = "2000";
    v.LanguageIndex = 0;
    v.FPS = fps;
    const auto refusal = SaveDialogValues(v);
    ASSERT_TRUE(refusal) << fps;
    EXPECT_EQ(refusal->Field, TDialogField::FPS);
    EXPECT_TRUE(refusal->Message.contains("frame rate")) << fps;
  }
  EXPECT_EQ(Ini(), before);
  EXPECT_EQ(AppSettings.Port, 10001);
  EXPECT_EQ(AppSettings.Language, "German");
  // The edges are taken.
  TDialogValues v = Unchanged();
  v.Port = "65535";
  v.FPS = "1";
  EXPECT_FALSE(SaveDialogValues(v));
  EXPECT_EQ(AppSettings.Port, 65535);
  EXPECT_EQ(AppSettings.FPS, 1);
}

TEST_F(DialogSaveTest, ListenAddressIsCheckedThenStoredWhenChanged) {
  const QByteArray before = Ini();
  for (const char *address : {"localhost", "127.0.0.256", "::g", "1.2.3"}) {
    TDialogValues v = Unchanged();
    v.Port = "2000";
    v.ListenAddress = address;
    const auto refusal = SaveDialogValues(v);
    ASSERT_TRUE(refusal) << address;
    EXPECT_EQ(refusal->Field, TDialogField::ListenAddress);
    EXPECT_TRUE(refusal->Message.contains(QString::fromLatin1(address)));
  }
  EXPECT_EQ(Ini(), before);
  for (const char *address : {" 127.0.0.1 ", "::1"}) {
    TDialogValues v = Unchanged();
    v.ListenAddress = address;
    EXPECT_FALSE(SaveDialogValues(v)) << address;
    EXPECT_EQ(AppSettings.ListenAddress, QByteArray(address).trimmed());
  }
  LoadSettings();
  EXPECT_EQ(AppSettings.ListenAddress, "::1");
  TDialogValues v = Unchanged();
  EXPECT_FALSE(SaveDialogValues(v)); // emptied: every address again
  EXPECT_TRUE(Ini().contains("ListenAddress=\r\n"));
}

TEST_F(DialogSaveTest, TheDefaultEntryStoresTheEmptyLanguageOnce) {
  TDialogValues v = Unchanged();
  v.LanguageIndex = 0;
  v.LanguageName = "default";
  EXPECT_FALSE(SaveDialogValues(v));
  EXPECT_EQ(AppSettings.Language, "");
  EXPECT_TRUE(Ini().contains("Language=\r\n"));
  // Saving again with the default entry writes nothing.
  const QByteArray once = Ini();
  QFile::remove(SettingsFilePath());
  EXPECT_FALSE(SaveDialogValues(v));
  EXPECT_FALSE(QFile::exists(SettingsFilePath()));
  WriteIni(once);
  LoadSettings();
  EXPECT_EQ(AppSettings.Language, "");

  // No entry selected (the language's folder is gone) keeps the stored one.
  WriteIni("[Language]\r\nLanguage=Klingon\r\n");
  LoadSettings();
  v.LanguageIndex = -1;
  v.LanguageName.clear();
  EXPECT_FALSE(SaveDialogValues(v));
  EXPECT_EQ(AppSettings.Language, "Klingon");
  EXPECT_TRUE(Ini().contains("Language=Klingon\r\n")) << Ini().constData();
  EXPECT_FALSE(Ini().contains("Language=\r\n"));
}

TEST(PortKeyFilter, OnlyDigitsAndBackspaceAreTyped) {
  for (const char c : QByteArray("0123456789\b"))
    EXPECT_TRUE(PortKeyAccepted(QLatin1Char(c))) << int(c);
  for (const char c : QByteArray(".,-+ ae"))
    EXPECT_FALSE(PortKeyAccepted(QLatin1Char(c))) << c;
  EXPECT_FALSE(PortKeyAccepted(QChar(0x0663))); // an Arabic-Indic three
}
