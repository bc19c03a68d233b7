#pragma once
// The serial data module: the serial port ComPort used by the Bluetooth and
// cable links, the probe ports of a port scan, the pending buffer of bytes
// received and not yet cut into packets, and the silence timer.
//
// The phone drives the exchange: every packet it sends gets exactly one
// reply, written synchronously from the receive handler. When the phone
// falls silent for more than a second in mid-conversation, whatever is half
// received is dropped and every open port gets a reply.
//
// What a packet means and what it is answered is the PhoneSession's; this
// is the ports, the framing and the timing around it.
//
// Everything here runs on the GUI thread; only the command queue is shared
// with the TCP link's thread, under its lock.

#include "link/LinkView.h"
#include "link/PhoneSession.h"
#include "link/PortScan.h"
#include "platform/SerialPort.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>
#include <functional>

class TCommandQueue;
class TLinkStats;
class TPhoneGate;

class TDataComPort : public QObject {
  Q_OBJECT

public:
  // Milliseconds on any steadily increasing clock; never 0 once running.
  using TClock = std::function<qint64()>;

  // queue: the key entries the replies carry, shared with the TCP link.
  TDataComPort(TCommandQueue &queue, ILinkView *view,
               IPortScanHost *scanHost = nullptr, QObject *parent = nullptr);
  // Closes every port without a word to the phone.
  ~TDataComPort() override;

  void SetView(ILinkView *view) {
    m_view = view;
    m_session.setView(view);
  }
  // Counters for the link figures, and the gate that decides which phones
  // are served; both shared with the TCP link.
  void SetStats(TLinkStats *stats) { m_session.setStats(stats); }
  void SetGate(TPhoneGate *gate) { m_session.setGate(gate); }
  void SetScanHost(IPortScanHost *host) { m_scanHost = host; }

  // --- Ports -------------------------------------------------------------

  // The port of the Bluetooth and cable links: "COM1", 115200 baud, 8N1,
  // DTR off, RTS on, no flow control, 64 KiB in, 2 KiB out, write time-out
  // 10 ms per byte plus 1000 ms. A baud rate set on it stays.
  TSerialPort &ComPort() { return *m_comPort; }
  const TSerialPort &ComPort() const { return *m_comPort; }

  // Sets the name (and the baud rate when baudRate > 0) of ComPort and
  // opens it. Throws TSerialError when it cannot be opened; the name and
  // rate stay set.
  void OpenComPort(const QString &name, qint32 baudRate = 0);
  // When ComPort is open: with sendDiscon the command queue is emptied and
  // the Discon packet written (errors ignored); then the port is closed.
  void CloseComPort(bool sendDiscon);

  // The probe ports of the current scan, in creation order.
  QList<TSerialPort *> ProbePorts() const { return m_probes; }
  // ComPort followed by the probe ports: the module's ports in creation
  // order.
  QList<TSerialPort *> Ports() const;

  // --- Receiving ---------------------------------------------------------

  // Bytes arrived on a port of the module; count is what the port reports
  // as waiting. Reads up to count + 10000 bytes and handles them. An error
  // (a log or settings write, say) is not thrown but reported through
  // ErrorRaised.
  void ComPortRxChar(TSerialPort *port, qint64 count);
  // Handles one chunk read from port: the first-data step of a pending
  // scan, activity, LastReceiveTime, the "recv: " size line, and every
  // packet the chunk completes. During a scan, the bytes of a probe port
  // are held until they make a whole phone packet, which makes it the
  // phone's port; bytes that are no phone packet are dropped unanswered.
  void HandleSerialChunk(TSerialPort *port, const QByteArray &received,
                         qint64 count);
  // Appends chunk to the pending buffer and handles at most one packet from
  // its front; replies go to port.
  void ParseSerialPackets(const QByteArray &chunk, TSerialPort *port);
  // Writes one NOP or commands packet (at most 20 queue bytes) to port.
  // Write errors are swallowed; queue bytes taken are not put back. While a
  // chunk from port is being handled, the replies to its packets are
  // gathered and written together when the chunk is done.
  void SendSerialReply(TSerialPort *port);

