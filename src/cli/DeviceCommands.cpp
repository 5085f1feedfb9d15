// The device commands of strelvane-cli. They run the main window's engine
// (CDeviceController) on the headless host and the in-memory pages: open the
// port, answer the start-up prompt, run the configuration-state entry, then
// the command's operation. The log goes to stderr exactly as the window shows it.
#include "cli/CliCommands.h"
#include "device/DeviceController.h"
#include "device/SaveSequencer.h"
#include "host/ConsoleHost.h"
#include "host/TimeScaleWarning.h"
#include "base/Timing.h"
#include "model/SimRunner.h"
#include "params/ConfigFile.h"
#include "params/PageItems.h"
#include "params/PageModel.h"
#include "params/ParamMessages.h"
#include "schedule/Clock.h"
#include "schedule/Schedule.h"
#include "text/Gbk.h"
#include "text/HexText.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTime>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

namespace {

inline constexpr CMsg MSG_NO_PORT{"缺少串口：请用 --port PATH 或 --demo", "no port given: use --port PATH or --demo"};
inline constexpr CMsg MSG_BAD_NUMBER{"选项 --%1 需要一个正数，而不是“%2”",
                                     "option --%1 needs a positive number, not \"%2\""};
inline constexpr CMsg MSG_DEMO_FAILED{"无法启动模拟设备", "cannot start the simulated device"};
inline constexpr CMsg MSG_NO_STARTUP{">>> 设备在 %1 秒内没有进入配置状态\r\n",
                                     ">>> The device did not enter configuration state within %1 s\r\n"};
inline constexpr CMsg MSG_NOT_LOADED{">>> 没有载入设备参数\r\n", ">>> The device's settings were not loaded\r\n"};
inline constexpr CMsg MSG_INTERRUPTED{">>> 已中断\r\n", ">>> Interrupted\r\n"};
inline constexpr CMsg MSG_SET_SYNTAX{"参数须写成 LABEL=VALUE：%1", "expected LABEL=VALUE: %1"};
inline constexpr CMsg MSG_UNKNOWN_LABEL{
    "未知参数“%1”（标签须与设备参数列表中的写法完全相同）",
    "unknown parameter \"%1\" (the label exactly as the device's listing spells it)"};
inline constexpr CMsg MSG_BAD_VALUE{"参数“%1”不接受值“%2”", "\"%1\" does not take the value \"%2\""};
inline constexpr CMsg MSG_GROUP_MISSING{">>> 设备没有参数“%1”\r\n", ">>> The device does not have \"%1\"\r\n"};
inline constexpr CMsg MSG_BAD_CLOCK{"时间须写成 YYYY/MM/DD hh:mm:ss：%1", "the clock takes YYYY/MM/DD hh:mm:ss: %1"};

// Set by SIGINT and SIGTERM; every wait polls it.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

void Fail(CCliContext &ctx, const QString &text) { ctx.Err(text + QLatin1Char('\n')); }

// Runs the event loop until pred holds, timeoutMs passes (< 0: never) or a
// signal arrives; returns pred().
bool Pump(const std::function<bool()> &pred, qint64 timeoutMs = -1) {
  QElapsedTimer t;
  t.start();
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (pred() || g_interrupted.load() || (timeoutMs >= 0 && t.elapsed() > timeoutMs))
      loop.quit();
  });
  if (!pred() && !g_interrupted.load()) {
    poll.start(5);
    loop.exec();
  }
  return pred();
}

std::optional<double> PositiveNumber(const QString &text) {
  bool ok = false;
  const double v = text.toDouble(&ok);
  if (!ok || !(v > 0) || v > 1e7)
    return std::nullopt;
  return v;
}

// One parameter change of "set": the index and what its control gets.
struct Assignment {
  int index = -1;
  QString text;       // edits, the baud combo and schedules
  int selection = -1; // lists
};

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

// Why value is not one the parameter takes, in words; empty when it is.
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

// Parses LABEL=VALUE; an error message when it is not one.
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

