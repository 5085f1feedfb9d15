// The step interpreter against a device played by the test on a real pty:
// tries, time-outs, failures that end or are gone past, fallbacks, and a stop
// in the middle of a step.
#include "ScriptedDevice.h"
#include "device/AtCommand.h"
#include "device/ReplyEngine.h"
#include "device/StepRunner.h"
#include "base/Timing.h"
#include "serial/Serial.h"
#include "support/TestUtil.h"
#include "text/Lang.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace {
constexpr CMsg BEFORE{"开始\r\n", "before\r\n"};
constexpr CMsg SUCCEEDED{"成功\r\n", "ok\r\n"};
constexpr CMsg FAILED{"失败\r\n", "failed\r\n"};

// Waits at test scale 0.1: a silent try costs 200 ms, an answered one has 1 s.
constexpr int SHORT_MS = 2000;
constexpr int LONG_MS = 10000;

// A step with every log line, so the log tells what the interpreter did.
CStep Logged(CStep::Sender send, EReplyCode code, int timeoutMs, int tries = 1,
             EOnFailure onFailure = EOnFailure::End) {
  return {.send = send,
          .code = code,
          .timeoutMs = timeoutMs,
          .tries = tries,
          .onFailure = onFailure,
          .before = &BEFORE,
          .take = ShowReply,
          .succeeded = &SUCCEEDED,
          .failed = &FAILED};
}

const CStep VERSION_FALLBACK = Logged(&CAtCommand::SendVer, REPLY_OK_SET, LONG_MS);

CStep WithFallback(CStep step) {
  step.fallback = &VERSION_FALLBACK;
  step.fallbackWhen = NotAnswered;
  return step;
}

struct StepCase {
  const char *name;
  std::vector<CStep> steps;
  // The device's answers to each command, one per time it comes; silent past the list or for "".
  std::map<std::string, std::vector<std::string>> answers;
  std::string stopOn; // a stop comes as this command arrives (and it gets no answer)
  int endStep;
  EOutcome outcome;
  int failures;
  bool completed;
  std::vector<std::string> written;
  const char *log;
};

void PrintTo(const StepCase &c, std::ostream *os) { *os << c.name; }

const std::string OK = "OK\r\n";
const std::string CSQ = "+CSQ: 20,99\r\nOK\r\n";
const std::string VER = "V1.0\r\nOK\r\n";

const StepCase CASES[] = {
    {"Answered",
     {Logged(&CAtCommand::SendAt, REPLY_OK, LONG_MS)},
     {{"at", {OK}}},
     "",
     1,
     EOutcome::Answered,
     0,
     true,
     {"at"},
     "before\r\nOK\r\n\r\nok\r\n"},
    {"FailsTwiceThenAnswersOnItsThirdTry",
     {Logged(&CAtCommand::SendAt, REPLY_OK, 5000, 3)},
     {{"at", {"", "", OK}}},
     "",
     1,
     EOutcome::Answered,
     0,
     true,
     {"at", "at", "at"},
     "before\r\nOK\r\n\r\nok\r\n"},
    {"TimesOutOnEveryTryAndEndsTheSequence",
     {Logged(&CAtCommand::SendAt, REPLY_OK, SHORT_MS, 2), Logged(&CAtCommand::SendCsq, REPLY_CSQ, LONG_MS)},
     {{"at+csq", {CSQ}}},
     "",
     0,
     EOutcome::TimedOut,
     1,
     false,
     {"at", "at"},
     "before\r\nfailed\r\n"},
    {"AFailureToGoOnPastLetsTheNextStepRun",
     {Logged(&CAtCommand::SendAt, REPLY_OK, SHORT_MS, 1, EOnFailure::GoOn),
      Logged(&CAtCommand::SendVer, REPLY_OK_SET, LONG_MS)},
     {{"at+ver", {VER}}},
     "",
     2,
     EOutcome::Answered,
     1,
     true,
     {"at", "at+ver"},
     "before\r\nfailed\r\nbefore\r\nV1.0\r\nOK\r\n\r\nok\r\n"},
    {"AStopMidStepEndsItAndNothingAfterIsWritten",
     {Logged(&CAtCommand::SendAt, REPLY_OK, LONG_MS), Logged(&CAtCommand::SendCsq, REPLY_CSQ, 50000, 3),
      Logged(&CAtCommand::SendVer, REPLY_OK_SET, LONG_MS)},
     {{"at", {OK}}, {"at+ver", {VER}}},
     "at+csq",
     1,
     EOutcome::Stopped,
     0,
     false,
     {"at", "at+csq"},
     "before\r\nOK\r\n\r\nok\r\nbefore\r\n"},
    {"AFallbackThatAnswersIsTheStepsSuccess",
     {WithFallback(Logged(&CAtCommand::SendAt, REPLY_OK, SHORT_MS))},
     {{"at+ver", {VER}}},
     "",
     1,
     EOutcome::Answered,
     0,
     true,
     {"at", "at+ver"},
     "before\r\nbefore\r\nV1.0\r\nOK\r\n\r\nok\r\nok\r\n"},
};

class StepRunner : public ::testing::TestWithParam<StepCase> {
protected:
  void SetUp() override {
    m_oldScale = CTiming::Scale();
    CTiming::SetScale(0.1);
    g_chineseUi = 0;
  }
  void TearDown() override { CTiming::SetScale(m_oldScale); }
  double m_oldScale = 1.0;
};
} // namespace

TEST_P(StepRunner, RunsTheTableAsTheDeviceAnswers) {
  const StepCase &c = GetParam();
  std::atomic<bool> stop{false};
  std::map<std::string, size_t> seen; // device thread only
  CScriptedDevice device(
      [&](const std::string &line) {
        if (line == c.stopOn) {
          stop.store(true);
          return std::string();
        }
        const size_t n = seen[line]++;
        const auto it = c.answers.find(line);
        return it != c.answers.end() && n < it->second.size() ? it->second[n] : std::string();
      },
      true);
  ASSERT_TRUE(device.Start());
  CSerial serial;
  CReplyEngine engine(serial);
  const CAtCommand at;
  serial.SetOwner([&] { engine.OnSerialReceive(); });
  ASSERT_TRUE(serial.Open(device.Path(), 115200));

  QString log;
  CStepContext context{.engine = engine,
                       .serial = serial,
                       .at = at,
                       .stopped = [&] { return stop.load(); },
                       .log = [&](const QString &text) { log += text; },
                       .pause =
                           [](int ms) {
                             CTiming::Sleep(ms);
                             return true;
                           }};
  CStepsEnd end;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    end = RunSteps(c.steps.data(), static_cast<int>(c.steps.size()), context);
    done.store(true);
  });
  // The log is written on the worker: read it only once the worker is joined.
  const bool finished = PumpUntil([&] { return done.load(); }, 30000);
  worker.join();
  ASSERT_TRUE(finished);
  // Time for a command written after the end to reach the device.
  PumpFor(300);
  serial.Close();
  device.Stop();

  EXPECT_EQ(end.step, c.endStep);
  EXPECT_EQ(end.outcome, c.outcome);
  EXPECT_EQ(end.failures, c.failures);
  EXPECT_EQ(end.completed, c.completed);
  EXPECT_EQ(device.Lines(), c.written);
  EXPECT_EQ(log.toStdString(), c.log);
  EXPECT_EQ(engine.ReplyCode(), REPLY_NONE) << "no reply is left pending";
}

INSTANTIATE_TEST_SUITE_P(Cases, StepRunner, ::testing::ValuesIn(CASES),
                         [](const ::testing::TestParamInfo<StepCase> &info) { return std::string(info.param.name); });
