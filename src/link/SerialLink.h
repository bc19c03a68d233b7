#pragma once
// The serial data module: the serial port comPort used by the Bluetooth and
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
#include "link/PhoneLink.h"
#include "link/PhoneSession.h"
#include "link/PortScan.h"
#include "platform/SerialPort.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>
#include <functional>

class CommandQueue;
class LinkStats;
class PhoneGate;

class SerialLink : public QObject, public PhoneLink, public PortScanner {
  Q_OBJECT

public:
  // Milliseconds on any steadily increasing clock; never 0 once running.
  using Clock = std::function<qint64()>;

  // queue: the key entries the replies carry, shared with the TCP link.
  SerialLink(CommandQueue &queue, LinkView *view,
             PortScanHost *scanHost = nullptr, QObject *parent = nullptr);
  // Closes every port without a word to the phone.
  ~SerialLink() override;

  void setView(LinkView *view) {
    m_view = view;
    m_session.setView(view);
  }
  // Counters for the link figures, and the gate that decides which phones
  // are served; both shared with the TCP link.
  void setStats(LinkStats *stats) { m_session.setStats(stats); }
  void setGate(PhoneGate *gate) { m_session.setGate(gate); }
  void setScanHost(PortScanHost *host) override { m_scanHost = host; }
  // Where serialports.ini may lie (Paths::configDir).
  void setConfigDir(const QString &dir) { m_configDir = dir; }

  // --- PhoneLink ---------------------------------------------------------

  // openComPort at the endpoint's serial port and baud rate, with the
  // silence count started afresh; a failure throws LinkOpenError with the
  // port's reason and leaves the port closed.
  void open(const LinkEndpoint &endpoint) override;
  // Stops the silence timer and closes comPort and the probe ports, each
  // open one after the Discon packet.
  void close() override;
  // comPort or a probe port is open.
  bool isOpen() const override;
  void dropPending() override { clearPending(); }
  qint64 silenceMs() const override;

  // --- Ports -------------------------------------------------------------

  // The port of the Bluetooth and cable links: "COM1", 115200 baud, 8N1,
  // DTR off, RTS on, no flow control, 64 KiB in, 2 KiB out, write time-out
  // 10 ms per byte plus 1000 ms. A baud rate set on it stays.
  SerialPort &comPort() { return *m_comPort; }
  const SerialPort &comPort() const { return *m_comPort; }

  // Sets the name (and the baud rate when baudRate > 0) of comPort and
  // opens it. Throws SerialError when it cannot be opened; the name and
  // rate stay set.
  void openComPort(const QString &name, qint32 baudRate = 0);
  // When comPort is open: with sendDiscon the command queue is emptied and
  // the Discon packet written (errors ignored); then the port is closed.
  void closeComPort(bool sendDiscon);

  // The probe ports of the current scan, in creation order.
  QList<SerialPort *> probePorts() const { return m_probes; }
  // comPort followed by the probe ports: the module's ports in creation
  // order.
  QList<SerialPort *> ports() const;

  // --- Receiving ---------------------------------------------------------

  // Bytes arrived on a port of the module; count is what the port reports
  // as waiting. Reads up to count + 10000 bytes and handles them. An error
  // (a log or settings write, say) is not thrown but reported through
  // errorRaised.
  void comPortRxChar(SerialPort *port, qint64 count);
  // Handles one chunk read from port: the first-data step of a pending
  // scan, activity, lastReceiveTime, the "recv: " size line, and every
  // packet the chunk completes. During a scan, the bytes of a probe port
  // are held until they make a whole phone packet, which makes it the
  // phone's port; bytes that are no phone packet are dropped unanswered.
  void handleSerialChunk(SerialPort *port, const QByteArray &received,
                         qint64 count);
  // Appends chunk to the pending buffer and handles at most one packet from
  // its front; replies go to port.
  void parseSerialPackets(const QByteArray &chunk, SerialPort *port);
  // Writes one NOP or commands packet (at most 20 queue bytes) to port.
  // Write errors are swallowed; queue bytes taken are not put back. While a
  // chunk from port is being handled, the replies to its packets are
  // gathered and written together when the chunk is done.
  void sendSerialReply(SerialPort *port);

