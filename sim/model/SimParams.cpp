#include "model/SimParams.h"

#include "model/ListingText.h"
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

// Packets and passwords as a device with a damaged or foreign code page holds
// them: a byte no GBK character starts with, a lead byte without its trail
// (also as the last byte), a lead byte before a byte that cannot follow it.
struct RawDefault {
  int index;
  const char *bytes;
};
const RawDefault BAD_GBK_FACTORY[] = {
    {37, "REG\x81\x7f"},
    {38, "ALIVE\x81"},
    {40, "\xa1\x20WAKE"},
    {41, "\xfe\x7f\xd6"},
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

} // namespace

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
  if (m_features.badGbk)
    for (const RawDefault &d : BAD_GBK_FACTORY)
      m_values[static_cast<size_t>(d.index)] = d.bytes;
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
  if (index == SIM_WORK_MODE)
    longForm = WorkModeLongForm(v);
  else if (index == SIM_ACTIVATE)
    longForm = ActivationLongForm(v);
  else if (index == SIM_SERIAL_MODE)
    longForm = SerialFormatLongForm(v);
  return longForm.empty() ? v : longForm;
}

std::string ListingLabel(int index) {
  std::string head = ListingParamLines()[static_cast<size_t>(index)].head;
  head.erase(head.find_last_not_of(' ') + 1);
  return head;
}

namespace {

// The part of a line before the value, in the firmware's filler style.
std::string LineHead(int index, EListingFiller filler) {
  const std::string label = ListingLabel(index);
  switch (filler) {
  case EListingFiller::Column:
    break;
  case EListingFiller::OneSpace:
    return label + ' ';
  case EListingFiller::WideSpaces:
    return label + std::string(label.size() < 40 ? 40 - label.size() : 1, ' ');
  case EListingFiller::Tab:
    return label + '\t';
  case EListingFiller::Dots:
    return label + std::string(label.size() < 33 ? 33 - label.size() : 1, '.') + ' ';
  }
  return ListingParamLines()[static_cast<size_t>(index)].head;
}

void AppendVendorLines(std::string &out, int count) {
  const auto lines = ListingVendorLines();
  for (int i = 0; i < count; ++i) {
    out += lines[static_cast<size_t>(i) % lines.size()];
    out += "\r\n";
  }
}

} // namespace

std::string CSimParamStore::Listing(const CListingOptions &options) const {
  std::string out;
  out.reserve(4096);
  auto line = [&out](std::string_view text) {
    out += text;
    out += "\r\n";
  };
  for (const char *text : ListingOpeningLines())
    line(text);
  AppendVendorLines(out, options.vendorHeadLines);
  const auto order = options.order == EListingOrder::LongerFirst ? ListingLongerFirstOrder() : ListingStandardOrder();
  for (int entry : order) {
    if (entry < 0) {
      line(ListingSectionLines()[static_cast<size_t>(LISTING_SECTION_BASE - entry)]);
      continue;
    }
    if (!Has(entry))
      continue;
    line(LineHead(entry, options.filler) + ListedValue(entry) + ListingParamLines()[static_cast<size_t>(entry)].tail);
  }
  AppendVendorLines(out, options.vendorTailLines);
  for (const char *text : ListingClosingLines())
    line(text);
  return out;
}

std::string CSimParamStore::Dump() const {
  std::string out;
  for (int i = 0; i < SIM_PARAM_COUNT; ++i) {
    if (!Has(i))
      continue;
    out += ListingLabel(i);
    out += '=';
    out += Value(i);
    out += '\n';
  }
  return out;
}

} // namespace sim
