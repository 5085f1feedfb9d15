#include "schedule/ScheduleForm.h"

#include "text/Gbk.h"

#include <QDateTime>

#include <climits>

namespace {

// The decimal digits that start at pos (reading stops at the first non-digit); 0 for none.
int NumberAt(QByteArrayView s, qsizetype pos) {
  long long value = 0;
  for (qsizetype i = pos; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    value = value * 10 + (s[i] - '0');
    if (value > INT_MAX)
      return INT_MAX;
  }
  return static_cast<int>(value);
}

QDate DateAt(QByteArrayView s, qsizetype pos) {
  return QDate(NumberAt(s, pos), NumberAt(s, pos + 5), NumberAt(s, pos + 8));
}
QTime TimeAt(QByteArrayView s, qsizetype pos) {
  return QTime(NumberAt(s, pos), NumberAt(s, pos + 3), NumberAt(s, pos + 6));
}

std::optional<QTime> ValidTime(const QTime &t) { return t.isValid() ? std::optional<QTime>(t) : std::nullopt; }
std::optional<QDate> ValidDate(const QDate &d) { return d.isValid() ? std::optional<QDate>(d) : std::nullopt; }

// Characters from pos on (count of them, or all), empty past the end.
QByteArray Mid(QByteArrayView s, qsizetype pos, qsizetype count = -1) {
  if (pos >= s.size())
    return QByteArray();
  const qsizetype n = count < 0 || pos + count > s.size() ? s.size() - pos : count;
  return s.sliced(pos, n).toByteArray();
}

void TickDays(ScheduleForm &f, QByteArrayView digits) {
  for (char c : digits) {
    if (c >= '0' && c <= '6')
      f.days[static_cast<std::size_t>(c - '0')] = true;
  }
}

// Each return of false is the first field the string no longer reaches.
bool ReadPowerOn(ScheduleForm &f, QByteArrayView s) {
  const qsizetype len = s.size();
  switch (f.mode) {
  case SCHEDULE_ONE_TIME: {
    if (len < 23)
      return false;
    // The pickers take the date and time together or not at all.
    const QDate d = DateAt(s, 4);
    const QTime t = TimeAt(s, 15);
    if (d.isValid() && t.isValid()) {
      f.date = d;
      f.time = t;
    }
    if (len < 25)
      return false;
    f.fieldB = Mid(s, 25);
    return true;
  }
  case SCHEDULE_HOURLY:
    if (len < 9)
      return false;
    f.fieldA = Mid(s, 7, 2);
    if (len < 14)
      return false;
    f.fieldB = Mid(s, 14);
    return true;
  case SCHEDULE_DAILY:
    if (len < 12)
      return false;
    f.time = ValidTime(TimeAt(s, 4));
    if (len < 14)
      return false;
    f.fieldB = Mid(s, 14);
    return true;
  case SCHEDULE_WEEKLY:
  case SCHEDULE_MONTHLY: {
    // Cut at the first comma, so a day of month written with one digit reads too.
    const auto n = ScheduleFirstFieldLength(s);
    if (!n)
      return false;
    if (f.mode == SCHEDULE_WEEKLY)
      TickDays(f, s.sliced(3, *n));
    else
      f.fieldA = Mid(s, 3, *n);
    if (len < *n + 13)
      return false;
    f.time = ValidTime(TimeAt(s, *n + 5));
    if (len < *n + 15)
      return false;
    f.fieldB = Mid(s, *n + 15);
    return true;
  }
  default: { // interval, on/off-line
    const auto n = ScheduleFirstFieldLength(s);
    if (!n)
      return false;
    f.fieldA = Mid(s, 3, *n);
    if (f.mode == SCHEDULE_ONLINE ? len <= *n + 4 : len < *n + 4)
      return false;
    f.fieldB = Mid(s, *n + 4);
    return true;
  }
  }
}

bool ReadPowerOff(ScheduleForm &f, QByteArrayView s) {
  const qsizetype len = s.size();
  switch (f.mode) {
  case SCHEDULE_ONE_TIME:
    if (len < 14)
      return false;
    f.date = ValidDate(DateAt(s, 4));
    if (len < 16)
      return false;
    f.time = ValidTime(TimeAt(s, 15));
    return true;
  case SCHEDULE_HOURLY:
    if (len < 9)
      return false;
    f.fieldA = Mid(s, 7, 2);
    return true;
  case SCHEDULE_DAILY:
    if (len < 9)
      return false;
    f.time = ValidTime(TimeAt(s, 4));
    return true;
  case SCHEDULE_WEEKLY:
  case SCHEDULE_MONTHLY:
    if (len < 12)
      return false;
    f.time = ValidTime(TimeAt(s, 4));
    if (len < 14)
      return false;
    if (f.mode == SCHEDULE_WEEKLY)
      TickDays(f, s.sliced(14));
    else
      f.fieldA = Mid(s, 14);
    return true;
  case SCHEDULE_INTERVAL: // countdown
    if (len < 3)
      return false;
    f.fieldB = Mid(s, 3);
    return true;
  default: // the power-off list has no on/off-line mode: nothing to read
    return true;
  }
}

} // namespace

ScheduleForm ParseScheduleForm(QByteArrayView schedule) {
  const QByteArrayView s = schedule.first(std::min<qsizetype>(schedule.size(), 99));
  ScheduleForm f;
  const char action = s.isEmpty() ? '\0' : s[0];
  if (action == 'D' || action == '\0')
    return f; // a disabled group, or none at all: no mode and no fields
  if (action == 'O' || action == 'S') {
    f.action = action == 'O' ? SCHEDULE_ACTION_ON : SCHEDULE_ACTION_OFF;
    f.mode = ScheduleKindOf(s.size() > 1 ? s[1] : '\0');
  } else {
    f.mode = SCHEDULE_ONE_TIME;
  }
  f.complete = f.action == SCHEDULE_ACTION_ON ? ReadPowerOn(f, s) : ReadPowerOff(f, s);
  return f;
}

QDate ScheduleFormFirstDate() { return QDate(100, 1, 1); }
QDate ScheduleFormLastDate() { return QDate(9999, 12, 31); }

ScheduleInput ScheduleInputOf(const ScheduleForm &form, const QDateTime &fallback) {
  ScheduleInput in;
  in.action = form.action;
  const int modes = form.action == SCHEDULE_ACTION_ON ? 7 : form.action == SCHEDULE_ACTION_OFF ? 6 : 0;
  in.mode = form.mode >= 0 && form.mode < modes ? form.mode : -1;
  const QDate date = std::clamp(form.date.value_or(fallback.date()), ScheduleFormFirstDate(), ScheduleFormLastDate());
  in.date = date.toString(QStringLiteral("yyyy/MM/dd"));
  in.time = form.time.value_or(fallback.time()).toString(QStringLiteral("HH:mm:ss"));
  in.fieldA = text::FromGbk(form.fieldA);
  in.fieldB = text::FromGbk(form.fieldB);
  in.days = form.days;
  return in;
}
