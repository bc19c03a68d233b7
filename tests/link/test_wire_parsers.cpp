// The two request parsers fed in every possible piece: requests must not
// depend on how the bytes were cut.
#include "link/ComFunctions.h"
#include "link/Protocol.h"
#include "link/TcpRequest.h"

#include <QList>
#include <QStringList>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QByteArray Int(qint32 v) {
  QByteArray b(4, 0);
  qToLittleEndian(v, b.data());
  return b;
}

// A request as text, so lists of them compare and print.
QString Describe(const TTcpRequest &r) {
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
QStringList ParseTcp(const QByteArray &stream, const QList<qsizetype> &cuts,
                     bool *refused = nullptr) {
  TTcpRequestParser parser;
  QStringList out;
  qsizetype start = 0;
  QList<qsizetype> ends = cuts;
  ends.append(stream.size());
  for (const qsizetype end : ends) {
    const char *p = stream.constData() + start;
    qsizetype left = end - start;
    while (left > 0) {
      const auto [step, consumed] = parser.Feed(p, left);
      EXPECT_GE(consumed, 0);
      EXPECT_LE(consumed, left);
      p += consumed;
      left -= consumed;
      if (step == TTcpRequestParser::TStep::Request)
        out.append(Describe(parser.Request()));
      if (step == TTcpRequestParser::TStep::Refused && refused)
        *refused = true;
      if (step == TTcpRequestParser::TStep::NeedMore) {
        EXPECT_EQ(left, 0);
      }
    }
    start = end;
  }
  return out;
}

QByteArray EveryTcpRequest() {
  return Int(11) + Int(77) +                       // NOP + trailer
         Int(12) + Int(1) + Int(2) +               // GetAuth
         QByteArray::fromHex("0102030405060708") + //   its block
         Int(13) +                                 // GetCommand
         Int(14) + Int(8) +                        // GetScreen, poll
         Int(14) + Int(-5) +                       // negative length
         Int(14) + Int(9) + Int(170) + Int(-3) +   // a 9-byte tile
         QByteArray("GIF89a\x01\x02\x03", 9) +     //
         Int(14) + Int(12) + Int(0) + Int(0) + QByteArray(12, 'J') +
         Int(15) +          // Discon
         Int(13) + Int(13); // ignored after it
}

} // namespace

TEST(TcpRequestParser, EverySplitGivesTheSameRequests) {
  const QByteArray stream = EveryTcpRequest();
  const QStringList whole = ParseTcp(stream, {});
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
  EXPECT_EQ(ParseTcp(stream, bytewise), whole);
  for (qsizetype a = 1; a < stream.size(); ++a) {
    EXPECT_EQ(ParseTcp(stream, {a}), whole) << "cut at " << a;
    for (qsizetype b = a + 1; b < stream.size(); b += 7)
      ASSERT_EQ(ParseTcp(stream, {a, b}), whole) << "cuts " << a << "," << b;
  }
}

TEST(TcpRequestParser, NopIsAnsweredBeforeItsTrailingValueArrives) {
  TTcpRequestParser parser;
  const QByteArray code = Int(11);
  const auto [step, consumed] = parser.Feed(code.constData(), 4);
  EXPECT_EQ(step, TTcpRequestParser::TStep::Request);
  EXPECT_EQ(consumed, 4);
  // The trailer is skipped; the next four bytes after it are a new code.
  const QByteArray rest = Int(0) + Int(13);
  auto next = parser.Feed(rest.constData(), rest.size());
  EXPECT_EQ(next.step, TTcpRequestParser::TStep::Request);
  EXPECT_EQ(parser.Request().kind, TTcpRequest::GetCommand);
}

TEST(TcpRequestParser, UnknownCodeEndsTheStream) {
  const QStringList requests =
      ParseTcp(Int(99) + Int(13) + Int(13), {}); // nothing after 99 counts
  ASSERT_EQ(requests.size(), 1);
  EXPECT_TRUE(requests[0].startsWith("5 code=99"));
}

