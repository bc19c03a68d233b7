#pragma once
// The numbers of the wire, shared by the TCP and the serial link. Every
// integer on both wires is a signed 32-bit little-endian value.

#include <QtGlobal>

namespace Protocol {

// Request kinds from the phone, and the PC's reply kinds. The serial link
// uses the same values for its packets.
enum Kind : qint32 {
  KindNop = 11,      // phone: poll; PC: empty reply
  KindAuth = 12,     // phone: identification block
  KindCommands = 13, // phone over TCP: poll; PC: reply with queue bytes
  KindScreen = 14,   // phone: screen tile
  KindDiscon = 15,   // phone over TCP, PC over serial: goodbye
};

// Bytes of the phone's identification block.
inline constexpr int kPhoneIdLength = 8;

// A tile is drawn only when its length is above this; shorter tiles are a
// plain poll.
inline constexpr qint32 kMinTileLength = 8;
// Longer tiles are refused before anything is allocated for them: far
// beyond any tile of a 176 x 208 screen.
inline constexpr qint32 kMaxTileLength = 1 << 20;

// TCP: the default listening port.
inline constexpr int kDefaultTcpPort = 10001;
// TCP: a phone whose socket takes no byte of a reply for this long is
// dropped.
inline constexpr int kSendTimeoutMs = 10000;
// TCP: a connection that has not sent its identification this long after
// it was accepted, or an identified one silent this long, is closed. The
// phone identifies at once and then polls without pause, so neither limit
// touches a real phone; they keep an idle peer from holding the one place.
inline constexpr qint64 kIdentifyTimeoutMs = 5000;
inline constexpr qint64 kIdleTimeoutMs = 60000;

// Serial: at most this many queue bytes go out in one commands packet.
inline constexpr qsizetype kMaxSerialCommandBytes = 20;
// Serial: every PC packet ends with this byte.
inline constexpr char kSerialTerminator = '^';
// Serial: the data cable's speed, and the speed probe ports are opened at.
inline constexpr qint32 kCableBaudRate = 256000;
inline constexpr qint32 kProbeBaudRate = 9600;
// Serial: a conversation silent for longer than this is resynchronised,
// checked every kLostPacketIntervalMs.
inline constexpr qint64 kSerialSilenceLimitMs = 1000;
inline constexpr int kLostPacketIntervalMs = 500;

// The watchdog of a cable or Bluetooth link: it ticks every
// kWatchdogIntervalMs and closes a link silent for more than
// kWatchdogSilenceSeconds whole seconds.
inline constexpr int kWatchdogIntervalMs = 3000;
inline constexpr qint64 kWatchdogSilenceSeconds = 5;

} // namespace Protocol
