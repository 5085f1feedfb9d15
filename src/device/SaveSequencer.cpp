#include "device/SaveSequencer.h"

#include "device/AtCommand.h"
#include "device/DeviceMessages.h"
#include "device/ReplyEngine.h"
#include "host/DialogHost.h"
#include "params/PageControls.h"
#include "params/PageFill.h"
#include "schedule/Schedule.h"
#include "text/Gbk.h"
#include "text/Lang.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {
inline constexpr CMsg MSG_NOT_GBK{"“%1”的值含有 GBK 编码中没有的字符",
                                  "the value of \"%1\" holds characters GBK cannot encode"};
inline constexpr CMsg MSG_NO_GBK_CODEC{"本程序所用的 Qt 没有 GBK 编码，不能写入中文（“%1”）",
                                       "this build of Qt has no GBK codec: Chinese text cannot be written (\"%1\")"};
inline constexpr CMsg MSG_REFUSED{"以下参数不能写入设备，没有写入任何参数：\n%1",
                                  "These values cannot be written to the device; nothing was written:\n%1"};

QString Label(int index) { return QString::fromLatin1(ParamInfoAt(index).label); }
inline constexpr CMsg MSG_NOTHING_WRITTEN{">>> 已取消，没有写入任何参数\r\n",
                                          ">>> Cancelled: nothing was written to the device\r\n"};
} // namespace

ECompare CompareKind(int index) { return ParamInfoAt(index).compare; }

std::optional<QByteArray> ChangedValue(int index, PageControls &pages, const QByteArray &tableValue, QString *problem) {
  auto refuse = [&](const QString &why) -> std::optional<QByteArray> {
    if (problem)
      *problem = why;
    return std::nullopt;
  };
  // A list with nothing selected says nothing: writing it would put "-1" or
  // an empty value on the wire for a parameter the user never chose.
  if (ParamInfoAt(index).kind == EControlKind::List && pages.ParamSelection(index) < 0)
    return std::nullopt;
  if (CompareKind(index) == ECompare::Selection) {
    const int selection = pages.ParamSelection(index);
    if (selection == DeviceNumber(tableValue).value_or(0))
      return std::nullopt;
    return QByteArray::number(selection);
  }
  const QString text = pages.ParamText(index);
  // What the pages were filled with, unedited: not a change, even where the
  // device's bytes do not read back as the same bytes (no valid GBK).
  if (text == text::FromGbk(tableValue))
    return std::nullopt;
  const std::optional<QByteArray> encoded = text::EncodeGbk(text);
  if (!encoded)
    return refuse((text::GbkAvailable() ? MSG_NOT_GBK : MSG_NO_GBK_CODEC).Get().arg(Label(index)));
  const QByteArray &shown = *encoded;
  // The placeholder of a parameter the device did not list is no value.
  if (shown == NO_EXIST)
    return std::nullopt;
  // A number the device cannot hold is refused before it is compared: it
  // would wrap and could compare equal to the device's value.
  if (const QString why = ValueProblem(index, shown); !why.isEmpty())
    return refuse(why);
  bool differs = false;
  switch (CompareKind(index)) {
  case ECompare::Text:
    differs = shown != tableValue;
    break;
  case ECompare::Number:
    differs = DeviceNumber(shown) != DeviceNumber(tableValue);
    break;
  case ECompare::Contained:
    differs = !shown.contains(tableValue);
    break;
  case ECompare::Selection:
  case ECompare::Never:
    break;
  }
  if (!differs)
    return std::nullopt;
  return shown;
}

QString SaveEchoLine(int index, const QByteArray &value) {
  const SaveTexts &t = ParamInfoAt(index).texts;
  const char *echo = g_chineseUi.load() ? t.zhEcho : t.enEcho;
  if (!echo)
    return QString();
  const QString line = QString::fromUtf8(echo);
  return line.contains(QLatin1String("%1")) ? line.arg(text::FromGbk(value)) : line;
}

QString SaveSuccessLine(int index) {
  if (g_chineseUi.load())
    return QStringLiteral("设置成功\r\n\r\n");
  return QString::fromUtf8(ParamInfoAt(index).texts.enOk);
}

QString SaveFailureLine(int index) {
  if (g_chineseUi.load())
    return QStringLiteral("设置失败\r\n\r\n");
  return QString::fromUtf8(ParamInfoAt(index).texts.enFail);
}

EOutcome SaveParam(const SaveContext &ctx, const QByteArray &value, int index) {
  const QString echo = SaveEchoLine(index, value);
  if (!echo.isEmpty())
    ctx.host.AppendOutput(echo);
  const ParamInfo &info = ParamInfoAt(index);
  const CExchangeResult r = ctx.engine.Exchange(
      REPLY_OK_SET, [&] { return ctx.at.SetParam(ctx.serial, index, value); }, info.waitMs, ctx.abort);
  // Only the device's answer counts: a stop, a failed write or a busy engine
  // leave the table and the page with what the device last had.
  if (!r.Answered()) {
    ctx.host.AppendOutput(SaveFailureLine(index));
    return r.outcome;
  }
  ctx.session.Table().SetValue(index, value);
  switch (info.mirror) {
  case EMirror::PageText:
    ctx.pages.SetParamText(index, text::FromGbk(value));
    break;
  case EMirror::CommMode:
    ctx.session.Work().SetCommMode(value);
    break;
  case EMirror::Baudrate:
    ctx.session.Work().SetBaudrate(DeviceNumber(value).value_or(0));
    break;
  case EMirror::None:
    break;
  }
  ctx.host.AppendOutput(SaveSuccessLine(index));
  ctx.pause(1000);
  return EOutcome::Answered;
}

