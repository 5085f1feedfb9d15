// The device commands of strelvane-cli. They run the main window's engine
// (CDeviceController) on the headless host and the in-memory pages: open the
// port, answer the start-up prompt, run the configuration-state entry, then
// the command's operation. The log goes to stderr exactly as the window shows it.
#include "cli/CliAssignment.h"
#include "cli/CliChanges.h"
#include "cli/CliSession.h"
#include "params/ConfigFile.h"
#include "params/PageFill.h"
#include "params/ParamMessages.h"
#include "params/ParamValue.h"
#include "schedule/Clock.h"
#include "schedule/Schedule.h"
#include "text/Gbk.h"

#include <QRegularExpression>
#include <QTime>

#include <algorithm>
#include <optional>
#include <vector>

using cli::Fail;

namespace {

inline constexpr CMsg MSG_GROUP_MISSING{">>> 设备没有参数“%1”\r\n", ">>> The device does not have \"%1\"\r\n"};
inline constexpr CMsg MSG_BAD_CLOCK{"时间须写成 YYYY/MM/DD hh:mm:ss：%1", "the clock takes YYYY/MM/DD hh:mm:ss: %1"};
inline constexpr CMsg MSG_DRY_RUN{">>> 试运行：要写入 %1 个参数，没有写入任何参数\r\n",
                                  ">>> Dry run: %1 parameters would be written; nothing was written\r\n"};
inline constexpr CMsg MSG_DIFF_COUNT{">>> %1 个参数与文件不同\r\n", ">>> %1 parameters differ from the file\r\n"};
inline constexpr CMsg MSG_VERIFIED{">>> 设备与文件中的 %1 个参数一致\r\n",
                                   ">>> The device holds the file's %1 entries\r\n"};
inline constexpr CMsg MSG_UNLISTED{"（设备没有列出）", "(not listed by the device)"};

using Op = void (CDeviceController::*)(CDeviceController::OpDone);

int SimpleOperation(CCliContext &ctx, const CliInvocation &inv, Op op, bool printTable) {
  CCliSession s(ctx, inv);
  int rc = s.Begin();
  if (rc != CLI_EXIT_OK)
    return rc;
  rc = s.RunOp([&](CDeviceController::OpDone done) { (s.Device().*op)(std::move(done)); });
  if (rc == CLI_EXIT_OK && printTable)
    s.PrintTable();
  return rc;
}

// What writing the file to the loaded device would change: the file goes onto
// the pages as "apply" puts it there, and the walk's comparison decides.
std::vector<cli::PendingChange> FileChanges(CCliSession &s, const ParamArray &file, QStringList &problems) {
  FillPagesFromFile(file, s.Pages(), s.Device().Session().Table());
  return cli::PendingChanges(s.Pages(), s.Device().Session().Table(), &problems);
}

// --dry-run: the changes on stdout, nothing written; 2 when one cannot be written.
int DryRun(CCliSession &s, CCliContext &ctx) {
  QStringList problems;
  const auto changes = cli::PendingChanges(s.Pages(), s.Device().Session().Table(), &problems);
  for (const QString &p : problems)
    Fail(ctx, p);
  ctx.Out(cli::ChangesText(changes));
  s.Host().AppendOutput(MSG_DRY_RUN.Get().arg(changes.size()));
  return problems.isEmpty() ? CLI_EXIT_OK : CLI_EXIT_USAGE;
}

} // namespace

int CliLoad(CCliContext &ctx, const CliInvocation &inv) {
  CCliSession s(ctx, inv);
  const int rc = s.Begin();
  if (rc != CLI_EXIT_OK)
    return rc;
  if (inv.Has("json"))
    ctx.Out(cli::TableJson(s.Device().Session().Table().Snapshot(), PARAM_COUNT) + QLatin1Char('\n'));
  else
    s.PrintTable();
  if (inv.Has("cfg") && !s.Device().SaveConfigFile(inv.Value("cfg")))
    return CLI_EXIT_USAGE;
  return CLI_EXIT_OK;
}

