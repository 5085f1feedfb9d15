#include "schedule/ScheduleRules.h"

#include "schedule/Schedule.h"
#include "schedule/ScheduleMessages.h"

namespace {

using C = ECheck;
using P = EPart;
constexpr int ON = SCHEDULE_ACTION_ON;
constexpr int OFF = SCHEDULE_ACTION_OFF;
constexpr ScheduleRule::Check NO_CHECK{C::None, nullptr};

const ScheduleRule RULES[] = {
    {ON,
     SCHEDULE_ONE_TIME,
     "OT,%Q%D,%T%Q,%B",
     {{{C::DurationEmpty, &MSG_CHECK_DURATION_EMPTY_OT}, NO_CHECK, NO_CHECK}},
     &SENTENCE_OT,
     &EDIT_SENTENCE_OT,
     {P::Date, P::Time, P::Duration},
     false},
    {ON,
     SCHEDULE_HOURLY,
     "OH,%Q00:%M:00%Q,%B",
     {{{C::FieldAEmpty, &MSG_CHECK_ON_MINUTE_EMPTY},
       {C::DurationEmpty, &MSG_CHECK_DURATION_EMPTY},
       {C::MinuteOver59, &MSG_CHECK_ON_MINUTE_RANGE}}},
     &SENTENCE_OH,
     &EDIT_SENTENCE_OH,
     {P::FieldA, P::Duration, P::None},
     false},
    {ON,
     SCHEDULE_DAILY,
     "OD,%Q%T%Q,%B",
     {{{C::DurationEmpty, &MSG_CHECK_DURATION_EMPTY}, NO_CHECK, NO_CHECK}},
     &SENTENCE_OD,
     &SENTENCE_OD,
     {P::Time, P::Duration, P::None},
     false},
    {ON,
     SCHEDULE_WEEKLY,
     "OW,%W,%Q%T%Q,%B",
     {{{C::DurationEmpty, &MSG_CHECK_DURATION_EMPTY}, {C::NoDay, &MSG_CHECK_ON_DAYS_NONE}, NO_CHECK}},
     &SENTENCE_OW,
     &SENTENCE_OW,
     {P::Days, P::Time, P::Duration},
     true},
    {ON,
     SCHEDULE_MONTHLY,
     "OM,%A,%Q%T%Q,%B",
     {{{C::DurationEmpty, &MSG_CHECK_DURATION_EMPTY},
       {C::FieldAEmpty, &MSG_CHECK_ON_MDAY_EMPTY},
       {C::NotDayOfMonth, &MSG_CHECK_ON_MDAY_RANGE}}},
     &SENTENCE_OM,
     &EDIT_SENTENCE_OM,
     {P::FieldA, P::Time, P::Duration},
     false},
    {ON,
     SCHEDULE_INTERVAL,
     "OI,%A,%B",
     {{{C::FieldAEmpty, &MSG_CHECK_INTERVAL_EMPTY}, {C::DurationEmpty, &MSG_CHECK_DURATION_EMPTY_OI}, NO_CHECK}},
     &SENTENCE_OI,
     &SENTENCE_OI,
     {P::FieldA, P::Duration, P::None},
     false},
    {ON,
     SCHEDULE_ONLINE,
     "OP,%A,%B",
     {{{C::FieldAEmpty, &MSG_CHECK_INTERVAL_EMPTY}, {C::DurationEmpty, &MSG_CHECK_DURATION_EMPTY_OI}, NO_CHECK}},
     &SENTENCE_OP,
     &EDIT_SENTENCE_OP,
     {P::FieldA, P::Duration, P::None},
     false},
    {OFF,
     SCHEDULE_ONE_TIME,
     "ST,%Q%D,%T%Q",
     {{NO_CHECK, NO_CHECK, NO_CHECK}},
     &SENTENCE_ST,
     &SENTENCE_ST,
     {P::Date, P::Time, P::None},
     false},
    {OFF,
     SCHEDULE_HOURLY,
     "SH,%Q00:%M:00%Q",
     {{{C::FieldAEmpty, &MSG_CHECK_OFF_MINUTE_EMPTY}, {C::MinuteOver59, &MSG_CHECK_OFF_MINUTE_RANGE}, NO_CHECK}},
     &SENTENCE_SH,
     &SENTENCE_SH,
     {P::FieldA, P::None, P::None},
     false},
    {OFF,
     SCHEDULE_DAILY,
     "SD,%Q%T%Q",
     {{NO_CHECK, NO_CHECK, NO_CHECK}},
     &SENTENCE_SD,
     &SENTENCE_SD,
     {P::Time, P::None, P::None},
     false},
    {OFF,
     SCHEDULE_WEEKLY,
     "SW,%Q%T%Q,%W",
     {{{C::NoDay, &MSG_CHECK_OFF_DAYS_NONE}, NO_CHECK, NO_CHECK}},
     &SENTENCE_SW,
     &SENTENCE_SW,
     {P::Days, P::Time, P::None},
     false},
    {OFF,
     SCHEDULE_MONTHLY,
     "SM,%Q%T%Q,%A",
     {{{C::FieldAEmpty, &MSG_CHECK_OFF_MDAY_EMPTY}, {C::NotDayOfMonth, &MSG_CHECK_OFF_MDAY_RANGE}, NO_CHECK}},
     &SENTENCE_SM,
     &SENTENCE_SM,
     {P::FieldA, P::Time, P::None},
     false},
    // Power-off's interval mode is the countdown; it may be empty.
    {OFF,
     SCHEDULE_INTERVAL,
     "SC,%B",
     {{NO_CHECK, NO_CHECK, NO_CHECK}},
     &SENTENCE_SC,
     &SENTENCE_SC,
     {P::Duration, P::None, P::None},
     false},
};

} // namespace

const ScheduleRule *ScheduleRuleOf(int action, int mode) {
  for (const ScheduleRule &r : RULES) {
    if (r.action == action && r.mode == mode)
      return &r;
  }
  return nullptr;
}
