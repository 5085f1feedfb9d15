#pragma once
// One row per action and mode: what the editor checks, the string it writes,
// and the sentences that read the string back. Both the editor's encoder and
// the sentence reader look their rule up here.
#include "text/Lang.h"

#include <array>

// An editor check, made in the order of the row; the first one failing is shown.
enum class ECheck : unsigned char {
  None,
  DurationEmpty, // field B empty
  FieldAEmpty,   // field A empty
  MinuteOver59,  // field A read as a number is more than 59
  NoDay,         // no weekday ticked
  NotDayOfMonth, // field A read as a number is outside 1 ... 31
};

// What fills each "%s" of a sentence, in order.
enum class EPart : unsigned char { None, Date, Time, Days, FieldA, Duration };

struct ScheduleRule {
  int action; // SCHEDULE_ACTION_ON or SCHEDULE_ACTION_OFF
  int mode;
  // The string written: %D date, %T time, %W weekday digits, %A field A,
  // %M field A as a two-digit minute, %B field B, %Q a double quote.
  const char *pattern;
  struct Check {
    ECheck what;
    const CMsg *message;
  };
  std::array<Check, 3> checks;
  const CMsg *readSentence; // reading a string back
  const CMsg *editSentence; // the editor's own wording after OK
  std::array<EPart, 3> parts;
  // The power-on weekly sentence names the days with the editor's own English spelling.
  bool editorDayNames;
};

// The rule of an action and mode; nothing for Disable, a mode out of range
// or the power-off list's missing on/off-line mode.
const ScheduleRule *ScheduleRuleOf(int action, int mode);
