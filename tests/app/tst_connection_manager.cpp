#include "support/ScriptedMessageBoxes.h"
#include <optional>
// The main window's connection commands on serial links, with pseudo-
// terminals standing in for the phone's ports and a test clock for the
// watchdog.
#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "controls/PictureButton.h"
#include "link/CommandQueue.h"
#include "link/SerialLink.h"
#include "link/TcpLink.h"
#include "platform/ProfileFile.h"
#include "screen/ScreenCanvas.h"
#include "screen/ScreenView.h"
#include "screen/TileFixtures.h"
#include "settings/Settings.h"
#include "support/ProgramFixtures.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"
#include "support/WindowDriver.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTcpSocket>
#include <QTest>
#include <QtEndian>

namespace {

QByteArray le32(qint32 v) {
  QByteArray b(4, 0);
  qToLittleEndian(v, b.data());
  return b;
}
const QByteArray kNopPacket = le32(11) + le32(0);
const QByteArray kNopReply = QByteArray::fromHex("0b00000000000000") + '^';
const QByteArray kDiscon = QByteArray::fromHex("0f00000000000000") + '^';

// Collects what the program writes to a pty until n bytes have come.
QByteArray receive(PtyPair &pty, int n) {
  QByteArray all;
  QDeadlineTimer deadline(3000);
  while (all.size() < n && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    all += pty.received();
  }
  return all;
}

} // namespace

class TestConnectionManager : public QObject {
  Q_OBJECT

  std::unique_ptr<ScopedTempDir> m_dir;
  ScriptedMessageBoxes m_messageBoxes;
  std::optional<Paths> m_paths;
  std::unique_ptr<AppCore> m_core;
  CommandQueue *m_queue = nullptr;
  std::unique_ptr<MainWindow> m_form;
  SerialLink *m_dataCom = nullptr;
  QStringList m_boxes;
  qint64 m_now = 1000000;

  MainWindow &form() { return *m_form; }

  void checkIdle() {
    MainWindow &f = form();
    for (QAction *a : connectCommands(f))
      QVERIFY(a->isEnabled());
    QVERIFY(!driver::find<QAction>(f, "disconnectAction")->isEnabled());
    QVERIFY(!driver::find<PictureButton>(f, "disconnectButton")->isEnabled());
    QVERIFY(!driver::find<QTimer>(f, "portWatchdog")->isActive());
    for (auto *b : {driver::find<PictureButton>(f, "cableIndicator"),
                    driver::find<PictureButton>(f, "bluetoothIndicator"),
                    driver::find<PictureButton>(f, "internetIndicator")})
      QVERIFY(b->isPictureVisible());
  }

private slots:
  void init() {
    m_dir = std::make_unique<ScopedTempDir>();
    m_paths = Paths::forExecutable(m_dir->file("quorvane"));
    QVERIFY(copySkinFile(*m_dir));
    EventLog::instance().setFilePath(m_paths->logFile());
    GuardedApplication::instance()->setMessageBoxes(&m_messageBoxes);
    m_messageBoxes.onShow = [this](MessageKind, const QString &caption,
                                   const QString &text) {
      m_boxes << caption + ": " + text;
    };
    m_boxes.clear();
    m_core = std::make_unique<AppCore>(*m_paths);
    m_queue = &m_core->queue();
    m_form = std::make_unique<MainWindow>(*m_core, m_messageBoxes);
    m_dataCom = &m_core->serialLink();
    m_dataCom->setClock([this] { return m_now; });
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
  }

  void cleanup() {
    m_dataCom = nullptr;
    m_form.reset();
    m_core.reset();
    qunsetenv("QUORVANE_SERIAL_PORTS");
    m_messageBoxes.onShow = nullptr;
    EventLog::instance().setFilePath(QString());
    EventLog::instance().setOn(LogSwitch::Commands, false);
  }

