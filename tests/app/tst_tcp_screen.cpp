// The TCP link drawing through the real view: the listener's thread decodes
// into the screen pictures, identifications wipe them, and an undecodable
// tile ends only that connection.
#include "app/AppException.h"
#include "app/LinkViewAdapter.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "link/CommandQueue.h"
#include "link/TcpLink.h"
#include "screen/ActivityIndicator.h"
#include "screen/ScreenCanvas.h"
#include "screen/SkinFile.h"
#include "screen/TileFixtures.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempDir.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QtEndian>
#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray le32(qint32 v) {
  QByteArray b(4, 0);
  qToLittleEndian(v, b.data());
  return b;
}

// A tile with its one-pixel margin in red and a uniform blue inside.
QByteArray jpegTile(int side) {
  QImage image(side, side, QImage::Format_RGB32);
  image.fill(QColor(255, 0, 0));
  for (int y = 1; y < side - 1; ++y)
    for (int x = 1; x < side - 1; ++x)
      image.setPixel(x, y, qRgb(0, 0, 255));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 100);
  return bytes;
}

bool bluish(QRgb c) { return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60; }

} // namespace

class TestTcpScreen : public QObject {
  Q_OBJECT

  ScopedTempDir m_dir;
  ScriptedMessageBoxes m_messageBoxes;
  const Paths m_paths = Paths::forExecutable(m_dir.file("quorvane"));
  ScreenCanvas m_canvas;
  ActivityIndicator m_indicator;
  LinkViewAdapter m_view{m_canvas, m_indicator, skinFilePath(m_paths)};
  CommandQueue m_queue;
  TcpLink m_server{m_view, m_queue};
  QStringList m_names;

  QByteArray request(QTcpSocket &phone, const QByteArray &bytes) {
    phone.write(bytes);
    QByteArray reply;
    while (reply.size() < 8 && phone.waitForReadyRead(3000))
      reply += phone.readAll();
    return reply;
  }

private slots:
  void initTestCase() {
    QVERIFY(QDir().mkpath(m_dir.file("skins")));
    QFile skin(m_dir.file("skins/skin.ini"));
    QVERIFY(skin.open(QIODevice::WriteOnly));
    skin.write("[04030201]\r\nName=Test Handset\r\n");
    skin.close();
    EventLog::instance().setFilePath(m_paths.logFile());
    GuardedApplication::instance()->setMessageBoxes(&m_messageBoxes);
    connect(&m_view, &LinkViewAdapter::phoneNameChanged, this,
            [this](const QString &name) { m_names << name; });
    m_server.open(0);
  }

