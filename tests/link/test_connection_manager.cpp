// The connection manager without a window: a recording double stands in
// for the main window's controls, real ports and a real listener for the
// links.
#include "common/Paths.h"
#include "link/CommandQueue.h"
#include "link/ConnectionManager.h"
#include "link/SrvFunctions.h"
#include "link/UnitDataCom.h"
#include "platform/SerialPortList.h"
#include "support/TempDir.h"
#include "test_serial_pty.h"

#include <QFile>
#include <QTcpServer>

namespace {

// Records every change the manager asks of the window, in order.
class RecordingWindow : public IConnectionWindow {
public:
  TConnectionSettings settings;
  QStringList calls;
  std::function<void()> onProcessEvents;
  std::function<void(const QString &, bool)> onStore;

  TConnectionSettings ConnectionSettings() const override { return settings; }
  void SetConnectCommandsEnabled(bool on) override {
    calls << QStringLiteral("commands %1").arg(on ? "on" : "off");
  }
  void SetDisconnectEnabled(bool on) override {
    calls << QStringLiteral("disconnect %1").arg(on ? "on" : "off");
  }
  void SetIndicatorShown(TLinkKind link, bool shown) override {
    static const char *names[] = {"cable", "bluetooth", "gprs", "auto"};
    calls << QStringLiteral("%1 %2").arg(names[int(link)],
                                         shown ? "shown" : "hidden");
  }
  void ShowLinkState(int index) override {
    calls << QStringLiteral("led %1").arg(index);
  }
  void ClearLinkTexts() override { calls << "texts cleared"; }
  void ClearScreen() override { calls << "screen cleared"; }
  void SetWatchdogRunning(bool on) override {
    calls << QStringLiteral("watchdog %1").arg(on ? "on" : "off");
  }
  void ShowSerialOpenError(TLinkKind link) override {
    calls << QStringLiteral("open error %1").arg(int(link));
  }
  void ShowNoSerialPortOpened() override { calls << "no port"; }
  void ShowListenError(const QString &message) override {
    calls << "listen error: " + message;
  }
  void ProcessPendingEvents() override {
    calls << "events";
    if (onProcessEvents)
      onProcessEvents();
  }
  std::unique_ptr<IScanProgress> CreateScanProgress() override {
    calls << "scan";
    return nullptr;
  }
  void StoreFoundPort(const QString &port, bool isCable) override {
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
    qunsetenv(SerialPortTableEnv);
    SetExePath(dir.File("quorvane"));
    dataCom.SetClock([this] { return now; });
    manager.SetDataComPort(&dataCom);
  }
  void TearDown() override { qunsetenv(SerialPortTableEnv); }

  // The machine's port list holds just this terminal, under the device.
  void ListPort(const QByteArray &device, const TestPty &pty) {
    QFile table(dir.File("ports.ini"));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write(device + "=" + pty.Path().toLocal8Bit() + "\r\n");
    table.close();
    qputenv(SerialPortTableEnv, table.fileName().toLocal8Bit());
  }

  ScopedTempDir dir;
  RecordingView view;
  TCommandQueue queue;
  RecordingWindow window;
  TIdTCPServer tcp{view, queue};
  TDataComPort dataCom{queue, &view};
  TConnectionManager manager{window, tcp, queue};
  qint64 now = 1000000;
};

} // namespace

TEST_F(ConnectionManagerTest, GprsOpensAndDisconnectReturnsToIdle) {
  window.settings.Port = 0;
  manager.ConnectGprs();
  ASSERT_TRUE(tcp.Active());
  EXPECT_TRUE(manager.LinkOpen());
  EXPECT_EQ(window.calls, QStringList({"commands off", "disconnect on",
                                       "gprs hidden", "led 1"}));
  window.calls.clear();
  queue.PutKeyCode(0x0130);
  manager.DisconnectLink();
  EXPECT_FALSE(tcp.Active());
  EXPECT_FALSE(manager.LinkOpen());
  EXPECT_EQ(window.calls, kIdleAgain);
  EXPECT_EQ(queue.Size(), 0); // keys are not kept for the next phone
}

