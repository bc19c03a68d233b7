// The TCP request parser fed as the connection thread feeds it: the input
// gives the bytes and also how they are cut into reads. Whatever the cuts,
// the requests that come out must be those of the whole stream read at once.

#include "FuzzSupport.h"
#include "link/Protocol.h"
#include "link/TcpRequest.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

namespace {

struct Event {
  TcpRequestParser::Step step;
  TcpRequest::Kind kind;
  qint32 code, length, x, y;
  PhoneId id;
  QByteArray tile;

  bool operator==(const Event &o) const {
    return step == o.step && kind == o.kind && code == o.code &&
           length == o.length && x == o.x && y == o.y && id == o.id &&
           tile == o.tile;
  }
};

// Feeds the pieces in order as the request loop does; stops where the
// connection would end.
std::vector<Event> serve(const std::vector<QByteArray> &pieces) {
  TcpRequestParser parser;
  std::vector<Event> events;
  for (const QByteArray &piece : pieces) {
    const char *p = piece.constData();
    qsizetype left = piece.size();
    while (left > 0) {
      const auto [step, consumed] = parser.feed(p, left);
      FUZZ_CHECK(consumed >= 0 && consumed <= left);
      // A read that completes nothing is taken whole, or the loop would spin.
      if (step == TcpRequestParser::Step::NeedMore)
        FUZZ_CHECK(consumed == left);
      p += consumed;
      left -= consumed;
      if (step == TcpRequestParser::Step::NeedMore)
        continue;
      if (step == TcpRequestParser::Step::Refused) {
        FUZZ_CHECK(!parser.error().isEmpty());
        events.push_back({step, TcpRequest::Other, 0, 0, 0, 0, {}, {}});
        return events;
      }
      const TcpRequest &r = parser.request();
      FUZZ_CHECK(r.tile.size() <= Protocol::kMaxTileLength);
      if (r.hasTile())
        FUZZ_CHECK(r.tile.size() == r.length &&
                   r.length > Protocol::kMinTileLength);
      events.push_back(
          {step, r.kind, r.code, r.length, r.x, r.y, r.id, r.tile});
      if (r.closes())
        return events;
    }
  }
  return events;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider input(data, size);
  std::vector<QByteArray> pieces;
  QByteArray whole;
  while (input.remaining_bytes() > 0) {
    const size_t n = input.ConsumeIntegralInRange<size_t>(1, 512);
    const std::vector<char> bytes = input.ConsumeBytes<char>(n);
    pieces.emplace_back(bytes.data(), qsizetype(bytes.size()));
    whole += pieces.back();
  }
  const std::vector<Event> cut = serve(pieces);
  const std::vector<Event> once = serve({whole});
  FUZZ_CHECK(cut == once);
  return 0;
}
