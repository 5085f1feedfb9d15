// The configuration-state commands of the simulated device: what each one
// answers and which stored setting it changes.
#include "model/DeviceModel.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>

namespace sim {
namespace {

const char *const VERSION_TEXT = "Tavrenholt IP Modem V3.2.1 build 2024-03-01";
const char *const DATANG_REVISION = "DTM6211_V2.1.3";

std::string Ok() { return "\r\nOK\r\n"; }
std::string Error() { return "\r\nERROR\r\n"; }
std::string Info(std::string_view text) { return "\r\n" + std::string(text) + "\r\n\r\nOK\r\n"; }

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char &c : out)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char &c : out)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

enum class EValue { Text, Int, WorkMode, Activation, SerialFormat };

struct SetterSpec {
  int param;
  EValue kind;
};

// Setter names (after "at+", lower case) and the parameter each one stores.
const std::map<std::string, SetterSpec> &Setters() {
  static const std::map<std::string, SetterSpec> table = [] {
    std::map<std::string, SetterSpec> t{
        {"apn", {0, EValue::Text}},       {"cent", {1, EValue::Text}},        {"username", {2, EValue::Text}},
        {"password", {3, EValue::Text}},  {"svrcnt", {4, EValue::Int}},       {"ipad", {5, EValue::Text}},
        {"port", {10, EValue::Int}},      {"ipsec", {15, EValue::Text}},      {"ptsec", {16, EValue::Int}},
        {"mode", {17, EValue::WorkMode}}, {"acti", {18, EValue::Activation}}, {"sermode", {19, EValue::SerialFormat}},
        {"idnt", {20, EValue::Text}},     {"phon", {21, EValue::Text}},       {"ipr", {22, EValue::Int}},
        {"debug", {23, EValue::Int}},     {"straight", {24, EValue::Int}},    {"retmain", {25, EValue::Int}},
        {"polltime", {26, EValue::Int}},  {"dnssvr", {27, EValue::Text}},     {"dnssv2", {28, EValue::Text}},
        {"smsc", {33, EValue::Text}},     {"ctrlno", {35, EValue::Text}},     {"smsdpswd", {36, EValue::Text}},
        {"connrgst", {37, EValue::Text}}, {"linkrgst", {38, EValue::Text}},   {"byteint", {39, EValue::Int}},
        {"donpswd", {40, EValue::Text}},  {"doffpswd", {41, EValue::Text}},   {"retry", {42, EValue::Int}},
        {"rdlwt", {43, EValue::Int}},     {"tcpmtu", {44, EValue::Int}},      {"mcontime", {45, EValue::Int}},
        {"gpsad", {58, EValue::Text}},    {"gpsport", {59, EValue::Int}},     {"gpsint", {60, EValue::Int}},
        {"gpstmod", {61, EValue::Int}},   {"gpstran", {62, EValue::Int}},     {"frmc", {63, EValue::Int}},
        {"fvtg", {64, EValue::Int}},      {"fgga", {65, EValue::Int}},        {"fgsa", {66, EValue::Int}},
        {"fgsv", {67, EValue::Int}},      {"fgll", {68, EValue::Int}},
    };
    for (int n = 1; n <= 4; ++n) {
      t["ipad" + std::to_string(n)] = {5 + n, EValue::Text};
      t["port" + std::to_string(n)] = {10 + n, EValue::Int};
      t["dnssvr" + std::to_string(n)] = {28 + n, EValue::Text};
    }
    for (int g = 0; g <= 9; ++g)
      t["excal" + std::to_string(g)] = {48 + g, EValue::Text};
    return t;
  }();
  return table;
}

// A signed 32-bit decimal, as the tool's senders print it.
bool ParseInt(std::string_view text, long &out) {
  if (text.empty() || text.size() > 11)
    return false;
  std::string s(text);
  char *end = nullptr;
  errno = 0;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (errno != 0 || end != s.c_str() + s.size() || !(std::isdigit(static_cast<unsigned char>(s.back()))) ||
      v < INT32_MIN || v > INT32_MAX || std::isspace(static_cast<unsigned char>(s.front())) || s.front() == '+')
    return false;
  out = v;
  return true;
}

