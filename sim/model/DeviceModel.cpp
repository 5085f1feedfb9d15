#include "model/DeviceModel.h"

#include "params/ParamTable.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace sim {
namespace {

constexpr size_t COMMAND_LINE_MAX = 512; // longer command lines are answered "ERROR"

const char *const BANNER = "\r\nTavrenholt IP Modem V3.2.1\r\nStarting up ...\r\n";
const char *const VERSION_TEXT = "Tavrenholt IP Modem V3.2.1 build 2024-03-01";
const char *const DATANG_REVISION = "DTM6211_V2.1.3";

// Unsolicited lines for the noise option: none holds a reply marker or a label.
const char *const NOISE_LINES[] = {
    "\r\n+CREG: 1\r\n",
    "\r\n+CGREG: 1,1\r\n",
    "\r\n+SIGNAL: 21\r\n",
    "\r\nNETWORK READY\r\n",
};

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

const char *const CDeviceModel::PROMPT_LINE = "Press 's' key to enter configure mode ...\r\n";
const char *const CDeviceModel::MENU_TEXT = "\r\n"
                                            "========= IP Modem configure menu =========\r\n"
                                            "AT+LIST      list all commands\r\n"
                                            "AT+SHOW      show all settings\r\n"
                                            "AT+NOECHO    turn the command echo off\r\n"
                                            "AT+FACTORY   restore the factory settings\r\n"
                                            "AT+RESET     restart into communication state\r\n"
                                            "AT+SHUTDOWN  power the modem off\r\n"
                                            "End each command with CR.\r\n";
const char *const CDeviceModel::RESTART_TEXT = "\r\nExit configure program.\r\nRestarting ...\r\n";
const char *const CDeviceModel::COMM_TEXT = "\r\nEnter communication state.\r\n";

const char *PowerStateName(EPowerState state) {
  switch (state) {
  case EPowerState::Off:
    return "off";
  case EPowerState::Starting:
    return "starting";
  case EPowerState::Boot:
    return "boot";
  case EPowerState::Config:
    return "config";
  case EPowerState::Comm:
    return "comm";
  }
  return "?";
}

std::string CommandName(std::string_view command) { return Lower(command.substr(0, command.find('='))); }

std::string CommandRecordJson(const CCommandRecord &record) {
  auto escape = [](std::string_view s) {
    std::string out;
    for (unsigned char c : s) {
      if (c == '"' || c == '\\') {
        out += '\\';
        out += static_cast<char>(c);
      } else if (c < 0x20 || c >= 0x7F) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        out += buf;
      } else {
        out += static_cast<char>(c);
      }
    }
    return out;
  };
  return "{\"t_ms\":" + std::to_string(record.timeMs) + ",\"command\":\"" + escape(record.command) +
         "\",\"result\":\"" + escape(record.result) + "\"}\n";
}

CDeviceModel::CDeviceModel(CDeviceOptions options)
    : m_options(std::move(options)), m_params(m_options.features), m_rng(m_options.seed) {
  m_clockBaseSecs = m_options.clockSecs != 0 ? m_options.clockSecs : ToEpoch(CSimDateTime{});
  if (m_options.promptIntervalMs < 1)
    m_options.promptIntervalMs = 1;
}

void CDeviceModel::PowerUp(std::int64_t nowMs) {
  m_output.clear();
  m_lastDueMs = nowMs;
  m_state = EPowerState::Starting;
  m_startAtMs = nowMs + std::max(0, m_options.powerDelayMs);
  m_echo = true;
  m_line.clear();
  m_lineTooLong = false;
  Advance(nowMs);
}

void CDeviceModel::PowerOff(std::int64_t nowMs) {
  m_output.clear();
  m_lastDueMs = nowMs;
  m_state = EPowerState::Off;
  m_line.clear();
}

void CDeviceModel::Send(std::string_view text, std::int64_t atMs, int delayMs) {
  if (text.empty())
    return;
  std::int64_t due = std::max(atMs + std::max(0, delayMs), m_lastDueMs);
  if (m_options.chunkMax <= 0) {
    m_output.push_back({due, std::string(text)});
  } else {
    std::uniform_int_distribution<int> size(1, m_options.chunkMax);
    std::uniform_int_distribution<int> gap(1, std::max(1, m_options.chunkGapMaxMs));
    size_t pos = 0;
    while (pos < text.size()) {
      const size_t n = std::min(text.size() - pos, static_cast<size_t>(size(m_rng)));
      if (pos > 0)
        due += gap(m_rng);
      m_output.push_back({due, std::string(text.substr(pos, n))});
      pos += n;
    }
  }
  m_lastDueMs = due;
}

void CDeviceModel::EnterBoot(std::int64_t atMs) {
  m_state = EPowerState::Boot;
  Send(BANNER, atMs);
  Send(PROMPT_LINE, atMs);
  m_nextPromptMs = atMs + m_options.promptIntervalMs;
  m_bootEndMs = atMs + std::max(0, m_options.bootMs);
}

