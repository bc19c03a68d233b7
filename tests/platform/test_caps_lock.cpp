// Caps Lock comes from the X server's keyboard state, and is off where there
// is no server.
#include "platform/KeyMapping.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

TEST(capsLock, FollowsTheXServerAndIsOffWithoutOne) {
  platform::X11CapsLock caps;
  qunsetenv("DISPLAY");
  EXPECT_FALSE(caps.capsLockOn());

  if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
      QStandardPaths::findExecutable("xdotool").isEmpty())
    GTEST_SKIP() << "Xvfb or xdotool missing";
  // A server of our own; -noreset keeps its keyboard state between clients.
  QProcess xvfb;
  xvfb.start("Xvfb", {"-displayfd", "1", "-noreset", "-nolisten", "tcp"});
  ASSERT_TRUE(xvfb.waitForStarted());
  QByteArray number;
  while (!number.contains('\n') && xvfb.waitForReadyRead(10000))
    number += xvfb.readAllStandardOutput();
  ASSERT_TRUE(number.trimmed().toInt() >= 0 && !number.trimmed().isEmpty());
  qputenv("DISPLAY", ":" + number.trimmed());

  auto press = [] {
    return QProcess::execute("xdotool", {"key", "Caps_Lock"}) == 0;
  };
  EXPECT_FALSE(caps.capsLockOn());
  ASSERT_TRUE(press());
  EXPECT_TRUE(caps.capsLockOn());
  ASSERT_TRUE(press());
  EXPECT_FALSE(caps.capsLockOn());

  qunsetenv("DISPLAY");
  EXPECT_FALSE(caps.capsLockOn());
  xvfb.terminate();
  xvfb.waitForFinished(5000);
}
