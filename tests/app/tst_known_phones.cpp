// Known phones only: an unknown phone waits, unserved, for the user's
// answer in the window's prompt; the answer is remembered as asked.
#include "app/AllowPhoneDialog.h"
#include "app/AppCore.h"
#include "app/AppException.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "link/CommandQueue.h"
#include "link/TcpLink.h"
#include "screen/ScreenCanvas.h"
#include "settings/KnownPhones.h"
#include "settings/Settings.h"
#include "support/ProgramFixtures.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"
#include "support/WindowDriver.h"

#include <QFile>
#include <QTcpSocket>
#include <QTest>
#include <QtEndian>

namespace {

QByteArray int32(qint32 v) {
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
  ScriptedMessageBoxes m_messageBoxes;
  const Paths m_paths = Paths::forExecutable(m_dir.file("quorvane"));
  std::unique_ptr<AppCore> m_core;
  std::unique_ptr<MainWindow> m_form;

  // A phone on a new connection that has identified itself.
  std::unique_ptr<QTcpSocket> connectPhone(const QByteArray &block) {
    auto phone = std::make_unique<QTcpSocket>();
    phone->connectToHost(QHostAddress::LocalHost,
                         quint16(m_form->core().tcpLink().boundPort()));
    if (!phone->waitForConnected(3000))
      return nullptr;
    if (ask(*phone, int32(12) + int32(0) + int32(0) + block, 8) != kNop)
      return nullptr;
    return phone;
  }
  QByteArray ask(QTcpSocket &phone, const QByteArray &request, int n) {
    phone.write(request);
    QByteArray reply;
    while (reply.size() < n && phone.waitForReadyRead(3000))
      reply += phone.readAll();
    return reply;
  }
  AllowPhoneDialog *waitForPrompt() {
    // Callers check for null: no prompt within the time.
    (void)QTest::qWaitFor([&] { return m_form->allowPhonePrompt() != nullptr; },
                          3000);
    return m_form->allowPhonePrompt();
  }

private slots:
  void initTestCase() {
    QVERIFY(copySkinFile(m_dir));
    EventLog::instance().setFilePath(m_paths.logFile());
    GuardedApplication::instance()->setMessageBoxes(&m_messageBoxes);
    QFile ini(settingsFilePath(m_paths));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Connection]\r\nKnownPhonesOnly=1\r\n"
              "[KnownPhones]\r\nXYZ=broken\r\n"
              "1111111111111111=Another phone\r\n");
    ini.close();
    EventLog::instance().setOn(LogSwitch::Commands, true);
    m_core = std::make_unique<AppCore>(m_paths);
    m_form = std::make_unique<MainWindow>(*m_core, m_messageBoxes);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_core->settings().setPort(0);
    driver::trigger(*m_form, "connectInternetAction");
    QVERIFY(m_form->core().tcpLink().active());
  }
  void cleanupTestCase() {
    m_form.reset();
    EventLog::instance().setOn(LogSwitch::Commands, false);
  }

  void unknownPhoneWaitsUntilAllowedOnce() {
    MainWindow &f = *m_form;
    auto phone = connectPhone(kBlock);
    QVERIFY(phone);
    AllowPhoneDialog *prompt = waitForPrompt();
    QVERIFY(prompt);
    QVERIFY(driver::find<QLabel>(*prompt, "detailsLabel")
                ->text()
                .contains("0102030405060708"));
    QVERIFY(driver::find<QLabel>(*prompt, "detailsLabel")
                ->text()
                .contains("127.0.0.1:"));

    // Keys pressed meanwhile stay queued; a tile draws nothing.
    m_core->queue().putKeyCode(0x0130);
    QCOMPARE(ask(*phone, int32(13), 8), kNop);
    const QByteArray tile = "GIF89a-not-decoded";
    QCOMPARE(ask(*phone,
                 int32(14) + int32(tile.size()) + int32(0) + int32(0) + tile,
                 8),
             kNop);
    QCOMPARE(m_core->queue().size(), 2);
    QVERIFY(!f.core().canvas().hasPictures());

    QTest::mouseClick(driver::find<QPushButton>(*prompt, "allowOnceButton"),
                      Qt::LeftButton);
    QTRY_VERIFY(!f.allowPhonePrompt());
    QCOMPARE(ask(*phone, int32(13), 10), int32(13) + int32(2) + "\x30\x01");
    QTRY_VERIFY(
        f.core().canvas().hasPictures()); // its identification took effect
    QTRY_VERIFY(driver::find(f, "internetIndicatorTip")
                    ->toolTip()
                    .contains("Phone at 127.0.0.1:"));
    QTRY_VERIFY(driver::find(f, "internetIndicatorTip")
                    ->toolTip()
                    .contains("Model 04030201"));

    // Allowed once: the next connection is asked about again.
    phone->write(int32(15));
    QVERIFY(phone->waitForDisconnected(3000));
    QTRY_VERIFY(!f.core().tcpLink().phoneConnected());
    phone = connectPhone(kBlock);
    QVERIFY(phone);
    prompt = waitForPrompt();
    QVERIFY(prompt);

    // Always allow: remembered in the settings, and asked no more.
    QTest::mouseClick(driver::find<QPushButton>(*prompt, "alwaysAllowButton"),
                      Qt::LeftButton);
    m_core->queue().putKeyCode(0x0131);
    QCOMPARE(ask(*phone, int32(13), 10).left(8), int32(13) + int32(2));
    const QList<KnownPhone> known = loadKnownPhones(m_core->settings());
    QCOMPARE(known.size(), 2);
    QCOMPARE(known.last().block, QByteArray("0102030405060708"));
    phone->write(int32(15));
    QVERIFY(phone->waitForDisconnected(3000));
    QTRY_VERIFY(!f.core().tcpLink().phoneConnected());
    phone = connectPhone(kBlock);
    QVERIFY(phone);
    QTest::qWait(100);
    QVERIFY(!f.allowPhonePrompt());
    m_core->queue().putKeyCode(0x0132);
    QCOMPARE(ask(*phone, int32(13), 10).left(8), int32(13) + int32(2));
    phone->write(int32(15));
    QVERIFY(phone->waitForDisconnected(3000));
    QTRY_VERIFY(!f.core().tcpLink().phoneConnected());
  }

  void refusedPhoneIsClosedAndBrokenEntriesAreLogged() {
    MainWindow &f = *m_form;
    auto phone = connectPhone(QByteArray::fromHex("a1a2a3a4a5a6a7a8"));
    QVERIFY(phone);
    AllowPhoneDialog *prompt = waitForPrompt();
    QVERIFY(prompt);
    QTest::mouseClick(driver::find<QPushButton>(*prompt, "refuseButton"),
                      Qt::LeftButton);
    QVERIFY(phone->state() == QAbstractSocket::UnconnectedState ||
            phone->waitForDisconnected(3000));
    QVERIFY(f.core().tcpLink().active()); // the listener goes on

    QFile log(EventLog::instance().filePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains(
        "[KnownPhones] XYZ is not 16 hexadecimal digits"));
  }
};

int main(int argc, char **argv) {
  GuardedApplication app(argc, argv);
  app.setShowErrorBox(false);
  TestKnownPhones test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_known_phones.moc"
