// The device's wall clock: civil dates as seconds, and the clock string of AT+EXCCLK.
#include "model/SimParams.h"

#include <cstdio>

namespace sim {
namespace {

std::int64_t DaysFromCivil(int y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<std::int64_t>(era) * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

int DaysInMonth(int y, int m) {
  static const int DAYS[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : DAYS[m - 1];
}

} // namespace

std::int64_t ToEpoch(const CSimDateTime &t) {
  return DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) * 86400 + t.hour * 3600 +
         t.minute * 60 + t.second;
}

CSimDateTime FromEpoch(std::int64_t secs) {
  std::int64_t z = secs >= 0 ? secs / 86400 : (secs - 86399) / 86400;
  const std::int64_t rem = secs - z * 86400;
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  CSimDateTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (t.month <= 2));
  t.hour = static_cast<int>(rem / 3600);
  t.minute = static_cast<int>(rem % 3600 / 60);
  t.second = static_cast<int>(rem % 60);
  return t;
}

int Weekday(std::int64_t secs) {
  const std::int64_t days = secs >= 0 ? secs / 86400 : (secs - 86399) / 86400;
  const std::int64_t w = (days + 4) % 7; // 1970-01-01 was a Thursday
  return static_cast<int>(w < 0 ? w + 7 : w);
}

bool ParseClockString(std::string_view text, std::int64_t &secs) {
  // "YYYY/MM/DD,hh:mm:ss",w
  if (text.size() != 23 || text[0] != '"' || text[20] != '"' || text[21] != ',')
    return false;
  const std::string_view body = text.substr(1, 19);
  static const char SHAPE[] = "dddd/dd/dd,dd:dd:dd";
  for (size_t i = 0; i < body.size(); ++i) {
    const bool digit = body[i] >= '0' && body[i] <= '9';
    if ((SHAPE[i] == 'd') != digit || (!digit && body[i] != SHAPE[i]))
      return false;
  }
  if (text[22] < '0' || text[22] > '6')
    return false;
  auto num = [&](size_t pos, size_t len) {
    int v = 0;
    for (size_t i = 0; i < len; ++i)
      v = v * 10 + (body[pos + i] - '0');
    return v;
  };
  CSimDateTime t{num(0, 4), num(5, 2), num(8, 2), num(11, 2), num(14, 2), num(17, 2)};
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month) || t.hour > 23 ||
      t.minute > 59 || t.second > 59)
    return false;
  secs = ToEpoch(t);
  return true;
}

std::string FormatClockString(std::int64_t secs) {
  const CSimDateTime t = FromEpoch(secs);
  char buf[64];
  std::snprintf(buf, sizeof buf, "\"%04d/%02d/%02d,%02d:%02d:%02d\",%d", t.year, t.month, t.day, t.hour, t.minute,
                t.second, Weekday(secs));
  return buf;
}

} // namespace sim
