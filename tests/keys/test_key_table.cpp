
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
  ScopedTempDir m_dir;
  const Paths paths = Paths::forExecutable(m_dir.file("quorvane"));
  KeyTable table;
};

} // namespace

TEST_F(KeyTableTest, DefaultsAreWrittenBackAs24CrLfLines) {
  table.load(paths);
  ASSERT_EQ(table.size(), 24);
  EXPECT_EQ(table.lines().first(), "0\t304\t0\t0");
  EXPECT_EQ(table.line(12), "Call\t452\t0\t0");
  EXPECT_EQ(table.lines().last(), "JRight\t271\t0\t0");
  ASSERT_TRUE(table.save(paths));
  EXPECT_TRUE(table.lines().isEmpty());
  const QByteArray file = readAll(m_dir.file("keys.ini"));
  EXPECT_EQ(file.count("\r\n"), 24);
  EXPECT_TRUE(file.startsWith("0\t304\t0\t0\r\n1\t305\t0\t0\r\n"));
  EXPECT_TRUE(file.endsWith("JLeft\t270\t0\t0\r\nJRight\t271\t0\t0\r\n"));
  EXPECT_EQ(file.count('\n'), 24); // no bare LF, no blank line
}

TEST_F(KeyTableTest, FileReplacesTheDefaultsAndOddLinesGoBackAsRead) {
  // Mixed line ends, a non-integer field, a line of three fields, one with
  // a trailing TAB, a modifier mask beyond 16 bits and non-ASCII bytes.
  ASSERT_TRUE(writeAll(m_dir.file("keys.ini"), "Hold\t453\tx\t65\r"
                                               "Menu\t436\t0\n"
                                               "Menu\t436\t0\t\r\n"
                                               "Alt 1\t305\t65537\t49\n"
                                               "\xe9t\xe9\t0304\t0\t0"));
  table.load(paths);
  ASSERT_EQ(table.size(), 5);

  const Key hold = table.keyAt(0);
  EXPECT_EQ(hold.code, 453);
  EXPECT_EQ(hold.modifiers, 0);
  EXPECT_EQ(hold.virtualKey, 65);
  for (int i : {1, 2}) {
    const Key k = table.keyAt(i);
    EXPECT_EQ(k.code, 0);
    EXPECT_EQ(k.modifiers, 0);
    EXPECT_EQ(k.virtualKey, 0);
    EXPECT_TRUE(k.name.isEmpty());
  }
  EXPECT_EQ(table.keyAt(3).modifiers, KeyModAlt);
  EXPECT_EQ(table.findKeyByShortcut(KeyModAlt, 49), 3);
  // Textual code match: "0304" is not 304.
  EXPECT_EQ(table.findKeyByCode(304), -1);
  EXPECT_EQ(table.findKeyByCode(453), 0);

  ASSERT_TRUE(table.save(paths));
  EXPECT_EQ(readAll(m_dir.file("keys.ini")), "Hold\t453\tx\t65\r\n"
                                             "Menu\t436\t0\r\n"
                                             "Menu\t436\t0\t\r\n"
                                             "Alt 1\t305\t65537\t49\r\n"
                                             "\xe9t\xe9\t0304\t0\t0\r\n");

  // Two lines give a table of two lines: nothing is merged.
  ASSERT_TRUE(writeAll(m_dir.file("keys.ini"),
                       "Call\t452\t6\t116\r\n1\t305\t0\t0\r\n"));
  table.load(paths);
  EXPECT_EQ(table.lines(),
            (QList<QByteArray>{"Call\t452\t6\t116", "1\t305\t0\t0"}));

  // An empty file gives an empty table.
  ASSERT_TRUE(writeAll(m_dir.file("keys.ini"), ""));
  table.load(paths);
  EXPECT_TRUE(table.lines().isEmpty());
}

TEST_F(KeyTableTest, UnreadableOrUnwritableFileKeepsTheProgramGoing) {
  // A directory where the file should be: it exists and cannot be read as
  // a file, nor replaced by one.
  ASSERT_TRUE(QDir().mkpath(m_dir.file("keys.ini")));
  table.load(paths);
  EXPECT_EQ(table.lines(), defaultKeyTable());
  QString error;
  EXPECT_FALSE(table.save(paths, &error));
  EXPECT_TRUE(error.contains("keys.ini")) << error.toStdString();
}

