#pragma once
// The machine's serial ports as (device name, port name) pairs.
//
// The device name tells what kind of device lies behind a port, in the form
// "\Device\<kind><number>": USB serial adapters and modems are
// "\Device\USBSER<nnn>" (ttyACM) and "\Device\USBVCP<nnn>" (ttyUSB),
// Bluetooth RFCOMM ports "\Device\BthModem<n>", built-in UARTs
// "\Device\Serial<n>". The port name is what a SerialPort opens.
//
// The table comes from, in this order:
//  1. the file named by the environment variable QUORVANE_SERIAL_PORTS;
//  2. the file "serialports.ini" in the program directory given;
//  3. the system: /dev/ttyUSB*, /dev/ttyACM*, /dev/rfcomm* that exist and
//     the /dev/ttyS* that have hardware behind them, port names without
//     "/dev/".
// A table file has one line per port, "device name=port name"; blank lines
// and lines starting with ';', '#' or '[' are skipped. A port name that is
// a full path ("/dev/pts/3") is opened as that path.

#include <QByteArray>
#include <QList>
#include <QString>

struct SerialPortEntry {
  QString deviceName;
  QString portName;
  bool operator==(const SerialPortEntry &) const = default;
};

inline constexpr char kSerialPortTableEnv[] = "QUORVANE_SERIAL_PORTS";
inline constexpr char kSerialPortTableFileName[] = "serialports.ini";

// The table file in use, empty when the system is asked. programDir is the
// program's directory (exeDir); empty skips the file beside the program.
QString serialPortTablePath(const QString &programDir);

// The entries in table order. Throws SerialError when a table file is
// named by the environment but cannot be read, or exists beside the
// program but cannot be read.
QList<SerialPortEntry> readSerialPortTable(const QString &programDir);

// The lines of a table file, 8-bit text in the system code page. Names are
// trimmed of spaces and control characters; lines without '=' or with an
// empty port name are skipped.
QList<SerialPortEntry> parseSerialPortTable(const QByteArray &text);

// The system's serial ports (source 3 above).
QList<SerialPortEntry> systemSerialPorts();

// The device name given to a tty name such as "ttyUSB0"; empty for a name
// that is none of the serial kinds listed above.
QString systemSerialDeviceName(const QString &ttyName);

// Leading and trailing spaces and control characters removed.
QString trimPortText(const QString &text);
