// Schedule strings of any length and content, read as sentences and as the
// editor's fields; editor inputs built from the data.
#include "FuzzCheck.h"
#include "schedule/Clock.h"
#include "schedule/Schedule.h"
#include "schedule/ScheduleForm.h"

namespace {
// The hourly minute is written with two digits, so "7" opens again as "07".
ScheduleInput SameMinute(ScheduleInput in) {
  if (in.mode == SCHEDULE_HOURLY)
    in.fieldA = QString::number(in.fieldA.toInt());
  return in;
}

// The editor opens on the string, OK composes it again: what it writes opens
// to the same fields (a disabled group to no fields at all), and writing that
// again gives the same string.
void CheckEditorRoundTrip(QByteArrayView in) {
  static const QDateTime OPENED(QDate(2030, 6, 7), QTime(9, 10, 11));
  const ScheduleForm form = ParseScheduleForm(in);
  FUZZ_CHECK(form.action >= SCHEDULE_ACTION_DISABLE && form.action <= SCHEDULE_ACTION_OFF);
  FUZZ_CHECK(form.mode >= -1 && form.mode <= SCHEDULE_ONLINE);
  FUZZ_CHECK(form.action != SCHEDULE_ACTION_DISABLE || form.mode <= SCHEDULE_ONE_TIME);
  const ScheduleInput shown = ScheduleInputOf(form, OPENED);
  for (bool chinese : {false, true}) {
    const ScheduleEdit r = EncodeSchedule(shown, chinese);
    if (!r.ok || r.schedule.isEmpty())
      continue;
    const ScheduleForm again = ParseScheduleForm(r.schedule);
    if (r.schedule == "D") {
      FUZZ_CHECK(again == ScheduleForm{});
      continue;
    }
    FUZZ_CHECK(again.complete);
    const ScheduleInput shownAgain = ScheduleInputOf(again, OPENED);
    FUZZ_CHECK(SameMinute(shownAgain) == SameMinute(shown));
    const ScheduleEdit rewritten = EncodeSchedule(shownAgain, chinese);
    FUZZ_CHECK(rewritten.ok && rewritten.schedule == r.schedule);
  }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const char *data, std::size_t size) {
  const QByteArrayView in(data, static_cast<qsizetype>(size));
  (void)DescribeSchedule(in, false);
  (void)DescribeSchedule(in, true);
  (void)ReadSchedule(in);
  CheckEditorRoundTrip(in);

  // Clock text: date and time split at the first NUL.
  const qsizetype nul = in.indexOf('\0');
  if (nul >= 0)
    (void)ClockStringFromText(in.first(nul), in.sliced(nul + 1));

  if (size < 3)
    return 0;
  ScheduleInput input;
  input.action = static_cast<unsigned char>(data[0]) % 3;
  input.mode = static_cast<int>(static_cast<unsigned char>(data[1]) % 9) - 1;
  for (int d = 0; d < 7; ++d)
    input.days[static_cast<std::size_t>(d)] = (static_cast<unsigned char>(data[2]) >> d) & 1;
  const QByteArrayView rest = in.sliced(3);
  const qsizetype split = rest.indexOf(',');
  input.date = QStringLiteral("2024/03/05");
  input.time = QStringLiteral("08:30:00");
  input.fieldA = QString::fromLatin1(split < 0 ? rest : rest.first(split));
  input.fieldB = split < 0 ? QString() : QString::fromLatin1(rest.sliced(split + 1));
  for (bool chinese : {false, true}) {
    const ScheduleEdit r = EncodeSchedule(input, chinese);
    FUZZ_CHECK(r.ok != !r.error.isEmpty());
    if (!r.ok || r.schedule.isEmpty() || r.schedule == "D")
      continue;
    // Every string the editor writes fits the device and reads back.
    FUZZ_CHECK(r.schedule.size() <= 99);
    FUZZ_CHECK(ReadSchedule(r.schedule).has_value());
    FUZZ_CHECK(!DescribeSchedule(r.schedule, chinese).isEmpty());
  }
  return 0;
}
