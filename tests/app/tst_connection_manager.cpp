// The main window's connection commands on serial links, with pseudo-
// terminals standing in for the phone's ports and a test clock for the
// watchdog.
#include "app/AppException.h"
#include "app/MessageBoxes.h"
#include "app/UnitMain.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "controls/dxfPictureButton.h"
#include "link/CommandQueue.h"
#include "link/SrvFunctions.h"
#include "link/UnitDataCom.h"
#include "platform/ProfileFile.h"
#include "screen/ScreenCanvas.h"
#include "screen/ScreenView.h"
#include "screen/TileFixtures.h"
#include "settings/Settings.h"
#include "support/ProgramFixtures.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTest>
#include <QtEndian>

namespace {

QByteArray Le32(qint32 v) {
  QByteArray b(4, 0);
  qToLittleEndian(v, b.data());
  return b;
}
const QByteArray kNopPacket = Le32(11) + Le32(0);
const QByteArray kNopReply = QByteArray::fromHex("0b00000000000000") + '^';
const QByteArray kDiscon = QByteArray::fromHex("0f00000000000000") + '^';

// Collects what the program writes to a pty until n bytes have come.
QByteArray Receive(PtyPair &pty, int n) {
  QByteArray all;
  QDeadlineTimer deadline(3000);
  while (all.size() < n && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    all += pty.Received();
  }
  return all;
}

} // namespace

class TestConnectionManager : public QObject {
  Q_OBJECT

  std::unique_ptr<ScopedTempDir> m_dir;
  std::unique_ptr<TCommandQueue> m_queue;
  std::unique_ptr<TFormMain> m_form;
  std::unique_ptr<TDataComPort> m_dataCom;
  QStringList m_boxes;
  qint64 m_now = 1000000;

  TFormMain &Form() { return *m_form; }

  void CheckIdle() {
    TFormMain &f = Form();
    for (QAction *a : {f.MInternetConn, f.MBlueToothConnect, f.MDataCableConn,
                       f.MAutoConnection, f.PMDataCableConn, f.PMInternetConn,
                       f.PMBlueToothConnect})
      QVERIFY(a->isEnabled());
    QVERIFY(!f.MDissconect->isEnabled());
    QVERIFY(!f.Bt_Disconn->isEnabled());
    QVERIFY(!f.TimerCOMPort->isActive());
    for (auto *b : {f.PicButIndData, f.PicButIndBlu, f.PicButIndInet})
      QVERIFY(b->Visible());
  }

private slots:
  void init() {
    m_dir = std::make_unique<ScopedTempDir>();
    QVERIFY(CopySkinFile(*m_dir));
    SetExePath(m_dir->File("quorvane"));
    SetMessageBoxHook(
        [this](TMessageKind, const QString &caption, const QString &text) {
          m_boxes << caption + ": " + text;
        });
    m_boxes.clear();
    m_queue = std::make_unique<TCommandQueue>();
    m_form = std::make_unique<TFormMain>(*m_queue);
    m_dataCom = std::make_unique<TDataComPort>(*m_queue, &m_form->LinkView());
    m_dataCom->SetClock([this] { return m_now; });
    m_form->SetDataComPort(m_dataCom.get());
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
  }

  void cleanup() {
    m_form->SetDataComPort(nullptr);
    m_dataCom.reset();
    m_form.reset();
    qunsetenv("QUORVANE_SERIAL_PORTS");
    SetMessageBoxHook({});
    SetLogFilePath(QString());
    LogCommands = false;
  }

