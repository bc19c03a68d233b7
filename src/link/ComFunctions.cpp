#include "link/ComFunctions.h"

#include "common/EventLog.h"
#include "link/CommandQueue.h"
#include "link/UnitDataCom.h"

#include <QtEndian>
#include <cstring>
#include <exception>

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
    if (tileLength < 0 || tileLength > ComMaxTileLength)
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
  packet.append(ComTerminator);
  return packet;
}

} // namespace

QByteArray ComNopPacket() { return PcPacket(ComNOP, {}); }

QByteArray ComCommandsPacket(const QByteArray &commands) {
  return PcPacket(ComCommands, commands);
}

QByteArray ComDisconPacket() { return PcPacket(ComDiscon, {}); }

// --- The packet handlers of the serial data module ------------------------

void TDataComPort::ParseSerialPackets(const QByteArray &chunk,
                                      TSerialPort *port) {
  if (!chunk.isEmpty()) {
    // Drop the consumed front when it is at least half the buffer, so the
    // unconsumed tail is moved at most once per doubling.
    if (m_pendingPos > 0 && m_pendingPos * 2 >= m_pending.size()) {
      m_pending.remove(0, m_pendingPos);
      m_pendingPos = 0;
    }
    m_pending.append(chunk);
  }
  if (PendingSize() == 0)
    return;

  const char *front = m_pending.constData() + m_pendingPos;
  const TComFrame frame = InspectComFrame(front, PendingSize());
  switch (frame.kind) {
  case TComFrame::Incomplete:
    break;
  case TComFrame::Nop:
    ConsumePending(frame.length);
    WriteLog("recv: ComNOP", LogCommands);
    SendSerialReply(port);
    WriteLog("send: ComReply", LogCommands);
    break;
  case TComFrame::Auth: {
    const QByteArray packet(front, frame.length);
    ConsumePending(frame.length);
    WriteLog("recv: ComAuth", LogCommands);
    HandleSerialAuth(packet);
    WriteLog("send: ComReply", LogCommands);
    SendSerialReply(port);
    break;
  }
  case TComFrame::Screen: {
    // A view of the packet inside the pending buffer, which stays untouched
    // until the packet is consumed below.
    const QByteArray packet = QByteArray::fromRawData(front, frame.length);
    WriteLog("image: " + QByteArray::number(frame.length), LogPacketSize);
    WriteLog("recv: ComGetScreen", LogCommands);
    HandleSerialTile(packet);
    SendSerialReply(port);
    ConsumePending(frame.length);
    WriteLog("send: ComReply", LogCommands);
    break;
  }
  case TComFrame::Unknown:
    // Out of step with the phone: throw away everything and invite a fresh
    // packet.
    ClearPending();
    SendSerialReply(port);
    break;
  }
}

void TDataComPort::SendSerialReply(TSerialPort *port) {
  if (!port)
    return;
  // The queue lock is held inside TakeFront only, never during the write.
  const QByteArray commands = CommandQueue().TakeFront(ComMaxCommandBytes);
  QByteArray packet;
  if (commands.isEmpty()) {
    packet = ComNopPacket();
  } else {
    WriteLog("command", LogCommands);
    packet = ComCommandsPacket(commands);
  }
  if (port == m_replyPort) {
    m_replies.append(packet);
    return;
  }
  // A failed reply: the phone asks again, or the silence rule or the
  // watchdog steps in.
  WriteIgnoringErrors(port, packet);
}

void TDataComPort::HandleSerialAuth(const QByteArray &packet) {
  if (packet.size() < ComAuthLength)
    return;
  if (m_view)
    m_view->ShowLinkIdle();
  TPhoneId id;
  std::memcpy(id.data(), packet.constData() + 12, id.size());
  CommandQueue().SetPhoneId(id);
  if (m_view)
    m_view->ShowPhoneIdentity(ModelCodeOf(id.data()));
}

void TDataComPort::HandleSerialTile(const QByteArray &packet) {
  if (packet.size() < ComScreenHeader)
    return;
  const char *p = packet.constData();
  const qint32 length = ComReadInt32(p + 4);
  if (length <= 8 || ComScreenHeader + length > packet.size() || !m_view)
    return;
  // The view gets its own copy: it may keep the bytes.
  const QByteArray tile(p + ComScreenHeader, length);
  try {
    m_view->DrawTile(tile, ComReadInt32(p + 8), ComReadInt32(p + 12));
  } catch (const std::exception &e) {
    // A broken tile costs one tile, not the link.
    WriteLog(QByteArray(e.what()), LogCommands);
  }
}
