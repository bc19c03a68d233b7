#include "platform/SerialPortList.h"

#include "platform/SerialPort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QSet>

QString trimPortText(const QString &text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text.at(begin).unicode() <= 0x20)
    ++begin;
  while (end > begin && text.at(end - 1).unicode() <= 0x20)
    --end;
  return text.mid(begin, end - begin);
}

QString serialPortTablePath(const QString &programDir) {
  const QByteArray env = qgetenv(kSerialPortTableEnv);
  if (!env.isEmpty())
    return QString::fromLocal8Bit(env);
  QString dir = programDir;
  if (dir.isEmpty())
    return QString();
  if (!dir.endsWith(QLatin1Char('/')))
    dir += QLatin1Char('/');
  const QString beside = dir + QLatin1String(kSerialPortTableFileName);
  return QFileInfo::exists(beside) ? beside : QString();
}

QList<SerialPortEntry> parseSerialPortTable(const QByteArray &text) {
  QList<SerialPortEntry> entries;
  for (const QByteArray &raw : text.split('\n')) {
    const QString line = trimPortText(QString::fromLocal8Bit(raw));
    if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
        line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char('[')))
      continue;
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
      continue;
    SerialPortEntry entry{trimPortText(line.left(eq)),
                          trimPortText(line.mid(eq + 1))};
    if (!entry.portName.isEmpty())
      entries.append(entry);
  }
  return entries;
}

QString systemSerialDeviceName(const QString &ttyName) {
  static const QRegularExpression pattern(
      QStringLiteral("^(ttyACM|ttyUSB|rfcomm|ttyS)(\\d+)$"));
  const QRegularExpressionMatch m = pattern.match(ttyName);
  if (!m.hasMatch())
    return QString();
  const QString kind = m.captured(1);
  const int number = m.captured(2).toInt();
  const QString padded =
      QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
  if (kind == QLatin1String("ttyACM"))
    return QStringLiteral("\\Device\\USBSER") + padded;
  if (kind == QLatin1String("ttyUSB"))
    return QStringLiteral("\\Device\\USBVCP") + padded;
  if (kind == QLatin1String("rfcomm"))
    return QStringLiteral("\\Device\\BthModem") + QString::number(number);
  return QStringLiteral("\\Device\\Serial") + QString::number(number);
}

QList<SerialPortEntry> systemSerialPorts() {
  // Every /dev/ttyS<n> node exists whether or not a UART is behind it;
  // QSerialPortInfo knows which ones are real.
  QSet<QString> realUarts;
  for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
    if (info.portName().startsWith(QLatin1String("ttyS")))
      realUarts.insert(info.portName());

  QList<SerialPortEntry> entries;
  const QDir dev(QStringLiteral("/dev"));
  const QStringList names = dev.entryList(
      {QStringLiteral("ttyACM*"), QStringLiteral("ttyUSB*"),
       QStringLiteral("rfcomm*"), QStringLiteral("ttyS*")},
      QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
  for (const QString &name : names) {
    const QString device = systemSerialDeviceName(name);
    if (device.isEmpty())
      continue;
    if (name.startsWith(QLatin1String("ttyS")) && !realUarts.contains(name))
      continue;
    entries.append({device, name});
  }
  return entries;
}

QList<SerialPortEntry> readSerialPortTable(const QString &programDir) {
  const QString path = serialPortTablePath(programDir);
  if (path.isEmpty())
    return systemSerialPorts();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw SerialError(QStringLiteral("Cannot read the serial port list %1: %2")
                          .arg(path, file.errorString()));
  return parseSerialPortTable(file.readAll());
}
