// The serial packet link over real pseudo-terminals: the master side plays
// the phone, ComPort of the serial data module is opened on the slave.

#include "common/EventLog.h"
#include "link/CommandQueue.h"
#include "link/UnitDataCom.h"
#include "support/TempDir.h"
#include "test_serial_pty.h"

#include <atomic>
#include <future>
#include <memory>
#include <thread>

namespace {

class SerialLinkTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(pty.IsValid());
    SetLogFilePath(dir.File("link.log"));
    LogCommands = true;
    LogPacketSize = true;
    link = std::make_unique<TDataComPort>(queue, &view);
    link->OpenComPort(pty.Path());
  }
  void TearDown() override {
    link.reset();
    LogCommands = false;
    LogPacketSize = false;
    SetLogFilePath(QString());
  }

  // One chunk as the port would deliver it.
  void Feed(const QByteArray &chunk) {
    link->HandleSerialChunk(&link->ComPort(), chunk, chunk.size());
  }
  QStringList Log() const { return LogMessages(dir.File("link.log")); }
  void ClearLog() { QFile::remove(dir.File("link.log")); }

  ScopedTempDir dir;
  TestPty pty;
  RecordingView view;
  TCommandQueue queue;
  std::unique_ptr<TDataComPort> link;

  void QueueKeys(int count) {
    for (int i = 0; i < count; ++i)
      queue.PutKeyCode(quint16(0x0130 + i));
  }
};

} // namespace

TEST_F(SerialLinkTest, NopGetsNopReplyThroughThePort) {
  pty.Write(Hex("0b00000000000000"));
  EXPECT_EQ(pty.ReceiveWhilePumping(9), Hex("0b000000000000005e"));
  EXPECT_EQ(Log(), QStringList({"recv: 8", "recv: ComNOP", "send: ComReply"}));
  EXPECT_EQ(view.activity.load(), 1);
  EXPECT_EQ(view.restarts.load(), 1);
  EXPECT_NE(link->LastReceiveTime(), 0);
  EXPECT_TRUE(link->TimerLostPacket().isActive());
  EXPECT_EQ(link->TimerLostPacket().interval(), 500);

  // With the switches off the exchange is the same and nothing is logged.
  LogCommands = false;
  LogPacketSize = false;
  pty.Write(NopPacket());
  EXPECT_EQ(pty.ReceiveWhilePumping(9), NopReply());
  EXPECT_EQ(Log().size(), 3);
}

TEST_F(SerialLinkTest, QueueGoesOutTwentyBytesPerReply) {
  QueueKeys(12);
  const QByteArray queued = queue.Bytes();
  ASSERT_EQ(queued.size(), 24);

  Feed(NopPacket());
  EXPECT_EQ(pty.Received(),
            Hex("0d00000014000000") + queued.left(20) + Hex("5e"));
  Feed(NopPacket());
  EXPECT_EQ(pty.Received(), Hex("0d00000004000000") + queued.mid(20) + "^");
  Feed(NopPacket());
  EXPECT_EQ(pty.Received(), NopReply());
  EXPECT_EQ(Log(),
            QStringList({"recv: 8", "recv: ComNOP", "command", "send: ComReply",
                         "recv: 8", "recv: ComNOP", "command", "send: ComReply",
                         "recv: 8", "recv: ComNOP", "send: ComReply"}));
}

namespace {

// Checks from another thread, during every write, that the queue can be
// used: a key press made while the reply is written must not wait for it.
class LockCheckingPort : public TSerialPort {
public:
  LockCheckingPort(TCommandQueue &queue) : m_queue(queue) {}
  void Write(const QByteArray &data) override {
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    std::thread other([&] {
      m_queue.Size();
      done.set_value();
    });
    const bool free =
        finished.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    lockFreeDuringWrite.append(free);
    TSerialPort::Write(data);
    other.join();
  }
  QList<bool> lockFreeDuringWrite;

private:
  TCommandQueue &m_queue;
};

} // namespace

