#include "device/DeviceController.h"

#include "device/DeviceMessages.h"
#include "device/PortFailure.h"
#include "device/SaveSequencer.h"
#include "host/DialogHost.h"
#include "params/PageControls.h"
#include "base/Timing.h"
#include "params/ConfigFile.h"
#include "params/PageFill.h"
#include "params/ParamMessages.h"
#include "params/ParamTable.h"
#include "params/SettingsParser.h"
#include "text/Gbk.h"

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

struct ModuleName {
  const char *marker;
  const char *shown;
};
// Searched in this order; the first name found in the reply wins.
const ModuleName MODULES[] = {
    {"MC37i", "MC37i"},
    {"ZTEiT", "ZTEiT"},
    {"SIMCOM_SIM700", "SIMCOM_SIM700"},
    {"GTM900C", "HUAWEI"},
    {"HSPA USB MODEM", "HSPA USB MODEM"},
    {"MC8630", "MC8630"},
};

QString ModuleMessage(const QByteArray &reply) {
  for (const auto &m : MODULES) {
    if (reply.contains(m.marker))
      return Tr("          模块类型%1\r\n\r\n", "          Module Type:%1\r\n\r\n").arg(QLatin1String(m.shown));
  }
  return msg::MODULE_UNKNOWN.Get();
}

struct LineFormat {
  const char *text;
  int dataBits;
  int parity;
};
const LineFormat LINE_FORMATS[] = {{"8N1", 8, 0}, {"8E1", 8, 2}, {"8O1", 8, 1},
                                   {"7O1", 7, 1}, {"7E1", 7, 2}, {"7N1", 7, 0}};
} // namespace

CDeviceController::CDeviceController(DialogHost &host, PageControls &pages) : m_host(host), m_pages(pages) {
  m_serial.SetOwner([this] { OnReceive(); }, [this](const QString &why) { OnPortLost(why); });
  m_engine.m_onPromptWatch = [this] { PromptWatch(); };
  m_engine.m_onDisplay = [this](const QByteArray &bytes, bool hex) {
    // One decoder for the whole stream: a character split across reads stays whole.
    m_host.AppendOutput(hex ? QString::fromLatin1(bytes) : m_rxDecoder.Decode(bytes.constData(), bytes.size()));
  };
}

CDeviceController::~CDeviceController() { Shutdown(); }

void CDeviceController::Log(const QString &text) {
  if (!text.isEmpty())
    m_host.AppendOutput(text);
}

void CDeviceController::ShowReply(const QByteArray &text) { Log(text::FromGbk(text) + QStringLiteral("\r\n")); }

bool CDeviceController::Pause(int ms) { return !m_shutdownEvent.Wait(ms); }

CDeviceController::Abort CDeviceController::OperationAbort() const {
  return [this, stops = m_engine.StopCount()] { return m_closing.load() || m_engine.StopCount() != stops; };
}

CExchangeResult CDeviceController::Exchange(EReplyCode code, Sender send, int timeoutMs, const Abort &abort) {
  return Exchange(
      code, [&] { return (m_at.*send)(m_serial); }, timeoutMs, abort);
}

CExchangeResult CDeviceController::Exchange(EReplyCode code, const std::function<bool()> &send, int timeoutMs,
                                            const Abort &abort) {
  const CExchangeResult r = m_engine.Exchange(code, send, timeoutMs, abort);
  if (r.outcome == EOutcome::Busy)
    Log(msg::ENGINE_BUSY.Get());
  return r;
}

void CDeviceController::EndOperation(const Abort &abort) {
  if (!abort())
    m_host.EnableOperationButtons(true);
}

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
  Log(PortLostText(why));
  m_pages.DisableAllPages();
  m_host.EnableOperationButtons(false);
  m_host.UpdatePortControls();
}

void CDeviceController::PromptWatch() {
  if (m_configRun.load() != 0)
    return;
  if (!m_engine.RxText().contains("Press 's' key"))
    return;
  m_engine.ClearRxText();
  StartConfigRun(PROMPT_PERIOD_OPEN_MS);
}

