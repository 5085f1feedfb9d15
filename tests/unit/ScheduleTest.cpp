#include "schedule/Schedule.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct DescribeCase {
  const char *schedule;
  const char *en;
  const char *zh;
};

void PrintTo(const DescribeCase &c, std::ostream *os) { *os << c.schedule; }

class Describe : public ::testing::TestWithParam<DescribeCase> {};

} // namespace

TEST_P(Describe, InBothLanguages) {
  const DescribeCase &c = GetParam();
  EXPECT_EQ(DescribeSchedule(QByteArrayView(c.schedule), false), QString::fromUtf8(c.en));
  EXPECT_EQ(DescribeSchedule(QByteArrayView(c.schedule), true), QString::fromUtf8(c.zh));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Describe,
    ::testing::Values(
        DescribeCase{"D", "Disable", "禁用"}, DescribeCase{"Dxyz", "Disable", "禁用"},
        DescribeCase{R"(OT,"2024/03/05,08:30:00",60)", "Power-On time 2024/03/05 08:30:00,Power-Off after 60 Sec",
                     "开机时间2024/03/05 08:30:00,持续60秒关机"},
        DescribeCase{R"(OH,"00:07:00",60)", "Power-On at 07 Min per hour,and Power-Off after 60 Sec",
                     "每小时第07分钟开机,持续60秒关机"},
        DescribeCase{R"(OD,"08:30:00",60)", "Power-On at 08:30:00 per day,and Power-Off after 60 Sec",
                     "每日08:30:00开机,持续60秒关机"},
        DescribeCase{R"(OW,15,"08:30:00",60)",
                     "Power-On on Monday、Friday、08:30:00 per week,and Power-Off after 60 Sec",
                     "每周周一、周五、08:30:00开机,持续60秒关机"},
        DescribeCase{R"(OM,05,"08:30:00",60)", "Power-On on 05 th 08:30:00 per month,and Power-Off after 60 Sec",
                     "每月05号08:30:00开机,持续60秒关机"},
        DescribeCase{R"(OI,30,60)", "Power-On Per 30 Min,and Power-Off after 60 Sec", "每隔30分钟开机,持续60秒关机"},
        DescribeCase{R"(OP,30,60)", "Online per 30 Min,and Offline after 60 Sec ", "每隔30分钟上线,持续60秒下线"},
        DescribeCase{R"(ST,"2024/03/05,22:00:00")", "Power-Off time 2024/03/05 22:00:00",
                     "关机时间2024/03/05 22:00:00"},
        DescribeCase{R"(SH,"00:45:00")", "Power-Off at 45 th Min per hour", "每小时第45分钟关机"},
        DescribeCase{R"(SD,"22:00:00")", "Power-Off at 22:00:00 per day", "每日22:00:00关机"},
        DescribeCase{R"(SW,"22:00:00",15)", "Power-Off on Monday、Friday、22:00:00 per week",
                     "每周周一、周五、22:00:00关机"},
        DescribeCase{R"(SM,"22:00:00",5)", "Power-Off on 5 th 22:00:00 per month", "每月5号22:00:00关机"},
        DescribeCase{"SC,300", "Power-Off after 300 Sec", "300秒后关机"},
        // Kinds read as others, and unknown kind letters as one-time.
        DescribeCase{"OC,30,60", "Power-On Per 30 Min,and Power-Off after 60 Sec", "每隔30分钟开机,持续60秒关机"},
        DescribeCase{"SI,300", "Power-Off after 300 Sec", "300秒后关机"},
        DescribeCase{R"(OX,"2024/03/05,08:30:00",60)", "Power-On time 2024/03/05 08:30:00,Power-Off after 60 Sec",
                     "开机时间2024/03/05 08:30:00,持续60秒关机"},
        // A one-digit day of month, as the editor writes it, reads back.
        DescribeCase{R"(OM,5,"08:30:00",60)", "Power-On on 5 th 08:30:00 per month,and Power-Off after 60 Sec",
                     "每月5号08:30:00开机,持续60秒关机"},
        // Weekday names: all seven in order; an unknown digit repeats the one before.
        DescribeCase{R"(SW,"22:00:00",0123456)",
                     "Power-Off on Sunday、Monday、Tuesday、Wednesday、Thursday、Friday、Saturday、22:00:00 per week",
                     "每周周日、周一、周二、周三、周四、周五、周六、22:00:00关机"},
        DescribeCase{R"(OW,19,"08:30:00",60)",
                     "Power-On on Monday、Monday、08:30:00 per week,and Power-Off after 60 Sec",
                     "每周周一、周一、08:30:00开机,持续60秒关机"},
        DescribeCase{R"(SW,"22:00:00",91)", "Power-Off on Monday、22:00:00 per week", "每周周一、22:00:00关机"},
        // Empty fields at the end.
        DescribeCase{"OI,30,", "Power-On Per 30 Min,and Power-Off after  Sec", "每隔30分钟开机,持续秒关机"},
        DescribeCase{"SC,", "Power-Off after  Sec", "秒后关机"},
        DescribeCase{R"(OT,"2024/03/05,08:30:00",)", "Power-On time 2024/03/05 08:30:00,Power-Off after  Sec",
                     "开机时间2024/03/05 08:30:00,持续秒关机"},
        // Empty sentences.
        DescribeCase{"", "", ""}, DescribeCase{"X", "", ""}, DescribeCase{"O", "", ""}, DescribeCase{"S", "", ""},
        DescribeCase{"SC", "", ""}, DescribeCase{"OP,30,", "", ""}, DescribeCase{"SP,30,60", "", ""},
        DescribeCase{"OW,15", "", ""}, DescribeCase{"OI30", "", ""}, DescribeCase{R"(ST,"2024/03/05,)", "", ""},
        DescribeCase{R"(OT,"2024/03/05,08:30:00")", "", ""}, DescribeCase{R"(OH,"00:07:00")", "", ""},
        DescribeCase{R"(OD,"08:30:00")", "", ""}, DescribeCase{R"(OM,05,"08:30:00")", "", ""},
        DescribeCase{R"(SH,"00:4)", "", ""}, DescribeCase{R"(SD,"22:00)", "Power-Off at 22:0 per day", "每日22:0关机"},
        DescribeCase{R"(SW,"22:00:00",)", "Power-Off on 22:00:00 per week", "每周22:00:00关机"},
        DescribeCase{R"(SW,"22:00:00")", "", ""}));

