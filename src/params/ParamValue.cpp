#include "params/ParamValue.h"

#include "text/Lang.h"

#include <limits>

namespace {
inline constexpr CMsg MSG_TOO_LONG{"“%1”的值太长（最多 %2 字节）",
                                   "the value of \"%1\" is too long (at most %2 bytes)"};
inline constexpr CMsg MSG_NUMBER_RANGE{"“%1”的值 %2 超出设备的整数范围（%3 到 %4）",
                                       "\"%1\": %2 does not fit the device's integer (%3 to %4)"};

QString Label(int index) { return QString::fromLatin1(ParamInfoAt(index).label); }
} // namespace

std::optional<std::int32_t> DeviceNumber(const QByteArray &value) {
  const char *p = value.constData();
  const char *end = p + value.size();
  while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r')))
    ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-'))
    negative = *p++ == '-';
  long long n = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    n = n * 10 + (*p - '0');
    if (n > 2147483648LL)
      return std::nullopt; // stop before the accumulator itself could overflow
  }
  if (negative)
    n = -n;
  if (n < INT32_MIN || n > INT32_MAX)
    return std::nullopt;
  return static_cast<std::int32_t>(n);
}

bool TakesNumber(int index) {
  const ParamInfo &info = ParamInfoAt(index);
  return info.encode == EEncode::Number || info.compare == ECompare::Number;
}

QString ValueProblem(int index, const QByteArray &value) {
  if (value.size() > PARAM_VALUE_MAX)
    return MSG_TOO_LONG.Get().arg(Label(index)).arg(PARAM_VALUE_MAX);
  if (TakesNumber(index) && !DeviceNumber(value))
    return MSG_NUMBER_RANGE.Get()
        .arg(Label(index), QString::fromLatin1(value))
        .arg(std::numeric_limits<std::int32_t>::min())
        .arg(std::numeric_limits<std::int32_t>::max());
  return QString();
}

QByteArray ParamCommand(int index, const QByteArray &value) {
  if (!IsSaved(index))
    return QByteArray();
  const ParamInfo &info = ParamInfoAt(index);
  QByteArray command(info.command);
  switch (info.encode) {
  case EEncode::Text:
    command += value;
    break;
  case EEncode::Number:
  case EEncode::ListIndex:
    // Checked with DeviceNumber before it got here; text without digits is
    // 0, as the C library gives it.
    command += QByteArray::number(DeviceNumber(value).value_or(0));
    break;
  case EEncode::None:
    return QByteArray();
  }
  return command + '\r';
}
