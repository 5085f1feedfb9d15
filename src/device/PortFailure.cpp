#include "device/PortFailure.h"

#include "device/DeviceMessages.h"
#include "text/Lang.h"

namespace {
inline constexpr CMsg MSG_ABSENT{">>> 串口 %1 不存在（设备未连接或已拔出）\r\n",
                                 ">>> %1: no such port (device not connected or unplugged)\r\n"};
inline constexpr CMsg MSG_PERMISSION{
    ">>> 没有权限打开串口 %1：请把当前用户加入 dialout 组（sudo usermod -aG dialout $USER），然后重新登录\r\n",
    ">>> %1: permission denied; add your user to the dialout group (sudo usermod -aG dialout $USER) "
    "and log in again\r\n"};
inline constexpr CMsg MSG_BUSY{">>> 串口 %1 正被其他程序占用\r\n", ">>> %1: port busy (in use by another program)\r\n"};
inline constexpr CMsg MSG_OTHER{">>> 串口 %1 打开失败：%2\r\n", ">>> %1: %2\r\n"};
} // namespace

QString OpenFailureReason(const QString &port, EOpenError error, const QString &detail) {
  switch (error) {
  case EOpenError::Absent:
    return MSG_ABSENT.Get().arg(port);
  case EOpenError::Denied:
    return MSG_PERMISSION.Get().arg(port);
  case EOpenError::Busy:
    return MSG_BUSY.Get().arg(port);
  case EOpenError::SettingsRefused:
    // The port itself was fine; the driver would not take the baud rate or framing.
    return MSG_OTHER.Get().arg(port, QStringLiteral("line settings refused"));
  case EOpenError::None:
  case EOpenError::Other:
    break;
  }
  return MSG_OTHER.Get().arg(port, detail.isEmpty() ? QStringLiteral("?") : detail);
}

QString PortLostText(const QString &why) {
  const QString reason = why.trimmed();
  return reason.isEmpty() ? msg::PORT_LOST_NO_REASON.Get() : msg::PORT_LOST.Get().arg(reason);
}
