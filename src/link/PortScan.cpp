#include "link/PortScan.h"

#include "common/Paths.h"
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
