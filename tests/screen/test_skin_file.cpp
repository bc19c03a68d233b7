#include "screen/SkinFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

void writeFile(const QString &path, const QByteArray &text) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text);
}

} // namespace

TEST(SkinFile, ModelNameComesFromTheSectionOfTheModelCode) {
  ScopedTempDir dir;
  const QString ini = dir.file("skin.ini");
  writeFile(ini, "[12345678]\r\nname = Phone One \r\n"
                 "[abcdef01]\r\nSkin=x.bmp\r\nNAME=Phone Two\r\n"
                 "[0000000A]\r\nSkin=y.bmp\r\n");

  EXPECT_EQ(modelName(ini, "12345678"), "Phone One");
  EXPECT_EQ(modelName(ini, "ABCDEF01"), "Phone Two"); // case-blind
  EXPECT_EQ(modelName(ini, "0000000A"), "");          // no Name key
  EXPECT_EQ(modelName(ini, "04030201"), "");          // no section
  EXPECT_EQ(modelName(dir.file("missing.ini"), "12345678"), "");

  // Read afresh at every call.
  writeFile(ini, "[04030201]\r\nName=Phone Three\r\n");
  EXPECT_EQ(modelName(ini, "04030201"), "Phone Three");
  EXPECT_EQ(modelName(ini, "12345678"), "");
}
