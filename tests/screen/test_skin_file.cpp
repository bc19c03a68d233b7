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
