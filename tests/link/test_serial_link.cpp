// The serial packet link over real pseudo-terminals: the master side plays
// the phone, comPort of the serial data module is opened on the slave.

#include "common/EventLog.h"
#include "link/CommandQueue.h"
#include "link/SerialLink.h"
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
    ASSERT_TRUE(pty.isValid());
    EventLog::instance().setFilePath(dir.file("link.log"));
    EventLog::instance().setOn(LogSwitch::Commands, true);
    EventLog::instance().setOn(LogSwitch::PacketSize, true);
    link = std::make_unique<SerialLink>(queue, &view);
    link->setConfigDir(dir.path());
    link->openComPort(pty.path());
  }
  void TearDown() override {
    link.reset();
    EventLog::instance().setOn(LogSwitch::Commands, false);
    EventLog::instance().setOn(LogSwitch::PacketSize, false);
    EventLog::instance().setFilePath(QString());
  }

  // One chunk as the port would deliver it.
  void feed(const QByteArray &chunk) {
    link->handleSerialChunk(&link->comPort(), chunk, chunk.size());
  }
  QStringList log() const { return logMessages(dir.file("link.log")); }
  void clearLog() { QFile::remove(dir.file("link.log")); }

  ScopedTempDir dir;
  TestPty pty;
  RecordingView view;
  CommandQueue queue;
  std::unique_ptr<SerialLink> link;

  void QueueKeys(int count) {
    for (int i = 0; i < count; ++i)
      queue.putKeyCode(quint16(0x0130 + i));
  }
};

} // namespace

TEST_F(SerialLinkTest, NopGetsNopReplyThroughThePort) {
  pty.write(hex("0b00000000000000"));
  EXPECT_EQ(pty.receiveWhilePumping(9), hex("0b000000000000005e"));
  EXPECT_EQ(log(), QStringList({"recv: 8", "recv: ComNOP", "send: ComReply"}));
  EXPECT_EQ(view.activity.load(), 1);
  EXPECT_EQ(view.restarts.load(), 1);
  EXPECT_NE(link->lastReceiveTime(), 0);
  EXPECT_TRUE(link->timerLostPacket().isActive());
  EXPECT_EQ(link->timerLostPacket().interval(), 500);

  // With the switches off the exchange is the same and nothing is logged.
  EventLog::instance().setOn(LogSwitch::Commands, false);
  EventLog::instance().setOn(LogSwitch::PacketSize, false);
  pty.write(nopPacket());
  EXPECT_EQ(pty.receiveWhilePumping(9), nopReply());
  EXPECT_EQ(log().size(), 3);
}

TEST_F(SerialLinkTest, QueueGoesOutTwentyBytesPerReply) {
  QueueKeys(12);
  const QByteArray queued = queue.bytes();
  ASSERT_EQ(queued.size(), 24);

  feed(nopPacket());
  EXPECT_EQ(pty.received(),
            hex("0d00000014000000") + queued.left(20) + hex("5e"));
  feed(nopPacket());
  EXPECT_EQ(pty.received(), hex("0d00000004000000") + queued.mid(20) + "^");
  feed(nopPacket());
  EXPECT_EQ(pty.received(), nopReply());
  EXPECT_EQ(log(),
            QStringList({"recv: 8", "recv: ComNOP", "command", "send: ComReply",
                         "recv: 8", "recv: ComNOP", "command", "send: ComReply",
                         "recv: 8", "recv: ComNOP", "send: ComReply"}));
}

namespace {

// Checks from another thread, during every write, that the queue can be
// used: a key press made while the reply is written must not wait for it.
class LockCheckingPort : public SerialPort {
public:
  LockCheckingPort(CommandQueue &queue) : m_queue(queue) {}
  void write(const QByteArray &data) override {
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    std::thread other([&] {
      m_queue.size();
      done.set_value();
    });
    const bool free =
        finished.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    lockFreeDuringWrite.append(free);
    SerialPort::write(data);
    other.join();
  }
  QList<bool> lockFreeDuringWrite;

private:
  CommandQueue &m_queue;
};

} // namespace

TEST_F(SerialLinkTest, QueueLockIsNotHeldWhileWriting) {
  LockCheckingPort port(queue);
  port.setPortName(pty.path());
  link->comPort().close();
  port.open();
  QueueKeys(3);
  link->handleSerialChunk(&port, nopPacket() + nopPacket(), 16);
  // Both replies of the chunk in one write.
  EXPECT_EQ(port.lockFreeDuringWrite, QList<bool>({true}));
  EXPECT_EQ(pty.received(), commandsReply(hex("300131013201")) + nopReply());

  // Outside a chunk (the silence rule) a reply is written on its own.
  QueueKeys(1);
  link->sendSerialReply(&port);
  EXPECT_EQ(port.lockFreeDuringWrite, QList<bool>({true, true}));
  EXPECT_EQ(pty.received(), commandsReply(hex("3001")));
}

