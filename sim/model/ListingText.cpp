// The simulated firmware's "at+show" listing, transcribed line by line.
#include "model/ListingText.h"

#include <iterator>

namespace sim {
namespace {

const char *const OPENING[] = {
    "",
    "============== Tavrenholt IP Modem settings ==============",
    "Firmware          V3.2.1 build 2024-03-01",
};

const char *const CLOSING[] = {
    "=========================================================",
    "",
    "OK",
};

const char *const SECTIONS[] = {
    "------------------ Network ------------------",  "---------------- Data centers ---------------",
    "--------------- Work parameters -------------",  "------------------ Wake-up ------------------",
    "------------ Real-time clock alarms ----------", "-------------------- GPS --------------------",
};

// Values start in column 34. The lines whose value the firmware pads keep
// their padding after the value: three spaces, two on two of them.
// clang-format off
const CListingLine PARAM_LINES[] = {
    {0, "Access Point Name:                ", ""},
    {1, "Center call number                ", ""},
    {2, "PPP Authentication User Id        ", ""},
    {3, "PPP Authentication Password       ", ""},
    {4, "Total Servers                     ", ""},
    {5, "Server's Ip                       ", ""},
    {6, "Server1's Ip                      ", ""},
    {7, "Server2's Ip                      ", ""},
    {8, "Server3's Ip                      ", ""},
    {9, "Server4's Ip                      ", ""},
    {10, "Server's Port                     ", ""},
    {11, "Server1's Port                    ", ""},
    {12, "Server2's Port                    ", ""},
    {13, "Server3's Port                    ", ""},
    {14, "Server4's Port                    ", ""},
    {15, "Secondary Server's Ip             ", ""},
    {16, "Secondary Server's Port           ", ""},
    {17, "Work Mode:                        ", ""},
    {18, "Activate Method:                  ", ""},
    {19, "Serial port commu mode            ", ""},
    {20, "Modem's ID number                 ", ""},
    {21, "Modem's Phone Number              ", ""},
    {22, "Serial Baudrate                   ", ""},
    {23, "Debug Level                       ", ""},
    {24, "Deliver Recved Tcp Data Directly  ", ""},
    {25, "Should Return To Main Server      ", ""},
    {26, "Heartbeat poll time seconds:      ", "   "},
    {27, "Dns Server's Ip:                  ", "   "},
    {28, "Second Dns Server's Ip:           ", "   "},
    {29, "Dns Server1's Ip:                 ", "   "},
    {30, "Dns Server2's Ip:                 ", "   "},
    {31, "Dns Server3's Ip:                 ", "   "},
    {32, "Dns Server4's Ip:                 ", "   "},
    {33, "Sms Center :                      ", "  "},
    {34, "Tcp act poll time seconds:        ", "   "},
    {35, "Control Phone No.:                ", "   "},
    {36, "Sms Daemon Password:              ", "   "},
    {37, "Custom Register Info:             ", "   "},
    {38, "Custom Keep Online Info:          ", "   "},
    {39, "Bytes Finish Interval(ms):        ", "   "},
    {40, "Data Daemon PPP On Password:      ", "   "},
    {41, "Data Daemon PPP Off Password:     ", "   "},
    {42, "Link Fail Retry Times:            ", "   "},
    {43, "Wait Time Between Dial Failures:  ", "   "},
    {44, "Max Tcp Frame Len:                ", "   "},
    {45, "Multi Server Reconnect Interval:  ", "   "},
    {46, "module's power control:           ", "  "},
    {47, "Time:                             ", "   "},
    {48, "RTC alarm 0:                      ", "   "},
    {49, "RTC alarm 1:                      ", "   "},
    {50, "RTC alarm 2:                      ", "   "},
    {51, "RTC alarm 3:                      ", "   "},
    {52, "RTC alarm 4:                      ", "   "},
    {53, "RTC alarm 5:                      ", "   "},
    {54, "RTC alarm 6:                      ", "   "},
    {55, "RTC alarm 7:                      ", "   "},
    {56, "RTC alarm 8:                      ", "   "},
    {57, "RTC alarm 9:                      ", "   "},
    {58, "GPS Server's Ip                   ", ""},
    {59, "GPS Server's Port                 ", ""},
    {60, "GPS transmit interval             ", ""},
    {61, "GPS work mode                     ", ""},
    {62, "GPS transmit channel              ", ""},
    {63, "GPS GPRMC                         ", ""},
    {64, "GPS GPVTG                         ", ""},
    {65, "GPS GPGGA                         ", ""},
    {66, "GPS GPGSA                         ", ""},
    {67, "GPS GPGSV                         ", ""},
    {68, "GPS GPGLL                         ", ""},
};
// clang-format on
static_assert(std::size(PARAM_LINES) == 69);

constexpr int S = LISTING_SECTION_BASE;
// clang-format off
const int STANDARD_ORDER[] = {
    S - 0, 0, 1, 2, 3,
    S - 1, 4, 5, 10, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 27, 28, 29, 30, 31, 32,
    S - 2, 17, 18, 19, 22, 20, 21, 23, 24, 25, 26, 34, 39, 37, 38, 42, 43, 44, 45,
    S - 3, 33, 35, 36, 40, 41, 46,
    S - 4, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57,
    S - 5, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67, 68,
};
const int LONGER_FIRST_ORDER[] = {
    S - 0, 0, 1, 2, 3,
    S - 1, 4, 15, 16, 28, 27, 29, 30, 31, 32, 5, 10, 6, 7, 8, 9, 11, 12, 13, 14,
    S - 2, 17, 18, 19, 22, 20, 21, 23, 24, 25, 26, 34, 39, 37, 38, 42, 43, 44, 45,
    S - 3, 33, 35, 36, 40, 41, 46,
    S - 4, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57,
    S - 5, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67, 68,
};
// clang-format on

const char *const VENDOR_LINES[] = {
    "[vendor] calibration table rev 7, read-only",
    "[vendor] rf band mask      0x00000e3f  antenna gain  3 db",
    "[vendor] flash sectors     bootloader 0..3  image 4..57  spare 58..63",
    "[vendor] watchdog          armed, 16 s, last cause: power-on",
    "[vendor] uart fifo         rx 128 bytes, tx 128 bytes, overruns 0",
    "[vendor] pdp profile       1, ipv4, header compression off",
    "[vendor] build host        tvh-build-04, toolchain arm-none-eabi 9.2",
    "[vendor] manufacturing     lot 2024-02-17, line B, station 6",
};

} // namespace

std::span<const char *const> ListingOpeningLines() { return OPENING; }
std::span<const char *const> ListingClosingLines() { return CLOSING; }
std::span<const char *const> ListingSectionLines() { return SECTIONS; }
std::span<const CListingLine> ListingParamLines() { return PARAM_LINES; }
std::span<const int> ListingStandardOrder() { return STANDARD_ORDER; }
std::span<const int> ListingLongerFirstOrder() { return LONGER_FIRST_ORDER; }
std::span<const char *const> ListingVendorLines() { return VENDOR_LINES; }

} // namespace sim
