#include "Wire.h"

namespace phonesim {

void appendInt32(QByteArray &out, qint32 value) {
  const auto v = static_cast<quint32>(value);
  for (int i = 0; i < 4; ++i)
    out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

qint32 readInt32(const char *p) {
  quint32 v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<quint8>(p[i]);
  return static_cast<qint32>(v);
}

bool IdBlock::fromHex(const QString &text, IdBlock &out) {
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

QString IdBlock::toHex() const {
  QString s;
  for (quint8 b : bytes)
    s += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
  return s;
}

QString IdBlock::modelCode() const {
  const quint32 v = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                    (static_cast<quint32>(bytes[3]) << 24);
  return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper();
}

int KeyDescrambler::decode(const IdBlock &id, quint8 b0, quint8 b1) {
  const auto &k = id.bytes;
  return (b0 ^ k[5] ^ k[7]) | ((b1 ^ k[4] ^ k[6]) << 8);
}

std::array<quint8, 2> KeyDescrambler::encode(const IdBlock &id, int code) {
  const auto &k = id.bytes;
  return {static_cast<quint8>((code & 0xFF) ^ k[5] ^ k[7]),
          static_cast<quint8>(((code >> 8) & 0xFF) ^ k[4] ^ k[6])};
}

std::vector<int> KeyDescrambler::feed(const QByteArray &payload) {
  std::vector<int> codes;
  for (char c : payload) {
    const auto b = static_cast<quint8>(c);
    if (m_pending < 0) {
      m_pending = b;
    } else {
      codes.push_back(decode(m_id, static_cast<quint8>(m_pending), b));
      m_pending = -1;
    }
  }
  return codes;
}

void Wire::feed(const char *data, qsizetype size) {
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

Wire::Status Wire::fail(const QString &text) {
  m_error = text;
  return Status::Error;
}

Wire::Status Wire::next(Reply &out) {
  if (!m_error.isEmpty())
    return Status::Error;
  const qsizetype avail = buffered();
  if (avail < 8)
    return Status::NeedMore;
  const char *p = m_buffer.constData() + m_offset;
  const qint32 kind = readInt32(p);
  const qint32 n = readInt32(p + 4);
  if (!kindAllowed(kind))
    return fail(QStringLiteral("unexpected reply kind %1").arg(kind));
  if (kind != CodeCommand && n != 0)
    return fail(QStringLiteral("reply kind %1 with non-zero value %2")
                    .arg(kind)
                    .arg(n));
  if (n < 0 || n > kMaxReplyPayload)
    return fail(QStringLiteral("absurd reply length %1").arg(n));
  const qsizetype total = 8 + qsizetype(n) + (hasTerminator() ? 1 : 0);
  if (avail < total)
    return Status::NeedMore;
  if (hasTerminator() && p[total - 1] != '^')
    return fail(
        QStringLiteral("reply not terminated by '^' (got 0x%1)")
            .arg(static_cast<quint8>(p[total - 1]), 2, 16, QLatin1Char('0')));
  out.kind = kind == CodeNop       ? Reply::Kind::Nop
             : kind == CodeCommand ? Reply::Kind::Commands
                                   : Reply::Kind::Discon;
  out.payload = QByteArray(p + 8, n);
  m_offset += total;
  return Status::Reply;
}

void Wire::reset() {
  m_buffer.clear();
  m_offset = 0;
  m_error.clear();
}

QByteArray WireTcp::authRequest(const IdBlock &id) const {
  QByteArray out;
  appendInt32(out, CodeAuth);
  appendInt32(out, 0);
  appendInt32(out, 0);
  out.append(reinterpret_cast<const char *>(id.bytes.data()), 8);
  return out;
}

QByteArray WireTcp::pollRequest() const {
  QByteArray out;
  appendInt32(out, CodeCommand);
  return out;
}

QByteArray WireTcp::nopRequest() const {
  QByteArray out;
  appendInt32(out, CodeNop);
  return out;
}

QByteArray WireTcp::nopTrailer() const {
  QByteArray out;
  appendInt32(out, 0);
  return out;
}

QByteArray WireTcp::screenRequest(int x, int y, const QByteArray &tile) const {
  QByteArray out;
  out.reserve(16 + tile.size());
  appendInt32(out, CodeScreen);
  appendInt32(out, static_cast<qint32>(tile.size()));
  appendInt32(out, x);
  appendInt32(out, y);
  out.append(tile);
  return out;
}

QByteArray WireTcp::disconRequest() const {
  QByteArray out;
  appendInt32(out, CodeDiscon);
  return out;
}

bool WireTcp::kindAllowed(qint32 kind) const {
  return kind == CodeNop || kind == CodeCommand;
}

QByteArray WireSerial::authRequest(const IdBlock &id) const {
  return WireTcp().authRequest(id);
}

QByteArray WireSerial::pollRequest() const { return nopRequest(); }

QByteArray WireSerial::nopRequest() const {
  QByteArray out;
  appendInt32(out, CodeNop);
  appendInt32(out, 0);
  return out;
}

QByteArray WireSerial::nopTrailer() const { return {}; }

QByteArray WireSerial::screenRequest(int x, int y,
                                     const QByteArray &tile) const {
  return WireTcp().screenRequest(x, y, tile);
}

QByteArray WireSerial::disconRequest() const { return {}; }

bool WireSerial::kindAllowed(qint32 kind) const {
  return kind == CodeNop || kind == CodeCommand || kind == CodeDiscon;
}

} // namespace phonesim