int CliShow(CCliContext &ctx, const CliInvocation &inv) {
  return SimpleOperation(ctx, inv, &CDeviceController::ShowConfig, false);
}
int CliBaud(CCliContext &ctx, const CliInvocation &inv) {
  return SimpleOperation(ctx, inv, &CDeviceController::ShowBaudrate, false);
}
int CliDetect(CCliContext &ctx, const CliInvocation &inv) {
  return SimpleOperation(ctx, inv, &CDeviceController::AutoDetect, false);
}
int CliVersion(CCliContext &ctx, const CliInvocation &inv) {
  return SimpleOperation(ctx, inv, &CDeviceController::ShowVersion, false);
}
int CliSignal(CCliContext &ctx, const CliInvocation &inv) {
  return SimpleOperation(ctx, inv, &CDeviceController::ShowSignal, false);
}
int CliReload(CCliContext &ctx, const CliInvocation &inv) {
  return SimpleOperation(ctx, inv, &CDeviceController::LoadFromDevice, true);
}
int CliFactory(CCliContext &ctx, const CliInvocation &inv) {
  return SimpleOperation(ctx, inv, &CDeviceController::FactoryReset, true);
}
int CliShutdown(CCliContext &ctx, const CliInvocation &inv) {
  return SimpleOperation(ctx, inv, &CDeviceController::PowerOff, false);
}

int CliSet(CCliContext &ctx, const CliInvocation &inv) {
  // Every assignment is checked before the port is opened.
  std::vector<cli::Assignment> changes;
  for (const QString &arg : inv.args) {
    QString error;
    const auto a = cli::ParseAssignment(arg, error);
    if (!a) {
      Fail(ctx, error);
      return CLI_EXIT_USAGE;
    }
    changes.push_back(*a);
  }
  CCliSession s(ctx, inv);
  const int rc = s.Begin();
  if (rc != CLI_EXIT_OK)
    return rc;
  for (const cli::Assignment &a : changes) {
    // The walk skips a group the device did not list: say so rather than do nothing.
    const bool alarm = a.index >= PARAM_ALARM_FIRST && a.index <= PARAM_ALARM_LAST;
    const bool gps = a.index >= PARAM_GPS_FIRST && a.index <= PARAM_GPS_LAST;
    const CParamTable &table = s.Device().Session().Table();
    if ((alarm && !table.Found(PARAM_ALARM_FIRST)) || (gps && !table.Found(PARAM_GPS_FIRST))) {
      s.Host().AppendOutput(MSG_GROUP_MISSING.Get().arg(QString::fromLatin1(ParamInfoAt(a.index).label)));
      return CLI_EXIT_FAILED;
    }
  }
  for (const cli::Assignment &a : changes) {
    if (ParamInfoAt(a.index).kind == EControlKind::List) {
      s.Pages().SetParamSelection(a.index, a.selection);
      continue;
    }
    if (ParamInfoAt(a.index).kind == EControlKind::Schedule)
      s.Pages().SetScheduleDescription(a.index, DescribeSchedule(text::ToGbk(a.text)));
    s.Pages().SetParamText(a.index, a.text);
  }
  if (inv.Has("dry-run"))
    return DryRun(s, ctx);
  return s.RunOp([&](CDeviceController::OpDone done) { s.Device().SaveToDevice(std::move(done)); });
}

int CliApply(CCliContext &ctx, const CliInvocation &inv) {
  const QString path = inv.args[0];
  // The file is checked before the port is opened.
  const std::optional<ParamArray> file = cli::CheckedFile(ctx, path);
  if (!file)
    return CLI_EXIT_USAGE;
  CCliSession s(ctx, inv);
  const int rc = s.Begin();
  if (rc != CLI_EXIT_OK)
    return rc;
  if (inv.Has("dry-run")) {
    FillPagesFromFile(*file, s.Pages(), s.Device().Session().Table());
    return DryRun(s, ctx);
  }
  return s.RunOp([&](CDeviceController::OpDone done) { s.Device().LoadConfigFile(path, std::move(done)); });
}

