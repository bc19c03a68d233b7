#include "Wire.h"

namespace phonesim {

void AppendInt32(QByteArray &out, qint32 value) {
  const auto v = static_cast<quint32>(value);
  for (int i = 0; i < 4; ++i)
    out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

qint32 ReadInt32(const char *p) {
  quint32 v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<quint8>(p[i]);
  return static_cast<qint32>(v);
}

bool IdBlock::FromHex(const QString &text, IdBlock &out) {
  if (text.size() != 16)
    return false;
  auto digit = [](QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
      return u - '0';
    if (u >= 'a' && u <= 'f')
      return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
      return u - 'A' + 10;
    return -1;
  };
  IdBlock parsed;
  for (int i = 0; i < 8; ++i) {
    const int hi = digit(text[2 * i]);
    const int lo = digit(text[2 * i + 1]);
    if (hi < 0 || lo < 0)
      return false;
    parsed.bytes[i] = static_cast<quint8>(hi * 16 + lo);
  }
  out = parsed;
  return true;
}

QString IdBlock::ToHex() const {
  QString s;
  for (quint8 b : bytes)
    s += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
  return s;
}

QString IdBlock::ModelCode() const {
  const quint32 v = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                    (static_cast<quint32>(bytes[3]) << 24);
  return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper();
}

int KeyDescrambler::Decode(const IdBlock &id, quint8 b0, quint8 b1) {
  const auto &k = id.bytes;
  return (b0 ^ k[5] ^ k[7]) | ((b1 ^ k[4] ^ k[6]) << 8);
}

std::array<quint8, 2> KeyDescrambler::Encode(const IdBlock &id, int code) {
  const auto &k = id.bytes;
  return {static_cast<quint8>((code & 0xFF) ^ k[5] ^ k[7]),
          static_cast<quint8>(((code >> 8) & 0xFF) ^ k[4] ^ k[6])};
}

std::vector<int> KeyDescrambler::Feed(const QByteArray &payload) {
  std::vector<int> codes;
  for (char c : payload) {
    const auto b = static_cast<quint8>(c);
    if (m_pending < 0) {
      m_pending = b;
    } else {
      codes.push_back(Decode(m_id, static_cast<quint8>(m_pending), b));
      m_pending = -1;
    }
  }
  return codes;
}

void Wire::Feed(const char *data, qsizetype size) {
  if (!m_error.isEmpty() || size <= 0)
    return;
  // Drop what has been consumed before growing the buffer again.
  if (m_offset > 0 && m_offset == m_buffer.size()) {
    m_buffer.clear();
    m_offset = 0;
  } else if (m_offset > 4096) {
    m_buffer.remove(0, m_offset);
    m_offset = 0;
  }
  m_buffer.append(data, size);
}

Wire::Status Wire::Fail(const QString &text) {
  m_error = text;
  return Status::Error;
}

Wire::Status Wire::Next(Reply &out) {
  if (!m_error.isEmpty())
    return Status::Error;
  const qsizetype avail = Buffered();
  if (avail < 8)
    return Status::NeedMore;
  const char *p = m_buffer.constData() + m_offset;
  const qint32 kind = ReadInt32(p);
  const qint32 n = ReadInt32(p + 4);
  if (!KindAllowed(kind))
    return Fail(QStringLiteral("unexpected reply kind %1").arg(kind));
  if (kind != CodeCommand && n != 0)
    return Fail(QStringLiteral("reply kind %1 with non-zero value %2")
                    .arg(kind)
                    .arg(n));
  if (n < 0 || n > MaxReplyPayload)
    return Fail(QStringLiteral("absurd reply length %1").arg(n));
  const qsizetype total = 8 + qsizetype(n) + (HasTerminator() ? 1 : 0);
  if (avail < total)
    return Status::NeedMore;
  if (HasTerminator() && p[total - 1] != '^')
    return Fail(
        QStringLiteral("reply not terminated by '^' (got 0x%1)")
            .arg(static_cast<quint8>(p[total - 1]), 2, 16, QLatin1Char('0')));
  out.kind = kind == CodeNop       ? Reply::Kind::Nop
             : kind == CodeCommand ? Reply::Kind::Commands
                                   : Reply::Kind::Discon;
  out.payload = QByteArray(p + 8, n);
  m_offset += total;
  return Status::Reply;
}

void Wire::Reset() {
  m_buffer.clear();
  m_offset = 0;
  m_error.clear();
}

QByteArray WireTcp::AuthRequest(const IdBlock &id) const {
  QByteArray out;
  AppendInt32(out, CodeAuth);
  AppendInt32(out, 0);
  AppendInt32(out, 0);
  out.append(reinterpret_cast<const char *>(id.bytes.data()), 8);
  return out;
}

QByteArray WireTcp::PollRequest() const {
  QByteArray out;
  AppendInt32(out, CodeCommand);
  return out;
}

QByteArray WireTcp::NopRequest() const {
  QByteArray out;
  AppendInt32(out, CodeNop);
  return out;
}

QByteArray WireTcp::NopTrailer() const {
  QByteArray out;
  AppendInt32(out, 0);
  return out;
}

QByteArray WireTcp::ScreenRequest(int x, int y, const QByteArray &tile) const {
  QByteArray out;
  out.reserve(16 + tile.size());
  AppendInt32(out, CodeScreen);
  AppendInt32(out, static_cast<qint32>(tile.size()));
  AppendInt32(out, x);
  AppendInt32(out, y);
  out.append(tile);
  return out;
}

QByteArray WireTcp::DisconRequest() const {
  QByteArray out;
  AppendInt32(out, CodeDiscon);
  return out;
}

bool WireTcp::KindAllowed(qint32 kind) const {
  return kind == CodeNop || kind == CodeCommand;
}

QByteArray WireSerial::AuthRequest(const IdBlock &id) const {
  return WireTcp().AuthRequest(id);
}

QByteArray WireSerial::PollRequest() const { return NopRequest(); }

QByteArray WireSerial::NopRequest() const {
  QByteArray out;
  AppendInt32(out, CodeNop);
  AppendInt32(out, 0);
  return out;
}

QByteArray WireSerial::NopTrailer() const { return {}; }

QByteArray WireSerial::ScreenRequest(int x, int y,
                                     const QByteArray &tile) const {
  return WireTcp().ScreenRequest(x, y, tile);
}

QByteArray WireSerial::DisconRequest() const { return {}; }

bool WireSerial::KindAllowed(qint32 kind) const {
  return kind == CodeNop || kind == CodeCommand || kind == CodeDiscon;
}

} // namespace phonesim
