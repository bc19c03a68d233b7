#include "platform/KeyMapping.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMutex>

#include <cstring>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace platform {

namespace {

// Virtual-key codes with names of their own.
enum : uint16_t {
  VkBack = 8,
  VkTab = 9,
  VkClear = 12,
  VkReturn = 13,
  VkShift = 16,
  VkControl = 17,
  VkMenu = 18,
  VkPause = 19,
  VkCapital = 20,
  VkEscape = 27,
  VkSpace = 32,
  VkPrior = 33,
  VkNext = 34,
  VkEnd = 35,
  VkHome = 36,
  VkLeft = 37,
  VkUp = 38,
  VkRight = 39,
  VkDown = 40,
  VkSnapshot = 44,
  VkInsert = 45,
  VkDelete = 46,
  VkLWin = 91,
  VkRWin = 92,
  VkApps = 93,
  VkNumpad0 = 96,
  VkMultiply = 106,
  VkAdd = 107,
  VkSubtract = 109,
  VkDecimal = 110,
  VkDivide = 111,
  VkF1 = 112,
  VkNumLock = 144,
  VkScroll = 145,
  VkOem1 = 186,      // ; :
  VkOemPlus = 187,   // = +
  VkOemComma = 188,  // , <
  VkOemMinus = 189,  // - _
  VkOemPeriod = 190, // . >
  VkOem2 = 191,      // / ?
  VkOem3 = 192,      // ` ~
  VkOem4 = 219,      // [ {
  VkOem5 = 220,      // \ |
  VkOem6 = 221,      // ] }
  VkOem7 = 222,      // ' "
};

// The keys of the numeric keypad, with Num Lock on and off.
uint16_t keypadKey(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return VkNumpad0 + (key - Qt::Key_0);
  switch (key) {
  case Qt::Key_Asterisk:
    return VkMultiply;
  case Qt::Key_Plus:
    return VkAdd;
  case Qt::Key_Minus:
    return VkSubtract;
  case Qt::Key_Period:
  case Qt::Key_Comma:
    return VkDecimal;
  case Qt::Key_Slash:
    return VkDivide;
  case Qt::Key_Enter:
  case Qt::Key_Return:
    return VkReturn;
  case Qt::Key_Insert:
    return VkInsert;
  case Qt::Key_Delete:
    return VkDelete;
  case Qt::Key_End:
    return VkEnd;
  case Qt::Key_Down:
    return VkDown;
  case Qt::Key_PageDown:
    return VkNext;
  case Qt::Key_Left:
    return VkLeft;
  case Qt::Key_Clear:
    return VkClear;
  case Qt::Key_Right:
    return VkRight;
  case Qt::Key_Home:
    return VkHome;
  case Qt::Key_Up:
    return VkUp;
  case Qt::Key_PageUp:
    return VkPrior;
  default:
    return 0;
  }
}

// The digit row and punctuation by evdev key code (X11 key code).
uint16_t positionalKey(uint32_t code) {
  if (code >= 10 && code <= 18)
    return uint16_t('1' + (code - 10));
  switch (code) {
  case 19:
    return '0';
  case 20:
    return VkOemMinus;
  case 21:
    return VkOemPlus;
  case 34:
    return VkOem4;
  case 35:
    return VkOem6;
  case 47:
    return VkOem1;
  case 48:
    return VkOem7;
  case 49:
    return VkOem3;
  case 51:
    return VkOem5;
  case 59:
    return VkOemComma;
  case 60:
    return VkOemPeriod;
  case 61:
    return VkOem2;
  default:
    return 0;
  }
}

// The letter a US keyboard has at an evdev key code (X11 key code), or 0.
uint16_t letterByPlace(uint32_t code) {
  static constexpr char rows[][11] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
  static constexpr uint32_t firstCode[] = {24, 38, 52};
  for (int row = 0; row < 3; ++row) {
    const uint32_t offset = code - firstCode[row];
    if (code >= firstCode[row] && offset < std::strlen(rows[row]))
      return uint16_t(rows[row][offset]);
  }
  return 0;
}

// A letter outside A to Z: Cyrillic, Greek and other scripts' layouts put
// theirs on the keys that carry the Latin letters.
bool isOtherLetter(int key) {
  return key > 0x7F && key < 0x110000 && QChar::isLetter(char32_t(key));
}

// A character key by the character a US keyboard gives, with or without
// Shift.
uint16_t characterKey(int key) {
  switch (key) {
  case Qt::Key_ParenRight:
    return '0';
  case Qt::Key_Exclam:
    return '1';
  case Qt::Key_At:
    return '2';
  case Qt::Key_NumberSign:
    return '3';
  case Qt::Key_Dollar:
    return '4';
  case Qt::Key_Percent:
    return '5';
  case Qt::Key_AsciiCircum:
    return '6';
  case Qt::Key_Ampersand:
    return '7';
  case Qt::Key_Asterisk:
    return '8';
  case Qt::Key_ParenLeft:
    return '9';
  case Qt::Key_Semicolon:
  case Qt::Key_Colon:
    return VkOem1;
  case Qt::Key_Equal:
  case Qt::Key_Plus:
    return VkOemPlus;
  case Qt::Key_Comma:
  case Qt::Key_Less:
    return VkOemComma;
  case Qt::Key_Minus:
  case Qt::Key_Underscore:
    return VkOemMinus;
  case Qt::Key_Period:
  case Qt::Key_Greater:
    return VkOemPeriod;
  case Qt::Key_Slash:
  case Qt::Key_Question:
    return VkOem2;
  case Qt::Key_QuoteLeft:
  case Qt::Key_AsciiTilde:
  case Qt::Key_Dead_Grave:
  case Qt::Key_Dead_Tilde:
    return VkOem3;
  case Qt::Key_BracketLeft:
  case Qt::Key_BraceLeft:
    return VkOem4;
  case Qt::Key_Backslash:
  case Qt::Key_Bar:
    return VkOem5;
  case Qt::Key_BracketRight:
  case Qt::Key_BraceRight:
    return VkOem6;
  case Qt::Key_Apostrophe:
  case Qt::Key_QuoteDbl:
  case Qt::Key_Dead_Acute:
  case Qt::Key_Dead_Diaeresis:
    return VkOem7;
  default:
    return 0;
  }
}

uint16_t functionKey(int key) {
  switch (key) {
  case Qt::Key_Backspace:
    return VkBack;
  case Qt::Key_Tab:
  case Qt::Key_Backtab:
    return VkTab;
  case Qt::Key_Clear:
    return VkClear;
  case Qt::Key_Return:
  case Qt::Key_Enter:
    return VkReturn;
  case Qt::Key_Shift:
    return VkShift;
  case Qt::Key_Control:
    return VkControl;
  case Qt::Key_Alt:
  case Qt::Key_AltGr:
    return VkMenu;
  case Qt::Key_Pause:
    return VkPause;
  case Qt::Key_CapsLock:
    return VkCapital;
  case Qt::Key_Escape:
    return VkEscape;
  case Qt::Key_Space:
    return VkSpace;
  case Qt::Key_PageUp:
    return VkPrior;
  case Qt::Key_PageDown:
    return VkNext;
  case Qt::Key_End:
    return VkEnd;
  case Qt::Key_Home:
    return VkHome;
  case Qt::Key_Left:
    return VkLeft;
  case Qt::Key_Up:
    return VkUp;
  case Qt::Key_Right:
    return VkRight;
  case Qt::Key_Down:
    return VkDown;
  case Qt::Key_Print:
    return VkSnapshot;
  case Qt::Key_Insert:
    return VkInsert;
  case Qt::Key_Delete:
    return VkDelete;
  case Qt::Key_Meta:
  case Qt::Key_Super_L:
    return VkLWin;
  case Qt::Key_Super_R:
    return VkRWin;
  case Qt::Key_Menu:
    return VkApps;
  case Qt::Key_NumLock:
    return VkNumLock;
  case Qt::Key_ScrollLock:
    return VkScroll;
  default:
    return 0;
  }
}

} // namespace

