// The Telnet framing of a device server's line: what arrives is split into
// data and the server's requests and answers whatever the reads cut it into,
// and what goes out is escaped.
#include "serial/Telnet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace telnet;

namespace {
QByteArray B(const std::string &s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }
Event Cmd(unsigned char verb, unsigned char option, qsizetype at) {
  return Event{Event::Command, verb, option, {}, at};
}
Event Sub(unsigned char option, const std::string &payload, qsizetype at) {
  return Event{Event::Subneg, SB, option, B(payload), at};
}
} // namespace

TEST(TelnetDecoder, DataAndEventsWhateverTheReadsCutThemInto) {
  struct Case {
    const char *name;
    std::vector<std::string> reads;
    bool stripCrNul;
    std::string data;
    std::vector<Event> events;
  };
  const std::string longSub = std::string("\xFF\xFA\x2C", 3) + std::string(SUBNEG_MAX + 10, 'x') +
                              "\xFF\xF0"
                              "z";
  const Case cases[] = {
      {"plain data", {"at\r"}, false, "at\r", {}},
      {"doubled IAC is one data byte",
       {std::string("a\xFF\xFF"
                    "b",
                    4)},
       false,
       "a\xFF"
       "b",
       {}},
      {"doubled IAC split between reads",
       {"a\xFF", "\xFF"
                 "b"},
       false,
       "a\xFF"
       "b",
       {}},
      {"request split over three reads", {"\xFF", "\xFD", std::string("\x2C", 1)}, false, "", {Cmd(DO, 44, 0)}},
      {"request between data: its place is kept",
       {std::string("ab\xFF\xFB\x00"
                    "cd",
                    7)},
       false,
       "abcd",
       {Cmd(WILL, OPT_BINARY, 2)}},
      {"answer with an escaped IAC, split inside the escape",
       {std::string("\xFF\xFA\x2C\x65\x00\x00", 6), "\xFF",
        "\xFF\xFF\xF0"
        "x"},
       false,
       "x",
       {Sub(44, std::string("\x65\x00\x00\xFF", 4), 0)}},
      {"the baud answer whole",
       {std::string("\xFF\xFA\x2C\x65\x00\x00\x25\x80\xFF\xF0", 10)},
       false,
       "",
       {Sub(44, std::string("\x65\x00\x00\x25\x80", 5), 0)}},
      {"no-operation and go-ahead carry nothing",
       {"a\xFF\xF1"
        "b\xFF\xF9"
        "c"},
       false,
       "abc",
       {}},
      {"a command inside a subnegotiation ends it and still counts",
       {std::string("\xFF\xFA\x2C\x01\xFF\xFB\x00"
                    "d",
                    8)},
       false,
       "d",
       {Sub(44, "\x01", 0), Cmd(WILL, OPT_BINARY, 0)}},
      {"CR NUL is CR when the server is not binary", {std::string("a\r", 2), std::string("\0b", 2)}, true, "a\rb", {}},
      {"CR NUL is data in binary mode", {std::string("a\r\0b", 4)}, false, std::string("a\r\0b", 4), {}},
      {"a NUL not after CR stays", {std::string("\0\r\n\0", 4)}, true, std::string("\0\r\n\0", 4), {}},
      {"an overlong subnegotiation is cut, the data after it is whole",
       {longSub},
       false,
       "z",
       {Sub(44, std::string(SUBNEG_MAX, 'x'), 0)}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    CDecoder d;
    QByteArray data;
    std::vector<Event> events;
    for (const std::string &r : c.reads)
      d.Feed(r.data(), static_cast<qsizetype>(r.size()), data, events, c.stripCrNul);
    EXPECT_EQ(data, B(c.data));
    ASSERT_EQ(events.size(), c.events.size());
    for (size_t i = 0; i < events.size(); ++i) {
      EXPECT_EQ(events[i].kind, c.events[i].kind) << i;
      EXPECT_EQ(events[i].verb, c.events[i].verb) << i;
      EXPECT_EQ(events[i].option, c.events[i].option) << i;
      EXPECT_EQ(events[i].payload.toHex(' '), c.events[i].payload.toHex(' ')) << i;
      EXPECT_EQ(events[i].at, c.events[i].at) << i;
    }
  }
}

TEST(TelnetEncoder, EscapingAndComPortCommands) {
  struct Case {
    const char *name;
    QByteArray got;
    std::string expected;
  };
  const Case cases[] = {
      {"IAC doubled",
       EscapeData("\xFF"
                  "a\xFF",
                  3),
       "\xFF\xFF"
       "a\xFF\xFF"},
      {"binary: CR alone stays alone", EscapeData("a\r", 2), "a\r"},
      {"not binary: CR alone gets a NUL, CR LF stays", EscapeData("a\rb\r\n\r", 6, true),
       std::string("a\r\0b\r\n\r\0", 8)},
      {"set baud rate 9600", ComPortCommand(CPC_SET_BAUDRATE, 9600, 4),
       std::string("\xFF\xFA\x2C\x01\x00\x00\x25\x80\xFF\xF0", 10)},
      {"a value byte 0xFF is doubled inside the subnegotiation", ComPortCommand(CPC_SET_BAUDRATE, 0x01FF, 4),
       std::string("\xFF\xFA\x2C\x01\x00\x00\x01\xFF\xFF\xFF\xF0", 11)},
      {"data size 7", ComPortCommand(CPC_SET_DATASIZE, 7, 1), std::string("\xFF\xFA\x2C\x02\x07\xFF\xF0", 7)},
      {"purge both ways", ComPortCommand(CPC_PURGE_DATA, 3, 1), std::string("\xFF\xFA\x2C\x0C\x03\xFF\xF0", 7)},
      {"offer", Command(WILL, OPT_COM_PORT), "\xFF\xFB\x2C"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.got.toHex(' '), B(c.expected).toHex(' '));
  }
  // What went out is counted in data bytes: the escaped length of each prefix.
  const char data[] = "\xFF"
                      "a\r\xFF";
  const qsizetype expected[] = {0, 2, 3, 5, 7};
  for (qsizetype n = 0; n <= 4; ++n)
    EXPECT_EQ(EscapedLength(data, n, true), expected[n]) << n;

  // Line settings in the option's own codes.
  EXPECT_EQ(ParityCode(0), 1);
  EXPECT_EQ(ParityCode(2), 3);
  EXPECT_EQ(ParityCode(4), 5);
  EXPECT_EQ(StopSizeCode(0), 1);
  EXPECT_EQ(StopSizeCode(1), 3);
  EXPECT_EQ(StopSizeCode(2), 2);
}

TEST(TelnetEncoder, ServerAnswersAreReadByTheirLength) {
  struct Case {
    std::string payload;
    bool ok;
    unsigned code;
    std::uint32_t value;
  } const cases[] = {
      {std::string("\x65\x00\x01\xC2\x00", 5), true, 101, 115200},
      {std::string("\x66\x08", 2), true, 102, 8},
      {std::string("\x70\x03", 2), true, 112, 3},
      {std::string("\x65\x00\x25", 3), false, 0, 0}, // a baud rate needs four bytes
      {std::string("\x66\x08\x00", 3), false, 0, 0},
      {"", false, 0, 0},
  };
  for (const Case &c : cases) {
    unsigned char code = 0;
    std::uint32_t value = 0;
    SCOPED_TRACE(B(c.payload).toHex(' ').toStdString());
    EXPECT_EQ(ComPortAnswer(B(c.payload), code, value), c.ok);
    if (c.ok) {
      EXPECT_EQ(code, c.code);
      EXPECT_EQ(value, c.value);
    }
  }
}
