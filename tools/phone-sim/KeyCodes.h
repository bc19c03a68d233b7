#pragma once
// Phone key codes as the PC sends them. Codes below 256 carry a character.

namespace phonesim::keys {

constexpr int kDigit0 = 0x130; // digits 0 to 9 are 0x130 to 0x139
constexpr int kDigit9 = 0x139;
constexpr int kStar = 0x12A;
constexpr int kHash = 0x17F;
constexpr int kCall = 0x1C4;
constexpr int kMenu = 0x1B4;
constexpr int kRed = 0x1C5; // the key table names it "Hold"
constexpr int kClear = 0x101;
constexpr int kAbc = 0x112;
constexpr int kSoftLeft = 0x1A4;
constexpr int kSoftRight = 0x1A5;
constexpr int kJoyEnter = 0x1A7;
constexpr int kJoyUp = 0x110;
constexpr int kJoyDown = 0x111;
constexpr int kJoyLeft = 0x10E;
constexpr int kJoyRight = 0x10F;
constexpr int kSideLower = 0x808;

// What the PC keyboard sends for keys without a character: the Windows
// virtual-key code. They share their numbers with characters (Left is "%"),
// so only the screens that take no text read them as keys.
constexpr int kPcBackspace = 8;
constexpr int kPcEnter = 13;
constexpr int kPcEscape = 27;
constexpr int kPcLeft = 37;
constexpr int kPcUp = 38;
constexpr int kPcRight = 39;
constexpr int kPcDown = 40;

} // namespace phonesim::keys
