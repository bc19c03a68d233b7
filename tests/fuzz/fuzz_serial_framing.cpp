// The serial link's packet framing, through the link's own receive path:
// chunks go into SerialLink's pending buffer as the port delivers them,
// with the input choosing where the chunks end. Up to the first byte that is
// not a phone packet, the packets found must be those of the whole stream
// read at once, whatever the cuts.

#include "FuzzSupport.h"
#include "link/CommandQueue.h"
#include "link/LinkView.h"
#include "link/SerialFraming.h"
#include "link/SerialLink.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <vector>

namespace {

struct Packet {
  QByteArray model; // identification: the model code shown
  QByteArray tile;  // screen: the tile handed to the view
  int x = 0, y = 0;
  bool operator==(const Packet &o) const {
    return model == o.model && tile == o.tile && x == o.x && y == o.y;
  }
};

class TRecordingView : public LinkView {
public:
  std::vector<Packet> packets;
  void drawTile(const QByteArray &data, int x, int y) override {
    FUZZ_CHECK(data.size() > 8 && data.size() <= Protocol::kMaxTileLength);
    packets.push_back({{}, data, x, y});
  }
  void showPhoneIdentity(const QByteArray &modelCode) override {
    FUZZ_CHECK(modelCode.size() == 8);
    packets.push_back({modelCode, {}, 0, 0});
  }
  void restartActivityTimer() override {}
  void showLinkActivity() override {}
  void showLinkIdle() override {}
};

// The packets of the whole stream up to the first one that is not a phone
// packet; *clean tells whether the stream had none such.
std::vector<Packet> reference(const QByteArray &stream, qsizetype *left,
                              bool *clean) {
  std::vector<Packet> packets;
  const char *p = stream.constData();
  qsizetype size = stream.size();
  *clean = true;
  for (;;) {
    const ComFrame frame = inspectComFrame(p, size);
    if (frame.kind == ComFrame::Incomplete)
      break;
    if (frame.kind == ComFrame::Unknown) {
      *clean = false;
      break;
    }
    FUZZ_CHECK(frame.length > 0 && frame.length <= size);
    if (frame.kind == ComFrame::Auth) {
      packets.push_back(
          {modelCodeOf(reinterpret_cast<const uchar *>(p) + 12), {}, 0, 0});
    } else if (frame.kind == ComFrame::Screen) {
      const qint32 length = comReadInt32(p + 4);
      FUZZ_CHECK(frame.length == kComScreenHeader + length);
      if (length > 8)
        packets.push_back({{},
                           QByteArray(p + kComScreenHeader, length),
                           comReadInt32(p + 8),
                           comReadInt32(p + 12)});
    }
    p += frame.length;
    size -= frame.length;
  }
  *left = size;
  return packets;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::ensureApplication();
  FuzzedDataProvider input(data, size);
  CommandQueue queue;
  TRecordingView view;
  SerialLink link(queue, &view);
  QByteArray stream;
  while (input.remaining_bytes() > 0) {
    const size_t n = input.ConsumeIntegralInRange<size_t>(1, 512);
    const std::vector<char> bytes = input.ConsumeBytes<char>(n);
    const QByteArray chunk(bytes.data(), qsizetype(bytes.size()));
    stream += chunk;
    link.handleSerialChunk(nullptr, chunk, chunk.size());
    // Whatever stays pending is the start of one packet not yet complete.
    FUZZ_CHECK(link.pendingSize() <= stream.size());
    FUZZ_CHECK(link.pendingSize() <
               kComScreenHeader + Protocol::kMaxTileLength);
    if (link.pendingSize() > 0) {
      const QByteArray pending = link.pending();
      FUZZ_CHECK(inspectComFrame(pending.constData(), pending.size()).kind ==
                 ComFrame::Incomplete);
    }
  }

  qsizetype left = 0;
  bool clean = false;
  const std::vector<Packet> expected = reference(stream, &left, &clean);
  FUZZ_CHECK(view.packets.size() >= expected.size());
  FUZZ_CHECK(
      std::equal(expected.begin(), expected.end(), view.packets.begin()));
  if (clean) {
    FUZZ_CHECK(view.packets.size() == expected.size());
    FUZZ_CHECK(link.pendingSize() == left);
  }
  return 0;
}
