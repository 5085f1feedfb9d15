#include "device/ConfigRun.h"

#include "device/DeviceMessages.h"
#include "device/DeviceSteps.h"
#include "host/DialogHost.h"
#include "params/PageControls.h"
#include "params/ParamTable.h"

void CConfigRun::Start(int promptPeriodMs) {
  // The run's menu wait keeps what arrives from here on: a menu that comes
  // before the worker is under way is still seen, and older text is not.
  m_parts.engine.ClearRxText();
  const int id = ++m_lastId;
  m_current.store(id);
  m_parts.startWorker([this, id] { Run(id); });
  m_parts.host.StartPromptTimer(promptPeriodMs);
}

void CConfigRun::PromptWatch() {
  if (m_current.load() != 0)
    return;
  if (!m_parts.engine.RxText().contains("Press 's' key"))
    return;
  m_parts.engine.ClearRxText();
  Start(PROMPT_PERIOD_OPEN_MS);
}

bool CConfigRun::Stopped(int runId) const {
  // A run also stops once a newer run has taken its place.
  return m_parts.Closing() || m_parts.engine.StopRequested() || m_current.load() != runId;
}

void CConfigRun::End(int runId, bool enableOpenButton) {
  int expected = runId;
  m_current.compare_exchange_strong(expected, 0);
  if (enableOpenButton && !m_parts.Closing())
    m_parts.host.EnableControl(ID_OPEN_CLOSE, true);
}

void CConfigRun::Run(int runId) {
  // A stopped run may still be between two steps: wait for it to end.
  std::lock_guard order(m_order);
  auto stopped = [this, runId] { return Stopped(runId); };
  DialogHost &host = m_parts.host;

  // Wait for the menu while the prompt timer presses "s".
  m_parts.engine.WaitForMenu(stopped);
  // Stopped on the window thread, and only while this run is still the
  // current one there: a run started meanwhile (the state chosen again, a
  // port opened again) has started the timer for itself.
  m_parts.onWindow([&] {
    if (m_current.load() == runId)
      host.StopPromptTimer();
  });
  if (m_parts.engine.CommMode() || stopped()) {
    // The stop has set the controls already.
    End(runId, false);
    return;
  }
  host.EnableControl(ID_RADIO_COMM, false);
  host.EnableControl(ID_OPEN_CLOSE, false);
  m_parts.Log(msg::ENTERED_CONFIG.Get());

  ParamArray table{};
  CStepContext steps = m_parts.Steps(stopped, false);
  steps.listing = [&](const QByteArray &listing) { table = m_parts.ApplyListing(listing); };
  steps.module = [this](const QString &module) { m_parts.session.SetModule(module); };
  if (!RunSteps(steps::CONFIG_RUN, steps).completed) {
    // A device that failed the attention test or the module detection may
    // still work in communication state: the way there stays open, after a
    // stop too (a closed port opens again in either state).
    if (!m_parts.Closing())
      host.EnableControl(ID_RADIO_COMM, true);
    if (!stopped() && !m_parts.engine.CommMode())
      host.EnableControl(ID_REBOOT_COMM, true);
    End(runId, true);
    return;
  }

  // Unlock.
  host.EnableOperationButtons(true);
  host.EnableControl(ID_REBOOT_COMM, true);
  host.EnableControl(ID_RADIO_COMM, true);
  m_parts.pages.EnableAll(EPage::Dtu);
  m_parts.pages.EnableAll(EPage::Base);
  m_parts.pages.EnableAll(EPage::Other);
  // The listen-port form for a server device; the client form otherwise, so a
  // previous server device's form does not stay.
  m_parts.pages.SetClientMode(!table[PARAM_WORK_MODE].szValue.contains("TCPSVR"));
  if (m_parts.onSettingsLoaded)
    m_parts.onSettingsLoaded();
  End(runId, true);
  host.EnableControl(ID_SAVE_CONFIG, true);
}
