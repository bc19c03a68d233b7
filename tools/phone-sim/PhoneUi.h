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
  static constexpr int kWidth = 176;
  static constexpr int kHeight = 208;
  static constexpr int kMenuColumns = 3;
  static constexpr int kMenuItems = 9;
  static constexpr int kMaxNumberLength = 24;
  static constexpr int kMaxNotesLength = 1000;

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
  bool handleKey(int code);
  // Sets the time shown; true when the shown minute changes.
  bool setClock(const QDateTime &now);

  Screen currentScreen() const { return m_screen; }
  int menuSelection() const { return m_menuSelection; }
  int namesSelection() const { return m_namesSelection; }
  QString number() const { return m_number; }
  QString notes() const { return m_notes; }
  // The text of the calling screen, e.g. "Calling 0123...".
  QString callingText() const;
  static QString menuItemName(int item);
  static QStringList contacts();

  // Paints the current state. Deterministic for a given state and clock.
  QImage render() const;

private:
  bool onHome(int code);
  bool onMenu(int code);
  bool onNotes(int code);
  bool onDialer(int code);
  bool onNames(int code);
  bool goHome();
  bool openMenuItem(int item);
  bool typeCharacter(char16_t c);
  static bool isDialChar(char16_t c);
  static int digitOf(int code);
  // The phone key a PC key without a character stands for on the current
  // screen; 0 when the code is read as a character.
  int pcKey(int code) const;

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
