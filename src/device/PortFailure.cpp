#include "device/PortFailure.h"

#include "device/DeviceMessages.h"
#include "text/Lang.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace {
inline constexpr CMsg MSG_ABSENT{">>> 串口 %1 不存在（设备未连接或已拔出）\r\n",
                                 ">>> %1: no such port (device not connected or unplugged)\r\n"};
inline constexpr CMsg MSG_PERMISSION{
    ">>> 没有权限打开串口 %1：请把当前用户加入 dialout 组（sudo usermod -aG dialout $USER），然后重新登录\r\n",
    ">>> %1: permission denied; add your user to the dialout group (sudo usermod -aG dialout $USER) "
    "and log in again\r\n"};
inline constexpr CMsg MSG_BUSY{">>> 串口 %1 正被其他程序占用\r\n", ">>> %1: port busy (in use by another program)\r\n"};
inline constexpr CMsg MSG_OTHER{">>> 串口 %1 打开失败：%2\r\n", ">>> %1: %2\r\n"};

bool Mentions(const QString &reason, const char *word) {
  return reason.contains(QLatin1String(word), Qt::CaseInsensitive);
}
} // namespace

EPortFailure ClassifyOpenFailure(bool nodeExists, bool accessDenied, const QString &serialReason) {
  if (!nodeExists)
    return EPortFailure::Absent;
  if (accessDenied)
    return EPortFailure::Permission;
  // A node without hardware behind it (a ttyS with no UART) fails with an I/O error.
  if (Mentions(serialReason, "not found") || Mentions(serialReason, "no such") ||
      Mentions(serialReason, "input/output"))
    return EPortFailure::Absent;
  // The node is ours to open, so a refusal means someone else holds it
  // (Qt reports another holder's lock as a permission error or an unknown one).
  if (Mentions(serialReason, "busy") || Mentions(serialReason, "lock") || Mentions(serialReason, "permission") ||
      Mentions(serialReason, "denied") || Mentions(serialReason, "unknown error"))
    return EPortFailure::Busy;
  return EPortFailure::Other;
}

EPortFailure ClassifyOpenFailure(const QString &port, const QString &serialReason) {
  if (port.isEmpty())
    return EPortFailure::Absent;
#ifdef Q_OS_UNIX
  const QString path = port.startsWith(QLatin1Char('/')) ? port : QStringLiteral("/dev/") + port;
  const QByteArray native = QFile::encodeName(path);
  const bool exists = ::access(native.constData(), F_OK) == 0;
  const bool denied = exists && ::access(native.constData(), R_OK | W_OK) != 0 && errno == EACCES;
  return ClassifyOpenFailure(exists, denied, serialReason);
#else
  return ClassifyOpenFailure(true, false, serialReason);
#endif
}

QString OpenFailureReason(const QString &port, const QString &serialReason) {
  switch (ClassifyOpenFailure(port, serialReason)) {
  case EPortFailure::Absent:
    return MSG_ABSENT.Get().arg(port);
  case EPortFailure::Permission:
    return MSG_PERMISSION.Get().arg(port);
  case EPortFailure::Busy:
    return MSG_BUSY.Get().arg(port);
  case EPortFailure::Other:
    break;
  }
  return MSG_OTHER.Get().arg(port, serialReason.isEmpty() ? QStringLiteral("?") : serialReason);
}

QString PortLostText(const QString &why) {
  const QString reason = why.trimmed();
  return reason.isEmpty() ? msg::PORT_LOST_NO_REASON.Get() : msg::PORT_LOST.Get().arg(reason);
}
