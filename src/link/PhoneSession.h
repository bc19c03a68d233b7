#pragma once
// One phone's conversation, free of any transport: a request the transport
// has parsed goes in, the bytes of the reply come out. The session holds
// what both links share: the known-phones gate, the identification the
// phone sent, the link figures and the round trip, the tiles handed to the
// view, and the keys taken from the command queue.
//
// Replies are 11, 0 when no key goes out, else 13, n, n queue bytes; a
// serial reply ends with "^". A phone not (yet) served gets empty replies
// and its keys stay queued.
//
// A session belongs to one thread at a time (the TCP connection thread, or
// the GUI thread of the serial link); the gate, the figures and the queue
// it is given are safe to share.

#include "link/CommandQueue.h"
#include "link/LinkStats.h"
#include "link/PhoneGate.h"

#include <QByteArray>
#include <QString>
#include <functional>

class LinkView;

// A request as a transport parsed it.
struct PhoneRequest {
  enum class Kind {
    Poll,   // asks for keys
    Auth,   // the identification block in id
    Screen, // a tile in tile at x, y; empty for a plain poll
    Close   // the phone says goodbye, or sent what no phone sends
  };
  Kind kind = Kind::Poll;
  PhoneId id{};
  QByteArray tile;
  int x = 0;
  int y = 0;
};

// Where the two links differ in what they make of a request.
struct ReplyStyle {
  qsizetype maxKeyBytes; // queue bytes one reply carries at most
  char terminator;       // ends every reply; 0 for none
  // A phone the user refused gets no reply: the transport closes it.
  bool closeWhenRefused;
  // An undecodable tile is logged and answered; otherwise its exception
  // leaves handle() and ends the connection.
  bool skipBrokenTile;
  const char *emptyReplyLog; // log line of an empty reply; null for none
  const char *keysReplyLog;  // log line of a reply with keys
};

class PhoneSession {
public:
  // Nanoseconds on a steadily increasing clock.
  using Clock = std::function<qint64()>;

  // view may be null (nothing is shown or drawn).
  PhoneSession(CommandQueue &queue, LinkView *view, const ReplyStyle &style);
  PhoneSession(const PhoneSession &) = delete;
  PhoneSession &operator=(const PhoneSession &) = delete;

  void setView(LinkView *view) { m_view = view; }
  // Shared with the other link; null restores the session's own.
  void setStats(LinkStats *stats);
  void setGate(PhoneGate *gate);
  PhoneGate &gate() const { return *m_gate; }
  // Empty: the steady clock.
  void setClock(Clock clock);

  // A new phone (a TCP connection, an opened serial port): the gate starts
  // over and the view learns where the phone is. Returns the connection's
  // number, which the user's answer about the phone names.
  quint64 begin(const QString &where);
  quint64 connection() const { return m_connection; }
  bool served() const;

  // Bytes arrived from the phone: counted, and the first after a reply
  // ends that reply's round trip.
  void received(qint64 bytes);

  // Counts the request, applies an identification the user allowed
  // meanwhile, and answers. Empty when the connection is to close: a
  // Close request, or a refused phone where the style says so.
  const QByteArray &handle(const PhoneRequest &request);
  // A reply without a request (the serial link's resynchronisation).
  const QByteArray &reply();

private:
  void applyIdentity(const PhoneId &id);
  void onAuth(const PhoneId &id);
  void drawTile(const PhoneRequest &request);

  CommandQueue &m_queue;
  LinkView *m_view;
  ReplyStyle m_style;
  LinkStats *m_stats = &m_ownStats;
  PhoneGate *m_gate = &m_ownGate;
  // The fallbacks of a session not given the program's gate and figures.
  LinkStats m_ownStats;
  PhoneGate m_ownGate;
  quint64 m_connection = 0;
  Clock m_clock;
  qint64 m_replySentNs = 0; // 0 once the phone has answered the last reply
  QByteArray m_reply;       // reused for every reply
};
