// The serial port layer on pseudo-terminals.

#include "link/test_serial_pty.h"
#include "platform/SerialPort.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QThread>

namespace {

struct Arrival {
  qint64 count;
  bool onGuiThread;
};

// Records the port's signals; reads up to readPerEvent bytes per arrival.
class PortWatcher : public QObject {
public:
  explicit PortWatcher(TSerialPort &port, qint64 readPerEvent = 1 << 20)
      : m_port(port), m_readPerEvent(readPerEvent) {
    connect(
        &port, &TSerialPort::BytesArrived, this,
        [this](TSerialPort *p, qint64 count) {
          arrivals.append({count, QThread::currentThread() == qApp->thread()});
          if (m_readPerEvent > 0)
            received += p->Read(m_readPerEvent);
        });
    connect(&port, &TSerialPort::Closed, this, [this] { ++closed; });
    connect(&port, &TSerialPort::DeviceLost, this, [this] { ++lost; });
    connect(&port, &TSerialPort::LineError, this, [this] { ++lineErrors; });
  }

  QList<Arrival> arrivals;
  QByteArray received;
  int closed = 0;
  int lost = 0;
  int lineErrors = 0;

private:
  TSerialPort &m_port;
  qint64 m_readPerEvent;
};

} // namespace

TEST(SerialPort, OpensATerminalAndCarriesBytesBothWays) {
  TestPty pty;
  ASSERT_TRUE(pty.IsValid());
  for (const qint32 rate : {9600, 115200, 256000}) {
    SCOPED_TRACE(rate);
    TSerialPort port;
    PortWatcher watcher(port);
    // A name under /dev works as well as the full path.
    port.SetPortName(pty.Path().mid(5));
    TSerialSettings settings;
    settings.BaudRate = rate;
    port.SetSettings(settings);
    // DTR and RTS cannot be set on a terminal; the port opens anyway.
    ASSERT_NO_THROW(port.Open());
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.BaudRate(), rate);

    port.Write(QByteArray("\x00\x01^", 3));
    EXPECT_EQ(pty.Received(), QByteArray("\x00\x01^", 3));

    pty.Write(QByteArray("phone\0bytes", 11));
    ASSERT_TRUE(PumpUntil([&] { return watcher.received.size() == 11; }));
    EXPECT_EQ(watcher.received, QByteArray("phone\0bytes", 11));
    ASSERT_FALSE(watcher.arrivals.isEmpty());
    EXPECT_TRUE(watcher.arrivals[0].onGuiThread);
    EXPECT_EQ(watcher.arrivals[0].count, 11);

    // Nothing waiting: a read returns at once, empty.
    EXPECT_TRUE(port.Read(100).isEmpty());
    EXPECT_EQ(port.BytesWaiting(), 0);

    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(watcher.closed, 1);
    port.Close();
    EXPECT_EQ(watcher.closed, 1);
  }
}

TEST(SerialPort, OpenErrors) {
  TestPty pty;
  ScopedTempDir dir;
  TSerialPort port;

  port.SetPortName(dir.File("ttyNothing"));
  EXPECT_THROW(port.Open(), TSerialError);
  EXPECT_FALSE(port.IsOpen());

  port.SetPortName(QString());
  EXPECT_THROW(port.Open(), TSerialError);

  // A baud rate the device refuses fails the open.
  port.SetPortName(pty.Path());
  port.SetBaudRate(0);
  try {
    port.Open();
    ADD_FAILURE() << "opened at 0 baud";
  } catch (const TSerialError &e) {
    EXPECT_NE(std::string(e.what()).find(pty.Path().toStdString()),
              std::string::npos);
  }
  EXPECT_FALSE(port.IsOpen());

  port.SetBaudRate(115200);
  ASSERT_NO_THROW(port.Open());
  // On an open port the rate applies at once, or the change fails.
  EXPECT_NO_THROW(port.SetBaudRate(256000));
  EXPECT_THROW(port.SetBaudRate(-5), TSerialError);
  EXPECT_TRUE(port.IsOpen());

  // A port is opened by one owner at a time.
  TSerialPort second;
  second.SetPortName(pty.Path());
  EXPECT_THROW(second.Open(), TSerialError);
  port.Close();
  EXPECT_NO_THROW(second.Open());
}

TEST(SerialPort, VanishedDeviceIsClosedAndNotSpunOn) {
  TestPty pty;
  TSerialPort port;
  PortWatcher watcher(port);
  port.SetPortName(pty.Path());
  port.Open();
  const int errorsAfterOpen = port.ErrorCount();

  pty.CloseMaster();
  ASSERT_TRUE(PumpUntil([&] { return !port.IsOpen(); }, 2000));
  EXPECT_EQ(watcher.lost, 1);
  EXPECT_EQ(watcher.closed, 1);

  // Left alone, the closed port raises nothing more.
  const int errorsAtClose = port.ErrorCount();
  EXPECT_LT(errorsAtClose - errorsAfterOpen, 5);
  PumpFor(50);
  EXPECT_EQ(port.ErrorCount(), errorsAtClose);
  EXPECT_THROW(port.Write("x"), TSerialError);
}

TEST(SerialPort, WriteToAVanishedDeviceClosesThePort) {
  TestPty pty;
  TSerialPort port;
  PortWatcher watcher(port);
  port.SetPortName(pty.Path());
  port.Open();
  pty.CloseMaster();
  // No event loop ran: the write is the first to notice.
  EXPECT_THROW(port.Write(QByteArray(9, 'x')), TSerialError);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(watcher.lost, 1);
}

TEST(SerialPort, WriteTimesOutWhenTheDeviceTakesNothing) {
  TestPty pty;
  TSerialPort port;
  port.SetPortName(pty.Path());
  TSerialSettings settings;
  settings.WriteTimeoutPerByteMs = 0;
  settings.WriteTimeoutConstantMs = 50;
  port.SetSettings(settings);
  port.Open();

  // The master reads nothing, so the terminal's buffer fills.
  QElapsedTimer timer;
  timer.start();
  try {
    for (int i = 0; i < 64; ++i)
      port.Write(QByteArray(64 * 1024, 'x'));
    ADD_FAILURE() << "4 MiB written to a terminal nobody reads";
  } catch (const TSerialError &e) {
    EXPECT_NE(std::string(e.what()).find("time-out"), std::string::npos);
  }
  EXPECT_GE(timer.elapsed(), 45);
  // A slow device is not a vanished one.
  EXPECT_TRUE(port.IsOpen());

  port.Close();
  EXPECT_THROW(port.Write("x"), TSerialError);
}

TEST(SerialPort, BytesLeftUnreadAreAnnouncedAgain) {
  TestPty pty;
  TSerialPort port;
  // Takes four bytes per announcement.
  PortWatcher watcher(port, 4);
  port.SetPortName(pty.Path());
  port.Open();
  pty.Write("abcdefghijkl");
  ASSERT_TRUE(PumpUntil([&] { return watcher.received.size() == 12; }));
  EXPECT_EQ(watcher.received, "abcdefghijkl");
  ASSERT_GE(watcher.arrivals.size(), 3);

  // A receiver that reads nothing is not called again and again.
  TestPty quiet;
  TSerialPort idle;
  PortWatcher idleWatcher(idle, 0);
  idle.SetPortName(quiet.Path());
  idle.Open();
  quiet.Write("abc");
  ASSERT_TRUE(PumpUntil([&] { return !idleWatcher.arrivals.isEmpty(); }));
  PumpFor(30);
  EXPECT_EQ(idleWatcher.arrivals.size(), 1);
  EXPECT_EQ(idle.BytesWaiting(), 3);
}
