// The two request parsers fed in every possible piece: requests must not
// depend on how the bytes were cut.
#include "link/Protocol.h"
#include "link/SerialFraming.h"
#include "link/TcpRequest.h"

#include <QList>
#include <QStringList>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QByteArray int32(qint32 v) {
  QByteArray b(4, 0);
  qToLittleEndian(v, b.data());
  return b;
}

// A request as text, so lists of them compare and print.
QString describe(const TcpRequest &r) {
  return QStringLiteral("%1 code=%2 id=%3 len=%4 at=%5,%6 tile=%7")
      .arg(r.kind)
      .arg(r.code)
      .arg(QString::fromLatin1(
          QByteArray(reinterpret_cast<const char *>(r.id.data()), 8).toHex()))
      .arg(r.length)
      .arg(r.x)
      .arg(r.y)
      .arg(QString::fromLatin1(r.tile.toHex()));
}

// Feeds the stream in the given pieces; the requests and whether the
// stream was refused.
QStringList parseTcp(const QByteArray &stream, const QList<qsizetype> &cuts,
                     bool *refused = nullptr) {
  TcpRequestParser parser;
  QStringList out;
  qsizetype start = 0;
  QList<qsizetype> ends = cuts;
  ends.append(stream.size());
  for (const qsizetype end : ends) {
    const char *p = stream.constData() + start;
    qsizetype left = end - start;
    while (left > 0) {
      const auto [step, consumed] = parser.feed(p, left);
      EXPECT_GE(consumed, 0);
      EXPECT_LE(consumed, left);
      p += consumed;
      left -= consumed;
      if (step == TcpRequestParser::Step::Request)
        out.append(describe(parser.request()));
      if (step == TcpRequestParser::Step::Refused && refused)
        *refused = true;
      if (step == TcpRequestParser::Step::NeedMore) {
        EXPECT_EQ(left, 0);
      }
    }
    start = end;
  }
  return out;
}

QByteArray everyTcpRequest() {
  return int32(11) + int32(77) +                         // NOP + trailer
         int32(12) + int32(1) + int32(2) +               // GetAuth
         QByteArray::fromHex("0102030405060708") +       //   its block
         int32(13) +                                     // GetCommand
         int32(14) + int32(8) +                          // GetScreen, poll
         int32(14) + int32(-5) +                         // negative length
         int32(14) + int32(9) + int32(170) + int32(-3) + // a 9-byte tile
         QByteArray("GIF89a\x01\x02\x03", 9) +           //
         int32(14) + int32(12) + int32(0) + int32(0) + QByteArray(12, 'J') +
         int32(15) +            // Discon
         int32(13) + int32(13); // ignored after it
}

} // namespace

TEST(TcpRequestParser, EverySplitGivesTheSameRequests) {
  const QByteArray stream = everyTcpRequest();
  const QStringList whole = parseTcp(stream, {});
  ASSERT_EQ(whole.size(), 8) << whole.join('\n').toStdString();
  EXPECT_TRUE(whole[0].startsWith("0 code=11")) << whole[0].toStdString();
  EXPECT_EQ(whole[1], "1 code=12 id=0102030405060708 len=0 at=0,0 tile=");
  EXPECT_TRUE(whole[2].startsWith("2 code=13"));
  EXPECT_TRUE(whole[3].endsWith("len=8 at=0,0 tile="));
  EXPECT_TRUE(whole[4].endsWith("len=-5 at=0,0 tile="));
  EXPECT_TRUE(whole[5].endsWith("len=9 at=170,-3 tile=474946383961010203"));
  EXPECT_TRUE(whole[6].endsWith("len=12 at=0,0 tile=4a4a4a4a4a4a4a4a4a4a4a4a"));
  EXPECT_TRUE(whole[7].startsWith("4 code=15"));

  QList<qsizetype> bytewise;
  for (qsizetype i = 1; i < stream.size(); ++i)
    bytewise.append(i);
  EXPECT_EQ(parseTcp(stream, bytewise), whole);
  for (qsizetype a = 1; a < stream.size(); ++a) {
    EXPECT_EQ(parseTcp(stream, {a}), whole) << "cut at " << a;
    for (qsizetype b = a + 1; b < stream.size(); b += 7)
      ASSERT_EQ(parseTcp(stream, {a, b}), whole) << "cuts " << a << "," << b;
  }
}

TEST(TcpRequestParser, NopIsAnsweredBeforeItsTrailingValueArrives) {
  TcpRequestParser parser;
  const QByteArray code = int32(11);
  const auto [step, consumed] = parser.feed(code.constData(), 4);
  EXPECT_EQ(step, TcpRequestParser::Step::Request);
  EXPECT_EQ(consumed, 4);
  // The trailer is skipped; the next four bytes after it are a new code.
  const QByteArray rest = int32(0) + int32(13);
  auto next = parser.feed(rest.constData(), rest.size());
  EXPECT_EQ(next.step, TcpRequestParser::Step::Request);
  EXPECT_EQ(parser.request().kind, TcpRequest::GetCommand);
}

