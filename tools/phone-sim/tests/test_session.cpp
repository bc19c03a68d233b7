#include "FakePc.h"
#include "KeyCodes.h"
#include "Session.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace phonesim;
using Result = Session::Result;

namespace {

const QDateTime kNoon(QDate(2024, 5, 17), QTime(12, 0, 10));

struct Fixture {
  explicit Fixture(bool serial) : pc(serial) {
    if (serial)
      wire = std::make_unique<WireSerial>();
    else
      wire = std::make_unique<WireTcp>();
    options.pollIntervalMs = 1;
    options.replyTimeoutMs = 20;
    options.authRetryMs = 20;
    options.stopGraceMs = 20;
  }
  Session &make() {
    session = std::make_unique<Session>(pc, *wire, ui, options);
    session->setClock([this] { return clock; });
    session->setKeyObserver([this](int k) { keys.push_back(k); });
    return *session;
  }
  std::vector<int> codes() const {
    std::vector<int> codes;
    for (const PcRequest &r : pc.requests)
      codes.push_back(r.code);
    return codes;
  }
  // Polls (GetCommand or NOP) seen so far.
  int polls() const {
    int n = 0;
    for (const PcRequest &r : pc.requests)
      n += r.code == 11 || r.code == 13;
    return n;
  }

  FakePc pc;
  std::unique_ptr<Wire> wire;
  PhoneUi ui;
  SessionOptions options;
  QDateTime clock = kNoon;
  std::unique_ptr<Session> session;
  std::vector<int> keys;
};

// Pastes a tile the way the PC does; the tile must decode at its size.
void paste(QImage &screen, const PcRequest &r) {
  const QImage tile = QImage::fromData(r.tile);
  ASSERT_FALSE(tile.isNull());
  ASSERT_GE(tile.width(), 3);
  ASSERT_GE(tile.height(), 3);
  QPainter p(&screen);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(QPoint(r.x, r.y), tile,
              QRect(1, 1, tile.width() - 2, tile.height() - 2));
}

} // namespace

TEST(Session, TcpIdentifiesPaintsPollsAndTakesKeys) {
  Fixture f(false);
  f.options.nopEvery = 2;
  f.options.exitAfterKeys = 2;
  // The second poll (a NOP) brings digit 1, the third digit 2.
  f.pc.responder = [&f](const PcRequest &r, int) {
    const int polls = f.polls();
    if ((r.code == 11 || r.code == 13) && polls == 2)
      return f.pc.commandReply(f.options.id, {keys::kDigit0 + 1});
    if ((r.code == 11 || r.code == 13) && polls == 3)
      return f.pc.commandReply(f.options.id, {keys::kDigit0 + 2});
    return f.pc.nopReply();
  };
  EXPECT_EQ(f.make().run(), Result::KeysDone);

  ASSERT_GE(f.pc.requests.size(), 4u);
  EXPECT_EQ(f.pc.requests.front().code, 12);
  EXPECT_EQ(
      f.pc.requests.front().id,
      QByteArray(reinterpret_cast<const char *>(f.options.id.bytes.data()), 8));
  EXPECT_EQ(f.pc.requests.back().code, 15); // goodbye
  EXPECT_EQ(f.keys, (std::vector<int>{keys::kDigit0 + 1, keys::kDigit0 + 2}));
  EXPECT_EQ(f.session->keysReceived(), 2);
  EXPECT_EQ(f.ui.number(), QStringLiteral("12"));
  EXPECT_EQ(f.pc.earlyTrailers, 0);
  EXPECT_TRUE(f.pc.unparsed().isEmpty());

  // The tiles before the first poll paint the whole screen; those after the
  // first key repaint it as the dialer showing "1".
  QImage pc(PhoneUi::kWidth, PhoneUi::kHeight, QImage::Format_RGB32);
  pc.fill(Qt::white);
  QRegion firstFrame;
  int polls = 0;
  bool tilesAfterKey = false;
  for (const PcRequest &r : f.pc.requests) {
    polls += r.code == 11 || r.code == 13;
    if (r.code != 14)
      continue;
    paste(pc, r);
    if (polls == 0)
      firstFrame += QRect(r.x, r.y, QImage::fromData(r.tile).width() - 2,
                          QImage::fromData(r.tile).height() - 2);
    tilesAfterKey |= polls == 2;
  }
  EXPECT_EQ(firstFrame, QRegion(0, 0, PhoneUi::kWidth, PhoneUi::kHeight));
  EXPECT_TRUE(tilesAfterKey);
  PhoneUi expected;
  expected.setClock(kNoon);
  expected.handleKey(keys::kDigit0 + 1);
  EXPECT_EQ(pc, expected.render());
}

TEST(Session, SerialToleratesRepliesNobodyAskedFor) {
  Fixture f(true);
  f.options.exitAfterKeys = 2;
  f.pc.chunk = 5;
  f.pc.responder = [&f](const PcRequest &r, int) {
    // The identification gets its reply plus one the silence rule sent.
    if (r.code == 12)
      return f.pc.nopReply() + f.pc.commandReply(f.options.id, {keys::kMenu});
    if (r.code == 11 && f.polls() == 3)
      return f.pc.commandReply(f.options.id, {keys::kJoyRight});
    return f.pc.nopReply();
  };
  EXPECT_EQ(f.make().run(), Result::KeysDone);
  EXPECT_EQ(f.keys, (std::vector<int>{keys::kMenu, keys::kJoyRight}));
  EXPECT_EQ(f.ui.currentScreen(), PhoneUi::Screen::Menu);
  EXPECT_EQ(f.ui.menuSelection(), 1);
  const std::vector<int> codes = f.codes();
  EXPECT_EQ(codes.front(), 12);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), 15), 0);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), 13), 0);
  EXPECT_TRUE(f.pc.unparsed().isEmpty());
}