  // The pending buffer: received bytes not yet consumed as packets.
  QByteArray pending() const;
  qsizetype pendingSize() const { return m_pending.size() - m_pendingPos; }
  void clearPending();

  // --- Silence rule ------------------------------------------------------

  // 500 ms; running from the start, stopped by the silence rule and the
  // manager's disconnect, started again by the next chunk.
  QTimer &timerLostPacket() { return m_timerLostPacket; }
  // Errors go to errorRaised, as for received bytes.
  void timerLostPacketTimer();

  // When the last chunk arrived, on Clock(); 0 when none since the reset.
  qint64 lastReceiveTime() const { return m_lastReceiveTime; }
  void resetLastReceiveTime() { m_lastReceiveTime = 0; }
  qint64 now() const { return m_clock(); }
  // Tests drive time; an empty function restores the steady clock.
  void setClock(Clock clock);

  // --- Port scan ---------------------------------------------------------

  // Lists the machine's serial ports, sorted as text without regard to
  // case, and opens each as a probe port (9600 baud, the rest of comPort's
  // settings, write time-out 100 ms per byte plus 1000 ms), reporting to
  // progress (may be null). Ports that do not open are dropped silently.
  // Returns at once; the first port on which a whole phone packet arrives
  // wins. Throws SerialError when the port list cannot be read.
  void scanPorts(ScanProgress *progress);
  // PortScanner: scanPorts; when no port opened, the scan ends at once.
  int startScan(ScanProgress *progress) override;
  // True from a scan that listed a port until the first phone packet on a
  // probe port or the release of the probe ports.
  bool scanPending() const { return m_scanPending; }
  // True from a scan that listed a port until the probe ports are released.
  bool probePortsOpen() const { return m_probePortsOpen; }
  // The disconnect's part of the scan, last probe port first: with
  // sendDiscon each open probe gets the queue emptied and the Discon packet
  // (errors ignored); each is closed and released. Ends a pending scan, so
  // a later link never runs the first-data step.
  void releaseProbePorts(bool sendDiscon);

  static SerialSettings comPortSettings();
  static SerialSettings probePortSettings(const SerialSettings &comPort);

signals:
  // An error while handling received bytes; the program's error handler
  // takes it (through a queued connection).
  void errorRaised(const QString &message);

private:
  // Runs a handler of a port's or the timer's signal; an error goes to
  // errorRaised instead of into Qt's signal delivery.
  template <typename F> void reported(F &&handler);
  void attachPort(SerialPort *port);
  void releasePort(SerialPort *port);
  void comPortAfterClose(SerialPort *port);
  void runFirstDataStep(SerialPort *port);
  void consumePending(qsizetype n);
  void writeIgnoringErrors(SerialPort *port, const QByteArray &bytes);
  // A new phone session on the port: the gate starts over, the window
  // learns where the phone is.
  void beginSession(SerialPort *port);
  void flushReplies();
  // Hands a packet to the session and sends its reply.
  void answer(SerialPort *port, const PhoneRequest &request);
  void queueReply(SerialPort *port, const QByteArray &packet);

  CommandQueue &m_queue;
  LinkView *m_view;
  PortScanHost *m_scanHost;
  QString m_configDir;
  SerialPort *m_comPort;
  QList<SerialPort *> m_probes;

  // The unconsumed bytes are m_pending[m_pendingPos..]; packets are taken
  // by moving m_pendingPos, and the consumed front is dropped only now and
  // then, so a burst of packets costs no copy per packet.
  QByteArray m_pending;
  qsizetype m_pendingPos = 0;

  // Replies to the packets of the chunk being handled, for m_replyPort.
  // One write per chunk instead of one per packet: on a pseudo-terminal
  // each write costs a wake-up of the other side.
  SerialPort *m_replyPort = nullptr;
  QByteArray m_replies;

  PhoneSession m_session;

  QTimer m_timerLostPacket;
  qint64 m_lastReceiveTime = 0;
  Clock m_clock;

  // What each probe port has sent during the scan, until it makes a whole
  // phone packet (a tile at most: inspectComFrame caps its length).
  QHash<SerialPort *, QByteArray> m_probeBytes;
  bool m_scanPending = false;
  bool m_probePortsOpen = false;
};
