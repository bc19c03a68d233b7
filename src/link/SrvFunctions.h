#pragma once
// The TCP link: the PC listens, one phone at a time connects and drives the
// conversation. A listening thread accepts; a connection thread serves the
// phone's requests with blocking reads of exact byte counts.
//
// The connection thread reads whatever has arrived and cuts requests out of
// it with TTcpRequestParser (TcpRequest.h); each request gets its reply
// before the next is looked at. Replies: 11, 0 (two writes) when the queue
// is empty, else 13, n, n bytes. The queue's bytes are taken in one step
// and written after, so a phone that stops reading never holds up the
// window's key presses; a phone whose socket takes nothing for
// SendTimeoutMs (SO_SNDTIMEO) is dropped.

#include "link/TcpRequest.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>

class ILinkView;
class TCommandQueue;

// Opening the listener failed (the port is in use, for instance).
class TcpBindError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class TIdTCPServer {
public:
  TIdTCPServer(ILinkView &view, TCommandQueue &queue);
  ~TIdTCPServer();
  TIdTCPServer(const TIdTCPServer &) = delete;
  TIdTCPServer &operator=(const TIdTCPServer &) = delete;

  // Binds every IPv4 address at the port and starts accepting; returns once
  // the socket is bound. Throws TcpBindError.
  void Open(int port);
  // Stops listening, closes the phone's connection (its disconnect handling
  // runs) and waits for both threads to end.
  void Close();
  bool Active() const { return m_listenFd >= 0; }
  // The port actually bound (useful when Open was given 0).
  int BoundPort() const { return m_boundPort; }
  bool PhoneConnected() const { return m_connected; }
  // How long a reply may wait for room in the socket before the phone is
  // dropped; applies to the next connection.
  void SetSendTimeout(int ms) { m_sendTimeoutMs = ms; }

  // Handlers; all but ListenException run on the connection thread.
  void IdTCPServerConnect();
  // Serves one request; false when the connection is to close.
  bool IdTCPServerExecute(const TTcpRequest &request);
  void IdTCPServerDisconnect();
  void IdTCPServerException(const QByteArray &message);
  void IdTCPServerListenException(const QByteArray &message);

private:
  void ListenLoop();
  void ServeConnection(int fd);
  void ServeRequests();
  void WriteAll(const void *data, qsizetype size, int flags = 0);
  void SendCommandReply();

  ILinkView &m_view;
  TCommandQueue &m_queue;
  int m_listenFd = -1;
  int m_wakePipe[2] = {-1, -1};
  int m_boundPort = 0;
  std::thread m_listenThread;
  std::thread m_connThread;
  std::mutex m_connLock; // guards m_connFd against Close()
  int m_connFd = -1;
  std::atomic<bool> m_connected{false};
  std::atomic<bool> m_stopping{false};
  std::atomic<int> m_sendTimeoutMs;
  TTcpRequestParser m_parser;
  QByteArray m_reply; // reused for every commands reply
};
