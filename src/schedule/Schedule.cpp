#include "schedule/Schedule.h"

#include "schedule/ScheduleMessages.h"
#include "text/Gbk.h"

#include <chrono>
#include <climits>
#include <initializer_list>

namespace {

QString Pick(const CMsg &msg, bool chinese) { return chinese ? msg.Zh() : msg.En(); }

// Fills each "%s" of the template in turn; fields are never themselves scanned
// for placeholders, so a "%1" or "%s" inside a field stays as it is.
QString Fill(const QString &pattern, std::initializer_list<QString> args) {
  QString out;
  auto arg = args.begin();
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == QLatin1Char('%') && i + 1 < pattern.size() && pattern[i + 1] == QLatin1Char('s') &&
        arg != args.end()) {
      out += *arg++;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

QString Field(const QByteArray &bytes) { return text::FromGbk(bytes); }

// Characters from..to (inclusive) of s; the caller has checked the length.
QByteArray Cut(QByteArrayView s, qsizetype from, qsizetype to) { return s.sliced(from, to - from + 1).toByteArray(); }
QByteArray Rest(QByteArrayView s, qsizetype from) { return s.sliced(from).toByteArray(); }

int KindOf(char letter) {
  switch (letter) {
  case 'H':
    return SCHEDULE_HOURLY;
  case 'D':
    return SCHEDULE_DAILY;
  case 'W':
    return SCHEDULE_WEEKLY;
  case 'M':
    return SCHEDULE_MONTHLY;
  case 'I':
  case 'C':
    return SCHEDULE_INTERVAL;
  case 'P':
    return SCHEDULE_ONLINE;
  default:
    return SCHEDULE_ONE_TIME; // T and anything unknown
  }
}

// Length of the variable first field (days, day of month or interval) that
// starts at index 3 and ends before the first comma at index 4 or later.
std::optional<qsizetype> FirstFieldLength(QByteArrayView s) {
  if (s.size() <= 4)
    return std::nullopt;
  const qsizetype comma = s.indexOf(',', 4);
  if (comma < 0)
    return std::nullopt;
  return comma - 3;
}

// The value of a field of digits as the editor reads it: its leading decimal
// digits, saturated so that long inputs cannot overflow.
long long DigitsValue(const QString &field) {
  long long value = 0;
  for (QChar c : field) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
      break;
    value = value * 10 + (c.unicode() - '0');
    if (value > INT_MAX)
      return INT_MAX;
  }
  return value;
}

bool AllDigits(const QString &field) {
  for (QChar c : field) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
      return false;
  }
  return true;
}

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

std::optional<ScheduleFields> ReadSchedule(QByteArrayView s) {
  if (s.isEmpty() || (s[0] != 'O' && s[0] != 'S'))
    return std::nullopt;
  ScheduleFields f;
  f.action = s[0];
  f.kind = KindOf(s.size() > 1 ? s[1] : '\0');
  const qsizetype len = s.size();
  if (f.action == 'O') {
    switch (f.kind) {
    case SCHEDULE_ONE_TIME:
      if (len < 25)
        return std::nullopt;
      f.date = Cut(s, 4, 13);
      f.time = Cut(s, 15, 22);
      f.duration = Rest(s, 25);
      return f;
    case SCHEDULE_HOURLY:
      if (len < 14)
        return std::nullopt;
      f.a = Cut(s, 7, 8);
      f.duration = Rest(s, 14);
      return f;
    case SCHEDULE_DAILY:
      if (len < 14)
        return std::nullopt;
      f.time = Cut(s, 4, 11);
      f.duration = Rest(s, 14);
      return f;
    case SCHEDULE_WEEKLY:
    case SCHEDULE_MONTHLY: {
      // Split at the commas, so a day of month written with one digit reads too.
      const auto n = FirstFieldLength(s);
      if (!n || len < *n + 15)
        return std::nullopt;
      (f.kind == SCHEDULE_WEEKLY ? f.days : f.a) = Cut(s, 3, *n + 2);
      f.time = Cut(s, *n + 5, *n + 12);
      f.duration = Rest(s, *n + 15);
      return f;
    }
    default: { // interval, on/off-line
      const auto n = FirstFieldLength(s);
      if (!n || len < *n + (f.kind == SCHEDULE_ONLINE ? 5 : 4))
        return std::nullopt;
      f.a = Cut(s, 3, *n + 2);
      f.duration = Rest(s, *n + 4);
      return f;
    }
    }
  }
  switch (f.kind) {
  case SCHEDULE_ONE_TIME:
    if (len < 16)
      return std::nullopt;
    f.date = Cut(s, 4, 13);
    f.time = Cut(s, 15, len - 2); // the closing quote is left out
    return f;
  case SCHEDULE_HOURLY:
    if (len < 9)
      return std::nullopt;
    f.a = Cut(s, 7, 8);
    return f;
  case SCHEDULE_DAILY:
    if (len < 9)
      return std::nullopt;
    f.time = Cut(s, 4, len - 2);
    return f;
  case SCHEDULE_WEEKLY:
  case SCHEDULE_MONTHLY:
    if (len < 14)
      return std::nullopt;
    f.time = Cut(s, 4, 11);
    (f.kind == SCHEDULE_WEEKLY ? f.days : f.a) = Rest(s, 14);
    return f;
  case SCHEDULE_INTERVAL: // countdown
    if (len < 3)
      return std::nullopt;
    f.duration = Rest(s, 3);
    return f;
  default: // no power-off on/off-line rule
    return std::nullopt;
  }
}

