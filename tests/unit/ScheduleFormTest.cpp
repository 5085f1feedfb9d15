// Reading a schedule string into what the editor shows when it opens on it,
// and composing the string again from what it shows.
#include "schedule/ScheduleForm.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

constexpr int ON = SCHEDULE_ACTION_ON;
constexpr int OFF = SCHEDULE_ACTION_OFF;
constexpr int DIS = SCHEDULE_ACTION_DISABLE;

struct FormCase {
  const char *schedule;
  int action;
  int mode;
  const char *date; // yyyy-MM-dd, or nullptr when the pickers keep their date
  const char *time; // HH:mm:ss, or nullptr
  const char *a;
  const char *b;
  const char *days; // ticked weekday digits
  bool complete;
};

void PrintTo(const FormCase &c, std::ostream *os) { *os << c.schedule; }

ScheduleForm Expected(const FormCase &c) {
  ScheduleForm f;
  f.action = c.action;
  f.mode = c.mode;
  if (c.date)
    f.date = QDate::fromString(QString::fromLatin1(c.date), Qt::ISODate);
  if (c.time)
    f.time = QTime::fromString(QString::fromLatin1(c.time), Qt::ISODate);
  f.fieldA = c.a;
  f.fieldB = c.b;
  for (const char *d = c.days; *d; ++d)
    f.days[static_cast<std::size_t>(*d - '0')] = true;
  f.complete = c.complete;
  return f;
}

std::string Show(const ScheduleForm &f) {
  std::string days;
  for (int d = 0; d < 7; ++d)
    days += f.days[static_cast<std::size_t>(d)] ? char('0' + d) : '-';
  return "action " + std::to_string(f.action) + " mode " + std::to_string(f.mode) + " date " +
         (f.date ? f.date->toString(Qt::ISODate).toStdString() : "-") + " time " +
         (f.time ? f.time->toString(Qt::ISODate).toStdString() : "-") + " a '" + f.fieldA.toStdString() + "' b '" +
         f.fieldB.toStdString() + "' days " + days + (f.complete ? " complete" : " incomplete");
}

class Form : public ::testing::TestWithParam<FormCase> {};

} // namespace

