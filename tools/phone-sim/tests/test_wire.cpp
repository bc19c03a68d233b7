#include "Bytes.h"
#include "Wire.h"

#include <gtest/gtest.h>

using namespace phonesim;

namespace {

IdBlock idOf(std::initializer_list<int> bytes) {
  IdBlock id;
  int i = 0;
  for (int b : bytes)
    id.bytes[i++] = static_cast<quint8>(b);
  return id;
}

// Feeds the data one byte at a time and collects every reply.
std::vector<Reply> feedBytewise(Wire &wire, const QByteArray &data,
                                Wire::Status *last) {
  std::vector<Reply> replies;
  *last = Wire::Status::NeedMore;
  for (char c : data) {
    wire.feed(&c, 1);
    Reply r;
    while ((*last = wire.next(r)) == Wire::Status::Reply)
      replies.push_back(r);
    if (*last == Wire::Status::Error)
      break;
  }
  return replies;
}

} // namespace

TEST(IdBlock, HexParsingAndModelCode) {
  IdBlock id;
  ASSERT_TRUE(IdBlock::fromHex(QStringLiteral("0102030405060708"), id));
  EXPECT_EQ(id.modelCode(), QStringLiteral("04030201"));
  EXPECT_EQ(id.toHex(), QStringLiteral("0102030405060708"));

  // The default identifies as model 4E4F5641 and scrambles key entries.
  const IdBlock def;
  EXPECT_EQ(def.modelCode(), QStringLiteral("4E4F5641"));
  EXPECT_TRUE(def.bytes[4] ^ def.bytes[6]);
  EXPECT_TRUE(def.bytes[5] ^ def.bytes[7]);

  ASSERT_TRUE(IdBlock::fromHex(QStringLiteral("785634120a0B0c0D"), id));
  EXPECT_EQ(id.modelCode(), QStringLiteral("12345678"));
  EXPECT_EQ(id.bytes[7], 0x0D);

  const IdBlock before = id;
  for (const char *bad :
       {"010203040506070", "01020304050607080", "0x02030405060708",
        "01020304050607zz", " 102030405060708", "+1020304050607080"})
    EXPECT_FALSE(IdBlock::fromHex(QString::fromLatin1(bad), id)) << bad;
  EXPECT_EQ(id.bytes, before.bytes); // a failed parse changes nothing
}

TEST(KeyDescrambler, UndoesTheEntryScrambling) {
  // With an all-zero block an entry is the code in little-endian order.
  EXPECT_EQ(KeyDescrambler::decode(idOf({0, 0, 0, 0, 0, 0, 0, 0}), 0x30, 0x01),
            0x0130);
  // Bytes 4-7 = 11 22 33 44: the PC queues 0x56 0x23 for 0x0130.
  const IdBlock id = idOf({1, 2, 3, 4, 0x11, 0x22, 0x33, 0x44});
  EXPECT_EQ(KeyDescrambler::decode(id, 0x56, 0x23), 0x0130);
  const auto entry = KeyDescrambler::encode(id, 0x0130);
  EXPECT_EQ(entry[0], 0x56);
  EXPECT_EQ(entry[1], 0x23);

  // Every 16-bit code survives a round trip through the default block.
  const IdBlock def;
  for (int code = 0; code < 0x10000; ++code) {
    const auto e = KeyDescrambler::encode(def, code);
    ASSERT_EQ(KeyDescrambler::decode(def, e[0], e[1]), code);
  }

  // An entry split across two replies is joined.
  KeyDescrambler d(id);
  EXPECT_TRUE(d.feed(bytes({0x56})).empty());
  const auto codes = d.feed(bytes({0x23, 0x56}));
  ASSERT_EQ(codes.size(), 1u);
  EXPECT_EQ(codes[0], 0x0130);
  const auto more = d.feed(bytes({0x23}));
  ASSERT_EQ(more.size(), 1u);
  EXPECT_EQ(more[0], 0x0130);
}

