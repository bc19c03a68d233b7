// The connection manager without a window: a recording double stands in
// for the main window's controls, real ports and a real listener for the
// links.
#include "link/CommandQueue.h"
#include "link/ConnectionManager.h"
#include "link/SerialLink.h"
#include "link/TcpLink.h"
#include "platform/SerialPortList.h"
#include "support/TempDir.h"
#include "test_serial_pty.h"

#include <QFile>
#include <QTcpServer>

namespace {

// Records every change the manager asks of the window, in order.
class RecordingWindow : public ConnectionView {
public:
  ConnectionSettings settings;
  QStringList calls;
  std::function<void(const QString &, bool)> onStore;

  ConnectionSettings connectionSettings() const override { return settings; }
  void setConnectCommandsEnabled(bool on) override {
    calls << QStringLiteral("commands %1").arg(on ? "on" : "off");
  }
  void setDisconnectEnabled(bool on) override {
    calls << QStringLiteral("disconnect %1").arg(on ? "on" : "off");
  }
  void setIndicatorShown(LinkKind link, bool shown) override {
    static const char *names[] = {"cable", "bluetooth", "gprs", "auto"};
    calls << QStringLiteral("%1 %2").arg(names[int(link)],
                                         shown ? "shown" : "hidden");
  }
  void showLinkState(int index) override {
    calls << QStringLiteral("led %1").arg(index);
  }
  void clearLinkTexts() override { calls << "texts cleared"; }
  void clearScreen() override { calls << "screen cleared"; }
  void setWatchdogRunning(bool on) override {
    calls << QStringLiteral("watchdog %1").arg(on ? "on" : "off");
  }
  void showSerialOpenError(LinkKind link) override {
    calls << QStringLiteral("open error %1").arg(int(link));
  }
  void showNoSerialPortOpened() override { calls << "no port"; }
  void showListenError(const QString &message) override {
    calls << "listen error: " + message;
  }
  std::unique_ptr<ScanProgress> createScanProgress() override {
    calls << "scan";
    return nullptr;
  }
  void storeFoundPort(const QString &port, bool isCable) override {
    calls << QStringLiteral("store %1 %2").arg(port).arg(isCable);
    if (onStore)
      onStore(port, isCable);
  }
};

const QStringList kIdleAgain = {
    "led 0",           "commands on",  "texts cleared",
    "disconnect off",  "watchdog off", "cable shown",
    "bluetooth shown", "gprs shown",   "screen cleared"};

class ConnectionManagerTest : public ::testing::Test {
protected:
  void SetUp() override {
    qunsetenv(kSerialPortTableEnv);
    dataCom.setConfigDir(dir.path());
    dataCom.setClock([this] { return now; });
  }
  void TearDown() override { qunsetenv(kSerialPortTableEnv); }

  // The machine's port list holds just this terminal, under the device.
  void listPort(const QByteArray &device, const TestPty &pty) {
    QFile table(dir.file("ports.ini"));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write(device + "=" + pty.path().toLocal8Bit() + "\r\n");
    table.close();
    qputenv(kSerialPortTableEnv, table.fileName().toLocal8Bit());
  }

  ScopedTempDir dir;
  RecordingView view;
  CommandQueue queue;
  RecordingWindow window;
  TcpLink tcp{view, queue};
  SerialLink dataCom{queue, &view};
  ConnectionManager manager{window, tcp, queue, &dataCom, &dataCom};
  qint64 now = 1000000;
};

} // namespace

TEST_F(ConnectionManagerTest, GprsOpensAndDisconnectReturnsToIdle) {
  window.settings.port = 0;
  manager.connectGprs();
  ASSERT_TRUE(tcp.active());
  EXPECT_TRUE(manager.linkOpen());
  EXPECT_EQ(window.calls, QStringList({"commands off", "disconnect on",
                                       "gprs hidden", "led 1"}));
  window.calls.clear();
  queue.putKeyCode(0x0130);
  manager.disconnectLink();
  EXPECT_FALSE(tcp.active());
  EXPECT_FALSE(manager.linkOpen());
  EXPECT_EQ(window.calls, kIdleAgain);
  EXPECT_EQ(queue.size(), 0); // keys are not kept for the next phone
}

