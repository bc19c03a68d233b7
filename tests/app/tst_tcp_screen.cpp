// The TCP link drawing through the real view: the listener's thread decodes
// into the screen pictures, identifications wipe them, and an undecodable
// tile ends only that connection.
#include "app/AppException.h"
#include "app/LinkViewAdapter.h"
#include "common/EventLog.h"
#include "common/Paths.h"
#include "link/CommandQueue.h"
#include "link/SrvFunctions.h"
#include "screen/ActivityIndicator.h"
#include "screen/ScreenCanvas.h"
#include "screen/TileFixtures.h"
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

QByteArray Le32(qint32 v) {
  QByteArray b(4, 0);
  qToLittleEndian(v, b.data());
  return b;
}

// A tile with its one-pixel margin in red and a uniform blue inside.
QByteArray JpegTile(int side) {
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

bool Bluish(QRgb c) { return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60; }

} // namespace

class TestTcpScreen : public QObject {
  Q_OBJECT

  ScopedTempDir m_dir;
  TScreenCanvas m_canvas;
  TActivityIndicator m_indicator;
  TLinkViewAdapter m_view{m_canvas, m_indicator};
  TCommandQueue m_queue;
  TIdTCPServer m_server{m_view, m_queue};
  QStringList m_names;

  QByteArray Request(QTcpSocket &phone, const QByteArray &bytes) {
    phone.write(bytes);
    QByteArray reply;
    while (reply.size() < 8 && phone.waitForReadyRead(3000))
      reply += phone.readAll();
    return reply;
  }

private slots:
  void initTestCase() {
    QVERIFY(QDir().mkpath(m_dir.File("skins")));
    QFile skin(m_dir.File("skins/skin.ini"));
    QVERIFY(skin.open(QIODevice::WriteOnly));
    skin.write("[04030201]\r\nName=Test Handset\r\n");
    skin.close();
    SetExePath(m_dir.File("quorvane"));
    connect(&m_view, &TLinkViewAdapter::PhoneNameChanged, this,
            [this](const QString &name) { m_names << name; });
    m_server.Open(0);
  }

