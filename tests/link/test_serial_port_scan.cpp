// The port scan over real pseudo-terminals, listed through a serialports.ini
// beside the program.

#include "common/EventLog.h"
#include "link/CommandQueue.h"
#include "link/SerialLink.h"
#include "platform/SerialPortList.h"
#include "support/TempDir.h"
#include "test_serial_pty.h"

#include <QDir>
#include <memory>
#include <vector>

namespace {

class RecordingProgress : public ScanProgress {
public:
  void start(int n) override {
    calls.append(QStringLiteral("start %1").arg(n));
  }
  void step(int i, const QString &port) override {
    calls.append(QStringLiteral("step %1 %2").arg(i).arg(port));
  }
  void finish() override { calls.append(QStringLiteral("finish")); }
  QStringList calls;
};

class RecordingHost : public PortScanHost {
public:
  void portFound(const QString &portName, bool isCable) override {
    found.append({portName, isCable});
  }
  QList<QPair<QString, bool>> found;
};

class PortScanTest : public ::testing::Test {
protected:
  void SetUp() override {
    qunsetenv(kSerialPortTableEnv);
    EventLog::instance().setFilePath(dir.file("scan.log"));
    link = std::make_unique<SerialLink>(queue, &view, &host);
    link->setConfigDir(dir.path());
  }
  void TearDown() override {
    link.reset();
    EventLog::instance().setFilePath(QString());
  }

  // Terminals, the table beside the program listing them.
  std::vector<std::unique_ptr<TestPty>> makePtys(int n) {
    std::vector<std::unique_ptr<TestPty>> ptys;
    for (int i = 0; i < n; ++i) {
      ptys.push_back(std::make_unique<TestPty>());
      EXPECT_TRUE(ptys.back()->isValid());
    }
    return ptys;
  }
  void writeTable(const QStringList &lines) {
    QFile file(dir.file(kSerialPortTableFileName));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(lines.join("\r\n").toLocal8Bit() + "\r\n");
  }
  // A link under dir named like a COM port, pointing at a terminal.
  QString alias(const QString &name, const TestPty &pty) {
    const QString path = dir.file(name);
    EXPECT_TRUE(QFile::link(pty.path(), path));
    return path;
  }

  ScopedTempDir dir;
  RecordingView view;
  RecordingHost host;
  RecordingProgress progress;
  CommandQueue queue;
  std::unique_ptr<SerialLink> link;
};

} // namespace

TEST_F(PortScanTest, PortsAreOpenedInCaseInsensitiveTextOrder) {
  auto ptys = makePtys(3);
  const QString com1 = alias("COM1", *ptys[0]);
  const QString com10 = alias("COM10", *ptys[1]);
  const QString com2 = alias("COM2", *ptys[2]);
  writeTable({"\\Device\\USBSER002=" + com2, "\\Device\\BthModem0=" + com1,
              "\\Device\\Serial0=" + com10});

  link->scanPorts(&progress);
  EXPECT_EQ(progress.calls,
            QStringList({"start 3", "step 0 " + com1, "step 1 " + com10,
                         "step 2 " + com2, "finish"}));
  const QList<SerialPort *> probes = link->probePorts();
  ASSERT_EQ(probes.size(), 3);
  EXPECT_EQ(probes[0]->portName(), com1);
  EXPECT_EQ(probes[1]->portName(), com10);
  EXPECT_EQ(probes[2]->portName(), com2);
  EXPECT_TRUE(link->scanPending());
  EXPECT_TRUE(link->probePortsOpen());
  EXPECT_FALSE(link->comPort().isOpen());

  // Probe settings: 9600 baud, slower write time-out, the rest as comPort.
  const SerialSettings com = link->comPort().settings();
  for (SerialPort *probe : probes) {
    EXPECT_TRUE(probe->isOpen());
    const SerialSettings s = probe->settings();
    EXPECT_EQ(s.baudRate, 9600);
    EXPECT_EQ(s.writeTimeoutPerByteMs, 100);
    EXPECT_EQ(s.writeTimeoutConstantMs, 1000);
    EXPECT_EQ(s.dataBits, com.dataBits);
    EXPECT_EQ(s.parity, com.parity);
    EXPECT_EQ(s.stopBits, com.stopBits);
    EXPECT_EQ(s.flowControl, com.flowControl);
    EXPECT_EQ(s.dtr, com.dtr);
    EXPECT_EQ(s.rts, com.rts);
    EXPECT_EQ(s.inputBufferSize, 65536);
    EXPECT_EQ(s.outputBufferSize, 2048);
  }
  // Nothing is written to a probe port.
  for (auto &pty : ptys)
    EXPECT_TRUE(pty->received().isEmpty());
}