void CDeviceController::OnPromptTimer() { m_serial.WriteString("s"); }

// ---------------------------------------------------------------- port and state selection

void CDeviceController::OpenClosePort(const QString &port, const QString &label, const QString &baudText) {
  if (!m_serial.IsOpen()) {
    const OpenResult opened = m_serial.Open(port, DecimalPrefix(baudText), 8, 0, 0);
    if (!opened) {
      // A port that opened but refused its line settings is not left half open.
      m_serial.Close();
      Log((m_engine.CommMode() ? msg::OPEN_FAILED_COMM : msg::OPEN_FAILED_CONFIG).Get());
      // Then why, in words the user can act on (absent, busy, the dialout group).
      Log(OpenFailureReason(port, opened.error, opened.detail));
      return;
    }
    if (m_engine.CommMode()) {
      Log(WithPort(msg::OPENED_COMM, label));
      m_host.StopPromptTimer();
      m_pages.DisableAllPages();
    } else {
      Log(WithPort(msg::OPENED_CONFIG, label));
      m_engine.ClearStop();
      StartConfigRun(PROMPT_PERIOD_OPEN_MS);
    }
    return;
  }
  m_engine.StopRun();
  m_host.StopPromptTimer();
  m_serial.Close();
  Log(msg::PORT_CLOSED.Get());
  m_pages.DisableAllPages();
  m_host.EnableOperationButtons(false);
}

void CDeviceController::SelectConfigState(const QString &baudText) {
  if (!m_engine.CommMode())
    return;
  m_host.StopPromptTimer();
  m_engine.StopRun();
  m_engine.SetCommMode(false);
  if (!m_serial.IsOpen()) {
    Log(msg::CONFIG_NEEDS_PORT.Get());
    return;
  }
  Log(msg::CONFIG_WAITING.Get());
  m_serial.SetState(DecimalPrefix(baudText), 8, 0, 0);
  m_host.SetConfigurationLayout();
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
  StartWorker([this, abort = OperationAbort(), done = std::move(done)] {
    const bool ok = RebootWorker(abort);
    if (done)
      done(ok);
  });
}

bool CDeviceController::RebootWorker(const Abort &abort) {
  static constexpr char RESET[] = "at+reset\r";
  const CExchangeResult r = Exchange(
      REPLY_RESTART,
      [this] {
        const bool sent = m_serial.WriteString(RESET) == static_cast<int>(sizeof RESET - 1);
        m_host.EnableControl(ID_OPEN_CLOSE, false);
        return sent;
      },
      30000, abort);
  // The restart text is on the log already: communication state shows every byte.
  m_host.EnableControl(ID_OPEN_CLOSE, true);
  // Unless the restart went out (answered, or its wait ran out), the work
  // settings are not put on the line, but the way back to the configuration
  // state stays open.
  if (r.outcome != EOutcome::Answered && r.outcome != EOutcome::TimedOut) {
    if (!m_closing.load())
      m_host.EnableControl(ID_RADIO_CONFIG, true);
    return false;
  }
  int dataBits = 8, parity = 0;
  const QByteArray mode = m_session.Work().CommMode();
  for (const auto &f : LINE_FORMATS) {
    if (mode.contains(f.text)) {
      dataBits = f.dataBits;
      parity = f.parity;
      break;
    }
  }
  m_serial.SetState(m_session.Work().Baudrate(), dataBits, parity, 0);
  m_host.EnableControl(ID_RADIO_CONFIG, true);
  return r.Answered();
}

// ---------------------------------------------------------------- configuration-state run

void CDeviceController::StartConfigRun(int promptPeriodMs) {
  // The run's menu wait keeps what arrives from here on: a menu that comes
  // before the worker is under way is still seen, and older text is not.
  m_engine.ClearRxText();
  const int id = ++m_lastRunId;
  m_configRun.store(id);
  StartWorker([this, id] { ConfigStateRun(id); });
  m_host.StartPromptTimer(promptPeriodMs);
}

bool CDeviceController::RunStopped(int runId) const {
  // A run also stops once a newer run has taken its place.
  return m_closing.load() || m_engine.StopRequested() || m_configRun.load() != runId;
}

