#include "link/ConnectionManager.h"

#include "common/EventLog.h"
#include "link/CommandQueue.h"
#include "link/Protocol.h"
#include "link/SrvFunctions.h"
#include "link/UnitDataCom.h"

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
  bool Entered() const { return m_entered; }

private:
  bool &m_flag;
  bool m_entered;
};

} // namespace

TConnectionManager::TConnectionManager(IConnectionWindow &window,
                                       TIdTCPServer &tcp, TCommandQueue &queue)
    : m_window(window), m_tcp(tcp), m_queue(queue) {}

void TConnectionManager::SetDataComPort(TDataComPort *module) {
  m_dataCom = module;
  if (m_dataCom)
    m_dataCom->SetScanHost(this);
}

void TConnectionManager::ConnectGprs() {
  TBusyGuard guard(m_busy);
  if (!guard.Entered() || m_open)
    return;
  try {
    const TConnectionSettings settings = m_window.ConnectionSettings();
    m_tcp.Open(settings.Port, settings.ListenAddress);
  } catch (const TcpBindError &e) {
    m_window.ShowListenError(QString::fromLocal8Bit(e.what()));
    return;
  }
  EnterLinkOpen(TLinkKind::Gprs);
}

void TConnectionManager::OpenSerialLink(TLinkKind link, const QString &port,
                                        qint32 baudRate) {
  if (!m_dataCom)
    return;
  try {
    m_dataCom->OpenComPort(port, baudRate);
  } catch (const std::exception &) {
    m_window.ShowSerialOpenError(link);
  }
  if (!m_dataCom->ComPort().IsOpen())
    return;
  m_dataCom->ResetLastReceiveTime();
  m_window.SetWatchdogRunning(true);
  EnterLinkOpen(link);
}

void TConnectionManager::ConnectBluetooth() {
  TBusyGuard guard(m_busy);
  if (!guard.Entered() || m_open)
    return;
  // The rate stays as it is: a cable link's rate stays on the port.
  OpenSerialLink(TLinkKind::Bluetooth,
                 m_window.ConnectionSettings().BlueToothPort, 0);
}

void TConnectionManager::ConnectCable() {
  TBusyGuard guard(m_busy);
  if (!guard.Entered() || m_open)
    return;
  OpenSerialLink(TLinkKind::Cable, m_window.ConnectionSettings().DataPort,
                 Protocol::CableBaudRate);
}

void TConnectionManager::Autoconnect() {
  TBusyGuard guard(m_busy);
  if (!guard.Entered() || m_open || !m_dataCom)
    return;
  m_window.ProcessPendingEvents();
  if (m_open)
    return; // a link was opened meanwhile
  {
    const std::unique_ptr<IScanProgress> progress =
        m_window.CreateScanProgress();
    m_dataCom->ScanPorts(progress.get());
  }
  if (m_dataCom->ProbePorts().isEmpty()) {
    // Nothing to listen on: the state stays Idle.
    m_dataCom->ReleaseProbePorts(false);
    m_window.ShowNoSerialPortOpened();
    return;
  }
  // No indicator yet: the phone's first packet tells which link it is.
  EnterLinkOpen(TLinkKind::Auto);
}

void TConnectionManager::PortFound(const QString &portName, bool isCable) {
  m_window.StoreFoundPort(portName, isCable);
  m_window.SetIndicatorShown(isCable ? TLinkKind::Cable : TLinkKind::Bluetooth,
                             false);
}

void TConnectionManager::EnterLinkOpen(TLinkKind link) {
  m_open = true;
  m_link = link;
  m_window.SetConnectCommandsEnabled(false);
  m_window.SetDisconnectEnabled(true);
  if (link != TLinkKind::Auto)
    m_window.SetIndicatorShown(link, false);
  m_window.ShowLinkState(1);
}

void TConnectionManager::DisconnectLink() {
  // The indicator first: a late restart from a link thread cannot bring
  // the LED back.
  m_window.ShowLinkState(0);
  if (m_dataCom)
    m_dataCom->TimerLostPacket().stop();
  if (m_tcp.Active())
    m_tcp.Close();
  if (m_dataCom) {
    // Both send the phone the Discon packet first; errors are ignored.
    m_dataCom->CloseComPort(true);
    m_dataCom->ReleaseProbePorts(true);
  }

  // Controls back to Idle.
  m_window.SetConnectCommandsEnabled(true);
  m_window.ClearLinkTexts();
  if (m_dataCom)
    m_dataCom->ClearPending();
  m_window.SetDisconnectEnabled(false);
  m_window.SetWatchdogRunning(false);
  for (TLinkKind link :
       {TLinkKind::Cable, TLinkKind::Bluetooth, TLinkKind::Gprs})
    m_window.SetIndicatorShown(link, true);
  m_open = false;

  // Clear the link's view.
  WriteLog(LogDate() + " DisConnect", LogCommands);
  m_queue.QueueClear();
  m_window.ClearScreen();
}

void TConnectionManager::TimerCOMPortTimer() {
  if (!m_dataCom || m_dataCom->LastReceiveTime() == 0)
    return;
  const qint64 silentSeconds =
      (m_dataCom->Now() - m_dataCom->LastReceiveTime()) / 1000;
  if (silentSeconds <= Protocol::WatchdogSilenceSeconds)
    return;
  DisconnectLink();
  // Keep waiting for the phone on the port the user chose.
  const QString port = m_dataCom->ComPort().PortName();
  const TConnectionSettings settings = m_window.ConnectionSettings();
  if (port == settings.BlueToothPort)
    ConnectBluetooth();
  else if (port == settings.DataPort)
    ConnectCable();
}