  void cableBaudRateStaysForBluetooth() {
    TFormMain &f = Form();
    PtyPair cable, bluetooth;
    AppSettings.DataPort = cable.Path().toLocal8Bit();
    AppSettings.BlueToothPort = bluetooth.Path().toLocal8Bit();

    f.MDataCableConnClick(f.MDataCableConn);
    QVERIFY(m_dataCom->ComPort().IsOpen());
    QCOMPARE(m_dataCom->ComPort().BaudRate(), 256000);
    QVERIFY(!f.PicButIndData->Visible());
    QVERIFY(f.PicButIndBlu->Visible() && f.PicButIndInet->Visible());
    QVERIFY(f.TimerCOMPort->isActive());
    QVERIFY(!f.MDataCableConn->isEnabled() && f.Bt_Disconn->isEnabled());
    QCOMPARE(f.LedIndex(), 1);

    f.DisconnectLink();
    QCOMPARE(Receive(cable, kDiscon.size()), kDiscon);
    QVERIFY(!m_dataCom->ComPort().IsOpen());
    CheckIdle();

    // The pop-up's Bluetooth entry acts like the menu's.
    f.PMDataCableConnClick(f.PMBlueToothConnect);
    QVERIFY(m_dataCom->ComPort().IsOpen());
    QCOMPARE(m_dataCom->ComPort().PortName(), bluetooth.Path());
    QCOMPARE(m_dataCom->ComPort().BaudRate(), 256000);
    QVERIFY(!f.PicButIndBlu->Visible());
    QVERIFY(f.PicButIndData->Visible());
    QVERIFY(m_boxes.isEmpty());
  }

  void portsThatDoNotOpenShowTheirMessages() {
    TFormMain &f = Form();
    AppSettings.DataPort = "/dev/no-such-port";
    AppSettings.BlueToothPort = "/dev/no-such-port-either";
    f.MDataCableConnClick(f.MDataCableConn);
    f.MBlueToothConnectClick(f.MBlueToothConnect);
    QCOMPARE(
        m_boxes,
        QStringList({"Quorvane v1.0: Try Select Another ComPort At Setting",
                     "Attention: Try Selet Another ComPort in options"}));
    QVERIFY(!m_dataCom->ComPort().IsOpen());
    CheckIdle();
  }

  void watchdogClosesASilentLinkAndReopensIt() {
    TFormMain &f = Form();
    PtyPair phone;
    AppSettings.BlueToothPort = phone.Path().toLocal8Bit();
    f.MBlueToothConnectClick(f.MBlueToothConnect);
    QVERIFY(m_dataCom->ComPort().IsOpen());

    // Nothing received yet: never closed, however long.
    m_now += 60000;
    f.TimerCOMPortTimer();
    QVERIFY(m_dataCom->ComPort().IsOpen());

    QVERIFY(phone.Write(kNopPacket));
    QCOMPARE(Receive(phone, kNopReply.size()), kNopReply);
    QCOMPARE(m_dataCom->LastReceiveTime(), m_now);

    m_now += 5999; // five whole seconds: still alive
    f.TimerCOMPortTimer();
    QVERIFY(phone.Received().isEmpty());
    m_now += 1; // six
    f.TimerCOMPortTimer();
    // Closed with the disconnect packet, then opened again on the same port.
    QCOMPARE(Receive(phone, kDiscon.size()), kDiscon);
    QVERIFY(m_dataCom->ComPort().IsOpen());
    QCOMPARE(m_dataCom->ComPort().PortName(), phone.Path());
    QCOMPARE(m_dataCom->LastReceiveTime(), 0);
    QVERIFY(f.TimerCOMPort->isActive());
    QVERIFY(!f.PicButIndBlu->Visible());

    // A cable link is kept waiting on its port the same way.
    f.DisconnectLink();
    Receive(phone, kDiscon.size());
    PtyPair cable;
    AppSettings.DataPort = cable.Path().toLocal8Bit();
    f.MDataCableConnClick(f.MDataCableConn);
    QVERIFY(cable.Write(kNopPacket));
    QCOMPARE(Receive(cable, kNopReply.size()), kNopReply);
    m_now += 9000;
    f.TimerCOMPortTimer();
    QCOMPARE(Receive(cable, kDiscon.size()), kDiscon);
    QVERIFY(m_dataCom->ComPort().IsOpen());
    QCOMPARE(m_dataCom->ComPort().BaudRate(), 256000);
    QVERIFY(!f.PicButIndData->Visible());
  }

