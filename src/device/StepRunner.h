#pragma once
// A device sequence as data: each step is one command with the reply it
// awaits, its wait, how often it is tried, what its answer does and whether
// its failure ends the sequence. One interpreter runs every such table, so the
// order of the rows is the order the device sees.
#include "device/AtCommand.h"
#include "device/ReplyEngine.h"
#include "text/Lang.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <span>

class CSerial;
struct CStepContext;

enum class EOnFailure : std::uint8_t {
  End,  // the sequence ends at this step
  GoOn, // the next step follows; the failure is counted
};

struct CStep {
  using Sender = bool (CAtCommand::*)(CSerial &) const;
  // Decides on one exchange's result (what counts as success, when a fallback is tried).
  using Test = bool (*)(const CExchangeResult &result);
  // What is done with a successful reply (shown, parsed, named).
  using Take = void (*)(const CExchangeResult &result, CStepContext &context);

  Sender send = nullptr;
  EReplyCode code = REPLY_NONE;
  int timeoutMs = 0;
  int englishTimeoutMs = 0; // the wait with English texts, when not 0
  int tries = 1;
  EOnFailure onFailure = EOnFailure::End;
  int pauseMs = 0;                 // before the step
  int englishPauseMs = 0;          // before the step, with English texts only
  const CMsg *before = nullptr;    // logged once, before the first try
  Test accept = nullptr;           // success; when null: the device answered
  Take take = nullptr;             // runs on success, before `succeeded` is logged
  const CMsg *succeeded = nullptr; // logged on success
  const CMsg *failed = nullptr;    // logged when every try failed
  // Run as a step of its own within a try whose result fallbackWhen accepts;
  // its success is this step's success.
  const CStep *fallback = nullptr;
  Test fallbackWhen = nullptr;
};

// What a sequence runs against. Every callback is called on the sequence's thread.
struct CStepContext {
  CReplyEngine &engine;
  CSerial &serial;
  const CAtCommand &at;
  // Polled by every exchange; once true the sequence ends as Stopped and
  // nothing more is written or logged.
  std::function<bool()> stopped{};
  std::function<void(const QString &text)> log{};
  // A pause that a shutdown may cut short (the stop check after it decides).
  std::function<bool(int ms)> pause{};
  // Handed the listing by TakeListing.
  std::function<void(const QByteArray &listing)> listing{};
  // Told the module's name once the identification named one.
  std::function<void(const QString &module)> module{};
  // Operations say in the log that the engine was busy; the configuration run does not.
  bool logBusy = false;

  void Log(const CMsg *message) const;
};

struct CStepsEnd {
  int step = 0;                          // the step that ended the sequence; the count of steps when every step ran
  EOutcome outcome = EOutcome::Answered; // Stopped after a stop; else that step's last outcome
  int failures = 0;                      // steps that failed and were gone past
  bool completed = false;                // every step ran
  bool AllSucceeded() const { return completed && failures == 0; }
};

CStepsEnd RunSteps(std::span<const CStep> steps, CStepContext &context);
inline CStepsEnd RunSteps(const CStep *steps, int n, CStepContext &context) {
  return RunSteps(std::span<const CStep>(steps, static_cast<size_t>(n)), context);
}

// Take: the reply on the log as it came, with a line end.
void ShowReply(const CExchangeResult &result, CStepContext &context);
// Take: the reply goes to the context's listing callback.
void TakeListing(const CExchangeResult &result, CStepContext &context);
// Test: any outcome but an answer.
bool NotAnswered(const CExchangeResult &result);
