#include "base/ThreadExecutor.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

enum class EShutdownFrom {
  InsideATask, // a queued task shuts the executor down: the rest of its batch must not start
  TheLoop,     // the executor's own thread, between two tasks
  AnotherThread,
};

struct RaceCase {
  const char *name;
  EShutdownFrom from;
};

void PrintTo(const RaceCase &c, std::ostream *os) { *os << c.name; }

class ExecutorShutdownRace : public ::testing::TestWithParam<RaceCase> {};

// Several threads keep calling into an executor that lives on this thread (its
// event loop runs here) while it is shut down at a random moment. Every Call
// must come back, true exactly when its function ran; on the executor's own
// thread nothing may run once Shutdown has returned.
TEST_P(ExecutorShutdownRace, EveryCallReturnsAndNothingStartsAfterShutdown) {
  constexpr int ROUNDS = 150;
  constexpr int CALLERS = 4;
  constexpr int CALLS_EACH = 40;
  const EShutdownFrom from = GetParam().from;
  std::mt19937 rng(20261210);
  int ranTotal = 0;
  int refusedTotal = 0;

  for (int round = 0; round < ROUNDS; ++round) {
    SCOPED_TRACE(round);
    CThreadExecutor executor;
    std::atomic<bool> shutdownReturned{false};
    std::atomic<int> ranAfterShutdown{0};
    std::atomic<int> started{0};
    std::atomic<int> returned{0};
    std::atomic<int> mismatches{0};
    std::atomic<int> trueCount{0};
    const int trigger = std::uniform_int_distribution<int>(0, CALLERS * CALLS_EACH / 2)(rng);

    std::vector<std::thread> callers;
    for (int t = 0; t < CALLERS; ++t) {
      callers.emplace_back([&] {
        for (int i = 0; i < CALLS_EACH; ++i) {
          auto ran = std::make_shared<std::atomic<bool>>(false);
          ++started;
          const bool ok = executor.Call([&, ran] {
            if (shutdownReturned.load())
              ++ranAfterShutdown;
            ran->store(true);
          });
          if (ok != ran->load())
            ++mismatches;
          if (ok)
            ++trueCount;
          ++returned;
        }
      });
    }

    bool shut = false;
    std::thread stopper;
    const bool allReturned = PumpUntil(
        [&] {
          if (!shut && started.load() >= trigger) {
            shut = true;
            switch (from) {
            case EShutdownFrom::InsideATask:
              executor.Post([&] {
                executor.Shutdown();
                shutdownReturned = true;
              });
              break;
            case EShutdownFrom::TheLoop:
              executor.Shutdown();
              shutdownReturned = true;
              break;
            case EShutdownFrom::AnotherThread:
              stopper = std::thread([&] {
                executor.Shutdown();
                shutdownReturned = true;
              });
              break;
            }
          }
          return returned.load() == CALLERS * CALLS_EACH;
        },
        10000);
    EXPECT_TRUE(allReturned) << returned.load() << " of " << CALLERS * CALLS_EACH << " calls came back";
    // Releases callers stranded by a fault, so the round can end either way.
    executor.Shutdown();
    for (std::thread &t : callers)
      t.join();
    if (stopper.joinable())
      stopper.join();

    EXPECT_EQ(mismatches.load(), 0) << "a Call's result must say whether its function ran";
    // From another thread, a task that had already begun may still finish after
    // Shutdown returns; on the executor's own thread nothing may start later.
    if (from != EShutdownFrom::AnotherThread) {
      EXPECT_EQ(ranAfterShutdown.load(), 0);
    }
    ranTotal += trueCount.load();
    refusedTotal += returned.load() - trueCount.load();
    if (HasFailure())
      break;
  }
  // Both outcomes occurred, so the rounds did race the calls against the shutdown.
  EXPECT_GT(ranTotal, 0);
  EXPECT_GT(refusedTotal, 0);
}

INSTANTIATE_TEST_SUITE_P(From, ExecutorShutdownRace,
                         ::testing::Values(RaceCase{"InsideATask", EShutdownFrom::InsideATask},
                                           RaceCase{"TheLoop", EShutdownFrom::TheLoop},
                                           RaceCase{"AnotherThread", EShutdownFrom::AnotherThread}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ThreadExecutor, PostAndCallAfterShutdownRunNothing) {
  CThreadExecutor executor;
  executor.Shutdown();
  bool ran = false;
  executor.Post([&] { ran = true; });
  std::thread other([&] { EXPECT_FALSE(executor.Call([&] { ran = true; })); });
  other.join();
  EXPECT_FALSE(executor.Call([&] { ran = true; })) << "on its own thread too";
  PumpFor(20);
  EXPECT_FALSE(ran);
}

} // namespace
