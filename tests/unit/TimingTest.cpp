#include "base/Event.h"
#include "host/TimeScaleWarning.h"
#include "base/Timing.h"
#include "text/Lang.h"

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

TEST(Timing, AScaleOtherThanOneIsAnnouncedInBothLanguages) {
  struct Case {
    double scale;
    bool chinese;
    const char *expected;
  };
  const Case cases[] = {
      {1.0, false, ""},
      {1.0, true, ""},
      {0.1, false,
       ">>> Warning: STRELVANE_TIME_SCALE=0.1 is in force: every time-out and pause runs at 0.1 x its real length\r\n"},
      {0.1, true, ">>> 警告：STRELVANE_TIME_SCALE=0.1 已生效：所有超时和等待都按实际时长的 0.1 倍运行\r\n"},
      {2.5, false,
       ">>> Warning: STRELVANE_TIME_SCALE=2.5 is in force: every time-out and pause runs at 2.5 x its real length\r\n"},
  };
  const double oldScale = CTiming::Scale();
  const std::uint8_t oldLang = g_chineseUi.load();
  for (const Case &c : cases) {
    SCOPED_TRACE(c.expected);
    CTiming::SetScale(c.scale);
    g_chineseUi = c.chinese ? 1 : 0;
    EXPECT_EQ(TimeScaleWarning(), QString::fromUtf8(c.expected));
  }
  CTiming::SetScale(oldScale);
  g_chineseUi = oldLang;
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
