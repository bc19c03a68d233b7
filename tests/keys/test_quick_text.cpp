#include "keys/QuickText.h"
#include "link/CommandQueue.h"

#include <gtest/gtest.h>

TEST(QuickText, TextBecomesWindows1252WithCrLf) {
  EXPECT_EQ(toWindows1252("a\nb"), QByteArray("a\r\nb"));
  EXPECT_EQ(toWindows1252("a\r\nb\rc"), QByteArray("a\r\nb\r\nc"));
  EXPECT_EQ(toWindows1252(QStringLiteral("x\u2029y\u2028z")),
            QByteArray("x\r\ny\r\nz"));
  EXPECT_EQ(toWindows1252(QStringLiteral("\u00e9\u20ac\u0416\u00ff\u2122")),
            QByteArray("\xe9\x80?\xff\x99"));
  // A character outside the basic plane is one "?", not two; C1 controls
  // have no place in the code page.
  EXPECT_EQ(toWindows1252(QStringLiteral("a\U0001F600b\u0081")),
            QByteArray("a?b?"));
  // The characters sent as "?" are counted; a "?" typed is not one of them.
  int replaced = -1;
  toWindows1252(QStringLiteral("?\u0416\u0436\u20ac\U0001F600"), &replaced);
  EXPECT_EQ(replaced, 3);
  toWindows1252(QStringLiteral("?\u00e9"), &replaced);
  EXPECT_EQ(replaced, 0);
}

TEST(QuickText, SendingQueuesOneEntryPerCharacter) {
  CommandQueue queue;
  EXPECT_TRUE(sendQuickText(queue, "ab"));
  EXPECT_EQ(queue.bytes(), QByteArray("\x61\x00\x62\x00", 4));
  queue.queueClear();
  EXPECT_TRUE(sendQuickText(queue, "a\nb"));
  EXPECT_EQ(queue.bytes(), QByteArray("\x61\x00\x0d\x00\x0a\x00\x62\x00", 8));
  queue.queueClear();
  EXPECT_TRUE(sendQuickText(queue, QStringLiteral("\u00e9\u20ac\u0416")));
  EXPECT_EQ(queue.bytes(), QByteArray("\xe9\x00\x80\x00\x3f\x00", 6));
  queue.queueClear();
  EXPECT_FALSE(sendQuickText(queue, ""));
  EXPECT_TRUE(queue.bytes().isEmpty());
}