// CR LF of the received text becomes LF on stdout, also when a read ends between the two.
// True when no byte has its high bit set; eight bytes at a time.
bool IsAscii(const QByteArray &bytes) {
  const char *p = bytes.constData();
  const char *end = p + bytes.size();
  for (; end - p >= 8; p += 8) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if (word & 0x8080808080808080ULL)
      return false;
  }
  for (; p < end; ++p)
    if (*p & 0x80)
      return false;
  return true;
}

class CLineEndFilter {
public:
  QString Filter(const QString &in) {
    QString text = m_pendingCr ? QStringLiteral("\r") + in : in;
    m_pendingCr = text.endsWith(QLatin1Char('\r'));
    if (m_pendingCr)
      text.chop(1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
  }
  // The same for text known to be ASCII, without a detour through UTF-16:
  // appended to out in one pass, CR LF becoming LF.
  void FilterAsciiInto(const char *data, qsizetype n, QByteArray &out) {
    if (n <= 0)
      return;
    const qsizetype start = out.size();
    out.resize(start + n + 1);
    char *to = out.data() + start;
    if (m_pendingCr && data[0] != '\n')
      *to++ = '\r'; // a CR that was not the start of a line end
    m_pendingCr = false;
    const char *end = data + n;
    for (const char *p = data; p < end; ++p) {
      if (*p != '\r') {
        *to++ = *p;
        continue;
      }
      if (p + 1 == end) {
        m_pendingCr = true; // its LF may come with the next read
        break;
      }
      if (p[1] != '\n')
        *to++ = '\r';
    }
    out.truncate(to - out.constData());
  }
  QString Flush() {
    const bool cr = m_pendingCr;
    m_pendingCr = false;
    return cr ? QStringLiteral("\r") : QString();
  }

private:
  bool m_pendingCr = false;
};

// What monitor prints, gathered into few large writes: a write per received
// chunk costs a system call and a wake-up of the reader each, and a terminal
// reading the output spends its time on those instead of on the bytes.
class COutputBatch {
public:
  static constexpr int FLUSH_MS = 5;                // the longest an output byte waits
  static constexpr qsizetype FLUSH_BYTES = 1 << 18; // written at once from this size on

  explicit COutputBatch(CCliContext &ctx) : m_ctx(ctx) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(FLUSH_MS);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Flush(); });
  }
  ~COutputBatch() { Flush(); }
  COutputBatch(const COutputBatch &) = delete;
  COutputBatch &operator=(const COutputBatch &) = delete;

  void Add(const QByteArray &bytes) {
    m_pending += bytes;
    Added();
  }
  // Appending in place: write into Buffer(), then call Added().
  QByteArray &Buffer() { return m_pending; }
  void Added() {
    if (m_pending.size() >= FLUSH_BYTES)
      Flush();
    else if (!m_timer.isActive())
      m_timer.start();
  }
  void Flush() {
    m_timer.stop();
    if (m_pending.isEmpty())
      return;
    m_ctx.OutAscii(m_pending);
    m_pending.resize(0); // keeps its capacity for the next batch
  }

private:
  CCliContext &m_ctx;
  QTimer m_timer;
  QByteArray m_pending;
};

class CCliSession {
public:
  CCliSession(CCliContext &ctx, const CliInvocation &inv) : m_ctx(ctx), m_inv(inv), m_host(stderr) {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
  }
  ~CCliSession() { End(); }
  CCliSession(const CCliSession &) = delete;
  CCliSession &operator=(const CCliSession &) = delete;

