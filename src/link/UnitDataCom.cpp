#include "link/UnitDataCom.h"

#include "common/EventLog.h"
#include "link/ComFunctions.h"
#include "link/CommandQueue.h"
#include "link/Protocol.h"

#include <QElapsedTimer>
#include <cstring>

namespace {

// A read takes what the port reported plus this much that came since.
constexpr qint64 ReadSlack = 10000;

qint64 SteadyNow() {
  static QElapsedTimer timer = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  // Offset by one so that no reading is ever 0, which means "nothing yet".
  return timer.elapsed() + 1;
}

// At most 20 queue bytes and "^" after each reply; a refused phone still
// gets empty replies (the port stays open); a broken tile is skipped.
const ReplyStyle kSerialReplies{Protocol::MaxSerialCommandBytes,
                                Protocol::SerialTerminator,
                                false,
                                true,
                                nullptr,
                                "command"};

} // namespace

TSerialSettings TDataComPort::ComPortSettings() {
  TSerialSettings s;
  s.BaudRate = 115200;
  s.DataBits = QSerialPort::Data8;
  s.Parity = QSerialPort::NoParity;
  s.StopBits = QSerialPort::OneStop;
  s.FlowControl = QSerialPort::NoFlowControl;
  s.Dtr = false;
  s.Rts = true;
  s.InputBufferSize = 65536;
  s.OutputBufferSize = 2048;
  s.WriteTimeoutPerByteMs = 10;
  s.WriteTimeoutConstantMs = 1000;
  return s;
}

TSerialSettings
TDataComPort::ProbePortSettings(const TSerialSettings &comPort) {
  TSerialSettings s = comPort;
  s.BaudRate = Protocol::ProbeBaudRate;
  s.WriteTimeoutPerByteMs = 100;
  s.WriteTimeoutConstantMs = 1000;
  return s;
}

TDataComPort::TDataComPort(TCommandQueue &queue, ILinkView *view,
                           IPortScanHost *scanHost, QObject *parent)
    : QObject(parent), m_queue(queue), m_view(view), m_scanHost(scanHost),
      m_comPort(new TSerialPort(this)), m_session(queue, view, kSerialReplies),
      m_clock(SteadyNow) {
  // The round trip on the module's clock, which tests drive.
  m_session.setClock([this] { return m_clock() * 1000000; });
  m_comPort->SetPortName(QStringLiteral("COM1"));
  m_comPort->SetSettings(ComPortSettings());
  AttachPort(m_comPort);

  m_timerLostPacket.setInterval(Protocol::LostPacketIntervalMs);
  connect(&m_timerLostPacket, &QTimer::timeout, this,
          &TDataComPort::TimerLostPacketTimer);
  m_timerLostPacket.start();
}

TDataComPort::~TDataComPort() {
  m_timerLostPacket.stop();
  // Closed without a word and without log lines.
  for (TSerialPort *port : Ports()) {
    disconnect(port, nullptr, this, nullptr);
    port->Close();
  }
}

void TDataComPort::AttachPort(TSerialPort *port) {
  connect(port, &TSerialPort::BytesArrived, this, &TDataComPort::ComPortRxChar);
  connect(port, &TSerialPort::Closed, this, &TDataComPort::ComPortAfterClose);
  // Line errors, breaks and a vanished device need nothing here: the link
  // goes on, or falls silent and the manager's watchdog steps in.
}

void TDataComPort::ReleasePort(TSerialPort *port) {
  port->Close();
  disconnect(port, nullptr, this, nullptr);
  // Later: the port may be the one whose event is being handled.
  port->deleteLater();
}

QList<TSerialPort *> TDataComPort::Ports() const {
  QList<TSerialPort *> ports{m_comPort};
  ports.append(m_probes);
  return ports;
}

