#pragma once
// Helpers for tests where bytes cross a real serial port: a raw
// pseudo-terminal whose master side plays the phone, a Qt application for
// the event loop, a recording LinkView, packet builders and the log lines.

#include "link/LinkView.h"
#include "link/RecordingView.h"
#include "support/PtyPair.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <ostream>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

// Readable failure messages.
inline void printTo(const QString &s, std::ostream *os) {
  *os << '"' << s.toStdString() << '"';
}
inline void printTo(const QByteArray &b, std::ostream *os) {
  *os << b.toHex(' ').toStdString();
}

// One QCoreApplication for the whole test program.
class QtAppEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    static int argc = 1;
    static char arg0[] = "serial-test";
    static char *argv[] = {arg0, nullptr};
    m_app = new QCoreApplication(argc, argv);
  }
  void TearDown() override {
    delete m_app;
    m_app = nullptr;
  }

private:
  QCoreApplication *m_app = nullptr;
};

inline ::testing::Environment *const g_qtAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

// Runs the event loop for a slice of time, waiting for events rather than
// spinning, and carries out pending deleteLater()s.
inline void pumpSlice(int ms = 2) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Runs the event loop until done() or the time-out; true when done.
template <typename Done> bool pumpUntil(Done done, int timeoutMs = 3000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired())
      return false;
    pumpSlice();
  }
  return true;
}

inline void pumpFor(int ms) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired())
    pumpSlice();
}

// A raw pseudo-terminal pair. The port under test opens Path(); the test
// talks through the master. The test keeps its own slave descriptor open so
// the master never sees a hang-up between port opens.
// The phone's side of a pseudo-terminal, with waits that keep the event
// loop turning so the port under test can take and answer bytes.
class TestPty : public PtyPair {
public:
  // The phone sends; throws when the terminal stays full.
  void write(const QByteArray &bytes) {
    if (!PtyPair::write(bytes))
      throw std::runtime_error("pty master write failed");
  }

  // Runs the event loop until the port has written n bytes or the time-out
  // passed; returns what came.
  QByteArray receiveWhilePumping(qsizetype n, int timeoutMs = 3000) {
    QByteArray all;
    pumpUntil(
        [&] {
          all += received();
          return all.size() >= n;
        },
        timeoutMs);
    return all;
  }
};

inline QByteArray hex(const char *hex) { return QByteArray::fromHex(hex); }

inline QByteArray le32(qint32 v) {
  QByteArray b(4, '\0');
  for (int i = 0; i < 4; ++i)
    b[i] = char((quint32(v) >> (8 * i)) & 0xFF);
  return b;
}

// Phone packets.
inline QByteArray nopPacket() { return le32(11) + le32(0); }
inline QByteArray authPacket(const QByteArray &id8) {
  return le32(12) + le32(0) + le32(0) + id8;
}
inline QByteArray screenPacket(int x, int y, const QByteArray &tile) {
  return le32(14) + le32(qint32(tile.size())) + le32(x) + le32(y) + tile;
}
// Tile bytes that hold every byte value, kinds included.
inline QByteArray tileBytes(int size, int seed = 0) {
  QByteArray b(size, '\0');
  for (int i = 0; i < size; ++i)
    b[i] = char((i * 7 + seed) & 0xFF);
  return b;
}

// PC packets.
inline QByteArray nopReply() { return hex("0b00000000000000") + '^'; }
inline QByteArray commandsReply(const QByteArray &bytes) {
  return le32(13) + le32(qint32(bytes.size())) + bytes + '^';
}
inline QByteArray disconReply() { return hex("0f00000000000000") + '^'; }

// The messages of a log file, without their time stamps.
inline QStringList logMessages(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  QStringList messages;
  for (const QByteArray &line : file.readAll().split('\n')) {
    if (line.isEmpty())
      continue;
    const QByteArray text = line.endsWith('\r') ? line.chopped(1) : line;
    const qsizetype space = text.indexOf(' ');
    messages.append(QString::fromLocal8Bit(text.mid(space + 1)));
  }
  return messages;
}
