#include "link/TcpRequest.h"

#include "link/Protocol.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace {

qint32 int32At(const char *p) { return qFromLittleEndian<qint32>(p); }

} // namespace

void TcpRequestParser::reset() {
  m_stage = Stage::Code;
  m_need = 4;
  m_have = 0;
  m_error.clear();
}

void TcpRequestParser::expect(Stage stage, qsizetype bytes) {
  m_stage = stage;
  m_need = bytes;
  m_have = 0;
}

TcpRequestParser::Result TcpRequestParser::complete(qsizetype consumed,
                                                    Stage next) {
  expect(next, next == Stage::Finished ? 0 : 4);
  return {Step::Request, consumed};
}

TcpRequestParser::Result TcpRequestParser::feed(const char *data,
                                                qsizetype size) {
  using namespace Protocol;
  qsizetype used = 0;
  for (;;) {
    if (m_stage == Stage::Finished)
      return {Step::NeedMore, size};

    // Gather the bytes of the current field (or of the tile).
    char *target = m_stage == Stage::TileData ? m_request.tile.data() : m_field;
    const qsizetype take = std::min(size - used, m_need - m_have);
    if (take > 0) {
      std::memcpy(target + m_have, data + used, size_t(take));
      m_have += take;
      used += take;
    }
    if (m_have < m_need)
      return {Step::NeedMore, used};

    switch (m_stage) {
    case Stage::Code: {
      const qint32 code = int32At(m_field);
      m_request.code = code;
      m_request.length = m_request.x = m_request.y = 0;
      m_request.tile.resize(0); // keeps the buffer for the next tile
      switch (code) {
      case KindNop:
        m_request.kind = TcpRequest::Nop;
        // The trailing value is skipped once the reply is out.
        return complete(used, Stage::NopTrailer);
      case KindAuth:
        m_request.kind = TcpRequest::GetAuth;
        expect(Stage::AuthBody, 8 + kPhoneIdLength);
        break;
      case KindCommands:
        m_request.kind = TcpRequest::GetCommand;
        return complete(used, Stage::Code);
      case KindScreen:
        m_request.kind = TcpRequest::GetScreen;
        expect(Stage::TileLength, 4);
        break;
      case KindDiscon:
        m_request.kind = TcpRequest::Discon;
        return complete(used, Stage::Finished);
      default:
        m_request.kind = TcpRequest::Other;
        return complete(used, Stage::Finished);
      }
      break;
    }
    case Stage::NopTrailer:
      expect(Stage::Code, 4);
      break;
    case Stage::AuthBody:
      // Two values nobody reads, then the identification block.
      std::memcpy(m_request.id.data(), m_field + 8, kPhoneIdLength);
      return complete(used, Stage::Code);
    case Stage::TileLength:
      m_request.length = int32At(m_field);
      if (m_request.length <= kMinTileLength)
        return complete(used, Stage::Code);
      if (m_request.length > kMaxTileLength) {
        m_error = QStringLiteral("Tile length %1 exceeds the limit of %2 "
                                 "bytes; connection closed.")
                      .arg(m_request.length)
                      .arg(kMaxTileLength);
        expect(Stage::Finished, 0);
        return {Step::Refused, used};
      }
      expect(Stage::TilePosition, 8);
      break;
    case Stage::TilePosition:
      m_request.x = int32At(m_field);
      m_request.y = int32At(m_field + 4);
      m_request.tile.resize(m_request.length);
      expect(Stage::TileData, m_request.length);
      break;
    case Stage::TileData:
      return complete(used, Stage::Code);
    case Stage::Finished:
      break;
    }
  }
}
