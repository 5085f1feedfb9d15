// The simulated IP Modem's model, driven with explicit time: listing shape,
// command table, line discipline and power states. The device's own
// transcript is the truth here; one test checks it against the tool's table.
#include "model/DeviceModel.h"
#include "model/ListingText.h"
#include "params/ParamTable.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace sim;

namespace {

// Drives a model through simulated time and collects what it sends.
struct CDrive {
  explicit CDrive(CDeviceOptions options = {}) : model(std::move(options)) {}

  // Lets ms milliseconds pass, firing every event on time.
  std::string Run(std::int64_t ms) {
    const std::int64_t end = t + ms;
    std::string out;
    for (auto next = model.NextEventMs(); next && *next <= end; next = model.NextEventMs()) {
      t = std::max(t, *next);
      model.Advance(t);
      out += model.TakeOutput(t);
    }
    t = end;
    model.Advance(t);
    out += model.TakeOutput(t);
    return out;
  }
  std::string Send(std::string_view bytes, std::int64_t thenMs = 50) {
    model.Receive(bytes, t);
    return Run(thenMs);
  }
  // Powers up and opens the configuration menu, echo off.
  void EnterConfig() {
    model.PowerUp(t);
    Run(10);
    Send("s", 2000);
    Send("at+noecho\r", 2000);
  }