  // The pending buffer: received bytes not yet consumed as packets.
  QByteArray Pending() const;
  qsizetype PendingSize() const { return m_pending.size() - m_pendingPos; }
  void ClearPending();

  // --- Silence rule ------------------------------------------------------

  // 500 ms; running from the start, stopped by the silence rule and the
  // manager's disconnect, started again by the next chunk.
  QTimer &TimerLostPacket() { return m_timerLostPacket; }
  // Errors go to ErrorRaised, as for received bytes.
  void TimerLostPacketTimer();

  // When the last chunk arrived, on Clock(); 0 when none since the reset.
  qint64 LastReceiveTime() const { return m_lastReceiveTime; }
  void ResetLastReceiveTime() { m_lastReceiveTime = 0; }
  qint64 Now() const { return m_clock(); }
  // Tests drive time; an empty function restores the steady clock.
  void SetClock(TClock clock);

  // --- Port scan ---------------------------------------------------------

  // Lists the machine's serial ports, sorted as text without regard to
  // case, and opens each as a probe port (9600 baud, the rest of ComPort's
  // settings, write time-out 100 ms per byte plus 1000 ms), reporting to
  // progress (may be null). Ports that do not open are dropped silently.
  // Returns at once; the first port on which a whole phone packet arrives
  // wins. Throws TSerialError when the port list cannot be read.
  void ScanPorts(IScanProgress *progress);
  // True from a scan that listed a port until the first phone packet on a
  // probe port or the release of the probe ports.
  bool ScanPending() const { return m_scanPending; }
  // True from a scan that listed a port until the probe ports are released.
  bool ProbePortsOpen() const { return m_probePortsOpen; }
  // The disconnect's part of the scan, last probe port first: with
  // sendDiscon each open probe gets the queue emptied and the Discon packet
  // (errors ignored); each is closed and released. Ends a pending scan, so
  // a later link never runs the first-data step.
  void ReleaseProbePorts(bool sendDiscon);

  static TSerialSettings ComPortSettings();
  static TSerialSettings ProbePortSettings(const TSerialSettings &comPort);

signals:
  // An error while handling received bytes; the program's error handler
  // takes it (through a queued connection).
  void ErrorRaised(const QString &message);

private:
  // Runs a handler of a port's or the timer's signal; an error goes to
  // ErrorRaised instead of into Qt's signal delivery.
  template <typename F> void Reported(F &&handler);
  void AttachPort(TSerialPort *port);
  void ReleasePort(TSerialPort *port);
  void ComPortAfterClose(TSerialPort *port);
  void RunFirstDataStep(TSerialPort *port);
  void ConsumePending(qsizetype n);
  void WriteIgnoringErrors(TSerialPort *port, const QByteArray &bytes);
  // A new phone session on the port: the gate starts over, the window
  // learns where the phone is.
  void BeginSession(TSerialPort *port);
  void FlushReplies();
  // Hands a packet to the session and sends its reply.
  void answer(TSerialPort *port, const PhoneRequest &request);
  void queueReply(TSerialPort *port, const QByteArray &packet);

  TCommandQueue &m_queue;
  ILinkView *m_view;
  IPortScanHost *m_scanHost;
  TSerialPort *m_comPort;
  QList<TSerialPort *> m_probes;

  // The unconsumed bytes are m_pending[m_pendingPos..]; packets are taken
  // by moving m_pendingPos, and the consumed front is dropped only now and
  // then, so a burst of packets costs no copy per packet.
  QByteArray m_pending;
  qsizetype m_pendingPos = 0;

  // Replies to the packets of the chunk being handled, for m_replyPort.
  // One write per chunk instead of one per packet: on a pseudo-terminal
  // each write costs a wake-up of the other side.
  TSerialPort *m_replyPort = nullptr;
  QByteArray m_replies;

  PhoneSession m_session;

  QTimer m_timerLostPacket;
  qint64 m_lastReceiveTime = 0;
  TClock m_clock;

  // What each probe port has sent during the scan, until it makes a whole
  // phone packet (a tile at most: InspectComFrame caps its length).
  QHash<TSerialPort *, QByteArray> m_probeBytes;
  bool m_scanPending = false;
  bool m_probePortsOpen = false;
};
