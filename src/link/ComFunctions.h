#pragma once
// The serial link's packets. From the phone: ComNOP (kind 11, 8 bytes),
// ComAuth (kind 12, 20 bytes) and ComGetScreen (kind 14, 16 bytes plus the
// tile). From the PC: NOP (11, 0, "^"), commands (13, n, n queue bytes,
// "^") and Discon (15, 0, "^"). Integers are signed 32-bit little-endian;
// there is no start marker and no checksum.

#include "link/Protocol.h"

#include <QByteArray>
#include <QtGlobal>

enum TComKind : qint32 {
  ComNOP = Protocol::KindNop,
  ComAuth = Protocol::KindAuth,
  ComCommands = Protocol::KindCommands,
  ComGetScreen = Protocol::KindScreen,
  ComDiscon = Protocol::KindDiscon,
};

inline constexpr qsizetype ComNopLength = 8;
inline constexpr qsizetype ComAuthLength = 20;
inline constexpr qsizetype ComScreenHeader = 16;

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
// ComGetScreen whose tile length is below 0 or above the tile length cap is
// Unknown, as is any other kind.
TComFrame InspectComFrame(const char *data, qsizetype size);

// The PC's packets.
QByteArray ComNopPacket();
QByteArray ComCommandsPacket(const QByteArray &commands);
QByteArray ComDisconPacket();
