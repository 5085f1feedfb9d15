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
inline constexpr CMsg MSG_NOT_CONFIRMED{">>> 串口服务器 %1 没有确认串口参数（波特率、数据位、校验位、停止位）\r\n",
                                        ">>> %1: the device server did not confirm the line settings (baud rate, data "
                                        "bits, parity, stop bits)\r\n"};
inline constexpr CMsg MSG_SERVER_REFUSED{">>> 串口服务器 %1 不接受这些串口参数，原参数保持不变\r\n",
                                         ">>> %1: the device server refused the line settings; the ones before stay in "
                                         "force\r\n"};
inline constexpr CMsg MSG_NOT_POSSIBLE{">>> %1 是原始 TCP 端口，无法设置串口参数：串口服务器上的设置保持有效\r\n",
                                       ">>> %1 is a raw TCP port: line settings cannot be set on it; the device "
                                       "server's own settings apply\r\n"};
inline constexpr CMsg MSG_BAD_ADDRESS{
    ">>> %1 不是有效的端口地址（串口名，或 socket://主机:端口、rfc2217://主机:端口）\r\n",
    ">>> %1: not a port address (a serial port name, socket://HOST:PORT or "
    "rfc2217://HOST:PORT)\r\n"};
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
  case EOpenError::NotConfirmed:
    return MSG_NOT_CONFIRMED.Get().arg(port);
  case EOpenError::BadAddress:
    return MSG_BAD_ADDRESS.Get().arg(port);
  case EOpenError::Cancelled:
    return msg::CONNECT_CANCELLED.Get().arg(port);
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

QString LineNoticeText(const QString &port, ELineIssue issue) {
  switch (issue) {
  case ELineIssue::None:
    break;
  case ELineIssue::Refused:
    return MSG_SERVER_REFUSED.Get().arg(port);
  case ELineIssue::NotConfirmed:
    return MSG_NOT_CONFIRMED.Get().arg(port);
  case ELineIssue::NotPossible:
    return MSG_NOT_POSSIBLE.Get().arg(port);
  }
  return {};
}