TEST_P(Form, ReadsWhatTheEditorShows) {
  const FormCase &c = GetParam();
  const ScheduleForm f = ParseScheduleForm(QByteArrayView(c.schedule));
  EXPECT_EQ(Show(f), Show(Expected(c)));
  EXPECT_TRUE(f == Expected(c));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Form,
    ::testing::Values(
        // Disabled, empty and every mode of both actions.
        FormCase{"", DIS, -1, nullptr, nullptr, "", "", "", true},
        FormCase{"D", DIS, -1, nullptr, nullptr, "", "", "", true},
        FormCase{"DOT,\"2024/03/05,08:30:00\",60", DIS, -1, nullptr, nullptr, "", "", "", true},
        FormCase{R"(OT,"2024/03/05,08:30:00",60)", ON, 0, "2024-03-05", "08:30:00", "", "60", "", true},
        FormCase{R"(OH,"00:07:00",60)", ON, 1, nullptr, nullptr, "07", "60", "", true},
        FormCase{R"(OD,"08:30:00",600)", ON, 2, nullptr, "08:30:00", "", "600", "", true},
        FormCase{R"(OW,15,"07:00:00",120)", ON, 3, nullptr, "07:00:00", "", "120", "15", true},
        FormCase{R"(OM,31,"12:00:00",90)", ON, 4, nullptr, "12:00:00", "31", "90", "", true},
        FormCase{"OI,120,30", ON, 5, nullptr, nullptr, "120", "30", "", true},
        FormCase{"OP,15,300", ON, 6, nullptr, nullptr, "15", "300", "", true},
        FormCase{R"(ST,"2031/12/31,22:00:00")", OFF, 0, "2031-12-31", "22:00:00", "", "", "", true},
        FormCase{R"(SH,"00:59:00")", OFF, 1, nullptr, nullptr, "59", "", "", true},
        FormCase{R"(SD,"23:00:00")", OFF, 2, nullptr, "23:00:00", "", "", "", true},
        FormCase{R"(SW,"22:00:00",06)", OFF, 3, nullptr, "22:00:00", "", "", "06", true},
        FormCase{R"(SM,"22:00:00",1)", OFF, 4, nullptr, "22:00:00", "1", "", "", true},
        FormCase{"SC,3600", OFF, 5, nullptr, nullptr, "", "3600", "", true},
        // Letters read as other modes; a first letter other than O, S or D.
        FormCase{"OC,30,60", ON, 5, nullptr, nullptr, "30", "60", "", true},
        FormCase{"SI,300", OFF, 5, nullptr, nullptr, "", "300", "", true},
        FormCase{R"(OX,"2024/03/05,08:30:00",60)", ON, 0, "2024-03-05", "08:30:00", "", "60", "", true},
        FormCase{"SP,10,20", OFF, 6, nullptr, nullptr, "", "", "", true},
        FormCase{R"(X?,"2024/03/05,22:00:00")", DIS, 0, "2024-03-05", "22:00:00", "", "", "", true},
        // One-digit day of month; weekday digits outside 0 to 6 tick nothing.
        FormCase{R"(OM,5,"08:00:00",30)", ON, 4, nullptr, "08:00:00", "5", "30", "", true},
        FormCase{R"(OW,1789,"07:00:00",1)", ON, 3, nullptr, "07:00:00", "", "1", "1", true},
        // Strings that end early: the fields read so far, not complete.
        FormCase{"O", ON, 0, nullptr, nullptr, "", "", "", false},
        FormCase{"SC", OFF, 5, nullptr, nullptr, "", "", "", false},
        FormCase{R"(OT,"2024/03/05,08:30:00)", ON, 0, "2024-03-05", "08:30:00", "", "", "", false},
        FormCase{R"(OT,"2024/03/05,08:30)", ON, 0, nullptr, nullptr, "", "", "", false},
        FormCase{R"(OH,"00:07:0)", ON, 1, nullptr, nullptr, "07", "", "", false},
        FormCase{R"(OH,"00:0)", ON, 1, nullptr, nullptr, "", "", "", false},
        FormCase{"OW,15", ON, 3, nullptr, nullptr, "", "", "", false},
        FormCase{R"(OW,15,"07:00:0)", ON, 3, nullptr, nullptr, "", "", "15", false},
        FormCase{"OI,15", ON, 5, nullptr, nullptr, "", "", "", false},
        FormCase{"OI,15,", ON, 5, nullptr, nullptr, "15", "", "", true},
        FormCase{"OP,15,", ON, 6, nullptr, nullptr, "15", "", "", false},
        FormCase{"SC,", OFF, 5, nullptr, nullptr, "", "", "", true},
        FormCase{R"(ST,"2031/12/31)", OFF, 0, "2031-12-31", nullptr, "", "", "", false},
        FormCase{R"(SW,"22:00:0)", OFF, 3, nullptr, nullptr, "", "", "", false},
        FormCase{R"(SW,"22:00:00")", OFF, 3, nullptr, "22:00:00", "", "", "", false},
        // Numbers out of range: no such date or time, so the pickers keep theirs;
        // a one-time power-on takes date and time together or neither.
        FormCase{R"(OT,"2024/13/05,08:30:00",60)", ON, 0, nullptr, nullptr, "", "60", "", true},
        FormCase{R"(OT,"2023/02/29,08:30:00",60)", ON, 0, nullptr, nullptr, "", "60", "", true},
        FormCase{R"(OT,"2024/03/05,24:00:00",60)", ON, 0, nullptr, nullptr, "", "60", "", true},
        FormCase{R"(ST,"2024/13/05,22:00:00")", OFF, 0, nullptr, "22:00:00", "", "", "", true},
        FormCase{R"(OD,"08:60:00",600)", ON, 2, nullptr, nullptr, "", "600", "", true},
        FormCase{R"(SD,"99999999999999)", OFF, 2, nullptr, nullptr, "", "", "", true},
        // Trailing junk stays in the last field (where OK then refuses it) or is not read.
        FormCase{R"(OD,"08:30:00",60xyz)", ON, 2, nullptr, "08:30:00", "", "60xyz", "", true},
        FormCase{R"(SH,"00:59:00"junk)", OFF, 1, nullptr, nullptr, "59", "", "", true},
        FormCase{R"(SD,"23:00:00"junk)", OFF, 2, nullptr, "23:00:00", "", "", "", true}));