TEST(WireTcp, RequestsByteForByte) {
  WireTcp w;
  const IdBlock id = idOf({1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(w.authRequest(id), bytes({12, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      0,  0, 1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(w.pollRequest(), bytes({13, 0, 0, 0}));
  EXPECT_EQ(w.nopRequest(), bytes({11, 0, 0, 0}));
  EXPECT_EQ(w.nopTrailer().size(), 4);
  EXPECT_EQ(w.disconRequest(), bytes({15, 0, 0, 0}));
  EXPECT_EQ(
      w.screenRequest(-3, 300, QByteArray("GIF89a-data")),
      bytes({14, 0, 0, 0, 11, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF, 0x2C, 1, 0, 0}) +
          QByteArray("GIF89a-data"));
}

TEST(WireSerial, RequestsByteForByte) {
  WireSerial w;
  const IdBlock id = idOf({1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(w.authRequest(id), bytes({12, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      0,  0, 1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(w.pollRequest(), bytes({11, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(w.nopRequest(), bytes({11, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(w.nopTrailer().isEmpty());
  EXPECT_TRUE(w.disconRequest().isEmpty()); // kind 15 is no phone packet here
  const QByteArray tile(20, 'x');
  const QByteArray packet = w.screenRequest(10, 20, tile);
  ASSERT_EQ(packet.size(), 16 + 20);
  EXPECT_EQ(readLe32(packet, 0), 14);
  EXPECT_EQ(readLe32(packet, 4), 20);
  EXPECT_EQ(readLe32(packet, 8), 10);
  EXPECT_EQ(readLe32(packet, 12), 20);
  EXPECT_EQ(packet.mid(16), tile);
}

TEST(WireTcp, ParsesRepliesInAnyPieces) {
  const QByteArray stream = bytes({11, 0, 0, 0, 0, 0, 0, 0}) +
                            bytes({13, 0, 0, 0, 2, 0, 0, 0, 0x30, 0x01}) +
                            bytes({13, 0, 0, 0, 4, 0, 0, 0, 1, 2, 3, 4}) +
                            bytes({11, 0, 0, 0, 0, 0, 0, 0});
  // Byte by byte: a reply appears only when its last byte has come.
  WireTcp w;
  Wire::Status last;
  std::vector<Reply> replies = feedBytewise(w, stream, &last);
  ASSERT_EQ(replies.size(), 4u);
  EXPECT_EQ(replies[0].kind, Reply::Kind::Nop);
  EXPECT_EQ(replies[1].kind, Reply::Kind::Commands);
  EXPECT_EQ(replies[1].payload, bytes({0x30, 0x01}));
  EXPECT_EQ(replies[2].payload, bytes({1, 2, 3, 4}));
  EXPECT_EQ(replies[3].kind, Reply::Kind::Nop);
  EXPECT_EQ(last, Wire::Status::NeedMore);

  // All at once gives the same.
  WireTcp whole;
  whole.feed(stream);
  Reply r;
  int count = 0;
  while (whole.next(r) == Wire::Status::Reply)
    ++count;
  EXPECT_EQ(count, 4);
  EXPECT_EQ(whole.buffered(), 0);

  // Incomplete: nothing taken, nothing lost.
  WireTcp part;
  part.feed(bytes({13, 0, 0, 0, 3, 0, 0, 0, 9, 9}));
  EXPECT_EQ(part.next(r), Wire::Status::NeedMore);
  part.feed(bytes({9}));
  ASSERT_EQ(part.next(r), Wire::Status::Reply);
  EXPECT_EQ(r.payload, bytes({9, 9, 9}));
}

TEST(WireTcp, RejectsBrokenReplies) {
  struct Case {
    const char *what;
    QByteArray bytes;
  };
  const Case cases[] = {
      {"negative length", bytes({13, 0, 0, 0}) + le32(-1)},
      {"length over 1 MiB", bytes({13, 0, 0, 0}) + le32(kMaxReplyPayload + 1)},
      {"huge length", bytes({13, 0, 0, 0}) + le32(0x7FFFFFFF)},
      {"unknown kind", le32(12) + le32(0)},
      {"Discon is no TCP reply", le32(15) + le32(0)},
      {"NOP with a value", le32(11) + le32(5)},
  };
  for (const Case &c : cases) {
    WireTcp w;
    w.feed(c.bytes);
    Reply r;
    EXPECT_EQ(w.next(r), Wire::Status::Error) << c.what;
    EXPECT_FALSE(w.errorText().isEmpty()) << c.what;
    // The parser stays failed: later valid bytes do not revive it.
    w.feed(bytes({11, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(w.next(r), Wire::Status::Error) << c.what;
    w.reset();
    w.feed(bytes({11, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(w.next(r), Wire::Status::Reply) << c.what;
  }
  // The largest allowed length waits for its bytes instead of failing, and
  // nothing of that size is set aside in advance.
  WireTcp w;
  w.feed(bytes({13, 0, 0, 0}) + le32(kMaxReplyPayload));
  Reply r;
  EXPECT_EQ(w.next(r), Wire::Status::NeedMore);
  EXPECT_EQ(w.buffered(), 8);
}

TEST(WireSerial, ParsesTerminatedReplies) {
  const QByteArray stream =
      bytes({11, 0, 0, 0, 0, 0, 0, 0, '^'}) +
      bytes({13, 0, 0, 0, 4, 0, 0, 0, 1, '^', 3, 4, '^'}) +
      bytes({15, 0, 0, 0, 0, 0, 0, 0, '^'});
  WireSerial w;
  Wire::Status last;
  const std::vector<Reply> replies = feedBytewise(w, stream, &last);
  ASSERT_EQ(replies.size(), 3u);
  EXPECT_EQ(replies[0].kind, Reply::Kind::Nop);
  EXPECT_EQ(replies[1].kind, Reply::Kind::Commands);
  // A '^' inside the payload is data; only the byte after it must be '^'.
  EXPECT_EQ(replies[1].payload, bytes({1, '^', 3, 4}));
  EXPECT_EQ(replies[2].kind, Reply::Kind::Discon);
  EXPECT_EQ(last, Wire::Status::NeedMore);

  // Twenty queue bytes, the most the PC sends in one reply.
  WireSerial full;
  full.feed(bytes({13, 0, 0, 0, 20, 0, 0, 0}) + QByteArray(20, 'k') + "^");
  Reply r;
  ASSERT_EQ(full.next(r), Wire::Status::Reply);
  EXPECT_EQ(r.payload.size(), 20);

  // A TCP-style reply without '^' is out of step.
  WireSerial bad;
  bad.feed(bytes({13, 0, 0, 0, 2, 0, 0, 0, 0x30, 0x01, 11, 0, 0, 0}));
  EXPECT_EQ(bad.next(r), Wire::Status::Error);
  EXPECT_TRUE(bad.errorText().contains(QLatin1Char('^')));

  WireSerial nopBad;
  nopBad.feed(bytes({11, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(nopBad.next(r), Wire::Status::NeedMore);
  nopBad.feed(bytes({0}));
  EXPECT_EQ(nopBad.next(r), Wire::Status::Error);

  WireSerial negative;
  negative.feed(bytes({13, 0, 0, 0}) + le32(-20));
  EXPECT_EQ(negative.next(r), Wire::Status::Error);
}
