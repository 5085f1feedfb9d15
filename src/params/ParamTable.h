#pragma once
// The device's parameters as the tool sees them: 69 entries, each with the
// label the device lists it under and its value as device bytes (GBK).
#include <QByteArray>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

constexpr int PARAM_COUNT = 69;
constexpr int PARAM_VALUE_MAX = 100; // longest value accepted, in bytes
inline constexpr const char *NO_EXIST = "No Exist";

// Important indices named by the flows.
enum : int {
  PARAM_APN = 0,
  PARAM_TOTAL_SERVERS = 4,
  PARAM_WORK_MODE = 17,
  PARAM_ACTIVATE = 18,
  PARAM_SERIAL_MODE = 19,
  PARAM_BAUDRATE = 22,
  PARAM_ALARM_FIRST = 48,
  PARAM_ALARM_LAST = 57,
  PARAM_GPS_FIRST = 58,
  PARAM_GPS_LAST = 68,
};

enum class EPage : std::uint8_t { None, Base, Dtu, Other, Alarm, Gps };
enum class EControlKind : std::uint8_t { None, Edit, List, Combo, Ip, Schedule };

// How a value goes on the wire after its command prefix.
enum class EEncode : std::uint8_t {
  None,      // never written
  Text,      // the bytes as they are
  Number,    // the value's decimal prefix as the device's 32-bit integer ("%d"/"%ld")
  ListIndex, // the list's selection position, as a number
};

// How the save walk tells a page value from the table value.
enum class ECompare : std::uint8_t {
  Never,     // not saved
  Text,      // byte for byte
  Number,    // as the device's integers
  Contained, // the table value occurs in the page's item (work mode)
  Selection, // the selection position against the stored number
};

// How a table value reaches its control.
enum class EFill : std::uint8_t {
  None,
  Text,        // the value as text
  Index,       // a list: the value is the item position
  IndexMinus1, // a list counted from 1
  Keyword,     // a list: the first item keyword the value holds
  Schedule,    // a schedule group: its string and its description
};

// What a value the device confirmed updates besides the table.
enum class EMirror : std::uint8_t {
  None,
  PageText, // the page shows the value as written
  CommMode, // the serial line format of communication state
  Baudrate, // the baud rate of communication state
};

// The four log lines of one parameter's save. The echo is a format where it
// holds %1 (the value); a missing echo shows nothing. The Chinese success and
// failure lines are the same for every parameter.
struct SaveTexts {
  const char *zhEcho = nullptr;
  const char *enEcho = nullptr;
  const char *enOk = nullptr;
  const char *enFail = nullptr;
};

// Everything the tool knows about one parameter.
struct ParamInfo {
  const char *label = ""; // exactly as the device lists it
  int trim = 0;           // characters cut from the end of a listed value
  EPage page = EPage::None;
  int controlId = 0; // control on that page (the description edit for schedules)
  EControlKind kind = EControlKind::None;
  int hiddenControlId = 0;  // schedules: the hidden edit holding the string
  const char *command = ""; // the command up to its value ("at+apn="); empty: never written
  EEncode encode = EEncode::None;
  ECompare compare = ECompare::Never;
  EFill fill = EFill::None;
  const char *const *keywords = nullptr; // EFill::Keyword: the items' keywords, in item order
  int keywordCount = 0;
  int waitMs = 0; // how long the save waits for the device's OK
  SaveTexts texts{};
  EMirror mirror = EMirror::None;
};

const ParamInfo &ParamInfoAt(int index);

// True for the parameters the save walk writes.
bool IsSaved(int index);
// The list position of the first keyword of index's row found in value; -1
// when none is or the row has no keywords.
int KeywordPosition(int index, const QByteArray &value);

struct ParamEntry {
  const char *szLabel = ""; // the constant label; empty until a scan or load stores it
  QByteArray szValue;       // device bytes; at most PARAM_VALUE_MAX
  std::int32_t nCount = 0;
  std::uint8_t bFound = 0;
};

using ParamArray = std::array<ParamEntry, PARAM_COUNT>;

// One device's table, written by workers and read on the window thread.
// Access goes through a snapshot or a locked edit so nobody sees half an update.
class CParamTable {
public:
  ParamArray Snapshot() const;
  void Replace(const ParamArray &entries);
  ParamEntry Entry(int index) const;
  void SetValue(int index, const QByteArray &value);
  bool Found(int index) const;
  // Called, from the changing thread and outside the table's lock, after
  // every Replace and SetValue (the window marks edits the device lacks).
  void SetChangedHandler(std::function<void()> fn);

private:
  void Changed() const;

  mutable std::mutex m_mutex;
  ParamArray m_entries{};
  std::function<void()> m_changed;
};

// The device's serial line format and work baud rate, mirrored from entries 19 and 22.
class CSerialWorkSettings {
public:
  QByteArray CommMode() const;
  void SetCommMode(const QByteArray &mode);
  std::int32_t Baudrate() const { return m_baudrate.load(); }
  void SetBaudrate(std::int32_t baud) { m_baudrate.store(baud); }

private:
  mutable std::mutex m_mutex;
  QByteArray m_commMode{"8N1"};
  std::atomic<std::int32_t> m_baudrate{115200};
};