TEST(Session, SerialRepeatsWhatGotNoAnswer) {
  Fixture f(true);
  f.options.sendScreen = false;
  f.options.exitAfterKeys = 1;
  // The first identification and the first poll go unanswered.
  f.pc.responder = [&f](const PcRequest &, int index) {
    if (index == 0 || index == 2)
      return QByteArray();
    if (index == 3)
      return f.pc.commandReply(f.options.id, {keys::kRed});
    return f.pc.nopReply();
  };
  EXPECT_EQ(f.make().run(), Result::KeysDone);
  EXPECT_EQ(f.codes(), (std::vector<int>{12, 12, 11, 11}));
  EXPECT_EQ(f.keys, (std::vector<int>{keys::kRed}));
}

TEST(Session, EndsOnDisconAndOnBrokenReplies) {
  {
    Fixture f(true);
    f.pc.responder = [&f](const PcRequest &r, int) {
      return r.code == 11 ? bytes({15, 0, 0, 0, 0, 0, 0, 0, '^'})
                          : f.pc.nopReply();
    };
    EXPECT_EQ(f.make().run(), Result::PeerDiscon);
    EXPECT_EQ(f.codes().back(), 11);
  }
  {
    Fixture f(true);
    f.pc.responder = [](const PcRequest &, int) {
      return bytes({11, 0, 0, 0, 0, 0, 0, 0, '!'});
    };
    EXPECT_EQ(f.make().run(), Result::ProtocolError);
    EXPECT_EQ(f.pc.requests.size(), 1u); // nothing after the identification
    EXPECT_FALSE(f.session->errorText().isEmpty());
  }
  {
    Fixture f(false);
    f.pc.responder = [&f](const PcRequest &r, int) {
      return r.code == 13 ? le32(13) + le32(-7) : f.pc.nopReply();
    };
    EXPECT_EQ(f.make().run(), Result::ProtocolError);
    EXPECT_TRUE(f.session->errorText().contains(QStringLiteral("-7")));
    EXPECT_NE(f.codes().back(), 15);
  }
  {
    Fixture f(false);
    f.pc.responder = [&f](const PcRequest &r, int) {
      if (r.code != 13)
        return f.pc.nopReply();
      f.pc.close();
      return QByteArray();
    };
    EXPECT_EQ(f.make().run(), Result::Closed);
  }
}

TEST(Session, StopSaysGoodbyeEvenWithAReplyOutstanding) {
  {
    Fixture f(false);
    Session &s = f.make();
    s.setStopRequested([&f] { return f.polls() >= 3; });
    EXPECT_EQ(s.run(), Result::Stopped);
    EXPECT_EQ(f.codes().back(), 15);
    EXPECT_EQ(f.polls(), 3);
  }
  {
    // A NOP without reply still gets its trailing value before Discon.
    Fixture f(false);
    f.options.nopEvery = 1;
    f.options.sendScreen = false;
    bool stop = false;
    f.pc.responder = [&f, &stop](const PcRequest &r, int) {
      if (r.code == 11) {
        stop = true;
        return QByteArray();
      }
      return f.pc.nopReply();
    };
    Session &s = f.make();
    s.setStopRequested([&stop] { return stop; });
    EXPECT_EQ(s.run(), Result::Stopped);
    EXPECT_EQ(f.codes(), (std::vector<int>{12, 11, 15}));
    EXPECT_TRUE(f.pc.unparsed().isEmpty());
  }
}

TEST(Session, ClockTickSendsOnlyTheStatusBar) {
  Fixture f(false);
  f.ui.handleKey(keys::kMenu);
  Session &s = f.make();
  // One minute passes after the first poll.
  f.pc.responder = [&f](const PcRequest &r, int) {
    if (r.code == 13 && f.polls() == 1)
      f.clock = kNoon.addSecs(60);
    return f.pc.nopReply();
  };
  s.setStopRequested([&f] { return f.polls() >= 3; });
  EXPECT_EQ(s.run(), Result::Stopped);
  int polls = 0, later = 0;
  for (const PcRequest &r : f.pc.requests) {
    polls += r.code == 13;
    if (r.code == 14 && polls > 0) {
      ++later;
      const QImage tile = QImage::fromData(r.tile);
      EXPECT_LE(r.y + tile.height() - 2, 16);
    }
  }
  EXPECT_GT(later, 0);
}

TEST(Session, FloodAndPollBenchCountRoundTrips) {
  Fixture f(false);
  Session &s = f.make();
  const Tile tile = TileEncoder::encode(f.ui.render(), QRect(71, 87, 34, 34));
  long long tiles = 0;
  double elapsed = 0;
  EXPECT_EQ(s.flood(tile, 0.03, &tiles, &elapsed), Result::Ok);
  EXPECT_GT(tiles, 0);
  EXPECT_GE(elapsed, 0.03);
  EXPECT_EQ(s.repliesReceived(), tiles);
  EXPECT_EQ(qsizetype(f.pc.requests.size()), tiles);
  EXPECT_EQ(f.pc.requests.back().x, 71);
  EXPECT_EQ(f.pc.requests.back().tile, tile.data);

  std::vector<double> rtt;
  EXPECT_EQ(s.pollBench(5, &rtt), Result::Ok);
  EXPECT_EQ(rtt.size(), 5u);
  EXPECT_EQ(f.polls(), 5);
}
