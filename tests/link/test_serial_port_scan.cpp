// The port scan over real pseudo-terminals, listed through a serialports.ini
// beside the program.

#include "common/EventLog.h"
#include "common/Paths.h"
#include "link/CommandQueue.h"
#include "link/UnitDataCom.h"
#include "platform/SerialPortList.h"
#include "support/TempDir.h"
#include "test_serial_pty.h"

#include <QDir>
#include <memory>
#include <vector>

namespace {

class RecordingProgress : public IScanProgress {
public:
  void Start(int n) override {
    calls.append(QStringLiteral("start %1").arg(n));
  }
  void Step(int i, const QString &port) override {
    calls.append(QStringLiteral("step %1 %2").arg(i).arg(port));
  }
  void Finish() override { calls.append(QStringLiteral("finish")); }
  QStringList calls;
};

class RecordingHost : public IPortScanHost {
public:
  void PortFound(const QString &portName, bool isCable) override {
    found.append({portName, isCable});
  }
  QList<QPair<QString, bool>> found;
};

class PortScanTest : public ::testing::Test {
protected:
  void SetUp() override {
    qunsetenv(SerialPortTableEnv);
    SetExePath(dir.File("Quorvane"));
    SetLogFilePath(dir.File("scan.log"));
    link = std::make_unique<TDataComPort>(queue, &view, &host);
  }
  void TearDown() override {
    link.reset();
    SetLogFilePath(QString());
  }

  // Terminals, the table beside the program listing them.
  std::vector<std::unique_ptr<TestPty>> MakePtys(int n) {
    std::vector<std::unique_ptr<TestPty>> ptys;
    for (int i = 0; i < n; ++i) {
      ptys.push_back(std::make_unique<TestPty>());
      EXPECT_TRUE(ptys.back()->IsValid());
    }
    return ptys;
  }
  void WriteTable(const QStringList &lines) {
    QFile file(dir.File(SerialPortTableFileName));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(lines.join("\r\n").toLocal8Bit() + "\r\n");
  }
  // A link under dir named like a COM port, pointing at a terminal.
  QString Alias(const QString &name, const TestPty &pty) {
    const QString path = dir.File(name);
    EXPECT_TRUE(QFile::link(pty.Path(), path));
    return path;
  }

  ScopedTempDir dir;
  RecordingView view;
  RecordingHost host;
  RecordingProgress progress;
  TCommandQueue queue;
  std::unique_ptr<TDataComPort> link;
};

} // namespace

TEST_F(PortScanTest, PortsAreOpenedInCaseInsensitiveTextOrder) {
  auto ptys = MakePtys(3);
  const QString com1 = Alias("COM1", *ptys[0]);
  const QString com10 = Alias("COM10", *ptys[1]);
  const QString com2 = Alias("COM2", *ptys[2]);
  WriteTable({"\\Device\\USBSER002=" + com2, "\\Device\\BthModem0=" + com1,
              "\\Device\\Serial0=" + com10});

  link->ScanPorts(&progress);
  EXPECT_EQ(progress.calls,
            QStringList({"start 3", "step 0 " + com1, "step 1 " + com10,
                         "step 2 " + com2, "finish"}));
  const QList<TSerialPort *> probes = link->ProbePorts();
  ASSERT_EQ(probes.size(), 3);
  EXPECT_EQ(probes[0]->PortName(), com1);
  EXPECT_EQ(probes[1]->PortName(), com10);
  EXPECT_EQ(probes[2]->PortName(), com2);
  EXPECT_TRUE(link->ScanPending());
  EXPECT_TRUE(link->ProbePortsOpen());
  EXPECT_FALSE(link->ComPort().IsOpen());

  // Probe settings: 9600 baud, slower write time-out, the rest as ComPort.
  const TSerialSettings com = link->ComPort().Settings();
  for (TSerialPort *probe : probes) {
    EXPECT_TRUE(probe->IsOpen());
    const TSerialSettings s = probe->Settings();
    EXPECT_EQ(s.BaudRate, 9600);
    EXPECT_EQ(s.WriteTimeoutPerByteMs, 100);
    EXPECT_EQ(s.WriteTimeoutConstantMs, 1000);
    EXPECT_EQ(s.DataBits, com.DataBits);
    EXPECT_EQ(s.Parity, com.Parity);
    EXPECT_EQ(s.StopBits, com.StopBits);
    EXPECT_EQ(s.FlowControl, com.FlowControl);
    EXPECT_EQ(s.Dtr, com.Dtr);
    EXPECT_EQ(s.Rts, com.Rts);
    EXPECT_EQ(s.InputBufferSize, 65536);
    EXPECT_EQ(s.OutputBufferSize, 2048);
  }
  // Nothing is written to a probe port.
  for (auto &pty : ptys)
    EXPECT_TRUE(pty->Received().isEmpty());
}