  CDeviceModel model;
  std::int64_t t = 0;
};

int Count(const std::string &text, const std::string &needle) {
  int n = 0;
  for (size_t p = text.find(needle); p != std::string::npos; p = text.find(needle, p + 1))
    ++n;
  return n;
}

// The device's own line for a parameter: the transcript's label at the start
// of a line, the filler spaces, the value, then the transcript's tail.
bool ListedLine(const std::string &listing, int index, std::string &value) {
  const std::string label = ListingLabel(index);
  const size_t p = listing.find("\r\n" + label);
  if (p == std::string::npos)
    return false;
  const size_t eol = listing.find("\r\n", p + 2);
  if (eol == std::string::npos)
    return false;
  size_t i = p + 2 + label.size();
  while (i < eol && listing[i] == ' ')
    ++i;
  const std::string tail = ListingParamLines()[static_cast<size_t>(index)].tail;
  if (eol - i < tail.size() || listing.compare(eol - tail.size(), tail.size(), tail) != 0)
    return false;
  value = listing.substr(i, eol - i - tail.size());
  return true;
}

// The stored code behind a listed value: the first keyword found wins, as a
// configuration tool reduces the three long forms.
std::string Reduced(int index, const std::string &listed) {
  using Table = std::vector<std::pair<const char *, const char *>>;
  static const Table WORK = {{"PROT", "PROT"},   {"TRANSP", "TRNS"},     {"TCP TRANS", "TTRN"},
                             {"CLIENT", "TLNT"}, {"LONG", "LONG"},       {"LNGT", "LNGT"},
                             {"UDP", "TUDP"},    {"TCP CUSTOM", "TCST"}, {"TCP SERVER", "TCPSVR"}};
  static const Table ACTI = {
      {"AUTO", "AUTO"}, {"SMS", "SMSD"}, {"CONTROLABLE", "CTRL"}, {"DATA", "DATA"}, {"MIXD", "MIXD"}};
  const Table *table = index == SIM_WORK_MODE ? &WORK : index == SIM_ACTIVATE ? &ACTI : nullptr;
  if (table) {
    for (const auto &[keyword, code] : *table)
      if (listed.find(keyword) != std::string::npos)
        return code;
  }
  if (index == SIM_SERIAL_MODE && listed.size() >= 3)
    return std::string{listed[0], listed[2], listed.back()};
  return listed;
}

// The stored value a listing shows for a parameter (empty optional when absent).
bool ReadStored(const std::string &listing, int index, std::string &value) {
  std::string listed;
  if (!ListedLine(listing, index, listed))
    return false;
  value = Reduced(index, listed);
  return true;
}

// The command that writes each parameter, as a configuration tool sends it,
// and the kind of value it takes.
enum class EKind { Text, Port, Choice, Number, Alarm, Special };
struct CSetter {
  int index;
  const char *prefix;
  EKind kind;
};
// clang-format off
const CSetter SETTERS[] = {
    {0, "at+apn=", EKind::Text}, {1, "at+cent=", EKind::Text}, {2, "at+username=", EKind::Text},
    {3, "at+password=", EKind::Text}, {4, "at+svrcnt=", EKind::Choice}, {5, "at+ipad=", EKind::Text},
    {6, "at+ipad1=", EKind::Text}, {7, "at+ipad2=", EKind::Text}, {8, "at+ipad3=", EKind::Text},
    {9, "at+ipad4=", EKind::Text}, {10, "at+port=", EKind::Port}, {11, "at+port1=", EKind::Port},
    {12, "at+port2=", EKind::Port}, {13, "at+port3=", EKind::Port}, {14, "at+port4=", EKind::Port},
    {15, "at+ipsec=", EKind::Text}, {16, "at+ptsec=", EKind::Port}, {17, "at+mode=", EKind::Special},
    {18, "at+acti=", EKind::Special}, {19, "at+sermode=", EKind::Special}, {20, "at+idnt=", EKind::Text},
    {21, "at+phon=", EKind::Text}, {22, "at+ipr=", EKind::Special}, {23, "at+debug=", EKind::Choice},
    {24, "AT+STRAIGHT=", EKind::Choice}, {25, "at+retmain=", EKind::Choice}, {26, "at+polltime=", EKind::Number},
    {27, "at+dnssvr=", EKind::Text}, {28, "at+dnssv2=", EKind::Text}, {29, "at+dnssvr1=", EKind::Text},
    {30, "at+dnssvr2=", EKind::Text}, {31, "at+dnssvr3=", EKind::Text}, {32, "at+dnssvr4=", EKind::Text},
    {33, "at+smsc=", EKind::Text}, {35, "at+ctrlno=", EKind::Text}, {36, "at+smsdpswd=", EKind::Text},
    {37, "at+connrgst=", EKind::Text}, {38, "at+linkrgst=", EKind::Text}, {39, "at+byteint=", EKind::Number},
    {40, "AT+DONPSWD=", EKind::Text}, {41, "AT+DOFFPSWD=", EKind::Text}, {42, "AT+RETRY=", EKind::Number},
    {43, "AT+RDLWT=", EKind::Number}, {44, "AT+TCPMTU=", EKind::Number}, {45, "AT+MCONTIME=", EKind::Number},
    {48, "AT+EXCAL0=", EKind::Alarm}, {49, "AT+EXCAL1=", EKind::Alarm}, {50, "AT+EXCAL2=", EKind::Alarm},
    {51, "AT+EXCAL3=", EKind::Alarm}, {52, "AT+EXCAL4=", EKind::Alarm}, {53, "AT+EXCAL5=", EKind::Alarm},
    {54, "AT+EXCAL6=", EKind::Alarm}, {55, "AT+EXCAL7=", EKind::Alarm}, {56, "AT+EXCAL8=", EKind::Alarm},
    {57, "AT+EXCAL9=", EKind::Alarm}, {58, "at+gpsad=", EKind::Text}, {59, "at+gpsport=", EKind::Port},
    {60, "at+gpsint=", EKind::Number}, {61, "at+gpstmod=", EKind::Choice}, {62, "at+gpstran=", EKind::Choice},
    {63, "at+frmc=", EKind::Choice}, {64, "at+fvtg=", EKind::Choice}, {65, "at+fgga=", EKind::Choice},
    {66, "at+fgsa=", EKind::Choice}, {67, "at+fgsv=", EKind::Choice}, {68, "at+fgll=", EKind::Choice},
};
// clang-format on

// A new value of the right kind for a parameter, different from the factory one.
std::string NewValueFor(const CSetter &s) {
  const int i = s.index;
  switch (s.kind) {
  case EKind::Special:
    return i == SIM_WORK_MODE ? "TCPSVR" : i == SIM_ACTIVATE ? "SMSD" : i == SIM_SERIAL_MODE ? "7E1" : "9600";
  case EKind::Alarm:
    return "OH,\"00:0" + std::to_string(i - 48) + ":00\",120";
  case EKind::Port:
    return std::to_string(9000 + i);
  case EKind::Choice:
    return i % 2 ? "2" : "3";
  case EKind::Number:
    return std::to_string(100 + i);
  case EKind::Text:
    break;
  }
  return "value-" + std::to_string(i);
}

} // namespace