TEST_F(FullFileSystem, KeyTableOnAFullDiskKeepsTheFileAndSaysWhy) {
  const Paths paths = Paths::forExecutable(file("quorvane"));
  KeyTable table;
  const QByteArray old = "Call\t452\t2\t116\r\n";
  ASSERT_TRUE(writeAll(file("keys.ini"), old));
  table.load(paths);
  table.setLines(defaultKeyTable());
  fill();
  QString error;
  EXPECT_FALSE(table.save(paths, &error));
  EXPECT_EQ(error, "Could not save the keyboard shortcuts to " +
                       file("keys.ini") + ": no space left on device.");
  EXPECT_EQ(readAll(file("keys.ini")), old);
  EXPECT_EQ(entries(), QStringList("keys.ini"));
}

TEST(KeyTableFunctions, ExplodeImplodeAndParse) {
  EXPECT_TRUE(explode("").isEmpty());
  EXPECT_EQ(explode("a\t\tb"), (ExplodedString{"a", "", "b"}));
  EXPECT_EQ(explode("Menu\t436\t0\t"), (ExplodedString{"Menu", "436", "0"}));
  EXPECT_EQ(implode({"a", "", "b"}), "a\t\tb");
  EXPECT_EQ(implode({}), "");

  Key call = parseKeyLine(explode("Call\t452\t6\t116"));
  EXPECT_EQ(call.name, "Call");
  EXPECT_EQ(call.code, 452);
  EXPECT_EQ(call.modifiers, 6);
  EXPECT_EQ(call.virtualKey, 116);
  EXPECT_EQ(formatKeyLine(call), "Call\t452\t6\t116");
  call.code = -5;
  EXPECT_EQ(formatKeyLine(call), "Call\t-5\t6\t116");
  // Each number is read by itself; -1 keeps its low 16 bits.
  const Key odd = parseKeyLine(explode("X\tabc\t-1\t70000"));
  EXPECT_EQ(odd.code, 0);
  EXPECT_EQ(odd.modifiers, 0xFFFF);
  EXPECT_EQ(odd.virtualKey, 70000 & 0xFFFF);
}

TEST(KeyTableFunctions, FirstOfDuplicatesWinsAndMasksMustBeEqual) {
  KeyTable table;
  table.setLines({"0\t304\t0\t0", "Call\t452\t2\t116", "Dup\t452\t2\t116",
                  "Ext\t453\t10\t116", "4\t308\t0\t0", "0b\t304\t0\t0"});
  EXPECT_EQ(table.findKeyByCode(304), 0);
  EXPECT_EQ(table.findKeyByCode(452), 1);
  EXPECT_EQ(table.findKeyByCode(999), -1);
  EXPECT_EQ(table.findKeyByShortcut(KeyModCtrl, 116), 1);
  EXPECT_EQ(table.findKeyByShortcut(KeyModCtrl | KeyModShift, 116), -1);
  EXPECT_EQ(table.findKeyByShortcut(0, 116), -1);
  // Unbound lines have the shortcut 0 + 0.
  EXPECT_EQ(table.findKeyByShortcut(0, 0), 0);
}

TEST(KeyTableFunctions, NamesAndShortcutTexts) {
  EXPECT_EQ(keyName(192), "~");
  EXPECT_EQ(keyName(19), "");
  EXPECT_EQ(keyName(0), "");
  EXPECT_EQ(keyName(48), "0");
  EXPECT_EQ(keyName(90), "Z");
  EXPECT_EQ(keyName(96), "Num 0");
  EXPECT_EQ(keyName(105), "Num 9");
  EXPECT_EQ(keyName(108), "");
  EXPECT_EQ(keyName(112), "F1");
  EXPECT_EQ(keyName(123), "F12");
  EXPECT_EQ(keyName(124), "");
  EXPECT_EQ(keyName(220), "\\");

  Key k;
  k.modifiers = 15;
  EXPECT_EQ(shortcutText(k), "");
  k.virtualKey = 116;
  k.modifiers = KeyModCtrl | KeyModShift;
  EXPECT_EQ(shortcutText(k), "Ctrl + Shift + \"F5\"");
  k.modifiers = 15;
  EXPECT_EQ(shortcutText(k), "Alt + Ctrl + Shift + Ext + \"F5\"");
  k.modifiers = KeyModAlt;
  k.virtualKey = 19;
  EXPECT_EQ(shortcutText(k), "Alt + \"\"");
}
