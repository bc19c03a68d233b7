#pragma once
// A serial port with event delivery on the GUI thread: open a named port
// with its line settings, be told when bytes arrive, read what has arrived,
// write with a time-out, close.
//
// A port name is a device path ("/dev/ttyUSB0", "/dev/pts/3") or a name
// under /dev ("ttyUSB0"). Pseudo-terminals work as ports: the modem line
// controls they cannot do (DTR, RTS) are ignored like line errors.
//
// A device that goes away (an unplugged adapter, a pseudo-terminal whose
// other end closed) makes reads fail on every turn of the event loop; the
// port is then closed at once and DeviceLost is emitted.

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <stdexcept>

class TSerialError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
  explicit TSerialError(const QString &message)
      : std::runtime_error(message.toLocal8Bit().toStdString()) {}
};

struct TSerialSettings {
  qint32 BaudRate = 115200;
  QSerialPort::DataBits DataBits = QSerialPort::Data8;
  QSerialPort::Parity Parity = QSerialPort::NoParity;
  QSerialPort::StopBits StopBits = QSerialPort::OneStop;
  QSerialPort::FlowControl FlowControl = QSerialPort::NoFlowControl;
  // Modem lines set after opening. Devices without them ignore this.
  bool Dtr = false;
  bool Rts = true;
  // Bytes held for the reader before the device is left to buffer on its
  // own. The output size has no counterpart on Linux: writes go straight to
  // the device; it is kept so that copies of the settings stay complete.
  qint64 InputBufferSize = 65536;
  qint64 OutputBufferSize = 2048;
  // A write of n bytes fails when it has not been taken by the device within
  // n * WriteTimeoutPerByteMs + WriteTimeoutConstantMs.
  int WriteTimeoutPerByteMs = 10;
  int WriteTimeoutConstantMs = 1000;
};

class TSerialPort : public QObject {
  Q_OBJECT

public:
  explicit TSerialPort(QObject *parent = nullptr);
  // Closes the port without emitting anything.
  ~TSerialPort() override;

  QString PortName() const { return m_name; }
  // Takes effect at the next Open.
  void SetPortName(const QString &name) { m_name = name; }

  const TSerialSettings &Settings() const { return m_settings; }
  // Takes effect at the next Open.
  void SetSettings(const TSerialSettings &settings) { m_settings = settings; }

  qint32 BaudRate() const { return m_settings.BaudRate; }
  // Kept for the next Open; applied at once to an open port, throwing
  // TSerialError when the device refuses it (the rate is then kept anyway).
  void SetBaudRate(qint32 rate);

  // Opens the port with the settings. Throws TSerialError when the device
  // is missing, in use, or refuses the line settings (such as the baud
  // rate); the port then stays closed. Opening an open port does nothing.
  void Open();
  bool IsOpen() const;
  // Emits Closed when the port was open.
  void Close();

  // Bytes received and not yet read.
  qint64 BytesWaiting() const;
  // What has arrived, at most maxBytes; never waits.
  QByteArray Read(qint64 maxBytes);
  // Writes every byte or throws TSerialError: port not open, device error,
  // or the write time-out passed. A device that has gone away is closed.
  // Virtual so that in-process drivers can take the bytes themselves.
  virtual void Write(const QByteArray &data);

  // Errors the device reported since the last Open, ignored ones included.
  int ErrorCount() const { return m_errorCount; }

  // The device path a port name stands for.
  static QString SystemLocation(const QString &portName);

signals:
  // Bytes arrived; count is the number waiting. Always on the GUI thread.
  void BytesArrived(TSerialPort *port, qint64 count);
  // A line error or an operation the device does not support; the port
  // stays usable.
  void LineError(TSerialPort *port, const QString &text);
  // The port has been closed, by Close or because the device went away.
  void Closed(TSerialPort *port);
  // The device went away; the port has been closed.
  void DeviceLost(TSerialPort *port, const QString &text);

private:
  void OnReadyRead();
  void OnError(QSerialPort::SerialPortError error);
  void LoseDevice(const QString &text);
  [[noreturn]] void Fail(const QString &what);

  QSerialPort *m_port;
  QString m_name;
  TSerialSettings m_settings;
  int m_errorCount = 0;
  // Errors raised while opening, configuring or closing are the caller's
  // business (Open throws) or of no interest; they are only counted.
  bool m_quiet = false;
  bool m_closing = false;
  // Set by Read; tells OnReadyRead whether the receiver took bytes.
  bool m_readSinceAnnounce = false;
  bool m_reannounceQueued = false;
};
