// The stand-in for the system's list of serial ports.

#include "platform/SerialPort.h"
#include "platform/SerialPortList.h"
#include "support/TempDir.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

void WriteFile(const QString &path, const QByteArray &text) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
}

class SerialPortListTest : public ::testing::Test {
protected:
  void SetUp() override { qunsetenv(SerialPortTableEnv); }
  void TearDown() override { qunsetenv(SerialPortTableEnv); }
  ScopedTempDir dir;
};

} // namespace

TEST_F(SerialPortListTest, ParsesTableLines) {
  const QList<TSerialPortEntry> entries =
      ParseSerialPortTable("; the ports of this machine\r\n"
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
  const QList<TSerialPortEntry> expected = {
      {"\\Device\\USBSER000", "COM4"},
      {"\\Device\\BthModem0", "/dev/pts/3"},
      {"", "/dev/pts/9"},
      {"\\Device\\Odd", "port=with=equals"},
      {"\\Device\\Serial0", "COM1"},
  };
  EXPECT_EQ(entries, expected);
  EXPECT_EQ(TrimPortText(QString(" \t\x02 COM 1\r\n")), "COM 1");
}

TEST_F(SerialPortListTest, TableSources) {
  // Nothing beside the program: the system's ports, each one a real node.
  EXPECT_EQ(SerialPortTablePath(dir.Path()), QString());
  for (const TSerialPortEntry &e : ReadSerialPortTable(dir.Path())) {
    EXPECT_TRUE(QFileInfo::exists(TSerialPort::SystemLocation(e.PortName)))
        << e.PortName.toStdString();
    EXPECT_EQ(e.DeviceName, SystemSerialDeviceName(e.PortName));
  }

  // A file beside the program.
  WriteFile(dir.File("serialports.ini"), "\\Device\\USBSER000=/dev/pts/7\r\n");
  EXPECT_EQ(SerialPortTablePath(dir.Path()), dir.File("serialports.ini"));
  EXPECT_EQ(ReadSerialPortTable(dir.Path()),
            QList<TSerialPortEntry>({{"\\Device\\USBSER000", "/dev/pts/7"}}));

  // The environment wins.
  WriteFile(dir.File("other.ini"), "\\Device\\BthModem4=COM9\r\n");
  qputenv(SerialPortTableEnv, dir.File("other.ini").toLocal8Bit());
  EXPECT_EQ(ReadSerialPortTable(dir.Path()),
            QList<TSerialPortEntry>({{"\\Device\\BthModem4", "COM9"}}));

  // A named table that cannot be read is an error, not an empty list.
  qputenv(SerialPortTableEnv, dir.File("missing.ini").toLocal8Bit());
  EXPECT_THROW(ReadSerialPortTable(dir.Path()), TSerialError);
}

TEST_F(SerialPortListTest, SystemDeviceNamesKeepTheirKind) {
  EXPECT_EQ(SystemSerialDeviceName("ttyACM0"), "\\Device\\USBSER000");
  EXPECT_EQ(SystemSerialDeviceName("ttyUSB12"), "\\Device\\USBVCP012");
  EXPECT_EQ(SystemSerialDeviceName("rfcomm3"), "\\Device\\BthModem3");
  EXPECT_EQ(SystemSerialDeviceName("ttyS0"), "\\Device\\Serial0");
  for (const char *other : {"tty0", "ttyACM", "ttyUSBx", "pts/3", "rfcomm"})
    EXPECT_EQ(SystemSerialDeviceName(other), QString()) << other;
  // The 9th character: 'U' for USB adapters and modems, not for the rest.
  EXPECT_EQ(SystemSerialDeviceName("ttyACM1").at(8), 'U');
  EXPECT_EQ(SystemSerialDeviceName("ttyUSB0").at(8), 'U');
  EXPECT_NE(SystemSerialDeviceName("rfcomm0").at(8), 'U');
  EXPECT_NE(SystemSerialDeviceName("ttyS1").at(8), 'U');
}
