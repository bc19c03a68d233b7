
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
    writeIni(kIni);
    loadSettings(paths);
  }
  void writeIni(const QByteArray &text) {
    ASSERT_TRUE(writeAll(settingsFilePath(paths), text));
  }
  QByteArray iniText() { return readAll(settingsFilePath(paths)); }
  // The dialog's fields as it fills them from the file below.
  static DialogValues unchanged() {
    DialogValues v;
    v.port = "10001";
    v.blueToothPort = "COM7";
    v.dataPort = "/dev/ttyUSB0";
    v.imageType = "BMP";
    v.imageDir = "/tmp/shots/";
    v.languageIndex = 2;
    v.languageName = "German";
    v.aviName = "/tmp/video.avi";
    v.fps = "5";
    return v;
  }

  static constexpr char kIni[] =
      "; my settings\r\n[Connection]\r\nPort = 10001\r\n"
      "DataPort=/dev/ttyUSB0\r\n[AVI]\r\nAVIName=/tmp/video.avi\r\nFPS=5\r\n"
      "[Image]\r\nImageDir=/tmp/shots/\r\n[Language]\r\nLanguage=German\r\n";
  ScopedTempDir dir;
  const Paths paths = Paths::forExecutable(dir.file("quorvane"));
};

} // namespace

TEST_F(DialogSaveTest, NoChangeLeavesTheFileByteIdentical) {
  const QByteArray before = iniText();
  EXPECT_FALSE(saveDialogValues(paths, unchanged()));
  EXPECT_EQ(iniText(), before);
  // A port typed with a leading zero is the same number.
  DialogValues v = unchanged();
  v.port = "010001";
  EXPECT_FALSE(saveDialogValues(paths, v));
  EXPECT_EQ(iniText(), before);
}

TEST_F(DialogSaveTest, ChangedValuesAreWrittenAndHeld) {
  DialogValues v = unchanged();
  v.port = "02000";
  v.imageType = "JPEG";
  v.fps = "20";
  EXPECT_FALSE(saveDialogValues(paths, v));
  EXPECT_EQ(AppSettings.port, 2000);
  EXPECT_EQ(AppSettings.imageType, "JPEG");
  EXPECT_EQ(AppSettings.fps, 20);
  const QByteArray ini = iniText();
  EXPECT_TRUE(ini.contains("Port=2000\r\n")) << ini.constData();
  EXPECT_TRUE(ini.contains("ImageType=JPEG\r\n"));
  EXPECT_TRUE(ini.contains("FPS=20\r\n"));
  loadSettings(paths);
  EXPECT_EQ(AppSettings.port, 2000);
}

TEST_F(DialogSaveTest, RefusedFieldsWriteNothingAndNameTheField) {
  const QByteArray before = iniText();
  for (const char *port : {"", "0", "65536", "100000", "abc", "1,5", "-1"}) {
    DialogValues v = unchanged();
    v.port = port;
    v.dataPort = "COM9"; // would be written after the port
    const auto refusal = saveDialogValues(paths, v);
    ASSERT_TRUE(refusal) << port;
    EXPECT_EQ(refusal->field, DialogField::Port);
    EXPECT_TRUE(refusal->message.contains("listen port")) << port;
    EXPECT_TRUE(refusal->message.contains(QString::fromLatin1(port)));
  }
  for (const char *fps : {"", "0", "21"}) {
    // The frame rate comes last in the file but is checked first: the port
    // and language changes are not written either.
    DialogValues v = unchanged();
    v.port = "2000";
    v.languageIndex = 0;
    v.fps = fps;
    const auto refusal = saveDialogValues(paths, v);
    ASSERT_TRUE(refusal) << fps;
    EXPECT_EQ(refusal->field, DialogField::FPS);
    EXPECT_TRUE(refusal->message.contains("frame rate")) << fps;
  }
  EXPECT_EQ(iniText(), before);
  EXPECT_EQ(AppSettings.port, 10001);
  EXPECT_EQ(AppSettings.language, "German");
  // The edges are taken.
  DialogValues v = unchanged();
  v.port = "65535";
  v.fps = "1";
  EXPECT_FALSE(saveDialogValues(paths, v));
  EXPECT_EQ(AppSettings.port, 65535);
  EXPECT_EQ(AppSettings.fps, 1);
}

TEST_F(DialogSaveTest, ListenAddressIsCheckedThenStoredWhenChanged) {
  const QByteArray before = iniText();
  for (const char *address : {"localhost", "127.0.0.256", "::g", "1.2.3"}) {
    DialogValues v = unchanged();
    v.port = "2000";
    v.listenAddress = address;
    const auto refusal = saveDialogValues(paths, v);
    ASSERT_TRUE(refusal) << address;
    EXPECT_EQ(refusal->field, DialogField::ListenAddress);
    EXPECT_TRUE(refusal->message.contains(QString::fromLatin1(address)));
  }
  EXPECT_EQ(iniText(), before);
  for (const char *address : {" 127.0.0.1 ", "::1"}) {
    DialogValues v = unchanged();
    v.listenAddress = address;
    EXPECT_FALSE(saveDialogValues(paths, v)) << address;
    EXPECT_EQ(AppSettings.listenAddress, QByteArray(address).trimmed());
  }
  loadSettings(paths);
  EXPECT_EQ(AppSettings.listenAddress, "::1");
  DialogValues v = unchanged();
  EXPECT_FALSE(saveDialogValues(paths, v)); // emptied: every address again
  EXPECT_TRUE(iniText().contains("ListenAddress=\r\n"));
}

TEST_F(DialogSaveTest, TheDefaultEntryStoresTheEmptyLanguageOnce) {
  DialogValues v = unchanged();
  v.languageIndex = 0;
  v.languageName = "default";
  EXPECT_FALSE(saveDialogValues(paths, v));
  EXPECT_EQ(AppSettings.language, "");
  EXPECT_TRUE(iniText().contains("Language=\r\n"));
  // Saving again with the default entry writes nothing.
  const QByteArray once = iniText();
  QFile::remove(settingsFilePath(paths));
  EXPECT_FALSE(saveDialogValues(paths, v));
  EXPECT_FALSE(QFile::exists(settingsFilePath(paths)));
  writeIni(once);
  loadSettings(paths);
  EXPECT_EQ(AppSettings.language, "");

  // No entry selected (the language's folder is gone) keeps the stored one.
  writeIni("[Language]\r\nLanguage=Klingon\r\n");
  loadSettings(paths);
  v.languageIndex = -1;
  v.languageName.clear();
  EXPECT_FALSE(saveDialogValues(paths, v));
  EXPECT_EQ(AppSettings.language, "Klingon");
  EXPECT_TRUE(iniText().contains("Language=Klingon\r\n"))
      << iniText().constData();
  EXPECT_FALSE(iniText().contains("Language=\r\n"));
}

TEST(PortKeyFilter, OnlyDigitsAndBackspaceAreTyped) {
  for (const char c : QByteArray("0123456789\b"))
    EXPECT_TRUE(portKeyAccepted(QLatin1Char(c))) << int(c);
  for (const char c : QByteArray(".,-+ ae"))
    EXPECT_FALSE(portKeyAccepted(QLatin1Char(c))) << c;
  EXPECT_FALSE(portKeyAccepted(QChar(0x0663))); // an Arabic-Indic three
}