TEST_F(SerialLinkTest, QueueLockIsNotHeldWhileWriting) {
  LockCheckingPort port(queue);
  port.SetPortName(pty.Path());
  link->ComPort().Close();
  port.Open();
  QueueKeys(3);
  link->HandleSerialChunk(&port, NopPacket() + NopPacket(), 16);
  // Both replies of the chunk in one write.
  EXPECT_EQ(port.lockFreeDuringWrite, QList<bool>({true}));
  EXPECT_EQ(pty.Received(), CommandsReply(Hex("300131013201")) + NopReply());

  // Outside a chunk (the silence rule) a reply is written on its own.
  QueueKeys(1);
  link->SendSerialReply(&port);
  EXPECT_EQ(port.lockFreeDuringWrite, QList<bool>({true, true}));
  EXPECT_EQ(pty.Received(), CommandsReply(Hex("3001")));
}

TEST_F(SerialLinkTest, TileSplitOverThreeChunksIsHandledOnce) {
  const QByteArray tile = TileBytes(100);
  const QByteArray packet = ScreenPacket(24, 48, tile);
  Feed(packet.left(5));
  Feed(packet.mid(5, 55));
  EXPECT_TRUE(view.Tiles().isEmpty());
  EXPECT_TRUE(pty.Received().isEmpty());
  EXPECT_EQ(link->Pending(), packet.left(60));

  Feed(packet.mid(60));
  ASSERT_EQ(view.Tiles().size(), 1);
  EXPECT_EQ(view.Tiles()[0].data, tile);
  EXPECT_EQ(view.Tiles()[0].x, 24);
  EXPECT_EQ(view.Tiles()[0].y, 48);
  EXPECT_EQ(pty.Received(), NopReply());
  EXPECT_EQ(link->PendingSize(), 0);
  EXPECT_EQ(Log(), QStringList({"recv: 5", "recv: 55", "recv: 56", "image: 116",
                                "recv: ComGetScreen", "send: ComReply"}));
}

TEST_F(SerialLinkTest, OneChunkWithNopAndTileGetsTwoRepliesInOrder) {
  QueueKeys(11);
  const QByteArray queued = queue.Bytes();
  const QByteArray tile = TileBytes(40, 3);
  Feed(NopPacket() + ScreenPacket(0, 8, tile));
  EXPECT_EQ(pty.Received(),
            CommandsReply(queued.left(20)) + CommandsReply(queued.mid(20)));
  ASSERT_EQ(view.Tiles().size(), 1);
  EXPECT_EQ(view.Tiles()[0].data, tile);
  EXPECT_EQ(Log(),
            QStringList({"recv: 64", "recv: ComNOP", "command",
                         "send: ComReply", "image: 56", "recv: ComGetScreen",
                         "command", "send: ComReply"}));
  // One chunk: one activity signal, however many packets.
  EXPECT_EQ(view.activity.load(), 1);
  EXPECT_EQ(view.restarts.load(), 1);
}

TEST_F(SerialLinkTest, BurstOfTilesThroughThePort) {
  QByteArray burst;
  for (int i = 0; i < 60; ++i)
    burst += ScreenPacket(i, 2 * i, TileBytes(300 + i, i));
  pty.Write(burst);
  const QByteArray replies = pty.ReceiveWhilePumping(60 * 9);
  EXPECT_EQ(replies, NopReply().repeated(60));
  ASSERT_EQ(view.Tiles().size(), 60);
  for (int i = 0; i < 60; ++i) {
    EXPECT_EQ(view.Tiles()[i].x, i);
    EXPECT_EQ(view.Tiles()[i].data, TileBytes(300 + i, i));
  }
  // Reading everything that arrived per event: far fewer events than
  // packets.
  EXPECT_LT(view.activity.load(), 40);
  EXPECT_EQ(link->PendingSize(), 0);
}

