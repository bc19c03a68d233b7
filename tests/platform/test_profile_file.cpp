#include "platform/ProfileFile.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

using platform::ProfileFile;

namespace {} // namespace

TEST(ProfileFile, ReadsWithoutCaseTrimsAndCuts) {
  ScopedTempDir dir;
  const QString path = dir.file("a.ini");
  const QByteArray longValue(3000, 'x');
  ASSERT_TRUE(writeAll(path, "[Connection]\r\n  PORT =  10002  \r\nLong=" +
                                 longValue + "\n[other]\nport=1\n"));
  ProfileFile f(path);
  EXPECT_EQ(f.readString("connection", "Port", "d"), "10002");
  EXPECT_EQ(f.readString("CONNECTION", "long", "d").size(), 2047);
  EXPECT_EQ(f.readString("Other", "PORT", "d"), "1");
  EXPECT_EQ(f.readString("Connection", "missing", "dflt"), "dflt");
  EXPECT_EQ(f.readString("missing", "Port", "dflt"), "dflt");
  EXPECT_EQ(ProfileFile::read(dir.file("none.ini"), "a", "b", "c"), "c");
}

TEST(ProfileFile, WrittenKeyKeepsItsPlaceAndMissingPartsAreCreated) {
  ScopedTempDir dir;
  const QString path = dir.file("b.ini");
  ASSERT_TRUE(writeAll(
      path, "; comment\r\n[Connection]\r\nPort=1\r\nDataPort=COM4\r\n\r\n"
            "[AVI]\r\nFPS=5\r\n"));
  ProfileFile f(path);
  f.writeString("connection", "port", "2");
  f.writeString("Connection", "BlueToothPort", "COM9");
  f.writeString("Image", "ImageType", "JPEG");
  ASSERT_TRUE(f.flush());
  EXPECT_EQ(readAll(path), "; comment\r\n[Connection]\r\nPort=2\r\n"
                           "DataPort=COM4\r\nBlueToothPort=COM9\r\n\r\n"
                           "[AVI]\r\nFPS=5\r\n[Image]\r\nImageType=JPEG\r\n");

  // A missing file is created by the first write.
  const QString fresh = dir.file("fresh.ini");
  ASSERT_TRUE(ProfileFile::write(fresh, "S", "k", "v"));
  EXPECT_EQ(readAll(fresh), "[S]\r\nk=v\r\n");
}

TEST(ProfileFile, RefusedWriteReportsFailure) {
  ScopedTempDir dir;
  EXPECT_FALSE(
      ProfileFile::write(dir.file("no/such/dir/x.ini"), "S", "k", "v"));
}