TEST(TcpRequestParser, UnknownCodeEndsTheStream) {
  const QStringList requests = parseTcp(int32(99) + int32(13) + int32(13),
                                        {}); // nothing after 99 counts
  ASSERT_EQ(requests.size(), 1);
  EXPECT_TRUE(requests[0].startsWith("5 code=99"));
}

TEST(TcpRequestParser, LengthAboveTheCapIsRefusedWithoutAllocating) {
  for (const qint32 length : {Protocol::kMaxTileLength + 1, 0x7FFFFFFF}) {
    TcpRequestParser parser;
    const QByteArray stream = int32(14) + int32(length) + int32(0) + int32(0);
    const auto [step, consumed] =
        parser.feed(stream.constData(), stream.size());
    EXPECT_EQ(step, TcpRequestParser::Step::Refused);
    EXPECT_EQ(consumed, 8); // refused at the length, before x and y
    EXPECT_LT(parser.request().tile.capacity(), 1024);
    EXPECT_TRUE(parser.error().contains(QString::number(length)));
  }
  // The cap itself is accepted: the parser waits for the tile.
  TcpRequestParser parser;
  const QByteArray stream = int32(14) + int32(Protocol::kMaxTileLength) +
                            int32(1) + int32(2) + QByteArray(100, 'x');
  EXPECT_EQ(parser.feed(stream.constData(), stream.size()).step,
            TcpRequestParser::Step::NeedMore);
}

// --- The serial framing ----------------------------------------------------

namespace {

QByteArray screenPacket(int x, int y, const QByteArray &tile) {
  return int32(ComGetScreen) + int32(qint32(tile.size())) + int32(x) +
         int32(y) + tile;
}

// Cuts packets off the front of a buffer grown one byte at a time, as the
// serial link does with its pending bytes.
QList<ComFrame> frameBytewise(const QByteArray &stream) {
  QList<ComFrame> frames;
  QByteArray pending;
  for (const char c : stream) {
    pending.append(c);
    const ComFrame f = inspectComFrame(pending.constData(), pending.size());
    if (f.kind == ComFrame::Incomplete)
      continue;
    frames.append(f);
    pending.remove(0, f.kind == ComFrame::Unknown ? pending.size() : f.length);
  }
  return frames;
}

} // namespace

TEST(SerialFraming, PacketsAreRecognisedOnlyWhenWholeByteByByte) {
  const QByteArray auth = int32(ComAuth) + int32(0) + int32(0) +
                          QByteArray::fromHex("0102030405060708");
  const QByteArray stream = int32(ComNOP) + int32(0) + auth +
                            screenPacket(3, 4, QByteArray(40, 'G')) +
                            screenPacket(0, 0, QByteArray()) + int32(ComNOP) +
                            int32(5);
  const QList<ComFrame> frames = frameBytewise(stream);
  ASSERT_EQ(frames.size(), 5);
  EXPECT_EQ(frames[0].kind, ComFrame::Nop);
  EXPECT_EQ(frames[0].length, 8);
  EXPECT_EQ(frames[1].kind, ComFrame::Auth);
  EXPECT_EQ(frames[1].length, 20);
  EXPECT_EQ(frames[2].kind, ComFrame::Screen);
  EXPECT_EQ(frames[2].length, 16 + 40);
  EXPECT_EQ(frames[3].kind, ComFrame::Screen);
  EXPECT_EQ(frames[3].length, 16);
  EXPECT_EQ(frames[4].kind, ComFrame::Nop);
}

TEST(SerialFraming, GarbageAndOversizedTilesAreUnknownAtOnce) {
  // A tile length above the cap is known as soon as the length is in.
  const QByteArray huge =
      int32(ComGetScreen) + int32(Protocol::kMaxTileLength + 1);
  EXPECT_EQ(inspectComFrame(huge.constData(), huge.size()).kind,
            ComFrame::Unknown);
  const QByteArray negative = int32(ComGetScreen) + int32(-1);
  EXPECT_EQ(inspectComFrame(negative.constData(), negative.size()).kind,
            ComFrame::Unknown);
  const QByteArray other = int32(13) + int32(0);
  EXPECT_EQ(inspectComFrame(other.constData(), 4).kind, ComFrame::Unknown);
  EXPECT_EQ(inspectComFrame(other.constData(), 3).kind, ComFrame::Incomplete);
}

TEST(SerialFraming, PcPacketsAreByteExact) {
  EXPECT_EQ(comNopPacket(), QByteArray::fromHex("0b000000000000005e"));
  EXPECT_EQ(comDisconPacket(), QByteArray::fromHex("0f000000000000005e"));
  EXPECT_EQ(comCommandsPacket(QByteArray::fromHex("3001")),
            QByteArray::fromHex("0d00000002000000"
                                "3001"
                                "5e"));
}
