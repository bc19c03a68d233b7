#include "KeyCodes.h"
#include "PhoneUi.h"

#include <gtest/gtest.h>

using namespace phonesim;
using Screen = PhoneUi::Screen;

namespace {
int digit(int d) { return keys::kDigit0 + d; }

// Rows in which two pictures differ.
std::pair<int, int> changedRows(const QImage &a, const QImage &b) {
  int first = -1, last = -1;
  for (int y = 0; y < a.height(); ++y)
    if (memcmp(a.constScanLine(y), b.constScanLine(y), a.bytesPerLine()) != 0) {
      if (first < 0)
        first = y;
      last = y;
    }
  return {first, last};
}
} // namespace

TEST(PhoneUi, DialerTakesDigitsDeletesCallsAndHangsUp) {
  PhoneUi ui;
  ASSERT_EQ(ui.currentScreen(), Screen::Home);
  EXPECT_TRUE(ui.handleKey(digit(0)));
  EXPECT_EQ(ui.currentScreen(), Screen::Dialer);
  for (int d : {1, 2, 3})
    EXPECT_TRUE(ui.handleKey(digit(d)));
  EXPECT_TRUE(ui.handleKey(keys::kStar));
  EXPECT_TRUE(ui.handleKey(keys::kHash));
  EXPECT_EQ(ui.number(), QStringLiteral("0123*#"));

  EXPECT_TRUE(ui.handleKey(keys::kClear));
  EXPECT_TRUE(ui.handleKey(keys::kClear));
  EXPECT_EQ(ui.number(), QStringLiteral("0123"));

  EXPECT_TRUE(ui.handleKey(keys::kCall));
  EXPECT_EQ(ui.currentScreen(), Screen::Calling);
  EXPECT_EQ(ui.callingText(), QStringLiteral("Calling 0123..."));
  EXPECT_FALSE(ui.handleKey(digit(5))); // no typing during a call

  EXPECT_TRUE(ui.handleKey(keys::kRed));
  EXPECT_EQ(ui.currentScreen(), Screen::Home);
  EXPECT_TRUE(ui.number().isEmpty());
  EXPECT_FALSE(ui.handleKey(keys::kRed)); // already home

  // C on an empty number leaves the dialer; the right soft key goes back.
  ui.handleKey(digit(7));
  EXPECT_TRUE(ui.handleKey(keys::kClear));
  EXPECT_EQ(ui.currentScreen(), Screen::Dialer);
  EXPECT_FALSE(ui.handleKey(keys::kCall)); // nothing to call
  EXPECT_TRUE(ui.handleKey(keys::kClear));
  EXPECT_EQ(ui.currentScreen(), Screen::Home);
  ui.handleKey(digit(7));
  EXPECT_TRUE(ui.handleKey(keys::kSoftRight));
  EXPECT_EQ(ui.currentScreen(), Screen::Home);

  // Quick-text digits on the home screen dial as well; letters do not.
  EXPECT_TRUE(ui.handleKey('5'));
  EXPECT_TRUE(ui.handleKey('+'));
  EXPECT_FALSE(ui.handleKey('x'));
  EXPECT_EQ(ui.number(), QStringLiteral("5+"));

  // The number has a length limit.
  for (int i = 0; i < 40; ++i)
    ui.handleKey(digit(9));
  EXPECT_EQ(ui.number().size(), PhoneUi::kMaxNumberLength);
}

