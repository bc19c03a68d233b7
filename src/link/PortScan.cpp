#include "link/PortScan.h"

#include "platform/SerialPort.h"
#include "platform/SerialPortList.h"

#include <algorithm>

namespace {

// Room the system's port list gives a device name and a port name.
constexpr qsizetype kMaxListedNameLength = 255;

} // namespace

QStringList scanPortNames(const QString &configDir) {
  QStringList names;
  for (const SerialPortEntry &entry : readSerialPortTable(configDir))
    names.append(entry.portName);
  std::stable_sort(names.begin(), names.end(),
                   [](const QString &a, const QString &b) {
                     return QString::compare(a, b, Qt::CaseInsensitive) < 0;
                   });
  return names;
}

QString findPortDeviceName(const QString &configDir, const QString &portName) {
  QList<SerialPortEntry> entries;
  try {
    entries = readSerialPortTable(configDir);
  } catch (const SerialError &) {
    return QString();
  }
  for (const SerialPortEntry &entry : entries) {
    if (entry.deviceName.size() > kMaxListedNameLength ||
        entry.portName.size() > kMaxListedNameLength)
      continue;
    if (entry.portName == portName)
      return entry.deviceName;
  }
  return QString();
}

bool isCablePortDevice(const QString &deviceName) {
  if (deviceName.size() < 9)
    return false;
  const QChar ninth = deviceName.at(8);
  return ninth == QLatin1Char('0') || ninth == QLatin1Char('U');
}
