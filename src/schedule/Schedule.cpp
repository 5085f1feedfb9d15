#include "schedule/Schedule.h"

#include "schedule/ScheduleMessages.h"
#include "schedule/ScheduleRules.h"
#include "text/Gbk.h"

#include <QList>

#include <algorithm>
#include <climits>
#include <initializer_list>

namespace {

QString Pick(const CMsg &msg, bool chinese) { return chinese ? msg.Zh() : msg.En(); }

// Fills each "%s" of the template in turn; fields are never themselves scanned
// for placeholders, so a "%1" or "%s" inside a field stays as it is.
QString Fill(const QString &pattern, const QList<QString> &args) {
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

} // namespace

std::optional<qsizetype> ScheduleFirstFieldLength(QByteArrayView s) {
  if (s.size() <= 4)
    return std::nullopt;
  const qsizetype comma = s.indexOf(',', 4);
  if (comma < 0)
    return std::nullopt;
  return comma - 3;
}

int ScheduleKindOf(char letter) {
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

std::optional<ScheduleFields> ReadSchedule(QByteArrayView s) {
  if (s.isEmpty() || (s[0] != 'O' && s[0] != 'S'))
    return std::nullopt;
  ScheduleFields f;
  f.action = s[0];
  f.kind = ScheduleKindOf(s.size() > 1 ? s[1] : '\0');
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
      const auto n = ScheduleFirstFieldLength(s);
      if (!n || len < *n + 15)
        return std::nullopt;
      (f.kind == SCHEDULE_WEEKLY ? f.days : f.a) = Cut(s, 3, *n + 2);
      f.time = Cut(s, *n + 5, *n + 12);
      f.duration = Rest(s, *n + 15);
      return f;
    }
    default: { // interval, on/off-line
      const auto n = ScheduleFirstFieldLength(s);
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

// A rule's sentence with its parts filled in, each value indexed by its EPart.
QString Sentence(const CMsg &msg, const ScheduleRule &rule, const std::array<QString, 6> &values, bool chinese) {
  QList<QString> args;
  for (EPart part : rule.parts) {
    if (part != EPart::None)
      args << values[static_cast<std::size_t>(part)];
  }
  return Fill(Pick(msg, chinese), args);
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
  const ScheduleRule *rule = ScheduleRuleOf(f->action == 'O' ? SCHEDULE_ACTION_ON : SCHEDULE_ACTION_OFF, f->kind);
  if (!rule)
    return QString();
  return Sentence(
      *rule->readSentence, *rule,
      {{QString(), Field(f->date), Field(f->time), DayNames(f->days, chinese), Field(f->a), Field(f->duration)}},
      chinese);
}

QString DescribeSchedule(QByteArrayView s) { return DescribeSchedule(s, g_chineseUi.load() != 0); }

namespace {
// The string of a rule's pattern with the editor's inputs put in.
QByteArray Compose(const char *pattern, const ScheduleInput &in, const QByteArray &days, long long aValue) {
  QByteArray out;
  for (const char *p = pattern; *p; ++p) {
    if (*p != '%' || !p[1]) {
      out += *p;
      continue;
    }
    switch (*++p) {
    case 'D':
      out += in.date.toLatin1();
      break;
    case 'T':
      out += in.time.toLatin1();
      break;
    case 'W':
      out += days;
      break;
    case 'A':
      out += in.fieldA.toLatin1();
      break;
    case 'M':
      out += QByteArray::number(aValue).rightJustified(2, '0');
      break;
    case 'B':
      out += in.fieldB.toLatin1();
      break;
    case 'Q':
      out += '"';
      break;
    default:
      out += '%';
      out += *p;
      break;
    }
  }
  return out;
}

bool Uses(const char *pattern, std::initializer_list<char> fields) {
  for (const char *p = pattern; *p; ++p) {
    if (*p == '%' && p[1] && std::find(fields.begin(), fields.end(), p[1]) != fields.end())
      return true;
  }
  return false;
}
} // namespace

ScheduleEdit EncodeSchedule(const ScheduleInput &in, bool chinese) {
  ScheduleEdit out;
  if (in.action == SCHEDULE_ACTION_DISABLE) {
    out.ok = true;
    out.schedule = "D";
    out.sentence = Pick(MSG_SCHEDULE_DISABLE, chinese);
    return out;
  }
  const ScheduleRule *rule = ScheduleRuleOf(in.action, in.mode);
  if (!rule) {
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
  for (const ScheduleRule::Check &c : rule->checks) {
    const bool bad = (c.what == ECheck::DurationEmpty && b.isEmpty()) ||
                     (c.what == ECheck::FieldAEmpty && a.isEmpty()) ||
                     (c.what == ECheck::MinuteOver59 && aValue > 59) || (c.what == ECheck::NoDay && !anyDay) ||
                     (c.what == ECheck::NotDayOfMonth && (aValue < 1 || aValue > 31));
    if (bad) {
      failed = c.message;
      break;
    }
  }
  // Digits only and at most 29 of them, so no field can break the string's
  // layout and the whole string stays within what the device takes.
  auto badField = [](const QString &f) { return f.size() > SCHEDULE_FIELD_MAX || !AllDigits(f); };
  if (!failed && ((Uses(rule->pattern, {'A', 'M'}) && badField(a)) || (Uses(rule->pattern, {'B'}) && badField(b))))
    failed = &MSG_CHECK_FIELD_TOO_LONG;
  if (failed) {
    out.error = Pick(*failed, chinese);
    return out;
  }

  out.schedule = Compose(rule->pattern, in, days, aValue);
  out.sentence =
      Sentence(*rule->editSentence, *rule,
               {{QString(), in.date, in.time, rule->editorDayNames ? editorDayNames : dayNames, a, b}}, chinese);
  out.ok = true;
  return out;
}

ScheduleEdit EncodeSchedule(const ScheduleInput &input) { return EncodeSchedule(input, g_chineseUi.load() != 0); }