TEST(Describe, FieldsWithPercentSignsAreCopiedAsIs) {
  EXPECT_EQ(DescribeSchedule("SC,%1%s", false), QStringLiteral("Power-Off after %1%s Sec"));
}

TEST(WeekdayName, OnlyDigitsZeroToSixChangeTheName) {
  QString name = QStringLiteral("keep");
  WeekdayName('7', name, false);
  EXPECT_EQ(name, QStringLiteral("keep"));
  WeekdayName('4', name, false);
  EXPECT_EQ(name, QString::fromUtf8("Thursday、"));
  WeekdayName('x', name, true);
  EXPECT_EQ(name, QString::fromUtf8("Thursday、"));
  WeekdayName('0', name, true);
  EXPECT_EQ(name, QString::fromUtf8("周日、"));
}

namespace {

ScheduleInput In(int action, int mode, const char *a = "", const char *b = "", const char *days = "") {
  ScheduleInput in;
  in.action = action;
  in.mode = mode;
  in.date = QStringLiteral("2024/03/05");
  in.time = QStringLiteral("08:30:00");
  in.fieldA = QString::fromLatin1(a);
  in.fieldB = QString::fromLatin1(b);
  for (const char *d = days; *d; ++d)
    in.days[static_cast<std::size_t>(*d - '0')] = true;
  return in;
}

struct EncodeCase {
  const char *name;
  ScheduleInput input;
  const char *schedule; // expected string, or nullptr when a check fails
  const char *en;       // sentence, or the message of the failed check
  const char *zh;
};

void PrintTo(const EncodeCase &c, std::ostream *os) { *os << c.name; }

class Encode : public ::testing::TestWithParam<EncodeCase> {};

constexpr int ON = SCHEDULE_ACTION_ON;
constexpr int OFF = SCHEDULE_ACTION_OFF;

} // namespace

