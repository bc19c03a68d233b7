#include "platform/KeyMapping.h"

#include <gtest/gtest.h>

using platform::virtualKeyFromQt;

namespace {
constexpr auto kShift = Qt::ShiftModifier;
constexpr auto kKeypad = Qt::KeypadModifier;
constexpr auto kNoMod = Qt::NoModifier;
} // namespace

TEST(KeyMapping, LettersDigitsAndFunctionKeys) {
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_A, kNoMod), 65);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_Z, kShift), 90);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_0, kNoMod), 48);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_9, kNoMod), 57);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_F1, kNoMod), 112);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_F5, Qt::ControlModifier), 116);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_F24, kNoMod), 135);
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
    EXPECT_EQ(virtualKeyFromQt(key, kNoMod), vk) << std::hex << key;
}

TEST(KeyMapping, ShiftedCharactersNameTheirUsKey) {
  // Shift+2 arrives as "@", the key left of 1 as "`" or "~".
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_At, kShift), 50);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_QuoteLeft, kNoMod), 192);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_AsciiTilde, kShift), 192);
  const char *shifted = ")!@#$%^&*(";
  for (int d = 0; d <= 9; ++d)
    EXPECT_EQ(virtualKeyFromQt(shifted[d], kShift), '0' + d) << shifted[d];
  const std::vector<std::tuple<int, int, int>> oem = {
      {186, ';', ':'},  {187, '=', '+'}, {188, ',', '<'}, {189, '-', '_'},
      {190, '.', '>'},  {191, '/', '?'}, {192, '`', '~'}, {219, '[', '{'},
      {220, '\\', '|'}, {221, ']', '}'}, {222, '\'', '"'}};
  for (auto [vk, plain, shift] : oem) {
    EXPECT_EQ(virtualKeyFromQt(plain, kNoMod), vk) << char(plain);
    EXPECT_EQ(virtualKeyFromQt(shift, kShift), vk) << char(shift);
  }
}

TEST(KeyMapping, KeypadWithAndWithoutNumLock) {
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_1, kKeypad), 97);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_0, kKeypad), 96);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_9, kKeypad), 105);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_Asterisk, kKeypad), 106);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_Plus, kKeypad), 107);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_Minus, kKeypad), 109);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_Period, kKeypad), 110);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_Slash, kKeypad), 111);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_Enter, kKeypad), 13);
  // Num Lock off: the keypad's navigation keys.
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_End, kKeypad), 35);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_Clear, kKeypad), 12);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_Insert, kKeypad), 45);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_Delete, kKeypad), 46);
  // The main keyboard's * and + are Shift+8 and Shift+=.
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_Asterisk, kShift), 56);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_Plus, kShift), 187);
}

TEST(KeyMapping, X11KeyCodesNameThePlaceOnOtherLayouts) {
  // A German keyboard: Shift+2 gives '"', the key right of 0 gives 'ß'
  // (Qt::Key_ssharp), the key left of 1 gives '^' (dead circumflex).
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_QuoteDbl, kShift, 11, true), 50);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_ssharp, kNoMod, 20, true), 189);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_Dead_Circumflex, kNoMod, 49, true), 192);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_0, kNoMod, 19, true), 48);
  // Letters follow the layout; the keypad is not positional.
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_Z, kNoMod, 29, true), 90);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_1, kKeypad, 87, true), 97);
  // Without positional codes the character decides.
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_QuoteDbl, kShift, 11, false), 222);
}

TEST(KeyMapping, LettersOfOtherScriptsAreNamedByTheirPlace) {
  // A Russian layout: the A key gives "Ф", Q "Й", Z "Я", with Shift or not;
  // a Greek one gives "Α" on the A key.
  EXPECT_EQ(virtualKeyFromQt(0x0424, kNoMod, 38, true), 65);
  EXPECT_EQ(virtualKeyFromQt(0x0424, kShift, 38, true), 65);
  EXPECT_EQ(virtualKeyFromQt(0x0419, kNoMod, 24, true), 81);
  EXPECT_EQ(virtualKeyFromQt(0x042F, kNoMod, 52, true), 90);
  EXPECT_EQ(virtualKeyFromQt(0x042C, kNoMod, 58, true), 77);
  EXPECT_EQ(virtualKeyFromQt(0x0391, kNoMod, 38, true), 65);
  // Its letters on punctuation keys keep those keys' names.
  EXPECT_EQ(virtualKeyFromQt(0x0416, kNoMod, 47, true), 186);
  EXPECT_EQ(virtualKeyFromQt(0x0411, kNoMod, 59, true), 188);
  // A French layout: A sits where Q is, the comma where M is.
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_A, kNoMod, 24, true), 65);
  EXPECT_EQ(virtualKeyFromQt(Qt::Key_Comma, kNoMod, 58, true), 188);
}