TEST(PhoneUi, TextGoesToNotes) {
  PhoneUi ui;
  EXPECT_TRUE(ui.handleKey('H'));
  EXPECT_EQ(ui.currentScreen(), Screen::Notes);
  for (char c : QByteArray("ello 2"))
    EXPECT_TRUE(ui.handleKey(c));
  EXPECT_TRUE(ui.handleKey(digit(4))); // keypad digits type too
  EXPECT_TRUE(ui.handleKey('\r'));
  EXPECT_EQ(ui.notes(), QStringLiteral("Hello 24\n"));
  EXPECT_TRUE(ui.handleKey(keys::kClear));
  EXPECT_TRUE(ui.handleKey(8)); // backspace character
  EXPECT_EQ(ui.notes(), QStringLiteral("Hello 2"));
  EXPECT_FALSE(ui.handleKey(1)); // control characters are ignored
  // Bytes from 128 are Windows-1252: the euro sign, trademark, e acute; the
  // unassigned 0x81 is a control code.
  for (int b : {0x80, 0x99, 0xE9})
    EXPECT_TRUE(ui.handleKey(b));
  EXPECT_FALSE(ui.handleKey(0x81));
  EXPECT_EQ(ui.notes(), QStringLiteral("Hello 2\u20ac\u2122\u00e9"));
  for (int i = 0; i < 3; ++i)
    ui.handleKey(8);

  // Back to the menu and in again: the text is kept.
  EXPECT_TRUE(ui.handleKey(keys::kSoftRight));
  EXPECT_EQ(ui.currentScreen(), Screen::Menu);
  EXPECT_TRUE(ui.handleKey(digit(PhoneUi::ItemNotes + 1)));
  EXPECT_EQ(ui.currentScreen(), Screen::Notes);
  EXPECT_EQ(ui.notes(), QStringLiteral("Hello 2"));
  EXPECT_TRUE(ui.handleKey(keys::kSoftLeft)); // erase all
  EXPECT_TRUE(ui.notes().isEmpty());
  EXPECT_FALSE(ui.handleKey(keys::kClear));

  // Text typed in the menu opens the notes too.
  ui.handleKey(keys::kMenu);
  EXPECT_TRUE(ui.handleKey('z'));
  EXPECT_EQ(ui.currentScreen(), Screen::Notes);
  EXPECT_EQ(ui.notes(), QStringLiteral("z"));
}

TEST(PhoneUi, JoystickMovesTheMenuSelection) {
  PhoneUi ui;
  EXPECT_TRUE(ui.handleKey(keys::kSoftLeft));
  ASSERT_EQ(ui.currentScreen(), Screen::Menu);
  EXPECT_EQ(ui.menuSelection(), 0);
  const QImage start = ui.render();

  struct step {
    int key;
    int expected;
  };
  // Grid 0 1 2 / 3 4 5 / 6 7 8; moves wrap within a row or column.
  const step steps[] = {{keys::kJoyRight, 1}, {keys::kJoyDown, 4},
                        {keys::kJoyLeft, 3},  {keys::kJoyLeft, 5},
                        {keys::kJoyUp, 2},    {keys::kJoyUp, 8},
                        {keys::kJoyRight, 6}, {keys::kJoyDown, 0}};
  for (const step &s : steps) {
    EXPECT_TRUE(ui.handleKey(s.key));
    EXPECT_EQ(ui.menuSelection(), s.expected);
  }
  // Back at item 0 the picture is as before; elsewhere it is not.
  EXPECT_EQ(ui.render(), start);
  ui.handleKey(keys::kJoyRight);
  EXPECT_NE(ui.render(), start);

  // The centre key opens the selected item: the dialer.
  ui.handleKey(keys::kJoyDown);
  ui.handleKey(keys::kJoyLeft);
  ASSERT_EQ(ui.menuSelection(), PhoneUi::ItemDialer);
  EXPECT_TRUE(ui.handleKey(keys::kJoyEnter));
  EXPECT_EQ(ui.currentScreen(), Screen::Dialer);
  EXPECT_TRUE(ui.number().isEmpty());

  // Any other item opens its own screen; back returns to the menu.
  ui.handleKey(keys::kMenu);
  EXPECT_TRUE(ui.handleKey(digit(PhoneUi::ItemGallery + 1)));
  EXPECT_EQ(ui.currentScreen(), Screen::Gallery);
  EXPECT_TRUE(ui.handleKey(keys::kSoftRight));
  EXPECT_EQ(ui.currentScreen(), Screen::Menu);
  EXPECT_FALSE(ui.handleKey(digit(0)));
  EXPECT_TRUE(ui.handleKey(keys::kSoftRight));
  EXPECT_EQ(ui.currentScreen(), Screen::Home);
}