// The default listing, line for line as the firmware prints it.
TEST(SimListing, DefaultListingIsTheTranscript) {
  const std::string listing = CSimParamStore().Listing();
  EXPECT_EQ(listing.size(), 3441u);
  EXPECT_EQ(listing.rfind("\r\n============== Tavrenholt IP Modem settings ==============\r\n"
                          "Firmware          V3.2.1 build 2024-03-01\r\n"
                          "------------------ Network ------------------\r\n"
                          "Access Point Name:                CMNET\r\n",
                          0),
            0u);
  for (const char *line : {
           "\r\nServer's Ip                       203.0.113.10\r\nServer's Port                     5000\r\n",
           "\r\nDns Server's Ip:                  114.114.114.114   \r\nSecond Dns Server's Ip:           8.8.8.8   "
           "\r\n",
           "\r\nWork Mode:                        TCP CLIENT\r\n",
           "\r\nSerial port commu mode            8,N,1\r\n",
           "\r\nDeliver Recved Tcp Data Directly  1\r\n",
           "\r\nSms Center :                      +8613800100500  \r\n",
           "\r\nmodule's power control:           1  \r\n",
           "\r\nRTC alarm 0:                      OD,\"08:00:00\",3600   \r\n",
           "\r\n-------------------- GPS --------------------\r\nGPS Server's Ip                   198.51.100.30\r\n",
       })
    EXPECT_NE(listing.find(line), std::string::npos) << line;
  EXPECT_EQ(listing.substr(listing.size() - 102),
            "GPS GPGLL                         0\r\n"
            "=========================================================\r\n\r\nOK\r\n");
}

TEST(SimListing, SizeEndAndEveryLabelFirstOnItsOwnLine) {
  struct Case {
    const char *name;
    CSimFeatures features;
  };
  const Case cases[] = {
      {"full", {true, true, false, false}},      {"no gps", {false, true, false, false}},
      {"no alarm", {true, false, false, false}}, {"neither", {false, false, false, false}},
      {"gbk", {true, true, true, false}},        {"bad gbk", {true, true, false, true}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    CSimParamStore store(c.features);
    const std::string listing = store.Listing();
    EXPECT_GT(listing.size(), 2000u);
    EXPECT_LT(listing.size(), 4096u);
    ASSERT_GE(listing.size(), 4u);
    EXPECT_EQ(listing.find("OK\r\n"), listing.size() - 4) << "only the last line may hold OK CR LF";

    for (int i = 0; i < SIM_PARAM_COUNT; ++i) {
      const std::string label = ListingLabel(i);
      const size_t p = listing.find(label);
      if (!store.Has(i)) {
        EXPECT_EQ(p, std::string::npos) << label;
        continue;
      }
      // The first occurrence of every label is its own line.
      ASSERT_NE(p, std::string::npos) << label;
      EXPECT_TRUE(p >= 2 && listing.compare(p - 2, 2, "\r\n") == 0) << label;
      std::string value;
      ASSERT_TRUE(ReadStored(listing, i, value)) << label;
      EXPECT_EQ(value, store.Value(i)) << label;
    }
  }
}

// The cross-check between the two sides: the labels this device prints and
// the padding after its values are what the configuration tool expects.
TEST(SimListing, TranscriptAgreesWithTheToolsTable) {
  for (int i = 0; i < SIM_PARAM_COUNT; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ListingLabel(i), ParamInfoAt(i).label);
    EXPECT_EQ(std::string(ListingParamLines()[static_cast<size_t>(i)].tail).size(),
              static_cast<size_t>(ParamInfoAt(i).trim));
    EXPECT_EQ(ListingParamLines()[static_cast<size_t>(i)].param, i);
  }
}

TEST(SimListing, LongerFirstOrderPrintsEachLineBeforeTheLabelsItHolds) {
  CListingOptions o;
  o.order = EListingOrder::LongerFirst;
  const CSimParamStore store;
  const std::string listing = store.Listing(o);
  EXPECT_EQ(listing.size(), store.Listing().size()) << "the same lines, in another order";
  auto at = [&](int index) { return listing.find("\r\n" + ListingLabel(index)); };
  const std::pair<int, int> before[] = {{15, 5}, {16, 10}, {28, 27}, {29, 6}, {32, 9}};
  for (const auto &[longer, shorter] : before) {
    EXPECT_LT(at(longer), at(shorter)) << ListingLabel(longer);
    // So the first occurrence of the shorter label is inside the longer line.
    EXPECT_LT(listing.find(ListingLabel(shorter)), at(shorter)) << ListingLabel(shorter);
  }
  for (int i = 0; i < SIM_PARAM_COUNT; ++i) {
    std::string value;
    ASSERT_TRUE(ReadStored(listing, i, value)) << i;
    EXPECT_EQ(value, store.Value(i)) << i;
  }
}