TEST_F(SerialLinkTest, UnrecognisedKindDropsEverythingPending) {
  for (const qint32 kind : {13, 15, 99, -1}) {
    SCOPED_TRACE(kind);
    ClearLog();
    Feed(Le32(kind) + NopPacket() + ScreenPacket(1, 2, TileBytes(20)) +
         AuthPacket(Hex("0102030405060708")));
    EXPECT_EQ(pty.Received(), NopReply());
    EXPECT_EQ(link->PendingSize(), 0);
    EXPECT_EQ(Log(), QStringList({"recv: 68"}));
  }
  EXPECT_TRUE(view.Tiles().isEmpty());
  EXPECT_TRUE(view.Identities().isEmpty());
}

TEST_F(SerialLinkTest, AuthStoresAndShowsTheIdentification) {
  Feed(AuthPacket(Hex("7856341211223344")));
  EXPECT_EQ(view.idle.load(), 1);
  EXPECT_EQ(view.Identities(), QList<QByteArray>({"12345678"}));
  const TPhoneId expected{0x78, 0x56, 0x34, 0x12, 0x11, 0x22, 0x33, 0x44};
  EXPECT_EQ(queue.PhoneId(), expected);
  EXPECT_EQ(pty.Received(), NopReply());
  EXPECT_EQ(Log(),
            QStringList({"recv: 20", "recv: ComAuth", "send: ComReply"}));

  // Keys queued from now on are scrambled with the new block.
  queue.PutKeyCode(0x0130);
  Feed(NopPacket());
  EXPECT_EQ(pty.Received(), CommandsReply(Hex("5623")));
}

TEST_F(SerialLinkTest, UnknownPhoneGetsNothingUntilAllowed) {
  TPhoneGate gate;
  gate.SetPolicy(true, {});
  link->SetGate(&gate);
  link->OpenComPort(pty.Path()); // a new session on the port
  QueueKeys(1);
  Feed(ScreenPacket(0, 0, TileBytes(20)));
  Feed(AuthPacket(Hex("0102030405060708")));
  Feed(NopPacket());
  EXPECT_EQ(pty.Received(), NopReply() + NopReply() + NopReply());
  EXPECT_TRUE(view.Tiles().isEmpty());
  EXPECT_TRUE(view.Identities().isEmpty());
  ASSERT_EQ(view.Asked().size(), 1);
  EXPECT_EQ(queue.Size(), 2);

  ASSERT_TRUE(gate.Allow(view.Asked()[0]));
  Feed(NopPacket());
  EXPECT_EQ(pty.Received(), CommandsReply(Hex("3001")));
  EXPECT_EQ(view.Identities(), QList<QByteArray>({"04030201"}));
  Feed(ScreenPacket(0, 0, TileBytes(20)));
  EXPECT_EQ(view.Tiles().size(), 1);
  link->SetGate(nullptr);
}

TEST_F(SerialLinkTest, PacketsAreTakenOnlyWhenWhole) {
  // A NOP in three pieces.
  Feed(Hex("0b00"));
  Feed(Hex("000000"));
  EXPECT_TRUE(pty.Received().isEmpty());
  Feed(Hex("000000"));
  EXPECT_EQ(pty.Received(), NopReply());

  // A ComAuth one byte short.
  const QByteArray auth = AuthPacket(Hex("0000000001020304"));
  Feed(auth.left(19));
  EXPECT_TRUE(view.Identities().isEmpty());
  EXPECT_TRUE(pty.Received().isEmpty());
  Feed(auth.mid(19));
  EXPECT_EQ(view.Identities().size(), 1);
  EXPECT_EQ(pty.Received(), NopReply());

  // A ComGetScreen before its length is known.
  Feed(Le32(14) + Hex("0100"));
  EXPECT_TRUE(pty.Received().isEmpty());
  EXPECT_EQ(link->PendingSize(), 6);
  link->ClearPending();

  // Three bytes of an unknown kind wait for the fourth.
  Feed(Hex("636300"));
  EXPECT_TRUE(pty.Received().isEmpty());
  EXPECT_EQ(link->PendingSize(), 3);
  Feed(Hex("00") + NopPacket());
  EXPECT_EQ(pty.Received(), NopReply());
  EXPECT_EQ(link->PendingSize(), 0);
}

