#include "schedule/Clock.h"

#include <gtest/gtest.h>

TEST(Clock, WeekdayForAnyYear) {
  struct {
    int y, m, d, weekday;
  } const cases[] = {{2024, 3, 5, 2}, {1969, 12, 31, 3}, {2038, 1, 19, 2},  {1900, 1, 1, 1},
                     {2100, 3, 1, 1}, {1, 1, 1, 1},      {9999, 12, 31, 5}, {2024, 2, 29, 4}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.y);
    EXPECT_EQ(WeekdayOf(c.y, c.m, c.d), c.weekday);
  }
  EXPECT_EQ(WeekdayOf(2023, 2, 29), std::nullopt);
  EXPECT_EQ(WeekdayOf(2024, 13, 1), std::nullopt);
  EXPECT_EQ(WeekdayOf(2024, 0, 1), std::nullopt);
}

TEST(Clock, StringFromPcClockAndFromText) {
  EXPECT_EQ(ClockString(QDateTime(QDate(2024, 3, 5), QTime(8, 30, 0))), QByteArray(R"("2024/03/05,08:30:00",2)"));
  EXPECT_EQ(ClockString(QDateTime(QDate(2040, 1, 1), QTime(0, 0, 9))), QByteArray(R"("2040/01/01,00:00:09",0)"));
  EXPECT_EQ(ClockStringFromText("2024/03/05", "08:30:00"), QByteArray(R"("2024/03/05,08:30:00",2)"));
  EXPECT_EQ(ClockStringFromText("1960/07/04", "23:59:59"), QByteArray(R"("1960/07/04,23:59:59",1)"));
  EXPECT_EQ(ClockStringFromText("2024-03-05", "08:30:00"), std::nullopt);
  EXPECT_EQ(ClockStringFromText("2023/02/29", "08:30:00"), std::nullopt);
  EXPECT_EQ(ClockStringFromText("99999999999/01/01", "08:30:00"), std::nullopt);
  const QByteArray now = ClockStringNow();
  EXPECT_EQ(now.size(), 23) << now.toStdString();
  EXPECT_TRUE(now.startsWith('"'));
}
