#pragma once
// The configuration-state run: from the device's start-up (the prompt timer
// presses "s" until the menu comes) through the command sequence of
// steps::CONFIG_RUN to the unlocked pages. At most one run exists; a stopped
// one is finished before a new one exchanges anything.
#include "device/FlowParts.h"

#include <atomic>
#include <mutex>

// The prompt timer's identifier and its two periods.
constexpr int TIMER_PROMPT = 100;
constexpr int PROMPT_PERIOD_OPEN_MS = 200;
constexpr int PROMPT_PERIOD_SELECT_MS = 100;

class CConfigRun {
public:
  explicit CConfigRun(const CFlowParts &parts) : m_parts(parts) {}
  CConfigRun(const CConfigRun &) = delete;
  CConfigRun &operator=(const CConfigRun &) = delete;

  bool Active() const { return m_current.load() != 0; }
  // Window thread: starts a run on a worker and the "s" presses every promptPeriodMs.
  void Start(int promptPeriodMs);
  // Window thread, bytes in configuration state with no exchange pending: a
  // start-up prompt while no run exists starts one, so a re-powered device is
  // caught again without any user action.
  void PromptWatch();

private:
  void Run(int runId);
  bool Stopped(int runId) const;
  void End(int runId, bool enableOpenButton);

  const CFlowParts &m_parts;
  std::atomic<int> m_current{0}; // id of the run that exists, 0 when none
  std::atomic<int> m_lastId{0};
  std::mutex m_order; // a new run waits here for a stopped one to end
};
