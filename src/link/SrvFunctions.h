#pragma once
// The TCP link: the PC listens, one phone at a time connects and drives the
// conversation. A listening thread accepts; a connection thread serves the
// phone's requests with blocking reads of exact byte counts.
//
// Requests (signed 32-bit little-endian integers): 11 NOP (+1 value read
// after the reply), 12 GetAuth (+2 values, +8 identification bytes),
// 13 GetCommand, 14 GetScreen (L; when L > 8: x, y, L bytes), 15 Discon.
// Replies: 11, 0 (two writes) when the queue is empty, else 13, n, n bytes.

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
  // Tiles longer than this are refused: far beyond any tile of the screen.
  static constexpr qint32 MaxTileLength = 1 << 20;

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

  // Handlers; all but ListenException run on the connection thread.
  void IdTCPServerConnect();
  // Serves one request; false when the connection is to close.
  bool IdTCPServerExecute();
  void IdTCPServerDisconnect();
  void IdTCPServerException(const QByteArray &message);
  void IdTCPServerListenException(const QByteArray &message);

private:
  void ListenLoop();
  void ServeConnection(int fd);
  void ReadExact(void *buffer, qsizetype size);
  qint32 ReadInt();
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
};