TEST(Form, ALeadingNulReadsAsNoString) {
  const QByteArray s("\0OT,\"2024/03/05,08:30:00\",60", 29);
  EXPECT_TRUE(ParseScheduleForm(s) == ScheduleForm{});
}

TEST(Form, OnlyTheFirst99CharactersAreRead) {
  const QByteArray digits(120, '7');
  const ScheduleForm f = ParseScheduleForm("SC," + digits);
  EXPECT_EQ(f.fieldB, digits.left(96));
}

namespace {
const QDateTime OPENED(QDate(2030, 6, 7), QTime(9, 10, 11));
}

TEST(Form, WhatTheEditorHoldsAfterOpening) {
  // The fallback fills what the string lacks; the mode list decides the mode.
  ScheduleInput in = ScheduleInputOf(ParseScheduleForm(R"(OW,15,"07:00:00",120)"), OPENED);
  EXPECT_EQ(in.action, ON);
  EXPECT_EQ(in.mode, SCHEDULE_WEEKLY);
  EXPECT_EQ(in.date, QStringLiteral("2030/06/07"));
  EXPECT_EQ(in.time, QStringLiteral("07:00:00"));
  EXPECT_EQ(in.fieldA, QString());
  EXPECT_EQ(in.fieldB, QStringLiteral("120"));
  EXPECT_EQ(in.days, (std::array<bool, 7>{false, true, false, false, false, true, false}));

  EXPECT_EQ(ScheduleInputOf(ParseScheduleForm("SP,10,20"), OPENED).mode, -1);
  EXPECT_EQ(ScheduleInputOf(ParseScheduleForm("D"), OPENED).mode, -1);
  in = ScheduleInputOf(ParseScheduleForm(R"(X?,"2024/03/05,22:00:00")"), OPENED);
  EXPECT_EQ(in.action, DIS);
  EXPECT_EQ(in.mode, -1);
  EXPECT_EQ(in.date, QStringLiteral("2024/03/05"));
  // Years before the picker's first one show as its first date.
  EXPECT_EQ(ScheduleInputOf(ParseScheduleForm(R"(ST,"0050/01/01,22:00:00")"), OPENED).date,
            QStringLiteral("0100/01/01"));
}

TEST(Form, EveryStringTheEditorWritesComesBackUnchanged) {
  const char *const strings[] = {
      "D",
      R"(OT,"2024/02/29,23:59:59",60)",
      R"(OT,"1969/07/20,20:17:40",5)",
      R"(OH,"00:07:00",30)",
      R"(OD,"08:30:00",600)",
      R"(OW,15,"08:30:00",60)",
      R"(OW,0123456,"00:00:01",1)",
      R"(OM,31,"12:00:00",90)",
      R"(OM,5,"12:00:00",90)",
      "OI,120,30",
      "OP,15,300",
      R"(ST,"2031/12/31,22:00:00")",
      R"(SH,"00:59:00")",
      R"(SD,"23:00:00")",
      R"(SW,"22:00:00",06)",
      R"(SM,"22:00:00",1)",
      "SC,3600",
      "SC,",
  };
  for (const char *s : strings) {
    SCOPED_TRACE(s);
    const ScheduleForm f = ParseScheduleForm(s);
    EXPECT_TRUE(f.complete);
    const ScheduleEdit r = EncodeSchedule(ScheduleInputOf(f, OPENED), false);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.schedule, QByteArray(s));
  }
}

TEST(Form, StringsWithWrongFieldsAreRefusedOnOk) {
  // What opens with junk or a bad number is not written back as it was.
  for (const char *s : {R"(OD,"08:30:00",60xyz)", R"(OH,"00:7:00",60)", R"(OM,32,"12:00:00",90)"}) {
    SCOPED_TRACE(s);
    EXPECT_FALSE(EncodeSchedule(ScheduleInputOf(ParseScheduleForm(s), OPENED), false).ok);
  }
}
