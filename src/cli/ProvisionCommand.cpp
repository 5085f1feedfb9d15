// "provision": one configuration file, many devices at once. Everything the
// input can be wrong about is found before any port is opened; then every
// port runs its own device (CProvisionDevice) on this thread, the report gets
// a line as each one ends, and the summary table closes the run.
#include "cli/CliAssignment.h"
#include "cli/CliChanges.h"
#include "cli/CliSession.h"
#include "cli/Provision.h"
#include "base/Timing.h"
#include "host/TimeScaleWarning.h"
#include "params/Inventory.h"
#include "params/ParamValue.h"
#include "text/Gbk.h"
#include "text/Lang.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#ifdef Q_OS_UNIX
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#endif

using cli::Fail;

namespace {

inline constexpr CMsg MSG_NO_PORTS{"provision 需要 --port P（可重复）或 --ports GLOB",
                                   "provision needs --port P (repeatable) or --ports GLOB"};
inline constexpr CMsg MSG_NO_DEMO{"provision 不使用 --demo", "provision does not take --demo"};
inline constexpr CMsg MSG_GLOB_DIR{"--ports：只有最后一段可以含通配符：%1",
                                   "--ports: only the last part may hold wildcards: %1"};
inline constexpr CMsg MSG_GLOB_NONE{"--ports %1 没有匹配任何串口", "--ports %1 matches no port"};
inline constexpr CMsg MSG_DUP_PORT{"串口 %1 给了两次", "port %1 is given twice"};
inline constexpr CMsg MSG_VARS_OPEN{"无法打开 %1：%2", "cannot open %1: %2"};
inline constexpr CMsg MSG_VARS_BIG{"%1 太大", "%1 is too large"};
inline constexpr CMsg MSG_NEEDS_VARS{"%1 中有占位符 ${%2}，但没有 --vars",
                                     "%1 holds the placeholder ${%2} but no --vars is given"};
inline constexpr CMsg MSG_UNKNOWN_COLUMN{"%1：列“%2”不是 port，也不是配置文件中的占位符",
                                         "%1: column \"%2\" is neither port nor a placeholder of the file"};
inline constexpr CMsg MSG_NO_COLUMN{"%1：占位符 ${%2} 没有对应的列", "%1: placeholder ${%2} has no column"};
inline constexpr CMsg MSG_ROW_DUP_PORT{"%1：第 %2 行的串口 %3 已在前面出现", "%1: row %2 names port %3 a second time"};
inline constexpr CMsg MSG_ROW_NO_DEVICE{"%1：第 %2 行的串口 %3 不在要配置的串口中",
                                        "%1: row %2 is for port %3, which is not one of the ports"};
inline constexpr CMsg MSG_PORT_NO_ROW{"%1：串口 %2 没有对应的行", "%1: port %2 has no row"};
inline constexpr CMsg MSG_ROW_COUNT{"%1：%2 个串口，但有 %3 行（没有 port 列时按设备上电顺序一行对应一台）",
                                    "%1: %2 ports but %3 rows (without a port column each device that comes up "
                                    "takes the next row)"};
inline constexpr CMsg MSG_ROW_VALUE{"%1 第 %2 行：%3", "%1 row %2: %3"};
inline constexpr CMsg MSG_REPORT_OPEN{"无法写入报告 %1：%2", "cannot write the report %1: %2"};
inline constexpr CMsg MSG_LOGDIR{"无法创建目录 %1", "cannot create the directory %1"};
inline constexpr CMsg MSG_ROWS_USED{"没有剩下的行", "no row is left for it"};
inline constexpr CMsg MSG_INTERRUPTED{">>> 已中断\n", ">>> Interrupted\n"};

bool StderrIsTerminal() {
#ifdef Q_OS_UNIX
  return ::isatty(STDERR_FILENO) != 0;
#elif defined(Q_OS_WIN)
  return ::_isatty(::_fileno(stderr)) != 0;
#else
  return false;
#endif
}

// The same device under two names (a link and its target) is one port.
QString PortKey(const QString &port) {
  const QString canonical = QFileInfo(port).canonicalFilePath();
  return canonical.isEmpty() ? port : canonical;
}

bool HasWildcard(const QString &s) {
  return s.contains(QLatin1Char('*')) || s.contains(QLatin1Char('?')) || s.contains(QLatin1Char('['));
}

// The ports of --port and --ports, each once; false (with the reason) on bad input.
bool CollectPorts(CCliContext &ctx, const CliInvocation &inv, QStringList &ports) {
  ports = inv.Values("port");
  if (inv.Has("ports")) {
    const QString glob = inv.Value("ports");
    const QFileInfo info(glob);
    if (HasWildcard(info.path())) {
      Fail(ctx, MSG_GLOB_DIR.Get().arg(glob));
      return false;
    }
    QDir dir(info.path());
    const QStringList names =
        dir.entryList({info.fileName()}, QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    if (names.isEmpty()) {
      Fail(ctx, MSG_GLOB_NONE.Get().arg(glob));
      return false;
    }
    for (const QString &name : names)
      ports << (info.path() == QLatin1String(".") && !glob.startsWith(QLatin1String("./")) ? name : dir.filePath(name));
  }
  if (ports.isEmpty()) {
    Fail(ctx, MSG_NO_PORTS.Get());
    return false;
  }
  QStringList keys;
  for (const QString &p : ports) {
    const QString key = PortKey(p);
    if (keys.contains(key)) {
      Fail(ctx, MSG_DUP_PORT.Get().arg(p));
      return false;
    }
    keys << key;
  }
  return true;
}

// Why a filled-in file cannot be written, naming the label; empty when it can.
// Values that came from a placeholder get the same checks as "set" gives its values.
QString FilledProblem(const ParamArray &file, const ParamArray &filled) {
  for (int i = 0; i < PARAM_COUNT; ++i) {
    const ParamEntry &e = filled[static_cast<size_t>(i)];
    if (!e.bFound || !IsSaved(i))
      continue;
    const bool fromVars = file[static_cast<size_t>(i)].szValue != e.szValue;
    QString why = ValueProblem(i, e.szValue);
    if (why.isEmpty() && fromVars && ParamInfoAt(i).kind != EControlKind::List)
      why = cli::TextProblem(i, text::FromGbk(e.szValue));
    if (!why.isEmpty())
      return why;
  }
  return QString();
}

// The configuration every device gets: the file, or one per inventory row.
struct Plan {
  ParamArray file{};
  bool byRows = false;
  bool byPort = false;
  std::vector<ParamArray> rowFiles; // per row, filled in
  QHash<QString, int> rowOfPort;    // port key -> row index (with a port column)
  qsizetype nextRow = 0;            // without one: the next device to come up takes it
};

// Reads --vars and checks it against the file and the ports; false with the reason.
bool PlanRows(CCliContext &ctx, const CliInvocation &inv, const QStringList &ports, Plan &plan) {
  const QString path = inv.args.value(0);
  QStringList placeholders;
  QString why;
  if (!TablePlaceholders(plan.file, placeholders, &why)) {
    Fail(ctx, path + QStringLiteral(": ") + why);
    return false;
  }
  if (!inv.Has("vars")) {
    if (!placeholders.isEmpty()) {
      Fail(ctx, MSG_NEEDS_VARS.Get().arg(path, placeholders.first()));
      return false;
    }
    if (const QString problem = FilledProblem(plan.file, plan.file); !problem.isEmpty()) {
      Fail(ctx, path + QStringLiteral(": ") + problem);
      return false;
    }
    return true;
  }
  const QString varsPath = inv.Value("vars");
  QFile f(varsPath);
  if (!f.open(QIODevice::ReadOnly)) {
    Fail(ctx, MSG_VARS_OPEN.Get().arg(varsPath, f.errorString()));
    return false;
  }
  const QByteArray text = f.read(INVENTORY_SIZE_LIMIT + 1);
  if (text.size() > INVENTORY_SIZE_LIMIT) {
    Fail(ctx, MSG_VARS_BIG.Get().arg(varsPath));
    return false;
  }
  const std::optional<CsvTable> csv = ParseCsv(text, &why);
  if (!csv) {
    Fail(ctx, varsPath + QStringLiteral(": ") + why);
    return false;
  }
  const qsizetype portColumn = csv->header.indexOf(QStringLiteral("port"));
  for (const QString &name : csv->header) {
    if (name != QLatin1String("port") && !placeholders.contains(name)) {
      Fail(ctx, MSG_UNKNOWN_COLUMN.Get().arg(varsPath, name));
      return false;
    }
  }
  for (const QString &name : placeholders) {
    if (!csv->header.contains(name)) {
      Fail(ctx, MSG_NO_COLUMN.Get().arg(varsPath, name));
      return false;
    }
  }
  QStringList portKeys;
  for (const QString &p : ports)
    portKeys << PortKey(p);
  plan.byRows = true;
  plan.byPort = portColumn >= 0;
  for (qsizetype r = 0; r < csv->rows.size(); ++r) {
    const QStringList &row = csv->rows[r];
    QHash<QString, QString> vars;
    for (qsizetype c = 0; c < csv->header.size(); ++c)
      vars.insert(csv->header[c], row[c]);
    const int rowNumber = static_cast<int>(r) + 1;
    if (plan.byPort) {
      const QString port = row[portColumn];
      const QString key = PortKey(port);
      if (plan.rowOfPort.contains(key)) {
        Fail(ctx, MSG_ROW_DUP_PORT.Get().arg(varsPath).arg(rowNumber).arg(port));
        return false;
      }
      if (!portKeys.contains(key)) {
        Fail(ctx, MSG_ROW_NO_DEVICE.Get().arg(varsPath).arg(rowNumber).arg(port));
        return false;
      }
      plan.rowOfPort.insert(key, static_cast<int>(r));
    }
    const std::optional<ParamArray> filled = FillTable(plan.file, vars, &why);
    if (!filled) {
      Fail(ctx, MSG_ROW_VALUE.Get().arg(varsPath).arg(rowNumber).arg(why));
      return false;
    }
    if (const QString problem = FilledProblem(plan.file, *filled); !problem.isEmpty()) {
      Fail(ctx, MSG_ROW_VALUE.Get().arg(varsPath).arg(rowNumber).arg(problem));
      return false;
    }
    plan.rowFiles.push_back(*filled);
  }
  if (plan.byPort) {
    for (qsizetype i = 0; i < ports.size(); ++i) {
      if (!plan.rowOfPort.contains(portKeys[i])) {
        Fail(ctx, MSG_PORT_NO_ROW.Get().arg(varsPath, ports[i]));
        return false;
      }
    }
  } else if (csv->rows.size() != ports.size()) {
    Fail(ctx, MSG_ROW_COUNT.Get().arg(varsPath).arg(ports.size()).arg(csv->rows.size()));
    return false;
  }
  return true;
}

CProvisionDevice::Assignment Assign(Plan &plan, const QString &port) {
  CProvisionDevice::Assignment a;
  if (!plan.byRows) {
    a.file = plan.file;
    return a;
  }
  qsizetype row = -1;
  if (plan.byPort)
    row = plan.rowOfPort.value(PortKey(port), -1);
  else if (plan.nextRow < static_cast<qsizetype>(plan.rowFiles.size()))
    row = plan.nextRow++;
  if (row < 0) {
    a.error = MSG_ROWS_USED.Get();
    return a;
  }
  a.file = plan.rowFiles[static_cast<size_t>(row)];
  a.row = static_cast<int>(row) + 1;
  return a;
}

// The live lines: on a terminal one line per device rewritten in place, else a
// timestamped line whenever a device's state changes.
class CProgress {
public:
  CProgress(CCliContext &ctx, bool terminal) : m_ctx(ctx), m_terminal(terminal) {}

  void Show(const std::vector<std::unique_ptr<CProvisionDevice>> &devices) {
    QStringList lines;
    int width = 0;
    for (const auto &d : devices)
      width = std::max(width, static_cast<int>(d->Port().size()));
    for (const auto &d : devices)
      lines << d->Port().leftJustified(width) + QStringLiteral("  ") + d->StageText();
    if (m_terminal) {
      if (lines == m_last)
        return;
      QString out;
      if (!m_last.isEmpty())
        out += QStringLiteral("\x1b[%1A").arg(m_last.size());
      for (const QString &line : lines)
        out += QStringLiteral("\r\x1b[K") + line + QLatin1Char('\n');
      m_ctx.Err(out);
      m_last = lines;
      return;
    }
    if (m_last.size() != lines.size())
      m_last = QStringList(lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
      if (lines[i] == m_last[i])
        continue;
      m_ctx.Err(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz ")) + lines[i] +
                QLatin1Char('\n'));
      m_last[i] = lines[i];
    }
  }

private:
  CCliContext &m_ctx;
  bool m_terminal;
  QStringList m_last;
};

QString SummaryTable(const std::vector<std::unique_ptr<CProvisionDevice>> &devices) {
  std::vector<QStringList> rows;
  rows.push_back({QStringLiteral("PORT"), QStringLiteral("OUTCOME"), QStringLiteral("MODULE"),
                  QStringLiteral("VERSION"), QStringLiteral("WRITTEN"), QStringLiteral("FAILED"),
                  QStringLiteral("VERIFIED"), QStringLiteral("SECONDS")});
  for (const auto &d : devices) {
    const QString outcome = d->StageText();
    rows.push_back({d->Port(), outcome, d->Module().isEmpty() ? QStringLiteral("-") : d->Module(),
                    d->Version().isEmpty() ? QStringLiteral("-") : d->Version(), QString::number(d->WrittenCount()),
                    QString::number(d->FailedCount()), d->Verified() ? QStringLiteral("yes") : QStringLiteral("no"),
                    QString::number(d->Seconds(), 'f', 1)});
  }
  std::vector<qsizetype> width(rows[0].size(), 0);
  for (const QStringList &r : rows)
    for (qsizetype c = 0; c < r.size(); ++c)
      width[static_cast<size_t>(c)] = std::max(width[static_cast<size_t>(c)], r[c].size());
  QString out;
  for (const QStringList &r : rows) {
    QString line;
    for (qsizetype c = 0; c < r.size(); ++c)
      line += r[c].leftJustified(width[static_cast<size_t>(c)] + 2);
    out += line.trimmed() + QLatin1Char('\n');
  }
  return out;
}

QString LogFileName(const QString &port) {
  QString name = port;
  while (name.startsWith(QLatin1Char('/')))
    name.remove(0, 1);
  name.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
  name.replace(QLatin1Char(':'), QLatin1Char('_'));
  return name + QStringLiteral(".log");
}

} // namespace

int CliProvision(CCliContext &ctx, const CliInvocation &inv) {
  CTiming::InitFromEnvironment();
  if (inv.Has("demo")) {
    Fail(ctx, MSG_NO_DEMO.Get());
    return CLI_EXIT_USAGE;
  }
  QStringList ports;
  if (!CollectPorts(ctx, inv, ports))
    return CLI_EXIT_USAGE;
  QString baud = QStringLiteral("115200");
  double waitSeconds = 60;
  for (const char *name : {"baud", "wait"}) {
    if (!inv.Has(name))
      continue;
    const auto v = cli::PositiveNumber(inv.Value(name));
    if (!v || (QLatin1String(name) == QLatin1String("baud") && *v != static_cast<int>(*v))) {
      Fail(ctx, MSG_BAD_NUMBER.Get().arg(QLatin1String(name), inv.Value(name)));
      return CLI_EXIT_USAGE;
    }
    if (QLatin1String(name) == QLatin1String("baud"))
      baud = QString::number(static_cast<int>(*v));
    else
      waitSeconds = *v;
  }
  Plan plan;
  const std::optional<ParamArray> file = cli::CheckedFile(ctx, inv.args[0], false);
  if (!file)
    return CLI_EXIT_USAGE;
  plan.file = *file;
  if (!PlanRows(ctx, inv, ports, plan))
    return CLI_EXIT_USAGE;
  QFile report;
  if (inv.Has("report")) {
    report.setFileName(inv.Value("report"));
    if (!report.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      Fail(ctx, MSG_REPORT_OPEN.Get().arg(report.fileName(), report.errorString()));
      return CLI_EXIT_USAGE;
    }
  }
  const QString logDir = inv.Value("log-dir");
  if (inv.Has("log-dir") && !QDir().mkpath(logDir)) {
    Fail(ctx, MSG_LOGDIR.Get().arg(logDir));
    return CLI_EXIT_USAGE;
  }

  // From here on devices are touched.
  cli::CatchInterrupts();
  if (const QString warning = TimeScaleWarning(); !warning.isEmpty())
    ctx.Err(QString(warning).remove(QLatin1Char('\r')));
  QElapsedTimer clock;
  clock.start();
  std::vector<std::unique_ptr<CProvisionDevice>> devices;
  for (const QString &port : ports)
    devices.push_back(std::make_unique<CProvisionDevice>(port, baud, static_cast<qint64>(waitSeconds * 1000), clock,
                                                         [&plan](const QString &p) { return Assign(plan, p); }));
  std::vector<bool> reported(devices.size(), false);
  auto finish = [&](size_t i) {
    if (reported[i] || !devices[i]->Ended())
      return;
    reported[i] = true;
    if (report.isOpen()) {
      report.write((devices[i]->ReportJson() + QLatin1Char('\n')).toUtf8());
      report.flush();
    }
    if (!logDir.isEmpty()) {
      QFile log(QDir(logDir).filePath(LogFileName(devices[i]->Port())));
      if (log.open(QIODevice::WriteOnly | QIODevice::Truncate))
        log.write(devices[i]->LogText().remove(QLatin1Char('\r')).toUtf8());
    }
  };
  for (size_t i = 0; i < devices.size(); ++i) {
    devices[i]->Start();
    finish(i);
  }

  CProgress progress(ctx, StderrIsTerminal());
  QEventLoop loop;
  QTimer tick;
  QElapsedTimer sinceShown;
  sinceShown.start();
  progress.Show(devices);
  QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
    bool all = true;
    const bool interrupted = cli::Interrupted();
    for (size_t i = 0; i < devices.size(); ++i) {
      if (interrupted)
        devices[i]->Interrupt();
      else
        devices[i]->Step();
      finish(i);
      all = all && devices[i]->Ended();
    }
    if (all || sinceShown.elapsed() >= 100) {
      progress.Show(devices);
      sinceShown.restart();
    }
    if (all)
      loop.quit();
  });
  tick.start(10);
  loop.exec();
  if (cli::Interrupted())
    ctx.Err(MSG_INTERRUPTED.Get());

  ctx.Out(SummaryTable(devices));
  for (const auto &d : devices) {
    if (d->Outcome() != EProvisionOutcome::Ok && d->Outcome() != EProvisionOutcome::Unchanged)
      return CLI_EXIT_FAILED;
  }
  return CLI_EXIT_OK;
}