TEST(SimListing, FillersBetweenLabelAndValue) {
  struct Case {
    EListingFiller filler;
    std::string line; // the line of "Dns Server's Ip:"
  };
  const Case cases[] = {
      {EListingFiller::Column, "Dns Server's Ip:                  114.114.114.114   \r\n"},
      {EListingFiller::OneSpace, "Dns Server's Ip: 114.114.114.114   \r\n"},
      {EListingFiller::WideSpaces, "Dns Server's Ip:" + std::string(24, ' ') + "114.114.114.114   \r\n"},
      {EListingFiller::Tab, "Dns Server's Ip:\t114.114.114.114   \r\n"},
      {EListingFiller::Dots, "Dns Server's Ip:................. 114.114.114.114   \r\n"},
  };
  const CSimParamStore store;
  for (const Case &c : cases) {
    CListingOptions o;
    o.filler = c.filler;
    const std::string listing = store.Listing(o);
    EXPECT_NE(listing.find("\r\n" + c.line), std::string::npos) << c.line;
    // Every value is still followed by its tail, whatever precedes it.
    for (int i = 0; i < SIM_PARAM_COUNT; ++i) {
      const std::string label = ListingLabel(i);
      const size_t p = listing.find("\r\n" + label);
      ASSERT_NE(p, std::string::npos) << label;
      const size_t eol = listing.find("\r\n", p + 2);
      const std::string line = listing.substr(p + 2, eol - p - 2);
      const std::string expected = store.ListedValue(i) + ListingParamLines()[static_cast<size_t>(i)].tail;
      EXPECT_EQ(line.substr(line.size() - expected.size()), expected) << label;
    }
  }
}

TEST(SimListing, VendorLinesMakeTheListingLongerThanTheToolsWindow) {
  CListingOptions o;
  o.vendorHeadLines = 12;
  o.vendorTailLines = 9;
  const CSimParamStore store;
  const std::string plain = store.Listing();
  const std::string listing = store.Listing(o);
  EXPECT_GT(listing.size(), 4096u);
  // The vendor lines hold no label and no reply marker.
  for (const char *line : ListingVendorLines()) {
    for (int i = 0; i < SIM_PARAM_COUNT; ++i)
      EXPECT_EQ(std::string(line).find(ListingLabel(i)), std::string::npos) << line;
    for (const char *marker : {"OK", "ERROR", "+IPR:", "AT+LIST", "Press 's' key"})
      EXPECT_EQ(std::string(line).find(marker), std::string::npos) << line;
  }
  EXPECT_EQ(Count(listing, "\r\n[vendor]"), 21);
  // Head lines right after the opening, tail lines right before the closing.
  EXPECT_EQ(listing.find("[vendor]"), plain.find("------------------ Network"));
  EXPECT_EQ(listing.rfind("\r\n=====") - listing.rfind("\r\n[vendor]"),
            listing.find("\r\n", listing.rfind("\r\n[vendor]") + 2) - listing.rfind("\r\n[vendor]"));
  // Without them it is the plain listing.
  std::string stripped = listing;
  for (size_t p = stripped.find("[vendor]"); p != std::string::npos; p = stripped.find("[vendor]"))
    stripped.erase(p, stripped.find("\r\n", p) + 2 - p);
  EXPECT_EQ(stripped, plain);
}

TEST(SimListing, LongFormsReduceToTheStoredCodes) {
  CSimParamStore store;
  const std::vector<std::pair<int, std::vector<std::string>>> codes = {
      {SIM_WORK_MODE, {"PROT", "TRNS", "TTRN", "TLNT", "LONG", "LNGT", "TUDP", "TCST", "TCPSVR"}},
      {SIM_ACTIVATE, {"AUTO", "SMSD", "CTRL", "DATA", "MIXD"}},
      {SIM_SERIAL_MODE, {"8N1", "8E1", "8O1", "7O1", "7E1", "7N1"}},
  };
  for (const auto &[index, list] : codes)
    for (const std::string &code : list) {
      ASSERT_TRUE(store.SetValue(index, code));
      std::string value;
      ASSERT_TRUE(ReadStored(store.Listing(), index, value));
      EXPECT_EQ(value, code) << "listed as " << store.ListedValue(index);
    }
  EXPECT_EQ(store.ListedValue(SIM_SERIAL_MODE), "7,N,1");
  ASSERT_TRUE(store.SetValue(SIM_WORK_MODE, "TCPSVR"));
  EXPECT_EQ(store.ListedValue(SIM_WORK_MODE), "TCP SERVER");
}