  void cableBaudRateStaysForBluetooth() {
    MainWindow &f = form();
    PtyPair cable, bluetooth;
    m_core->settings().setDataPort(cable.path().toLocal8Bit());
    m_core->settings().setBlueToothPort(bluetooth.path().toLocal8Bit());

    driver::trigger(f, "connectCableAction");
    QVERIFY(m_dataCom->comPort().isOpen());
    QCOMPARE(m_dataCom->comPort().baudRate(), 256000);
    QVERIFY(
        !driver::find<PictureButton>(f, "cableIndicator")->isPictureVisible());
    QVERIFY(driver::find<PictureButton>(f, "bluetoothIndicator")
                ->isPictureVisible() &&
            driver::find<PictureButton>(f, "internetIndicator")
                ->isPictureVisible());
    QVERIFY(driver::find<QTimer>(f, "portWatchdog")->isActive());
    QVERIFY(!driver::find<QAction>(f, "connectCableAction")->isEnabled() &&
            driver::find<PictureButton>(f, "disconnectButton")->isEnabled());
    QCOMPARE(f.ledIndex(), 1);

    driver::trigger(f, "disconnectAction");
    QCOMPARE(receive(cable, kDiscon.size()), kDiscon);
    QVERIFY(!m_dataCom->comPort().isOpen());
    checkIdle();

    // The pop-up's Bluetooth entry acts like the menu's.
    driver::trigger(f, "popupBluetoothAction");
    QVERIFY(m_dataCom->comPort().isOpen());
    QCOMPARE(m_dataCom->comPort().portName(), bluetooth.path());
    QCOMPARE(m_dataCom->comPort().baudRate(), 256000);
    QVERIFY(!driver::find<PictureButton>(f, "bluetoothIndicator")
                 ->isPictureVisible());
    QVERIFY(
        driver::find<PictureButton>(f, "cableIndicator")->isPictureVisible());
    QVERIFY(m_boxes.isEmpty());
  }

  void portsThatDoNotOpenShowTheirMessages() {
    MainWindow &f = form();
    m_core->settings().setDataPort("/dev/no-such-port");
    m_core->settings().setBlueToothPort("/dev/no-such-port-either");
    driver::trigger(f, "connectCableAction");
    driver::trigger(f, "connectBluetoothAction");
    QCOMPARE(
        m_boxes,
        QStringList({"Quorvane v1.0: Try Select Another ComPort At Setting",
                     "Attention: Try Selet Another ComPort in options"}));
    QVERIFY(!m_dataCom->comPort().isOpen());
    checkIdle();
  }

  void watchdogClosesASilentLinkAndReopensIt() {
    MainWindow &f = form();
    PtyPair phone;
    m_core->settings().setBlueToothPort(phone.path().toLocal8Bit());
    driver::trigger(f, "connectBluetoothAction");
    QVERIFY(m_dataCom->comPort().isOpen());

    // Nothing received yet: never closed, however long.
    m_now += 60000;
    driver::fire(f, "portWatchdog");
    QVERIFY(m_dataCom->comPort().isOpen());

    QVERIFY(phone.write(kNopPacket));
    QCOMPARE(receive(phone, kNopReply.size()), kNopReply);
    QCOMPARE(m_dataCom->lastReceiveTime(), m_now);

    m_now += 5999; // five whole seconds: still alive
    driver::fire(f, "portWatchdog");
    QVERIFY(phone.received().isEmpty());
    m_now += 1; // six
    driver::fire(f, "portWatchdog");
    // Closed with the disconnect packet, then opened again on the same port.
    QCOMPARE(receive(phone, kDiscon.size()), kDiscon);
    QVERIFY(m_dataCom->comPort().isOpen());
    QCOMPARE(m_dataCom->comPort().portName(), phone.path());
    QCOMPARE(m_dataCom->lastReceiveTime(), 0);
    QVERIFY(driver::find<QTimer>(f, "portWatchdog")->isActive());
    QVERIFY(!driver::find<PictureButton>(f, "bluetoothIndicator")
                 ->isPictureVisible());

    // A cable link is kept waiting on its port the same way.
    driver::trigger(f, "disconnectAction");
    receive(phone, kDiscon.size());
    PtyPair cable;
    m_core->settings().setDataPort(cable.path().toLocal8Bit());
    driver::trigger(f, "connectCableAction");
    QVERIFY(cable.write(kNopPacket));
    QCOMPARE(receive(cable, kNopReply.size()), kNopReply);
    m_now += 9000;
    driver::fire(f, "portWatchdog");
    QCOMPARE(receive(cable, kDiscon.size()), kDiscon);
    QVERIFY(m_dataCom->comPort().isOpen());
    QCOMPARE(m_dataCom->comPort().baudRate(), 256000);
    QVERIFY(
        !driver::find<PictureButton>(f, "cableIndicator")->isPictureVisible());
  }

