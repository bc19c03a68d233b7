#include "link/ComFunctions.h"

#include <QtEndian>

qint32 ComReadInt32(const char *p) { return qFromLittleEndian<qint32>(p); }

void ComAppendInt32(QByteArray &out, qint32 value) {
  char bytes[4];
  qToLittleEndian<qint32>(value, bytes);
  out.append(bytes, 4);
}

TComFrame InspectComFrame(const char *data, qsizetype size) {
  if (size < 4)
    return {};
  switch (ComReadInt32(data)) {
  case ComNOP:
    if (size < ComNopLength)
      return {};
    return {TComFrame::Nop, ComNopLength};
  case ComAuth:
    if (size < ComAuthLength)
      return {};
    return {TComFrame::Auth, ComAuthLength};
  case ComGetScreen: {
    if (size < 8)
      return {};
    const qint32 tileLength = ComReadInt32(data + 4);
    if (tileLength < 0 || tileLength > Protocol::MaxTileLength)
      return {TComFrame::Unknown, 0};
    const qsizetype length = ComScreenHeader + tileLength;
    if (size < length)
      return {};
    return {TComFrame::Screen, length};
  }
  default:
    return {TComFrame::Unknown, 0};
  }
}

namespace {

QByteArray PcPacket(qint32 kind, const QByteArray &payload) {
  QByteArray packet;
  packet.reserve(9 + payload.size());
  ComAppendInt32(packet, kind);
  ComAppendInt32(packet, qint32(payload.size()));
  packet.append(payload);
  packet.append(Protocol::SerialTerminator);
  return packet;
}

} // namespace

QByteArray ComNopPacket() { return PcPacket(ComNOP, {}); }

QByteArray ComCommandsPacket(const QByteArray &commands) {
  return PcPacket(ComCommands, commands);
}

QByteArray ComDisconPacket() { return PcPacket(ComDiscon, {}); }