TEST(SimCommands, EverySetterStoresWhatTheNextListingShows) {
  CDrive d;
  d.EnterConfig();
  EXPECT_EQ(std::size(SETTERS), 66u); // all parameters but 34, 46 and 47
  for (const CSetter &s : SETTERS) {
    const std::string v = NewValueFor(s);
    const std::string cmd = s.prefix + v + "\r";
    SCOPED_TRACE(cmd);
    EXPECT_EQ(d.Send(cmd), "\r\nOK\r\n");
    std::string listed;
    ASSERT_TRUE(ReadStored(d.Send("at+show\r"), s.index, listed));
    EXPECT_EQ(listed, v);
  }

  // An empty value is stored as empty.
  EXPECT_EQ(d.Send("at+apn=\r"), "\r\nOK\r\n");
  std::string apn;
  ASSERT_TRUE(ReadStored(d.Send("at+show\r"), 0, apn));
  EXPECT_EQ(apn, "");
}

TEST(SimCommands, RefusedValuesAndUnknownCommandsAnswerError) {
  CDeviceOptions noGps;
  noGps.features.gps = false;
  noGps.features.alarm = false;
  CDrive d(noGps);
  d.EnterConfig();
  const char *const refused[] = {
      "at+mode=FAST\r",
      "at+acti=NEVER\r",
      "at+sermode=9N1\r",
      "at+port=abc\r",
      "at+port=\r",
      "at+debug=1x\r",
      "at+bogus=1\r",
      "at+bogus\r",
      "atz\r",
      "at+gpsad=1.2.3.4\r",
      "AT+EXCAL0=D\r",
      "at+ipad5=1.2.3.4\r",
      "AT+EXCCLK=\"2024/13/05,08:30:00\",2\r",
  };
  for (const char *cmd : refused)
    EXPECT_EQ(d.Send(cmd), "\r\nERROR\r\n") << cmd;
  EXPECT_EQ(d.Send("at+apn=" + std::string(101, 'x') + "\r"), "\r\nERROR\r\n");
  EXPECT_EQ(d.Send("at+apn=" + std::string(100, 'x') + "\r"), "\r\nOK\r\n");
  EXPECT_EQ(d.model.Params().Value(0), std::string(100, 'x'));
  EXPECT_EQ(d.model.Params().Value(SIM_WORK_MODE), "TLNT"); // refused value not stored
}