void CDeviceController::EndRun(int runId, bool enableOpenButton) {
  int expected = runId;
  m_configRun.compare_exchange_strong(expected, 0);
  if (enableOpenButton && !m_closing.load())
    m_host.EnableControl(ID_OPEN_CLOSE, true);
}

void CDeviceController::ConfigStateRun(int runId) {
  // A stopped run may still be between two steps: wait for it to end.
  std::lock_guard order(m_runOrder);
  auto stopped = [this, runId] { return RunStopped(runId); };
  auto exchange = [&](EReplyCode code, Sender send, int timeoutMs) {
    return m_engine.Exchange(
        code, [&] { return (m_at.*send)(m_serial); }, timeoutMs, stopped);
  };
  auto endE1 = [&] { EndRun(runId, true); };

  // 1-2: wait for the menu while the prompt timer presses "s".
  m_engine.WaitForMenu(stopped);
  m_host.StopPromptTimer();
  if (m_engine.CommMode() || stopped()) {
    EndRun(runId, false);
    return;
  }
  m_host.EnableControl(ID_RADIO_COMM, false);
  m_host.EnableControl(ID_OPEN_CLOSE, false);
  Log(msg::ENTERED_CONFIG.Get());
  Log(msg::TEST_AT.Get());

  // 5: attention test.
  bool answered = false;
  for (int i = 0; i < 15 && !answered; ++i) {
    answered = exchange(REPLY_OK, &CAtCommand::SendAt, 2000).Answered();
    if (stopped())
      return endE1();
  }
  if (!answered) {
    Log(msg::TEST_AT_FAILED.Get());
    return endE1();
  }

  // 6: echo off; the run goes on either way.
  const int echoWait = g_chineseUi.load() ? 2000 : 5000;
  for (int i = 0; i < 3; ++i) {
    if (exchange(REPLY_OK_PROBE, &CAtCommand::SendNoEcho, echoWait).Answered())
      break;
    if (stopped())
      return endE1();
  }

  // 7-8: module detection.
  Log(msg::DETECT_MODULE.Get());
  bool identified = false;
  for (int i = 0; i < 5 && !identified; ++i) {
    const CExchangeResult ati = exchange(REPLY_OK_PROBE, &CAtCommand::SendAti, 2000);
    if (ati.Answered()) {
      Log(ModuleMessage(ati.text));
      identified = true;
    } else if (ati.outcome == EOutcome::TimedOut && ati.text.contains("ERROR")) {
      Pause(100);
      const CExchangeResult cgmr = exchange(REPLY_OK_PROBE, &CAtCommand::SendCgmr, 4000);
      if (cgmr.Answered() && cgmr.text.contains("DTM6211")) {
        Log(msg::MODULE_DATANG.Get());
        identified = true;
      }
    }
    if (identified) {
      Log(msg::AT_SUCCESS_LOADING.Get());
      break;
    }
    if (stopped())
      return endE1();
  }
  if (!identified) {
    Log(msg::MODULE_FAILED.Get());
    return endE1();
  }

  // 9-12: load the settings.
  if (!g_chineseUi.load())
    Pause(1000);
  Log(msg::LOADING_SETTINGS.Get());
  const CExchangeResult show = exchange(REPLY_SETTINGS, &CAtCommand::SendShow, 10000);
  if (show.outcome == EOutcome::Stopped || stopped())
    return endE1();
  // A long listing whose end did not come within the wait is taken as well;
  // a stopped or unsent one never is.
  if (!show.Answered() && !(show.outcome == EOutcome::TimedOut && show.text.size() >= 1000)) {
    Log(msg::LOAD_FAILED.Get());
    return endE1();
  }
  const ParamArray table = ApplyListing(show.text);

  // 13-15: queries shown when answered.
  for (auto [code, send] : {std::pair{REPLY_IPR, &CAtCommand::QueryIpr}, std::pair{REPLY_MODE, &CAtCommand::QueryMode},
                            std::pair{REPLY_ACTI, &CAtCommand::QueryActi}}) {
    const CExchangeResult r = exchange(code, send, 5000);
    if (r.Answered())
      ShowReply(r.text);
    if (stopped())
      return endE1();
  }

  // 16: unlock.
  m_host.EnableOperationButtons(true);
  m_host.EnableControl(ID_REBOOT_COMM, true);
  m_host.EnableControl(ID_RADIO_COMM, true);
  m_pages.EnableAll(EPage::Dtu);
  m_pages.EnableAll(EPage::Base);
  m_pages.EnableAll(EPage::Other);
  // The listen-port form for a server device; the client form otherwise, so a
  // previous server device's form does not stay.
  m_pages.SetClientMode(!table[PARAM_WORK_MODE].szValue.contains("TCPSVR"));
  if (m_onSettingsLoaded)
    m_onSettingsLoaded();
  endE1();
  m_host.EnableControl(ID_SAVE_CONFIG, true);
}

