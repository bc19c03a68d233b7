#include "link/ConnectionManager.h"

#include "common/EventLog.h"
#include "link/CommandQueue.h"
#include "link/Protocol.h"
#include "link/TcpLink.h"
#include "link/SerialLink.h"

namespace {

// Sets a flag for the duration of a command; false when it was set already.
class TBusyGuard {
public:
  explicit TBusyGuard(bool &flag) : m_flag(flag), m_entered(!flag) {
    m_flag = true;
  }
  ~TBusyGuard() {
    if (m_entered)
      m_flag = false;
  }
  bool entered() const { return m_entered; }

private:
  bool &m_flag;
  bool m_entered;
};

} // namespace

ConnectionManager::ConnectionManager(ConnectionView &window,
                                       TcpLink &tcp, CommandQueue &queue)
    : m_window(window), m_tcp(tcp), m_queue(queue) {}

void ConnectionManager::setSerialLink(SerialLink *module) {
  m_dataCom = module;
  if (m_dataCom)
    m_dataCom->setScanHost(this);
}

void ConnectionManager::connectGprs() {
  TBusyGuard guard(m_busy);
  if (!guard.entered() || m_open)
    return;
  try {
    const ConnectionSettings settings = m_window.connectionSettings();
    m_tcp.open(settings.port, settings.listenAddress);
  } catch (const TcpBindError &e) {
    m_window.showListenError(QString::fromLocal8Bit(e.what()));
    return;
  }
  enterLinkOpen(LinkKind::Gprs);
}

void ConnectionManager::openSerialLink(LinkKind link, const QString &port,
                                        qint32 baudRate) {
  if (!m_dataCom)
    return;
  try {
    m_dataCom->openComPort(port, baudRate);
  } catch (const std::exception &) {
    m_window.showSerialOpenError(link);
  }
  if (!m_dataCom->comPort().isOpen())
    return;
  m_dataCom->resetLastReceiveTime();
  m_window.setWatchdogRunning(true);
  enterLinkOpen(link);
}

void ConnectionManager::connectBluetooth() {
  TBusyGuard guard(m_busy);
  if (!guard.entered() || m_open)
    return;
  // The rate stays as it is: a cable link's rate stays on the port.
  openSerialLink(LinkKind::Bluetooth,
                 m_window.connectionSettings().blueToothPort, 0);
}

void ConnectionManager::connectCable() {
  TBusyGuard guard(m_busy);
  if (!guard.entered() || m_open)
    return;
  openSerialLink(LinkKind::Cable, m_window.connectionSettings().dataPort,
                 Protocol::kCableBaudRate);
}

void ConnectionManager::autoconnect() {
  TBusyGuard guard(m_busy);
  if (!guard.entered() || m_open || !m_dataCom)
    return;
  m_window.processPendingEvents();
  if (m_open)
    return; // a link was opened meanwhile
  {
    const std::unique_ptr<ScanProgress> progress =
        m_window.createScanProgress();
    m_dataCom->scanPorts(progress.get());
  }
  if (m_dataCom->probePorts().isEmpty()) {
    // Nothing to listen on: the state stays Idle.
    m_dataCom->releaseProbePorts(false);
    m_window.showNoSerialPortOpened();
    return;
  }
  // No indicator yet: the phone's first packet tells which link it is.
  enterLinkOpen(LinkKind::Auto);
}

void ConnectionManager::portFound(const QString &portName, bool isCable) {
  m_window.storeFoundPort(portName, isCable);
  m_window.setIndicatorShown(isCable ? LinkKind::Cable : LinkKind::Bluetooth,
                             false);
}

void ConnectionManager::enterLinkOpen(LinkKind link) {
  m_open = true;
  m_link = link;
  m_window.setConnectCommandsEnabled(false);
  m_window.setDisconnectEnabled(true);
  if (link != LinkKind::Auto)
    m_window.setIndicatorShown(link, false);
  m_window.showLinkState(1);
}

void ConnectionManager::disconnectLink() {
  // The indicator first: a late restart from a link thread cannot bring
  // the LED back.
  m_window.showLinkState(0);
  if (m_dataCom)
    m_dataCom->timerLostPacket().stop();
  if (m_tcp.active())
    m_tcp.close();
  if (m_dataCom) {
    // Both send the phone the Discon packet first; errors are ignored.
    m_dataCom->closeComPort(true);
    m_dataCom->releaseProbePorts(true);
  }

  // Controls back to Idle.
  m_window.setConnectCommandsEnabled(true);
  m_window.clearLinkTexts();
  if (m_dataCom)
    m_dataCom->clearPending();
  m_window.setDisconnectEnabled(false);
  m_window.setWatchdogRunning(false);
  for (LinkKind link :
       {LinkKind::Cable, LinkKind::Bluetooth, LinkKind::Gprs})
    m_window.setIndicatorShown(link, true);
  m_open = false;

  // Clear the link's view.
  writeLog(logDate() + " DisConnect", LogCommands);
  m_queue.queueClear();
  m_window.clearScreen();
}

void ConnectionManager::checkPortWatchdog() {
  if (!m_dataCom || m_dataCom->lastReceiveTime() == 0)
    return;
  const qint64 silentSeconds =
      (m_dataCom->now() - m_dataCom->lastReceiveTime()) / 1000;
  if (silentSeconds <= Protocol::kWatchdogSilenceSeconds)
    return;
  disconnectLink();
  // Keep waiting for the phone on the port the user chose.
  const QString port = m_dataCom->comPort().portName();
  const ConnectionSettings settings = m_window.connectionSettings();
  if (port == settings.blueToothPort)
    connectBluetooth();
  else if (port == settings.dataPort)
    connectCable();
}
