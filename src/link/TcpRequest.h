#pragma once
// The phone's requests over TCP, cut out of the received byte stream without
// any I/O: bytes go in, complete requests come out, whatever the pieces.
//
// Code 11 NOP (+1 value, which belongs to the request but is read after the
// reply), 12 GetAuth (+2 values, +8 identification bytes), 13 GetCommand,
// 14 GetScreen (L; when L > 8: x, y, L tile bytes), 15 Discon; any other
// code ends the conversation too.

#include "link/CommandQueue.h"

#include <QByteArray>
#include <QString>

struct TTcpRequest {
  enum Kind { Nop, GetAuth, GetCommand, GetScreen, Discon, Other };
  Kind kind = Other;
  qint32 code = 0;
  TPhoneId id{};       // GetAuth
  qint32 length = 0;   // GetScreen: the announced tile length
  qint32 x = 0, y = 0; // GetScreen with a tile
  QByteArray tile;     // GetScreen with a tile (length > 8 bytes)

  bool HasTile() const { return kind == GetScreen && !tile.isEmpty(); }
  // Discon and unknown codes close the connection without a reply.
  bool Closes() const { return kind == Discon || kind == Other; }
};

class TTcpRequestParser {
public:
  enum class TStep {
    NeedMore, // every byte given was taken; no request complete yet
    Request,  // Request() holds a complete request
    Refused   // the stream announced a tile above the length cap
  };
  struct TResult {
    TStep step;
    qsizetype consumed; // bytes taken from the front of the data
  };

  // Takes bytes from the front of data until one request is complete. The
  // caller answers it, then feeds the rest. After a closing request or a
  // refusal, further bytes are taken and ignored.
  TResult Feed(const char *data, qsizetype size);

  // Valid after TStep::Request, until the next Feed. The tile buffer is
  // reused from request to request.
  const TTcpRequest &Request() const { return m_request; }
  QString Error() const { return m_error; }
  void Reset();

private:
  enum class TStage {
    Code,
    NopTrailer,
    AuthBody,
    TileLength,
    TilePosition,
    TileData,
    Finished
  };

  void Expect(TStage stage, qsizetype bytes);
  TResult Complete(qsizetype consumed, TStage next);

  TStage m_stage = TStage::Code;
  char m_field[16];
  qsizetype m_need = 4;
  qsizetype m_have = 0;
  TTcpRequest m_request;
  QString m_error;
};
