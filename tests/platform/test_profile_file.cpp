#include "platform/ProfileFile.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

using platform::ProfileFile;

namespace {} // namespace

TEST(ProfileFile, ReadsWithoutCaseTrimsAndCuts) {
  ScopedTempDir dir;
  const QString path = dir.File("a.ini");
  const QByteArray longValue(3000, 'x');
  ASSERT_TRUE(WriteAll(path, "[Connection]\r\n  PORT =  10002  \r\nLong=" +
                                 longValue + "\n[other]\nport=1\n"));
  ProfileFile f(path);
  EXPECT_EQ(f.ReadString("connection", "Port", "d"), "10002");
  EXPECT_EQ(f.ReadString("CONNECTION", "long", "d").size(), 2047);
  EXPECT_EQ(f.ReadString("Other", "PORT", "d"), "1");
  EXPECT_EQ(f.ReadString("Connection", "missing", "dflt"), "dflt");
  EXPECT_EQ(f.ReadString("missing", "Port", "dflt"), "dflt");
  EXPECT_EQ(ProfileFile::Read(dir.File("none.ini"), "a", "b", "c"), "c");
}

TEST(ProfileFile, WrittenKeyKeepsItsPlaceAndMissingPartsAreCreated) {
  ScopedTempDir dir;
  const QString path = dir.File("b.ini");
  ASSERT_TRUE(WriteAll(
      path, "; comment\r\n[Connection]\r\nPort=1\r\nDataPort=COM4\r\n\r\n"
            "[AVI]\r\nFPS=5\r\n"));
  ProfileFile f(path);
  f.WriteString("connection", "port", "2");
  f.WriteString("Connection", "BlueToothPort", "COM9");
  f.WriteString("Image", "ImageType", "JPEG");
  ASSERT_TRUE(f.Flush());
  EXPECT_EQ(ReadAll(path), "; comment\r\n[Connection]\r\nPort=2\r\n"
                           "DataPort=COM4\r\nBlueToothPort=COM9\r\n\r\n"
                           "[AVI]\r\nFPS=5\r\n[Image]\r\nImageType=JPEG\r\n");

  // A missing file is created by the first write.
  const QString fresh = dir.File("fresh.ini");
  ASSERT_TRUE(ProfileFile::Write(fresh, "S", "k", "v"));
  EXPECT_EQ(ReadAll(fresh), "[S]\r\nk=v\r\n");
}

TEST(ProfileFile, RefusedWriteReportsFailure) {
  ScopedTempDir dir;
  EXPECT_FALSE(
      ProfileFile::Write(dir.File("no/such/dir/x.ini"), "S", "k", "v"));
}