void WeekdayName(char digit, QString &name, bool chinese) {
  static const char *const EN[7] = {"Sunday、",   "Monday、", "Tuesday、", "Wednesday、",
                                    "Thursday、", "Friday、", "Saturday、"};
  static const char *const ZH[7] = {"周日、", "周一、", "周二、", "周三、", "周四、", "周五、", "周六、"};
  if (digit >= '0' && digit <= '6')
    name = QString::fromUtf8((chinese ? ZH : EN)[digit - '0']);
}

void WeekdayName(char digit, QString &name) { WeekdayName(digit, name, g_chineseUi.load() != 0); }

namespace {
// A character outside 0 to 6 repeats the name before it, as the device's
// tools have always read such strings.
QString DayNames(const QByteArray &days, bool chinese) {
  QString names;
  QString name;
  for (char c : days) {
    WeekdayName(c, name, chinese);
    names += name;
  }
  return names;
}
} // namespace

QString DescribeSchedule(QByteArrayView s, bool chinese) {
  if (s.isEmpty())
    return QString();
  if (s[0] == 'D')
    return Pick(MSG_SCHEDULE_DISABLE, chinese);
  const std::optional<ScheduleFields> f = ReadSchedule(s);
  if (!f)
    return QString();
  auto say = [chinese](const CMsg &m, std::initializer_list<QString> args) { return Fill(Pick(m, chinese), args); };
  if (f->action == 'O') {
    switch (f->kind) {
    case SCHEDULE_ONE_TIME:
      return say(SENTENCE_OT, {Field(f->date), Field(f->time), Field(f->duration)});
    case SCHEDULE_HOURLY:
      return say(SENTENCE_OH, {Field(f->a), Field(f->duration)});
    case SCHEDULE_DAILY:
      return say(SENTENCE_OD, {Field(f->time), Field(f->duration)});
    case SCHEDULE_WEEKLY:
      return say(SENTENCE_OW, {DayNames(f->days, chinese), Field(f->time), Field(f->duration)});
    case SCHEDULE_MONTHLY:
      return say(SENTENCE_OM, {Field(f->a), Field(f->time), Field(f->duration)});
    case SCHEDULE_INTERVAL:
      return say(SENTENCE_OI, {Field(f->a), Field(f->duration)});
    default:
      return say(SENTENCE_OP, {Field(f->a), Field(f->duration)});
    }
  }
  switch (f->kind) {
  case SCHEDULE_ONE_TIME:
    return say(SENTENCE_ST, {Field(f->date), Field(f->time)});
  case SCHEDULE_HOURLY:
    return say(SENTENCE_SH, {Field(f->a)});
  case SCHEDULE_DAILY:
    return say(SENTENCE_SD, {Field(f->time)});
  case SCHEDULE_WEEKLY:
    return say(SENTENCE_SW, {DayNames(f->days, chinese), Field(f->time)});
  case SCHEDULE_MONTHLY:
    return say(SENTENCE_SM, {Field(f->a), Field(f->time)});
  default:
    return say(SENTENCE_SC, {Field(f->duration)});
  }
}