  void autoconnectLightsTheIndicatorWhenThePhoneAnswers() {
    MainWindow &f = form();
    PtyPair cable, bluetooth;
    const QString table = m_dir->file("ports.ini");
    QFile file(table);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(("\\Device\\USBSER000=" + cable.path() +
                "\n\\Device\\BthModem0=" + bluetooth.path() + "\n")
                   .toLocal8Bit());
    file.close();
    qputenv("QUORVANE_SERIAL_PORTS", table.toLocal8Bit());
    m_core->settings().load();

    driver::trigger(f, "autoConnectAction");
    QCOMPARE(m_dataCom->probePorts().size(), 2);
    for (auto *b : {driver::find<PictureButton>(f, "cableIndicator"),
                    driver::find<PictureButton>(f, "bluetoothIndicator"),
                    driver::find<PictureButton>(f, "internetIndicator")})
      QVERIFY(b->isPictureVisible());
    QVERIFY(!driver::find<QAction>(f, "autoConnectAction")->isEnabled() &&
            driver::find<PictureButton>(f, "disconnectButton")->isEnabled());
    QVERIFY(!driver::find<QTimer>(f, "portWatchdog")->isActive());

    QVERIFY(bluetooth.write(kNopPacket));
    QCOMPARE(receive(bluetooth, kNopReply.size()), kNopReply);
    QVERIFY(!driver::find<PictureButton>(f, "bluetoothIndicator")
                 ->isPictureVisible());
    QVERIFY(
        driver::find<PictureButton>(f, "cableIndicator")->isPictureVisible());
    QCOMPARE(m_core->settings().blueToothPort(),
             bluetooth.path().toLocal8Bit());
    QCOMPARE(platform::ProfileFile::read(settingsFilePath(*m_paths),
                                         "Connection", "BlueToothPort", ""),
             bluetooth.path().toLocal8Bit());
    QVERIFY(!m_dataCom->comPort().isOpen());
    QVERIFY(cable.received().isEmpty());

    driver::trigger(f, "disconnectAction");
    QCOMPARE(receive(bluetooth, kDiscon.size()), kDiscon);
    QVERIFY(!m_dataCom->probePortsOpen());
    checkIdle();

    // Disconnecting before anyone answered tells every probe port.
    driver::trigger(f, "autoConnectAction");
    QCOMPARE(m_dataCom->probePorts().size(), 2);
    driver::trigger(f, "disconnectAction");
    QCOMPARE(receive(cable, kDiscon.size()), kDiscon);
    QCOMPARE(receive(bluetooth, kDiscon.size()), kDiscon);
    QVERIFY(!m_dataCom->scanPending());
  }

  void gprsPhoneThatGoesLeavesTheViewsWaiting();

  void disconnectLeavesNothingForTheNextPhone() {
    MainWindow &f = form();
    PtyPair phone;
    m_core->settings().setBlueToothPort(phone.path().toLocal8Bit());
    driver::trigger(f, "connectBluetoothAction");
    // The phone identifies itself as the simulator's model.
    QVERIFY(phone.write(le32(12) + le32(0) + le32(0) +
                        QByteArray::fromHex("41564f4e00000000")));
    QCOMPARE(receive(phone, kNopReply.size()), kNopReply);
    QTRY_COMPARE(driver::find<QLabel>(f, "phoneModelLabel")->text(),
                 QString("Quorvane Phone Simulator"));
    QVERIFY(f.core().canvas().hasPictures());
    driver::find<QLabel>(f, "statusLabel")->setText("Saved");
    m_queue->putKeyCode(0x0135);
    m_queue->putKeyCode(0x0136);

    driver::click(f, "disconnectButton");
    QCOMPARE(receive(phone, kDiscon.size()), kDiscon);
    QVERIFY(driver::find<QLabel>(f, "phoneModelLabel")->text().isEmpty());
    QVERIFY(driver::find<QLabel>(f, "statusLabel")->text().isEmpty());
    QCOMPARE(f.ledIndex(), 0);
    QCOMPARE(f.trayIconIndex(), 0);
    QVERIFY(!f.core().canvas().hasPictures());
    QCOMPARE(m_dataCom->pendingSize(), 0);
    checkIdle();

    // The next phone gets an empty reply: the keys were not kept.
    driver::trigger(f, "connectBluetoothAction");
    QVERIFY(phone.write(kNopPacket));
    QCOMPARE(receive(phone, kNopReply.size()), kNopReply);
    QVERIFY(m_boxes.isEmpty());
  }
};