TEST(SimCommands, QueriesAnswerWithTheirPrefixThenOk) {
  CDrive d;
  d.EnterConfig();
  struct Case {
    const char *command;
    const char *expected;
  };
  const Case cases[] = {
      {"AT+IPR?\r\n", "\r\n+IPR: 115200\r\n\r\nOK\r\n"},
      {"AT+MODE?\r\n", "\r\n+MODE: TLNT\r\n\r\nOK\r\n"},
      {"AT+ACTI?\r\n", "\r\n+ACTI: AUTO\r\n\r\nOK\r\n"},
      {"at+cpin?\r\n", "\r\n+CPIN: READY\r\n\r\nOK\r\n"},
      {"at+cfun?\r\n", "\r\n+CFUN: 1\r\n\r\nOK\r\n"},
      {"at+csq\r", "\r\n+CSQ: 23,99\r\n\r\nOK\r\n"},
      {"at+cgatt=1\r", "\r\nOK\r\n"},
      {"at\r", "\r\nOK\r\n"},
      {"ati\r", "\r\nSIMCOM_SIM700\r\n\r\nOK\r\n"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(d.Send(c.command), c.expected) << c.command;
  EXPECT_NE(d.Send("at+ver\r").find("V3.2.1"), std::string::npos);
  d.Send("at+ipr=9600\r");
  EXPECT_EQ(d.Send("AT+IPR?\r\n"), "\r\n+IPR: 9600\r\n\r\nOK\r\n");
  const std::string list = d.Send("AT+LIST\r");
  EXPECT_NE(list.find("AT+DNSSV2="), std::string::npos);
  EXPECT_EQ(list.substr(list.size() - 4), "OK\r\n");
}

TEST(SimCommands, DatangRejectsAtiAndNamesItselfInCgmr) {
  CDeviceOptions o;
  o.module = "DATANG";
  CDrive d(o);
  d.EnterConfig();
  const std::string ati = d.Send("ati\r");
  EXPECT_NE(ati.find("ERROR"), std::string::npos);
  EXPECT_EQ(ati.find("OK"), std::string::npos);
  const std::string cgmr = d.Send("AT+CGMR\r");
  EXPECT_NE(cgmr.find("DTM6211"), std::string::npos);
  EXPECT_NE(cgmr.find("OK"), std::string::npos);
}

TEST(SimLine, StrayCharactersBeforeAtAreIgnored) {
  struct Case {
    const char *input;
    const char *reply;
  };
  const Case cases[] = {
      {"sssat\r", "\r\nOK\r\n"}, // key presses after the menu
      {"s\r", ""},               // no command at all
      {"xyz\r", ""},
      {"aat\r", "\r\nOK\r\n"}, // the last "a" starts the command
      {"axat\r", "\r\nOK\r\n"},
      {"at\r\n", "\r\nOK\r\n"}, // LF after CR tolerated, no second reply
      {"AT+CSQ\r", "\r\n+CSQ: 23,99\r\n\r\nOK\r\n"},
      {"at+csqq\b\r", "\r\n+CSQ: 23,99\r\n\r\nOK\r\n"}, // backspace
  };
  for (const Case &c : cases) {
    CDrive d;
    d.EnterConfig();
    EXPECT_EQ(d.Send(c.input), c.reply) << c.input;
  }
  // A command that arrives byte by byte.
  CDrive d;
  d.EnterConfig();
  std::string out;
  for (char c : std::string("at+cpin?\r\n"))
    out += d.Send(std::string(1, c), 20);
  EXPECT_EQ(out, "\r\n+CPIN: READY\r\n\r\nOK\r\n");
}

TEST(SimLine, AStrictLineBufferAnswersStrayBytesBeforeAtWithError) {
  struct Case {
    const char *input;
    const char *reply;
  };
  const Case cases[] = {
      {"sat\r", "\r\nERROR\r\n"}, // a key press before the command
      {"xat+apn=other\r", "\r\nERROR\r\n"},
      {" at\r", "\r\nERROR\r\n"},
      {"s\r", "\r\nERROR\r\n"},
      {"at\r", "\r\nOK\r\n"},
      {"AT+IPR?\r\n", "\r\n+IPR: 115200\r\n\r\nOK\r\n"}, // the LF after a CR is still no stray byte
      {"\r", ""},
      {"xx\bat\r", "\r\nERROR\r\n"},
      {"x\bat\r", "\r\nOK\r\n"}, // taken back before the command
  };
  CDeviceOptions o;
  o.strictLine = true;
  for (const Case &c : cases) {
    CDrive d(o);
    d.EnterConfig();
    EXPECT_EQ(d.Send(c.input), c.reply) << c.input;
    EXPECT_EQ(d.model.Params().Value(0), "CMNET");
  }
  CDrive d(o);
  d.EnterConfig();
  d.Send("xat+apn=other\r");
  const auto log = d.model.TakeCommandLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].command, "xat+apn=other");
  EXPECT_EQ(log[1].result, "ERROR");
}

TEST(SimLine, EchoesUntilNoEcho) {
  CDrive d;
  d.model.PowerUp(0);
  d.Run(10);
  d.Send("s");
  EXPECT_TRUE(d.model.Echo());
  EXPECT_EQ(d.Send("ss"), "ss");
  EXPECT_EQ(d.Send("at\r"), "at\r\r\nOK\r\n");
  std::string out;
  for (char c : std::string("at+noecho\r"))
    out += d.Send(std::string(1, c), 20);
  EXPECT_EQ(out, "at+noecho\r\r\nOK\r\n");
  EXPECT_FALSE(d.model.Echo());
  EXPECT_EQ(d.Send("at\r"), "\r\nOK\r\n");
}