TEST_F(ConnectionManagerTest, FailuresToOpenLeaveTheStateIdle) {
  QTcpServer blocker;
  ASSERT_TRUE(blocker.listen(QHostAddress::AnyIPv4, 0));
  window.settings.Port = blocker.serverPort();
  window.settings.BlueToothPort = dir.File("no-such-port");
  window.settings.DataPort = dir.File("no-such-cable");
  manager.ConnectGprs();
  manager.ConnectBluetooth();
  manager.ConnectCable();
  EXPECT_FALSE(manager.LinkOpen());
  EXPECT_EQ(window.calls,
            QStringList({"listen error: Could not bind socket. Address and "
                         "port are already in use.",
                         "open error 1", "open error 0"}));
}

TEST_F(ConnectionManagerTest, AutoconnectIsNotEnteredAgainFromPendingEvents) {
  TestPty pty;
  ListPort("\\Device\\BthModem0", pty);
  // Another click on a connect command arrives while the first runs.
  window.onProcessEvents = [this] {
    manager.Autoconnect();
    manager.ConnectGprs();
  };
  manager.Autoconnect();
  EXPECT_FALSE(tcp.Active());
  EXPECT_EQ(dataCom.ProbePorts().size(), 1);
  EXPECT_EQ(window.calls, QStringList({"events", "scan", "commands off",
                                       "disconnect on", "led 1"}));

  // The phone answers: its port is stored and its indicator lit.
  window.calls.clear();
  pty.Write(NopPacket());
  ASSERT_TRUE(PumpUntil([&] { return !window.calls.isEmpty(); }));
  EXPECT_EQ(window.calls,
            QStringList({"store " + pty.Path() + " 0", "bluetooth hidden"}));
  manager.DisconnectLink();
  EXPECT_TRUE(dataCom.ProbePorts().isEmpty());
}

TEST_F(ConnectionManagerTest, AutoconnectWithoutAnOpenPortStaysIdle) {
  // A listed port that does not open, then an empty list.
  QFile table(dir.File("ports.ini"));
  ASSERT_TRUE(table.open(QIODevice::WriteOnly));
  table.write("\\Device\\USBSER000=" + dir.File("gone").toLocal8Bit() + "\r\n");
  table.close();
  qputenv(SerialPortTableEnv, table.fileName().toLocal8Bit());
  manager.Autoconnect();
  ASSERT_TRUE(table.open(QIODevice::WriteOnly | QIODevice::Truncate));
  table.close();
  manager.Autoconnect();
  EXPECT_FALSE(manager.LinkOpen());
  EXPECT_FALSE(dataCom.ProbePortsOpen());
  EXPECT_EQ(window.calls, QStringList({"events", "scan", "no port", "events",
                                       "scan", "no port"}));
}

TEST_F(ConnectionManagerTest, ErrorsWhileHandlingBytesAreReportedNotThrown) {
  TestPty pty;
  ListPort("\\Device\\USBSER000", pty);
  window.onStore = [](const QString &, bool) {
    throw std::runtime_error("Unable to write to Quorvane.ini");
  };
  QStringList reported;
  QObject::connect(&dataCom, &TDataComPort::ErrorRaised,
                   [&](const QString &m) { reported << m; });
  manager.Autoconnect();
  pty.Write(NopPacket());
  // The port's signal handler returns normally; the error is handed on.
  ASSERT_TRUE(PumpUntil([&] { return !reported.isEmpty(); }));
  EXPECT_EQ(reported, QStringList("Unable to write to Quorvane.ini"));
  manager.DisconnectLink();
}

TEST_F(ConnectionManagerTest, WatchdogClosesASilentBluetoothLinkAndReopensIt) {
  TestPty pty;
  window.settings.BlueToothPort = pty.Path();
  manager.ConnectBluetooth();
  ASSERT_TRUE(dataCom.ComPort().IsOpen());
  manager.TimerCOMPortTimer(); // nothing received yet: never closed
  EXPECT_TRUE(manager.LinkOpen());

  dataCom.HandleSerialChunk(&dataCom.ComPort(), NopPacket(), 8);
  now += 5999; // five whole seconds: still open
  manager.TimerCOMPortTimer();
  EXPECT_TRUE(manager.LinkOpen());
  window.calls.clear();
  now += 1;
  manager.TimerCOMPortTimer();
  QStringList expected = kIdleAgain;
  expected << "watchdog on"
           << "commands off"
           << "disconnect on"
           << "bluetooth hidden"
           << "led 1";
  EXPECT_EQ(window.calls, expected);
  EXPECT_TRUE(dataCom.ComPort().IsOpen());
  EXPECT_EQ(dataCom.LastReceiveTime(), 0);
  manager.DisconnectLink();
}
