#pragma once
// The serial link's packets. From the phone: ComNOP (kind 11, 8 bytes),
// ComAuth (kind 12, 20 bytes) and ComGetScreen (kind 14, 16 bytes plus the
// tile). From the PC: NOP (11, 0, "^"), commands (13, n, n queue bytes,
// "^") and Discon (15, 0, "^"). Integers are signed 32-bit little-endian;
// there is no start marker and no checksum.

#include <QByteArray>
#include <QtGlobal>

enum TComKind : qint32 {
  ComNOP = 11,
  ComAuth = 12,
  ComCommands = 13,
  ComGetScreen = 14,
  ComDiscon = 15,
};

inline constexpr qsizetype ComNopLength = 8;
inline constexpr qsizetype ComAuthLength = 20;
inline constexpr qsizetype ComScreenHeader = 16;
// Tiles above this length are taken for garbage, like an unknown kind.
inline constexpr qint32 ComMaxTileLength = 1 << 20;
// At most this many queue bytes go out in one commands packet.
inline constexpr qsizetype ComMaxCommandBytes = 20;
inline constexpr char ComTerminator = '^';

qint32 ComReadInt32(const char *p);
void ComAppendInt32(QByteArray &out, qint32 value);

// What the front of the pending bytes holds.
struct TComFrame {
  enum Kind {
    Incomplete, // wait for more bytes
    Nop,
    Auth,
    Screen,
    Unknown // not a phone packet: drop everything pending
  };
  Kind kind = Incomplete;
  qsizetype length = 0; // the whole packet, for Nop, Auth and Screen
};

// A packet is recognised only when it is whole. Fewer than 4 bytes, or a
// ComNOP / ComAuth / ComGetScreen not yet complete, is Incomplete. A
// ComGetScreen whose tile length is below 0 or above ComMaxTileLength is
// Unknown, as is any other kind.
TComFrame InspectComFrame(const char *data, qsizetype size);

// The PC's packets.
QByteArray ComNopPacket();
QByteArray ComCommandsPacket(const QByteArray &commands);
QByteArray ComDisconPacket();
