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

struct TcpRequest {
  enum Kind { Nop, GetAuth, GetCommand, GetScreen, Discon, Other };
  Kind kind = Other;
  qint32 code = 0;
  PhoneId id{};        // GetAuth
  qint32 length = 0;   // GetScreen: the announced tile length
  qint32 x = 0, y = 0; // GetScreen with a tile
  QByteArray tile;     // GetScreen with a tile (length > 8 bytes)

  bool hasTile() const { return kind == GetScreen && !tile.isEmpty(); }
  // Discon and unknown codes close the connection without a reply.
  bool closes() const { return kind == Discon || kind == Other; }
};

class TcpRequestParser {
public:
  enum class Step {
    NeedMore, // every byte given was taken; no request complete yet
    Request,  // Request() holds a complete request
    Refused   // the stream announced a tile above the length cap
  };
  struct Result {
    Step step;
    qsizetype consumed; // bytes taken from the front of the data
  };

  // Takes bytes from the front of data until one request is complete. The
  // caller answers it, then feeds the rest. After a closing request or a
  // refusal, further bytes are taken and ignored.
  Result feed(const char *data, qsizetype size);

  // Valid after Step::Request, until the next Feed. The tile buffer is
  // reused from request to request.
  const TcpRequest &request() const { return m_request; }
  QString error() const { return m_error; }
  void reset();

private:
  enum class Stage {
    Code,
    NopTrailer,
    AuthBody,
    TileLength,
    TilePosition,
    TileData,
    Finished
  };

  void expect(Stage stage, qsizetype bytes);
  Result complete(qsizetype consumed, Stage next);

  Stage m_stage = Stage::Code;
  char m_field[16];
  qsizetype m_need = 4;
  qsizetype m_have = 0;
  TcpRequest m_request;
  QString m_error;
};
