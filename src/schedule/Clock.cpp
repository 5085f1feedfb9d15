#include "schedule/Clock.h"

#include <QString>

#include <chrono>
#include <climits>

namespace {

// C-library style number at the start of s: blanks, optional sign, digits.
long long LeadingNumber(QByteArrayView s) {
  qsizetype i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
    ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-'))
    negative = s[i++] == '-';
  long long value = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    value = value * 10 + (s[i] - '0');
    if (value > INT_MAX)
      value = INT_MAX;
  }
  return negative ? -value : value;
}

} // namespace

std::optional<int> WeekdayOf(int year, int month, int day) {
  if (month < 1 || month > 12 || day < 1 || day > 31 || year < -32767 || year > 32767)
    return std::nullopt;
  const std::chrono::year_month_day ymd{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                        std::chrono::day{static_cast<unsigned>(day)}};
  if (!ymd.ok())
    return std::nullopt;
  return static_cast<int>(std::chrono::weekday{std::chrono::sys_days{ymd}}.c_encoding());
}

QByteArray ClockString(const QDateTime &local) {
  const QDate d = local.date();
  const QTime t = local.time();
  const int weekday = WeekdayOf(d.year(), d.month(), d.day()).value_or(d.dayOfWeek() % 7);
  return QString::asprintf("\"%d/%02d/%02d,%02d:%02d:%02d\",%d", d.year(), d.month(), d.day(), t.hour(), t.minute(),
                           t.second(), weekday)
      .toLatin1();
}

QByteArray ClockStringNow() { return ClockString(QDateTime::currentDateTime()); }

std::optional<QByteArray> ClockStringFromText(QByteArrayView date, QByteArrayView time) {
  const qsizetype s1 = date.indexOf('/');
  const qsizetype s2 = s1 < 0 ? -1 : date.indexOf('/', s1 + 1);
  if (s2 < 0)
    return std::nullopt;
  const long long year = LeadingNumber(date.first(s1));
  const long long month = LeadingNumber(date.sliced(s1 + 1, s2 - s1 - 1));
  const long long day = LeadingNumber(date.sliced(s2 + 1));
  if (year < INT_MIN || year > INT_MAX)
    return std::nullopt;
  const std::optional<int> weekday =
      WeekdayOf(static_cast<int>(year), static_cast<int>(month < 0 || month > 99 ? 0 : month),
                static_cast<int>(day < 0 || day > 99 ? 0 : day));
  if (!weekday)
    return std::nullopt;
  return "\"" + date.toByteArray() + ',' + time.toByteArray() + "\"," + QByteArray::number(*weekday);
}