TEST_F(SerialLinkTest, TileSplitOverThreeChunksIsHandledOnce) {
  const QByteArray tile = tileBytes(100);
  const QByteArray packet = screenPacket(24, 48, tile);
  feed(packet.left(5));
  feed(packet.mid(5, 55));
  EXPECT_TRUE(view.tiles().isEmpty());
  EXPECT_TRUE(pty.received().isEmpty());
  EXPECT_EQ(link->pending(), packet.left(60));

  feed(packet.mid(60));
  ASSERT_EQ(view.tiles().size(), 1);
  EXPECT_EQ(view.tiles()[0].data, tile);
  EXPECT_EQ(view.tiles()[0].x, 24);
  EXPECT_EQ(view.tiles()[0].y, 48);
  EXPECT_EQ(pty.received(), nopReply());
  EXPECT_EQ(link->pendingSize(), 0);
  EXPECT_EQ(log(), QStringList({"recv: 5", "recv: 55", "recv: 56", "image: 116",
                                "recv: ComGetScreen", "send: ComReply"}));
}

TEST_F(SerialLinkTest, OneChunkWithNopAndTileGetsTwoRepliesInOrder) {
  QueueKeys(11);
  const QByteArray queued = queue.bytes();
  const QByteArray tile = tileBytes(40, 3);
  feed(nopPacket() + screenPacket(0, 8, tile));
  EXPECT_EQ(pty.received(),
            commandsReply(queued.left(20)) + commandsReply(queued.mid(20)));
  ASSERT_EQ(view.tiles().size(), 1);
  EXPECT_EQ(view.tiles()[0].data, tile);
  EXPECT_EQ(log(),
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
    burst += screenPacket(i, 2 * i, tileBytes(300 + i, i));
  pty.write(burst);
  const QByteArray replies = pty.receiveWhilePumping(60 * 9);
  EXPECT_EQ(replies, nopReply().repeated(60));
  ASSERT_EQ(view.tiles().size(), 60);
  for (int i = 0; i < 60; ++i) {
    EXPECT_EQ(view.tiles()[i].x, i);
    EXPECT_EQ(view.tiles()[i].data, tileBytes(300 + i, i));
  }
  // Reading everything that arrived per event: far fewer events than
  // packets.
  EXPECT_LT(view.activity.load(), 40);
  EXPECT_EQ(link->pendingSize(), 0);
}

TEST_F(SerialLinkTest, UnrecognisedKindDropsEverythingPending) {
  for (const qint32 kind : {13, 15, 99, -1}) {
    SCOPED_TRACE(kind);
    clearLog();
    feed(le32(kind) + nopPacket() + screenPacket(1, 2, tileBytes(20)) +
         authPacket(hex("0102030405060708")));
    EXPECT_EQ(pty.received(), nopReply());
    EXPECT_EQ(link->pendingSize(), 0);
    EXPECT_EQ(log(), QStringList({"recv: 68"}));
  }
  EXPECT_TRUE(view.tiles().isEmpty());
  EXPECT_TRUE(view.identities().isEmpty());
}

TEST_F(SerialLinkTest, AuthStoresAndShowsTheIdentification) {
  feed(authPacket(hex("7856341211223344")));
  EXPECT_EQ(view.idle.load(), 1);
  EXPECT_EQ(view.identities(), QList<QByteArray>({"12345678"}));
  const PhoneId expected{0x78, 0x56, 0x34, 0x12, 0x11, 0x22, 0x33, 0x44};
  EXPECT_EQ(queue.phoneId(), expected);
  EXPECT_EQ(pty.received(), nopReply());
  EXPECT_EQ(log(),
            QStringList({"recv: 20", "recv: ComAuth", "send: ComReply"}));

  // Keys queued from now on are scrambled with the new block.
  queue.putKeyCode(0x0130);
  feed(nopPacket());
  EXPECT_EQ(pty.received(), commandsReply(hex("5623")));
}

TEST_F(SerialLinkTest, UnknownPhoneGetsNothingUntilAllowed) {
  PhoneGate gate;
  gate.setPolicy(true, {});
  link->setGate(&gate);
  link->openComPort(pty.path()); // a new session on the port
  QueueKeys(1);
  feed(screenPacket(0, 0, tileBytes(20)));
  feed(authPacket(hex("0102030405060708")));
  feed(nopPacket());
  EXPECT_EQ(pty.received(), nopReply() + nopReply() + nopReply());
  EXPECT_TRUE(view.tiles().isEmpty());
  EXPECT_TRUE(view.identities().isEmpty());
  ASSERT_EQ(view.asked().size(), 1);
  EXPECT_EQ(queue.size(), 2);

  ASSERT_TRUE(gate.allow(view.asked()[0]));
  feed(nopPacket());
  EXPECT_EQ(pty.received(), commandsReply(hex("3001")));
  EXPECT_EQ(view.identities(), QList<QByteArray>({"04030201"}));
  feed(screenPacket(0, 0, tileBytes(20)));
  EXPECT_EQ(view.tiles().size(), 1);
  link->setGate(nullptr);
}

TEST_F(SerialLinkTest, PacketsAreTakenOnlyWhenWhole) {
  // A NOP in three pieces.
  feed(hex("0b00"));
  feed(hex("000000"));
  EXPECT_TRUE(pty.received().isEmpty());
  feed(hex("000000"));
  EXPECT_EQ(pty.received(), nopReply());

  // A ComAuth one byte short.
  const QByteArray auth = authPacket(hex("0000000001020304"));
  feed(auth.left(19));
  EXPECT_TRUE(view.identities().isEmpty());
  EXPECT_TRUE(pty.received().isEmpty());
  feed(auth.mid(19));
  EXPECT_EQ(view.identities().size(), 1);
  EXPECT_EQ(pty.received(), nopReply());

  // A ComGetScreen before its length is known.
  feed(le32(14) + hex("0100"));
  EXPECT_TRUE(pty.received().isEmpty());
  EXPECT_EQ(link->pendingSize(), 6);
  link->clearPending();

  // Three bytes of an unknown kind wait for the fourth.
  feed(hex("636300"));
  EXPECT_TRUE(pty.received().isEmpty());
  EXPECT_EQ(link->pendingSize(), 3);
  feed(hex("00") + nopPacket());
  EXPECT_EQ(pty.received(), nopReply());
  EXPECT_EQ(link->pendingSize(), 0);
}

TEST_F(SerialLinkTest, TileLengthOutsideTheRangeIsAnUnknownPacket) {
  for (const qint32 length : {-1, -16, (1 << 20) + 1}) {
    SCOPED_TRACE(length);
    clearLog();
    feed(le32(14) + le32(length) + le32(0) + le32(0) + tileBytes(32));
    EXPECT_EQ(pty.received(), nopReply());
    EXPECT_EQ(link->pendingSize(), 0);
    EXPECT_FALSE(log().contains("recv: ComGetScreen"));
  }
  // The largest tile accepted waits for its bytes.
  feed(le32(14) + le32(1 << 20) + le32(0) + le32(0) + tileBytes(32));
  EXPECT_TRUE(pty.received().isEmpty());
  EXPECT_EQ(link->pendingSize(), 48);
  link->clearPending();

  // Lengths up to 8 are consumed and answered; nothing is drawn.
  for (const int length : {0, 8}) {
    feed(screenPacket(0, 0, tileBytes(length)));
    EXPECT_EQ(pty.received(), nopReply());
  }
  feed(screenPacket(5, 6, tileBytes(9)));
  EXPECT_EQ(pty.received(), nopReply());
  ASSERT_EQ(view.tiles().size(), 1);
  EXPECT_EQ(view.tiles()[0].data, tileBytes(9));
}

TEST_F(SerialLinkTest, UndecodableTileIsSkippedAndAnswered) {
  view.throwOnTile = true;
  QueueKeys(1);
  feed(screenPacket(0, 0, tileBytes(50)) + nopPacket());
  EXPECT_EQ(pty.received(), commandsReply(hex("3001")) + nopReply());
  EXPECT_EQ(link->pendingSize(), 0);
  EXPECT_EQ(log(),
            QStringList({"recv: 74", "image: 66", "recv: ComGetScreen",
                         RecordingView::kDecodeError, "command",
                         "send: ComReply", "recv: ComNOP", "send: ComReply"}));
}

TEST_F(SerialLinkTest, SilenceRuleDropsHalfATileOnceAfterOneSecond) {
  qint64 now = 5000;
  link->setClock([&] { return now; });
  // Nothing received yet: the rule has nothing to do, and its timer does
  // not wake the program.
  EXPECT_FALSE(link->timerLostPacket().isActive());
  now = 100000;
  link->timerLostPacketTimer();
  EXPECT_TRUE(pty.received().isEmpty());

  now = 5000;
  feed(screenPacket(0, 0, tileBytes(200)).left(100));
  EXPECT_EQ(link->lastReceiveTime(), 5000);
  ASSERT_TRUE(link->timerLostPacket().isActive());

  // Drive the real timer quickly; the clock decides.
  link->timerLostPacket().setInterval(2);
  now = 6000;
  pumpFor(30);
  EXPECT_TRUE(pty.received().isEmpty());
  EXPECT_EQ(link->pendingSize(), 100);

  now = 6001;
  EXPECT_EQ(pty.receiveWhilePumping(9), nopReply());
  EXPECT_EQ(link->pendingSize(), 0);
  EXPECT_FALSE(link->timerLostPacket().isActive());
  now = 60000;
  pumpFor(30);
  EXPECT_TRUE(pty.received().isEmpty());
  EXPECT_TRUE(view.tiles().isEmpty());

  // The next chunk starts the timer again.
  feed(nopPacket());
  EXPECT_TRUE(link->timerLostPacket().isActive());
  EXPECT_EQ(pty.received(), nopReply());
}

TEST_F(SerialLinkTest, LogGivesTheCountThePortReported) {
  // A port of its own, not wired to the module, so the bytes wait unread.
  TestPty other;
  SerialPort port;
  port.setPortName(other.path());
  port.open();
  const QByteArray packet = screenPacket(3, 4, tileBytes(10004));
  other.write(packet);
  ASSERT_TRUE(pumpUntil([&] { return port.bytesWaiting() == 10020; }));

  // The read takes the reported count plus 10000: one byte short.
  link->comPortRxChar(&port, 1);
  EXPECT_EQ(port.bytesWaiting(), 19);
  EXPECT_TRUE(view.tiles().isEmpty());
  link->comPortRxChar(&port, 19);
  EXPECT_EQ(view.tiles().size(), 1);
  EXPECT_EQ(other.received(), nopReply());
  EXPECT_EQ(log(), QStringList({"recv: 1", "recv: 19", "image: 10020",
                                "recv: ComGetScreen", "send: ComReply"}));
}

TEST_F(SerialLinkTest, WriteErrorsAreSwallowed) {
  QueueKeys(2);
  link->comPort().close();
  EXPECT_NO_THROW(feed(nopPacket()));
  // The bytes taken for the lost reply are not put back.
  EXPECT_EQ(queue.size(), 0);
  EXPECT_EQ(log(), QStringList({"OnAfterClose", "recv: 8", "recv: ComNOP",
                                "command", "send: ComReply"}));
}

TEST_F(SerialLinkTest, LogThatCannotBeWrittenNeverLeavesTheTimerOrThePort) {
  qint64 now = 5000;
  link->setClock([&] { return now; });
  feed(screenPacket(0, 0, tileBytes(200)).left(100));
  EventLog::instance().setFilePath("/dev/full");
  QueueKeys(1);
  const QByteArray queued = queue.bytes();
  now += 1001;
  // The silence rule's reply logs "command"; closing logs "OnAfterClose".
  EXPECT_NO_THROW(link->timerLostPacketTimer());
  EXPECT_EQ(pty.received(), commandsReply(queued));
  EventLog::instance().setOn(LogSwitch::Commands, true);
  EXPECT_NO_THROW(link->comPort().close());
  EXPECT_FALSE(EventLog::instance().isOn(LogSwitch::Commands));
}

TEST_F(SerialLinkTest, VanishedDeviceClosesComPort) {
  pty.closeMaster();
  ASSERT_TRUE(pumpUntil([&] { return !link->comPort().isOpen(); }));
  EXPECT_EQ(log(), QStringList({"OnAfterClose"}));
  EXPECT_LT(link->comPort().errorCount(), 10);
}

TEST_F(SerialLinkTest, ManagerStepsOnComPort) {
  // The cable connect's baud rate stays on the port.
  link->closeComPort(false);
  EXPECT_FALSE(link->comPort().isOpen());
  EXPECT_TRUE(pty.received().isEmpty());
  link->openComPort(pty.path(), 256000);
  EXPECT_EQ(link->comPort().baudRate(), 256000);
  link->closeComPort(false);
  link->openComPort(pty.path());
  EXPECT_EQ(link->comPort().baudRate(), 256000);
  EXPECT_EQ(link->comPort().portName(), pty.path());

  // Closing with a word: queue emptied, Discon written, port closed.
  QueueKeys(3);
  link->closeComPort(true);
  EXPECT_FALSE(link->comPort().isOpen());
  EXPECT_EQ(pty.received(), disconReply());
  EXPECT_EQ(queue.size(), 0);

  EXPECT_THROW(link->openComPort(dir.file("no-such-port")), SerialError);
  EXPECT_FALSE(link->comPort().isOpen());
}