  void tilesIdentitiesAndDecodeErrors() {
    QTcpSocket phone;
    phone.connectToHost(QHostAddress::LocalHost, quint16(m_server.boundPort()));
    QVERIFY(phone.waitForConnected(3000));
    const QByteArray nop = QByteArray::fromHex("0b00000000000000");

    // Before any identification there is no picture: the tile shows nowhere.
    const QByteArray tile = jpegTile(34);
    QCOMPARE(request(phone,
                     le32(14) + le32(tile.size()) + le32(10) + le32(20) + tile),
             nop);
    QVERIFY(!m_canvas.hasPictures());

    QCOMPARE(request(phone, le32(12) + le32(0) + le32(0) +
                                QByteArray::fromHex("0102030405060708")),
             nop);
    QTRY_COMPARE(m_names, QStringList({"Test Handset"}));

    // The 34 x 34 tile at (10, 20): columns 10-41, rows 20-51, doubled in
    // the zoom picture; its red margin appears nowhere.
    QCOMPARE(request(phone,
                     le32(14) + le32(tile.size()) + le32(10) + le32(20) + tile),
             nop);
    const QImage screen = m_canvas.screen(), zoom = m_canvas.zoom();
    for (int y = 0; y < 208; ++y)
      for (int x = 0; x < 176; ++x) {
        const bool inside = x >= 10 && x <= 41 && y >= 20 && y <= 51;
        // JPEG blurs the blue next to the red margin; further in it is blue.
        const bool core = x >= 12 && x <= 39 && y >= 22 && y <= 49;
        const QRgb c = screen.pixel(x, y);
        QVERIFY2(inside ? c != qRgb(255, 255, 255) : c == qRgb(255, 255, 255),
                 qPrintable(QString("%1,%2").arg(x).arg(y)));
        QVERIFY2(!core || bluish(c),
                 qPrintable(QString("%1,%2").arg(x).arg(y)));
        QCOMPARE(zoom.pixel(2 * x + 1, 2 * y + 1), c);
      }

    // A model without a section clears the name and wipes both pictures.
    QCOMPARE(request(phone, le32(12) + le32(0) + le32(0) +
                                QByteArray::fromHex("efbeadde00000000")),
             nop);
    QTRY_COMPARE(m_names, QStringList({"Test Handset", ""}));
    QCOMPARE(m_canvas.screen().pixel(20, 30), qRgb(255, 255, 255));
    QCOMPARE(m_canvas.zoom().pixel(40, 60), qRgb(255, 255, 255));

    // 'G' in front of JPEG bytes: a decoding error that ends the connection,
    // logged; nothing is drawn.
    EventLog::instance().setOn(LogSwitch::Commands, true);
    const QByteArray bad = "G" + tile;
    phone.write(le32(14) + le32(bad.size()) + le32(0) + le32(0) + bad);
    QVERIFY(phone.waitForDisconnected(3000));
    QTRY_VERIFY(!m_server.phoneConnected()); // its disconnect handling ran
    EventLog::instance().setOn(LogSwitch::Commands, false);
    QCOMPARE(m_canvas.screen().pixel(5, 5), qRgb(255, 255, 255));
    QFile log(EventLog::instance().filePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    QVERIFY(text.contains("resv: GetScreen"));
    QVERIFY(text.contains("DisConnect"));
  }

  void oversizedTilesEndTheirConnectionAndTheLargestIsDrawn() {
    using namespace fixtures;
    EventLog::instance().setOn(LogSwitch::Commands, true);
    QFile::remove(EventLog::instance().filePath());
    const QByteArray gif = gifFromImage(uniformTile(8, 8, qRgb(9, 9, 9), 0));
    const QByteArray jpeg = jpegTile(16);
    // Small files that announce pictures one pixel too wide or too high.
    for (const QByteArray &tile :
         {patchGifScreenSize(gif, 1025, 10), patchGifScreenSize(gif, 10, 1025),
          patchJpegSize(jpeg, 1025, 10), patchJpegSize(jpeg, 10, 1025)}) {
      QTcpSocket phone;
      phone.connectToHost(QHostAddress::LocalHost,
                          quint16(m_server.boundPort()));
      QVERIFY(phone.waitForConnected(3000));
      QCOMPARE(request(phone, le32(12) + le32(0) + le32(0) +
                                  QByteArray::fromHex("0102030405060708")),
               QByteArray::fromHex("0b00000000000000"));
      phone.write(le32(14) + le32(tile.size()) + le32(0) + le32(0) + tile);
      QVERIFY(phone.waitForDisconnected(3000));
      QTRY_VERIFY(!m_server.phoneConnected());
      QCOMPARE(m_canvas.screen().pixel(5, 5), qRgb(255, 255, 255));
    }
    QFile log(EventLog::instance().filePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll().count("larger than 1024 pixels"), 4);
    EventLog::instance().setOn(LogSwitch::Commands, false);

    // 1024 x 1024 is drawn, clipped to the screen, and the phone stays.
    QTcpSocket phone;
    phone.connectToHost(QHostAddress::LocalHost, quint16(m_server.boundPort()));
    QVERIFY(phone.waitForConnected(3000));
    const QByteArray large = jpegTile(1024);
    QCOMPARE(request(phone,
                     le32(14) + le32(large.size()) + le32(0) + le32(0) + large),
             QByteArray::fromHex("0b00000000000000"));
    const QImage screen = m_canvas.screen();
    for (const QPoint p : {QPoint(4, 4), QPoint(175, 207), QPoint(88, 100)})
      QVERIFY(bluish(screen.pixel(p)));
    QVERIFY(bluish(m_canvas.zoom().pixel(351, 415)));
  }

  void closingWhileTilesArriveNeverWaitsForTheWindow() {
    // The GUI thread processes no events here: every hand-off the link
    // makes stays pending while the listener is closed.
    TcpLink server(m_view, m_queue);
    server.open(0);
    const QByteArray tile = jpegTile(34);
    std::atomic<int> replies{0};
    std::thread phone([&] {
      const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_port = htons(uint16_t(server.boundPort()));
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0)
        return;
      QByteArray auth = le32(12) + le32(0) + le32(0) + QByteArray(8, 1);
      QByteArray request =
          le32(14) + le32(tile.size()) + le32(3) + le32(4) + tile;
      char reply[8];
      bool first = true;
      for (;;) {
        const QByteArray &r = first ? auth : request;
        first = false;
        if (::send(fd, r.constData(), size_t(r.size()), MSG_NOSIGNAL) !=
                r.size() ||
            ::recv(fd, reply, 8, MSG_WAITALL) != 8)
          break;
        ++replies;
      }
      ::close(fd);
    });
    QElapsedTimer wait;
    wait.start();
    while (replies < 50 && wait.elapsed() < 5000)
      QThread::msleep(1);
    QVERIFY(replies >= 50);
    QElapsedTimer t;
    t.start();
    server.close();
    QVERIFY(t.elapsed() < 2000);
    phone.join();
    QCoreApplication::processEvents(); // the pending hand-offs arrive late
  }

  void cleanupTestCase() { m_server.close(); }
};

int main(int argc, char **argv) {
  GuardedApplication app(argc, argv);
  TestTcpScreen test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_tcp_screen.moc"
