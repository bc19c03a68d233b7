#pragma once
// The TCP link: the PC listens, one phone at a time connects and drives the
// conversation. A listening thread accepts; a connection thread serves the
// phone's requests with blocking reads of exact byte counts. What a request
// means and what it is answered is the PhoneSession's; this is the socket
// around it.
//
// The connection thread reads whatever has arrived and cuts requests out of
// it with TcpRequestParser (TcpRequest.h); each request gets its reply
// before the next is looked at. Replies: 11, 0 when the queue
// is empty, else 13, n, n bytes. The queue's bytes are taken in one step
// and written after, so a phone that stops reading never holds up the
// window's key presses; a phone whose socket takes nothing for
// kSendTimeoutMs (SO_SNDTIMEO) is dropped. A connection that does not
// identify itself within kIdentifyTimeoutMs, or falls silent for
// kIdleTimeoutMs after it did, is closed, so an idle peer cannot keep the
// phone out.

#include "link/PhoneLink.h"
#include "link/PhoneSession.h"
#include "link/TcpRequest.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

class LinkView;
class CommandQueue;
class LinkStats;
class PhoneGate;

// Opening the listener failed (the port is in use, for instance).
class TcpBindError : public LinkOpenError {
public:
  using LinkOpenError::LinkOpenError;
};

class TcpLink : public PhoneLink {
public:
  // Milliseconds on a steadily increasing clock.
  using Clock = std::function<qint64()>;

  TcpLink(LinkView &view, CommandQueue &queue);
  ~TcpLink() override;
  TcpLink(const TcpLink &) = delete;
  TcpLink &operator=(const TcpLink &) = delete;

  // Binds the port on every IPv4 address, or on the one IPv4 or IPv6
  // address given, and starts accepting; returns once the socket is bound.
  // Throws TcpBindError.
  void open(int port, const QString &address = QString());
  // Stops listening, closes the phone's connection (its disconnect handling
  // runs) and waits for both threads to end.
  void close() override;
  bool active() const { return m_listenFd >= 0; }

  // PhoneLink: the endpoint's TCP port and listen address. A request half
  // received goes with its connection, so there is nothing else to drop;
  // the connection keeps its own time limits, so no silence is reported.
  void open(const LinkEndpoint &endpoint) override {
    open(endpoint.tcpPort, endpoint.listenAddress);
  }
  bool isOpen() const override { return active(); }
  void dropPending() override {}
  qint64 silenceMs() const override { return -1; }
  // The port actually bound (useful when Open was given 0).
  int boundPort() const { return m_boundPort; }
  bool phoneConnected() const { return m_connected; }
  // "address:port" of the phone connected, empty when none.
  QString peerAddress() const;
  // Closes the phone's connection, if it is still the given one (a number
  // from the phone gate); the listener goes on.
  void dropPhone(quint64 connection);
  // Counters for the link figures, and the gate that decides which phones
  // are served; both shared with the serial link. Set before Open.
  void setStats(LinkStats *stats) { m_session.setStats(stats); }
  void setGate(PhoneGate *gate) { m_session.setGate(gate); }
  // How long a reply may wait for room in the socket before the phone is
  // dropped; applies to the next connection.
  void setSendTimeout(int ms) { m_sendTimeoutMs = ms; }
  // Tests drive the time limits of a connection; set before Open. With a
  // clock of its own the connection looks at it every few milliseconds
  // instead of sleeping until the next limit. Empty: the steady clock.
  void setClock(Clock clock);

  // Handlers; all but ListenException run on the connection thread.
  void idTCPServerConnect();
  // Serves one request; false when the connection is to close.
  bool idTCPServerExecute(const TcpRequest &request);
  void idTCPServerDisconnect();
  void idTCPServerException(const QByteArray &message);
  void idTCPServerListenException(const QByteArray &message);

private:
  void listenLoop();
  void serveConnection(int fd, qint64 acceptedMs);
  void serveRequests(qint64 acceptedMs);
  void writeAll(const void *data, qsizetype size);
  // How long a read of the connection may wait (SO_RCVTIMEO).
  void setReceiveTimeout(qint64 ms);
  // Waits until the socket has bytes; throws ConnectionClosed when a time
  // limit of the connection runs out first.
  void awaitRequestBytes(qint64 acceptedMs, qint64 lastHeardMs);

  LinkView &m_view;
  CommandQueue &m_queue;
  int m_listenFd = -1;
  int m_wakePipe[2] = {-1, -1};
  int m_boundPort = 0;
  std::thread m_listenThread;
  std::thread m_connThread;
  mutable std::mutex m_connLock; // guards m_connFd and m_peer
  int m_connFd = -1;
  QString m_peer;
  std::atomic<bool> m_connected{false};
  std::atomic<bool> m_stopping{false};
  std::atomic<int> m_sendTimeoutMs;
  TcpRequestParser m_parser;
  // Connection thread only, apart from the gate it shares.
  PhoneSession m_session;
  // Connection thread: the phone has sent its identification.
  bool m_identified = false;
  Clock m_clock;
  int m_clockSliceMs; // longest wait between looks at m_clock
};