TEST(TcpRequestParser, LengthAboveTheCapIsRefusedWithoutAllocating) {
  for (const qint32 length : {Protocol::MaxTileLength + 1, 0x7FFFFFFF}) {
    TTcpRequestParser parser;
    const QByteArray stream = Int(14) + Int(length) + Int(0) + Int(0);
    const auto [step, consumed] =
        parser.Feed(stream.constData(), stream.size());
    EXPECT_EQ(step, TTcpRequestParser::TStep::Refused);
    EXPECT_EQ(consumed, 8); // refused at the length, before x and y
    EXPECT_LT(parser.Request().tile.capacity(), 1024);
    EXPECT_TRUE(parser.Error().contains(QString::number(length)));
  }
  // The cap itself is accepted: the parser waits for the tile.
  TTcpRequestParser parser;
  const QByteArray stream = Int(14) + Int(Protocol::MaxTileLength) + Int(1) +
                            Int(2) + QByteArray(100, 'x');
  EXPECT_EQ(parser.Feed(stream.constData(), stream.size()).step,
            TTcpRequestParser::TStep::NeedMore);
}

// --- The serial framing ----------------------------------------------------

namespace {

QByteArray ScreenPacket(int x, int y, const QByteArray &tile) {
  return Int(ComGetScreen) + Int(qint32(tile.size())) + Int(x) + Int(y) + tile;
}

// Cuts packets off the front of a buffer grown one byte at a time, as the
// serial link does with its pending bytes.
QList<TComFrame> FrameBytewise(const QByteArray &stream) {
  QList<TComFrame> frames;
  QByteArray pending;
  for (const char c : stream) {
    pending.append(c);
    const TComFrame f = InspectComFrame(pending.constData(), pending.size());
    if (f.kind == TComFrame::Incomplete)
      continue;
    frames.append(f);
    pending.remove(0, f.kind == TComFrame::Unknown ? pending.size() : f.length);
  }
  return frames;
}

} // namespace

TEST(SerialFraming, PacketsAreRecognisedOnlyWhenWholeByteByByte) {
  const QByteArray auth =
      Int(ComAuth) + Int(0) + Int(0) + QByteArray::fromHex("0102030405060708");
  const QByteArray stream =
      Int(ComNOP) + Int(0) + auth + ScreenPacket(3, 4, QByteArray(40, 'G')) +
      ScreenPacket(0, 0, QByteArray()) + Int(ComNOP) + Int(5);
  const QList<TComFrame> frames = FrameBytewise(stream);
  ASSERT_EQ(frames.size(), 5);
  EXPECT_EQ(frames[0].kind, TComFrame::Nop);
  EXPECT_EQ(frames[0].length, 8);
  EXPECT_EQ(frames[1].kind, TComFrame::Auth);
  EXPECT_EQ(frames[1].length, 20);
  EXPECT_EQ(frames[2].kind, TComFrame::Screen);
  EXPECT_EQ(frames[2].length, 16 + 40);
  EXPECT_EQ(frames[3].kind, TComFrame::Screen);
  EXPECT_EQ(frames[3].length, 16);
  EXPECT_EQ(frames[4].kind, TComFrame::Nop);
}

TEST(SerialFraming, GarbageAndOversizedTilesAreUnknownAtOnce) {
  // A tile length above the cap is known as soon as the length is in.
  const QByteArray huge = Int(ComGetScreen) + Int(Protocol::MaxTileLength + 1);
  EXPECT_EQ(InspectComFrame(huge.constData(), huge.size()).kind,
            TComFrame::Unknown);
  const QByteArray negative = Int(ComGetScreen) + Int(-1);
  EXPECT_EQ(InspectComFrame(negative.constData(), negative.size()).kind,
            TComFrame::Unknown);
  const QByteArray other = Int(13) + Int(0);
  EXPECT_EQ(InspectComFrame(other.constData(), 4).kind, TComFrame::Unknown);
  EXPECT_EQ(InspectComFrame(other.constData(), 3).kind, TComFrame::Incomplete);
}

TEST(SerialFraming, PcPacketsAreByteExact) {
  EXPECT_EQ(ComNopPacket(), QByteArray::fromHex("0b000000000000005e"));
  EXPECT_EQ(ComDisconPacket(), QByteArray::fromHex("0f000000000000005e"));
  EXPECT_EQ(ComCommandsPacket(QByteArray::fromHex("3001")),
            QByteArray::fromHex("0d00000002000000"
                                "3001"
                                "5e"));
}
