// The simulated IP Modem's model, driven with explicit time: listing shape,
// command table, line discipline and power states.
#include "model/DeviceModel.h"
#include "params/ParamTable.h"
#include "params/ParamValue.h"
#include "text/Gbk.h"

#include <gtest/gtest.h>

#include <set>

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

// The tool's reading of one parameter: first occurrence of the label anywhere,
// the rest of that line, leading spaces skipped, the trim cut from the end.
bool ReadLikeTheTool(const std::string &listing, int index, std::string &value) {
  const ParamInfo &info = ParamInfoAt(index);
  const size_t p = listing.find(info.label);
  if (p == std::string::npos)
    return false;
  const size_t eol = listing.find("\r\n", p);
  if (eol == std::string::npos)
    return false;
  size_t i = p + std::string(info.label).size();
  while (i < eol && listing[i] == ' ')
    ++i;
  const size_t n = eol - i > static_cast<size_t>(info.trim) ? eol - i - static_cast<size_t>(info.trim) : 0;
  value = listing.substr(i, n);
  // The three normalised entries, as the tool reduces them.
  auto firstKeyword = [&](const std::vector<std::pair<const char *, const char *>> &table) {
    for (const auto &[keyword, code] : table)
      if (value.find(keyword) != std::string::npos) {
        value = code;
        return;
      }
  };
  if (index == PARAM_WORK_MODE)
    firstKeyword({{"PROT", "PROT"},
                  {"TRANSP", "TRNS"},
                  {"TCP TRANS", "TTRN"},
                  {"CLIENT", "TLNT"},
                  {"LONG", "LONG"},
                  {"LNGT", "LNGT"},
                  {"UDP", "TUDP"},
                  {"TCP CUSTOM", "TCST"},
                  {"TCP SERVER", "TCPSVR"}});
  if (index == PARAM_ACTIVATE)
    firstKeyword({{"AUTO", "AUTO"}, {"SMS", "SMSD"}, {"CONTROLABLE", "CTRL"}, {"DATA", "DATA"}, {"MIXD", "MIXD"}});
  if (index == PARAM_SERIAL_MODE && value.size() >= 3)
    value = std::string{value[0], value[2], value.back()};
  return true;
}

// The command the tool writes for parameter index with value v (its exact
// bytes are pinned by the parameter table's own test).
std::string SenderText(int index, const std::string &v) {
  return ParamCommand(index, QByteArray::fromStdString(v)).toStdString();
}

// A new value of the right kind for each parameter, different from the factory one.
std::string NewValueFor(int index) {
  switch (index) {
  case PARAM_WORK_MODE:
    return "TCPSVR";
  case PARAM_ACTIVATE:
    return "SMSD";
  case PARAM_SERIAL_MODE:
    return "7E1";
  case PARAM_BAUDRATE:
    return "9600";
  }
  if (index >= PARAM_ALARM_FIRST && index <= PARAM_ALARM_LAST)
    return "OH,\"00:0" + std::to_string(index - PARAM_ALARM_FIRST) + ":00\",120";
  const std::set<int> ports = {10, 11, 12, 13, 14, 16, 59};
  const std::set<int> listNumbers = {4, 23, 24, 25, 61, 62, 63, 64, 65, 66, 67, 68};
  const std::set<int> numbers = {26, 39, 42, 43, 44, 45, 60};
  if (ports.count(index))
    return std::to_string(9000 + index);
  if (listNumbers.count(index))
    return index % 2 ? "2" : "3";
  if (numbers.count(index))
    return std::to_string(100 + index);
  return "value-" + std::to_string(index);
}

} // namespace

