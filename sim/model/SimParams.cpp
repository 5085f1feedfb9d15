#include "model/SimParams.h"

#include "params/ParamTable.h"
#include "text/Gbk.h"

#include <cstdio>

namespace sim {
namespace {

// Factory values, by parameter index. Addresses come from the documentation
// ranges; every center has its own address and port so a value read from the
// wrong line is easy to spot.
const char *const FACTORY[SIM_PARAM_COUNT] = {
    /* 0 */ "CMNET",
    /* 1 */ "*99***1#",
    /* 2 */ "card",
    /* 3 */ "card",
    /* 4 */ "1",
    /* 5 */ "203.0.113.10",
    /* 6 */ "203.0.113.11",
    /* 7 */ "203.0.113.12",
    /* 8 */ "203.0.113.13",
    /* 9 */ "203.0.113.14",
    /* 10 */ "5000",
    /* 11 */ "5001",
    /* 12 */ "5002",
    /* 13 */ "5003",
    /* 14 */ "5004",
    /* 15 */ "198.51.100.20",
    /* 16 */ "6000",
    /* 17 */ "TLNT",
    /* 18 */ "AUTO",
    /* 19 */ "8N1",
    /* 20 */ "12345678",
    /* 21 */ "13800138000",
    /* 22 */ "115200",
    /* 23 */ "1",
    /* 24 */ "1",
    /* 25 */ "1",
    /* 26 */ "60",
    /* 27 */ "114.114.114.114",
    /* 28 */ "8.8.8.8",
    /* 29 */ "1.1.1.1",
    /* 30 */ "9.9.9.9",
    /* 31 */ "208.67.222.222",
    /* 32 */ "223.5.5.5",
    /* 33 */ "+8613800100500",
    /* 34 */ "300",
    /* 35 */ "13900000000",
    /* 36 */ "1234",
    /* 37 */ "DTU-REGISTER",
    /* 38 */ "DTU-ALIVE",
    /* 39 */ "20",
    /* 40 */ "WAKEUP",
    /* 41 */ "SLEEP",
    /* 42 */ "5",
    /* 43 */ "30",
    /* 44 */ "1024",
    /* 45 */ "60",
    /* 46 */ "1",
    /* 47 */ "\"2024/03/05,08:30:00\",2",
    /* 48 */ "OD,\"08:00:00\",3600",
    /* 49 */ "SD,\"20:00:00\"",
    /* 50 */ "OW,15,\"08:30:00\",60",
    /* 51 */ "D",
    /* 52 */ "D",
    /* 53 */ "D",
    /* 54 */ "D",
    /* 55 */ "D",
    /* 56 */ "D",
    /* 57 */ "D",
    /* 58 */ "198.51.100.30",
    /* 59 */ "7000",
    /* 60 */ "30",
    /* 61 */ "0",
    /* 62 */ "1",
    /* 63 */ "1",
    /* 64 */ "0",
    /* 65 */ "1",
    /* 66 */ "0",
    /* 67 */ "0",
    /* 68 */ "0",
};

// Chinese factory values of a device sold with Chinese packets and passwords.
struct GbkDefault {
  int index;
  const char *utf8;
};
const GbkDefault GBK_FACTORY[] = {
    {37, "设备注册"},
    {38, "在线心跳"},
    {40, "唤醒"},
    {41, "休眠"},
};

// Line order of the listing. A label that occurs inside another label is
// printed first, so its first occurrence in the listing is its own line:
// "Server's Ip" before "Secondary Server's Ip", "Dns Server's Ip:" and
// "GPS Server's Ip"; "ServerN's Ip" before "Dns ServerN's Ip:"; "Server's
// Port" before the secondary and GPS ports; "Dns Server's Ip:" before "Second
// Dns Server's Ip:". Negative entries are section titles.
constexpr int SECTION = -1000;
// clang-format off
const int LAYOUT[] = {
    SECTION - 0, 0, 1, 2, 3,
    SECTION - 1, 4, 5, 10, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 27, 28, 29, 30, 31, 32,
    SECTION - 2, 17, 18, 19, 22, 20, 21, 23, 24, 25, 26, 34, 39, 37, 38, 42, 43, 44, 45,
    SECTION - 3, 33, 35, 36, 40, 41, 46,
    SECTION - 4, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57,
    SECTION - 5, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67, 68,
};
// clang-format on
const char *const SECTION_TITLES[] = {
    "------------------ Network ------------------",  "---------------- Data centers ---------------",
    "--------------- Work parameters -------------",  "------------------ Wake-up ------------------",
    "------------ Real-time clock alarms ----------", "-------------------- GPS --------------------",
};

struct CodeForm {
  const char *code;
  const char *longForm;
};
// Each long form reduces to its code under the tool's keyword rules (first
// keyword found wins), so no long form may hold an earlier keyword.
const CodeForm WORK_MODES[] = {
    {"PROT", "PROTOCOL"}, {"TRNS", "TRANSPARENT"}, {"TTRN", "TCP TRANS"},  {"TLNT", "TCP CLIENT"},   {"LONG", "LONG"},
    {"LNGT", "LNGT"},     {"TUDP", "UDP"},         {"TCST", "TCP CUSTOM"}, {"TCPSVR", "TCP SERVER"},
};
const CodeForm ACTIVATIONS[] = {
    {"AUTO", "AUTO"}, {"SMSD", "SMS DAEMON"}, {"CTRL", "PHONE CONTROLABLE"}, {"DATA", "DATA DAEMON"}, {"MIXD", "MIXD"},
};
const char *const SERIAL_FORMATS[] = {"8N1", "8E1", "8O1", "7O1", "7E1", "7N1"};

bool IsGps(int index) { return index >= 58 && index <= 68; }
bool IsAlarm(int index) { return index >= 48 && index <= 57; }

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

std::string WorkModeLongForm(std::string_view code) {
  for (const CodeForm &f : WORK_MODES)
    if (code == f.code)
      return f.longForm;
  return {};
}

std::string ActivationLongForm(std::string_view code) {
  for (const CodeForm &f : ACTIVATIONS)
    if (code == f.code)
      return f.longForm;
  return {};
}

std::string SerialFormatLongForm(std::string_view code) {
  for (const char *f : SERIAL_FORMATS)
    if (code == f)
      return std::string{code[0], ',', code[1], ',', code[2]};
  return {};
}

CSimParamStore::CSimParamStore(CSimFeatures features) : m_features(features) { Reset(); }

void CSimParamStore::Reset() {
  for (int i = 0; i < SIM_PARAM_COUNT; ++i)
    m_values[static_cast<size_t>(i)] = Has(i) ? FACTORY[i] : "";
  if (m_features.gbk)
    for (const GbkDefault &d : GBK_FACTORY)
      m_values[static_cast<size_t>(d.index)] = text::ToGbk(QString::fromUtf8(d.utf8)).toStdString();
}

bool CSimParamStore::Has(int index) const {
  if (index < 0 || index >= SIM_PARAM_COUNT)
    return false;
  if (IsGps(index))
    return m_features.gps;
  if (IsAlarm(index))
    return m_features.alarm;
  return true;
}

bool CSimParamStore::SetValue(int index, std::string_view value) {
  if (!Has(index) || value.size() > SIM_VALUE_MAX)
    return false;
  m_values[static_cast<size_t>(index)] = std::string(value);
  return true;
}

std::string CSimParamStore::ListedValue(int index) const {
  const std::string &v = Value(index);
  std::string longForm;
  if (index == PARAM_WORK_MODE)
    longForm = WorkModeLongForm(v);
  else if (index == PARAM_ACTIVATE)
    longForm = ActivationLongForm(v);
  else if (index == PARAM_SERIAL_MODE)
    longForm = SerialFormatLongForm(v);
  return longForm.empty() ? v : longForm;
}

std::string CSimParamStore::Listing() const {
  std::string out;
  out.reserve(4096);
  out += "\r\n";
  out += "============== Tavrenholt IP Modem settings ==============\r\n";
  out += "Firmware          V3.2.1 build 2024-03-01\r\n";
  for (int entry : LAYOUT) {
    if (entry < 0) {
      out += SECTION_TITLES[SECTION - entry];
      out += "\r\n";
      continue;
    }
    if (!Has(entry))
      continue;
    const ParamInfo &info = ParamInfoAt(entry);
    const std::string label = info.label;
    out += label;
    out.append(label.size() < LISTING_VALUE_COLUMN ? LISTING_VALUE_COLUMN - label.size() : 1, ' ');
    out += ListedValue(entry);
    // The device pads these lines; the tool's reader cuts exactly this many
    // characters from the end of the value.
    out.append(static_cast<size_t>(info.trim), ' ');
    out += "\r\n";
  }
  out += "=========================================================\r\n";
  out += "\r\nOK\r\n";
  return out;
}

std::string CSimParamStore::Dump() const {
  std::string out;
  for (int i = 0; i < SIM_PARAM_COUNT; ++i) {
    if (!Has(i))
      continue;
    out += ParamInfoAt(i).label;
    out += '=';
    out += Value(i);
    out += '\n';
  }
  return out;
}

} // namespace sim