template <typename F> void TDataComPort::Reported(F &&handler) {
  // Runs from a signal: nothing may leave it as an exception.
  try {
    handler();
  } catch (const std::exception &e) {
    emit ErrorRaised(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    emit ErrorRaised(QStringLiteral("Unknown error"));
  }
}

void TDataComPort::ComPortAfterClose(TSerialPort *) {
  Reported([] { WriteLog("OnAfterClose", LogCommands); });
}

void TDataComPort::OpenComPort(const QString &name, qint32 baudRate) {
  m_comPort->SetPortName(name);
  if (baudRate > 0)
    m_comPort->SetBaudRate(baudRate);
  m_comPort->Open();
  BeginSession(m_comPort);
}

void TDataComPort::BeginSession(TSerialPort *port) {
  m_session.begin(port->PortName());
}

void TDataComPort::WriteIgnoringErrors(TSerialPort *port,
                                       const QByteArray &bytes) {
  try {
    port->Write(bytes);
  } catch (const TSerialError &) {
  }
}

void TDataComPort::CloseComPort(bool sendDiscon) {
  if (!m_comPort->IsOpen())
    return;
  if (sendDiscon) {
    m_queue.QueueClear();
    WriteIgnoringErrors(m_comPort, ComDisconPacket());
  }
  m_comPort->Close();
  if (m_view)
    m_view->ShowPeer(QString());
}

void TDataComPort::ReleaseProbePorts(bool sendDiscon) {
  while (!m_probes.isEmpty()) {
    TSerialPort *port = m_probes.takeLast();
    if (port->IsOpen() && sendDiscon) {
      m_queue.QueueClear();
      WriteIgnoringErrors(port, ComDisconPacket());
    }
    ReleasePort(port);
  }
  m_probeBytes.clear();
  m_probePortsOpen = false;
  m_scanPending = false;
}

QByteArray TDataComPort::Pending() const { return m_pending.mid(m_pendingPos); }

void TDataComPort::ClearPending() {
  m_pending.resize(0);
  m_pendingPos = 0;
}

void TDataComPort::ConsumePending(qsizetype n) {
  m_pendingPos += n;
  if (m_pendingPos >= m_pending.size())
    ClearPending();
}

void TDataComPort::SetClock(TClock clock) {
  m_clock = clock ? std::move(clock) : TClock(SteadyNow);
}

void TDataComPort::ComPortRxChar(TSerialPort *port, qint64 count) {
  Reported([&] {
    const QByteArray chunk = port->Read(count + ReadSlack);
    HandleSerialChunk(port, chunk, count);
  });
}

void TDataComPort::FlushReplies() {
  TSerialPort *port = m_replyPort;
  m_replyPort = nullptr;
  QByteArray replies;
  replies.swap(m_replies);
  if (port && !replies.isEmpty())
    WriteIgnoringErrors(port, replies);
}

void TDataComPort::HandleSerialChunk(TSerialPort *port,
                                     const QByteArray &received, qint64 count) {
  QByteArray chunk = received;
  if (m_scanPending && m_probes.contains(port)) {
    // A probe port is the phone's only once a whole phone packet has come
    // on it: a GPS receiver or a modem that talks first is passed over.
    QByteArray &heard = m_probeBytes[port];
    heard.append(received);
    const TComFrame frame = InspectComFrame(heard.constData(), heard.size());
    if (frame.kind == TComFrame::Incomplete)
      return;
    if (frame.kind == TComFrame::Unknown) {
      heard.clear();
      return;
    }
    chunk.swap(heard);
    m_probeBytes.clear();
    RunFirstDataStep(port);
  }
  if (m_view)
    m_view->ShowLinkActivity();
  m_lastReceiveTime = Now();
  m_session.received(chunk.size());
  WriteLog("recv: " + QByteArray::number(count), LogPacketSize);
  m_replyPort = port;
  try {
    ParseSerialPackets(chunk, port);
    // Every packet the chunk completed, one after the other.
    while (PendingSize() > 0) {
      const qsizetype before = PendingSize();
      ParseSerialPackets(QByteArray(), port);
      if (PendingSize() == before)
        break;
    }
  } catch (...) {
    // The replies gathered so far still go out.
    FlushReplies();
    throw;
  }
  FlushReplies();
  if (!m_timerLostPacket.isActive())
    m_timerLostPacket.start();
  if (m_view)
    m_view->RestartActivityTimer();
}

void TDataComPort::TimerLostPacketTimer() {
  if (m_lastReceiveTime == 0)
    return;
  if (Now() - m_lastReceiveTime <= Protocol::SerialSilenceLimitMs)
    return;
  ClearPending();
  m_timerLostPacket.stop();
  Reported([this] {
    const QList<TSerialPort *> ports = Ports();
    for (auto it = ports.crbegin(); it != ports.crend(); ++it)
      if ((*it)->IsOpen())
        SendSerialReply(*it);
  });
}

// --- Packets ---------------------------------------------------------------

void TDataComPort::ParseSerialPackets(const QByteArray &chunk,
                                      TSerialPort *port) {
  if (!chunk.isEmpty()) {
    // Drop the consumed front when it is at least half the buffer, so the
    // unconsumed tail is moved at most once per doubling.
    if (m_pendingPos > 0 && m_pendingPos * 2 >= m_pending.size()) {
      m_pending.remove(0, m_pendingPos);
      m_pendingPos = 0;
    }
    m_pending.append(chunk);
  }
  if (PendingSize() == 0)
    return;

  const char *front = m_pending.constData() + m_pendingPos;
  const TComFrame frame = InspectComFrame(front, PendingSize());
  PhoneRequest request;
  switch (frame.kind) {
  case TComFrame::Incomplete:
    break;
  case TComFrame::Nop:
    ConsumePending(frame.length);
    WriteLog("recv: ComNOP", LogCommands);
    answer(port, request);
    WriteLog("send: ComReply", LogCommands);
    break;
  case TComFrame::Auth:
    request.kind = PhoneRequest::Kind::Auth;
    std::memcpy(request.id.data(), front + 12, request.id.size());
    ConsumePending(frame.length);
    WriteLog("recv: ComAuth", LogCommands);
    if (m_view)
      m_view->ShowLinkIdle();
    WriteLog("send: ComReply", LogCommands);
    answer(port, request);
    break;
  case TComFrame::Screen: {
    WriteLog("image: " + QByteArray::number(frame.length), LogPacketSize);
    WriteLog("recv: ComGetScreen", LogCommands);
    request.kind = PhoneRequest::Kind::Screen;
    const qint32 length = ComReadInt32(front + 4);
    if (length > Protocol::MinTileLength) {
      // The view gets its own copy: it may keep the bytes, and the packet
      // lies in the pending buffer.
      request.tile = QByteArray(front + ComScreenHeader, length);
      request.x = ComReadInt32(front + 8);
      request.y = ComReadInt32(front + 12);
    }
    answer(port, request);
    ConsumePending(frame.length);
    WriteLog("send: ComReply", LogCommands);
    break;
  }
  case TComFrame::Unknown:
    // Out of step with the phone: throw away everything and invite a fresh
    // packet.
    ClearPending();
    answer(port, request);
    break;
  }
}

void TDataComPort::answer(TSerialPort *port, const PhoneRequest &request) {
  queueReply(port, m_session.handle(request));
}

void TDataComPort::SendSerialReply(TSerialPort *port) {
  if (port)
    queueReply(port, m_session.reply());
}

void TDataComPort::queueReply(TSerialPort *port, const QByteArray &packet) {
  if (!port)
    return;
  if (port == m_replyPort) {
    m_replies.append(packet);
    return;
  }
  // A failed reply: the phone asks again, or the silence rule or the
  // watchdog steps in.
  WriteIgnoringErrors(port, packet);
}

// --- Port scan -------------------------------------------------------------

void TDataComPort::ScanPorts(IScanProgress *progress) {
  const QStringList names = ScanPortNames();
  if (progress)
    progress->Start(int(names.size()));
  const TSerialSettings probeSettings =
      ProbePortSettings(m_comPort->Settings());
  for (int i = 0; i < names.size(); ++i) {
    if (progress)
      progress->Step(i, names.at(i));
    auto *port = new TSerialPort(this);
    port->SetPortName(names.at(i));
    port->SetSettings(probeSettings);
    try {
      port->Open();
      AttachPort(port);
      m_probes.append(port);
    } catch (const TSerialError &) {
      // In use or gone: left out without a word.
      delete port;
    }
    m_probePortsOpen = true;
    m_scanPending = true;
  }
  if (progress)
    progress->Finish();
}

void TDataComPort::RunFirstDataStep(TSerialPort *port) {
  // Every other probe port goes, the last created first; ComPort stays.
  for (qsizetype i = m_probes.size() - 1; i >= 0; --i) {
    TSerialPort *other = m_probes.at(i);
    if (other == port)
      continue;
    m_probes.removeAt(i);
    ReleasePort(other);
  }
  m_scanPending = false;
  BeginSession(port);
  const QString name = port->PortName();
  const bool isCable = IsCablePortDevice(FindPortDeviceName(name));
  if (m_scanHost)
    m_scanHost->PortFound(name, isCable);
}
