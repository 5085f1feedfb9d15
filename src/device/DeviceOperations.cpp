#include "device/DeviceOperations.h"

#include "device/DeviceMessages.h"
#include "device/DeviceSteps.h"
#include "device/SaveSequencer.h"
#include "host/DialogHost.h"
#include "serial/Serial.h"

namespace {
struct LineFormat {
  const char *text;
  int dataBits;
  int parity;
};
const LineFormat LINE_FORMATS[] = {{"8N1", 8, 0}, {"8E1", 8, 2}, {"8O1", 8, 1},
                                   {"7O1", 7, 1}, {"7E1", 7, 2}, {"7N1", 7, 0}};
} // namespace

CExchangeResult CDeviceOperations::Exchange(EReplyCode code, Sender send, int timeoutMs,
                                            const CFlowParts::Abort &abort) {
  return Exchange(
      code, [&] { return (m_parts.at.*send)(m_parts.serial); }, timeoutMs, abort);
}

CExchangeResult CDeviceOperations::Exchange(EReplyCode code, const std::function<bool()> &send, int timeoutMs,
                                            const CFlowParts::Abort &abort) {
  const CExchangeResult r = m_parts.engine.Exchange(code, send, timeoutMs, abort);
  if (r.outcome == EOutcome::Busy)
    m_parts.Log(msg::ENGINE_BUSY.Get());
  return r;
}

void CDeviceOperations::EndOperation(const CFlowParts::Abort &abort) {
  if (!abort())
    m_parts.host.EnableOperationButtons(true);
}

void CDeviceOperations::SimpleQuery(EReplyCode code, Sender send, int timeoutMs, OpDone done) {
  m_parts.startWorker([this, code, send, timeoutMs, abort = m_parts.OperationAbort(), done = std::move(done)] {
    m_parts.host.EnableOperationButtons(false);
    const CExchangeResult r = Exchange(code, send, timeoutMs, abort);
    if (r.Answered())
      m_parts.ShowReply(r.text);
    EndOperation(abort);
    if (done)
      done(r.Answered());
  });
}

void CDeviceOperations::Query(EReplyCode code, Sender send, int timeoutMs, QueryDone done) {
  m_parts.startWorker([this, code, send, timeoutMs, abort = m_parts.OperationAbort(), done = std::move(done)] {
    const CExchangeResult r = Exchange(code, send, timeoutMs, abort);
    if (done)
      done(r);
  });
}

void CDeviceOperations::AutoCheck(OpDone done) {
  m_parts.startWorker([this, abort = m_parts.OperationAbort(), done = std::move(done)] {
    m_parts.Log(msg::SHOW_BAUDRATE.Get());
    m_parts.host.EnableOperationButtons(false);
    // A stop ends the check where it is: what follows would only report
    // failures of exchanges that were never tried.
    CStepContext steps = m_parts.Steps(abort, true);
    const CStepsEnd end = RunSteps(steps::AUTO_CHECK, steps);
    if (end.completed)
      m_parts.Log(msg::DETECT_DONE.Get());
    EndOperation(abort);
    if (done)
      done(end.AllSucceeded() && !abort());
  });
}

bool CDeviceOperations::LoadListing(int timeoutMs, const CFlowParts::Abort &abort) {
  const CExchangeResult r = Exchange(REPLY_SETTINGS, &CAtCommand::SendShow, timeoutMs, abort);
  // Only a complete listing replaces the table: a stopped, unsent or cut one
  // would leave every parameter "No Exist" and the work settings at 0.
  if (!r.Answered()) {
    if (!m_parts.Closing())
      m_parts.Log(msg::LOAD_INCOMPLETE.Get());
    return false;
  }
  m_parts.ApplyListing(r.text);
  return true;
}

void CDeviceOperations::FactoryReset(OpDone done) {
  m_parts.startWorker([this, abort = m_parts.OperationAbort(), done = std::move(done)] {
    m_parts.host.EnableOperationButtons(false);
    m_parts.Log(msg::FACTORY.Get());
    const CExchangeResult r = Exchange(REPLY_OK_SET, &CAtCommand::SendFactory, 5000, abort);
    bool loaded = false;
    if (r.Answered()) {
      m_parts.ShowReply(r.text);
      m_parts.Log(msg::FACTORY_RELOAD.Get());
      if (m_parts.pause(1000) && !abort())
        loaded = LoadListing(5000, abort);
    }
    EndOperation(abort);
    if (done)
      done(loaded);
  });
}

