#include "model/DeviceModel.h"

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

// Unsolicited lines for the noise option: none holds a reply marker or a label.
const char *const NOISE_LINES[] = {
    "\r\n+CREG: 1\r\n",
    "\r\n+CGREG: 1,1\r\n",
    "\r\n+SIGNAL: 21\r\n",
    "\r\nNETWORK READY\r\n",
};

std::string Error() { return "\r\nERROR\r\n"; }

bool StartsWithAt(std::string_view line) {
  return line.size() >= 2 && (line[0] == 'a' || line[0] == 'A') && (line[1] == 't' || line[1] == 'T');
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

void CDeviceModel::RefreshClockEntry(std::int64_t nowMs) {
  m_params.SetValue(SIM_CLOCK, FormatClockString(ClockSecs(nowMs)));
}

std::string CDeviceModel::Listing(std::int64_t nowMs) {
  RefreshClockEntry(nowMs);
  return m_params.Listing(m_options.listing);
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
    if (m_options.strictLine ? !m_line.empty() : m_line.size() >= 2)
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
  // ignored (stray key presses, line noise). A strict line buffer keeps it.
  const bool isA = c == 'a' || c == 'A';
  if (!m_options.strictLine && m_line.empty()) {
    if (isA)
      m_line.push_back(c);
    return;
  }
  if (!m_options.strictLine && m_line.size() == 1) {
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
  } else if (m_lineTooLong || !StartsWithAt(line) || m_options.errorCommands.count(name)) {
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

} // namespace sim
