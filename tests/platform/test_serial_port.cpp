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
  explicit PortWatcher(SerialPort &port, qint64 readPerEvent = 1 << 20)
      : m_port(port), m_readPerEvent(readPerEvent) {
    connect(
        &port, &SerialPort::bytesArrived, this,
        [this](SerialPort *p, qint64 count) {
          arrivals.append({count, QThread::currentThread() == qApp->thread()});
          if (m_readPerEvent > 0)
            received += p->read(m_readPerEvent);
        });
    connect(&port, &SerialPort::closed, this, [this] { ++closed; });
    connect(&port, &SerialPort::deviceLost, this, [this] { ++lost; });
    connect(&port, &SerialPort::lineError, this, [this] { ++lineErrors; });
  }

  QList<Arrival> arrivals;
  QByteArray received;
  int closed = 0;
  int lost = 0;
  int lineErrors = 0;

private:
  SerialPort &m_port;
  qint64 m_readPerEvent;
};

} // namespace

TEST(SerialPort, OpensATerminalAndCarriesBytesBothWays) {
  TestPty pty;
  ASSERT_TRUE(pty.isValid());
  for (const qint32 rate : {9600, 115200, 256000}) {
    SCOPED_TRACE(rate);
    SerialPort port;
    PortWatcher watcher(port);
    // A name under /dev works as well as the full path.
    port.setPortName(pty.path().mid(5));
    SerialSettings settings;
    settings.baudRate = rate;
    port.setSettings(settings);
    // DTR and RTS cannot be set on a terminal; the port opens anyway.
    ASSERT_NO_THROW(port.open());
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.baudRate(), rate);

    port.write(QByteArray("\x00\x01^", 3));
    EXPECT_EQ(pty.received(), QByteArray("\x00\x01^", 3));

    pty.write(QByteArray("phone\0bytes", 11));
    ASSERT_TRUE(pumpUntil([&] { return watcher.received.size() == 11; }));
    EXPECT_EQ(watcher.received, QByteArray("phone\0bytes", 11));
    ASSERT_FALSE(watcher.arrivals.isEmpty());
    EXPECT_TRUE(watcher.arrivals[0].onGuiThread);
    EXPECT_EQ(watcher.arrivals[0].count, 11);

    // Nothing waiting: a read returns at once, empty.
    EXPECT_TRUE(port.read(100).isEmpty());
    EXPECT_EQ(port.bytesWaiting(), 0);

    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(watcher.closed, 1);
    port.close();
    EXPECT_EQ(watcher.closed, 1);
  }
}

TEST(SerialPort, OpenErrors) {
  TestPty pty;
  ScopedTempDir dir;
  SerialPort port;

  port.setPortName(dir.file("ttyNothing"));
  EXPECT_THROW(port.open(), SerialError);
  EXPECT_FALSE(port.isOpen());

  port.setPortName(QString());
  EXPECT_THROW(port.open(), SerialError);

  // A baud rate the device refuses fails the open.
  port.setPortName(pty.path());
  port.setBaudRate(0);
  try {
    port.open();
    ADD_FAILURE() << "opened at 0 baud";
  } catch (const SerialError &e) {
    EXPECT_NE(std::string(e.what()).find(pty.path().toStdString()),
              std::string::npos);
  }
  EXPECT_FALSE(port.isOpen());

  port.setBaudRate(115200);
  ASSERT_NO_THROW(port.open());
  // On an open port the rate applies at once, or the change fails.
  EXPECT_NO_THROW(port.setBaudRate(256000));
  EXPECT_THROW(port.setBaudRate(-5), SerialError);
  EXPECT_TRUE(port.isOpen());

  // A port is opened by one owner at a time.
  SerialPort second;
  second.setPortName(pty.path());
  EXPECT_THROW(second.open(), SerialError);
  port.close();
  EXPECT_NO_THROW(second.open());
}

TEST(SerialPort, VanishedDeviceIsClosedAndNotSpunOn) {
  TestPty pty;
  SerialPort port;
  PortWatcher watcher(port);
  port.setPortName(pty.path());
  port.open();
  const int errorsAfterOpen = port.errorCount();

  pty.closeMaster();
  ASSERT_TRUE(pumpUntil([&] { return !port.isOpen(); }, 2000));
  EXPECT_EQ(watcher.lost, 1);
  EXPECT_EQ(watcher.closed, 1);

  // Left alone, the closed port raises nothing more.
  const int errorsAtClose = port.errorCount();
  EXPECT_LT(errorsAtClose - errorsAfterOpen, 5);
  pumpFor(50);
  EXPECT_EQ(port.errorCount(), errorsAtClose);
  EXPECT_THROW(port.write("x"), SerialError);
}

TEST(SerialPort, WriteToAVanishedDeviceClosesThePort) {
  TestPty pty;
  SerialPort port;
  PortWatcher watcher(port);
  port.setPortName(pty.path());
  port.open();
  pty.closeMaster();
  // No event loop ran: the write is the first to notice.
  EXPECT_THROW(port.write(QByteArray(9, 'x')), SerialError);
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(watcher.lost, 1);
}

TEST(SerialPort, WriteTimesOutWhenTheDeviceTakesNothing) {
  TestPty pty;
  SerialPort port;
  port.setPortName(pty.path());
  SerialSettings settings;
  settings.writeTimeoutPerByteMs = 0;
  settings.writeTimeoutConstantMs = 50;
  port.setSettings(settings);
  port.open();

  // The master reads nothing, so the terminal's buffer fills.
  QElapsedTimer timer;
  timer.start();
  try {
    for (int i = 0; i < 64; ++i)
      port.write(QByteArray(64 * 1024, 'x'));
    ADD_FAILURE() << "4 MiB written to a terminal nobody reads";
  } catch (const SerialError &e) {
    EXPECT_NE(std::string(e.what()).find("time-out"), std::string::npos);
  }
  EXPECT_GE(timer.elapsed(), 45);
  // A slow device is not a vanished one.
  EXPECT_TRUE(port.isOpen());

  port.close();
  EXPECT_THROW(port.write("x"), SerialError);
}

TEST(SerialPort, BytesLeftUnreadAreAnnouncedAgain) {
  TestPty pty;
  SerialPort port;
  // Takes four bytes per announcement.
  PortWatcher watcher(port, 4);
  port.setPortName(pty.path());
  port.open();
  pty.write("abcdefghijkl");
  ASSERT_TRUE(pumpUntil([&] { return watcher.received.size() == 12; }));
  EXPECT_EQ(watcher.received, "abcdefghijkl");
  ASSERT_GE(watcher.arrivals.size(), 3);

  // A receiver that reads nothing is not called again and again.
  TestPty quiet;
  SerialPort idle;
  PortWatcher idleWatcher(idle, 0);
  idle.setPortName(quiet.path());
  idle.open();
  quiet.write("abc");
  ASSERT_TRUE(pumpUntil([&] { return !idleWatcher.arrivals.isEmpty(); }));
  pumpFor(30);
  EXPECT_EQ(idleWatcher.arrivals.size(), 1);
  EXPECT_EQ(idle.bytesWaiting(), 3);
}
