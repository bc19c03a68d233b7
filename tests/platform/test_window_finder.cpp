#include "platform/WindowFinder.h"
#include "support/XvfbServer.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

class WindowFinderTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!x.running())
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
  const xcb_window_t other = x.makeWindow("Other");
  const xcb_window_t latin = x.makeWindow("Latin", false);
  EXPECT_EQ(platform::findTopLevelWindow("AviConvert"), 0u);
  const xcb_window_t conv = x.makeWindow("AviConvert");
  EXPECT_EQ(platform::findTopLevelWindow("AviConvert"), conv);
  EXPECT_EQ(platform::findTopLevelWindow("Latin"), latin);
  EXPECT_EQ(platform::findTopLevelWindow("aviconvert"), 0u);
  // A window framed by a manager without a client list is found inside
  // its frame.
  const xcb_window_t frame = x.makeWindow("");
  const xcb_window_t framed = x.makeWindow("Framed", true, frame);
  EXPECT_EQ(platform::findTopLevelWindow("Framed"), framed);

  // Shown normally and raised: mapped and above its siblings.
  xcb_map_window(x.conn(), other);
  x.sync();
  EXPECT_FALSE(x.mapped(conv));
  ASSERT_TRUE(platform::showNormalAndRaise(conv));
  x.sync();
  EXPECT_TRUE(x.mapped(conv));
  EXPECT_EQ(x.topChild(), conv);
}

TEST_F(WindowFinderTest, UsesTheWindowManagersClientList) {
  const xcb_window_t listed = x.makeWindow("AviConvert");
  x.makeWindow("AviConvert"); // not a managed client: ignored
  xcb_change_property(x.conn(), XCB_PROP_MODE_REPLACE, x.root(),
                      x.atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 32, 1,
                      &listed);
  x.sync();
  EXPECT_EQ(platform::findTopLevelWindow("AviConvert"), listed);
}

TEST(WindowFinderNoDisplay, FindsNothing) {
  const QByteArray saved = qgetenv("DISPLAY");
  qunsetenv("DISPLAY");
  EXPECT_EQ(platform::findTopLevelWindow("AviConvert"), 0u);
  EXPECT_FALSE(platform::showNormalAndRaise(1));
  if (!saved.isEmpty())
    qputenv("DISPLAY", saved);
}

} // namespace
