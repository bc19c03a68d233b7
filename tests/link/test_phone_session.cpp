// The conversation both links share, without a transport: requests in,
// reply bytes out.
#include "link/PhoneSession.h"
#include "link/RecordingView.h"

#include <gtest/gtest.h>

namespace {

QByteArray hex(const char *hex) { return QByteArray::fromHex(hex); }

constexpr ReplyStyle kAllKeys{0, 0, true, false, nullptr, nullptr};
constexpr ReplyStyle kTwentyKeysWithTerminator{20,   '^',     false,
                                               true, nullptr, nullptr};

PhoneRequest poll() { return {}; }

PhoneRequest close() {
  PhoneRequest r;
  r.kind = PhoneRequest::Kind::Close;
  return r;
}

PhoneRequest auth(const PhoneId &id) {
  PhoneRequest r;
  r.kind = PhoneRequest::Kind::Auth;
  r.id = id;
  return r;
}

PhoneRequest Tile(const QByteArray &tile, int x = 0, int y = 0) {
  PhoneRequest r;
  r.kind = PhoneRequest::Kind::Screen;
  r.tile = tile;
  r.x = x;
  r.y = y;
  return r;
}

const PhoneId kId{1, 2, 3, 4, 5, 6, 7, 8};

} // namespace

TEST(PhoneSession, RepliesCarryTheKeysInTheLinksFraming) {
  RecordingView view;
  CommandQueue queue;
  PhoneSession tcp(queue, &view, kAllKeys);
  PhoneSession serial(queue, &view, kTwentyKeysWithTerminator);
  tcp.begin("here");
  serial.begin("COM1");
  EXPECT_EQ(tcp.handle(poll()), hex("0b00000000000000"));
  EXPECT_EQ(serial.handle(poll()), hex("0b000000000000005e"));

  for (int i = 0; i < 11; ++i)
    queue.putKeyCode(quint16(0x0130 + i));
  const QByteArray keys = queue.bytes();
  EXPECT_EQ(serial.reply(), hex("0d00000014000000") + keys.left(20) + "^");
  EXPECT_EQ(tcp.handle(poll()), hex("0d00000002000000") + keys.mid(20));
  EXPECT_EQ(queue.size(), 0);

  // Goodbye: no reply, and a tile is drawn before its reply is made.
  EXPECT_TRUE(tcp.handle(close()).isEmpty());
  EXPECT_EQ(serial.handle(Tile("tile bytes", 3, -4)),
            hex("0b000000000000005e"));
  ASSERT_EQ(view.tiles().size(), 1);
  EXPECT_EQ(view.tiles()[0].data, "tile bytes");
  EXPECT_EQ(view.tiles()[0].y, -4);
}

TEST(PhoneSession, GateHoldsTilesAndKeysUntilThePhoneIsAllowed) {
  RecordingView view;
  CommandQueue queue;
  PhoneGate gate;
  gate.setPolicy(true, {});
  PhoneSession tcp(queue, &view, kAllKeys);
  PhoneSession serial(queue, &view, kTwentyKeysWithTerminator);
  tcp.setGate(&gate);
  serial.setGate(&gate);
  const quint64 first = tcp.begin("here");
  queue.putKeyCode(0x0130);
  EXPECT_EQ(tcp.handle(Tile("tile bytes")), hex("0b00000000000000"));
  EXPECT_EQ(tcp.handle(auth(kId)), hex("0b00000000000000"));
  EXPECT_EQ(view.asked(), QList<quint64>({first}));
  EXPECT_EQ(tcp.handle(poll()), hex("0b00000000000000"));
  EXPECT_TRUE(view.tiles().isEmpty());
  EXPECT_TRUE(view.identities().isEmpty());
  EXPECT_EQ(queue.size(), 2);

  // Allowed: the block it sent takes effect on the next request.
  ASSERT_TRUE(gate.allow(first));
  EXPECT_EQ(tcp.handle(poll()), hex("0d000000020000003001"));
  EXPECT_EQ(view.identities(), QList<QByteArray>({"04030201"}));
  EXPECT_EQ(queue.phoneId(), kId);

  // Refused: the TCP style closes, the serial one keeps answering empty.
  const quint64 second = tcp.begin("here");
  tcp.handle(auth(kId));
  ASSERT_TRUE(gate.refuse(second));
  queue.putKeyCode(0x0130);
  EXPECT_TRUE(tcp.handle(poll()).isEmpty());
  EXPECT_EQ(serial.handle(poll()), hex("0b000000000000005e"));
  EXPECT_EQ(queue.size(), 2);
}

TEST(PhoneSession, FiguresRoundTripAndBrokenTiles) {
  RecordingView view;
  CommandQueue queue;
  LinkStats stats;
  qint64 now = 1000;
  PhoneSession tcp(queue, &view, kAllKeys);
  PhoneSession serial(queue, &view, kTwentyKeysWithTerminator);
  tcp.setStats(&stats);
  tcp.setClock([&] { return now; });
  tcp.begin("here");
  tcp.received(4); // nothing answered yet: no round trip
  tcp.handle(poll());
  now += 250;
  tcp.received(21);
  tcp.handle(Tile("tile bytes"));
  LinkCounters c = stats.read();
  EXPECT_EQ(c.requests, 2);
  EXPECT_EQ(c.tiles, 1);
  EXPECT_EQ(c.bytesIn, 25);
  EXPECT_EQ(c.bytesOut, 16);
  EXPECT_EQ(c.roundTrips, 1);
  EXPECT_EQ(c.roundTripNs, 250);
  // A new phone does not end the last one's round trip.
  tcp.begin("there");
  tcp.received(4);
  EXPECT_EQ(stats.read().roundTrips, 1);

  // An undecodable tile ends a TCP connection, costs one serial tile.
  view.throwOnTile = true;
  EXPECT_THROW(tcp.handle(Tile("not a tile")), std::runtime_error);
  EXPECT_EQ(serial.handle(Tile("not a tile")), hex("0b000000000000005e"));
}
