#pragma once
// The device's parameters as the tool sees them: 69 entries, each with the
// label the device lists it under and its value as device bytes (GBK).
#include <QByteArray>

#include <array>
#include <atomic>
#include <cstdint>
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

// The sender that writes a parameter (named as the CAtCommand operation).
enum class ESender : std::uint8_t {
  None,
  SetApn,
  SetCent,
  SetUsername,
  SetPassword,
  SetSvrcnt,
  SetIpad,
  SetIpadN,
  SetPort,
  SetPortN,
  SetIpsec,
  SetPtsec,
  SetMode,
  SetActi,
  SetSermode,
  SetIdnt,
  SetPhon,
  SetIpr,
  SetDebug,
  SetStraight,
  SetRetmain,
  SetPolltime,
  SetDnsServer,
  SetSmsc,
  SetCtrlno,
  SetSmsdpswd,
  SetConnrgst,
  SetLinkrgst,
  SetByteint,
  SetDonpswd,
  SetDoffpswd,
  SetRetry,
  SetRdlwt,
  SetTcpmtu,
  SetMcontime,
  SetExcal,
  SetGpsad,
  SetGpsport,
  SetGpsint,
  SetGpstmod,
  SetGpstran,
  SetFrmc,
  SetFvtg,
  SetFgga,
  SetFgsa,
  SetFgsv,
  SetFgll,
};

// Fixed facts of one parameter.
struct ParamInfo {
  const char *label; // exactly as the device lists it
  int trim;          // characters cut from the end of a listed value
  EPage page;        // page that shows it (None: kept but not shown)
  int controlId;     // control on that page (the description edit for schedules)
  EControlKind kind;
  ESender sender;
  int senderIndex;     // fixed index argument of the sender, where it takes one
  int hiddenControlId; // schedules: the hidden edit holding the string; else 0
};

const ParamInfo &ParamInfoAt(int index);

struct ParamEntry {
  const char *szLabel = ""; // the constant label; empty until a scan or load stores it
  QByteArray szValue;       // device bytes; at most PARAM_VALUE_MAX
  std::int32_t nCount = 0;
  std::uint8_t bFound = 0;
};

using ParamArray = std::array<ParamEntry, PARAM_COUNT>;

// The process-wide table, written by workers and read on the window thread.
// Access goes through a snapshot or a locked edit so nobody sees half an update.
class CParamTable {
public:
  ParamArray Snapshot() const;
  void Replace(const ParamArray &entries);
  ParamEntry Entry(int index) const;
  void SetValue(int index, const QByteArray &value);
  bool Found(int index) const;

private:
  mutable std::mutex m_mutex;
  ParamArray m_entries{};
};

extern CParamTable ParamTable;

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

extern CSerialWorkSettings g_serialWork;