TEST_F(SerialLinkTest, TileLengthOutsideTheRangeIsAnUnknownPacket) {
  for (const qint32 length : {-1, -16, (1 << 20) + 1}) {
    SCOPED_TRACE(length);
    ClearLog();
    Feed(Le32(14) + Le32(length) + Le32(0) + Le32(0) + TileBytes(32));
    EXPECT_EQ(pty.Received(), NopReply());
    EXPECT_EQ(link->PendingSize(), 0);
    EXPECT_FALSE(Log().contains("recv: ComGetScreen"));
  }
  // The largest tile accepted waits for its bytes.
  Feed(Le32(14) + Le32(1 << 20) + Le32(0) + Le32(0) + TileBytes(32));
  EXPECT_TRUE(pty.Received().isEmpty());
  EXPECT_EQ(link->PendingSize(), 48);
  link->ClearPending();

  // Lengths up to 8 are consumed and answered; nothing is drawn.
  for (const int length : {0, 8}) {
    Feed(ScreenPacket(0, 0, TileBytes(length)));
    EXPECT_EQ(pty.Received(), NopReply());
  }
  Feed(ScreenPacket(5, 6, TileBytes(9)));
  EXPECT_EQ(pty.Received(), NopReply());
  ASSERT_EQ(view.Tiles().size(), 1);
  EXPECT_EQ(view.Tiles()[0].data, TileBytes(9));
}

TEST_F(SerialLinkTest, UndecodableTileIsSkippedAndAnswered) {
  view.throwOnTile = true;
  QueueKeys(1);
  Feed(ScreenPacket(0, 0, TileBytes(50)) + NopPacket());
  EXPECT_EQ(pty.Received(), CommandsReply(Hex("3001")) + NopReply());
  EXPECT_EQ(link->PendingSize(), 0);
  EXPECT_EQ(Log(),
            QStringList({"recv: 74", "image: 66", "recv: ComGetScreen",
                         RecordingView::kDecodeError, "command",
                         "send: ComReply", "recv: ComNOP", "send: ComReply"}));
}

TEST_F(SerialLinkTest, SilenceRuleDropsHalfATileOnceAfterOneSecond) {
  qint64 now = 5000;
  link->SetClock([&] { return now; });
  // Nothing received yet: the rule has nothing to do.
  now = 100000;
  link->TimerLostPacketTimer();
  EXPECT_TRUE(pty.Received().isEmpty());

  now = 5000;
  Feed(ScreenPacket(0, 0, TileBytes(200)).left(100));
  EXPECT_EQ(link->LastReceiveTime(), 5000);
  ASSERT_TRUE(link->TimerLostPacket().isActive());

  // Drive the real timer quickly; the clock decides.
  link->TimerLostPacket().setInterval(2);
  now = 6000;
  PumpFor(30);
  EXPECT_TRUE(pty.Received().isEmpty());
  EXPECT_EQ(link->PendingSize(), 100);

  now = 6001;
  EXPECT_EQ(pty.ReceiveWhilePumping(9), NopReply());
  EXPECT_EQ(link->PendingSize(), 0);
  EXPECT_FALSE(link->TimerLostPacket().isActive());
  now = 60000;
  PumpFor(30);
  EXPECT_TRUE(pty.Received().isEmpty());
  EXPECT_TRUE(view.Tiles().isEmpty());

  // The next chunk starts the timer again.
  Feed(NopPacket());
  EXPECT_TRUE(link->TimerLostPacket().isActive());
  EXPECT_EQ(pty.Received(), NopReply());
}