std::string CommandList() {
  std::string out = "AT\r\nATI\r\nATE0\r\nATE1\r\nAT+CGMR\r\nAT+LIST\r\nAT+SHOW\r\nAT+VER\r\nAT+NOECHO\r\nAT+ECHO\r\n"
                    "AT+RESET\r\nAT+FACTORY\r\nAT+SHUTDOWN\r\nAT+CSQ\r\nAT+CPIN?\r\nAT+CFUN?\r\nAT+CGATT=<0|1>\r\n"
                    "AT+CGATT?\r\nAT+EXCCLK=<\"YYYY/MM/DD,hh:mm:ss\",w>\r\nAT+EXCCLK?\r\n";
  std::vector<std::pair<int, std::string>> setters;
  for (const auto &[name, spec] : Setters())
    setters.emplace_back(spec.param, name);
  std::sort(setters.begin(), setters.end());
  for (const auto &[param, name] : setters)
    out += "AT+" + Upper(name) + "=<value>  AT+" + Upper(name) + "?\r\n";
  return out;
}

} // namespace

std::string CommandName(std::string_view command) { return Lower(command.substr(0, command.find('='))); }

std::string CDeviceModel::Dispatch(const std::string &line, std::int64_t nowMs, std::string &result) {
  result = "OK";
  const size_t eq = line.find('=');
  const bool hasValue = eq != std::string::npos;
  const std::string value = hasValue ? line.substr(eq + 1) : std::string();
  const std::string head = Lower(line.substr(2, hasValue ? eq - 2 : std::string::npos));
  const bool datang = m_options.module == "DATANG";

  if (head.empty() && !hasValue)
    return Ok();
  if (head == "i" && !hasValue) {
    if (datang) {
      result = "ERROR";
      return Error();
    }
    return Info(m_options.module);
  }
  if ((head == "e0" || head == "e1") && !hasValue) {
    m_echo = head == "e1";
    return Ok();
  }
  if (head.empty() || head[0] != '+') {
    result = "ERROR";
    return Error();
  }
  const std::string name = head.substr(1);

  if (!hasValue) {
    if (name == "noecho" || name == "echo") {
      m_echo = name == "echo";
      return Ok();
    }
    if (name == "cgmr")
      return Info(datang ? std::string(DATANG_REVISION) : "Revision: " + m_options.module + "_R1418B05");
    if (name == "show")
      return Listing(nowMs);
    if (name == "list")
      return "\r\n" + CommandList() + "\r\nOK\r\n";
    if (name == "ver")
      return Info(VERSION_TEXT);
    if (name == "csq")
      return Info("+CSQ: 23,99");
    if (name == "cpin?")
      return Info("+CPIN: READY");
    if (name == "cfun?")
      return Info("+CFUN: 1");
    if (name == "cgatt?")
      return Info("+CGATT: 1");
    if (name == "factory") {
      m_params.Reset();
      return Ok();
    }
    if (name == "reset") {
      result = "RESTART";
      return RESTART_TEXT;
    }
    if (name == "shutdown") {
      result = "SHUTDOWN";
      return Ok();
    }
    if (name == "excclk?")
      return Info("+EXCCLK: " + FormatClockString(ClockSecs(nowMs)));
    if (name.size() > 1 && name.back() == '?') {
      // Every setting can be read back: AT+IPR? answers "+IPR: 115200".
      const auto it = Setters().find(name.substr(0, name.size() - 1));
      if (it != Setters().end() && m_params.Has(it->second.param))
        return Info("+" + Upper(it->first) + ": " + m_params.Value(it->second.param));
    }
    result = "ERROR";
    return Error();
  }

  if (name == "cgatt" && (value == "0" || value == "1"))
    return Ok();
  if (name == "excclk") {
    std::int64_t secs = 0;
    if (ParseClockString(value, secs)) {
      m_clockBaseSecs = secs;
      m_clockBaseMs = nowMs;
      return Ok();
    }
    result = "ERROR";
    return Error();
  }
  const std::string reply = Setter(name, value);
  if (reply != Ok())
    result = "ERROR";
  return reply;
}

std::string CDeviceModel::Setter(const std::string &name, const std::string &value) {
  const auto it = Setters().find(name);
  if (it == Setters().end())
    return Error();
  const SetterSpec spec = it->second;
  std::string stored = value;
  switch (spec.kind) {
  case EValue::Text:
    break;
  case EValue::Int: {
    long v = 0;
    if (!ParseInt(value, v))
      return Error();
    stored = std::to_string(v);
    break;
  }
  case EValue::WorkMode:
    stored = Upper(value);
    if (WorkModeLongForm(stored).empty())
      return Error();
    break;
  case EValue::Activation:
    stored = Upper(value);
    if (ActivationLongForm(stored).empty())
      return Error();
    break;
  case EValue::SerialFormat:
    stored = Upper(value);
    if (SerialFormatLongForm(stored).empty())
      return Error();
    break;
  }
  return m_params.SetValue(spec.param, stored) ? Ok() : Error();
}

} // namespace sim
