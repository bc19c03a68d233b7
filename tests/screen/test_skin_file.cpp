#include "screen/SkinFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

void WriteFile(const QString &path, const QByteArray &text) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

} // namespace

TEST(SkinFile, ModelCodeIsTheLittleEndianFirstFourBytesInUpperCaseHex) {
  const uchar a[8] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
  const uchar b[8] = {0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0};
  const uchar c[8] = {0x0A, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  const uchar d[8] = {0xFF, 0xFE, 0xAB, 0xCD, 0, 0, 0, 0};
  EXPECT_EQ(ModelCode(a), "04030201");
  EXPECT_EQ(ModelCode(b), "12345678");
  EXPECT_EQ(ModelCode(c), "0000000A");
  EXPECT_EQ(ModelCode(d), "CDABFEFF");
  EXPECT_EQ(ModelCode(QByteArray(reinterpret_cast<const char *>(d), 8)),
            "CDABFEFF");
  EXPECT_EQ(ModelCode(QByteArray("\x11\x22", 2)), "00002211");
}

TEST(SkinFile, ModelNameComesFromTheSectionOfTheModelCode) {
  ScopedTempDir dir;
  const QString ini = dir.File("skin.ini");
  WriteFile(ini, "[12345678]\r\nname = Phone One \r\n"
                 "[abcdef01]\r\nSkin=x.bmp\r\nNAME=Phone Two\r\n"
                 "[0000000A]\r\nSkin=y.bmp\r\n");

  EXPECT_EQ(ModelName(ini, "12345678"), "Phone One");
  EXPECT_EQ(ModelName(ini, "ABCDEF01"), "Phone Two"); // case-blind
  EXPECT_EQ(ModelName(ini, "0000000A"), "");          // no Name key
  EXPECT_EQ(ModelName(ini, "04030201"), "");          // no section
  EXPECT_EQ(ModelName(dir.File("missing.ini"), "12345678"), "");

  // Read afresh at every call.
  WriteFile(ini, "[04030201]\r\nName=Phone Three\r\n");
  EXPECT_EQ(ModelName(ini, "04030201"), "Phone Three");
  EXPECT_EQ(ModelName(ini, "12345678"), "");
}