void CDeviceModel::Advance(std::int64_t nowMs) {
  if (m_state == EPowerState::Starting && nowMs >= m_startAtMs)
    EnterBoot(m_startAtMs);
  if (m_state == EPowerState::Boot) {
    while (m_nextPromptMs <= nowMs && m_nextPromptMs < m_bootEndMs) {
      Send(PROMPT_LINE, m_nextPromptMs);
      m_nextPromptMs += m_options.promptIntervalMs;
    }
    if (nowMs >= m_bootEndMs) {
      m_state = EPowerState::Comm;
      Send(COMM_TEXT, m_bootEndMs);
      m_nextPeriodicMs = m_bootEndMs + m_options.periodicMs;
    }
  }
  if (m_state == EPowerState::Comm && m_options.periodicMs > 0) {
    while (m_nextPeriodicMs <= nowMs) {
      char line[64];
      std::snprintf(line, sizeof line, "IP Modem periodic data %05u\r\n", ++m_periodicCount);
      Send(line, m_nextPeriodicMs);
      m_nextPeriodicMs += m_options.periodicMs;
    }
  }
}

std::string CDeviceModel::TakeOutput(std::int64_t nowMs) {
  std::string out;
  while (!m_output.empty() && m_output.front().dueMs <= nowMs) {
    out += m_output.front().bytes;
    m_output.pop_front();
  }
  return out;
}

std::optional<std::int64_t> CDeviceModel::NextEventMs() const {
  std::optional<std::int64_t> next;
  auto consider = [&](std::int64_t t) {
    if (!next || t < *next)
      next = t;
  };
  if (!m_output.empty())
    consider(m_output.front().dueMs);
  if (m_state == EPowerState::Starting)
    consider(m_startAtMs);
  if (m_state == EPowerState::Boot) {
    if (m_nextPromptMs < m_bootEndMs)
      consider(m_nextPromptMs);
    consider(m_bootEndMs);
  }
  if (m_state == EPowerState::Comm && m_options.periodicMs > 0)
    consider(m_nextPeriodicMs);
  return next;
}

std::vector<CCommandRecord> CDeviceModel::TakeCommandLog() {
  std::vector<CCommandRecord> out;
  out.swap(m_log);
  return out;
}

std::int64_t CDeviceModel::ClockSecs(std::int64_t nowMs) const {
  const std::int64_t elapsed = nowMs - m_clockBaseMs;
  return m_clockBaseSecs + (elapsed >= 0 ? elapsed / 1000 : -((-elapsed + 999) / 1000));
}

void CDeviceModel::RefreshClockEntry(std::int64_t nowMs) { m_params.SetValue(47, FormatClockString(ClockSecs(nowMs))); }

std::string CDeviceModel::Listing(std::int64_t nowMs) {
  RefreshClockEntry(nowMs);
  return m_params.Listing();
}

std::string CDeviceModel::Dump(std::int64_t nowMs) {
  RefreshClockEntry(nowMs);
  return m_params.Dump();
}

void CDeviceModel::Receive(std::string_view bytes, std::int64_t nowMs) {
  Advance(nowMs);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    switch (m_state) {
    case EPowerState::Off:
    case EPowerState::Starting:
      break; // nobody listens yet
    case EPowerState::Boot:
      if (c == 's') {
        m_state = EPowerState::Config;
        m_echo = true;
        m_line.clear();
        Send(MENU_TEXT, nowMs);
      }
      break;
    case EPowerState::Config:
      ConfigByte(c, nowMs);
      break;
    case EPowerState::Comm:
      Send(std::string_view(&c, 1), nowMs); // loopback
      break;
    }
  }
}

void CDeviceModel::ConfigByte(char c, std::int64_t nowMs) {
  if (m_echo)
    Send(std::string_view(&c, 1), nowMs);
  if (c == '\r') {
    if (m_line.size() >= 2)
      Execute(m_line, nowMs);
    m_line.clear();
    m_lineTooLong = false;
    return;
  }
  if (c == '\n')
    return; // an LF after the CR is tolerated
  if (c == '\b' || c == 0x7F) {
    if (!m_line.empty())
      m_line.pop_back();
    return;
  }
  // Like a Hayes modem: everything before the "AT" that starts a command is
  // ignored (stray key presses, line noise).
  const bool isA = c == 'a' || c == 'A';
  if (m_line.empty()) {
    if (isA)
      m_line.push_back(c);
    return;
  }
  if (m_line.size() == 1) {
    if (c == 't' || c == 'T')
      m_line.push_back(c);
    else
      m_line = isA ? std::string(1, c) : std::string();
    return;
  }
  if (m_line.size() >= COMMAND_LINE_MAX) {
    m_lineTooLong = true;
    return;
  }
  m_line.push_back(c);
}

void CDeviceModel::Execute(const std::string &line, std::int64_t nowMs) {
  CCommandRecord record{nowMs, line, {}};
  const std::string name = CommandName(line);
  std::string reply;
  if (m_options.silentCommands.count(name)) {
    record.result = "SILENT";
  } else if (m_lineTooLong || m_options.errorCommands.count(name)) {
    record.result = "ERROR";
    reply = Error();
  } else {
    reply = Dispatch(line, nowMs, record.result);
  }
  m_log.push_back(record);
  if (reply.empty())
    return;
  if (m_options.noise)
    Send(NOISE_LINES[m_noiseCount++ % std::size(NOISE_LINES)], nowMs, m_options.replyDelayMs);
  Send(reply, nowMs, m_options.replyDelayMs);
  if (record.result == "RESTART") {
    m_state = EPowerState::Starting;
    m_startAtMs = m_lastDueMs + std::max(0, m_options.restartDelayMs);
    m_echo = true;
  } else if (record.result == "SHUTDOWN") {
    m_state = EPowerState::Off;
  }
}

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
