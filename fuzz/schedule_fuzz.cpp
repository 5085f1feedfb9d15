// Schedule strings of any length and content, and editor inputs built from the data.
#include "FuzzCheck.h"
#include "schedule/Schedule.h"

extern "C" int LLVMFuzzerTestOneInput(const char *data, std::size_t size) {
  const QByteArrayView in(data, static_cast<qsizetype>(size));
  (void)DescribeSchedule(in, false);
  (void)DescribeSchedule(in, true);
  (void)ReadSchedule(in);

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
