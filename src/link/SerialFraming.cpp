#include "link/SerialFraming.h"

#include <QtEndian>

qint32 comReadInt32(const char *p) { return qFromLittleEndian<qint32>(p); }

void comAppendInt32(QByteArray &out, qint32 value) {
  char bytes[4];
  qToLittleEndian<qint32>(value, bytes);
  out.append(bytes, 4);
}

ComFrame inspectComFrame(const char *data, qsizetype size) {
  if (size < 4)
    return {};
  switch (comReadInt32(data)) {
  case ComNOP:
    if (size < kComNopLength)
      return {};
    return {ComFrame::Nop, kComNopLength};
  case ComAuth:
    if (size < kComAuthLength)
      return {};
    return {ComFrame::Auth, kComAuthLength};
  case ComGetScreen: {
    if (size < 8)
      return {};
    const qint32 tileLength = comReadInt32(data + 4);
    if (tileLength < 0 || tileLength > Protocol::kMaxTileLength)
      return {ComFrame::Unknown, 0};
    const qsizetype length = kComScreenHeader + tileLength;
    if (size < length)
      return {};
    return {ComFrame::Screen, length};
  }
  default:
    return {ComFrame::Unknown, 0};
  }
}

namespace {

QByteArray pcPacket(qint32 kind, const QByteArray &payload) {
  QByteArray packet;
  packet.reserve(9 + payload.size());
  comAppendInt32(packet, kind);
  comAppendInt32(packet, qint32(payload.size()));
  packet.append(payload);
  packet.append(Protocol::kSerialTerminator);
  return packet;
}

} // namespace

QByteArray comNopPacket() { return pcPacket(ComNOP, {}); }

QByteArray comCommandsPacket(const QByteArray &commands) {
  return pcPacket(ComCommands, commands);
}

QByteArray comDisconPacket() { return pcPacket(ComDiscon, {}); }