TEST(SimPower, BootWindowPromptsThenMenuOrCommunicationState) {
  CDeviceOptions o;
  o.bootMs = 1000;
  o.promptIntervalMs = 200;
  o.powerDelayMs = 100;
  o.periodicMs = 250;
  {
    CDrive d(o);
    d.model.PowerUp(0);
    EXPECT_EQ(d.model.State(), EPowerState::Starting);
    EXPECT_EQ(d.Send("s", 50), ""); // before the start-up text nobody listens
    const std::string boot = d.Run(1000);
    EXPECT_EQ(Count(boot, "Press 's' key"), 5);
    EXPECT_EQ(d.model.State(), EPowerState::Boot);
    const std::string comm = d.Run(100);
    EXPECT_EQ(d.model.State(), EPowerState::Comm);
    EXPECT_NE(comm.find(CDeviceModel::COMM_TEXT), std::string::npos);
    EXPECT_EQ(d.Send("at\r", 10), "at\r"); // loopback, no command handling
    EXPECT_EQ(Count(d.Run(1000), "periodic data"), 4);
  }
  {
    CDrive d(o);
    d.model.PowerUp(0);
    d.Run(500);
    const std::string menu = d.Send("s");
    EXPECT_NE(menu.find("AT+LIST"), std::string::npos);
    EXPECT_EQ(d.model.State(), EPowerState::Config);
    EXPECT_EQ(d.Run(2000), ""); // no more prompts, no communication state
  }
}

TEST(SimPower, ResetRestartsShutdownSilencesFactoryRestores) {
  CDeviceOptions o;
  o.bootMs = 500;
  o.restartDelayMs = 100;
  CDrive d(o);
  d.EnterConfig();
  EXPECT_EQ(d.Send("at+apn=internet\r"), "\r\nOK\r\n");
  EXPECT_EQ(d.Send("at+factory\r"), "\r\nOK\r\n");
  EXPECT_EQ(d.model.Params().Value(0), "CMNET");

  const std::string restart = d.Send("at+reset\r", 10);
  EXPECT_NE(restart.find("configure program."), std::string::npos);
  EXPECT_EQ(restart.find("OK"), std::string::npos);
  EXPECT_EQ(d.model.State(), EPowerState::Starting);
  EXPECT_NE(d.Run(200).find("Press 's' key"), std::string::npos);
  d.Send("s");
  EXPECT_TRUE(d.model.Echo()); // a restart turns the echo back on
  d.Send("at+noecho\r");

  EXPECT_EQ(d.Send("AT+SHUTDOWN\r"), "\r\nOK\r\n");
  EXPECT_EQ(d.model.State(), EPowerState::Off);
  EXPECT_EQ(d.Send("at\r", 2000), "");
  EXPECT_EQ(d.Send("s", 100), "");
  d.model.PowerUp(d.t);
  EXPECT_NE(d.Run(100).find("Press 's' key"), std::string::npos);
}

TEST(SimOptions, ErrorSilenceDelayNoiseAndLog) {
  CDeviceOptions o;
  o.errorCommands = {CommandName("at+apn=x"), CommandName("AT+IPR?")};
  o.silentCommands = {"ati"};
  o.replyDelayMs = 300;
  o.noise = true;
  CDrive d(o);
  d.EnterConfig();
  EXPECT_EQ(d.model.Params().Value(0), "CMNET");
  d.model.Receive("at+apn=internet\r", d.t);
  EXPECT_EQ(d.Run(299), "");
  const std::string err = d.Run(1);
  EXPECT_NE(err.find("\r\nERROR\r\n"), std::string::npos);
  EXPECT_EQ(d.model.Params().Value(0), "CMNET");
  EXPECT_NE(d.Send("AT+IPR?\r\n", 400).find("ERROR"), std::string::npos);
  EXPECT_EQ(d.Send("ati\r", 1000), "");
  const std::string ok = d.Send("at\r", 400);
  EXPECT_NE(ok.find("\r\nOK\r\n"), std::string::npos);
  EXPECT_GT(ok.size(), 6u); // preceded by a noise line

  const auto log = d.model.TakeCommandLog();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[0].command, "at+noecho");
  EXPECT_EQ(log[1].result, "ERROR");
  EXPECT_EQ(log[3].command, "ati");
  EXPECT_EQ(log[3].result, "SILENT");
  EXPECT_EQ(log[4].result, "OK");
  EXPECT_EQ(CommandRecordJson({12, "at+apn=\"a\\b\"\x01\xb5", "OK"}),
            "{\"t_ms\":12,\"command\":\"at+apn=\\\"a\\\\b\\\"\\u0001\\u00b5\",\"result\":\"OK\"}\n");
}

