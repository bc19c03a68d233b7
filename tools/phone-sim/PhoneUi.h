#pragma once
// The simulated phone's user interface: a small state machine driven by key
// codes, and a renderer that paints its current state as a 176 x 208 screen.

#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>

namespace phonesim {

class PhoneUi {
public:
  static constexpr int Width = 176;
  static constexpr int Height = 208;
  static constexpr int MenuColumns = 3;
  static constexpr int MenuItems = 9;
  static constexpr int MaxNumberLength = 24;
  static constexpr int MaxNotesLength = 1000;

  enum class Screen {
    Home,
    Menu,
    Notes,
    Dialer,
    Calling,
    Names,
    Gallery,
    Info
  };
  // Menu items in grid order, row by row.
  enum MenuItem {
    ItemMessages,
    ItemNames,
    ItemNotes,
    ItemDialer,
    ItemGallery,
    ItemCamera,
    ItemSettings,
    ItemGames,
    ItemClock,
  };

  PhoneUi();

  // Applies one key code; true when the screen changes.
  bool HandleKey(int code);
  // Sets the time shown; true when the shown minute changes.
  bool SetClock(const QDateTime &now);

  Screen CurrentScreen() const { return m_screen; }
  int MenuSelection() const { return m_menuSelection; }
  int NamesSelection() const { return m_namesSelection; }
  QString Number() const { return m_number; }
  QString Notes() const { return m_notes; }
  // The text of the calling screen, e.g. "Calling 0123...".
  QString CallingText() const;
  static QString MenuItemName(int item);
  static QStringList Contacts();

  // Paints the current state. Deterministic for a given state and clock.
  QImage Render() const;

private:
  bool OnHome(int code);
  bool OnMenu(int code);
  bool OnNotes(int code);
  bool OnDialer(int code);
  bool OnNames(int code);
  bool GoHome();
  bool OpenMenuItem(int item);
  bool TypeCharacter(char16_t c);
  static bool IsDialChar(char16_t c);
  static int DigitOf(int code);
  // The phone key a PC key without a character stands for on the current
  // screen; 0 when the code is read as a character.
  int PcKey(int code) const;

  Screen m_screen = Screen::Home;
  int m_menuSelection = 0;
  int m_namesSelection = 0;
  int m_infoItem = 0;
  QString m_number;
  QString m_callee;
  QString m_notes;
  QDateTime m_now;
};

} // namespace phonesim