TEST(SimListing, SizeEndAndEveryLabelFirstOnItsOwnLine) {
  struct Case {
    const char *name;
    CSimFeatures features;
  };
  const Case cases[] = {
      {"full", {true, true, false}},      {"no gps", {false, true, false}}, {"no alarm", {true, false, false}},
      {"neither", {false, false, false}}, {"gbk", {true, true, true}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    CSimParamStore store(c.features);
    const std::string listing = store.Listing();
    EXPECT_GT(listing.size(), 2000u);
    EXPECT_LT(listing.size(), 4096u);
    ASSERT_GE(listing.size(), 4u);
    EXPECT_EQ(listing.find("OK\r\n"), listing.size() - 4) << "only the last line may hold OK CR LF";
    EXPECT_NE(listing.find("Access Point Name:"), std::string::npos);

    for (int i = 0; i < SIM_PARAM_COUNT; ++i) {
      const std::string label = ParamInfoAt(i).label;
      const size_t p = listing.find(label);
      if (!store.Has(i)) {
        EXPECT_EQ(p, std::string::npos) << label;
        continue;
      }
      ASSERT_NE(p, std::string::npos) << label;
      // First occurrence at the start of a line, followed by spaces and the value.
      EXPECT_TRUE(p >= 2 && listing.compare(p - 2, 2, "\r\n") == 0) << label;
      const size_t eol = listing.find("\r\n", p);
      const std::string line = listing.substr(p, eol - p);
      EXPECT_EQ(line.substr(0, label.size()), label);
      ASSERT_GT(line.size(), label.size()) << label;
      EXPECT_EQ(line[label.size()], ' ') << label;
      std::string value;
      ASSERT_TRUE(ReadLikeTheTool(listing, i, value));
      EXPECT_EQ(value, store.Value(i)) << label;
    }
  }
}

TEST(SimListing, LongFormsReduceToTheStoredCodes) {
  CSimParamStore store;
  const std::vector<std::pair<int, std::vector<std::string>>> codes = {
      {PARAM_WORK_MODE, {"PROT", "TRNS", "TTRN", "TLNT", "LONG", "LNGT", "TUDP", "TCST", "TCPSVR"}},
      {PARAM_ACTIVATE, {"AUTO", "SMSD", "CTRL", "DATA", "MIXD"}},
      {PARAM_SERIAL_MODE, {"8N1", "8E1", "8O1", "7O1", "7E1", "7N1"}},
  };
  for (const auto &[index, list] : codes)
    for (const std::string &code : list) {
      ASSERT_TRUE(store.SetValue(index, code));
      std::string value;
      ASSERT_TRUE(ReadLikeTheTool(store.Listing(), index, value));
      EXPECT_EQ(value, code) << "listed as " << store.ListedValue(index);
    }
  EXPECT_EQ(store.ListedValue(PARAM_SERIAL_MODE), "7,N,1");
  ASSERT_TRUE(store.SetValue(PARAM_WORK_MODE, "TCPSVR"));
  EXPECT_EQ(store.ListedValue(PARAM_WORK_MODE), "TCP SERVER");
}

TEST(SimCommands, EverySetterStoresWhatTheNextListingShows) {
  CDrive d;
  d.EnterConfig();
  int senders = 0;
  for (int i = 0; i < SIM_PARAM_COUNT; ++i) {
    const std::string v = NewValueFor(i);
    const std::string cmd = SenderText(i, v);
    if (cmd.empty())
      continue;
    ++senders;
    SCOPED_TRACE(cmd);
    EXPECT_EQ(d.Send(cmd), "\r\nOK\r\n");
    std::string listed;
    ASSERT_TRUE(ReadLikeTheTool(d.Send("at+show\r"), i, listed));
    EXPECT_EQ(listed, v);
  }
  EXPECT_EQ(senders, 66); // all parameters but 34, 46 and 47

  // An empty value is stored as empty.
  EXPECT_EQ(d.Send("at+apn=\r"), "\r\nOK\r\n");
  std::string apn;
  ASSERT_TRUE(ReadLikeTheTool(d.Send("at+show\r"), PARAM_APN, apn));
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
  EXPECT_EQ(d.model.Params().Value(PARAM_APN), std::string(100, 'x'));
  EXPECT_EQ(d.model.Params().Value(PARAM_WORK_MODE), "TLNT"); // refused value not stored
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
  EXPECT_EQ(d.model.Params().Value(PARAM_APN), "CMNET");

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
  EXPECT_EQ(d.model.Params().Value(PARAM_APN), "CMNET");
  d.model.Receive("at+apn=internet\r", d.t);
  EXPECT_EQ(d.Run(299), "");
  const std::string err = d.Run(1);
  EXPECT_NE(err.find("\r\nERROR\r\n"), std::string::npos);
  EXPECT_EQ(d.model.Params().Value(PARAM_APN), "CMNET");
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
  ASSERT_TRUE(ReadLikeTheTool(d.Send("at+show\r"), 47, time));
  EXPECT_EQ(time, "\"2024/02/29,23:59:30\",4");
  d.Run(61000);
  ASSERT_TRUE(ReadLikeTheTool(d.Send("at+show\r"), 47, time));
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
  ASSERT_TRUE(ReadLikeTheTool(store.Listing(), 37, value));
  EXPECT_EQ(text::FromGbk(QByteArray::fromStdString(value)), QString::fromUtf8("设备注册"));
  EXPECT_EQ(value.size(), 8u); // two bytes per character
}
