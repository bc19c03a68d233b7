#pragma once
// The serial link's packets. From the phone: ComNOP (kind 11, 8 bytes),
// ComAuth (kind 12, 20 bytes) and ComGetScreen (kind 14, 16 bytes plus the
// tile). From the PC: NOP (11, 0, "^"), commands (13, n, n queue bytes,
// "^") and Discon (15, 0, "^"). Integers are signed 32-bit little-endian;
// there is no start marker and no checksum.

#include "link/Protocol.h"

#include <QByteArray>
#include <QtGlobal>

enum ComKind : qint32 {
  ComNOP = Protocol::KindNop,
  ComAuth = Protocol::KindAuth,
  ComCommands = Protocol::KindCommands,
  ComGetScreen = Protocol::KindScreen,
  ComDiscon = Protocol::KindDiscon,
};

inline constexpr qsizetype kComNopLength = 8;
inline constexpr qsizetype kComAuthLength = 20;
inline constexpr qsizetype kComScreenHeader = 16;

qint32 comReadInt32(const char *p);
void comAppendInt32(QByteArray &out, qint32 value);

// What the front of the pending bytes holds.
struct ComFrame {
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
ComFrame inspectComFrame(const char *data, qsizetype size);

// The PC's packets.
QByteArray comNopPacket();
QByteArray comCommandsPacket(const QByteArray &commands);
QByteArray comDisconPacket();
