
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
    settings = std::make_unique<Settings>(paths);
    settings->load();
  }
  void writeIni(const QByteArray &text) {
    ASSERT_TRUE(writeAll(settingsFilePath(paths), text));
  }
  QByteArray iniText() { return readAll(settingsFilePath(paths)); }
  // The fields as the dialog fills them from the file below.
  static TypedFields typed() { return {"10001", "5", ""}; }

  static constexpr char kIni[] =
      "; my settings\r\n[Connection]\r\nPort = 10001\r\n"
      "DataPort=/dev/ttyUSB0\r\n[AVI]\r\nAVIName=/tmp/video.avi\r\nFPS=5\r\n"
      "[Image]\r\nImageDir=/tmp/shots/\r\n[Language]\r\nLanguage=German\r\n";
  ScopedTempDir dir;
  const Paths paths = Paths::forExecutable(dir.file("quorvane"));
  std::unique_ptr<Settings> settings;
};

} // namespace

TEST_F(DialogSaveTest, NoChangeLeavesTheFileByteIdentical) {
  const QByteArray before = iniText();
  EXPECT_FALSE(checkTypedFields(typed()));
  settings->saveDialog(settings->values());
  EXPECT_EQ(iniText(), before);
}

TEST_F(DialogSaveTest, ChangedValuesAreWrittenAndHeld) {
  SettingsValues edited = settings->values();
  edited.port = 2000;
  edited.imageType = "JPEG";
  edited.fps = 20;
  settings->saveDialog(edited);
  EXPECT_EQ(settings->port(), 2000);
  EXPECT_EQ(settings->imageType(), "JPEG");
  EXPECT_EQ(settings->fps(), 20);
  const QByteArray ini = iniText();
  EXPECT_TRUE(ini.contains("Port=2000\r\n")) << ini.constData();
  EXPECT_TRUE(ini.contains("ImageType=JPEG\r\n"));
  EXPECT_TRUE(ini.contains("FPS=20\r\n"));
  settings->load();
  EXPECT_EQ(settings->port(), 2000);
}

TEST_F(DialogSaveTest, RefusedFieldsNameTheFieldInOrder) {
  for (const char *port : {"", "0", "65536", "100000", "abc", "1,5", "-1"}) {
    TypedFields f = typed();
    f.port = port;
    f.fps = "0"; // refused too, but the port is named first
    const auto refusal = checkTypedFields(f);
    ASSERT_TRUE(refusal) << port;
    EXPECT_EQ(refusal->field, DialogField::Port);
    EXPECT_TRUE(refusal->message.contains("listen port")) << port;
    EXPECT_TRUE(refusal->message.contains(QString::fromLatin1(port)));
  }
  for (const char *fps : {"", "0", "21"}) {
    TypedFields f = typed();
    f.port = "2000";
    f.fps = fps;
    f.listenAddress = "nowhere"; // refused too, but named after the rate
    const auto refusal = checkTypedFields(f);
    ASSERT_TRUE(refusal) << fps;
    EXPECT_EQ(refusal->field, DialogField::FPS);
    EXPECT_TRUE(refusal->message.contains("frame rate")) << fps;
  }
  // The edges are taken, leading zeros too.
  EXPECT_FALSE(checkTypedFields({"65535", "1", ""}));
  EXPECT_FALSE(checkTypedFields({"010001", "020", ""}));
}

TEST_F(DialogSaveTest, ListenAddressIsCheckedThenStoredWhenChanged) {
  for (const char *address : {"localhost", "127.0.0.256", "::g", "1.2.3"}) {
    TypedFields f = typed();
    f.listenAddress = address;
    const auto refusal = checkTypedFields(f);
    ASSERT_TRUE(refusal) << address;
    EXPECT_EQ(refusal->field, DialogField::ListenAddress);
    EXPECT_TRUE(refusal->message.contains(QString::fromLatin1(address)));
  }
  for (const char *address : {" 127.0.0.1 ", "::1"})
    EXPECT_FALSE(checkTypedFields({"10001", "5", address})) << address;
  SettingsValues edited = settings->values();
  edited.listenAddress = "::1";
  settings->saveDialog(edited);
  EXPECT_EQ(settings->listenAddress(), "::1");
  settings->load();
  EXPECT_EQ(settings->listenAddress(), "::1");
  edited.listenAddress.clear(); // emptied: every address again
  settings->saveDialog(edited);
  EXPECT_TRUE(iniText().contains("ListenAddress=\r\n"));
}

TEST_F(DialogSaveTest, TheDefaultEntryStoresTheEmptyLanguageOnce) {
  EXPECT_EQ(languageToStore(2, "French", "German"), "French");
  SettingsValues edited = settings->values();
  edited.language = languageToStore(0, "default", settings->language());
  EXPECT_EQ(edited.language, "");
  settings->saveDialog(edited);
  EXPECT_EQ(settings->language(), "");
  EXPECT_TRUE(iniText().contains("Language=\r\n"));
  // Saving again with the default entry writes nothing.
  QFile::remove(settingsFilePath(paths));
  settings->saveDialog(edited);
  EXPECT_FALSE(QFile::exists(settingsFilePath(paths)));

  // No entry selected (the language's folder is gone) keeps the stored one.
  EXPECT_EQ(languageToStore(-1, QString(), "Klingon"), "Klingon");
}

TEST(PortKeyFilter, OnlyDigitsAndBackspaceAreTyped) {
  for (const char c : QByteArray("0123456789\b"))
    EXPECT_TRUE(portKeyAccepted(QLatin1Char(c))) << int(c);
  for (const char c : QByteArray(".,-+ ae"))
    EXPECT_FALSE(portKeyAccepted(QLatin1Char(c))) << c;
  EXPECT_FALSE(portKeyAccepted(QChar(0x0663))); // an Arabic-Indic three
}
