#include "KeyCodes.h"
#include "PhoneUi.h"

#include <gtest/gtest.h>

using namespace phonesim;
using Screen = PhoneUi::Screen;

namespace {
int Digit(int d) { return keys::Digit0 + d; }

// Rows in which two pictures differ.
std::pair<int, int> ChangedRows(const QImage &a, const QImage &b) {
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
  ASSERT_EQ(ui.CurrentScreen(), Screen::Home);
  EXPECT_TRUE(ui.HandleKey(Digit(0)));
  EXPECT_EQ(ui.CurrentScreen(), Screen::Dialer);
  for (int d : {1, 2, 3})
    EXPECT_TRUE(ui.HandleKey(Digit(d)));
  EXPECT_TRUE(ui.HandleKey(keys::Star));
  EXPECT_TRUE(ui.HandleKey(keys::Hash));
  EXPECT_EQ(ui.Number(), QStringLiteral("0123*#"));

  EXPECT_TRUE(ui.HandleKey(keys::Clear));
  EXPECT_TRUE(ui.HandleKey(keys::Clear));
  EXPECT_EQ(ui.Number(), QStringLiteral("0123"));

  EXPECT_TRUE(ui.HandleKey(keys::Call));
  EXPECT_EQ(ui.CurrentScreen(), Screen::Calling);
  EXPECT_EQ(ui.CallingText(), QStringLiteral("Calling 0123..."));
  EXPECT_FALSE(ui.HandleKey(Digit(5))); // no typing during a call

  EXPECT_TRUE(ui.HandleKey(keys::Red));
  EXPECT_EQ(ui.CurrentScreen(), Screen::Home);
  EXPECT_TRUE(ui.Number().isEmpty());
  EXPECT_FALSE(ui.HandleKey(keys::Red)); // already home

  // C on an empty number leaves the dialer; the right soft key goes back.
  ui.HandleKey(Digit(7));
  EXPECT_TRUE(ui.HandleKey(keys::Clear));
  EXPECT_EQ(ui.CurrentScreen(), Screen::Dialer);
  EXPECT_FALSE(ui.HandleKey(keys::Call)); // nothing to call
  EXPECT_TRUE(ui.HandleKey(keys::Clear));
  EXPECT_EQ(ui.CurrentScreen(), Screen::Home);
  ui.HandleKey(Digit(7));
  EXPECT_TRUE(ui.HandleKey(keys::SoftRight));
  EXPECT_EQ(ui.CurrentScreen(), Screen::Home);

  // Quick-text digits on the home screen dial as well; letters do not.
  EXPECT_TRUE(ui.HandleKey('5'));
  EXPECT_TRUE(ui.HandleKey('+'));
  EXPECT_FALSE(ui.HandleKey('x'));
  EXPECT_EQ(ui.Number(), QStringLiteral("5+"));

  // The number has a length limit.
  for (int i = 0; i < 40; ++i)
    ui.HandleKey(Digit(9));
  EXPECT_EQ(ui.Number().size(), PhoneUi::MaxNumberLength);
}

TEST(PhoneUi, TextGoesToNotes) {
  PhoneUi ui;
  EXPECT_TRUE(ui.HandleKey('H'));
  EXPECT_EQ(ui.CurrentScreen(), Screen::Notes);
  for (char c : QByteArray("ello 2"))
    EXPECT_TRUE(ui.HandleKey(c));
  EXPECT_TRUE(ui.HandleKey(Digit(4))); // keypad digits type too
  EXPECT_TRUE(ui.HandleKey('\r'));
  EXPECT_EQ(ui.Notes(), QStringLiteral("Hello 24\n"));
  EXPECT_TRUE(ui.HandleKey(keys::Clear));
  EXPECT_TRUE(ui.HandleKey(8)); // backspace character
  EXPECT_EQ(ui.Notes(), QStringLiteral("Hello 2"));
  EXPECT_FALSE(ui.HandleKey(1)); // control characters are ignored
  // Bytes from 128 are Windows-1252: the euro sign, trademark, e acute; the
  // unassigned 0x81 is a control code.
  for (int b : {0x80, 0x99, 0xE9})
    EXPECT_TRUE(ui.HandleKey(b));
  EXPECT_FALSE(ui.HandleKey(0x81));
  EXPECT_EQ(ui.Notes(), QStringLiteral("Hello 2\u20ac\u2122\u00e9"));
  for (int i = 0; i < 3; ++i)
    ui.HandleKey(8);

  // Back to the menu and in again: the text is kept.
  EXPECT_TRUE(ui.HandleKey(keys::SoftRight));
  EXPECT_EQ(ui.CurrentScreen(), Screen::Menu);
  EXPECT_TRUE(ui.HandleKey(Digit(PhoneUi::ItemNotes + 1)));
  EXPECT_EQ(ui.CurrentScreen(), Screen::Notes);
  EXPECT_EQ(ui.Notes(), QStringLiteral("Hello 2"));
  EXPECT_TRUE(ui.HandleKey(keys::SoftLeft)); // erase all
  EXPECT_TRUE(ui.Notes().isEmpty());
  EXPECT_FALSE(ui.HandleKey(keys::Clear));

  // Text typed in the menu opens the notes too.
  ui.HandleKey(keys::Menu);
  EXPECT_TRUE(ui.HandleKey('z'));
  EXPECT_EQ(ui.CurrentScreen(), Screen::Notes);
  EXPECT_EQ(ui.Notes(), QStringLiteral("z"));
}

TEST(PhoneUi, JoystickMovesTheMenuSelection) {
  PhoneUi ui;
  EXPECT_TRUE(ui.HandleKey(keys::SoftLeft));
  ASSERT_EQ(ui.CurrentScreen(), Screen::Menu);
  EXPECT_EQ(ui.MenuSelection(), 0);
  const QImage start = ui.Render();

  struct Step {
    int key;
    int expected;
  };
  // Grid 0 1 2 / 3 4 5 / 6 7 8; moves wrap within a row or column.
  const Step steps[] = {{keys::JoyRight, 1}, {keys::JoyDown, 4},
                        {keys::JoyLeft, 3},  {keys::JoyLeft, 5},
                        {keys::JoyUp, 2},    {keys::JoyUp, 8},
                        {keys::JoyRight, 6}, {keys::JoyDown, 0}};
  for (const Step &s : steps) {
    EXPECT_TRUE(ui.HandleKey(s.key));
    EXPECT_EQ(ui.MenuSelection(), s.expected);
  }
  // Back at item 0 the picture is as before; elsewhere it is not.
  EXPECT_EQ(ui.Render(), start);
  ui.HandleKey(keys::JoyRight);
  EXPECT_NE(ui.Render(), start);

  // The centre key opens the selected item: the dialer.
  ui.HandleKey(keys::JoyDown);
  ui.HandleKey(keys::JoyLeft);
  ASSERT_EQ(ui.MenuSelection(), PhoneUi::ItemDialer);
  EXPECT_TRUE(ui.HandleKey(keys::JoyEnter));
  EXPECT_EQ(ui.CurrentScreen(), Screen::Dialer);
  EXPECT_TRUE(ui.Number().isEmpty());

  // Any other item opens its own screen; back returns to the menu.
  ui.HandleKey(keys::Menu);
  EXPECT_TRUE(ui.HandleKey(Digit(PhoneUi::ItemGallery + 1)));
  EXPECT_EQ(ui.CurrentScreen(), Screen::Gallery);
  EXPECT_TRUE(ui.HandleKey(keys::SoftRight));
  EXPECT_EQ(ui.CurrentScreen(), Screen::Menu);
  EXPECT_FALSE(ui.HandleKey(Digit(0)));
  EXPECT_TRUE(ui.HandleKey(keys::SoftRight));
  EXPECT_EQ(ui.CurrentScreen(), Screen::Home);
}

TEST(PhoneUi, PcKeyboardCodesTypeAndNavigate) {
  // What the PC keyboard sends: letters and digits as characters, the keys
  // without one as their virtual-key codes.
  PhoneUi ui;
  ui.HandleKey(keys::Menu);
  EXPECT_TRUE(ui.HandleKey(keys::PcRight));
  EXPECT_TRUE(ui.HandleKey(keys::PcDown));
  EXPECT_EQ(ui.MenuSelection(), 4);
  EXPECT_TRUE(ui.HandleKey(keys::PcLeft));
  EXPECT_TRUE(ui.HandleKey(keys::PcUp));
  EXPECT_EQ(ui.MenuSelection(), 0);
  EXPECT_FALSE(ui.HandleKey(16)); // Shift alone does nothing
  EXPECT_EQ(ui.CurrentScreen(), Screen::Menu);
  EXPECT_TRUE(ui.HandleKey(keys::PcRight));
  EXPECT_TRUE(ui.HandleKey(keys::PcRight));
  ASSERT_EQ(ui.MenuSelection(), PhoneUi::ItemNotes);
  EXPECT_TRUE(ui.HandleKey(keys::PcEnter));
  ASSERT_EQ(ui.CurrentScreen(), Screen::Notes);
  for (int c : {'h', 'i', '2', 'A', '%'})
    EXPECT_TRUE(ui.HandleKey(c));
  EXPECT_EQ(ui.Notes(), QStringLiteral("hi2A%"));
  EXPECT_TRUE(ui.HandleKey(keys::PcBackspace));
  EXPECT_EQ(ui.Notes(), QStringLiteral("hi2A"));
  EXPECT_TRUE(ui.HandleKey(keys::SoftRight));
  EXPECT_TRUE(ui.HandleKey(keys::PcEscape));
  EXPECT_EQ(ui.CurrentScreen(), Screen::Home);
}

TEST(PhoneUi, NamesCallAContact) {
  PhoneUi ui;
  EXPECT_TRUE(ui.HandleKey(keys::SoftRight));
  ASSERT_EQ(ui.CurrentScreen(), Screen::Names);
  EXPECT_TRUE(ui.HandleKey(keys::JoyUp)); // wraps to the last name
  EXPECT_EQ(ui.NamesSelection(), PhoneUi::Contacts().size() - 1);
  EXPECT_TRUE(ui.HandleKey(keys::JoyDown));
  EXPECT_TRUE(ui.HandleKey(keys::JoyDown));
  EXPECT_TRUE(ui.HandleKey(keys::Call));
  EXPECT_EQ(ui.CallingText(),
            QStringLiteral("Calling %1...").arg(PhoneUi::Contacts()[1]));
  EXPECT_TRUE(ui.HandleKey(keys::SoftRight)); // End
  EXPECT_EQ(ui.CurrentScreen(), Screen::Home);
  EXPECT_FALSE(ui.HandleKey(keys::SideLower));
  EXPECT_FALSE(ui.HandleKey(keys::Abc));
}

TEST(PhoneUi, ClockChangesOnlyTheTimeEachMinute) {
  PhoneUi ui;
  ui.HandleKey(keys::Menu);
  const QDateTime t0(QDate(2024, 5, 17), QTime(9, 41, 5));
  ui.SetClock(t0);
  const QImage a = ui.Render();
  EXPECT_FALSE(ui.SetClock(t0.addSecs(50)));
  EXPECT_EQ(ui.Render(), a);
  EXPECT_TRUE(ui.SetClock(t0.addSecs(55)));
  const QImage b = ui.Render();
  const auto [first, last] = ChangedRows(a, b);
  EXPECT_GE(first, 0);
  EXPECT_LT(last, 16); // only the status bar

  // On the home screen the large clock changes too, the soft keys do not.
  PhoneUi home;
  home.SetClock(t0);
  const QImage h0 = home.Render();
  home.SetClock(t0.addSecs(3600));
  const auto [hf, hl] = ChangedRows(h0, home.Render());
  EXPECT_EQ(hf >= 0 && hf < 16, true);
  EXPECT_GT(hl, 16);
  EXPECT_LT(hl, PhoneUi::Height - 16);
}
