#include "cli/CliSession.h"

#include "serial/PortUrl.h"

#include "host/TimeScaleWarning.h"
#include "base/Timing.h"

#include <QElapsedTimer>
#include <QEventLoop>

#include <csignal>

namespace {

inline constexpr CMsg MSG_NO_PORT{"缺少串口：请用 --port PATH 或 --demo", "no port given: use --port PATH or --demo"};
inline constexpr CMsg MSG_DEMO_FAILED{"无法启动模拟设备", "cannot start the simulated device"};
inline constexpr CMsg MSG_NO_DEMO{"本程序构建时没有演示模式（--demo）", "this build has no demo mode (--demo)"};
inline constexpr CMsg MSG_NO_STARTUP{">>> 设备在 %1 秒内没有进入配置状态\r\n",
                                     ">>> The device did not enter configuration state within %1 s\r\n"};
inline constexpr CMsg MSG_NOT_LOADED{">>> 没有载入设备参数\r\n", ">>> The device's settings were not loaded\r\n"};
inline constexpr CMsg MSG_INTERRUPTED{">>> 已中断\r\n", ">>> Interrupted\r\n"};

// Set by SIGINT and SIGTERM; every wait polls it.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

} // namespace

namespace cli {

void Fail(CCliContext &ctx, const QString &text) { ctx.Err(text + QLatin1Char('\n')); }

bool Pump(const std::function<bool()> &pred, qint64 timeoutMs) {
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

bool Interrupted() { return g_interrupted.load(); }

void CatchInterrupts() {
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
}

std::optional<double> PositiveNumber(const QString &text) {
  bool ok = false;
  const double v = text.toDouble(&ok);
  if (!ok || !(v > 0) || v > 1e7)
    return std::nullopt;
  return v;
}

} // namespace cli

using cli::Fail;
using cli::Pump;

CCliSession::CCliSession(CCliContext &ctx, const CliInvocation &inv) : m_ctx(ctx), m_inv(inv), m_host(stderr) {
  cli::CatchInterrupts();
}

int CCliSession::Prepare() {
  CTiming::InitFromEnvironment();
  if (const QString warning = TimeScaleWarning(); !warning.isEmpty())
    m_host.AppendOutput(warning); // the log, on stderr
  m_demo = m_inv.Has("demo");
  if (m_demo && !CDemoDevice::Available()) {
    Fail(m_ctx, MSG_NO_DEMO.Get());
    return CLI_EXIT_USAGE;
  }
  m_port = m_inv.Value("port");
  if (!m_demo && m_port.isEmpty()) {
    Fail(m_ctx, MSG_NO_PORT.Get());
    return CLI_EXIT_USAGE;
  }
  for (const char *name : {"baud", "wait"}) {
    if (!m_inv.Has(name))
      continue;
    const auto v = cli::PositiveNumber(m_inv.Value(name));
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

int CCliSession::Open() {
  if (m_demo) {
    // Switched off until the port is open: powered up a moment later, as a technician would.
    m_demoDevice = std::make_unique<CDemoDevice>();
    if (!m_demoDevice->Start()) {
      Fail(m_ctx, MSG_DEMO_FAILED.Get());
      return CLI_EXIT_PORT;
    }
    m_port = m_demoDevice->Path();
  }
  if (ParsePortUrl(m_port).IsNetwork()) {
    // A device server may take seconds to answer; Ctrl-C ends the wait (End cancels the open).
    m_device->OpenPortInBackground(m_port, m_port, m_baud);
    Pump([this] { return !m_device->Opening(); });
    if (m_device->Opening())
      return Interrupted();
  } else {
    m_device->OpenClosePort(m_port, m_port, m_baud);
  }
  if (!m_device->Serial().IsOpen())
    return CLI_EXIT_PORT;
  if (m_demo) {
    m_demoTimer.setSingleShot(true);
    QObject::connect(&m_demoTimer, &QTimer::timeout, [this] { m_demoDevice->Repower(); });
    m_demoTimer.start(CTiming::Ms(1000));
  }
  return CLI_EXIT_OK;
}

int CCliSession::AwaitLoad() {
  // The wait for the start-up is the user's (unscaled); the run then takes what it takes.
  const bool started = Pump([this] { return !m_host.PromptTimerActive() || !m_device->RunActive(); },
                            static_cast<qint64>(m_waitSeconds * 1000));
  if (cli::Interrupted())
    return Interrupted();
  if (!started) {
    m_host.AppendOutput(MSG_NO_STARTUP.Get().arg(m_waitSeconds));
    return CLI_EXIT_FAILED;
  }
  Pump([this] { return !m_device->RunActive(); });
  if (cli::Interrupted())
    return Interrupted();
  if (PortLost())
    return CLI_EXIT_PORT;
  if (!m_loaded->load()) {
    m_host.AppendOutput(MSG_NOT_LOADED.Get());
    return CLI_EXIT_FAILED;
  }
  return CLI_EXIT_OK;
}

int CCliSession::Begin() {
  int rc = Prepare();
  if (rc == CLI_EXIT_OK)
    rc = Open();
  if (rc == CLI_EXIT_OK)
    rc = AwaitLoad();
  return rc;
}

int CCliSession::RunOp(const std::function<void(CDeviceController::OpDone)> &start) {
  auto result = std::make_shared<std::atomic<int>>(-1);
  start([result](bool ok) { result->store(ok ? 1 : 0); });
  Pump([&] { return result->load() >= 0; });
  if (cli::Interrupted())
    return Interrupted();
  m_device->WaitIdle(CTiming::Ms(5000));
  if (PortLost())
    return CLI_EXIT_PORT;
  return result->load() == 1 ? CLI_EXIT_OK : CLI_EXIT_FAILED;
}

void CCliSession::PrintTable() { m_ctx.Out(CliTableText(m_device->Session().Table().Snapshot(), PARAM_COUNT)); }

int CCliSession::Interrupted() {
  m_host.AppendOutput(MSG_INTERRUPTED.Get());
  return CLI_EXIT_FAILED;
}

void CCliSession::End() {
  m_demoTimer.stop();
  m_host.ShutdownCalls();
  if (m_device)
    m_device->Shutdown();
  m_demoDevice.reset();
}