TEST_F(SerialLinkTest, LogGivesTheCountThePortReported) {
  // A port of its own, not wired to the module, so the bytes wait unread.
  TestPty other;
  TSerialPort port;
  port.SetPortName(other.Path());
  port.Open();
  const QByteArray packet = ScreenPacket(3, 4, TileBytes(10004));
  other.Write(packet);
  ASSERT_TRUE(PumpUntil([&] { return port.BytesWaiting() == 10020; }));

  // The read takes the reported count plus 10000: one byte short.
  link->ComPortRxChar(&port, 1);
  EXPECT_EQ(port.BytesWaiting(), 19);
  EXPECT_TRUE(view.Tiles().isEmpty());
  link->ComPortRxChar(&port, 19);
  EXPECT_EQ(view.Tiles().size(), 1);
  EXPECT_EQ(other.Received(), NopReply());
  EXPECT_EQ(Log(), QStringList({"recv: 1", "recv: 19", "image: 10020",
                                "recv: ComGetScreen", "send: ComReply"}));
}

TEST_F(SerialLinkTest, WriteErrorsAreSwallowed) {
  QueueKeys(2);
  link->ComPort().Close();
  EXPECT_NO_THROW(Feed(NopPacket()));
  // The bytes taken for the lost reply are not put back.
  EXPECT_EQ(queue.Size(), 0);
  EXPECT_EQ(Log(), QStringList({"OnAfterClose", "recv: 8", "recv: ComNOP",
                                "command", "send: ComReply"}));
}

TEST_F(SerialLinkTest, LogThatCannotBeWrittenNeverLeavesTheTimerOrThePort) {
  qint64 now = 5000;
  link->SetClock([&] { return now; });
  Feed(ScreenPacket(0, 0, TileBytes(200)).left(100));
  SetLogFilePath("/dev/full");
  QueueKeys(1);
  const QByteArray queued = queue.Bytes();
  now += 1001;
  // The silence rule's reply logs "command"; closing logs "OnAfterClose".
  EXPECT_NO_THROW(link->TimerLostPacketTimer());
  EXPECT_EQ(pty.Received(), CommandsReply(queued));
  LogCommands = true;
  EXPECT_NO_THROW(link->ComPort().Close());
  EXPECT_FALSE(LogCommands);
}

TEST_F(SerialLinkTest, VanishedDeviceClosesComPort) {
  pty.CloseMaster();
  ASSERT_TRUE(PumpUntil([&] { return !link->ComPort().IsOpen(); }));
  EXPECT_EQ(Log(), QStringList({"OnAfterClose"}));
  EXPECT_LT(link->ComPort().ErrorCount(), 10);
}

TEST_F(SerialLinkTest, ManagerStepsOnComPort) {
  // The cable connect's baud rate stays on the port.
  link->CloseComPort(false);
  EXPECT_FALSE(link->ComPort().IsOpen());
  EXPECT_TRUE(pty.Received().isEmpty());
  link->OpenComPort(pty.Path(), 256000);
  EXPECT_EQ(link->ComPort().BaudRate(), 256000);
  link->CloseComPort(false);
  link->OpenComPort(pty.Path());
  EXPECT_EQ(link->ComPort().BaudRate(), 256000);
  EXPECT_EQ(link->ComPort().PortName(), pty.Path());

  // Closing with a word: queue emptied, Discon written, port closed.
  QueueKeys(3);
  link->CloseComPort(true);
  EXPECT_FALSE(link->ComPort().IsOpen());
  EXPECT_EQ(pty.Received(), DisconReply());
  EXPECT_EQ(queue.Size(), 0);

  EXPECT_THROW(link->OpenComPort(dir.File("no-such-port")), TSerialError);
  EXPECT_FALSE(link->ComPort().IsOpen());
}
