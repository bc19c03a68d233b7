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
// port is then closed at once and deviceLost is emitted.

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <stdexcept>

class SerialError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
  explicit SerialError(const QString &message)
      : std::runtime_error(message.toLocal8Bit().toStdString()) {}
};

struct SerialSettings {
  qint32 baudRate = 115200;
  QSerialPort::DataBits dataBits = QSerialPort::Data8;
  QSerialPort::Parity parity = QSerialPort::NoParity;
  QSerialPort::StopBits stopBits = QSerialPort::OneStop;
  QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;
  // Modem lines set after opening. Devices without them ignore this.
  bool dtr = false;
  bool rts = true;
  // Bytes held for the reader before the device is left to buffer on its
  // own. The output size has no counterpart on Linux: writes go straight to
  // the device; it is kept so that copies of the settings stay complete.
  qint64 inputBufferSize = 65536;
  qint64 outputBufferSize = 2048;
  // A write of n bytes fails when it has not been taken by the device within
  // n * writeTimeoutPerByteMs + writeTimeoutConstantMs.
  int writeTimeoutPerByteMs = 10;
  int writeTimeoutConstantMs = 1000;
};

class SerialPort : public QObject {
  Q_OBJECT

public:
  explicit SerialPort(QObject *parent = nullptr);
  // Closes the port without emitting anything.
  ~SerialPort() override;

  QString portName() const { return m_name; }
  // Takes effect at the next Open.
  void setPortName(const QString &name) { m_name = name; }

  const SerialSettings &settings() const { return m_settings; }
  // Takes effect at the next Open.
  void setSettings(const SerialSettings &settings) { m_settings = settings; }

  qint32 baudRate() const { return m_settings.baudRate; }
  // Kept for the next Open; applied at once to an open port, throwing
  // SerialError when the device refuses it (the rate is then kept anyway).
  void setBaudRate(qint32 rate);

  // Opens the port with the settings. Throws SerialError when the device
  // is missing, in use, or refuses the line settings (such as the baud
  // rate); the port then stays closed. Opening an open port does nothing.
  void open();
  bool isOpen() const;
  // Emits Closed when the port was open.
  void close();

  // Bytes received and not yet read.
  qint64 bytesWaiting() const;
  // What has arrived, at most maxBytes; never waits.
  QByteArray read(qint64 maxBytes);
  // Writes every byte or throws SerialError: port not open, device error,
  // or the write time-out passed. A device that has gone away is closed.
  // Virtual so that in-process drivers can take the bytes themselves.
  virtual void write(const QByteArray &data);

  // Errors the device reported since the last Open, ignored ones included.
  int errorCount() const { return m_errorCount; }

  // The device path a port name stands for.
  static QString systemLocation(const QString &portName);

signals:
  // Bytes arrived; count is the number waiting. Always on the GUI thread.
  void bytesArrived(SerialPort *port, qint64 count);
  // A line error or an operation the device does not support; the port
  // stays usable.
  void lineError(SerialPort *port, const QString &text);
  // The port has been closed, by Close or because the device went away.
  void closed(SerialPort *port);
  // The device went away; the port has been closed.
  void deviceLost(SerialPort *port, const QString &text);

private:
  void onReadyRead();
  void onError(QSerialPort::SerialPortError error);
  void loseDevice(const QString &text);
  [[noreturn]] void fail(const QString &what);

  QSerialPort *m_port;
  QString m_name;
  SerialSettings m_settings;
  int m_errorCount = 0;
  // Errors raised while opening, configuring or closing are the caller's
  // business (Open throws) or of no interest; they are only counted.
  bool m_quiet = false;
  bool m_closing = false;
  // Set by Read; tells onReadyRead whether the receiver took bytes.
  bool m_readSinceAnnounce = false;
  bool m_reannounceQueued = false;
};
