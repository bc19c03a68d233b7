#pragma once
// One conversation with the PC, driven from the phone's side: identify, then
// send what changed on the screen and poll for key commands, over whichever
// wire format and transport it is given.

#include "PhoneUi.h"
#include "TileEncoder.h"
#include "Transport.h"
#include "Wire.h"

#include <QDateTime>
#include <QImage>

#include <functional>
#include <vector>

namespace phonesim {

struct SessionOptions {
  IdBlock id;
  int pollIntervalMs = 100;
  // Every nth poll is a NOP keep-alive instead of a command request; 0 never.
  int nopEvery = 10;
  // Ends the session after this many keys; 0 for no limit.
  int exitAfterKeys = 0;
  // Serial only: a NOP is sent again when no reply came for this long, and
  // the identification is repeated at this interval until the PC answers.
  int replyTimeoutMs = 3000;
  int authRetryMs = 1000;
  // Once stop is requested, how long an outstanding reply is still awaited.
  int stopGraceMs = 1000;
  bool sendScreen = true;
};

class Session {
public:
  enum class Result {
    Ok,            // the step succeeded; the session goes on
    Stopped,       // stop was requested
    KeysDone,      // the requested number of keys has arrived
    Closed,        // the link closed or the peer went away
    PeerDiscon,    // the PC announced that it closes (serial)
    ProtocolError, // the PC sent something that is not a valid reply
    IoError,       // a write failed
  };

  Session(Transport &transport, Wire &wire, PhoneUi &ui,
          const SessionOptions &options);

  void setStopRequested(std::function<bool()> stopRequested) {
    m_stopRequested = std::move(stopRequested);
  }
  // Called with every key code received, in order.
  void setKeyObserver(std::function<void(int)> observer) {
    m_keyObserver = std::move(observer);
  }
  void setClock(std::function<QDateTime()> clock) {
    m_clock = std::move(clock);
  }

  // Identifies, then polls and sends screen changes until something ends
  // the session. Says goodbye when it ends on the phone's initiative.
  Result run();

  Result authenticate();
  // Sends the tiles for everything that changed since the last frame sent.
  Result sendScreenChanges();
  Result poll();
  // One request and its reply; the trailer goes out after the reply.
  Result exchange(const QByteArray &request,
                  const QByteArray &trailer = QByteArray());
  // Sends the same tile again and again for the given time.
  Result flood(const Tile &tile, double seconds, long long *tiles,
               double *elapsed);
  // Round trips of 'count' polls, in microseconds.
  Result pollBench(int count, std::vector<double> *roundTripsUs);
  // The disconnect request where the link has one.
  void sayGoodbye();

  int keysReceived() const { return m_keys; }
  long long repliesReceived() const { return m_replies; }
  QString errorText() const { return m_error; }
  static const char *resultName(Result r);

private:
  Result awaitReply(int timeoutMs, bool *timedOut);
  Result takeReplies(bool *gotOne);
  Result handleReply(const Reply &reply);
  Result idle(int ms);
  Result send(const QByteArray &data);
  bool stopRequested() const { return m_stopRequested && m_stopRequested(); }

  Transport &m_transport;
  Wire &m_wire;
  PhoneUi &m_ui;
  SessionOptions m_options;
  TileEncoder m_encoder;
  KeyDescrambler m_descrambler;
  std::function<bool()> m_stopRequested;
  std::function<void(int)> m_keyObserver;
  std::function<QDateTime()> m_clock;

  QImage m_lastSent;
  bool m_uiDirty = true;
  bool m_keysDone = false;
  bool m_peerDiscon = false;
  QByteArray m_pendingTrailer;
  int m_keys = 0;
  long long m_replies = 0;
  long long m_polls = 0;
  QString m_error;
};

// The value below which the given share (0..1) of the samples lie.
double percentile(std::vector<double> samples, double share);

} // namespace phonesim
