#include "common/Paths.h"
#include "keys/KeyTable.h"
#include "support/FullFileSystem.h"
#include "support/TempDir.h"

#include <QFile>
#include <QFileDevice>
#include <gtest/gtest.h>

namespace {

class KeyTableTest : public ::testing::Test {
protected:
  void SetUp() override { SetExePath(m_dir.File("quorvane")); }
  ScopedTempDir m_dir;
};

} // namespace

TEST_F(KeyTableTest, DefaultsAreWrittenBackAs24CrLfLines) {
  LoadKeyTable();
  ASSERT_EQ(KeyTable().size(), 24);
  EXPECT_EQ(KeyTable().first(), "0\t304\t0\t0");
  EXPECT_EQ(KeyTable()[12], "Call\t452\t0\t0");
  EXPECT_EQ(KeyTable().last(), "JRight\t271\t0\t0");
  ASSERT_TRUE(SaveKeyTable());
  EXPECT_TRUE(KeyTable().isEmpty());
  const QByteArray file = ReadAll(m_dir.File("keys.ini"));
  EXPECT_EQ(file.count("\r\n"), 24);
  EXPECT_TRUE(file.startsWith("0\t304\t0\t0\r\n1\t305\t0\t0\r\n"));
  EXPECT_TRUE(file.endsWith("JLeft\t270\t0\t0\r\nJRight\t271\t0\t0\r\n"));
  EXPECT_EQ(file.count('\n'), 24); // no bare LF, no blank line
}

TEST_F(KeyTableTest, FileReplacesTheDefaultsAndOddLinesGoBackAsRead) {
  // Mixed line ends, a non-integer field, a line of three fields, one with
  // a trailing TAB, a modifier mask beyond 16 bits and non-ASCII bytes.
  ASSERT_TRUE(WriteAll(m_dir.File("keys.ini"), "Hold\t453\tx\t65\r"
                                               "Menu\t436\t0\n"
                                               "Menu\t436\t0\t\r\n"
                                               "Alt 1\t305\t65537\t49\n"
                                               "\xe9t\xe9\t0304\t0\t0"));
  LoadKeyTable();
  ASSERT_EQ(KeyTable().size(), 5);

  const TKey hold = KeyAt(0);
  EXPECT_EQ(hold.Code, 453);
  EXPECT_EQ(hold.Modifiers, 0);
  EXPECT_EQ(hold.VirtualKey, 65);
  for (int i : {1, 2}) {
    const TKey k = KeyAt(i);
    EXPECT_EQ(k.Code, 0);
    EXPECT_EQ(k.Modifiers, 0);
    EXPECT_EQ(k.VirtualKey, 0);
    EXPECT_TRUE(k.Name.isEmpty());
  }
  EXPECT_EQ(KeyAt(3).Modifiers, KeyModAlt);
  EXPECT_EQ(FindKeyByShortcut(KeyModAlt, 49), 3);
  // Textual code match: "0304" is not 304.
  EXPECT_EQ(FindKeyByCode(304), -1);
  EXPECT_EQ(FindKeyByCode(453), 0);

  ASSERT_TRUE(SaveKeyTable());
  EXPECT_EQ(ReadAll(m_dir.File("keys.ini")), "Hold\t453\tx\t65\r\n"
                                             "Menu\t436\t0\r\n"
                                             "Menu\t436\t0\t\r\n"
                                             "Alt 1\t305\t65537\t49\r\n"
                                             "\xe9t\xe9\t0304\t0\t0\r\n");

  // Two lines give a table of two lines: nothing is merged.
  ASSERT_TRUE(WriteAll(m_dir.File("keys.ini"),
                       "Call\t452\t6\t116\r\n1\t305\t0\t0\r\n"));
  LoadKeyTable();
  EXPECT_EQ(KeyTable(),
            (QList<QByteArray>{"Call\t452\t6\t116", "1\t305\t0\t0"}));

  // An empty file gives an empty table.
  ASSERT_TRUE(WriteAll(m_dir.File("keys.ini"), ""));
  LoadKeyTable();
  EXPECT_TRUE(KeyTable().isEmpty());
}

TEST_F(KeyTableTest, UnreadableOrUnwritableFileKeepsTheProgramGoing) {
  // A directory where the file should be: it exists and cannot be read as
  // a file, nor replaced by one.
  ASSERT_TRUE(QDir().mkpath(m_dir.File("keys.ini")));
  LoadKeyTable();
  EXPECT_EQ(KeyTable(), DefaultKeyTable());
  QString error;
  EXPECT_FALSE(SaveKeyTable(&error));
  EXPECT_TRUE(error.contains("keys.ini")) << error.toStdString();
}

