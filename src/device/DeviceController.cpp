#include "device/DeviceController.h"

#include "device/DeviceMessages.h"
#include "device/PortFailure.h"
#include "host/DialogHost.h"
#include "params/PageControls.h"
#include "params/ConfigFile.h"
#include "params/PageFill.h"
#include "params/ParamMessages.h"
#include "params/ParamTable.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <algorithm>
#include <cstdlib>

namespace {
// Only the Chinese texts name the port.
QString WithPort(const CMsg &m, const QString &port) {
  const QString text = m.Get();
  return text.contains(QLatin1String("%1")) ? text.arg(port) : text;
}

// A decimal prefix as the C library reads it ("9600abc" is 9600, "abc" is 0).
int DecimalPrefix(const QString &text) { return std::atoi(text.toLatin1().constData()); }
} // namespace

CDeviceController::CDeviceController(DialogHost &host, PageControls &pages)
    : m_host(host),
      m_pages(pages), m_parts{host,
                              pages,
                              m_session,
                              m_serial,
                              m_engine,
                              m_at,
                              m_closing,
                              [this](int ms) { return Pause(ms); },
                              [this](std::function<void()> fn) { StartWorker(std::move(fn)); },
                              m_onSettingsLoaded,
                              [this](std::function<void()> fn) { return m_window->Call(std::move(fn)); }} {
  m_serial.SetOwner([this] { OnReceive(); }, [this](const QString &why) { OnPortLost(why); });
  m_engine.m_onPromptWatch = [this] { m_configRun.PromptWatch(); };
  m_engine.m_onDisplay = [this](const QByteArray &bytes, bool hex) {
    // One decoder for the whole stream: a character split across reads stays whole.
    m_host.AppendOutput(hex ? QString::fromLatin1(bytes) : m_rxDecoder.Decode(bytes.constData(), bytes.size()));
  };
}

CDeviceController::~CDeviceController() { Shutdown(); }

bool CDeviceController::Pause(int ms) { return !m_shutdownEvent.Wait(ms); }

// ---------------------------------------------------------------- workers

void CDeviceController::StartWorker(std::function<void()> fn) {
  if (m_closing.load())
    return;
  std::lock_guard lock(m_workersMutex);
  // Finished workers are joined here, so the list stays short.
  for (auto it = m_workers.begin(); it != m_workers.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = m_workers.erase(it);
    } else {
      ++it;
    }
  }
  auto done = std::make_shared<std::atomic<bool>>(false);
  m_workers.push_back(Worker{std::thread([fn = std::move(fn), done] {
                               fn();
                               done->store(true);
                             }),
                             done});
}

