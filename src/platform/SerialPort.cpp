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

QString ErrnoText(int err) { return QString::fromLocal8Bit(strerror(err)); }

} // namespace

TSerialPort::TSerialPort(QObject *parent)
    : QObject(parent), m_port(new QSerialPort(this)) {
  connect(m_port, &QSerialPort::readyRead, this, &TSerialPort::OnReadyRead);
  connect(m_port, &QSerialPort::errorOccurred, this, &TSerialPort::OnError);
}

TSerialPort::~TSerialPort() {
  disconnect(m_port, nullptr, this, nullptr);
  m_quiet = true;
  if (m_port->isOpen())
    m_port->close();
}

QString TSerialPort::SystemLocation(const QString &portName) {
  if (portName.startsWith(QLatin1Char('/')))
    return portName;
  return QStringLiteral("/dev/") + portName;
}

void TSerialPort::Fail(const QString &what) {
  const QString why = m_port->errorString();
  m_port->clearError();
  m_quiet = false;
  throw TSerialError(QStringLiteral("%1 %2: %3").arg(what, m_name, why));
}

void TSerialPort::SetBaudRate(qint32 rate) {
  m_settings.BaudRate = rate;
  if (!IsOpen())
    return;
  m_quiet = true;
  if (!m_port->setBaudRate(rate))
    Fail(QStringLiteral("Cannot set the baud rate of"));
  m_quiet = false;
}

void TSerialPort::Open() {
  if (IsOpen())
    return;
  m_errorCount = 0;
  m_quiet = true;
  // Set before opening, these are applied by open(), which fails when the
  // device refuses one of them.
  m_port->setPortName(SystemLocation(m_name));
  m_port->setBaudRate(m_settings.BaudRate);
  m_port->setDataBits(m_settings.DataBits);
  m_port->setParity(m_settings.Parity);
  m_port->setStopBits(m_settings.StopBits);
  m_port->setFlowControl(m_settings.FlowControl);
  m_port->setReadBufferSize(m_settings.InputBufferSize);
  if (m_name.isEmpty() || !m_port->open(QIODevice::ReadWrite))
    Fail(QStringLiteral("Cannot open serial port"));
  // Pseudo-terminals and some adapters have no modem lines; the port is
  // usable all the same.
  m_port->setDataTerminalReady(m_settings.Dtr);
  if (m_settings.FlowControl != QSerialPort::HardwareControl)
    m_port->setRequestToSend(m_settings.Rts);
  m_port->clearError();
  m_readSinceAnnounce = false;
  m_reannounceQueued = false;
  m_quiet = false;
}

bool TSerialPort::IsOpen() const { return m_port->isOpen() && !m_closing; }

void TSerialPort::Close() {
  if (!m_port->isOpen() || m_closing)
    return;
  // Restoring the line settings of a vanished device fails; those errors
  // must not start another close from inside this one.
  m_closing = true;
  m_port->close();
  m_port->clearError();
  m_closing = false;
  emit Closed(this);
}

qint64 TSerialPort::BytesWaiting() const {
  return IsOpen() ? m_port->bytesAvailable() : 0;
}

QByteArray TSerialPort::Read(qint64 maxBytes) {
  if (!IsOpen() || maxBytes <= 0)
    return {};
  m_readSinceAnnounce = true;
  return m_port->read(maxBytes);
}

void TSerialPort::OnReadyRead() {
  m_reannounceQueued = false;
  if (!IsOpen())
    return;
  const qint64 waiting = m_port->bytesAvailable();
  if (waiting <= 0)
    return;
  m_readSinceAnnounce = false;
  emit BytesArrived(this, waiting);
  // QSerialPort does not announce bytes it buffers while a readyRead
  // handler runs. When the receiver read and bytes are still waiting, they
  // are announced again on the next turn of the event loop. A receiver that
  // reads nothing is not pestered; the next arrival announces again.
  if (m_readSinceAnnounce && IsOpen() && m_port->bytesAvailable() > 0 &&
      !m_reannounceQueued) {
    m_reannounceQueued = true;
    QMetaObject::invokeMethod(this, &TSerialPort::OnReadyRead,
                              Qt::QueuedConnection);
  }
}

void TSerialPort::OnError(QSerialPort::SerialPortError error) {
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
    LoseDevice(text);
    break;
  default:
    m_port->clearError();
    emit LineError(this, text);
    break;
  }
}

void TSerialPort::LoseDevice(const QString &text) {
  if (!IsOpen())
    return;
  Close();
  emit DeviceLost(this, text);
}

void TSerialPort::Write(const QByteArray &data) {
  if (!IsOpen())
    throw TSerialError(
        QStringLiteral("Serial port %1 is not open").arg(m_name));
  const qint64 timeout =
      qint64(data.size()) * qMax(0, m_settings.WriteTimeoutPerByteMs) +
      qMax(0, m_settings.WriteTimeoutConstantMs);
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
        throw TSerialError(
            QStringLiteral("Write time-out on serial port %1").arg(m_name));
      pollfd pfd{fd, POLLOUT, 0};
      const int ready =
          ::poll(&pfd, 1, rest < 0 ? -1 : int(qMin<qint64>(rest, INT_MAX)));
      if (ready > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) &&
          !(pfd.revents & POLLOUT)) {
        const QString text = ErrnoText(EIO);
        LoseDevice(text);
        throw TSerialError(QStringLiteral("Cannot write to serial port %1: %2")
                               .arg(m_name, text));
      }
      continue;
    }
    const QString text = ErrnoText(err);
    if (err == EIO || err == ENXIO || err == ENODEV || err == EBADF)
      LoseDevice(text);
    throw TSerialError(
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
    throw TSerialError(QStringLiteral("Cannot write to serial port %1: %2")
                           .arg(m_name, m_port->errorString()));
#endif
}