TEST_F(FullFileSystem, KeyTableOnAFullDiskKeepsTheFileAndSaysWhy) {
  SetExePath(File("quorvane"));
  const QByteArray old = "Call\t452\t2\t116\r\n";
  ASSERT_TRUE(WriteAll(File("keys.ini"), old));
  LoadKeyTable();
  KeyTable() = DefaultKeyTable();
  Fill();
  QString error;
  EXPECT_FALSE(SaveKeyTable(&error));
  EXPECT_EQ(error, "Could not save the keyboard shortcuts to " +
                       File("keys.ini") + ": no space left on device.");
  EXPECT_EQ(ReadAll(File("keys.ini")), old);
  EXPECT_EQ(Entries(), QStringList("keys.ini"));
}

TEST(KeyTableFunctions, ExplodeImplodeAndParse) {
  EXPECT_TRUE(Explode("").isEmpty());
  EXPECT_EQ(Explode("a\t\tb"), (TExplodedString{"a", "", "b"}));
  EXPECT_EQ(Explode("Menu\t436\t0\t"), (TExplodedString{"Menu", "436", "0"}));
  EXPECT_EQ(Implode({"a", "", "b"}), "a\t\tb");
  EXPECT_EQ(Implode({}), "");

  TKey call = ParseKeyLine(Explode("Call\t452\t6\t116"));
  EXPECT_EQ(call.Name, "Call");
  EXPECT_EQ(call.Code, 452);
  EXPECT_EQ(call.Modifiers, 6);
  EXPECT_EQ(call.VirtualKey, 116);
  EXPECT_EQ(FormatKeyLine(call), "Call\t452\t6\t116");
  call.Code = -5;
  EXPECT_EQ(FormatKeyLine(call), "Call\t-5\t6\t116");
  // Each number is read by itself; -1 keeps its low 16 bits.
  const TKey odd = ParseKeyLine(Explode("X\tabc\t-1\t70000"));
  EXPECT_EQ(odd.Code, 0);
  EXPECT_EQ(odd.Modifiers, 0xFFFF);
  EXPECT_EQ(odd.VirtualKey, 70000 & 0xFFFF);
}

TEST(KeyTableFunctions, FirstOfDuplicatesWinsAndMasksMustBeEqual) {
  KeyTable() = {"0\t304\t0\t0",      "Call\t452\t2\t116", "Dup\t452\t2\t116",
                "Ext\t453\t10\t116", "4\t308\t0\t0",      "0b\t304\t0\t0"};
  EXPECT_EQ(FindKeyByCode(304), 0);
  EXPECT_EQ(FindKeyByCode(452), 1);
  EXPECT_EQ(FindKeyByCode(999), -1);
  EXPECT_EQ(FindKeyByShortcut(KeyModCtrl, 116), 1);
  EXPECT_EQ(FindKeyByShortcut(KeyModCtrl | KeyModShift, 116), -1);
  EXPECT_EQ(FindKeyByShortcut(0, 116), -1);
  // Unbound lines have the shortcut 0 + 0.
  EXPECT_EQ(FindKeyByShortcut(0, 0), 0);
  KeyTable().clear();
}

TEST(KeyTableFunctions, NamesAndShortcutTexts) {
  EXPECT_EQ(KeyName(192), "~");
  EXPECT_EQ(KeyName(19), "");
  EXPECT_EQ(KeyName(0), "");
  EXPECT_EQ(KeyName(48), "0");
  EXPECT_EQ(KeyName(90), "Z");
  EXPECT_EQ(KeyName(96), "Num 0");
  EXPECT_EQ(KeyName(105), "Num 9");
  EXPECT_EQ(KeyName(108), "");
  EXPECT_EQ(KeyName(112), "F1");
  EXPECT_EQ(KeyName(123), "F12");
  EXPECT_EQ(KeyName(124), "");
  EXPECT_EQ(KeyName(220), "\\");

  TKey k;
  k.Modifiers = 15;
  EXPECT_EQ(ShortcutText(k), "");
  k.VirtualKey = 116;
  k.Modifiers = KeyModCtrl | KeyModShift;
  EXPECT_EQ(ShortcutText(k), "Ctrl + Shift + \"F5\"");
  k.Modifiers = 15;
  EXPECT_EQ(ShortcutText(k), "Alt + Ctrl + Shift + Ext + \"F5\"");
  k.Modifiers = KeyModAlt;
  k.VirtualKey = 19;
  EXPECT_EQ(ShortcutText(k), "Alt + \"\"");
}
