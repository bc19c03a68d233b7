#include "platform/KeyMapping.h"

#include <gtest/gtest.h>

using platform::VirtualKeyFromQt;

namespace {
constexpr auto Shift = Qt::ShiftModifier;
constexpr auto Keypad = Qt::KeypadModifier;
constexpr auto NoMod = Qt::NoModifier;
} // namespace

TEST(KeyMapping, LettersDigitsAndFunctionKeys) {
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_A, NoMod), 65);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Z, Shift), 90);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_0, NoMod), 48);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_9, NoMod), 57);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_F1, NoMod), 112);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_F5, Qt::ControlModifier), 116);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_F24, NoMod), 135);
  const std::vector<std::pair<int, int>> named = {
      {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},     {Qt::Key_Backtab, 9},
      {Qt::Key_Return, 13},   {Qt::Key_Enter, 13},  {Qt::Key_Shift, 16},
      {Qt::Key_Control, 17},  {Qt::Key_Alt, 18},    {Qt::Key_CapsLock, 20},
      {Qt::Key_Escape, 27},   {Qt::Key_Space, 32},  {Qt::Key_PageUp, 33},
      {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},    {Qt::Key_Home, 36},
      {Qt::Key_Left, 37},     {Qt::Key_Up, 38},     {Qt::Key_Right, 39},
      {Qt::Key_Down, 40},     {Qt::Key_Insert, 45}, {Qt::Key_Delete, 46},
      {Qt::Key_NumLock, 144}, {Qt::Key_unknown, 0}, {Qt::Key_Eacute, 0}};
  for (auto [key, vk] : named)
    EXPECT_EQ(VirtualKeyFromQt(key, NoMod), vk) << std::hex << key;
}

TEST(KeyMapping, ShiftedCharactersNameTheirUsKey) {
  // Shift+2 arrives as "@", the key left of 1 as "`" or "~".
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_At, Shift), 50);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_QuoteLeft, NoMod), 192);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_AsciiTilde, Shift), 192);
  const char *shifted = ")!@#$%^&*(";
  for (int d = 0; d <= 9; ++d)
    EXPECT_EQ(VirtualKeyFromQt(shifted[d], Shift), '0' + d) << shifted[d];
  const std::vector<std::tuple<int, int, int>> oem = {
      {186, ';', ':'},  {187, '=', '+'}, {188, ',', '<'}, {189, '-', '_'},
      {190, '.', '>'},  {191, '/', '?'}, {192, '`', '~'}, {219, '[', '{'},
      {220, '\\', '|'}, {221, ']', '}'}, {222, '\'', '"'}};
  for (auto [vk, plain, shift] : oem) {
    EXPECT_EQ(VirtualKeyFromQt(plain, NoMod), vk) << char(plain);
    EXPECT_EQ(VirtualKeyFromQt(shift, Shift), vk) << char(shift);
  }
}

TEST(KeyMapping, KeypadWithAndWithoutNumLock) {
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_1, Keypad), 97);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_0, Keypad), 96);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_9, Keypad), 105);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Asterisk, Keypad), 106);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Plus, Keypad), 107);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Minus, Keypad), 109);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Period, Keypad), 110);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Slash, Keypad), 111);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Enter, Keypad), 13);
  // Num Lock off: the keypad's navigation keys.
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_End, Keypad), 35);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Clear, Keypad), 12);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Insert, Keypad), 45);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Delete, Keypad), 46);
  // The main keyboard's * and + are Shift+8 and Shift+=.
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Asterisk, Shift), 56);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Plus, Shift), 187);
}

TEST(KeyMapping, X11KeyCodesNameThePlaceOnOtherLayouts) {
  // A German keyboard: Shift+2 gives '"', the key right of 0 gives 'ß'
  // (Qt::Key_ssharp), the key left of 1 gives '^' (dead circumflex).
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_QuoteDbl, Shift, 11, true), 50);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_ssharp, NoMod, 20, true), 189);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Dead_Circumflex, NoMod, 49, true), 192);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_0, NoMod, 19, true), 48);
  // Letters follow the layout; the keypad is not positional.
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Z, NoMod, 29, true), 90);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_1, Keypad, 87, true), 97);
  // Without positional codes the character decides.
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_QuoteDbl, Shift, 11, false), 222);
}

TEST(KeyMapping, LettersOfOtherScriptsAreNamedByTheirPlace) {
  // A Russian layout: the A key gives "Ф", Q "Й", Z "Я", with Shift or not;
  // a Greek one gives "Α" on the A key.
  EXPECT_EQ(VirtualKeyFromQt(0x0424, NoMod, 38, true), 65);
  EXPECT_EQ(VirtualKeyFromQt(0x0424, Shift, 38, true), 65);
  EXPECT_EQ(VirtualKeyFromQt(0x0419, NoMod, 24, true), 81);
  EXPECT_EQ(VirtualKeyFromQt(0x042F, NoMod, 52, true), 90);
  EXPECT_EQ(VirtualKeyFromQt(0x042C, NoMod, 58, true), 77);
  EXPECT_EQ(VirtualKeyFromQt(0x0391, NoMod, 38, true), 65);
  // Its letters on punctuation keys keep those keys' names.
  EXPECT_EQ(VirtualKeyFromQt(0x0416, NoMod, 47, true), 186);
  EXPECT_EQ(VirtualKeyFromQt(0x0411, NoMod, 59, true), 188);
  // A French layout: A sits where Q is, the comma where M is.
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_A, NoMod, 24, true), 65);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Comma, NoMod, 58, true), 188);
}