  // The program-wide options; 0 or the exit status.
  int Prepare() {
    CTiming::InitFromEnvironment();
    if (const QString warning = TimeScaleWarning(); !warning.isEmpty())
      m_host.AppendOutput(warning); // the log, on stderr
    m_demo = m_inv.Has("demo");
    m_port = m_inv.Value("port");
    if (!m_demo && m_port.isEmpty()) {
      Fail(m_ctx, MSG_NO_PORT.Get());
      return CLI_EXIT_USAGE;
    }
    for (const char *name : {"baud", "wait"}) {
      if (!m_inv.Has(name))
        continue;
      const auto v = PositiveNumber(m_inv.Value(name));
      if (!v || (QLatin1String(name) == QLatin1String("baud") && *v != static_cast<int>(*v))) {
        Fail(m_ctx, MSG_BAD_NUMBER.Get().arg(QLatin1String(name), m_inv.Value(name)));
        return CLI_EXIT_USAGE;
      }
      if (QLatin1String(name) == QLatin1String("baud"))
        m_baud = QString::number(static_cast<int>(*v));
      else
        m_waitSeconds = *v;
    }
    m_device = std::make_unique<CDeviceController>(m_host, m_pages);
    m_host.m_onPromptTimer = [this] { m_device->OnPromptTimer(); };
    m_device->m_onSettingsLoaded = [loaded = m_loaded] { loaded->store(true); };
    return CLI_EXIT_OK;
  }

  // Starts the simulated device when asked and opens the port; 0 or CLI_EXIT_PORT.
  int Open() {
    if (m_demo) {
      sim::CSimRunOptions o;
      o.powerOnStart = false; // powered up a moment after the port opens, as a technician would
      if (!m_sim.Start(o)) {
        Fail(m_ctx, MSG_DEMO_FAILED.Get());
        return CLI_EXIT_PORT;
      }
      m_port = QString::fromStdString(m_sim.SlavePath());
    }
    m_device->OpenClosePort(m_port, m_port, m_baud);
    if (!m_device->Serial().IsOpen())
      return CLI_EXIT_PORT;
    if (m_demo) {
      m_demoTimer.setSingleShot(true);
      QObject::connect(&m_demoTimer, &QTimer::timeout, [this] { m_sim.Repower(); });
      m_demoTimer.start(CTiming::Ms(1000));
    }
    return CLI_EXIT_OK;
  }

  // Waits for the configuration-state entry to load the device; 0 or 1.
  int AwaitLoad() {
    // The wait for the start-up is the user's (unscaled); the run then takes what it takes.
    const bool started = Pump([this] { return !m_host.PromptTimerActive() || !m_device->RunActive(); },
                              static_cast<qint64>(m_waitSeconds * 1000));
    if (g_interrupted.load())
      return Interrupted();
    if (!started) {
      m_host.AppendOutput(MSG_NO_STARTUP.Get().arg(m_waitSeconds));
      return CLI_EXIT_FAILED;
    }
    Pump([this] { return !m_device->RunActive(); });
    if (g_interrupted.load())
      return Interrupted();
    if (PortLost())
      return CLI_EXIT_PORT;
    if (!m_loaded->load()) {
      m_host.AppendOutput(MSG_NOT_LOADED.Get());
      return CLI_EXIT_FAILED;
    }
    return CLI_EXIT_OK;
  }

  // Prepare, open and load: the common start of every device command.
  int Begin() {
    int rc = Prepare();
    if (rc == CLI_EXIT_OK)
      rc = Open();
    if (rc == CLI_EXIT_OK)
      rc = AwaitLoad();
    return rc;
  }

  // Starts an operation and waits for its end; 0 when it did what was asked.
  int RunOp(const std::function<void(CDeviceController::OpDone)> &start) {
    auto result = std::make_shared<std::atomic<int>>(-1);
    start([result](bool ok) { result->store(ok ? 1 : 0); });
    Pump([&] { return result->load() >= 0; });
    if (g_interrupted.load())
      return Interrupted();
    m_device->WaitIdle(CTiming::Ms(5000));
    if (PortLost())
      return CLI_EXIT_PORT;
    return result->load() == 1 ? CLI_EXIT_OK : CLI_EXIT_FAILED;
  }

  // The port went away under an operation (the log has said why).
  bool PortLost() const { return !m_device->Serial().IsOpen(); }

  void PrintTable() { m_ctx.Out(CliTableText(m_device->Session().Table().Snapshot(), PARAM_COUNT)); }