// ---------------------------------------------------------------- device operations

void CDeviceController::SimpleQuery(EReplyCode code, Sender send, int timeoutMs, OpDone done) {
  StartWorker([this, code, send, timeoutMs, abort = OperationAbort(), done = std::move(done)] {
    m_host.EnableOperationButtons(false);
    const CExchangeResult r = Exchange(code, send, timeoutMs, abort);
    if (r.Answered())
      ShowReply(r.text);
    EndOperation(abort);
    if (done)
      done(r.Answered());
  });
}

void CDeviceController::ShowConfig(OpDone done) {
  Log(msg::SHOW_CONFIG.Get());
  SimpleQuery(REPLY_SETTINGS, &CAtCommand::SendShow, 10000, std::move(done));
}

void CDeviceController::ShowBaudrate(OpDone done) {
  Log(msg::SHOW_BAUDRATE.Get());
  SimpleQuery(REPLY_IPR, &CAtCommand::QueryIpr, 5000, std::move(done));
}

void CDeviceController::ShowVersion(OpDone done) {
  Log(msg::SHOW_VERSION.Get());
  SimpleQuery(REPLY_OK_SET, &CAtCommand::SendVer, 5000, std::move(done));
}

void CDeviceController::ShowSignal(OpDone done) {
  Log(msg::SHOW_SIGNAL.Get());
  SimpleQuery(REPLY_CSQ, &CAtCommand::SendCsq, 5000, std::move(done));
}

void CDeviceController::AutoDetect(OpDone done) {
  StartWorker([this, abort = OperationAbort(), done = std::move(done)] {
    Log(msg::SHOW_BAUDRATE.Get());
    m_host.EnableOperationButtons(false);
    // Shows an answered step's reply, or its failure text where it has one.
    auto report = [this](const CExchangeResult &r, const CMsg *failed) {
      if (r.Answered())
        ShowReply(r.text);
      else if (failed)
        Log(failed->Get());
      return r.Answered();
    };
    // A stop ends the check where it is: what follows would only report
    // failures of exchanges that were never tried.
    bool ok = false;
    [&] {
      Log(msg::DETECT_FIND_MODULE.Get());
      const bool at = Exchange(REPLY_OK, &CAtCommand::SendAt, 2000, abort).Answered();
      if (abort())
        return;
      Log((at ? msg::DETECT_OK : msg::DETECT_AT_FAILED).Get());

      Log(msg::DETECT_SIM.Get());
      CExchangeResult r = Exchange(REPLY_CPIN, &CAtCommand::QueryCpin, 2000, abort);
      if (!r.Answered() && !abort())
        r = Exchange(REPLY_CPIN, &CAtCommand::QueryCfun, 2000, abort);
      if (abort())
        return;
      const bool sim = report(r, &msg::DETECT_SIM_FAILED);

      Log(msg::DETECT_SIGNAL.Get());
      r = Exchange(REPLY_CSQ, &CAtCommand::SendCsq, 2000, abort);
      if (abort())
        return;
      const bool signal = report(r, &msg::DETECT_SIGNAL_FAILED);

      Log(msg::DETECT_ATTACH.Get());
      r = Exchange(REPLY_OK_SET, &CAtCommand::SendCgatt, 5000, abort);
      if (abort())
        return;
      const bool attach = report(r, nullptr);
      Log(msg::DETECT_DONE.Get());
      ok = at && sim && signal && attach;
    }();
    EndOperation(abort);
    if (done)
      done(ok && !abort());
  });
}

