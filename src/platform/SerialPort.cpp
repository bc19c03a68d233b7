#include "platform/SerialPort.h"

#include <QDeadlineTimer>
#include <QMetaObject>
#include <cerrno>
#include <climits>
#include <cstring>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <unistd.h>
#endif

namespace {

QString errnoText(int err) { return QString::fromLocal8Bit(strerror(err)); }

} // namespace

SerialPort::SerialPort(QObject *parent)
    : QObject(parent), m_port(new QSerialPort(this)) {
  connect(m_port, &QSerialPort::readyRead, this, &SerialPort::onReadyRead);
  connect(m_port, &QSerialPort::errorOccurred, this, &SerialPort::onError);
}

SerialPort::~SerialPort() {
  disconnect(m_port, nullptr, this, nullptr);
  m_quiet = true;
  if (m_port->isOpen())
    m_port->close();
}

QString SerialPort::systemLocation(const QString &portName) {
  if (portName.startsWith(QLatin1Char('/')))
    return portName;
  return QStringLiteral("/dev/") + portName;
}

void SerialPort::fail(const QString &what) {
  const QString why = m_port->errorString();
  m_port->clearError();
  m_quiet = false;
  throw SerialError(QStringLiteral("%1 %2: %3").arg(what, m_name, why));
}

void SerialPort::setBaudRate(qint32 rate) {
  m_settings.baudRate = rate;
  if (!isOpen())
    return;
  m_quiet = true;
  if (!m_port->setBaudRate(rate))
    fail(QStringLiteral("Cannot set the baud rate of"));
  m_quiet = false;
}

void SerialPort::open() {
  if (isOpen())
    return;
  m_errorCount = 0;
  m_quiet = true;
  // Set before opening, these are applied by open(), which fails when the
  // device refuses one of them.
  m_port->setPortName(systemLocation(m_name));
  m_port->setBaudRate(m_settings.baudRate);
  m_port->setDataBits(m_settings.dataBits);
  m_port->setParity(m_settings.parity);
  m_port->setStopBits(m_settings.stopBits);
  m_port->setFlowControl(m_settings.flowControl);
  m_port->setReadBufferSize(m_settings.inputBufferSize);
  if (m_name.isEmpty() || !m_port->open(QIODevice::ReadWrite))
    fail(QStringLiteral("Cannot open serial port"));
  // Pseudo-terminals and some adapters have no modem lines; the port is
  // usable all the same.
  m_port->setDataTerminalReady(m_settings.dtr);
  if (m_settings.flowControl != QSerialPort::HardwareControl)
    m_port->setRequestToSend(m_settings.rts);
  m_port->clearError();
  m_readSinceAnnounce = false;
  m_reannounceQueued = false;
  m_quiet = false;
}

bool SerialPort::isOpen() const { return m_port->isOpen() && !m_closing; }

void SerialPort::close() {
  if (!m_port->isOpen() || m_closing)
    return;
  // Restoring the line settings of a vanished device fails; those errors
  // must not start another close from inside this one.
  m_closing = true;
  m_port->close();
  m_port->clearError();
  m_closing = false;
  emit closed(this);
}

qint64 SerialPort::bytesWaiting() const {
  return isOpen() ? m_port->bytesAvailable() : 0;
}

QByteArray SerialPort::read(qint64 maxBytes) {
  if (!isOpen() || maxBytes <= 0)
    return {};
  m_readSinceAnnounce = true;
  return m_port->read(maxBytes);
}

void SerialPort::onReadyRead() {
  m_reannounceQueued = false;
  if (!isOpen())
    return;
  const qint64 waiting = m_port->bytesAvailable();
  if (waiting <= 0)
    return;
  m_readSinceAnnounce = false;
  emit bytesArrived(this, waiting);
  // QSerialPort does not announce bytes it buffers while a readyRead
  // handler runs. When the receiver read and bytes are still waiting, they
  // are announced again on the next turn of the event loop. A receiver that
  // reads nothing is not pestered; the next arrival announces again.
  if (m_readSinceAnnounce && isOpen() && m_port->bytesAvailable() > 0 &&
      !m_reannounceQueued) {
    m_reannounceQueued = true;
    QMetaObject::invokeMethod(this, &SerialPort::onReadyRead,
                              Qt::QueuedConnection);
  }
}

void SerialPort::onError(QSerialPort::SerialPortError error) {
  if (error == QSerialPort::NoError)
    return;
  ++m_errorCount;
  if (m_quiet || m_closing)
    return;
  const QString text = m_port->errorString();
  switch (error) {
  case QSerialPort::ReadError:
  case QSerialPort::WriteError:
  case QSerialPort::ResourceError:
    // QSerialPort keeps a vanished device open and reports the failed read
    // again on every turn of the event loop.
    loseDevice(text);
    break;
  default:
    m_port->clearError();
    emit lineError(this, text);
    break;
  }
}

void SerialPort::loseDevice(const QString &text) {
  if (!isOpen())
    return;
  close();
  emit deviceLost(this, text);
}

void SerialPort::write(const QByteArray &data) {
  if (!isOpen())
    throw SerialError(QStringLiteral("Serial port %1 is not open").arg(m_name));
  const qint64 timeout =
      qint64(data.size()) * qMax(0, m_settings.writeTimeoutPerByteMs) +
      qMax(0, m_settings.writeTimeoutConstantMs);
  QDeadlineTimer deadline(timeout);
#ifdef Q_OS_UNIX
  // Straight to the descriptor, synchronously: QSerialPort's own
  // waitForBytesWritten() reads and announces incoming bytes while it
  // waits, which would run the receive handler in the middle of a reply.
  const int fd = m_port->handle();
  const char *p = data.constData();
  qsizetype left = data.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, p, size_t(left));
    if (written > 0) {
      p += written;
      left -= written;
      continue;
    }
    const int err = written < 0 ? errno : EIO;
    if (err == EINTR)
      continue;
    if (err == EAGAIN || err == EWOULDBLOCK) {
      const qint64 rest = deadline.remainingTime();
      if (rest == 0)
        throw SerialError(
            QStringLiteral("Write time-out on serial port %1").arg(m_name));
      pollfd pfd{fd, POLLOUT, 0};
      const int ready =
          ::poll(&pfd, 1, rest < 0 ? -1 : int(qMin<qint64>(rest, INT_MAX)));
      if (ready > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) &&
          !(pfd.revents & POLLOUT)) {
        const QString text = errnoText(EIO);
        loseDevice(text);
        throw SerialError(QStringLiteral("Cannot write to serial port %1: %2")
                              .arg(m_name, text));
      }
      continue;
    }
    const QString text = errnoText(err);
    if (err == EIO || err == ENXIO || err == ENODEV || err == EBADF)
      loseDevice(text);
    throw SerialError(
        QStringLiteral("Cannot write to serial port %1: %2").arg(m_name, text));
  }
#else
  m_quiet = true;
  const qint64 written = m_port->write(data);
  bool ok = written == data.size();
  while (ok && m_port->bytesToWrite() > 0)
    ok = m_port->waitForBytesWritten(
        int(qMax<qint64>(1, qMin<qint64>(deadline.remainingTime(), INT_MAX))));
  m_quiet = false;
  if (!ok)
    throw SerialError(QStringLiteral("Cannot write to serial port %1: %2")
                          .arg(m_name, m_port->errorString()));
#endif
}