void CDeviceOperations::LoadFromDevice(OpDone done) {
  m_parts.startWorker([this, abort = m_parts.OperationAbort(), done = std::move(done)] {
    const bool loaded = LoadListing(10000, abort);
    if (done)
      done(loaded);
  });
}

void CDeviceOperations::PowerOff(OpDone done) {
  m_parts.startWorker([this, abort = m_parts.OperationAbort(), done = std::move(done)] {
    const bool ok = Exchange(REPLY_OK, &CAtCommand::SendShutdown, 2000, abort).Answered();
    if (!m_parts.Closing())
      m_parts.host.ShowMessage((ok ? msg::POWER_OFF_OK : msg::POWER_OFF_FAILED).Get(), QString());
    if (done)
      done(ok);
  });
}

void CDeviceOperations::SaveToDevice(OpDone done, SaveReport report, bool revertOnCancel) {
  m_parts.startWorker(
      [this, abort = m_parts.OperationAbort(), done = std::move(done), report = std::move(report), revertOnCancel] {
        const SaveResult result =
            SaveSettingsThread(SaveContext{m_parts.engine, m_parts.serial, m_parts.at, m_parts.host, m_parts.pages,
                                           m_parts.session, m_parts.pause, abort, revertOnCancel});
        if (report)
          report(result);
        if (done)
          done(result.Succeeded() && !m_parts.Closing());
      });
}

bool CDeviceOperations::SetDeviceClock(const QByteArray &clock, OpDone done) {
  // A press while a clock exchange runs is dropped.
  if (m_parts.Closing() || m_clockBusy.exchange(true))
    return false;
  m_parts.startWorker(
      [this, clock, abort = m_parts.OperationAbort(), done = std::move(done)] { ClockThreadProc(clock, abort, done); });
  return true;
}

void CDeviceOperations::ClockThreadProc(const QByteArray &clock, const CFlowParts::Abort &abort, const OpDone &done) {
  // The engine's lock keeps this exchange apart from any other worker's.
  const CExchangeResult r = Exchange(
      REPLY_OK_SET, [&] { return m_parts.at.SetExcclk(m_parts.serial, clock); }, 10000, abort);
  // Only the device's "OK" is success; a stop or a write that failed is not.
  const bool ok = r.Answered();
  if (!m_parts.Closing()) {
    if (ok)
      m_parts.host.ShowMessage(msg::CLOCK_SET_OK.Get(), g_chineseUi.load() ? QString() : QStringLiteral("OK"));
    else
      m_parts.host.ShowMessage(msg::CLOCK_SET_FAILED.Get(), QString());
  }
  m_clockBusy.store(false);
  if (done)
    done(ok);
}

bool CDeviceOperations::Reboot(const CFlowParts::Abort &abort) {
  static constexpr char RESET[] = "at+reset\r";
  DialogHost &host = m_parts.host;
  const CExchangeResult r = Exchange(
      REPLY_RESTART,
      [&] {
        const bool sent = m_parts.serial.WriteString(RESET) == static_cast<int>(sizeof RESET - 1);
        host.EnableControl(ID_OPEN_CLOSE, false);
        return sent;
      },
      30000, abort);
  // The restart text is on the log already: communication state shows every byte.
  host.EnableControl(ID_OPEN_CLOSE, true);
  // Unless the restart went out (answered, or its wait ran out), the work
  // settings are not put on the line, but the way back to the configuration
  // state stays open.
  if (r.outcome != EOutcome::Answered && r.outcome != EOutcome::TimedOut) {
    if (!m_parts.Closing())
      host.EnableControl(ID_RADIO_CONFIG, true);
    return false;
  }
  int dataBits = 8, parity = 0;
  const QByteArray mode = m_parts.session.Work().CommMode();
  for (const auto &f : LINE_FORMATS) {
    if (mode.contains(f.text)) {
      dataBits = f.dataBits;
      parity = f.parity;
      break;
    }
  }
  m_parts.serial.SetState(m_parts.session.Work().Baudrate(), dataBits, parity, 0);
  m_parts.LogLineNotice();
  host.EnableControl(ID_RADIO_CONFIG, true);
  return r.Answered();
}
