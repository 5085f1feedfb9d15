#include "device/StepRunner.h"

#include "device/DeviceMessages.h"
#include "text/Gbk.h"

namespace {
struct StepEnd {
  bool ok = false;
  bool stopped = false;
  EOutcome outcome = EOutcome::NotSent;
};

bool Chinese() { return g_chineseUi.load() != 0; }

StepEnd RunStep(const CStep &step, CStepContext &ctx) {
  const int pause = step.pauseMs + (Chinese() ? 0 : step.englishPauseMs);
  if (pause > 0)
    ctx.pause(pause);
  ctx.Log(step.before);
  const int timeoutMs = !Chinese() && step.englishTimeoutMs > 0 ? step.englishTimeoutMs : step.timeoutMs;
  StepEnd end;
  for (int i = 0; i < step.tries; ++i) {
    const CExchangeResult r = ctx.engine.Exchange(
        step.code, [&] { return (ctx.at.*step.send)(ctx.serial); }, timeoutMs, ctx.stopped);
    if (r.outcome == EOutcome::Busy && ctx.logBusy)
      ctx.Log(&msg::ENGINE_BUSY);
    // A stop ends the sequence where it is: nothing after it is reported as
    // if the device had been asked.
    if (r.outcome == EOutcome::Stopped || ctx.stopped())
      return {false, true, EOutcome::Stopped};
    end.outcome = r.outcome;
    end.ok = step.accept ? step.accept(r) : r.Answered();
    if (end.ok) {
      if (step.take)
        step.take(r, ctx);
    } else if (step.fallback && step.fallbackWhen && step.fallbackWhen(r)) {
      const StepEnd fallback = RunStep(*step.fallback, ctx);
      if (fallback.stopped)
        return fallback;
      end.ok = fallback.ok;
      end.outcome = fallback.outcome;
    }
    if (end.ok) {
      ctx.Log(step.succeeded);
      return end;
    }
  }
  ctx.Log(step.failed);
  return end;
}
} // namespace

void CStepContext::Log(const CMsg *message) const {
  if (!message)
    return;
  const QString text = message->Get();
  // A message without a form in this language shows nothing.
  if (!text.isEmpty() && log)
    log(text);
}

CStepsEnd RunSteps(std::span<const CStep> steps, CStepContext &context) {
  CStepsEnd result;
  for (size_t i = 0; i < steps.size(); ++i) {
    const StepEnd end = RunStep(steps[i], context);
    if (end.ok)
      continue;
    result.step = static_cast<int>(i);
    if (end.stopped) {
      result.outcome = EOutcome::Stopped;
      return result;
    }
    result.outcome = end.outcome;
    ++result.failures;
    if (steps[i].onFailure == EOnFailure::End)
      return result;
  }
  result.step = static_cast<int>(steps.size());
  result.outcome = EOutcome::Answered;
  result.completed = true;
  return result;
}

void ShowReply(const CExchangeResult &result, CStepContext &context) {
  if (context.log)
    context.log(text::FromGbk(result.text) + QStringLiteral("\r\n"));
}

void TakeListing(const CExchangeResult &result, CStepContext &context) {
  if (context.listing)
    context.listing(result.text);
}

bool NotAnswered(const CExchangeResult &result) { return !result.Answered(); }
