#include "device/PortFailure.h"
#include "model/Pty.h"
#include "serial/Serial.h"
#include "text/Lang.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
struct Case {
  const char *name;
  bool exists;
  bool denied;
  const char *reason;
  EPortFailure expected;
};

const Case CASES[] = {
    {"node missing", false, false, "port not found", EPortFailure::Absent},
    {"node missing whatever the driver says", false, false, "port busy", EPortFailure::Absent},
    {"node not ours", true, true, "port busy or not permitted", EPortFailure::Permission},
    {"lock held by another program", true, false, "port busy or not permitted", EPortFailure::Busy},
    {"refused without a reason", true, false, "port busy", EPortFailure::Busy},
    {"ttyS without a UART", true, false, "Input/output error", EPortFailure::Absent},
    {"driver's own words", true, false, "line settings refused", EPortFailure::Other},
};

class PortFailureLang : public ::testing::Test {
protected:
  void TearDown() override { g_chineseUi = 0; }
};
} // namespace

TEST(PortFailure, ClassifiesByNodeThenReason) {
  for (const Case &c : CASES)
    EXPECT_EQ(ClassifyOpenFailure(c.exists, c.denied, QString::fromLatin1(c.reason)), c.expected) << c.name;
}

TEST_F(PortFailureLang, RealRefusalsSayWhyInBothLanguages) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  const QString path = QString::fromStdString(pty.SlavePath());
  CSerial holder, second, absent;
  ASSERT_TRUE(holder.Open(path, 115200));
  ASSERT_FALSE(second.Open(path, 115200));
  const QString missing = QStringLiteral("/dev/ttyUSB-strelvane-none");
  ASSERT_FALSE(absent.Open(missing, 115200));

  EXPECT_EQ(ClassifyOpenFailure(path, second.LastError()), EPortFailure::Busy) << second.LastError().toStdString();
  EXPECT_EQ(ClassifyOpenFailure(missing, absent.LastError()), EPortFailure::Absent);
  EXPECT_EQ(ClassifyOpenFailure(QString(), QString()), EPortFailure::Absent);

  g_chineseUi = 0;
  EXPECT_EQ(OpenFailureReason(path, second.LastError()),
            QStringLiteral(">>> %1: port busy (in use by another program)\r\n").arg(path));
  EXPECT_EQ(OpenFailureReason(missing, absent.LastError()),
            QStringLiteral(">>> %1: no such port (device not connected or unplugged)\r\n").arg(missing));
  g_chineseUi = 1;
  EXPECT_EQ(OpenFailureReason(path, second.LastError()), QStringLiteral(">>> 串口 %1 正被其他程序占用\r\n").arg(path));
  EXPECT_EQ(OpenFailureReason(missing, absent.LastError()),
            QStringLiteral(">>> 串口 %1 不存在（设备未连接或已拔出）\r\n").arg(missing));
}

TEST_F(PortFailureLang, PermissionDeniedNamesTheDialoutGroup) {
  if (::geteuid() == 0)
    GTEST_SKIP() << "root opens every node; the permission check needs an ordinary user";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString node = dir.filePath(QStringLiteral("ttyUSB9"));
  const int fd = ::open(QFile::encodeName(node).constData(), O_CREAT | O_WRONLY, 0);
  ASSERT_GE(fd, 0);
  ::close(fd);
  EXPECT_EQ(ClassifyOpenFailure(node, QStringLiteral("port busy or not permitted")), EPortFailure::Permission);
  g_chineseUi = 0;
  EXPECT_TRUE(OpenFailureReason(node, {}).contains(QLatin1String("dialout")));
  g_chineseUi = 1;
  EXPECT_TRUE(OpenFailureReason(node, {}).contains(QStringLiteral("dialout 组")));
}

TEST_F(PortFailureLang, LostPortSaysWhatHappenedWithTheSystemTextInBrackets) {
  struct Case {
    bool chinese;
    const char *why;
    const char *expected;
  };
  const Case cases[] = {
      {false, "Inappropriate ioctl for device",
       ">>> The device was removed or the line hung up (Inappropriate ioctl for device)\r\n"},
      {true, "Inappropriate ioctl for device", ">>> 设备已拔出或线路已断开（Inappropriate ioctl for device）\r\n"},
      {false, "", ">>> The device was removed or the line hung up\r\n"},
      {true, "", ">>> 设备已拔出或线路已断开\r\n"},
      {false, "  ", ">>> The device was removed or the line hung up\r\n"},
      {true, "Input/output error\n", ">>> 设备已拔出或线路已断开（Input/output error）\r\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.expected);
    g_chineseUi = c.chinese ? 1 : 0;
    EXPECT_EQ(PortLostText(QString::fromUtf8(c.why)), QString::fromUtf8(c.expected));
  }
}