TEST_F(ConnectionManagerTest, FailuresToOpenLeaveTheStateIdle) {
  QTcpServer blocker;
  ASSERT_TRUE(blocker.listen(QHostAddress::AnyIPv4, 0));
  window.settings.port = blocker.serverPort();
  window.settings.blueToothPort = dir.file("no-such-port");
  window.settings.dataPort = dir.file("no-such-cable");
  manager.connectGprs();
  manager.connectBluetooth();
  manager.connectCable();
  EXPECT_FALSE(manager.linkOpen());
  EXPECT_EQ(window.calls,
            QStringList({"listen error: Could not bind socket. Address and "
                         "port are already in use.",
                         "open error 1", "open error 0"}));
}

TEST_F(ConnectionManagerTest, AutoconnectWaitsOnTheProbePortsAlone) {
  TestPty pty;
  listPort("\\Device\\BthModem0", pty);
  manager.autoconnect();
  // Further clicks on connect commands while the scan waits do nothing.
  manager.autoconnect();
  manager.connectGprs();
  EXPECT_FALSE(tcp.active());
  EXPECT_EQ(dataCom.probePorts().size(), 1);
  EXPECT_EQ(window.calls,
            QStringList({"scan", "commands off", "disconnect on", "led 1"}));

  // The phone answers: its port is stored and its indicator lit.
  window.calls.clear();
  pty.write(nopPacket());
  ASSERT_TRUE(pumpUntil([&] { return !window.calls.isEmpty(); }));
  EXPECT_EQ(window.calls,
            QStringList({"store " + pty.path() + " 0", "bluetooth hidden"}));
  manager.disconnectLink();
  EXPECT_TRUE(dataCom.probePorts().isEmpty());
}

TEST_F(ConnectionManagerTest, AutoconnectWithoutAnOpenPortStaysIdle) {
  // A listed port that does not open, then an empty list.
  QFile table(dir.file("ports.ini"));
  ASSERT_TRUE(table.open(QIODevice::WriteOnly));
  table.write("\\Device\\USBSER000=" + dir.file("gone").toLocal8Bit() + "\r\n");
  table.close();
  qputenv(kSerialPortTableEnv, table.fileName().toLocal8Bit());
  manager.autoconnect();
  ASSERT_TRUE(table.open(QIODevice::WriteOnly | QIODevice::Truncate));
  table.close();
  manager.autoconnect();
  EXPECT_FALSE(manager.linkOpen());
  EXPECT_FALSE(dataCom.probePortsOpen());
  EXPECT_EQ(window.calls, QStringList({"scan", "no port", "scan", "no port"}));
}

TEST_F(ConnectionManagerTest, ErrorsWhileHandlingBytesAreReportedNotThrown) {
  TestPty pty;
  listPort("\\Device\\USBSER000", pty);
  window.onStore = [](const QString &, bool) {
    throw std::runtime_error("Unable to write to Quorvane.ini");
  };
  QStringList reported;
  QObject::connect(&dataCom, &SerialLink::errorRaised,
                   [&](const QString &m) { reported << m; });
  manager.autoconnect();
  pty.write(nopPacket());
  // The port's signal handler returns normally; the error is handed on.
  ASSERT_TRUE(pumpUntil([&] { return !reported.isEmpty(); }));
  EXPECT_EQ(reported, QStringList("Unable to write to Quorvane.ini"));
  manager.disconnectLink();
}

TEST_F(ConnectionManagerTest, WatchdogClosesASilentBluetoothLinkAndReopensIt) {
  TestPty pty;
  window.settings.blueToothPort = pty.path();
  manager.connectBluetooth();
  ASSERT_TRUE(dataCom.comPort().isOpen());
  manager.checkPortWatchdog(); // nothing received yet: never closed
  EXPECT_TRUE(manager.linkOpen());

  dataCom.handleSerialChunk(&dataCom.comPort(), nopPacket(), 8);
  now += 5999; // five whole seconds: still open
  manager.checkPortWatchdog();
  EXPECT_TRUE(manager.linkOpen());
  window.calls.clear();
  now += 1;
  manager.checkPortWatchdog();
  QStringList expected = kIdleAgain;
  expected << "watchdog on"
           << "commands off"
           << "disconnect on"
           << "bluetooth hidden"
           << "led 1";
  EXPECT_EQ(window.calls, expected);
  EXPECT_TRUE(dataCom.comPort().isOpen());
  EXPECT_EQ(dataCom.lastReceiveTime(), 0);
  manager.disconnectLink();
}
