#include "link/ConnectionManager.h"

#include "common/EventLog.h"
#include "link/CommandQueue.h"
#include "link/Protocol.h"

ConnectionManager::ConnectionManager(ConnectionView &window, PhoneLink &tcp,
                                     CommandQueue &queue, PhoneLink *serial,
                                     PortScanner *scanner)
    : m_window(window), m_tcp(tcp), m_queue(queue), m_serial(serial),
      m_scanner(scanner) {
  if (m_scanner)
    m_scanner->setScanHost(this);
}

ConnectionManager::~ConnectionManager() {
  // The scanner outlives the manager: it must not report to it any more.
  if (m_scanner)
    m_scanner->setScanHost(nullptr);
}

bool ConnectionManager::openLink(LinkKind kind, PhoneLink &link,
                                 const LinkEndpoint &endpoint) {
  try {
    link.open(endpoint);
  } catch (const LinkOpenError &e) {
    if (kind == LinkKind::Gprs)
      m_window.showListenError(QString::fromLocal8Bit(e.what()));
    else
      m_window.showSerialOpenError(kind);
    return false;
  }
  return link.isOpen();
}

void ConnectionManager::connectGprs() {
  if (m_open)
    return;
  const ConnectionSettings settings = m_window.connectionSettings();
  if (openLink(LinkKind::Gprs, m_tcp,
               LinkEndpoint::tcp(settings.port, settings.listenAddress)))
    enterLinkOpen(LinkKind::Gprs);
}

void ConnectionManager::openSerialLink(LinkKind link, const QString &port,
                                       qint32 baudRate) {
  if (!m_serial ||
      !openLink(link, *m_serial, LinkEndpoint::serial(port, baudRate)))
    return;
  m_serialPort = port;
  m_window.setWatchdogRunning(true);
  enterLinkOpen(link);
}

void ConnectionManager::connectBluetooth() {
  if (m_open)
    return;
  // The rate stays as it is: a cable link's rate stays on the port.
  openSerialLink(LinkKind::Bluetooth,
                 m_window.connectionSettings().blueToothPort, 0);
}

void ConnectionManager::connectCable() {
  if (m_open)
    return;
  openSerialLink(LinkKind::Cable, m_window.connectionSettings().dataPort,
                 Protocol::kCableBaudRate);
}

void ConnectionManager::autoconnect() {
  if (m_open || !m_scanner)
    return;
  int opened = 0;
  {
    const std::unique_ptr<ScanProgress> progress =
        m_window.createScanProgress();
    opened = m_scanner->startScan(progress.get());
  }
  if (opened == 0) {
    // Nothing to listen on: the state stays Idle.
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
  // Each link sends the phone the Discon packet first where it can; errors
  // are ignored.
  m_tcp.close();
  if (m_serial)
    m_serial->close();

  // Controls back to Idle.
  m_window.setConnectCommandsEnabled(true);
  m_window.clearLinkTexts();
  m_tcp.dropPending();
  if (m_serial)
    m_serial->dropPending();
  m_window.setDisconnectEnabled(false);
  m_window.setWatchdogRunning(false);
  for (LinkKind link : {LinkKind::Cable, LinkKind::Bluetooth, LinkKind::Gprs})
    m_window.setIndicatorShown(link, true);
  m_open = false;

  // Clear the link's view.
  writeLog(logDate() + " DisConnect", LogSwitch::Commands);
  m_queue.queueClear();
  m_window.clearScreen();
}

void ConnectionManager::checkPortWatchdog() {
  if (!m_serial)
    return;
  const qint64 silence = m_serial->silenceMs();
  if (silence < 0 || silence / 1000 <= Protocol::kWatchdogSilenceSeconds)
    return;
  disconnectLink();
  // Keep waiting for the phone on the port the user chose.
  const ConnectionSettings settings = m_window.connectionSettings();
  if (m_serialPort.isEmpty())
    return;
  if (m_serialPort == settings.blueToothPort)
    connectBluetooth();
  else if (m_serialPort == settings.dataPort)
    connectCable();
}