  int Interrupted() {
    m_host.AppendOutput(MSG_INTERRUPTED.Get());
    return CLI_EXIT_FAILED;
  }

  // Nothing more reaches the device; workers end; the simulated device stops.
  void End() {
    m_demoTimer.stop();
    m_host.ShutdownCalls();
    if (m_device)
      m_device->Shutdown();
    m_sim.Stop();
  }

  CDeviceController &Device() { return *m_device; }
  CPageModel &Pages() { return m_pages; }
  CConsoleHost &Host() { return m_host; }

private:
  CCliContext &m_ctx;
  const CliInvocation &m_inv;
  sim::CSimRunner m_sim; // outlives the controller whose port is its pty
  CConsoleHost m_host;
  CPageModel m_pages;
  std::unique_ptr<CDeviceController> m_device;
  std::shared_ptr<std::atomic<bool>> m_loaded = std::make_shared<std::atomic<bool>>(false);
  QTimer m_demoTimer;
  bool m_demo = false;
  QString m_port;
  QString m_baud = QStringLiteral("115200");
  double m_waitSeconds = 60;
};

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

} // namespace

int CliLoad(CCliContext &ctx, const CliInvocation &inv) {
  CCliSession s(ctx, inv);
  const int rc = s.Begin();
  if (rc != CLI_EXIT_OK)
    return rc;
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
  std::vector<Assignment> changes;
  for (const QString &arg : inv.args) {
    QString error;
    const auto a = ParseAssignment(arg, error);
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
  for (const Assignment &a : changes) {
    // The walk skips a group the device did not list: say so rather than do nothing.
    const bool alarm = a.index >= PARAM_ALARM_FIRST && a.index <= PARAM_ALARM_LAST;
    const bool gps = a.index >= PARAM_GPS_FIRST && a.index <= PARAM_GPS_LAST;
    const CParamTable &table = s.Device().Session().Table();
    if ((alarm && !table.Found(PARAM_ALARM_FIRST)) || (gps && !table.Found(PARAM_GPS_FIRST))) {
      s.Host().AppendOutput(MSG_GROUP_MISSING.Get().arg(QString::fromLatin1(ParamInfoAt(a.index).label)));
      return CLI_EXIT_FAILED;
    }
  }
  for (const Assignment &a : changes) {
    if (ParamInfoAt(a.index).kind == EControlKind::List) {
      s.Pages().SetParamSelection(a.index, a.selection);
      continue;
    }
    if (ParamInfoAt(a.index).kind == EControlKind::Schedule)
      s.Pages().SetScheduleDescription(a.index, DescribeSchedule(text::ToGbk(a.text)));
    s.Pages().SetParamText(a.index, a.text);
  }
  return s.RunOp([&](CDeviceController::OpDone done) { s.Device().SaveToDevice(std::move(done)); });
}

int CliApply(CCliContext &ctx, const CliInvocation &inv) {
  const QString path = inv.args[0];
  // The file is checked before the port is opened.
  ParamArray file{};
  const ConfigFileResult read = ReadConfigFile(path, file);
  if (!read.ok) {
    Fail(ctx, read.message + QStringLiteral(": ") + path +
                  (read.detail.isEmpty() ? QString() : QStringLiteral(": ") + read.detail));
    return CLI_EXIT_USAGE;
  }
  if (std::none_of(file.begin(), file.end(), [](const ParamEntry &e) { return e.bFound != 0; })) {
    Fail(ctx, MSG_CFG_EMPTY.Get() + QStringLiteral(": ") + path);
    return CLI_EXIT_USAGE;
  }
  // A value the device cannot take stops the command before the port opens.
  for (int i = 0; i < PARAM_COUNT; ++i) {
    const ParamEntry &e = file[static_cast<size_t>(i)];
    if (!e.bFound || !IsSaved(i))
      continue;
    if (const QString why = ValueProblem(i, e.szValue); !why.isEmpty()) {
      Fail(ctx, path + QStringLiteral(": ") + why);
      return CLI_EXIT_USAGE;
    }
  }
  CCliSession s(ctx, inv);
  const int rc = s.Begin();
  if (rc != CLI_EXIT_OK)
    return rc;
  return s.RunOp([&](CDeviceController::OpDone done) { s.Device().LoadConfigFile(path, std::move(done)); });
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

int CliMonitor(CCliContext &ctx, const CliInvocation &inv) {
  QByteArray payload;
  const bool send = inv.Has("send") || inv.Has("cr");
  if (inv.Has("send-hex")) {
    const auto bytes = text::ParseHexText(text::ToGbk(inv.Value("send")));
    if (!bytes) {
      Fail(ctx, MSG_HEX_TEXT_ERROR.Get());
      return CLI_EXIT_USAGE;
    }
    payload = *bytes;
  } else {
    payload = text::ToGbk(inv.Value("send"));
  }
  if (inv.Has("cr"))
    payload += '\r';
  int everyMs = 0;
  if (inv.Has("every")) {
    const auto v = PositiveNumber(inv.Value("every"));
    if (!v) {
      Fail(ctx, MSG_BAD_NUMBER.Get().arg(QStringLiteral("every"), inv.Value("every")));
      return CLI_EXIT_USAGE;
    }
    everyMs = std::max(10, static_cast<int>(*v)); // the terminal's lower limit
  }
  double forSeconds = -1;
  if (inv.Has("for")) {
    const auto v = PositiveNumber(inv.Value("for"));
    if (!v) {
      Fail(ctx, MSG_BAD_NUMBER.Get().arg(QStringLiteral("for"), inv.Value("for")));
      return CLI_EXIT_USAGE;
    }
    forSeconds = *v;
  }

  COutputBatch out(ctx); // outlives the session, whose engine feeds it
  CCliSession s(ctx, inv);
  int rc = s.Prepare();
  if (rc != CLI_EXIT_OK)
    return rc;
  CDeviceController &d = s.Device();
  // Communication state first, so the start-up prompt is never answered.
  d.SelectCommState();
  d.Engine().SetHexDisplay(inv.Has("hex"));
  text::CGbkStreamDecoder decoder;
  CLineEndFilter lineEnds;
  bool anyHex = false;
  bool decoderEmpty = true; // no part of a character held back by the decoder
  d.Engine().m_onDisplay = [&](const QByteArray &bytes, bool hex) {
    if (hex) {
      anyHex = true;
      out.Add(bytes);
      return;
    }
    // ASCII is the same in GBK and UTF-8: it skips the decoder unless the
    // decoder holds the first byte of a character begun in the last chunk.
    if (decoderEmpty && IsAscii(bytes)) {
      lineEnds.FilterAsciiInto(bytes.constData(), bytes.size(), out.Buffer());
      out.Added();
      return;
    }
    out.Add(lineEnds.Filter(decoder.Decode(bytes.constData(), bytes.size())).toUtf8());
    // A chunk ending in a byte below 0x80 ends with a whole character (a GBK
    // first byte is 0x81 or above, a second byte completes it).
    decoderEmpty = !bytes.isEmpty() && (bytes.back() & 0x80) == 0;
  };
  rc = s.Open();
  if (rc != CLI_EXIT_OK)
    return rc;
  QTimer every;
  if (send) {
    d.Serial().Write(payload);
    if (everyMs > 0) {
      QObject::connect(&every, &QTimer::timeout, [&] { d.Serial().Write(payload); });
      every.start(everyMs);
    }
  }
  Pump([&] { return !d.Serial().IsOpen(); }, forSeconds < 0 ? -1 : static_cast<qint64>(forSeconds * 1000));
  every.stop();
  const bool lost = s.PortLost();
  // Nothing more is shown once the engine stops.
  s.End();
  out.Flush();
  ctx.Out(lineEnds.Flush() + (anyHex ? QStringLiteral("\n") : QString()));
  return lost ? CLI_EXIT_PORT : CLI_EXIT_OK;
}
