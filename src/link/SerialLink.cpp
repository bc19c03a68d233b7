#include "link/SerialLink.h"

#include "common/EventLog.h"
#include "link/CommandQueue.h"
#include "link/Protocol.h"
#include "link/SerialFraming.h"

#include <QElapsedTimer>
#include <cstring>

namespace {

// A read takes what the port reported plus this much that came since.
constexpr qint64 kReadSlack = 10000;

qint64 steadyNow() {
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
const ReplyStyle kSerialReplies{Protocol::kMaxSerialCommandBytes,
                                Protocol::kSerialTerminator,
                                false,
                                true,
                                nullptr,
                                "command"};

} // namespace

SerialSettings SerialLink::comPortSettings() {
  SerialSettings s;
  s.baudRate = 115200;
  s.dataBits = QSerialPort::Data8;
  s.parity = QSerialPort::NoParity;
  s.stopBits = QSerialPort::OneStop;
  s.flowControl = QSerialPort::NoFlowControl;
  s.dtr = false;
  s.rts = true;
  s.inputBufferSize = 65536;
  s.outputBufferSize = 2048;
  s.writeTimeoutPerByteMs = 10;
  s.writeTimeoutConstantMs = 1000;
  return s;
}

SerialSettings SerialLink::probePortSettings(const SerialSettings &comPort) {
  SerialSettings s = comPort;
  s.baudRate = Protocol::kProbeBaudRate;
  s.writeTimeoutPerByteMs = 100;
  s.writeTimeoutConstantMs = 1000;
  return s;
}

SerialLink::SerialLink(CommandQueue &queue, LinkView *view,
                       PortScanHost *scanHost, QObject *parent)
    : QObject(parent), m_queue(queue), m_view(view), m_scanHost(scanHost),
      m_comPort(new SerialPort(this)), m_session(queue, view, kSerialReplies),
      m_clock(steadyNow) {
  // The round trip on the module's clock, which tests drive.
  m_session.setClock([this] { return m_clock() * 1000000; });
  m_comPort->setPortName(QStringLiteral("COM1"));
  m_comPort->setSettings(comPortSettings());
  attachPort(m_comPort);

  m_timerLostPacket.setInterval(Protocol::kLostPacketIntervalMs);
  connect(&m_timerLostPacket, &QTimer::timeout, this,
          &SerialLink::timerLostPacketTimer);
  // Armed by the first bytes that arrive, so an unused port costs nothing.
}

SerialLink::~SerialLink() {
  m_timerLostPacket.stop();
  // Closed without a word and without log lines.
  for (SerialPort *port : ports()) {
    disconnect(port, nullptr, this, nullptr);
    port->close();
  }
}

void SerialLink::attachPort(SerialPort *port) {
  connect(port, &SerialPort::bytesArrived, this, &SerialLink::comPortRxChar);
  connect(port, &SerialPort::closed, this, &SerialLink::comPortAfterClose);
  // Line errors, breaks and a vanished device need nothing here: the link
  // goes on, or falls silent and the manager's watchdog steps in.
}

void SerialLink::releasePort(SerialPort *port) {
  port->close();
  disconnect(port, nullptr, this, nullptr);
  // Later: the port may be the one whose event is being handled.
  port->deleteLater();
}

QList<SerialPort *> SerialLink::ports() const {
  QList<SerialPort *> ports{m_comPort};
  ports.append(m_probes);
  return ports;
}

template <typename F> void SerialLink::reported(F &&handler) {
  // Runs from a signal: nothing may leave it as an exception.
  try {
    handler();
  } catch (const std::exception &e) {
    emit errorRaised(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    emit errorRaised(QStringLiteral("Unknown error"));
  }
}

void SerialLink::comPortAfterClose(SerialPort *) {
  reported([] { writeLog("OnAfterClose", LogSwitch::Commands); });
}

void SerialLink::openComPort(const QString &name, qint32 baudRate) {
  m_comPort->setPortName(name);
  if (baudRate > 0)
    m_comPort->setBaudRate(baudRate);
  m_comPort->open();
  beginSession(m_comPort);
}

void SerialLink::open(const LinkEndpoint &endpoint) {
  try {
    openComPort(endpoint.serialPort, endpoint.baudRate);
  } catch (const std::exception &e) {
    if (m_comPort->isOpen())
      m_comPort->close();
    throw LinkOpenError(e.what());
  }
  resetLastReceiveTime();
}

void SerialLink::close() {
  m_timerLostPacket.stop();
  closeComPort(true);
  releaseProbePorts(true);
}

bool SerialLink::isOpen() const {
  return m_comPort->isOpen() || !m_probes.isEmpty();
}

qint64 SerialLink::silenceMs() const {
  return m_lastReceiveTime == 0 ? -1 : now() - m_lastReceiveTime;
}

void SerialLink::beginSession(SerialPort *port) {
  m_session.begin(port->portName());
}

void SerialLink::writeIgnoringErrors(SerialPort *port,
                                     const QByteArray &bytes) {
  try {
    port->write(bytes);
  } catch (const SerialError &) {
  }
}

void SerialLink::closeComPort(bool sendDiscon) {
  if (!m_comPort->isOpen())
    return;
  if (sendDiscon) {
    m_queue.queueClear();
    writeIgnoringErrors(m_comPort, comDisconPacket());
  }
  m_comPort->close();
  if (m_view)
    m_view->showPeer(QString());
}

void SerialLink::releaseProbePorts(bool sendDiscon) {
  while (!m_probes.isEmpty()) {
    SerialPort *port = m_probes.takeLast();
    if (port->isOpen() && sendDiscon) {
      m_queue.queueClear();
      writeIgnoringErrors(port, comDisconPacket());
    }
    releasePort(port);
  }
  m_probeBytes.clear();
  m_probePortsOpen = false;
  m_scanPending = false;
}

QByteArray SerialLink::pending() const { return m_pending.mid(m_pendingPos); }

void SerialLink::clearPending() {
  m_pending.resize(0);
  m_pendingPos = 0;
}

void SerialLink::consumePending(qsizetype n) {
  m_pendingPos += n;
  if (m_pendingPos >= m_pending.size())
    clearPending();
}

void SerialLink::setClock(Clock clock) {
  m_clock = clock ? std::move(clock) : Clock(steadyNow);
}

void SerialLink::comPortRxChar(SerialPort *port, qint64 count) {
  reported([&] {
    const QByteArray chunk = port->read(count + kReadSlack);
    handleSerialChunk(port, chunk, count);
  });
}

void SerialLink::flushReplies() {
  SerialPort *port = m_replyPort;
  m_replyPort = nullptr;
  QByteArray replies;
  replies.swap(m_replies);
  if (port && !replies.isEmpty())
    writeIgnoringErrors(port, replies);
}

void SerialLink::handleSerialChunk(SerialPort *port, const QByteArray &received,
                                   qint64 count) {
  QByteArray chunk = received;
  if (m_scanPending && m_probes.contains(port)) {
    // A probe port is the phone's only once a whole phone packet has come
    // on it: a GPS receiver or a modem that talks first is passed over.
    QByteArray &heard = m_probeBytes[port];
    heard.append(received);
    const ComFrame frame = inspectComFrame(heard.constData(), heard.size());
    if (frame.kind == ComFrame::Incomplete)
      return;
    if (frame.kind == ComFrame::Unknown) {
      heard.clear();
      return;
    }
    chunk.swap(heard);
    m_probeBytes.clear();
    runFirstDataStep(port);
  }
  if (m_view)
    m_view->showLinkActivity();
  m_lastReceiveTime = now();
  m_session.received(chunk.size());
  writeLog("recv: " + QByteArray::number(count), LogSwitch::PacketSize);
  m_replyPort = port;
  try {
    parseSerialPackets(chunk, port);
    // Every packet the chunk completed, one after the other.
    while (pendingSize() > 0) {
      const qsizetype before = pendingSize();
      parseSerialPackets(QByteArray(), port);
      if (pendingSize() == before)
        break;
    }
  } catch (...) {
    // The replies gathered so far still go out.
    flushReplies();
    throw;
  }
  flushReplies();
  if (!m_timerLostPacket.isActive())
    m_timerLostPacket.start();
  if (m_view)
    m_view->restartActivityTimer();
}

void SerialLink::timerLostPacketTimer() {
  if (m_lastReceiveTime == 0) {
    m_timerLostPacket.stop(); // nothing heard yet: no packet to lose
    return;
  }
  if (now() - m_lastReceiveTime <= Protocol::kSerialSilenceLimitMs)
    return;
  clearPending();
  m_timerLostPacket.stop();
  reported([this] {
    const QList<SerialPort *> open = ports();
    for (auto it = open.crbegin(); it != open.crend(); ++it)
      if ((*it)->isOpen())
        sendSerialReply(*it);
  });
}

// --- Packets ---------------------------------------------------------------

void SerialLink::parseSerialPackets(const QByteArray &chunk, SerialPort *port) {
  if (!chunk.isEmpty()) {
    // Drop the consumed front when it is at least half the buffer, so the
    // unconsumed tail is moved at most once per doubling.
    if (m_pendingPos > 0 && m_pendingPos * 2 >= m_pending.size()) {
      m_pending.remove(0, m_pendingPos);
      m_pendingPos = 0;
    }
    m_pending.append(chunk);
  }
  if (pendingSize() == 0)
    return;

  const char *front = m_pending.constData() + m_pendingPos;
  const ComFrame frame = inspectComFrame(front, pendingSize());
  PhoneRequest request;
  switch (frame.kind) {
  case ComFrame::Incomplete:
    break;
  case ComFrame::Nop:
    consumePending(frame.length);
    writeLog("recv: ComNOP", LogSwitch::Commands);
    answer(port, request);
    writeLog("send: ComReply", LogSwitch::Commands);
    break;
  case ComFrame::Auth:
    request.kind = PhoneRequest::Kind::Auth;
    std::memcpy(request.id.data(), front + 12, request.id.size());
    consumePending(frame.length);
    writeLog("recv: ComAuth", LogSwitch::Commands);
    if (m_view)
      m_view->showLinkIdle();
    writeLog("send: ComReply", LogSwitch::Commands);
    answer(port, request);
    break;
  case ComFrame::Screen: {
    writeLog("image: " + QByteArray::number(frame.length),
             LogSwitch::PacketSize);
    writeLog("recv: ComGetScreen", LogSwitch::Commands);
    request.kind = PhoneRequest::Kind::Screen;
    const qint32 length = comReadInt32(front + 4);
    if (length > Protocol::kMinTileLength) {
      // The view gets its own copy: it may keep the bytes, and the packet
      // lies in the pending buffer.
      request.tile = QByteArray(front + kComScreenHeader, length);
      request.x = comReadInt32(front + 8);
      request.y = comReadInt32(front + 12);
    }
    answer(port, request);
    consumePending(frame.length);
    writeLog("send: ComReply", LogSwitch::Commands);
    break;
  }
  case ComFrame::Unknown:
    // Out of step with the phone: throw away everything and invite a fresh
    // packet.
    clearPending();
    answer(port, request);
    break;
  }
}

void SerialLink::answer(SerialPort *port, const PhoneRequest &request) {
  queueReply(port, m_session.handle(request));
}

void SerialLink::sendSerialReply(SerialPort *port) {
  if (port)
    queueReply(port, m_session.reply());
}

void SerialLink::queueReply(SerialPort *port, const QByteArray &packet) {
  if (!port)
    return;
  if (port == m_replyPort) {
    m_replies.append(packet);
    return;
  }
  // A failed reply: the phone asks again, or the silence rule or the
  // watchdog steps in.
  writeIgnoringErrors(port, packet);
}

// --- Port scan -------------------------------------------------------------

void SerialLink::scanPorts(ScanProgress *progress) {
  const QStringList names = scanPortNames(m_configDir);
  if (progress)
    progress->start(int(names.size()));
  const SerialSettings probeSettings = probePortSettings(m_comPort->settings());
  for (int i = 0; i < names.size(); ++i) {
    if (progress)
      progress->step(i, names.at(i));
    auto *port = new SerialPort(this);
    port->setPortName(names.at(i));
    port->setSettings(probeSettings);
    try {
      port->open();
      attachPort(port);
      m_probes.append(port);
    } catch (const SerialError &) {
      // In use or gone: left out without a word.
      delete port;
    }
    m_probePortsOpen = true;
    m_scanPending = true;
  }
  if (progress)
    progress->finish();
}

int SerialLink::startScan(ScanProgress *progress) {
  scanPorts(progress);
  if (m_probes.isEmpty())
    releaseProbePorts(false);
  return int(m_probes.size());
}

void SerialLink::runFirstDataStep(SerialPort *port) {
  // Every other probe port goes, the last created first; comPort stays.
  for (qsizetype i = m_probes.size() - 1; i >= 0; --i) {
    SerialPort *other = m_probes.at(i);
    if (other == port)
      continue;
    m_probes.removeAt(i);
    releasePort(other);
  }
  m_scanPending = false;
  beginSession(port);
  const QString name = port->portName();
  const bool isCable = isCablePortDevice(findPortDeviceName(m_configDir, name));
  if (m_scanHost)
    m_scanHost->portFound(name, isCable);
}