uint16_t virtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers,
                          uint32_t scanCode, bool positionalScanCode) {
  if (modifiers & Qt::KeypadModifier) {
    if (const uint16_t vk = keypadKey(key))
      return vk;
  }
  if (key >= Qt::Key_A && key <= Qt::Key_Z)
    return uint16_t('A' + (key - Qt::Key_A));
  if (positionalScanCode && isOtherLetter(key)) {
    if (const uint16_t vk = letterByPlace(scanCode))
      return vk;
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
    return uint16_t(VkF1 + (key - Qt::Key_F1));
  if (const uint16_t vk = functionKey(key))
    return vk;
  if (positionalScanCode) {
    if (const uint16_t vk = positionalKey(scanCode))
      return vk;
  }
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return uint16_t('0' + (key - Qt::Key_0));
  return characterKey(key);
}

uint16_t virtualKeyFromEvent(const QKeyEvent &event) {
  static const bool xcb =
      QGuiApplication::platformName() == QLatin1String("xcb");
  return virtualKeyFromQt(event.key(), event.modifiers(),
                          event.nativeScanCode(),
                          xcb && event.nativeScanCode() != 0);
}

X11CapsLock::~X11CapsLock() {
  if (m_display)
    XCloseDisplay(static_cast<Display *>(m_display));
}

bool X11CapsLock::capsLockOn() {
  QMutexLocker lock(&m_mutex);
  const QByteArray name = qgetenv("DISPLAY");
  if (!m_tried || name != m_displayName) {
    if (m_display)
      XCloseDisplay(static_cast<Display *>(m_display));
    m_display = name.isEmpty() ? nullptr : XOpenDisplay(name.constData());
    m_displayName = name;
    m_tried = true;
  }
  if (!m_display)
    return false;
  XkbStateRec state;
  if (XkbGetState(static_cast<Display *>(m_display), XkbUseCoreKbd, &state) !=
      Success)
    return false;
  return (state.mods & LockMask) != 0;
}

} // namespace platform
