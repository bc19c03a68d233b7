#include "link/UnitDataCom.h"

#include "common/EventLog.h"
#include "link/ComFunctions.h"
#include "link/CommandQueue.h"

#include <QElapsedTimer>

namespace {

constexpr int LostPacketIntervalMs = 500;
constexpr qint64 SilenceLimitMs = 1000;
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
  s.BaudRate = 9600;
  s.WriteTimeoutPerByteMs = 100;
  s.WriteTimeoutConstantMs = 1000;
  return s;
}

TDataComPort::TDataComPort(ILinkView *view, IPortScanHost *scanHost,
                           QObject *parent)
    : QObject(parent), m_view(view), m_scanHost(scanHost),
      m_comPort(new TSerialPort(this)), m_clock(SteadyNow) {
  m_comPort->SetPortName(QStringLiteral("COM1"));
  m_comPort->SetSettings(ComPortSettings());
  AttachPort(m_comPort);

  m_timerLostPacket.setInterval(LostPacketIntervalMs);
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

void TDataComPort::ComPortAfterClose(TSerialPort *) {
  WriteLog("OnAfterClose", LogCommands);
}

void TDataComPort::OpenComPort(const QString &name, qint32 baudRate) {
  m_comPort->SetPortName(name);
  if (baudRate > 0)
    m_comPort->SetBaudRate(baudRate);
  m_comPort->Open();
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
    QueueClear();
    WriteIgnoringErrors(m_comPort, ComDisconPacket());
  }
  m_comPort->Close();
}

void TDataComPort::ReleaseProbePorts(bool sendDiscon) {
  while (!m_probes.isEmpty()) {
    TSerialPort *port = m_probes.takeLast();
    if (port->IsOpen() && sendDiscon) {
      QueueClear();
      WriteIgnoringErrors(port, ComDisconPacket());
    }
    ReleasePort(port);
  }
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
  const QByteArray chunk = port->Read(count + ReadSlack);
  HandleSerialChunk(port, chunk, count);
}

void TDataComPort::FlushReplies() {
  TSerialPort *port = m_replyPort;
  m_replyPort = nullptr;
  QByteArray replies;
  replies.swap(m_replies);
  if (port && !replies.isEmpty())
    WriteIgnoringErrors(port, replies);
}

void TDataComPort::HandleSerialChunk(TSerialPort *port, const QByteArray &chunk,
                                     qint64 count) {
  if (m_scanPending && m_probes.contains(port))
    RunFirstDataStep(port);
  if (m_view)
    m_view->ShowLinkActivity();
  m_lastReceiveTime = Now();
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
  if (Now() - m_lastReceiveTime <= SilenceLimitMs)
    return;
  ClearPending();
  const QList<TSerialPort *> ports = Ports();
  for (auto it = ports.crbegin(); it != ports.crend(); ++it)
    if ((*it)->IsOpen())
      SendSerialReply(*it);
  m_timerLostPacket.stop();
}
