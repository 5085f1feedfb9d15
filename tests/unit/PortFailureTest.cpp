#include "device/DeviceController.h"
#include "device/PortFailure.h"
#include "host/ConsoleHost.h"
#include "model/Pty.h"
#include "params/PageModel.h"
#include "serial/Serial.h"
#include "text/Lang.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
class PortFailureLang : public ::testing::Test {
protected:
  void TearDown() override { g_chineseUi = 0; }
};
} // namespace

TEST_F(PortFailureLang, EachClassHasItsWordsInBothLanguages) {
  struct Case {
    EOpenError error;
    const char *detail;
    bool chinese;
    const char *expected;
  };
  const Case cases[] = {
      {EOpenError::Absent, "No such file or directory", false,
       ">>> /dev/ttyUSB0: no such port (device not connected or unplugged)\r\n"},
      {EOpenError::Absent, "No such file or directory", true, ">>> 串口 /dev/ttyUSB0 不存在（设备未连接或已拔出）\r\n"},
      {EOpenError::Busy, "Permission error while locking the device", false,
       ">>> /dev/ttyUSB0: port busy (in use by another program)\r\n"},
      {EOpenError::Busy, "Unknown error", true, ">>> 串口 /dev/ttyUSB0 正被其他程序占用\r\n"},
      {EOpenError::Denied, "Permission denied", false,
       ">>> /dev/ttyUSB0: permission denied; add your user to the dialout group (sudo usermod -aG dialout $USER) "
       "and log in again\r\n"},
      {EOpenError::Denied, "Permission denied", true,
       ">>> 没有权限打开串口 /dev/ttyUSB0：请把当前用户加入 dialout 组（sudo usermod -aG dialout "
       "$USER），然后重新登录\r\n"},
      // The driver's words never replace the class's own.
      {EOpenError::SettingsRefused, "Invalid argument", false, ">>> /dev/ttyUSB0: line settings refused\r\n"},
      {EOpenError::SettingsRefused, "", true, ">>> 串口 /dev/ttyUSB0 打开失败：line settings refused\r\n"},
      {EOpenError::Other, "Inappropriate ioctl for device", false,
       ">>> /dev/ttyUSB0: Inappropriate ioctl for device\r\n"},
      {EOpenError::Other, "Inappropriate ioctl for device", true,
       ">>> 串口 /dev/ttyUSB0 打开失败：Inappropriate ioctl for device\r\n"},
      {EOpenError::Other, "", false, ">>> /dev/ttyUSB0: ?\r\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.expected);
    g_chineseUi = c.chinese ? 1 : 0;
    EXPECT_EQ(OpenFailureReason(QStringLiteral("/dev/ttyUSB0"), c.error, QString::fromUtf8(c.detail)),
              QString::fromUtf8(c.expected));
  }
}

TEST_F(PortFailureLang, RealRefusalsSayWhyInBothLanguages) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  const QString path = QString::fromStdString(pty.SlavePath());
  CSerial holder, second, absent;
  ASSERT_TRUE(holder.Open(path, 115200));
  const OpenResult busy = second.Open(path, 115200);
  const QString missing = QStringLiteral("/dev/ttyUSB-strelvane-none");
  const OpenResult gone = absent.Open(missing, 115200);

  g_chineseUi = 0;
  EXPECT_EQ(OpenFailureReason(path, busy.error, busy.detail),
            QStringLiteral(">>> %1: port busy (in use by another program)\r\n").arg(path));
  EXPECT_EQ(OpenFailureReason(missing, gone.error, gone.detail),
            QStringLiteral(">>> %1: no such port (device not connected or unplugged)\r\n").arg(missing));
  g_chineseUi = 1;
  EXPECT_EQ(OpenFailureReason(path, busy.error, busy.detail),
            QStringLiteral(">>> 串口 %1 正被其他程序占用\r\n").arg(path));
  EXPECT_EQ(OpenFailureReason(missing, gone.error, gone.detail),
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
  CSerial s;
  const OpenResult r = s.Open(node, 115200);
  EXPECT_EQ(r.error, EOpenError::Denied) << r.detail.toStdString();
  g_chineseUi = 0;
  EXPECT_TRUE(OpenFailureReason(node, r.error, r.detail).contains(QLatin1String("dialout")));
  g_chineseUi = 1;
  EXPECT_TRUE(OpenFailureReason(node, r.error, r.detail).contains(QStringLiteral("dialout 组")));
}

// The port button: the log says why, and a port that opened but refused its
// line settings is closed again.
TEST_F(PortFailureLang, TheControllerLogsWhyAndLeavesNoPortHalfOpen) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  const QString path = QString::fromStdString(pty.SlavePath());
  CSerial holder;
  CPty free;
  ASSERT_TRUE(free.Open());
  const QString freePath = QString::fromStdString(free.SlavePath());
  struct Case {
    QString port;
    const char *baud;
    QString expected;
  };
  const Case cases[] = {
      {QStringLiteral("/dev/strelvane-no-such-port"), "115200",
       QStringLiteral(">>> /dev/strelvane-no-such-port: no such port (device not connected or unplugged)\r\n")},
      {path, "115200", QStringLiteral(">>> %1: port busy (in use by another program)\r\n").arg(path)},
      {freePath, "", QStringLiteral(">>> %1: line settings refused\r\n").arg(freePath)},
  };
  ASSERT_TRUE(holder.Open(path, 115200));
  g_chineseUi = 0;
  CConsoleHost host;
  CPageModel pages;
  CDeviceController device(host, pages);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.expected.toStdString());
    host.Log().Clear();
    device.OpenClosePort(c.port, c.port, QString::fromLatin1(c.baud));
    EXPECT_FALSE(device.Serial().IsOpen());
    EXPECT_EQ(host.Log().Text(), QStringLiteral("Open COM Failed\r\n") + c.expected);
  }
  CSerial after;
  EXPECT_TRUE(after.Open(freePath, 115200)) << "the refused line was closed again";
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
