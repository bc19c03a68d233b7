#pragma once
// Phone key codes as the PC sends them. Codes below 256 carry a character.

namespace phonesim::keys {

constexpr int Digit0 = 0x130; // digits 0 to 9 are 0x130 to 0x139
constexpr int Digit9 = 0x139;
constexpr int Star = 0x12A;
constexpr int Hash = 0x17F;
constexpr int Call = 0x1C4;
constexpr int Menu = 0x1B4;
constexpr int Red = 0x1C5; // the key table names it "Hold"
constexpr int Clear = 0x101;
constexpr int Abc = 0x112;
constexpr int SoftLeft = 0x1A4;
constexpr int SoftRight = 0x1A5;
constexpr int JoyEnter = 0x1A7;
constexpr int JoyUp = 0x110;
constexpr int JoyDown = 0x111;
constexpr int JoyLeft = 0x10E;
constexpr int JoyRight = 0x10F;
constexpr int SideLower = 0x808;

// What the PC keyboard sends for keys without a character: the Windows
// virtual-key code. They share their numbers with characters (Left is "%"),
// so only the screens that take no text read them as keys.
constexpr int PcBackspace = 8;
constexpr int PcEnter = 13;
constexpr int PcEscape = 27;
constexpr int PcLeft = 37;
constexpr int PcUp = 38;
constexpr int PcRight = 39;
constexpr int PcDown = 40;

} // namespace phonesim::keys
