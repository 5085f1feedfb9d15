#include "host/Event.h"
#include "host/Timing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

TEST(Timing, ScalesEveryDurationButNeverToZero) {
  const double old = CTiming::Scale();
  CTiming::SetScale(0.01);
  EXPECT_EQ(CTiming::Ms(30000), 300);
  EXPECT_EQ(CTiming::Ms(20), 1);
  EXPECT_EQ(CTiming::Ms(0), 0);
  EXPECT_EQ(CTiming::Ms(-1), -1);
  CTiming::SetScale(-3); // refused
  EXPECT_DOUBLE_EQ(CTiming::Scale(), 0.01);
  CTiming::SetScale(old);
}

TEST(Event, ManualResetStaysSignalledUntilReset) {
  CEvent ev;
  EXPECT_FALSE(ev.WaitRaw(10));
  std::thread t([&] { ev.Set(); });
  EXPECT_TRUE(ev.WaitRaw(5000));
  t.join();
  EXPECT_TRUE(ev.WaitRaw(0)); // still set
  ev.Reset();
  EXPECT_FALSE(ev.WaitRaw(0));
}
