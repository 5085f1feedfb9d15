#include "host/TimeScaleWarning.h"

#include "base/Timing.h"
#include "text/Lang.h"

namespace {
inline constexpr CMsg MSG_TIME_SCALE{
    ">>> 警告：STRELVANE_TIME_SCALE=%1 已生效：所有超时和等待都按实际时长的 %1 倍运行\r\n",
    ">>> Warning: STRELVANE_TIME_SCALE=%1 is in force: every time-out and pause runs at %1 x its real length\r\n"};
}

QString TimeScaleWarning() {
  const double scale = CTiming::Scale();
  if (scale == 1.0)
    return QString();
  return MSG_TIME_SCALE.Get().arg(QString::number(scale));
}
