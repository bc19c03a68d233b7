#include "link/PortScan.h"

#include "common/Paths.h"
#include "link/UnitDataCom.h"
#include "platform/SerialPort.h"
#include "platform/SerialPortList.h"

#include <algorithm>

namespace {

// Room the system's port list gives a device name and a port name.
constexpr qsizetype MaxListedNameLength = 255;

} // namespace

QStringList ScanPortNames() {
  QStringList names;
  for (const TSerialPortEntry &entry : ReadSerialPortTable(ExeDir()))
    names.append(entry.PortName);
  std::stable_sort(names.begin(), names.end(),
                   [](const QString &a, const QString &b) {
                     return QString::compare(a, b, Qt::CaseInsensitive) < 0;
                   });
  return names;
}

QString FindPortDeviceName(const QString &portName) {
  QList<TSerialPortEntry> entries;
  try {
    entries = ReadSerialPortTable(ExeDir());
  } catch (const TSerialError &) {
    return QString();
  }
  for (const TSerialPortEntry &entry : entries) {
    if (entry.DeviceName.size() > MaxListedNameLength ||
        entry.PortName.size() > MaxListedNameLength)
      continue;
    if (entry.PortName == portName)
      return entry.DeviceName;
  }
  return QString();
}

bool IsCablePortDevice(const QString &deviceName) {
  if (deviceName.size() < 9)
    return false;
  const QChar ninth = deviceName.at(8);
  return ninth == QLatin1Char('0') || ninth == QLatin1Char('U');
}

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
  const QString name = port->PortName();
  const bool isCable = IsCablePortDevice(FindPortDeviceName(name));
  if (m_scanHost)
    m_scanHost->PortFound(name, isCable);
}