TEST_F(PortScanTest, PortsThatDoNotOpenAreDroppedSilently) {
  auto ptys = MakePtys(1);
  TSerialPort busy;
  busy.SetPortName(ptys[0]->Path());
  busy.Open();
  WriteTable({"\\Device\\USBSER000=" + ptys[0]->Path(),
              "\\Device\\USBSER001=" + dir.File("com3")});
  link->ScanPorts(&progress);
  EXPECT_EQ(progress.calls.size(), 4);
  EXPECT_TRUE(link->ProbePorts().isEmpty());
  // The flags follow the list, not the opens.
  EXPECT_TRUE(link->ScanPending());
  EXPECT_TRUE(link->ProbePortsOpen());
  link->ReleaseProbePorts(true);
  EXPECT_FALSE(link->ScanPending());
  EXPECT_FALSE(link->ProbePortsOpen());
}

TEST_F(PortScanTest, EmptyOrUnreadableList) {
  WriteTable({"; no ports here"});
  link->ScanPorts(&progress);
  EXPECT_EQ(progress.calls, QStringList({"start 0", "finish"}));
  EXPECT_FALSE(link->ScanPending());
  EXPECT_FALSE(link->ProbePortsOpen());

  progress.calls.clear();
  qputenv(SerialPortTableEnv, dir.File("missing.ini").toLocal8Bit());
  EXPECT_THROW(link->ScanPorts(&progress), TSerialError);
  EXPECT_TRUE(progress.calls.isEmpty());
  EXPECT_EQ(FindPortDeviceName("COM1"), QString());
  qunsetenv(SerialPortTableEnv);
}

TEST_F(PortScanTest, ScanPortNamesSortsWithoutRegardToCase) {
  WriteTable({"a=COM2", "b=com11", "c=COM10", "d=COM1", "e=Com3"});
  EXPECT_EQ(ScanPortNames(),
            QStringList({"COM1", "COM10", "com11", "COM2", "Com3"}));
}

TEST_F(PortScanTest, FindPortDeviceName) {
  WriteTable(
      {" \\Device\\Serial0 \t= COM1 ", "\\Device\\BthModem0=COM7",
       "\\Device\\Other=COM7", "\\Device\\" + QString(250, 'x') + "=COM9",
       "\\Device\\USBSER000=" + QString(300, 'y'), "\\Device\\Late=COM9"});
  EXPECT_EQ(FindPortDeviceName("COM1"), "\\Device\\Serial0");
  EXPECT_EQ(FindPortDeviceName("COM7"), "\\Device\\BthModem0");
  EXPECT_EQ(FindPortDeviceName("com7"), QString());
  EXPECT_EQ(FindPortDeviceName("COM8"), QString());
  // Names that do not fit are passed over.
  EXPECT_EQ(FindPortDeviceName("COM9"), "\\Device\\Late");
  EXPECT_EQ(FindPortDeviceName(QString(300, 'y')), QString());
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
    EXPECT_EQ(IsCablePortDevice(c.first), c.second) << qPrintable(c.first);
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
    WriteTable({device.first + "=" + pty.Path()});
    host.found.clear();
    link->ScanPorts(nullptr);
    ASSERT_EQ(link->ProbePorts().size(), 1);
    pty.Write(NopPacket());
    EXPECT_EQ(pty.ReceiveWhilePumping(9), NopReply());
    ASSERT_EQ(host.found.size(), 1);
    EXPECT_EQ(host.found[0].first, pty.Path());
    EXPECT_EQ(host.found[0].second, device.second);
    link->ReleaseProbePorts(false);
    EXPECT_TRUE(pty.Received().isEmpty());
  }
}

