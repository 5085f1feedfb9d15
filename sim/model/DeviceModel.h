#pragma once
// The simulated IP Modem without any I/O: bytes from the serial line go in,
// bytes for the serial line come out, each with the time it is due. Time is
// passed in by the caller (milliseconds on any monotonic scale), so the model
// runs the same in unit tests, in the pty runner and in-process.
#include "model/SimParams.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct CDeviceOptions {
  int bootMs = 3000;          // boot window in which "s" opens the configuration menu
  int promptIntervalMs = 500; // repeat period of the "Press 's' key" line during the window
  int powerDelayMs = 0;       // silence between power-up and the start-up text
  int restartDelayMs = 300;   // silence between the restart text and the new start-up
  int replyDelayMs = 0;       // delay of every command reply
  int periodicMs = 0;         // communication state: a line every periodicMs (0: none)
  int chunkMax = 0;           // >0: output split into random chunks of 1..chunkMax bytes
  int chunkGapMaxMs = 3;      // largest gap between two chunks
  bool noise = false;         // an unsolicited line before every reply
  // Like some firmware's line buffer: bytes before the "AT" of a command are
  // kept, and a line that does not start with "AT" is answered "ERROR"
  // (otherwise they are ignored, as by a Hayes modem).
  bool strictLine = false;
  CListingOptions listing;              // order, fillers and vendor lines of the "at+show" reply
  CSimFeatures features;                // optional parameter groups, GBK defaults
  std::string module = "SIMCOM_SIM700"; // "ati" answer; "DATANG" answers like a DTM6211
  std::set<std::string> errorCommands;  // command names (see CommandName) answered "ERROR"
  std::set<std::string> silentCommands; // command names that get no reply at all
  std::int64_t clockSecs = 0;           // device clock at construction (0: 2024/03/05 08:30:00)
  std::uint32_t seed = 1;               // chunk sizes and gaps
};

enum class EPowerState {
  Off,      // not powered, or shut down by AT+SHUTDOWN: silent, ignores input
  Starting, // powered, before the start-up text
  Boot,     // start-up window: prompts, waiting for "s"
  Config,   // configuration state: AT commands
  Comm,     // communication state: loopback
};
const char *PowerStateName(EPowerState state);

// One command line the device received in configuration state.
struct CCommandRecord {
  std::int64_t timeMs = 0;
  std::string command; // as received, without the CR
  std::string result;  // "OK", "ERROR", "SILENT", "RESTART", "SHUTDOWN"
};

// The name a command is matched by for --error/--silent: lower case, up to
// (not including) "=", e.g. "at+apn", "at+port3", "at+ipr?", "ati", "at".
std::string CommandName(std::string_view command);

// One command log record as a JSON line (with the trailing newline). Bytes
// above 0x7F are written as \u00XX, one escape per byte.
std::string CommandRecordJson(const CCommandRecord &record);

class CDeviceModel {
public:
  explicit CDeviceModel(CDeviceOptions options = {});

  // Power applied (also a re-power): pending output is lost, the device starts.
  void PowerUp(std::int64_t nowMs);
  // Power removed.
  void PowerOff(std::int64_t nowMs);
  // Bytes the device received at nowMs (from the tool, or noise on the line).
  void Receive(std::string_view bytes, std::int64_t nowMs);
  // Runs the timed events due at or before nowMs.
  void Advance(std::int64_t nowMs);
  // The output due at or before nowMs (after Advance); removed from the queue.
  std::string TakeOutput(std::int64_t nowMs);
  // When the next timed event or output is due; nullopt when nothing is pending.
  std::optional<std::int64_t> NextEventMs() const;
  std::vector<CCommandRecord> TakeCommandLog();

  EPowerState State() const { return m_state; }
  // The options in force; tests change the answered commands while it runs.
  CDeviceOptions &Options() { return m_options; }
  bool Echo() const { return m_echo; }
  const CSimParamStore &Params() const { return m_params; }
  CSimParamStore &Params() { return m_params; }
  // Device clock at nowMs, as seconds (see CSimDateTime).
  std::int64_t ClockSecs(std::int64_t nowMs) const;
  // The current settings listing and dump (the "Time:" line at nowMs).
  std::string Listing(std::int64_t nowMs);
  std::string Dump(std::int64_t nowMs);

  // Fixed texts of the device.
  static const char *const PROMPT_LINE;
  static const char *const MENU_TEXT;
  static const char *const RESTART_TEXT;
  static const char *const COMM_TEXT;

private:
  struct Chunk {
    std::int64_t dueMs;
    std::string bytes;
  };

  void Send(std::string_view text, std::int64_t nowMs, int delayMs = 0);
  void ConfigByte(char c, std::int64_t nowMs);
  void Execute(const std::string &line, std::int64_t nowMs);
  // Reply text for a command; sets restart/shutdown flags. Empty: no reply.
  std::string Dispatch(const std::string &line, std::int64_t nowMs, std::string &result);
  std::string Setter(const std::string &name, const std::string &value);
  void EnterBoot(std::int64_t nowMs);
  void RefreshClockEntry(std::int64_t nowMs);

  CDeviceOptions m_options;
  CSimParamStore m_params;
  EPowerState m_state = EPowerState::Off;
  bool m_echo = true;
  std::string m_line; // command being received
  bool m_lineTooLong = false;
  std::int64_t m_startAtMs = 0;      // Starting: when the start-up text comes
  std::int64_t m_nextPromptMs = 0;   // Boot
  std::int64_t m_bootEndMs = 0;      // Boot
  std::int64_t m_nextPeriodicMs = 0; // Comm
  unsigned m_periodicCount = 0;
  unsigned m_noiseCount = 0;
  std::int64_t m_clockBaseSecs = 0; // device clock ...
  std::int64_t m_clockBaseMs = 0;   // ... at this model time
  std::deque<Chunk> m_output;
  std::int64_t m_lastDueMs = 0;
  std::vector<CCommandRecord> m_log;
  std::mt19937 m_rng;
};

} // namespace sim