  void autoconnectLightsTheIndicatorWhenThePhoneAnswers() {
    TFormMain &f = Form();
    PtyPair cable, bluetooth;
    const QString table = m_dir->File("ports.ini");
    QFile file(table);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(("\\Device\\USBSER000=" + cable.Path() +
                "\n\\Device\\BthModem0=" + bluetooth.Path() + "\n")
                   .toLocal8Bit());
    file.close();
    qputenv("QUORVANE_SERIAL_PORTS", table.toLocal8Bit());
    LoadSettings();

    f.MAutoConnectionClick(f.MAutoConnection);
    QCOMPARE(m_dataCom->ProbePorts().size(), 2);
    for (auto *b : {f.PicButIndData, f.PicButIndBlu, f.PicButIndInet})
      QVERIFY(b->Visible());
    QVERIFY(!f.MAutoConnection->isEnabled() && f.Bt_Disconn->isEnabled());
    QVERIFY(!f.TimerCOMPort->isActive());

    QVERIFY(bluetooth.Write(kNopPacket));
    QCOMPARE(Receive(bluetooth, kNopReply.size()), kNopReply);
    QVERIFY(!f.PicButIndBlu->Visible());
    QVERIFY(f.PicButIndData->Visible());
    QCOMPARE(AppSettings.BlueToothPort, bluetooth.Path().toLocal8Bit());
    QCOMPARE(platform::ProfileFile::Read(SettingsFilePath(), "Connection",
                                         "BlueToothPort", ""),
             bluetooth.Path().toLocal8Bit());
    QVERIFY(!m_dataCom->ComPort().IsOpen());
    QVERIFY(cable.Received().isEmpty());

    f.DisconnectLink();
    QCOMPARE(Receive(bluetooth, kDiscon.size()), kDiscon);
    QVERIFY(!m_dataCom->ProbePortsOpen());
    CheckIdle();

    // Disconnecting before anyone answered tells every probe port.
    f.MAutoConnectionClick(f.MAutoConnection);
    QCOMPARE(m_dataCom->ProbePorts().size(), 2);
    f.DisconnectLink();
    QCOMPARE(Receive(cable, kDiscon.size()), kDiscon);
    QCOMPARE(Receive(bluetooth, kDiscon.size()), kDiscon);
    QVERIFY(!m_dataCom->ScanPending());
  }

  void gprsPhoneThatGoesLeavesTheViewsWaiting();

  void disconnectLeavesNothingForTheNextPhone() {
    TFormMain &f = Form();
    PtyPair phone;
    AppSettings.BlueToothPort = phone.Path().toLocal8Bit();
    f.MBlueToothConnectClick(f.MBlueToothConnect);
    // The phone identifies itself as the simulator's model.
    QVERIFY(phone.Write(Le32(12) + Le32(0) + Le32(0) +
                        QByteArray::fromHex("41564f4e00000000")));
    QCOMPARE(Receive(phone, kNopReply.size()), kNopReply);
    QTRY_COMPARE(f.LabPhoneType->text(), QString("Quorvane Phone Simulator"));
    QVERIFY(f.Canvas().HasPictures());
    f.LabImage->setText("Saved");
    m_queue->PutKeyCode(0x0135);
    m_queue->PutKeyCode(0x0136);

    f.Bt_DisconnClick();
    QCOMPARE(Receive(phone, kDiscon.size()), kDiscon);
    QVERIFY(f.LabPhoneType->text().isEmpty());
    QVERIFY(f.LabImage->text().isEmpty());
    QCOMPARE(f.LedIndex(), 0);
    QCOMPARE(f.TrayIconIndex(), 0);
    QVERIFY(!f.Canvas().HasPictures());
    QCOMPARE(m_dataCom->PendingSize(), 0);
    CheckIdle();

    // The next phone gets an empty reply: the keys were not kept.
    f.MBlueToothConnectClick(f.MBlueToothConnect);
    QVERIFY(phone.Write(kNopPacket));
    QCOMPARE(Receive(phone, kNopReply.size()), kNopReply);
    QVERIFY(m_boxes.isEmpty());
  }
};