TEST(PhoneUi, PcKeyboardCodesTypeAndNavigate) {
  // What the PC keyboard sends: letters and digits as characters, the keys
  // without one as their virtual-key codes.
  PhoneUi ui;
  ui.handleKey(keys::kMenu);
  EXPECT_TRUE(ui.handleKey(keys::kPcRight));
  EXPECT_TRUE(ui.handleKey(keys::kPcDown));
  EXPECT_EQ(ui.menuSelection(), 4);
  EXPECT_TRUE(ui.handleKey(keys::kPcLeft));
  EXPECT_TRUE(ui.handleKey(keys::kPcUp));
  EXPECT_EQ(ui.menuSelection(), 0);
  EXPECT_FALSE(ui.handleKey(16)); // Shift alone does nothing
  EXPECT_EQ(ui.currentScreen(), Screen::Menu);
  EXPECT_TRUE(ui.handleKey(keys::kPcRight));
  EXPECT_TRUE(ui.handleKey(keys::kPcRight));
  ASSERT_EQ(ui.menuSelection(), PhoneUi::ItemNotes);
  EXPECT_TRUE(ui.handleKey(keys::kPcEnter));
  ASSERT_EQ(ui.currentScreen(), Screen::Notes);
  for (int c : {'h', 'i', '2', 'A', '%'})
    EXPECT_TRUE(ui.handleKey(c));
  EXPECT_EQ(ui.notes(), QStringLiteral("hi2A%"));
  EXPECT_TRUE(ui.handleKey(keys::kPcBackspace));
  EXPECT_EQ(ui.notes(), QStringLiteral("hi2A"));
  EXPECT_TRUE(ui.handleKey(keys::kSoftRight));
  EXPECT_TRUE(ui.handleKey(keys::kPcEscape));
  EXPECT_EQ(ui.currentScreen(), Screen::Home);
}

TEST(PhoneUi, NamesCallAContact) {
  PhoneUi ui;
  EXPECT_TRUE(ui.handleKey(keys::kSoftRight));
  ASSERT_EQ(ui.currentScreen(), Screen::Names);
  EXPECT_TRUE(ui.handleKey(keys::kJoyUp)); // wraps to the last name
  EXPECT_EQ(ui.namesSelection(), PhoneUi::contacts().size() - 1);
  EXPECT_TRUE(ui.handleKey(keys::kJoyDown));
  EXPECT_TRUE(ui.handleKey(keys::kJoyDown));
  EXPECT_TRUE(ui.handleKey(keys::kCall));
  EXPECT_EQ(ui.callingText(),
            QStringLiteral("Calling %1...").arg(PhoneUi::contacts()[1]));
  EXPECT_TRUE(ui.handleKey(keys::kSoftRight)); // End
  EXPECT_EQ(ui.currentScreen(), Screen::Home);
  EXPECT_FALSE(ui.handleKey(keys::kSideLower));
  EXPECT_FALSE(ui.handleKey(keys::kAbc));
}

TEST(PhoneUi, ClockChangesOnlyTheTimeEachMinute) {
  PhoneUi ui;
  ui.handleKey(keys::kMenu);
  const QDateTime t0(QDate(2024, 5, 17), QTime(9, 41, 5));
  ui.setClock(t0);
  const QImage a = ui.render();
  EXPECT_FALSE(ui.setClock(t0.addSecs(50)));
  EXPECT_EQ(ui.render(), a);
  EXPECT_TRUE(ui.setClock(t0.addSecs(55)));
  const QImage b = ui.render();
  const auto [first, last] = changedRows(a, b);
  EXPECT_GE(first, 0);
  EXPECT_LT(last, 16); // only the status bar

  // On the home screen the large clock changes too, the soft keys do not.
  PhoneUi home;
  home.setClock(t0);
  const QImage h0 = home.render();
  home.setClock(t0.addSecs(3600));
  const auto [hf, hl] = changedRows(h0, home.render());
  EXPECT_EQ(hf >= 0 && hf < 16, true);
  EXPECT_GT(hl, 16);
  EXPECT_LT(hl, PhoneUi::kHeight - 16);
}
