// The stand-in for the system's list of serial ports.

#include "platform/SerialPort.h"
#include "platform/SerialPortList.h"
#include "support/TempDir.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

void writeFile(const QString &path, const QByteArray &text) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
}

class SerialPortListTest : public ::testing::Test {
protected:
  void SetUp() override { qunsetenv(kSerialPortTableEnv); }
  void TearDown() override { qunsetenv(kSerialPortTableEnv); }
  ScopedTempDir dir;
};

} // namespace

TEST_F(SerialPortListTest, ParsesTableLines) {
  const QList<SerialPortEntry> entries =
      parseSerialPortTable("; the ports of this machine\r\n"
                           "[SERIALCOMM]\r\n"
                           "\\Device\\USBSER000=COM4\r\n"
                           "\r\n"
                           "  \\Device\\BthModem0 \t=\t/dev/pts/3 \x01\r\n"
                           "# comment=ignored\n"
                           "no equals sign\r\n"
                           "\\Device\\Empty=  \r\n"
                           "=/dev/pts/9\r\n"
                           "\\Device\\Odd=port=with=equals\r\n"
                           "\\Device\\Serial0=COM1");
  const QList<SerialPortEntry> expected = {
      {"\\Device\\USBSER000", "COM4"},
      {"\\Device\\BthModem0", "/dev/pts/3"},
      {"", "/dev/pts/9"},
      {"\\Device\\Odd", "port=with=equals"},
      {"\\Device\\Serial0", "COM1"},
  };
  EXPECT_EQ(entries, expected);
  EXPECT_EQ(trimPortText(QString(" \t\x02 COM 1\r\n")), "COM 1");
}

TEST_F(SerialPortListTest, TableSources) {
  // Nothing beside the program: the system's ports, each one a real node.
  EXPECT_EQ(serialPortTablePath(dir.path()), QString());
  for (const SerialPortEntry &e : readSerialPortTable(dir.path())) {
    EXPECT_TRUE(QFileInfo::exists(SerialPort::systemLocation(e.portName)))
        << e.portName.toStdString();
    EXPECT_EQ(e.deviceName, systemSerialDeviceName(e.portName));
  }

  // A file beside the program.
  writeFile(dir.file("serialports.ini"), "\\Device\\USBSER000=/dev/pts/7\r\n");
  EXPECT_EQ(serialPortTablePath(dir.path()), dir.file("serialports.ini"));
  EXPECT_EQ(readSerialPortTable(dir.path()),
            QList<SerialPortEntry>({{"\\Device\\USBSER000", "/dev/pts/7"}}));

  // The environment wins.
  writeFile(dir.file("other.ini"), "\\Device\\BthModem4=COM9\r\n");
  qputenv(kSerialPortTableEnv, dir.file("other.ini").toLocal8Bit());
  EXPECT_EQ(readSerialPortTable(dir.path()),
            QList<SerialPortEntry>({{"\\Device\\BthModem4", "COM9"}}));

  // A named table that cannot be read is an error, not an empty list.
  qputenv(kSerialPortTableEnv, dir.file("missing.ini").toLocal8Bit());
  EXPECT_THROW(readSerialPortTable(dir.path()), SerialError);
}

TEST_F(SerialPortListTest, SystemDeviceNamesKeepTheirKind) {
  EXPECT_EQ(systemSerialDeviceName("ttyACM0"), "\\Device\\USBSER000");
  EXPECT_EQ(systemSerialDeviceName("ttyUSB12"), "\\Device\\USBVCP012");
  EXPECT_EQ(systemSerialDeviceName("rfcomm3"), "\\Device\\BthModem3");
  EXPECT_EQ(systemSerialDeviceName("ttyS0"), "\\Device\\Serial0");
  for (const char *other : {"tty0", "ttyACM", "ttyUSBx", "pts/3", "rfcomm"})
    EXPECT_EQ(systemSerialDeviceName(other), QString()) << other;
  // The 9th character: 'U' for USB adapters and modems, not for the rest.
  EXPECT_EQ(systemSerialDeviceName("ttyACM1").at(8), 'U');
  EXPECT_EQ(systemSerialDeviceName("ttyUSB0").at(8), 'U');
  EXPECT_NE(systemSerialDeviceName("rfcomm0").at(8), 'U');
  EXPECT_NE(systemSerialDeviceName("ttyS1").at(8), 'U');
}
