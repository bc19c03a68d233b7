#include "keys/KeyTable.h"
#include "keys/Keyboard.h"
#include "link/CommandQueue.h"
#include "platform/KeyMapping.h"

#include <gtest/gtest.h>

namespace {

// Codes in the queue, in order (all-zero identification: no scrambling).
std::vector<int> Codes(const TCommandQueue &queue) {
  const QByteArray b = queue.Bytes();
  std::vector<int> codes;
  for (qsizetype i = 0; i + 1 < b.size(); i += 2)
    codes.push_back(uint8_t(b[i]) | (uint8_t(b[i + 1]) << 8));
  return codes;
}

constexpr auto Ctrl = Qt::ControlModifier;
constexpr auto Shift = Qt::ShiftModifier;
constexpr auto NoMod = Qt::NoModifier;

} // namespace

TEST(Keyboard, LettersFollowCapsLockAndShift) {
  EXPECT_EQ(VirtualKeyToChar('A', false, false), 97);
  EXPECT_EQ(VirtualKeyToChar('A', true, false), 65);
  EXPECT_EQ(VirtualKeyToChar('A', false, true), 65);
  EXPECT_EQ(VirtualKeyToChar('A', true, true), 97);
  EXPECT_EQ(VirtualKeyToChar('Z', false, false), 'z');
  // Caps Lock leaves digits and punctuation alone.
  EXPECT_EQ(VirtualKeyToChar('2', false, true), '2');
  EXPECT_EQ(VirtualKeyToChar(192, false, true), 96);

  // The state comes from the platform when not given.
  bool caps = true;
  platform::SetCapsLockSource([&] { return caps; });
  EXPECT_EQ(VirtualKeyToChar('A', false), 65);
  caps = false;
  EXPECT_EQ(VirtualKeyToChar('A', false), 97);
  platform::SetCapsLockSource({});
}

TEST(Keyboard, DigitsPunctuationAndKeysWithoutCharacters) {
  const char *shifted = ")!@#$%^&*(";
  for (int d = 0; d <= 9; ++d) {
    EXPECT_EQ(VirtualKeyToChar('0' + d, false, false), '0' + d);
    EXPECT_EQ(VirtualKeyToChar('0' + d, true, false), shifted[d]);
  }
  EXPECT_EQ(VirtualKeyToChar('2', true, false), 64);
  EXPECT_EQ(VirtualKeyToChar(192, false, false), 96);
  EXPECT_EQ(VirtualKeyToChar(192, true, false), 126);
  const std::vector<std::tuple<int, int, int>> oem = {
      {186, ';', ':'}, {187, '=', '+'}, {188, ',', '<'}, {189, '-', '_'},
      {190, '.', '>'}, {191, '/', '?'}, {219, '[', '{'}, {220, '\\', '|'},
      {221, ']', '}'}, {222, '\'', '"'}};
  for (auto [vk, plain, shift] : oem) {
    EXPECT_EQ(VirtualKeyToChar(vk, false, false), plain) << vk;
    EXPECT_EQ(VirtualKeyToChar(vk, true, false), shift) << vk;
  }
  for (int vk : {13, 8, 27, 32, 37, 40, 116, 97, 16, 17, 18, 193, 218})
    EXPECT_EQ(VirtualKeyToChar(vk, true, false), vk);
}

TEST(Keyboard, BoundShortcutsNeedTheWholeMask) {
  KeyTable() = DefaultKeyTable();
  KeyTable()[12] = "Call\t452\t2\t116";
  KeyTable()[13] = "Menu\t436\t8\t65";     // Ext: never produced by a key
  KeyTable()[14] = "Hold\t453\t65538\t66"; // used as Ctrl
  TCommandQueue queue;
  EXPECT_EQ(SendKeyDown(queue, 116, Ctrl), 452);
  EXPECT_EQ(SendKeyDown(queue, 116, Ctrl | Shift), 116);
  EXPECT_EQ(SendKeyDown(queue, 116, NoMod), 116);
  EXPECT_EQ(SendKeyDown(queue, 97, NoMod), 97); // keypad 1
  EXPECT_EQ(SendKeyDown(queue, 16, Shift), 16); // Shift alone
  EXPECT_EQ(SendKeyDown(queue, 66, Ctrl), 453);
  using Mods = Qt::KeyboardModifiers;
  for (Mods mods : {Mods(NoMod), Mods(Ctrl), Mods(Shift), Ctrl | Shift,
                    Qt::AltModifier | Ctrl | Shift})
    EXPECT_NE(PhoneCodeForKeyDown(65, mods, false), 436);
  EXPECT_EQ(Codes(queue), (std::vector<int>{452, 116, 116, 97, 16, 453}));

  // A key without a virtual-key code sends nothing, though the unbound lines
  // carry the shortcut 0 + 0.
  EXPECT_EQ(SendKeyDown(queue, 0, NoMod), 0);
  EXPECT_EQ(PhoneCodeForKeyDown(0, NoMod, false), 0);
  EXPECT_EQ(Codes(queue).size(), 6u);

  // Codes above 16 bits send their low 16 bits.
  KeyTable()[0] = "Big\t70000\t0\t112";
  EXPECT_EQ(PhoneCodeForKeyDown(112, NoMod, false), 70000 & 0xFFFF);
  KeyTable().clear();
}

TEST(Keyboard, ModifierMask) {
  EXPECT_EQ(ModifierMask(NoMod), 0);
  EXPECT_EQ(ModifierMask(Qt::AltModifier), 1);
  EXPECT_EQ(ModifierMask(Ctrl | Shift | Qt::KeypadModifier), 6);
  EXPECT_EQ(ModifierMask(Qt::MetaModifier), 0);
}