TEST(SimOptions, ChunkedOutputArrivesWholeInSmallPiecesOverTime) {
  CDeviceOptions o;
  o.chunkMax = 5;
  CDrive d(o);
  d.EnterConfig();
  d.model.Receive("at+show\r", d.t);
  std::string whole;
  int pieces = 0;
  const std::int64_t start = d.t;
  for (int ms = 0; ms < 20000 && whole.find("OK\r\n") == std::string::npos; ++ms) {
    const std::string piece = d.Run(1);
    if (!piece.empty()) {
      ++pieces;
      EXPECT_LE(piece.size(), 5u);
    }
    whole += piece;
  }
  EXPECT_EQ(whole, d.model.Listing(start)); // listed at the time of the command
  EXPECT_GT(pieces, static_cast<int>(whole.size() / 5));
  EXPECT_GT(d.t - start, pieces); // gaps of at least 1 ms between chunks
}

TEST(SimClock, SetClockShowsOnTheTimeLineAndRuns) {
  CDrive d;
  d.EnterConfig();
  EXPECT_EQ(d.Send("AT+EXCCLK=\"2024/02/29,23:59:30\",4\r"), "\r\nOK\r\n");
  std::string time;
  ASSERT_TRUE(ReadStored(d.Send("at+show\r"), SIM_CLOCK, time));
  EXPECT_EQ(time, "\"2024/02/29,23:59:30\",4");
  d.Run(61000);
  ASSERT_TRUE(ReadStored(d.Send("at+show\r"), SIM_CLOCK, time));
  EXPECT_EQ(time, "\"2024/03/01,00:00:31\",5");
  for (const char *bad : {"\"2024/02/30,00:00:00\",1", "2024/02/01,00:00:00,1", "\"2024/02/01,24:00:00\",1"}) {
    std::int64_t secs = 0;
    EXPECT_FALSE(ParseClockString(bad, secs)) << bad;
  }
}

TEST(SimText, FixedTextsCarryTheirMarkersAndNothingElse) {
  EXPECT_NE(std::string(CDeviceModel::PROMPT_LINE).find("Press 's' key"), std::string::npos);
  EXPECT_NE(std::string(CDeviceModel::MENU_TEXT).find("AT+LIST"), std::string::npos);
  EXPECT_NE(std::string(CDeviceModel::RESTART_TEXT).find("configure program."), std::string::npos);
  // None of the unsolicited texts may complete an exchange by accident.
  for (const char *text :
       {CDeviceModel::PROMPT_LINE, CDeviceModel::MENU_TEXT, CDeviceModel::RESTART_TEXT, CDeviceModel::COMM_TEXT})
    for (const char *marker : {"OK", "ERROR", "+IPR:", "+MODE:", "+ACTI:", "+CPIN:", "+CSQ:", "Access Point Name:"})
      EXPECT_EQ(std::string(text).find(marker), std::string::npos) << text << " holds " << marker;
}

TEST(SimText, GbkValuesAreListedAsGbkBytes) {
  CSimParamStore store({true, true, true});
  std::string value;
  ASSERT_TRUE(ReadStored(store.Listing(), 37, value));
  EXPECT_EQ(text::FromGbk(QByteArray::fromStdString(value)), QString::fromUtf8("设备注册"));
  EXPECT_EQ(value.size(), 8u); // two bytes per character
}

TEST(SimText, BadGbkValuesAreListedAsTheirBytes) {
  CSimParamStore store({true, true, false, true});
  const std::pair<int, std::string> values[] = {
      {37, "REG\x81\x7f"}, {38, "ALIVE\x81"}, {40, "\xa1\x20WAKE"}, {41, "\xfe\x7f\xd6"}};
  for (const auto &[index, bytes] : values) {
    SCOPED_TRACE(index);
    EXPECT_EQ(store.Value(index), bytes);
    std::string value;
    ASSERT_TRUE(ReadStored(store.Listing(), index, value));
    EXPECT_EQ(value, bytes);
    // No valid GBK: the bytes do not survive a decode and encode.
    EXPECT_NE(text::ToGbk(text::FromGbk(QByteArray::fromStdString(bytes))).toStdString(), bytes);
  }
}
