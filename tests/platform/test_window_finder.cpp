#include "platform/WindowFinder.h"
#include "support/XvfbServer.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

class WindowFinderTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!x.Running())
      GTEST_SKIP() << "Xvfb is not available";
    saved = qgetenv("DISPLAY");
    qputenv("DISPLAY", x.Display());
  }
  void TearDown() override {
    if (saved.isEmpty())
      qunsetenv("DISPLAY");
    else
      qputenv("DISPLAY", saved);
  }
  XvfbServer x;
  QByteArray saved;
};

TEST_F(WindowFinderTest, FindsByTitleWithoutWindowManager) {
  const xcb_window_t other = x.MakeWindow("Other");
  const xcb_window_t latin = x.MakeWindow("Latin", false);
  EXPECT_EQ(platform::FindTopLevelWindow("AviConvert"), 0u);
  const xcb_window_t conv = x.MakeWindow("AviConvert");
  EXPECT_EQ(platform::FindTopLevelWindow("AviConvert"), conv);
  EXPECT_EQ(platform::FindTopLevelWindow("Latin"), latin);
  EXPECT_EQ(platform::FindTopLevelWindow("aviconvert"), 0u);
  // A window framed by a manager without a client list is found inside
  // its frame.
  const xcb_window_t frame = x.MakeWindow("");
  const xcb_window_t framed = x.MakeWindow("Framed", true, frame);
  EXPECT_EQ(platform::FindTopLevelWindow("Framed"), framed);

  // Shown normally and raised: mapped and above its siblings.
  xcb_map_window(x.Conn(), other);
  x.Sync();
  EXPECT_FALSE(x.Mapped(conv));
  ASSERT_TRUE(platform::ShowNormalAndRaise(conv));
  x.Sync();
  EXPECT_TRUE(x.Mapped(conv));
  EXPECT_EQ(x.TopChild(), conv);
}

TEST_F(WindowFinderTest, UsesTheWindowManagersClientList) {
  const xcb_window_t listed = x.MakeWindow("AviConvert");
  x.MakeWindow("AviConvert"); // not a managed client: ignored
  xcb_change_property(x.Conn(), XCB_PROP_MODE_REPLACE, x.Root(),
                      x.Atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 32, 1,
                      &listed);
  x.Sync();
  EXPECT_EQ(platform::FindTopLevelWindow("AviConvert"), listed);
}

TEST(WindowFinderNoDisplay, FindsNothing) {
  const QByteArray saved = qgetenv("DISPLAY");
  qunsetenv("DISPLAY");
  EXPECT_EQ(platform::FindTopLevelWindow("AviConvert"), 0u);
  EXPECT_FALSE(platform::ShowNormalAndRaise(1));
  if (!saved.isEmpty())
    qputenv("DISPLAY", saved);
}

} // namespace