QString DescribeSchedule(QByteArrayView s) { return DescribeSchedule(s, g_chineseUi.load() != 0); }

ScheduleEdit EncodeSchedule(const ScheduleInput &in, bool chinese) {
  ScheduleEdit out;
  auto fail = [&](const CMsg &msg) {
    out.error = Pick(msg, chinese);
    return out;
  };
  auto say = [chinese](const CMsg &m, std::initializer_list<QString> args) { return Fill(Pick(m, chinese), args); };
  if (in.action == SCHEDULE_ACTION_DISABLE) {
    out.ok = true;
    out.schedule = "D";
    out.sentence = Pick(MSG_SCHEDULE_DISABLE, chinese);
    return out;
  }
  const bool on = in.action == SCHEDULE_ACTION_ON;
  const int modes = on ? 7 : 6;
  if (in.mode < 0 || in.mode >= modes) {
    out.ok = true; // nothing chosen: the editor closes with empty results
    return out;
  }

  const QString &a = in.fieldA;
  const QString &b = in.fieldB;
  const long long aValue = DigitsValue(a);
  bool anyDay = false;
  QByteArray days;
  QString editorDayNames;
  QString dayNames;
  // The editor's English power-on list has its own spelling of two names.
  static const char *const EDITOR_EN[7] = {" Sunday、", "Monday、", "Tuesday、", "Wednesday、",
                                           "Thurday、", "Friday、", "Saturday、"};
  for (int d = 0; d < 7; ++d) {
    if (!in.days[static_cast<std::size_t>(d)])
      continue;
    anyDay = true;
    days += static_cast<char>('0' + d);
    QString name;
    WeekdayName(static_cast<char>('0' + d), name, chinese);
    dayNames += name;
    editorDayNames += chinese ? name : QString::fromUtf8(EDITOR_EN[d]);
  }

  // Checks in the order the editor has always made them; the first failure is shown.
  const CMsg *failed = nullptr;
  auto check = [&](bool bad, const CMsg &msg) {
    if (!failed && bad)
      failed = &msg;
  };
  bool usesA = false;
  bool usesB = false;
  if (on) {
    switch (in.mode) {
    case SCHEDULE_ONE_TIME:
      check(b.isEmpty(), MSG_CHECK_DURATION_EMPTY_OT);
      usesB = true;
      break;
    case SCHEDULE_HOURLY:
      check(a.isEmpty(), MSG_CHECK_ON_MINUTE_EMPTY);
      check(b.isEmpty(), MSG_CHECK_DURATION_EMPTY);
      check(aValue > 59, MSG_CHECK_ON_MINUTE_RANGE);
      usesA = usesB = true;
      break;
    case SCHEDULE_DAILY:
      check(b.isEmpty(), MSG_CHECK_DURATION_EMPTY);
      usesB = true;
      break;
    case SCHEDULE_WEEKLY:
      check(b.isEmpty(), MSG_CHECK_DURATION_EMPTY);
      check(!anyDay, MSG_CHECK_ON_DAYS_NONE);
      usesB = true;
      break;
    case SCHEDULE_MONTHLY:
      check(b.isEmpty(), MSG_CHECK_DURATION_EMPTY);
      check(a.isEmpty(), MSG_CHECK_ON_MDAY_EMPTY);
      check(aValue < 1 || aValue > 31, MSG_CHECK_ON_MDAY_RANGE);
      usesA = usesB = true;
      break;
    default: // interval, on/off-line
      check(a.isEmpty(), MSG_CHECK_INTERVAL_EMPTY);
      check(b.isEmpty(), MSG_CHECK_DURATION_EMPTY_OI);
      usesA = usesB = true;
      break;
    }
  } else {
    switch (in.mode) {
    case SCHEDULE_HOURLY:
      check(a.isEmpty(), MSG_CHECK_OFF_MINUTE_EMPTY);
      check(aValue > 59, MSG_CHECK_OFF_MINUTE_RANGE);
      usesA = true;
      break;
    case SCHEDULE_WEEKLY:
      check(!anyDay, MSG_CHECK_OFF_DAYS_NONE);
      break;
    case SCHEDULE_MONTHLY:
      check(a.isEmpty(), MSG_CHECK_OFF_MDAY_EMPTY);
      check(aValue < 1 || aValue > 31, MSG_CHECK_OFF_MDAY_RANGE);
      usesA = true;
      break;
    case SCHEDULE_INTERVAL: // countdown; may be empty
      usesB = true;
      break;
    default:
      break;
    }
  }
  // Digits only and at most 29 of them, so no field can break the string's
  // layout and the whole string stays within what the device takes.
  auto badField = [](const QString &f) { return f.size() > SCHEDULE_FIELD_MAX || !AllDigits(f); };
  check((usesA && badField(a)) || (usesB && badField(b)), MSG_CHECK_FIELD_TOO_LONG);
  if (failed)
    return fail(*failed);

  const QByteArray date = in.date.toLatin1();
  const QByteArray time = in.time.toLatin1();
  const QByteArray aBytes = a.toLatin1();
  const QByteArray bBytes = b.toLatin1();
  const QByteArray minute = QByteArray::number(aValue).rightJustified(2, '0');
  const QByteArray q = "\"";
  if (on) {
    switch (in.mode) {
    case SCHEDULE_ONE_TIME:
      out.schedule = "OT," + q + date + ',' + time + q + ',' + bBytes;
      out.sentence = say(EDIT_SENTENCE_OT, {in.date, in.time, b});
      break;
    case SCHEDULE_HOURLY:
      out.schedule = "OH," + q + "00:" + minute + ":00" + q + ',' + bBytes;
      out.sentence = say(EDIT_SENTENCE_OH, {a, b});
      break;
    case SCHEDULE_DAILY:
      out.schedule = "OD," + q + time + q + ',' + bBytes;
      out.sentence = say(SENTENCE_OD, {in.time, b});
      break;
    case SCHEDULE_WEEKLY:
      out.schedule = "OW," + days + ',' + q + time + q + ',' + bBytes;
      out.sentence = say(SENTENCE_OW, {editorDayNames, in.time, b});
      break;
    case SCHEDULE_MONTHLY:
      out.schedule = "OM," + aBytes + ',' + q + time + q + ',' + bBytes;
      out.sentence = say(EDIT_SENTENCE_OM, {a, in.time, b});
      break;
    case SCHEDULE_INTERVAL:
      out.schedule = "OI," + aBytes + ',' + bBytes;
      out.sentence = say(SENTENCE_OI, {a, b});
      break;
    default:
      out.schedule = "OP," + aBytes + ',' + bBytes;
      out.sentence = say(EDIT_SENTENCE_OP, {a, b});
      break;
    }
  } else {
    switch (in.mode) {
    case SCHEDULE_ONE_TIME:
      out.schedule = "ST," + q + date + ',' + time + q;
      out.sentence = say(SENTENCE_ST, {in.date, in.time});
      break;
    case SCHEDULE_HOURLY:
      out.schedule = "SH," + q + "00:" + minute + ":00" + q;
      out.sentence = say(SENTENCE_SH, {a});
      break;
    case SCHEDULE_DAILY:
      out.schedule = "SD," + q + time + q;
      out.sentence = say(SENTENCE_SD, {in.time});
      break;
    case SCHEDULE_WEEKLY:
      out.schedule = "SW," + q + time + q + ',' + days;
      out.sentence = say(SENTENCE_SW, {dayNames, in.time});
      break;
    case SCHEDULE_MONTHLY:
      out.schedule = "SM," + q + time + q + ',' + aBytes;
      out.sentence = say(SENTENCE_SM, {a, in.time});
      break;
    default:
      out.schedule = "SC," + bBytes;
      out.sentence = say(SENTENCE_SC, {b});
      break;
    }
  }
  out.ok = true;
  return out;
}

ScheduleEdit EncodeSchedule(const ScheduleInput &input) { return EncodeSchedule(input, g_chineseUi.load() != 0); }

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