namespace {
// What diff and verify share: the checked file, the device loaded, what a
// write of the file would change, its problems said; then report's turn.
template <class Report> int CompareWithFile(CCliContext &ctx, const CliInvocation &inv, Report report) {
  const std::optional<ParamArray> file = cli::CheckedFile(ctx, inv.args[0]);
  if (!file)
    return CLI_EXIT_USAGE;
  CCliSession s(ctx, inv);
  const int rc = s.Begin();
  if (rc != CLI_EXIT_OK)
    return rc;
  QStringList problems;
  const auto changes = FileChanges(s, *file, problems);
  for (const QString &p : problems)
    Fail(ctx, p);
  return report(s, *file, changes, problems);
}
} // namespace

int CliDiff(CCliContext &ctx, const CliInvocation &inv) {
  return CompareWithFile(ctx, inv,
                         [&](CCliSession &s, const ParamArray &, const auto &changes, const QStringList &problems) {
                           ctx.Out(cli::ChangesText(changes));
                           s.Host().AppendOutput(MSG_DIFF_COUNT.Get().arg(changes.size()));
                           if (!problems.isEmpty())
                             return CLI_EXIT_USAGE;
                           return changes.empty() ? CLI_EXIT_OK : CLI_EXIT_FAILED;
                         });
}

int CliVerify(CCliContext &ctx, const CliInvocation &inv) {
  return CompareWithFile(
      ctx, inv, [&](CCliSession &s, const ParamArray &file, const auto &changes, const QStringList &problems) {
        // Beyond what a write would change: schedules the device has no place for.
        QString unlisted;
        for (int i : cli::UnlistedEntries(file, s.Device().Session().Table()))
          unlisted += cli::LabelHead(i) + MSG_UNLISTED.Get() + QStringLiteral(" -> ") +
                      text::FromGbk(file[static_cast<size_t>(i)].szValue) + QLatin1Char('\n');
        ctx.Out(cli::ChangesText(changes) + unlisted);
        if (changes.empty() && unlisted.isEmpty() && problems.isEmpty()) {
          const auto held = std::count_if(file.begin(), file.begin() + CONFIG_READ_COUNT, [&](const ParamEntry &e) {
            return e.bFound != 0 && e.szValue != NO_EXIST && IsSaved(static_cast<int>(&e - file.data()));
          });
          s.Host().AppendOutput(MSG_VERIFIED.Get().arg(held));
          return CLI_EXIT_OK;
        }
        return problems.isEmpty() ? CLI_EXIT_FAILED : CLI_EXIT_USAGE;
      });
}

int CliClock(CCliContext &ctx, const CliInvocation &inv) {
  QByteArray clock;
  if (inv.args.isEmpty()) {
    clock = ClockStringNow();
  } else {
    const QString joined = inv.args.join(QLatin1Char(' ')).simplified();
    static const QRegularExpression FORM(
        QStringLiteral("^([0-9]{4}/[0-9]{2}/[0-9]{2})[ ,]([0-9]{2}:[0-9]{2}:[0-9]{2})$"));
    const QRegularExpressionMatch m = FORM.match(joined);
    std::optional<QByteArray> made;
    if (m.hasMatch() && QTime::fromString(m.captured(2), QStringLiteral("HH:mm:ss")).isValid())
      made = ClockStringFromText(m.captured(1).toLatin1(), m.captured(2).toLatin1());
    if (!made) {
      Fail(ctx, MSG_BAD_CLOCK.Get().arg(joined));
      return CLI_EXIT_USAGE;
    }
    clock = *made;
  }
  CCliSession s(ctx, inv);
  const int rc = s.Begin();
  if (rc != CLI_EXIT_OK)
    return rc;
  return s.RunOp([&](CDeviceController::OpDone done) { s.Device().SetDeviceClock(clock, std::move(done)); });
}

int CliComm(CCliContext &ctx, const CliInvocation &inv) {
  CCliSession s(ctx, inv);
  const int rc = s.Begin();
  if (rc != CLI_EXIT_OK)
    return rc;
  return s.RunOp([&](CDeviceController::OpDone done) { s.Device().RebootToCommState(std::move(done)); });
}