namespace {

// One exchange of the phone: the request, then its 8-byte reply. The
// window's events are not run meanwhile.
QByteArray exchange(QTcpSocket &phone, const QByteArray &request) {
  phone.write(request);
  QByteArray reply;
  while (reply.size() < 8 && phone.waitForReadyRead(3000))
    reply += phone.readAll();
  return reply;
}

} // namespace

void TestConnectionManager::gprsPhoneThatGoesLeavesTheViewsWaiting() {
  MainWindow &f = form();
  m_core->settings().setPort(0);
  // A log that cannot be written costs the log, not the phone's session.
  EventLog::instance().setFilePath("/dev/full");
  EventLog::instance().setOn(LogSwitch::Commands, true);
  driver::trigger(f, "connectInternetAction");
  QVERIFY(f.core().tcpLink().active());
  const quint16 port = quint16(f.core().tcpLink().boundPort());
  const QByteArray nop = QByteArray::fromHex("0b00000000000000");
  const QByteArray auth =
      le32(12) + le32(0) + le32(0) + QByteArray::fromHex("41564f4e00000000");
  const QByteArray tile = fixtures::encodeJpeg(
      fixtures::uniformTile(34, 34, qRgb(40, 200, 90), qRgb(40, 200, 90)), 100);
  const QByteArray screen =
      le32(14) + le32(tile.size()) + le32(0) + le32(0) + tile;

  const auto newPhone = [port] {
    auto phone = std::make_unique<QTcpSocket>();
    phone->connectToHost(QHostAddress::LocalHost, port);
    return phone;
  };
  auto phone = newPhone();
  QVERIFY(phone->waitForConnected(3000));
  QCOMPARE(exchange(*phone, auth), nop);
  QCOMPARE(exchange(*phone, screen), nop);
  QTRY_COMPARE(m_boxes.size(), 1);
  QCOMPARE(m_boxes[0],
           QString("Quorvane v1.0: Could not write to the log file /dev/full: "
                   "No space left on device. This log has been turned off; "
                   "the link goes on."));
  QVERIFY(!EventLog::instance().isOn(LogSwitch::Commands));

  // The phone goes: both views dim the last picture under the text; the
  // picture the captures read stays as it was.
  const QImage last = f.core().canvas().screen();
  phone.reset();
  const QString waiting = "Waiting for the phone";
  QTRY_COMPARE(driver::find<ScreenImage>(f, "screenView")->overlayText(),
               waiting);
  QCOMPARE(driver::find<ScreenImage>(f, "zoomView")->overlayText(), waiting);
  QCOMPARE(f.core().canvas().screen(), last);
  const QRgb shown =
      driver::find<ScreenImage>(f, "screenView")->grab().toImage().pixel(5, 5);
  QVERIFY(qAbs(qGreen(shown) - qGreen(last.pixel(5, 5)) * 40 / 100) <= 2);

  // The next phone's first tile ends the wait.
  phone = newPhone();
  QVERIFY(phone->waitForConnected(3000));
  QCOMPARE(exchange(*phone, auth), nop);
  QTest::qWait(20);
  QCOMPARE(driver::find<ScreenImage>(f, "screenView")->overlayText(), waiting);
  QCOMPARE(exchange(*phone, screen), nop);
  QTRY_VERIFY(
      driver::find<ScreenImage>(f, "screenView")->overlayText().isEmpty());
  QVERIFY(driver::find<ScreenImage>(f, "zoomView")->overlayText().isEmpty());

  // A phone that connects just before Disconnect: what its connect handler
  // sent the indicator arrives too late to light the LED again.
  phone.reset();
  QTRY_VERIFY(!f.core().tcpLink().phoneConnected());
  phone = newPhone();
  QVERIFY(phone->waitForConnected(3000));
  QCOMPARE(exchange(*phone, le32(13)), nop);
  driver::trigger(f, "disconnectAction");
  QCoreApplication::processEvents();
  QCOMPARE(f.ledIndex(), 0);
  QCOMPARE(f.trayIconIndex(), 0);
  QVERIFY(driver::find<ScreenImage>(f, "screenView")->overlayText().isEmpty());
  QCOMPARE(m_boxes.size(), 1);
}

int main(int argc, char **argv) {
  GuardedApplication app(argc, argv);
  TestConnectionManager test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_connection_manager.moc"