namespace {
// Every parameter the walk compares, in its order, with what the comparison found.
template <class F> void ForEachCompared(PageControls &pages, const CParamTable &table, F fn) {
  auto walk = [&](int first, int last) {
    for (int i = first; i <= last; ++i) {
      if (!IsSaved(i))
        continue;
      QString problem;
      const std::optional<QByteArray> value = ChangedValue(i, pages, table.Entry(i).szValue, &problem);
      fn(i, value, problem);
    }
  };
  walk(0, 45);
  if (table.Found(PARAM_ALARM_FIRST))
    walk(PARAM_ALARM_FIRST, PARAM_ALARM_LAST);
  if (table.Found(PARAM_GPS_FIRST))
    walk(PARAM_GPS_FIRST, PARAM_GPS_LAST);
}
} // namespace

std::vector<PageChange> PageChanges(PageControls &pages, const CParamTable &table, QStringList *problems) {
  std::vector<PageChange> changes;
  ForEachCompared(pages, table, [&](int i, const std::optional<QByteArray> &value, const QString &problem) {
    if (value)
      changes.push_back({i, *value});
    else if (!problem.isEmpty() && problems)
      *problems << problem;
  });
  return changes;
}

std::vector<int> DifferingParams(PageControls &pages, const CParamTable &table) {
  std::vector<int> differing;
  ForEachCompared(pages, table, [&](int i, const std::optional<QByteArray> &value, const QString &problem) {
    if (value || !problem.isEmpty())
      differing.push_back(i);
  });
  return differing;
}

QList<WriteRow> WriteRows(const std::vector<PageChange> &changes, PageControls &pages, const CParamTable &table) {
  QList<WriteRow> rows;
  for (const PageChange &c : changes) {
    const ParamInfo &info = ParamInfoAt(c.index);
    const QByteArray device = table.Entry(c.index).szValue;
    QString label = Label(c.index).trimmed();
    if (label.endsWith(QLatin1Char(':')))
      label.chop(1);
    WriteRow row{label.trimmed(), text::FromGbk(device), text::FromGbk(c.value)};
    if (info.kind == EControlKind::Schedule) {
      row.from = QStringLiteral("%1  (%2)").arg(row.from, DescribeSchedule(device));
      row.to = QStringLiteral("%1  (%2)").arg(row.to, pages.ScheduleDescription(c.index));
    } else if (info.kind == EControlKind::List && info.encode == EEncode::ListIndex) {
      row.to = QStringLiteral("%1  (%2)").arg(row.to, pages.ParamText(c.index));
    }
    rows << row;
  }
  return rows;
}

bool HasUnwrittenEdits(PageControls &pages, const CParamTable &table) {
  QStringList problems;
  return !PageChanges(pages, table, &problems).empty() || !problems.isEmpty();
}

SaveResult SaveSettingsThread(const SaveContext &ctx) {
  ctx.host.EnableOperationButtons(false);
  SaveResult result;
  if (!ctx.pause(1000)) {
    result.stopped = true;
  } else {
    // Every changed value is read and checked before anything is written, so
    // a value the device cannot take stops the walk before its first command.
    QStringList problems;
    const std::vector<PageChange> changes = PageChanges(ctx.pages, ctx.session.Table(), &problems);

    if (ctx.abort()) {
      result.stopped = true;
    } else if (!problems.isEmpty()) {
      result.refused = true;
      result.problems = problems;
      for (const QString &p : problems)
        ctx.host.AppendOutput(QStringLiteral(">>> ") + p + QStringLiteral("\r\n"));
      ctx.host.ShowMessage(MSG_REFUSED.Get().arg(problems.join(QLatin1Char('\n'))), QString());
    } else if (!changes.empty() && !ctx.host.ConfirmWrites(WriteRows(changes, ctx.pages, ctx.session.Table()))) {
      result.cancelled = true;
      ctx.host.AppendOutput(MSG_NOTHING_WRITTEN.Get());
      // A configuration file's values declined: the pages show the device's again.
      if (ctx.revertOnCancel)
        FillPagesFromFile(ctx.session.Table().Snapshot(), ctx.pages, ctx.session.Table());
    } else {
      const int total = static_cast<int>(changes.size());
      ctx.host.ShowProgress(0, total);
      for (int n = 0; n < total; ++n) {
        const PageChange &change = changes[static_cast<size_t>(n)];
        if (ctx.abort()) {
          result.stopped = true;
          result.untried.assign(changes.begin() + n, changes.end());
          break;
        }
        const EOutcome outcome = SaveParam(ctx, change.value, change.index);
        result.items.push_back({change.index, change.value, outcome});
        if (outcome == EOutcome::Answered)
          ++result.written;
        else
          ++result.failures;
        ctx.host.ShowProgress(n + 1, total);
        // A stop ends the walk: the port is gone, or the device is in another state.
        if (outcome == EOutcome::Stopped || ctx.abort()) {
          result.stopped = true;
          result.untried.assign(changes.begin() + n + 1, changes.end());
          break;
        }
      }
    }
    if (result.stopped)
      ctx.host.AppendOutput(msg::SAVE_STOPPED.Get());
  }
  ctx.host.ShowProgress(0, 0);
  // After a stop the buttons stay as the stop has set them (a closed port, the
  // communication state): enabling them would offer operations that cannot run.
  if (!result.stopped)
    ctx.host.EnableOperationButtons(true);
  ctx.host.EnableSaveToFile();
  return result;
}
