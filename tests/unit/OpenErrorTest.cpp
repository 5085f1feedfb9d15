#include "model/Pty.h"
#include "serial/OpenError.h"
#include "serial/Serial.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(OpenError, QtCodeAndNodeDecideTheClass) {
  const NodeState missing{false, false};
  const NodeState denied{true, true};
  const NodeState ours{true, false};
  struct Case {
    const char *name;
    QSerialPort::SerialPortError code;
    NodeState node;
    EOpenError expected;
  };
  const Case cases[] = {
      {"node missing", QSerialPort::DeviceNotFoundError, missing, EOpenError::Absent},
      {"node missing whatever Qt says", QSerialPort::PermissionError, missing, EOpenError::Absent},
      {"node not ours", QSerialPort::PermissionError, denied, EOpenError::Denied},
      {"lock held by another program", QSerialPort::PermissionError, ours, EOpenError::Busy},
      {"second open reported as unknown", QSerialPort::UnknownError, ours, EOpenError::Busy},
      {"already open", QSerialPort::OpenError, ours, EOpenError::Busy},
      {"no driver behind the node", QSerialPort::DeviceNotFoundError, ours, EOpenError::Absent},
      {"ttyS without a UART", QSerialPort::ResourceError, ours, EOpenError::Absent},
      {"not a serial line", QSerialPort::UnsupportedOperationError, ours, EOpenError::Other},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ClassifyOpenError(c.code, c.node), c.expected) << c.name;
}

TEST(OpenError, NodeProbeLooksWhereQtOpens) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  const NodeState slave = ProbeNode(QString::fromStdString(pty.SlavePath()));
  EXPECT_TRUE(slave.exists);
  EXPECT_FALSE(slave.denied);
  EXPECT_TRUE(ProbeNode(QStringLiteral("null")).exists) << "a bare name is looked up under /dev";
  EXPECT_FALSE(ProbeNode(QStringLiteral("/dev/strelvane-none")).exists);
  EXPECT_FALSE(ProbeNode(QString()).exists);
}

// What Open returns on real lines and nodes. The busy and settings cases
// share one pty whose slave a first object holds.
TEST(OpenError, RealOpensReturnTheirClass) {
  CPty held, spare;
  ASSERT_TRUE(held.Open());
  ASSERT_TRUE(spare.Open());
  const QString heldPath = QString::fromStdString(held.SlavePath());
  const QString sparePath = QString::fromStdString(spare.SlavePath());
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString plainFile = dir.filePath(QStringLiteral("ttyFILE"));
  {
    QFile f(plainFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  CSerial holder;
  ASSERT_TRUE(holder.Open(heldPath, 115200));

  struct Case {
    const char *name;
    QString port;
    int baud, byteSize;
    EOpenError expected;
    bool openAfter; // a refused setting leaves the port open
  };
  const Case cases[] = {
      {"no name", QString(), 115200, 8, EOpenError::Absent, false},
      {"absent path", QStringLiteral("/dev/ttyUSB-strelvane-none"), 115200, 8, EOpenError::Absent, false},
      {"second open of a held line", heldPath, 115200, 8, EOpenError::Busy, false},
      {"a file that is no serial line", plainFile, 115200, 8, EOpenError::Other, false},
      {"no baud rate", sparePath, 0, 8, EOpenError::SettingsRefused, true},
      // A pty takes only 8 data bits.
      {"seven data bits on a pty", sparePath, 9600, 7, EOpenError::SettingsRefused, true},
      {"a pty at 8N1", sparePath, 9600, 8, EOpenError::None, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    CSerial s;
    const OpenResult r = s.Open(c.port, c.baud, c.byteSize);
    EXPECT_EQ(r.error, c.expected) << r.detail.toStdString();
    EXPECT_EQ(static_cast<bool>(r), c.expected == EOpenError::None);
    EXPECT_EQ(s.IsOpen(), c.openAfter);
    if (c.expected == EOpenError::None) {
      EXPECT_TRUE(r.detail.isEmpty());
    } else if (!c.port.isEmpty()) {
      EXPECT_EQ(s.LastError(), r.detail) << "the log keeps the driver's words";
    }
    if (c.expected == EOpenError::Other) {
      EXPECT_FALSE(r.detail.isEmpty()) << "only the driver's words say what went wrong";
    }
  }
  // An object that is already open is busy, and stays as it was.
  const OpenResult again = holder.Open(sparePath, 115200);
  EXPECT_EQ(again.error, EOpenError::Busy);
  EXPECT_TRUE(holder.IsOpen());
  EXPECT_EQ(holder.PortName(), heldPath);
}