TEST_F(PortScanTest, AutoconnectKeepsThePortOnWhichThePhoneSpeaks) {
  auto ptys = MakePtys(3);
  WriteTable({"\\Device\\BthModem0=" + ptys[0]->Path(),
              "\\Device\\USBSER000=" + ptys[1]->Path(),
              "\\Device\\BthModem1=" + ptys[2]->Path()});
  link->ScanPorts(&progress);
  const QList<TSerialPort *> probes = link->ProbePorts();
  ASSERT_EQ(probes.size(), 3);
  TSerialPort *winner = nullptr;
  for (TSerialPort *p : probes)
    if (p->PortName() == ptys[1]->Path())
      winner = p;
  ASSERT_NE(winner, nullptr);

  ptys[1]->Write(NopPacket());
  EXPECT_EQ(ptys[1]->ReceiveWhilePumping(9), NopReply());
  EXPECT_EQ(host.found, (QList<QPair<QString, bool>>{{ptys[1]->Path(), true}}));
  EXPECT_EQ(link->ProbePorts(), QList<TSerialPort *>({winner}));
  EXPECT_TRUE(winner->IsOpen());
  EXPECT_EQ(winner->BaudRate(), 9600);
  EXPECT_FALSE(link->ComPort().IsOpen());
  EXPECT_FALSE(link->ScanPending());
  EXPECT_TRUE(link->ProbePortsOpen());
  // The losers are closed: their terminals can be opened again.
  for (int i : {0, 2}) {
    TSerialPort again;
    again.SetPortName(ptys[i]->Path());
    EXPECT_NO_THROW(again.Open());
  }

  // The winner stays the link; the scan is not run again.
  queue.PutKeyCode(0x0131);
  ptys[1]->Write(NopPacket());
  EXPECT_EQ(ptys[1]->ReceiveWhilePumping(9), CommandsReply(Hex("3101")));
  EXPECT_EQ(host.found.size(), 1);

  // The silence rule answers on the winner.
  qint64 now = link->LastReceiveTime() + 1001;
  link->SetClock([&] { return now; });
  ptys[1]->Write(ScreenPacket(0, 0, TileBytes(30)).left(20));
  ASSERT_TRUE(PumpUntil([&] { return link->PendingSize() == 20; }));
  now += 1001;
  link->TimerLostPacketTimer();
  EXPECT_EQ(ptys[1]->Received(), NopReply());

  // The disconnect says Discon on the remaining probe port.
  queue.PutKeyCode(0x0132);
  link->ReleaseProbePorts(true);
  EXPECT_EQ(ptys[1]->Received(), DisconReply());
  EXPECT_EQ(queue.Size(), 0);
  EXPECT_TRUE(link->ProbePorts().isEmpty());
  EXPECT_FALSE(link->ProbePortsOpen());
  for (auto &pty : {0, 2})
    EXPECT_TRUE(ptys[pty]->Received().isEmpty());
}

TEST_F(PortScanTest, DisconnectBeforeAnyDataEndsTheScan) {
  auto ptys = MakePtys(4);
  WriteTable({"\\Device\\USBSER000=" + ptys[0]->Path(),
              "\\Device\\USBSER001=" + ptys[1]->Path(),
              "\\Device\\USBSER002=" + ptys[2]->Path()});
  link->ScanPorts(&progress);
  ASSERT_EQ(link->ProbePorts().size(), 3);
  queue.PutKeyCode(0x0130);
  LogCommands = true;
  link->ReleaseProbePorts(true);
  LogCommands = false;
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(ptys[i]->Received(), DisconReply()) << i;
  EXPECT_EQ(LogMessages(dir.File("scan.log")),
            QStringList({"OnAfterClose", "OnAfterClose", "OnAfterClose"}));
  EXPECT_EQ(queue.Size(), 0);
  EXPECT_FALSE(link->ScanPending());
  EXPECT_FALSE(link->ProbePortsOpen());
  EXPECT_TRUE(link->ProbePorts().isEmpty());

  // A later cable link on ComPort does not run the first-data step.
  link->OpenComPort(ptys[3]->Path(), 256000);
  ptys[3]->Write(NopPacket());
  EXPECT_EQ(ptys[3]->ReceiveWhilePumping(9), NopReply());
  EXPECT_TRUE(host.found.isEmpty());
  EXPECT_TRUE(link->ComPort().IsOpen());
}

TEST_F(PortScanTest, OnlyAWholePhonePacketWinsTheScan) {
  auto ptys = MakePtys(2);
  WriteTable({"\\Device\\USBSER000=" + ptys[0]->Path(),
              "\\Device\\BthModem0=" + ptys[1]->Path()});
  link->ScanPorts(nullptr);
  ASSERT_EQ(link->ProbePorts().size(), 2);

  // A GPS receiver talks first on the cable port; it is neither answered
  // nor taken for the phone.
  ptys[0]->Write(
      "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M*47\r\n");
  PumpFor(30);
  // Half a packet of the phone is not enough either.
  const QByteArray auth = AuthPacket(Hex("0102030405060708"));
  ptys[1]->Write(auth.left(10));
  PumpFor(30);
  EXPECT_TRUE(host.found.isEmpty());
  EXPECT_TRUE(link->ScanPending());
  EXPECT_EQ(link->ProbePorts().size(), 2);

  ptys[1]->Write(auth.mid(10));
  EXPECT_EQ(ptys[1]->ReceiveWhilePumping(9), NopReply());
  EXPECT_EQ(host.found,
            (QList<QPair<QString, bool>>{{ptys[1]->Path(), false}}));
  EXPECT_EQ(view.Identities(), QList<QByteArray>{"04030201"});
  EXPECT_EQ(link->ProbePorts().size(), 1);
  EXPECT_TRUE(ptys[0]->Received().isEmpty());
}