bool CDeviceController::LoadListing(int timeoutMs, const Abort &abort) {
  const CExchangeResult r = Exchange(REPLY_SETTINGS, &CAtCommand::SendShow, timeoutMs, abort);
  // Only a complete listing replaces the table: a stopped, unsent or cut one
  // would leave every parameter "No Exist" and the work settings at 0.
  if (!r.Answered()) {
    if (!m_closing.load())
      Log(msg::LOAD_INCOMPLETE.Get());
    return false;
  }
  ApplyListing(r.text);
  return true;
}

ParamArray CDeviceController::ApplyListing(const QByteArray &listing) {
  ShowReply(listing);
  ParamArray table = m_session.Table().Snapshot();
  ParseSettings(listing, table);
  m_session.Table().Replace(table);
  FillPages(table, m_pages, m_session.Work());
  return table;
}

void CDeviceController::FactoryReset(OpDone done) {
  StartWorker([this, abort = OperationAbort(), done = std::move(done)] {
    m_host.EnableOperationButtons(false);
    Log(msg::FACTORY.Get());
    const CExchangeResult r = Exchange(REPLY_OK_SET, &CAtCommand::SendFactory, 5000, abort);
    bool loaded = false;
    if (r.Answered()) {
      ShowReply(r.text);
      Log(msg::FACTORY_RELOAD.Get());
      if (Pause(1000) && !abort())
        loaded = LoadListing(5000, abort);
    }
    EndOperation(abort);
    if (done)
      done(loaded);
  });
}

void CDeviceController::LoadFromDevice(OpDone done) {
  StartWorker([this, abort = OperationAbort(), done = std::move(done)] {
    const bool loaded = LoadListing(10000, abort);
    if (done)
      done(loaded);
  });
}

void CDeviceController::PowerOff(OpDone done) {
  StartWorker([this, abort = OperationAbort(), done = std::move(done)] {
    const bool ok = Exchange(REPLY_OK, &CAtCommand::SendShutdown, 2000, abort).Answered();
    if (!m_closing.load())
      m_host.ShowMessage((ok ? msg::POWER_OFF_OK : msg::POWER_OFF_FAILED).Get(), QString());
    if (done)
      done(ok);
  });
}

bool CDeviceController::SetDeviceClock(const QByteArray &clock, OpDone done) {
  // A press while a clock exchange runs is dropped.
  if (m_closing.load() || m_clockBusy.exchange(true))
    return false;
  StartWorker([this, clock, abort = OperationAbort(), done = std::move(done)] { ClockThreadProc(clock, abort, done); });
  return true;
}

void CDeviceController::ClockThreadProc(const QByteArray &clock, const Abort &abort, const OpDone &done) {
  // The engine's lock keeps this exchange apart from any other worker's.
  const CExchangeResult r = Exchange(
      REPLY_OK_SET, [&] { return m_at.SetExcclk(m_serial, clock); }, 10000, abort);
  // Only the device's "OK" is success; a stop or a write that failed is not.
  const bool ok = r.Answered();
  if (!m_closing.load()) {
    if (ok)
      m_host.ShowMessage(msg::CLOCK_SET_OK.Get(), g_chineseUi.load() ? QString() : QStringLiteral("OK"));
    else
      m_host.ShowMessage(msg::CLOCK_SET_FAILED.Get(), QString());
  }
  m_clockBusy.store(false);
  if (done)
    done(ok);
}

void CDeviceController::SaveToDevice(OpDone done) {
  StartWorker([this, abort = OperationAbort(), done = std::move(done)] {
    const SaveResult result = SaveSettingsThread(
        SaveContext{m_engine, m_serial, m_at, m_host, m_pages, m_session, [this](int ms) { return Pause(ms); }, abort});
    if (done)
      done(result.Succeeded() && !m_closing.load());
  });
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
  SaveToDevice(std::move(done));
  return true;
}
