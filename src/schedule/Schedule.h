#pragma once
// Power on/off schedule strings: reading one back as a sentence, composing one
// from the editor's inputs.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

// Kind indices, also the positions in the editor's mode list.
enum : int {
  SCHEDULE_ONE_TIME = 0,
  SCHEDULE_HOURLY = 1,
  SCHEDULE_DAILY = 2,
  SCHEDULE_WEEKLY = 3,
  SCHEDULE_MONTHLY = 4,
  SCHEDULE_INTERVAL = 5, // power-off: countdown
  SCHEDULE_ONLINE = 6,
};

// The kind a string's second letter names (T and anything unknown: one time).
int ScheduleKindOf(char letter);
// Length of the variable first field (days, day of month or interval) that
// starts at index 3 and ends before the first comma at index 4 or later.
std::optional<qsizetype> ScheduleFirstFieldLength(QByteArrayView s);

// Editor actions, the positions in its action list.
enum : int { SCHEDULE_ACTION_DISABLE = 0, SCHEDULE_ACTION_ON = 1, SCHEDULE_ACTION_OFF = 2 };

// Longest field the editor writes, and so the longest numbers a string carries.
constexpr int SCHEDULE_FIELD_MAX = 29;

// The fields of one schedule string, cut out as the device's strings are laid out.
struct ScheduleFields {
  char action = 0; // 'O' power-on, 'S' power-off
  int kind = SCHEDULE_ONE_TIME;
  QByteArray date, time;
  QByteArray days;     // weekday digits, 0 Sunday ... 6 Saturday
  QByteArray a;        // minute, day of month or interval
  QByteArray duration; // seconds on (or on-line); countdown for power-off
};

// The fields of a power-on or power-off string; nothing for a disabled group,
// an unknown action, a string too short for its kind or the power-off kind P.
std::optional<ScheduleFields> ReadSchedule(QByteArrayView schedule);

// The sentence for a schedule string; empty when it cannot be read.
QString DescribeSchedule(QByteArrayView schedule, bool chinese);
QString DescribeSchedule(QByteArrayView schedule); // in the interface language

// For '0' ... '6' sets name to that weekday's name (ending in "、"); any other
// character leaves name as it was.
void WeekdayName(char digit, QString &name, bool chinese);
void WeekdayName(char digit, QString &name);

// What the schedule editor holds when OK is pressed.
struct ScheduleInput {
  int action = SCHEDULE_ACTION_DISABLE;
  int mode = SCHEDULE_ONE_TIME; // -1: none chosen
  QString date;                 // yyyy/MM/dd
  QString time;                 // HH:mm:ss
  QString fieldA;               // minute, day of month or interval
  QString fieldB;               // duration or countdown
  std::array<bool, 7> days{};   // Sunday first

  bool operator==(const ScheduleInput &) const = default;
};

// The editor's result: the string and its sentence, or the first failed check.
// With no mode chosen the result is ok with both texts empty.
struct ScheduleEdit {
  bool ok = false;
  QByteArray schedule;
  QString sentence;
  QString error;
};

ScheduleEdit EncodeSchedule(const ScheduleInput &input, bool chinese);
ScheduleEdit EncodeSchedule(const ScheduleInput &input); // in the interface language