TEST_F(PortScanTest, PortsThatDoNotOpenAreDroppedSilently) {
  auto ptys = makePtys(1);
  SerialPort busy;
  busy.setPortName(ptys[0]->path());
  busy.open();
  writeTable({"\\Device\\USBSER000=" + ptys[0]->path(),
              "\\Device\\USBSER001=" + dir.file("com3")});
  link->scanPorts(&progress);
  EXPECT_EQ(progress.calls.size(), 4);
  EXPECT_TRUE(link->probePorts().isEmpty());
  // The flags follow the list, not the opens.
  EXPECT_TRUE(link->scanPending());
  EXPECT_TRUE(link->probePortsOpen());
  link->releaseProbePorts(true);
  EXPECT_FALSE(link->scanPending());
  EXPECT_FALSE(link->probePortsOpen());
}

TEST_F(PortScanTest, EmptyOrUnreadableList) {
  writeTable({"; no ports here"});
  link->scanPorts(&progress);
  EXPECT_EQ(progress.calls, QStringList({"start 0", "finish"}));
  EXPECT_FALSE(link->scanPending());
  EXPECT_FALSE(link->probePortsOpen());

  progress.calls.clear();
  qputenv(kSerialPortTableEnv, dir.file("missing.ini").toLocal8Bit());
  EXPECT_THROW(link->scanPorts(&progress), SerialError);
  EXPECT_TRUE(progress.calls.isEmpty());
  EXPECT_EQ(findPortDeviceName(dir.path(), "COM1"), QString());
  qunsetenv(kSerialPortTableEnv);
}

TEST_F(PortScanTest, ScanPortNamesSortsWithoutRegardToCase) {
  writeTable({"a=COM2", "b=com11", "c=COM10", "d=COM1", "e=Com3"});
  EXPECT_EQ(scanPortNames(dir.path()),
            QStringList({"COM1", "COM10", "com11", "COM2", "Com3"}));
}

TEST_F(PortScanTest, findPortDeviceName) {
  writeTable(
      {" \\Device\\Serial0 \t= COM1 ", "\\Device\\BthModem0=COM7",
       "\\Device\\Other=COM7", "\\Device\\" + QString(250, 'x') + "=COM9",
       "\\Device\\USBSER000=" + QString(300, 'y'), "\\Device\\Late=COM9"});
  EXPECT_EQ(findPortDeviceName(dir.path(), "COM1"), "\\Device\\Serial0");
  EXPECT_EQ(findPortDeviceName(dir.path(), "COM7"), "\\Device\\BthModem0");
  EXPECT_EQ(findPortDeviceName(dir.path(), "com7"), QString());
  EXPECT_EQ(findPortDeviceName(dir.path(), "COM8"), QString());
  // Names that do not fit are passed over.
  EXPECT_EQ(findPortDeviceName(dir.path(), "COM9"), "\\Device\\Late");
  EXPECT_EQ(findPortDeviceName(dir.path(), QString(300, 'y')), QString());
}