  void tilesIdentitiesAndDecodeErrors() {
    QTcpSocket phone;
    phone.connectToHost(QHostAddress::LocalHost, quint16(m_server.BoundPort()));
    QVERIFY(phone.waitForConnected(3000));
    const QByteArray nop = QByteArray::fromHex("0b00000000000000");

    // Before any identification there is no picture: the tile shows nowhere.
    const QByteArray tile = JpegTile(34);
    QCOMPARE(Request(phone,
                     Le32(14) + Le32(tile.size()) + Le32(10) + Le32(20) + tile),
             nop);
    QVERIFY(!m_canvas.HasPictures());

    QCOMPARE(Request(phone, Le32(12) + Le32(0) + Le32(0) +
                                QByteArray::fromHex("0102030405060708")),
             nop);
    QTRY_COMPARE(m_names, QStringList({"Test Handset"}));

    // The 34 x 34 tile at (10, 20): columns 10-41, rows 20-51, doubled in
    // the zoom picture; its red margin appears nowhere.
    QCOMPARE(Request(phone,
                     Le32(14) + Le32(tile.size()) + Le32(10) + Le32(20) + tile),
             nop);
    const QImage screen = m_canvas.Screen(), zoom = m_canvas.Zoom();
    for (int y = 0; y < 208; ++y)
      for (int x = 0; x < 176; ++x) {
        const bool inside = x >= 10 && x <= 41 && y >= 20 && y <= 51;
        // JPEG blurs the blue next to the red margin; further in it is blue.
        const bool core = x >= 12 && x <= 39 && y >= 22 && y <= 49;
        const QRgb c = screen.pixel(x, y);
        QVERIFY2(inside ? c != qRgb(255, 255, 255) : c == qRgb(255, 255, 255),
                 qPrintable(QString("%1,%2").arg(x).arg(y)));
        QVERIFY2(!core || Bluish(c),
                 qPrintable(QString("%1,%2").arg(x).arg(y)));
        QCOMPARE(zoom.pixel(2 * x + 1, 2 * y + 1), c);
      }

    // A model without a section clears the name and wipes both pictures.
    QCOMPARE(Request(phone, Le32(12) + Le32(0) + Le32(0) +
                                QByteArray::fromHex("efbeadde00000000")),
             nop);
    QTRY_COMPARE(m_names, QStringList({"Test Handset", ""}));
    QCOMPARE(m_canvas.Screen().pixel(20, 30), qRgb(255, 255, 255));
    QCOMPARE(m_canvas.Zoom().pixel(40, 60), qRgb(255, 255, 255));

    // 'G' in front of JPEG bytes: a decoding error that ends the connection,
    // logged; nothing is drawn.
    LogCommands = true;
    const QByteArray bad = "G" + tile;
    phone.write(Le32(14) + Le32(bad.size()) + Le32(0) + Le32(0) + bad);
    QVERIFY(phone.waitForDisconnected(3000));
    QTRY_VERIFY(!m_server.PhoneConnected()); // its disconnect handling ran
    LogCommands = false;
    QCOMPARE(m_canvas.Screen().pixel(5, 5), qRgb(255, 255, 255));
    QFile log(LogFilePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    QVERIFY(text.contains("resv: GetScreen"));
    QVERIFY(text.contains("DisConnect"));
  }

  void oversizedTilesEndTheirConnectionAndTheLargestIsDrawn() {
    using namespace fixtures;
    LogCommands = true;
    QFile::remove(LogFilePath());
    const QByteArray gif = GifFromImage(UniformTile(8, 8, qRgb(9, 9, 9), 0));
    const QByteArray jpeg = JpegTile(16);
    // Small files that announce pictures one pixel too wide or too high.
    for (const QByteArray &tile :
         {PatchGifScreenSize(gif, 1025, 10), PatchGifScreenSize(gif, 10, 1025),
          PatchJpegSize(jpeg, 1025, 10), PatchJpegSize(jpeg, 10, 1025)}) {
      QTcpSocket phone;
      phone.connectToHost(QHostAddress::LocalHost,
                          quint16(m_server.BoundPort()));
      QVERIFY(phone.waitForConnected(3000));
      QCOMPARE(Request(phone, Le32(12) + Le32(0) + Le32(0) +
                                  QByteArray::fromHex("0102030405060708")),
               QByteArray::fromHex("0b00000000000000"));
      phone.write(Le32(14) + Le32(tile.size()) + Le32(0) + Le32(0) + tile);
      QVERIFY(phone.waitForDisconnected(3000));
      QTRY_VERIFY(!m_server.PhoneConnected());
      QCOMPARE(m_canvas.Screen().pixel(5, 5), qRgb(255, 255, 255));
    }
    QFile log(LogFilePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll().count("larger than 1024 pixels"), 4);
    LogCommands = false;

    // 1024 x 1024 is drawn, clipped to the screen, and the phone stays.
    QTcpSocket phone;
    phone.connectToHost(QHostAddress::LocalHost, quint16(m_server.BoundPort()));
    QVERIFY(phone.waitForConnected(3000));
    const QByteArray large = JpegTile(1024);
    QCOMPARE(Request(phone,
                     Le32(14) + Le32(large.size()) + Le32(0) + Le32(0) + large),
             QByteArray::fromHex("0b00000000000000"));
    const QImage screen = m_canvas.Screen();
    for (const QPoint p : {QPoint(4, 4), QPoint(175, 207), QPoint(88, 100)})
      QVERIFY(Bluish(screen.pixel(p)));
    QVERIFY(Bluish(m_canvas.Zoom().pixel(351, 415)));
  }

  void closingWhileTilesArriveNeverWaitsForTheWindow() {
    // The GUI thread processes no events here: every hand-off the link
    // makes stays pending while the listener is closed.
    TIdTCPServer server(m_view, m_queue);
    server.Open(0);
    const QByteArray tile = JpegTile(34);
    std::atomic<int> replies{0};
    std::thread phone([&] {
      const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_port = htons(uint16_t(server.BoundPort()));
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0)
        return;
      QByteArray auth = Le32(12) + Le32(0) + Le32(0) + QByteArray(8, 1);
      QByteArray request =
          Le32(14) + Le32(tile.size()) + Le32(3) + Le32(4) + tile;
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
    server.Close();
    QVERIFY(t.elapsed() < 2000);
    phone.join();
    QCoreApplication::processEvents(); // the pending hand-offs arrive late
  }

  void cleanupTestCase() { m_server.Close(); }
};

int main(int argc, char **argv) {
  TApplication app(argc, argv);
  TestTcpScreen test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_tcp_screen.moc"