namespace {

// One exchange of the phone: the request, then its 8-byte reply. The
// window's events are not run meanwhile.
QByteArray Exchange(QTcpSocket &phone, const QByteArray &request) {
  phone.write(request);
  QByteArray reply;
  while (reply.size() < 8 && phone.waitForReadyRead(3000))
    reply += phone.readAll();
  return reply;
}

} // namespace

void TestConnectionManager::gprsPhoneThatGoesLeavesTheViewsWaiting() {
  TFormMain &f = Form();
  AppSettings.Port = 0;
  // A log that cannot be written costs the log, not the phone's session.
  SetLogFilePath("/dev/full");
  LogCommands = true;
  f.MInternetConnClick(f.MInternetConn);
  QVERIFY(f.IdTCPServer().Active());
  const quint16 port = quint16(f.IdTCPServer().BoundPort());
  const QByteArray nop = QByteArray::fromHex("0b00000000000000");
  const QByteArray auth =
      Le32(12) + Le32(0) + Le32(0) + QByteArray::fromHex("41564f4e00000000");
  const QByteArray tile = fixtures::EncodeJpeg(
      fixtures::UniformTile(34, 34, qRgb(40, 200, 90), qRgb(40, 200, 90)), 100);
  const QByteArray screen =
      Le32(14) + Le32(tile.size()) + Le32(0) + Le32(0) + tile;

  const auto NewPhone = [port] {
    auto phone = std::make_unique<QTcpSocket>();
    phone->connectToHost(QHostAddress::LocalHost, port);
    return phone;
  };
  auto phone = NewPhone();
  QVERIFY(phone->waitForConnected(3000));
  QCOMPARE(Exchange(*phone, auth), nop);
  QCOMPARE(Exchange(*phone, screen), nop);
  QTRY_COMPARE(m_boxes.size(), 1);
  QCOMPARE(m_boxes[0],
           QString("Quorvane v1.0: Could not write to the log file /dev/full: "
                   "No space left on device. This log has been turned off; "
                   "the link goes on."));
  QVERIFY(!LogCommands);

  // The phone goes: both views dim the last picture under the text; the
  // picture the captures read stays as it was.
  const QImage last = f.Canvas().Screen();
  phone.reset();
  const QString waiting = "Waiting for the phone";
  QTRY_COMPARE(f.ImageScreen->OverlayText(), waiting);
  QCOMPARE(f.ImageScreenZoom->OverlayText(), waiting);
  QCOMPARE(f.Canvas().Screen(), last);
  const QRgb shown = f.ImageScreen->grab().toImage().pixel(5, 5);
  QVERIFY(qAbs(qGreen(shown) - qGreen(last.pixel(5, 5)) * 40 / 100) <= 2);

  // The next phone's first tile ends the wait.
  phone = NewPhone();
  QVERIFY(phone->waitForConnected(3000));
  QCOMPARE(Exchange(*phone, auth), nop);
  QTest::qWait(20);
  QCOMPARE(f.ImageScreen->OverlayText(), waiting);
  QCOMPARE(Exchange(*phone, screen), nop);
  QTRY_VERIFY(f.ImageScreen->OverlayText().isEmpty());
  QVERIFY(f.ImageScreenZoom->OverlayText().isEmpty());

  // A phone that connects just before Disconnect: what its connect handler
  // sent the indicator arrives too late to light the LED again.
  phone.reset();
  QTRY_VERIFY(!f.IdTCPServer().PhoneConnected());
  phone = NewPhone();
  QVERIFY(phone->waitForConnected(3000));
  QCOMPARE(Exchange(*phone, Le32(13)), nop);
  f.DisconnectLink();
  QCoreApplication::processEvents();
  QCOMPARE(f.LedIndex(), 0);
  QCOMPARE(f.TrayIconIndex(), 0);
  QVERIFY(f.ImageScreen->OverlayText().isEmpty());
  QCOMPARE(m_boxes.size(), 1);
}

int main(int argc, char **argv) {
  TApplication app(argc, argv);
  TestConnectionManager test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_connection_manager.moc"
