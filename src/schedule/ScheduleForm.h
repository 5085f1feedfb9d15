#pragma once
// What the schedule editor shows when it opens on a schedule string: action,
// mode and the inputs of that mode, read by the positions the editor has
// always read them at. The editor maps these to its controls; on OK it
// composes the string again with EncodeSchedule.
#include "schedule/Schedule.h"

#include <QByteArrayView>
#include <QDate>
#include <QTime>

#include <array>
#include <optional>

struct ScheduleForm {
  int action = SCHEDULE_ACTION_DISABLE;
  // -1 for a disabled group or none. A first letter other than O, S or D
  // keeps Disable with mode 0, and its fields read as power-off one-time.
  int mode = -1;
  // Only what the string holds as a real date or time; otherwise the
  // pickers keep the moment the editor opened.
  std::optional<QDate> date;
  std::optional<QTime> time;
  QByteArray fieldA;          // minute, day of month or interval
  QByteArray fieldB;          // duration or countdown
  std::array<bool, 7> days{}; // Sunday first
  // False when the string ends before a field of its mode: the fields read so
  // far are filled, and the current sentence is not shown.
  bool complete = true;

  bool operator==(const ScheduleForm &) const = default;
};

// Reads at most the first 99 characters, as many as the device keeps. Every
// string opens the editor, so every string gives a form.
ScheduleForm ParseScheduleForm(QByteArrayView schedule);

// What the editor holds right after opening on a form, as its lists and
// pickers show it: a mode its list lacks is no mode, a missing date or time
// is the fallback, and dates are kept within the picker's years 100 ... 9999.
ScheduleInput ScheduleInputOf(const ScheduleForm &form, const QDateTime &fallback);

// The earliest and latest dates the editor's date picker shows.
QDate ScheduleFormFirstDate();
QDate ScheduleFormLastDate();
