#include "cli/CliAssignment.h"

#include "params/PageItems.h"
#include "params/ParamValue.h"
#include "params/ParamTable.h"
#include "text/Gbk.h"
#include "text/Lang.h"

#include <QRegularExpression>

namespace {
inline constexpr CMsg MSG_SET_SYNTAX{"参数须写成 LABEL=VALUE：%1", "expected LABEL=VALUE: %1"};
inline constexpr CMsg MSG_UNKNOWN_LABEL{
    "未知参数“%1”（标签须与设备参数列表中的写法完全相同）",
    "unknown parameter \"%1\" (the label exactly as the device's listing spells it)"};
inline constexpr CMsg MSG_BAD_VALUE{"参数“%1”不接受值“%2”", "\"%1\" does not take the value \"%2\""};
} // namespace

namespace cli {

std::optional<int> ListPosition(int index, const QString &value) {
  const ParamInfo &info = ParamInfoAt(index);
  // The item text in the interface language, then in the other, then the position.
  for (bool chinese : {g_chineseUi.load() != 0, g_chineseUi.load() == 0}) {
    const qsizetype pos = pageitems::Items(info.page, info.controlId, chinese).indexOf(value);
    if (pos >= 0)
      return static_cast<int>(pos);
  }
  bool ok = false;
  const int pos = value.toInt(&ok);
  if (ok && pos >= 0 && pos < pageitems::ParamItems(index).size())
    return pos;
  return std::nullopt;
}

QString TextProblem(int index, const QString &value) {
  static const QRegularExpression DECIMAL(QStringLiteral("^-?[0-9]+$"));
  static const QRegularExpression IPV4(QStringLiteral(
      "^((25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])\\.){3}(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])$"));
  const QString label = QString::fromLatin1(ParamInfoAt(index).label);
  const std::optional<QByteArray> bytes = text::EncodeGbk(value);
  // A line end would end the command early; the placeholder is no value.
  if (!bytes || bytes->contains('\r') || bytes->contains('\n') || bytes->contains('\0') || *bytes == NO_EXIST)
    return MSG_BAD_VALUE.Get().arg(label, value);
  const EControlKind kind = ParamInfoAt(index).kind;
  if (kind == EControlKind::Ip && !IPV4.match(value).hasMatch())
    return MSG_BAD_VALUE.Get().arg(label, value);
  if ((kind == EControlKind::Combo || TakesNumber(index)) && !DECIMAL.match(value).hasMatch())
    return MSG_BAD_VALUE.Get().arg(label, value);
  // Too long, or a number the device's integer cannot hold: the same check as the window's.
  return ValueProblem(index, *bytes);
}

std::optional<Assignment> ParseAssignment(const QString &arg, QString &error) {
  const QByteArray bytes = text::ToGbk(arg);
  int best = -1;
  qsizetype bestLength = -1;
  for (int i = 0; i < PARAM_COUNT; ++i) {
    const QByteArray key = QByteArray(ParamInfoAt(i).label) + '=';
    if (bytes.startsWith(key) && key.size() > bestLength) {
      best = i;
      bestLength = key.size();
    }
  }
  if (best < 0) {
    const qsizetype eq = arg.indexOf(QLatin1Char('='));
    error = eq < 0 ? MSG_SET_SYNTAX.Get().arg(arg) : MSG_UNKNOWN_LABEL.Get().arg(arg.left(eq));
    return std::nullopt;
  }
  const QString label = QString::fromLatin1(ParamInfoAt(best).label);
  if (!IsSaved(best) || ParamInfoAt(best).page == EPage::None) {
    error = MSG_UNKNOWN_LABEL.Get().arg(label);
    return std::nullopt;
  }
  const QString value = arg.mid(label.size() + 1);
  Assignment a;
  a.index = best;
  if (ParamInfoAt(best).kind == EControlKind::List) {
    const auto pos = ListPosition(best, value);
    if (!pos) {
      error = MSG_BAD_VALUE.Get().arg(label, value);
      return std::nullopt;
    }
    a.selection = *pos;
    return a;
  }
  if (const QString why = TextProblem(best, value); !why.isEmpty()) {
    error = why;
    return std::nullopt;
  }
  a.text = value;
  return a;
}

} // namespace cli
