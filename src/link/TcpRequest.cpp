#include "link/TcpRequest.h"

#include "link/Protocol.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace {

qint32 Int32At(const char *p) { return qFromLittleEndian<qint32>(p); }

} // namespace

void TTcpRequestParser::Reset() {
  m_stage = TStage::Code;
  m_need = 4;
  m_have = 0;
  m_error.clear();
}

void TTcpRequestParser::Expect(TStage stage, qsizetype bytes) {
  m_stage = stage;
  m_need = bytes;
  m_have = 0;
}

TTcpRequestParser::TResult TTcpRequestParser::Complete(qsizetype consumed,
                                                       TStage next) {
  Expect(next, next == TStage::Finished ? 0 : 4);
  return {TStep::Request, consumed};
}

TTcpRequestParser::TResult TTcpRequestParser::Feed(const char *data,
                                                   qsizetype size) {
  using namespace Protocol;
  qsizetype used = 0;
  for (;;) {
    if (m_stage == TStage::Finished)
      return {TStep::NeedMore, size};

    // Gather the bytes of the current field (or of the tile).
    char *target =
        m_stage == TStage::TileData ? m_request.tile.data() : m_field;
    const qsizetype take = std::min(size - used, m_need - m_have);
    if (take > 0) {
      std::memcpy(target + m_have, data + used, size_t(take));
      m_have += take;
      used += take;
    }
    if (m_have < m_need)
      return {TStep::NeedMore, used};

    switch (m_stage) {
    case TStage::Code: {
      const qint32 code = Int32At(m_field);
      m_request.code = code;
      m_request.length = m_request.x = m_request.y = 0;
      m_request.tile.resize(0); // keeps the buffer for the next tile
      switch (code) {
      case KindNop:
        m_request.kind = TTcpRequest::Nop;
        // The trailing value is skipped once the reply is out.
        return Complete(used, TStage::NopTrailer);
      case KindAuth:
        m_request.kind = TTcpRequest::GetAuth;
        Expect(TStage::AuthBody, 8 + PhoneIdLength);
        break;
      case KindCommands:
        m_request.kind = TTcpRequest::GetCommand;
        return Complete(used, TStage::Code);
      case KindScreen:
        m_request.kind = TTcpRequest::GetScreen;
        Expect(TStage::TileLength, 4);
        break;
      case KindDiscon:
        m_request.kind = TTcpRequest::Discon;
        return Complete(used, TStage::Finished);
      default:
        m_request.kind = TTcpRequest::Other;
        return Complete(used, TStage::Finished);
      }
      break;
    }
    case TStage::NopTrailer:
      Expect(TStage::Code, 4);
      break;
    case TStage::AuthBody:
      // Two values nobody reads, then the identification block.
      std::memcpy(m_request.id.data(), m_field + 8, PhoneIdLength);
      return Complete(used, TStage::Code);
    case TStage::TileLength:
      m_request.length = Int32At(m_field);
      if (m_request.length <= MinTileLength)
        return Complete(used, TStage::Code);
      if (m_request.length > MaxTileLength) {
        m_error = QStringLiteral("Tile length %1 exceeds the limit of %2 "
                                 "bytes; connection closed.")
                      .arg(m_request.length)
                      .arg(MaxTileLength);
        Expect(TStage::Finished, 0);
        return {TStep::Refused, used};
      }
      Expect(TStage::TilePosition, 8);
      break;
    case TStage::TilePosition:
      m_request.x = Int32At(m_field);
      m_request.y = Int32At(m_field + 4);
      m_request.tile.resize(m_request.length);
      Expect(TStage::TileData, m_request.length);
      break;
    case TStage::TileData:
      return Complete(used, TStage::Code);
    case TStage::Finished:
      break;
    }
  }
}
