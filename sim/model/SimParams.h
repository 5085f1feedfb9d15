#pragma once
// The simulated device's settings: the stored value of each of the 69
// parameters (device bytes, GBK where Chinese) and the settings listing that
// "at+show" prints from them.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

constexpr int SIM_PARAM_COUNT = 69;
constexpr size_t SIM_VALUE_MAX = 100; // longest value the device stores, in bytes

// Indices the device treats specially.
constexpr int SIM_WORK_MODE = 17;
constexpr int SIM_ACTIVATE = 18;
constexpr int SIM_SERIAL_MODE = 19;
constexpr int SIM_CLOCK = 47;

// Which optional parameter groups a device has.
struct CSimFeatures {
  bool gps = true;     // entries 58..68
  bool alarm = true;   // entries 48..57 (power on/off schedule groups)
  bool gbk = false;    // Chinese (GBK) defaults for the free-text packets and passwords
  bool badGbk = false; // factory packets and passwords holding bytes that are no valid GBK
};

// How a firmware version lays out its settings listing.
enum class EListingOrder {
  Standard,    // every line after the lines whose labels it holds
  LongerFirst, // "Secondary Server's Ip" before "Server's Ip" and the like
};
enum class EListingFiller {
  Column,     // label padded with spaces to column 34 (the transcript as it is)
  OneSpace,   // label, one space, value
  WideSpaces, // label padded with spaces to column 40
  Tab,        // label, a tab, value
  Dots,       // label, dots to column 34, a space, value
};
struct CListingOptions {
  EListingOrder order = EListingOrder::Standard;
  EListingFiller filler = EListingFiller::Column;
  int vendorHeadLines = 0; // vendor lines before the first section
  int vendorTailLines = 0; // vendor lines after the last parameter
};
// The label as the device prints it (the transcript's head without its padding).
std::string ListingLabel(int index);

// Device wall clock: seconds since 1970-01-01 00:00:00 in the device's local time.
struct CSimDateTime {
  int year = 2024, month = 3, day = 5, hour = 8, minute = 30, second = 0;
};
std::int64_t ToEpoch(const CSimDateTime &t);
CSimDateTime FromEpoch(std::int64_t secs);
int Weekday(std::int64_t secs); // 0 = Sunday
// The clock string of AT+EXCCLK: "\"YYYY/MM/DD,hh:mm:ss\",w". False when malformed.
bool ParseClockString(std::string_view text, std::int64_t &secs);
std::string FormatClockString(std::int64_t secs);

class CSimParamStore {
public:
  explicit CSimParamStore(CSimFeatures features = {});

  // Restores the factory values.
  void Reset();
  // True when the device has this parameter (optional groups may be absent).
  bool Has(int index) const;
  const std::string &Value(int index) const { return m_values.at(static_cast<size_t>(index)); }
  // Stores a value; false (nothing stored) for an absent parameter or a value
  // longer than SIM_VALUE_MAX.
  bool SetValue(int index, std::string_view value);
  const CSimFeatures &Features() const { return m_features; }

  // The value as the device prints it: work mode, activation method and
  // serial format in their long forms ("TCP SERVER", "AUTO", "8,N,1").
  std::string ListedValue(int index) const;
  // The whole "at+show" reply: header, one line per present parameter, and
  // the closing "OK". The "Time:" line shows entry 47, which the device model
  // refreshes from its clock before listing.
  std::string Listing(const CListingOptions &options = {}) const;
  // label=value lines of the present parameters (the control channel's dump).
  std::string Dump() const;

private:
  CSimFeatures m_features;
  std::array<std::string, SIM_PARAM_COUNT> m_values;
};

// Long listing forms of the stored codes; empty when the code is unknown.
std::string WorkModeLongForm(std::string_view code);
std::string ActivationLongForm(std::string_view code);
std::string SerialFormatLongForm(std::string_view code);

} // namespace sim
