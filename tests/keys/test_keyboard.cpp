
#include "keys/KeyTable.h"
#include "keys/Keyboard.h"
#include "link/CommandQueue.h"
#include "platform/KeyMapping.h"
#include "support/SwitchCapsLock.h"
#include <gtest/gtest.h>

namespace {

// Codes in the queue, in order (all-zero identification: no scrambling).
std::vector<int> codes(const CommandQueue &queue) {
  const QByteArray b = queue.bytes();
  std::vector<int> codes;
  for (qsizetype i = 0; i + 1 < b.size(); i += 2)
    codes.push_back(uint8_t(b[i]) | (uint8_t(b[i + 1]) << 8));
  return codes;
}

constexpr auto kCtrl = Qt::ControlModifier;
constexpr auto kShift = Qt::ShiftModifier;
constexpr auto kNoMod = Qt::NoModifier;

} // namespace

TEST(Keyboard, LettersFollowCapsLockAndShift) {
  EXPECT_EQ(virtualKeyToChar('A', false, false), 97);
  EXPECT_EQ(virtualKeyToChar('A', true, false), 65);
  EXPECT_EQ(virtualKeyToChar('A', false, true), 65);
  EXPECT_EQ(virtualKeyToChar('A', true, true), 97);
  EXPECT_EQ(virtualKeyToChar('Z', false, false), 'z');
  // Caps Lock leaves digits and punctuation alone.
  EXPECT_EQ(virtualKeyToChar('2', false, true), '2');
  EXPECT_EQ(virtualKeyToChar(192, false, true), 96);

  // The keyboard takes the state from its Caps Lock.
  CommandQueue queue;
  const KeyTable table;
  SwitchCapsLock caps;
  const Keyboard keyboard(queue, table, caps);
  caps.on = true;
  EXPECT_EQ(keyboard.keyChar('A', false), 65);
  caps.on = false;
  EXPECT_EQ(keyboard.keyChar('A', false), 97);
}

TEST(Keyboard, DigitsPunctuationAndKeysWithoutCharacters) {
  const char *shifted = ")!@#$%^&*(";
  for (int d = 0; d <= 9; ++d) {
    EXPECT_EQ(virtualKeyToChar('0' + d, false, false), '0' + d);
    EXPECT_EQ(virtualKeyToChar('0' + d, true, false), shifted[d]);
  }
  EXPECT_EQ(virtualKeyToChar('2', true, false), 64);
  EXPECT_EQ(virtualKeyToChar(192, false, false), 96);
  EXPECT_EQ(virtualKeyToChar(192, true, false), 126);
  const std::vector<std::tuple<int, int, int>> oem = {
      {186, ';', ':'}, {187, '=', '+'}, {188, ',', '<'}, {189, '-', '_'},
      {190, '.', '>'}, {191, '/', '?'}, {219, '[', '{'}, {220, '\\', '|'},
      {221, ']', '}'}, {222, '\'', '"'}};
  for (auto [vk, plain, shift] : oem) {
    EXPECT_EQ(virtualKeyToChar(vk, false, false), plain) << vk;
    EXPECT_EQ(virtualKeyToChar(vk, true, false), shift) << vk;
  }
  for (int vk : {13, 8, 27, 32, 37, 40, 116, 97, 16, 17, 18, 193, 218})
    EXPECT_EQ(virtualKeyToChar(vk, true, false), vk);
}

TEST(Keyboard, BoundShortcutsNeedTheWholeMask) {
  KeyTable table;
  table.setLines(defaultKeyTable());
  table.setLine(12, "Call\t452\t2\t116");
  table.setLine(13, "Menu\t436\t8\t65");     // Ext: never produced by a key
  table.setLine(14, "Hold\t453\t65538\t66"); // used as Ctrl
  CommandQueue queue;
  SwitchCapsLock caps;
  Keyboard keyboard(queue, table, caps);
  EXPECT_EQ(keyboard.sendKeyDown(116, kCtrl), 452);
  EXPECT_EQ(keyboard.sendKeyDown(116, kCtrl | kShift), 116);
  EXPECT_EQ(keyboard.sendKeyDown(116, kNoMod), 116);
  EXPECT_EQ(keyboard.sendKeyDown(97, kNoMod), 97); // keypad 1
  EXPECT_EQ(keyboard.sendKeyDown(16, kShift), 16); // Shift alone
  EXPECT_EQ(keyboard.sendKeyDown(66, kCtrl), 453);
  using Mods = Qt::KeyboardModifiers;
  for (Mods mods : {Mods(kNoMod), Mods(kCtrl), Mods(kShift), kCtrl | kShift,
                    Qt::AltModifier | kCtrl | kShift})
    EXPECT_NE(phoneCodeForKeyDown(table, 65, mods, false), 436);
  EXPECT_EQ(codes(queue), (std::vector<int>{452, 116, 116, 97, 16, 453}));

  // A key without a virtual-key code sends nothing, though the unbound lines
  // carry the shortcut 0 + 0.
  EXPECT_EQ(keyboard.sendKeyDown(0, kNoMod), 0);
  EXPECT_EQ(phoneCodeForKeyDown(table, 0, kNoMod, false), 0);
  EXPECT_EQ(codes(queue).size(), 6u);

  // Codes above 16 bits send their low 16 bits.
  table.setLine(0, "Big\t70000\t0\t112");
  EXPECT_EQ(phoneCodeForKeyDown(table, 112, kNoMod, false), 70000 & 0xFFFF);
}

TEST(Keyboard, modifierMask) {
  EXPECT_EQ(modifierMask(kNoMod), 0);
  EXPECT_EQ(modifierMask(Qt::AltModifier), 1);
  EXPECT_EQ(modifierMask(kCtrl | kShift | Qt::KeypadModifier), 6);
  EXPECT_EQ(modifierMask(Qt::MetaModifier), 0);
}
