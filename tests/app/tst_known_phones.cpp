// Known phones only: an unknown phone waits, unserved, for the user's
// answer in the window's prompt; the answer is remembered as asked.
#include "app/AppException.h"
#include "app/MessageBoxes.h"
#include "app/UnitAllowPhone.h"
#include "app/UnitMain.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "link/CommandQueue.h"
#include "link/SrvFunctions.h"
#include "screen/ScreenCanvas.h"
#include "settings/KnownPhones.h"
#include "settings/Settings.h"
#include "support/ProgramFixtures.h"
#include "support/TempDir.h"

#include <QFile>
#include <QTcpSocket>
#include <QTest>
#include <QtEndian>

namespace {

QByteArray Int(qint32 v) {
  QByteArray b(4, 0);
  qToLittleEndian(v, b.data());
  return b;
}

const QByteArray kNop = QByteArray::fromHex("0b00000000000000");
const QByteArray kBlock = QByteArray::fromHex("0102030405060708");

} // namespace

class TestKnownPhones : public QObject {
  Q_OBJECT

  ScopedTempDir m_dir;
  TCommandQueue m_queue;
  std::unique_ptr<TFormMain> m_form;

  // A phone on a new connection that has identified itself.
  std::unique_ptr<QTcpSocket> Connect(const QByteArray &block) {
    auto phone = std::make_unique<QTcpSocket>();
    phone->connectToHost(QHostAddress::LocalHost,
                         quint16(m_form->IdTCPServer().BoundPort()));
    if (!phone->waitForConnected(3000))
      return nullptr;
    if (Ask(*phone, Int(12) + Int(0) + Int(0) + block, 8) != kNop)
      return nullptr;
    return phone;
  }
  QByteArray Ask(QTcpSocket &phone, const QByteArray &request, int n) {
    phone.write(request);
    QByteArray reply;
    while (reply.size() < n && phone.waitForReadyRead(3000))
      reply += phone.readAll();
    return reply;
  }
  TFormAllowPhone *WaitForPrompt() {
    // Callers check for null: no prompt within the time.
    (void)QTest::qWaitFor([&] { return m_form->AllowPhonePrompt() != nullptr; },
                          3000);
    return m_form->AllowPhonePrompt();
  }

private slots:
  void initTestCase() {
    QVERIFY(CopySkinFile(m_dir));
    SetExePath(m_dir.File("quorvane"));
    QFile ini(SettingsFilePath());
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Connection]\r\nKnownPhonesOnly=1\r\n"
              "[KnownPhones]\r\nXYZ=broken\r\n"
              "1111111111111111=Another phone\r\n");
    ini.close();
    LogCommands = true;
    m_form = std::make_unique<TFormMain>(m_queue);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    AppSettings.Port = 0;
    m_form->MInternetConnClick(m_form->MInternetConn);
    QVERIFY(m_form->IdTCPServer().Active());
  }
  void cleanupTestCase() {
    m_form.reset();
    LogCommands = false;
  }

  void unknownPhoneWaitsUntilAllowedOnce() {
    TFormMain &f = *m_form;
    auto phone = Connect(kBlock);
    QVERIFY(phone);
    TFormAllowPhone *prompt = WaitForPrompt();
    QVERIFY(prompt);
    QVERIFY(prompt->LabDetails->text().contains("0102030405060708"));
    QVERIFY(prompt->LabDetails->text().contains("127.0.0.1:"));

    // Keys pressed meanwhile stay queued; a tile draws nothing.
    m_queue.PutKeyCode(0x0130);
    QCOMPARE(Ask(*phone, Int(13), 8), kNop);
    const QByteArray tile = "GIF89a-not-decoded";
    QCOMPARE(
        Ask(*phone, Int(14) + Int(tile.size()) + Int(0) + Int(0) + tile, 8),
        kNop);
    QCOMPARE(m_queue.Size(), 2);
    QVERIFY(!f.Canvas().HasPictures());

    QTest::mouseClick(prompt->BtnAllowOnce, Qt::LeftButton);
    QTRY_VERIFY(!f.AllowPhonePrompt());
    QCOMPARE(Ask(*phone, Int(13), 10), Int(13) + Int(2) + "\x30\x01");
    QTRY_VERIFY(f.Canvas().HasPictures()); // its identification took effect
    QTRY_VERIFY(f.IndicatorTip(TLinkKind::Gprs)
                    ->toolTip()
                    .contains("Phone at 127.0.0.1:"));
    QTRY_VERIFY(
        f.IndicatorTip(TLinkKind::Gprs)->toolTip().contains("Model 04030201"));

    // Allowed once: the next connection is asked about again.
    phone->write(Int(15));
    QVERIFY(phone->waitForDisconnected(3000));
    QTRY_VERIFY(!f.IdTCPServer().PhoneConnected());
    phone = Connect(kBlock);
    QVERIFY(phone);
    prompt = WaitForPrompt();
    QVERIFY(prompt);

    // Always allow: remembered in the settings, and asked no more.
    QTest::mouseClick(prompt->BtnAlwaysAllow, Qt::LeftButton);
    m_queue.PutKeyCode(0x0131);
    QCOMPARE(Ask(*phone, Int(13), 10).left(8), Int(13) + Int(2));
    const QList<TKnownPhone> known = LoadKnownPhones();
    QCOMPARE(known.size(), 2);
    QCOMPARE(known.last().Block, QByteArray("0102030405060708"));
    phone->write(Int(15));
    QVERIFY(phone->waitForDisconnected(3000));
    QTRY_VERIFY(!f.IdTCPServer().PhoneConnected());
    phone = Connect(kBlock);
    QVERIFY(phone);
    QTest::qWait(100);
    QVERIFY(!f.AllowPhonePrompt());
    m_queue.PutKeyCode(0x0132);
    QCOMPARE(Ask(*phone, Int(13), 10).left(8), Int(13) + Int(2));
    phone->write(Int(15));
    QVERIFY(phone->waitForDisconnected(3000));
    QTRY_VERIFY(!f.IdTCPServer().PhoneConnected());
  }

  void refusedPhoneIsClosedAndBrokenEntriesAreLogged() {
    TFormMain &f = *m_form;
    auto phone = Connect(QByteArray::fromHex("a1a2a3a4a5a6a7a8"));
    QVERIFY(phone);
    TFormAllowPhone *prompt = WaitForPrompt();
    QVERIFY(prompt);
    QTest::mouseClick(prompt->BtnRefuse, Qt::LeftButton);
    QVERIFY(phone->state() == QAbstractSocket::UnconnectedState ||
            phone->waitForDisconnected(3000));
    QVERIFY(f.IdTCPServer().Active()); // the listener goes on

    QFile log(LogFilePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains(
        "[KnownPhones] XYZ is not 16 hexadecimal digits"));
  }
};

int main(int argc, char **argv) {
  TApplication app(argc, argv);
  TApplication::SetShowErrorBox(false);
  TestKnownPhones test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_known_phones.moc"