TEST_F(PortScanTest, CableOrBluetoothByTheNinthCharacter) {
  const QList<QPair<QString, bool>> cases = {
      {"", false},
      {"\\Device\\", false},
      {"\\Device\\0", true},
      {"\\Device\\U", true},
      {"\\Device\\USBSER000", true},
      {"\\Device\\000000a1", true},
      {"\\Device\\u", false},
      {"\\Device\\BthModem0", false},
      {"\\Device\\Serial0", false},
      {"\\Device\\VCP0", false},
      {"12345678U", true},
      {"1234567UX", false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(isCablePortDevice(c.first), c.second) << qPrintable(c.first);
}

TEST_F(PortScanTest, FirstDataStepClassifiesTheWinner) {
  const QList<QPair<QString, bool>> devices = {
      {"\\Device\\", false},          {"", false},
      {"\\Device\\0abc", true},       {"\\Device\\USBSER000", true},
      {"\\Device\\BthModem0", false},
  };
  for (const auto &device : devices) {
    SCOPED_TRACE(device.first.toStdString());
    TestPty pty;
    writeTable({device.first + "=" + pty.path()});
    host.found.clear();
    link->scanPorts(nullptr);
    ASSERT_EQ(link->probePorts().size(), 1);
    pty.write(nopPacket());
    EXPECT_EQ(pty.receiveWhilePumping(9), nopReply());
    ASSERT_EQ(host.found.size(), 1);
    EXPECT_EQ(host.found[0].first, pty.path());
    EXPECT_EQ(host.found[0].second, device.second);
    link->releaseProbePorts(false);
    EXPECT_TRUE(pty.received().isEmpty());
  }
}

TEST_F(PortScanTest, AutoconnectKeepsThePortOnWhichThePhoneSpeaks) {
  auto ptys = makePtys(3);
  writeTable({"\\Device\\BthModem0=" + ptys[0]->path(),
              "\\Device\\USBSER000=" + ptys[1]->path(),
              "\\Device\\BthModem1=" + ptys[2]->path()});
  link->scanPorts(&progress);
  const QList<SerialPort *> probes = link->probePorts();
  ASSERT_EQ(probes.size(), 3);
  SerialPort *winner = nullptr;
  for (SerialPort *p : probes)
    if (p->portName() == ptys[1]->path())
      winner = p;
  ASSERT_NE(winner, nullptr);

  ptys[1]->write(nopPacket());
  EXPECT_EQ(ptys[1]->receiveWhilePumping(9), nopReply());
  EXPECT_EQ(host.found, (QList<QPair<QString, bool>>{{ptys[1]->path(), true}}));
  EXPECT_EQ(link->probePorts(), QList<SerialPort *>({winner}));
  EXPECT_TRUE(winner->isOpen());
  EXPECT_EQ(winner->baudRate(), 9600);
  EXPECT_FALSE(link->comPort().isOpen());
  EXPECT_FALSE(link->scanPending());
  EXPECT_TRUE(link->probePortsOpen());
  // The losers are closed: their terminals can be opened again.
  for (int i : {0, 2}) {
    SerialPort again;
    again.setPortName(ptys[i]->path());
    EXPECT_NO_THROW(again.open());
  }

  // The winner stays the link; the scan is not run again.
  queue.putKeyCode(0x0131);
  ptys[1]->write(nopPacket());
  EXPECT_EQ(ptys[1]->receiveWhilePumping(9), commandsReply(hex("3101")));
  EXPECT_EQ(host.found.size(), 1);

  // The silence rule answers on the winner.
  qint64 now = link->lastReceiveTime() + 1001;
  link->setClock([&] { return now; });
  ptys[1]->write(screenPacket(0, 0, tileBytes(30)).left(20));
  ASSERT_TRUE(pumpUntil([&] { return link->pendingSize() == 20; }));
  now += 1001;
  link->timerLostPacketTimer();
  EXPECT_EQ(ptys[1]->received(), nopReply());

  // The disconnect says Discon on the remaining probe port.
  queue.putKeyCode(0x0132);
  link->releaseProbePorts(true);
  EXPECT_EQ(ptys[1]->received(), disconReply());
  EXPECT_EQ(queue.size(), 0);
  EXPECT_TRUE(link->probePorts().isEmpty());
  EXPECT_FALSE(link->probePortsOpen());
  for (auto &pty : {0, 2})
    EXPECT_TRUE(ptys[pty]->received().isEmpty());
}

TEST_F(PortScanTest, DisconnectBeforeAnyDataEndsTheScan) {
  auto ptys = makePtys(4);
  writeTable({"\\Device\\USBSER000=" + ptys[0]->path(),
              "\\Device\\USBSER001=" + ptys[1]->path(),
              "\\Device\\USBSER002=" + ptys[2]->path()});
  link->scanPorts(&progress);
  ASSERT_EQ(link->probePorts().size(), 3);
  queue.putKeyCode(0x0130);
  EventLog::instance().setOn(LogSwitch::Commands, true);
  link->releaseProbePorts(true);
  EventLog::instance().setOn(LogSwitch::Commands, false);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(ptys[i]->received(), disconReply()) << i;
  EXPECT_EQ(logMessages(dir.file("scan.log")),
            QStringList({"OnAfterClose", "OnAfterClose", "OnAfterClose"}));
  EXPECT_EQ(queue.size(), 0);
  EXPECT_FALSE(link->scanPending());
  EXPECT_FALSE(link->probePortsOpen());
  EXPECT_TRUE(link->probePorts().isEmpty());

  // A later cable link on comPort does not run the first-data step.
  link->openComPort(ptys[3]->path(), 256000);
  ptys[3]->write(nopPacket());
  EXPECT_EQ(ptys[3]->receiveWhilePumping(9), nopReply());
  EXPECT_TRUE(host.found.isEmpty());
  EXPECT_TRUE(link->comPort().isOpen());
}

TEST_F(PortScanTest, OnlyAWholePhonePacketWinsTheScan) {
  auto ptys = makePtys(2);
  writeTable({"\\Device\\USBSER000=" + ptys[0]->path(),
              "\\Device\\BthModem0=" + ptys[1]->path()});
  link->scanPorts(nullptr);
  ASSERT_EQ(link->probePorts().size(), 2);

  // A GPS receiver talks first on the cable port; it is neither answered
  // nor taken for the phone.
  ptys[0]->write(
      "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M*47\r\n");
  pumpFor(30);
  // Half a packet of the phone is not enough either.
  const QByteArray auth = authPacket(hex("0102030405060708"));
  ptys[1]->write(auth.left(10));
  pumpFor(30);
  EXPECT_TRUE(host.found.isEmpty());
  EXPECT_TRUE(link->scanPending());
  EXPECT_EQ(link->probePorts().size(), 2);

  ptys[1]->write(auth.mid(10));
  EXPECT_EQ(ptys[1]->receiveWhilePumping(9), nopReply());
  EXPECT_EQ(host.found,
            (QList<QPair<QString, bool>>{{ptys[1]->path(), false}}));
  EXPECT_EQ(view.identities(), QList<QByteArray>{"04030201"});
  EXPECT_EQ(link->probePorts().size(), 1);
  EXPECT_TRUE(ptys[0]->received().isEmpty());
}