TEST_P(Encode, InBothLanguages) {
  const EncodeCase &c = GetParam();
  for (bool chinese : {false, true}) {
    SCOPED_TRACE(chinese);
    const ScheduleEdit r = EncodeSchedule(c.input, chinese);
    const QString text = QString::fromUtf8(chinese ? c.zh : c.en);
    if (c.schedule) {
      ASSERT_TRUE(r.ok) << r.error.toStdString();
      EXPECT_EQ(r.schedule, QByteArray(c.schedule));
      EXPECT_EQ(r.sentence, text);
      EXPECT_TRUE(r.error.isEmpty());
    } else {
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.error, text);
      EXPECT_TRUE(r.schedule.isEmpty());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Encode,
    ::testing::Values(
        EncodeCase{"Disable", In(SCHEDULE_ACTION_DISABLE, 3), "D", "Disable", "禁用"},
        EncodeCase{"OT", In(ON, 0, "", "60"), R"(OT,"2024/03/05,08:30:00",60)",
                   "Power-On time 2024/03/05 08:30:00 ,and Power-Off after 60 Sec",
                   "开机时间2024/03/05 08:30:00,持续60秒关机"},
        EncodeCase{"OTNoDuration", In(ON, 0), nullptr, "Power-On delay can't be empty", "开机时长不能为空！"},
        EncodeCase{"OH", In(ON, 1, "7", "10"), R"(OH,"00:07:00",10)",
                   "Power-On at 7 th Min per hour,and Power-Off after 10 Sec", "每小时第7分钟开机,持续10秒关机"},
        EncodeCase{"OH007", In(ON, 1, "007", "10"), R"(OH,"00:07:00",10)",
                   "Power-On at 007 th Min per hour,and Power-Off after 10 Sec", "每小时第007分钟开机,持续10秒关机"},
        EncodeCase{"OH59", In(ON, 1, "59", "10"), R"(OH,"00:59:00",10)",
                   "Power-On at 59 th Min per hour,and Power-Off after 10 Sec", "每小时第59分钟开机,持续10秒关机"},
        EncodeCase{"OH60", In(ON, 1, "60", "10"), nullptr, "Minutes cannot exceed 59!", "分钟不能超过59"},
        EncodeCase{"OHMinuteBeforeDuration", In(ON, 1), nullptr, "Current time point can't be empty!",
                   "当前时间点不能为空！"},
        EncodeCase{"OHDurationBeforeRange", In(ON, 1, "60"), nullptr, "Power-On delay can't be empty!",
                   "开机时长不能为空！"},
        EncodeCase{"OD", In(ON, 2, "", "60"), R"(OD,"08:30:00",60)",
                   "Power-On at 08:30:00 per day,and Power-Off after 60 Sec", "每日08:30:00开机,持续60秒关机"},
        EncodeCase{"ODNoDuration", In(ON, 2), nullptr, "Power-On delay can't be empty!", "开机时长不能为空！"},
        EncodeCase{"OW", In(ON, 3, "", "60", "04"), R"(OW,04,"08:30:00",60)",
                   "Power-On on  Sunday、Thurday、08:30:00 per week,and Power-Off after 60 Sec",
                   "每周周日、周四、08:30:00开机,持续60秒关机"},
        EncodeCase{"OWDurationFirst", In(ON, 3), nullptr, "Power-On delay can't be empty!", "开机时长不能为空！"},
        EncodeCase{"OWNoDay", In(ON, 3, "", "60"), nullptr, "Please choose the date", "请选择日期！"},
        EncodeCase{"OM1", In(ON, 4, "1", "60"), R"(OM,1,"08:30:00",60)",
                   "Power-On on 1 th 08:30:00 per month,Power-Off after 60 Sec", "每月1号08:30:00开机,持续60秒关机"},
        EncodeCase{"OM31", In(ON, 4, "31", "60"), R"(OM,31,"08:30:00",60)",
                   "Power-On on 31 th 08:30:00 per month,Power-Off after 60 Sec", "每月31号08:30:00开机,持续60秒关机"},
        EncodeCase{"OM0", In(ON, 4, "0", "60"), nullptr, "The range of Power-On day is not correct",
                   "开机日次范围不正确！"},
        EncodeCase{"OM32", In(ON, 4, "32", "60"), nullptr, "The range of Power-On day is not correct",
                   "开机日次范围不正确！"},
        EncodeCase{"OMDurationFirst", In(ON, 4), nullptr, "Power-On delay can't be empty!", "开机时长不能为空！"},
        EncodeCase{"OMNoDay", In(ON, 4, "", "60"), nullptr, "Power-On day can't be empty!", "开机日次不能为空！"},
        EncodeCase{"OI", In(ON, 5, "30", "60"), "OI,30,60", "Power-On Per 30 Min,and Power-Off after 60 Sec",
                   "每隔30分钟开机,持续60秒关机"},
        EncodeCase{"OIIntervalFirst", In(ON, 5), nullptr, "Time Interval can't be empty!", "时间间隔不能为空"},
        EncodeCase{"OINoDuration", In(ON, 5, "30"), nullptr, "Power-On delay can't be empty！", "开机时长不能为空！"},
        EncodeCase{"OP", In(ON, 6, "30", "60"), "OP,30,60", "Online per 30 Min,and Offline after 60 Sec",
                   "每隔30分钟上线,持续60秒下线"},
        EncodeCase{"OPNoDuration", In(ON, 6, "30"), nullptr, "Power-On delay can't be empty！", "开机时长不能为空！"},
        EncodeCase{"ST", In(OFF, 0), R"(ST,"2024/03/05,08:30:00")", "Power-Off time 2024/03/05 08:30:00",
                   "关机时间2024/03/05 08:30:00"},
        EncodeCase{"SH", In(OFF, 1, "7"), R"(SH,"00:07:00")", "Power-Off at 7 th Min per hour", "每小时第7分钟关机"},
        EncodeCase{"SHEmpty", In(OFF, 1), nullptr, "Current Time point can't be empty!", "当前时间点不能为空！"},
        EncodeCase{"SH60", In(OFF, 1, "60"), nullptr, "Current Time point cannot exceed 59", "当前时间点不能超过59"},
        EncodeCase{"SD", In(OFF, 2), R"(SD,"08:30:00")", "Power-Off at 08:30:00 per day", "每日08:30:00关机"},
        EncodeCase{"SW", In(OFF, 3, "", "", "15"), R"(SW,"08:30:00",15)",
                   "Power-Off on Monday、Friday、08:30:00 per week", "每周周一、周五、08:30:00关机"},
        EncodeCase{"SWNoDay", In(OFF, 3), nullptr, "Please choose the date!", "请选择日期！"},
        EncodeCase{"SM", In(OFF, 4, "5"), R"(SM,"08:30:00",5)", "Power-Off on 5 th 08:30:00 per month",
                   "每月5号08:30:00关机"},
        EncodeCase{"SMEmpty", In(OFF, 4), nullptr, "Power-Off day can't be empty", "关机日次不能为空！"},
        EncodeCase{"SM32", In(OFF, 4, "32"), nullptr, "The range of Power-On day is not correct!",
                   "开机日次范围不正确！"},
        EncodeCase{"SC", In(OFF, 5, "", "300"), "SC,300", "Power-Off after 300 Sec", "300秒后关机"},
        EncodeCase{"SCEmpty", In(OFF, 5), "SC,", "Power-Off after  Sec", "秒后关机"},
        // No mode chosen (or the power-off list has no entry 6): nothing is formatted.
        EncodeCase{"NoMode", In(ON, -1), "", "", ""}, EncodeCase{"OffMode6", In(OFF, 6), "", "", ""},
        // Fields that would break the string's layout or length.
        EncodeCase{"ThirtyDigits", In(ON, 5, "123456789012345678901234567890", "60"), nullptr,
                   "A number can't have more than 29 digits!", "数字不能超过29位！"},
        EncodeCase{"NotDigits", In(ON, 5, "3,0", "60"), nullptr, "A number can't have more than 29 digits!",
                   "数字不能超过29位！"},
        EncodeCase{"TwentyNineDigits", In(OFF, 5, "", "12345678901234567890123456789"),
                   "SC,12345678901234567890123456789", "Power-Off after 12345678901234567890123456789 Sec",
                   "12345678901234567890123456789秒后关机"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Encode, WrittenStringsReadBackToTheirFields) {
  const ScheduleInput inputs[] = {In(ON, 0, "", "60"),     In(ON, 1, "7", "10"),
                                  In(ON, 2, "", "60"),     In(ON, 3, "", "60", "0246"),
                                  In(ON, 4, "5", "60"),    In(ON, 5, "30", "60"),
                                  In(ON, 6, "30", "60"),   In(OFF, 0),
                                  In(OFF, 1, "7"),         In(OFF, 2),
                                  In(OFF, 3, "", "", "6"), In(OFF, 4, "5"),
                                  In(OFF, 5, "", "300")};
  for (const ScheduleInput &in : inputs) {
    const ScheduleEdit r = EncodeSchedule(in, true);
    SCOPED_TRACE(r.schedule.toStdString());
    ASSERT_TRUE(r.ok);
    // The Chinese editing sentences are the reading sentences (minutes here have two digits).
    const QString expected = in.action == ON && in.mode == 1 ? QStringLiteral("每小时第07分钟开机,持续10秒关机")
                             : in.action == OFF && in.mode == 1 ? QStringLiteral("每小时第07分钟关机")
                                                                : r.sentence;
    EXPECT_EQ(DescribeSchedule(r.schedule, true), expected);
  }
}
