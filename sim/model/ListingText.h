#pragma once
// The "at+show" listing of the simulated firmware, written out by hand: the
// exact text of every line (labels, padding, the filler after the value),
// the order of the lines and the section lines. The device's listing is built
// from this transcript alone, never from the configuration tool's own table,
// so a wrong label or trim in the tool shows as a failed test.
#include <span>

namespace sim {

// One parameter line: head, then the value, then tail.
struct CListingLine {
  int param;        // parameter index 0..68
  const char *head; // the label and its padding up to the value column, as printed
  const char *tail; // what the firmware prints after the value
};

// A line of the layout: a parameter (0..68) or a section line (negative).
constexpr int LISTING_SECTION_BASE = -1000; // LISTING_SECTION_BASE - n is section line n

// Lines before the first section and after the last parameter.
std::span<const char *const> ListingOpeningLines();
std::span<const char *const> ListingClosingLines();
std::span<const char *const> ListingSectionLines();
// The parameter lines by index (entry i describes parameter i).
std::span<const CListingLine> ListingParamLines();
// The firmware's line order, each parameter printed after every label it holds.
std::span<const int> ListingStandardOrder();
// Another firmware's order: each line printed before the shorter labels it holds
// ("Secondary Server's Ip" before "Server's Ip", "Second Dns Server's Ip:"
// before "Dns Server's Ip:", "Dns ServerN's Ip:" before "ServerN's Ip").
std::span<const int> ListingLongerFirstOrder();
// Vendor lines some firmware prints around the settings; none holds a label
// or a reply marker.
std::span<const char *const> ListingVendorLines();

} // namespace sim