bool CDeviceController::WaitIdle(int timeoutMs) {
  auto idle = [this] {
    std::lock_guard lock(m_workersMutex);
    for (const auto &w : m_workers)
      if (!w.done->load())
        return false;
    return true;
  };
  QElapsedTimer t;
  t.start();
  while (!idle()) {
    if (t.elapsed() > timeoutMs)
      return false;
    // Workers call into this (the window) thread: keep serving them.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (!idle())
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

void CDeviceController::Shutdown() {
  if (m_closing.exchange(true))
    return;
  m_shutdownEvent.Set();
  m_cancelOpen.store(true); // a connection under way gives up at once
  m_window->Shutdown();     // and what would follow it does not run
  m_engine.StopRun();
  // The host carries out nothing more: a worker inside a host call is
  // released, and one that reads a page from now on gets no value. Every
  // exchange checks the closing flag, set above, before it writes, so such a
  // value never reaches the device.
  m_host.ShutdownCalls();
  m_serial.Close(); // nothing more reaches the device
  std::list<Worker> workers;
  {
    std::lock_guard lock(m_workersMutex);
    workers.swap(m_workers);
  }
  for (auto &w : workers)
    w.thread.join();
}

// ---------------------------------------------------------------- receiving

void CDeviceController::OnReceive() { m_engine.OnSerialReceive(); }

void CDeviceController::OnPortLost(const QString &why) {
  m_engine.StopRun();
  m_host.StopPromptTimer();
  const QString text = PortLostText(why);
  Log(text);
  if (m_onPortLost)
    m_onPortLost(text);
  m_pages.DisableAllPages();
  m_host.EnableOperationButtons(false);
  m_host.UpdatePortControls();
}

void CDeviceController::LogLineNotice() { m_parts.LogLineNotice(); }

void CDeviceController::OnPromptTimer() { m_serial.WriteString("s"); }

void CDeviceController::StartConfigRun(int promptPeriodMs) { m_configRun.Start(promptPeriodMs); }

// ---------------------------------------------------------------- port and state selection

void CDeviceController::OpenClosePort(const QString &port, const QString &label, const QString &baudText) {
  if (m_opening.load())
    return; // an open under way ends first (or is cancelled)
  if (!m_serial.IsOpen()) {
    AfterOpen(port, label, m_serial.Open(port, DecimalPrefix(baudText), 8, 0, 0));
    return;
  }
  m_engine.StopRun();
  m_host.StopPromptTimer();
  m_serial.Close();
  Log(msg::PORT_CLOSED.Get());
  m_pages.DisableAllPages();
  m_host.EnableOperationButtons(false);
  // A run stopped after the menu had closed the way to communication state.
  m_host.EnableControl(ID_RADIO_COMM, true);
}

bool CDeviceController::OpenPortInBackground(const QString &port, const QString &label, const QString &baudText,
                                             std::function<void()> settled) {
  if (m_closing.load() || m_serial.IsOpen() || m_opening.exchange(true))
    return false;
  m_cancelOpen.store(false);
  Log(msg::CONNECTING.Get().arg(label));
  m_host.UpdatePortControls();
  const int baud = DecimalPrefix(baudText);
  StartWorker([this, port, label, baud, settled = std::move(settled)] {
    const OpenResult opened = m_serial.Open(port, baud, 8, 0, 0, &m_cancelOpen);
    // What follows an open belongs to the window thread, as it does for a local port.
    m_window->Post([this, port, label, opened, settled] {
      m_opening.store(false);
      if (opened.error == EOpenError::Cancelled || m_cancelOpen.load()) {
        m_lastOpenError = EOpenError::Cancelled;
        m_serial.Close(); // given up just as it opened
        Log(msg::CONNECT_CANCELLED.Get().arg(label));
      } else {
        AfterOpen(port, label, opened);
      }
      m_host.UpdatePortControls();
      if (settled)
        settled();
    });
  });
  return true;
}

void CDeviceController::CancelOpen() {
  if (m_opening.load())
    m_cancelOpen.store(true);
}

void CDeviceController::AfterOpen(const QString &port, const QString &label, const OpenResult &opened) {
  m_lastOpenError = opened.error;
  if (!opened) {
    // A port that opened but refused its line settings is not left half open.
    m_serial.Close();
    Log((m_engine.CommMode() ? msg::OPEN_FAILED_COMM : msg::OPEN_FAILED_CONFIG).Get());
    // Then why, in words the user can act on (absent, busy, the dialout group).
    Log(OpenFailureReason(port, opened.error, opened.detail));
    return;
  }
  LogLineNotice();
  if (m_engine.CommMode()) {
    Log(WithPort(msg::OPENED_COMM, label));
    m_host.StopPromptTimer();
    m_pages.DisableAllPages();
  } else {
    Log(WithPort(msg::OPENED_CONFIG, label));
    m_engine.ClearStop();
    StartConfigRun(PROMPT_PERIOD_OPEN_MS);
  }
}

void CDeviceController::SelectConfigState(const QString &baudText) {
  if (!m_engine.CommMode())
    return;
  m_host.StopPromptTimer();
  m_engine.StopRun();
  m_engine.SetCommMode(false);
  // Configuration state always shows its own layout, port or no port: the
  // terminal layout would send typed keys into the next configuration run.
  m_host.SetConfigurationLayout();
  if (!m_serial.IsOpen()) {
    Log(msg::CONFIG_NEEDS_PORT.Get());
    return;
  }
  Log(msg::CONFIG_WAITING.Get());
  m_serial.SetState(DecimalPrefix(baudText), 8, 0, 0);
  LogLineNotice();
  m_engine.ClearStop();
  StartConfigRun(PROMPT_PERIOD_SELECT_MS);
}

void CDeviceController::SelectCommState() {
  if (m_engine.CommMode())
    return;
  m_engine.SetCommMode(true);
  m_host.StopPromptTimer();
  m_engine.StopRun();
  m_host.EnableControl(ID_RADIO_CONFIG, false);
  m_host.SetCommunicationLayout();
  m_host.EnableOperationButtons(false);
  m_pages.DisableAllPages();
  Log((m_serial.IsOpen() ? msg::COMM_REBOOT_OR_REPOWER : msg::COMM_NEEDS_PORT).Get());
  m_host.EnableControl(ID_RADIO_CONFIG, true);
}

void CDeviceController::RebootToCommState(OpDone done) {
  m_host.EnableControl(ID_RADIO_CONFIG, false);
  m_host.EnableControl(ID_REBOOT_COMM, false);
  m_host.StopPromptTimer();
  m_engine.SetCommMode(true);
  m_engine.StopRun();
  m_host.SetCommStateSelected(true);
  m_host.SetCommunicationLayout();
  if (!m_serial.IsOpen()) {
    Log(msg::REBOOT_NEEDS_PORT.Get());
    m_host.EnableControl(ID_RADIO_CONFIG, true);
    if (done)
      done(false);
    return;
  }
  m_host.EnableOperationButtons(false);
  m_pages.DisableAllPages();
  StartWorker([this, abort = m_parts.OperationAbort(), done = std::move(done)] {
    const bool ok = m_operations.Reboot(abort);
    if (done)
      done(ok);
  });
}

// ---------------------------------------------------------------- device operations

void CDeviceController::ShowConfig(OpDone done) {
  Log(msg::SHOW_CONFIG.Get());
  m_operations.SimpleQuery(REPLY_SETTINGS, &CAtCommand::SendShow, 10000, std::move(done));
}

void CDeviceController::ShowBaudrate(OpDone done) {
  Log(msg::SHOW_BAUDRATE.Get());
  m_operations.SimpleQuery(REPLY_IPR, &CAtCommand::QueryIpr, 5000, std::move(done));
}

void CDeviceController::ShowVersion(OpDone done) {
  Log(msg::SHOW_VERSION.Get());
  m_operations.SimpleQuery(REPLY_OK_SET, &CAtCommand::SendVer, 5000, std::move(done));
}

void CDeviceController::ShowSignal(OpDone done) {
  Log(msg::SHOW_SIGNAL.Get());
  m_operations.SimpleQuery(REPLY_CSQ, &CAtCommand::SendCsq, 5000, std::move(done));
}

void CDeviceController::AutoDetect(OpDone done) { m_operations.AutoCheck(std::move(done)); }
void CDeviceController::FactoryReset(OpDone done) { m_operations.FactoryReset(std::move(done)); }
void CDeviceController::LoadFromDevice(OpDone done) { m_operations.LoadFromDevice(std::move(done)); }
void CDeviceController::PowerOff(OpDone done) { m_operations.PowerOff(std::move(done)); }
void CDeviceController::SaveToDevice(OpDone done) { m_operations.SaveToDevice(std::move(done)); }
void CDeviceController::SaveToDevice(OpDone done, CDeviceOperations::SaveReport report) {
  m_operations.SaveToDevice(std::move(done), std::move(report));
}
void CDeviceController::Query(EReplyCode code, Sender send, int timeoutMs, CDeviceOperations::QueryDone done) {
  m_operations.Query(code, send, timeoutMs, std::move(done));
}

bool CDeviceController::SetDeviceClock(const QByteArray &clock, OpDone done) {
  return m_operations.SetDeviceClock(clock, std::move(done));
}

// ---------------------------------------------------------------- configuration files

bool CDeviceController::SaveConfigFile(const QString &path) {
  const ConfigFileResult r = WriteConfigFile(path, m_session.Table().Snapshot());
  if (!r.ok && !r.detail.isEmpty())
    Log(QStringLiteral(">>> %1: %2\r\n").arg(path, r.detail));
  m_host.ShowMessage(r.message, QString());
  return r.ok;
}

bool CDeviceController::LoadConfigFile(const QString &path, OpDone done) {
  auto fail = [&](const QString &message) {
    m_host.ShowMessage(message, QString());
    if (done)
      done(false);
    return false;
  };
  if (path.isEmpty())
    return fail(MSG_CFG_NO_PATH.Get());
  ParamArray file{};
  const ConfigFileResult r = ReadConfigFile(path, file);
  if (!r.ok) {
    if (!r.detail.isEmpty())
      Log(QStringLiteral(">>> %1: %2\r\n").arg(path, r.detail));
    return fail(r.message);
  }
  if (std::none_of(file.begin(), file.end(), [](const ParamEntry &e) { return e.bFound != 0; }))
    return fail(MSG_CFG_EMPTY.Get());
  FillPagesFromFile(file, m_pages, m_session.Table());
  m_operations.SaveToDevice(std::move(done), {}, true);
  return true;
}
