#include "params/SettingsParser.h"
#include "unit/ListingFixture.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

void ExpectResetFrom(const ParamArray &table, int first) {
  for (int i = first; i < PARAM_COUNT; ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(table[i].szLabel, ParamInfoAt(i).label);
    EXPECT_EQ(table[i].szValue, NO_EXIST);
    EXPECT_EQ(table[i].bFound, 0);
    EXPECT_EQ(table[i].nCount, PARAM_COUNT);
  }
}

} // namespace

TEST(ParseSettings, FullListingFillsEveryEntryWithTrimsAndNormalisation) {
  ParamArray table{};
  ASSERT_TRUE(ParseSettings(fixture::FullListing(), table));
  for (int i = 0; i < PARAM_COUNT; ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(table[i].szLabel, ParamInfoAt(i).label);
    EXPECT_EQ(table[i].szValue, fixture::ParsedValue(i));
    EXPECT_EQ(table[i].bFound, 1);
    EXPECT_EQ(table[i].nCount, PARAM_COUNT);
  }
}

TEST(ParseSettings, EmptyOrLabelFreeListingLeavesEveryEntryAbsent) {
  for (const char *text : {"", "OK\r\n", "\x01\xff garbage\r\n\r\n", "Access Point Name:"}) {
    SCOPED_TRACE(text);
    ParamArray table{};
    table[3].szValue = "stale";
    table[3].bFound = 1;
    EXPECT_TRUE(ParseSettings(QByteArrayView(text), table));
    ExpectResetFrom(table, 0);
  }
}

struct ValueCase {
  const char *name;
  QByteArray listing;
  int index;
  QByteArray value; // expected szValue
  int found;
};

void PrintTo(const ValueCase &c, std::ostream *os) { *os << c.name; }

class ParseSettingsValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ParseSettingsValue, GivesTheValue) {
  const ValueCase &c = GetParam();
  ParamArray table{};
  EXPECT_TRUE(ParseSettings(c.listing, table));
  EXPECT_EQ(table[c.index].szValue, c.value);
  EXPECT_EQ(table[c.index].bFound, c.found);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseSettingsValue,
    ::testing::Values(
        // Labels inside other labels: only a line that begins with the label gives its value.
        ValueCase{"SecondaryBeforeMain", "Secondary Server's Ip 2.2.2.2\r\nServer's Ip 1.1.1.1\r\n", 5, "1.1.1.1", 1},
        ValueCase{"MainBeforeSecondary", "Server's Ip 1.1.1.1\r\nSecondary Server's Ip 2.2.2.2\r\n", 5, "1.1.1.1", 1},
        ValueCase{"SecondaryAfterMain", "Server's Ip 1.1.1.1\r\nSecondary Server's Ip 2.2.2.2\r\n", 15, "2.2.2.2", 1},
        ValueCase{"DnsBeforeServer1", "Dns Server1's Ip: 8.8.8.8###\r\nServer1's Ip 3.3.3.3\r\n", 6, "3.3.3.3", 1},
        ValueCase{"GpsPortBeforePort", "GPS Server's Port 9000\r\nServer's Port 5000\r\n", 10, "5000", 1},
        ValueCase{"SecondDnsBeforeDns", "Second Dns Server's Ip: 4.4.4.4###\r\nDns Server's Ip: 5.5.5.5###\r\n", 27,
                  "5.5.5.5", 1},
        ValueCase{"OnlyInsideAnotherLineIsAbsent", "Secondary Server's Ip 2.2.2.2\r\n", 5, NO_EXIST, 0},
        ValueCase{"IndentedLabel", "  \tDebug Level 2\r\n", 23, "2", 1},
        ValueCase{"LabelTwiceFirstCounts", "Debug Level 1\r\nDebug Level 2\r\n", 23, "1", 1},
        ValueCase{"LabelMidLineIsNoLabel", "xx Debug Level 2\r\n", 23, NO_EXIST, 0},
        ValueCase{"LeadingSpacesDroppedTrailingKept", "Debug Level    2  \r\n", 23, "2  ", 1},
        ValueCase{"TabSkipped", "Debug Level\t \t2\r\n", 23, "2", 1},
        ValueCase{"DotLeaderSkipped", "Serial Baudrate........ 9600\r\n", 22, "9600", 1},
        ValueCase{"DotsOfTheValueKept", "Modem's ID number ..x\r\n", 20, "..x", 1},
        ValueCase{"OneDotLeaderSkipped", "Multi Server Reconnect Interval:. 60###\r\n", 45, "60", 1},
        ValueCase{"LabelAloneIsEmptyAndFound", "Debug Level\r\n", 23, "", 1},
        ValueCase{"ValueNotLongerThanTrimIsEmpty", "Time: ab\r\n", 47, "", 1},
        ValueCase{"TrimOfTwo", "Sms Center : +8613800##\r\n", 33, "+8613800", 1},
        ValueCase{"CutOffBeforeLineEnd", "Debug Level 2", 23, NO_EXIST, 0},
        ValueCase{"LfOnlyIsNoLineEnd", "Debug Level 2\n", 23, NO_EXIST, 0},
        ValueCase{"ExactlyHundred", "Modem's ID number " + QByteArray(100, 'x') + "\r\n", 20, QByteArray(100, 'x'), 1},
        ValueCase{"HundredAfterTrim", "Time: " + QByteArray(100, 'x') + "abc\r\n", 47, QByteArray(100, 'x'), 1},
        // Work mode: first rule whose text occurs wins.
        ValueCase{"ModeTranspBeatsTcpTrans", "Work Mode: TCP TRANSPARENT\r\n", 17, "TRNS", 1},
        ValueCase{"ModeTcpTrans", "Work Mode: TCP TRANS MODE\r\n", 17, "TTRN", 1},
        ValueCase{"ModeProt", "Work Mode: PROTOCOL\r\n", 17, "PROT", 1},
        ValueCase{"ModeClient", "Work Mode: TCP CLIENT\r\n", 17, "TLNT", 1},
        ValueCase{"ModeLong", "Work Mode: LONG\r\n", 17, "LONG", 1},
        ValueCase{"ModeLngt", "Work Mode: LNGT\r\n", 17, "LNGT", 1},
        ValueCase{"ModeUdp", "Work Mode: UDP\r\n", 17, "TUDP", 1},
        ValueCase{"ModeCustom", "Work Mode: TCP CUSTOM\r\n", 17, "TCST", 1},
        ValueCase{"ModeServer", "Work Mode: TCP SERVER\r\n", 17, "TCPSVR", 1},
        ValueCase{"ModeNoRuleStaysWhole", "Work Mode: something else\r\n", 17, "something else", 1},
        // Activation.
        ValueCase{"ActSms", "Activate Method: SMS WAKE\r\n", 18, "SMSD", 1},
        ValueCase{"ActControlable", "Activate Method: CONTROLABLE\r\n", 18, "CTRL", 1},
        ValueCase{"ActAutoBeatsData", "Activate Method: DATA OR AUTO\r\n", 18, "AUTO", 1},
        ValueCase{"ActMixd", "Activate Method: MIXD\r\n", 18, "MIXD", 1},
        // Serial line format.
        ValueCase{"Serial8E1", "Serial port commu mode 8,E,1\r\n", 19, "8E1", 1},
        ValueCase{"Serial7O1", "Serial port commu mode 7,O,1\r\n", 19, "7O1", 1},
        ValueCase{"SerialTwoCharsKept", "Serial port commu mode 8N\r\n", 19, "8N", 1},
        ValueCase{"SerialOneCharKept", "Serial port commu mode 8\r\n", 19, "8", 1},
        ValueCase{"SerialEmptyKept", "Serial port commu mode\r\n", 19, "", 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ParseSettings, HundredAndOneCharactersEndTheScan) {
  QByteArray listing = fixture::FullListing();
  const QByteArray line = fixture::ListingLine(20, fixture::ListedValue(20));
  listing.replace(line, fixture::ListingLine(20, QByteArray(101, 'y')));
  ParamArray table{};
  EXPECT_FALSE(ParseSettings(listing, table));
  for (int i = 0; i < 20; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(table[i].szValue, fixture::ParsedValue(i));
    EXPECT_EQ(table[i].bFound, 1);
  }
  // Every later entry still carries its label.
  ExpectResetFrom(table, 20);
}

TEST(ParseSettings, NewListingForgetsTheEarlierDevice) {
  ParamArray table{};
  ASSERT_TRUE(ParseSettings(fixture::FullListing(), table));
  ASSERT_TRUE(ParseSettings("RTC alarm 1: SC,60###\r\n", table));
  EXPECT_EQ(table[48].bFound, 0);
  EXPECT_EQ(table[48].szValue, NO_EXIST);
  EXPECT_EQ(table[49].bFound, 1);
  EXPECT_EQ(table[49].szValue, "SC,60");
  EXPECT_EQ(table[0].szValue, NO_EXIST);
}

TEST(ParseSettings, NeverReadsPastAViewWithoutTerminator) {
  // A view into a larger buffer: the bytes after it hold the rest of a line
  // that must not be seen.
  const QByteArray buffer = "Debug Level 1\r\nSerial port commu mode 8,N,1\r\n";
  const qsizetype cut = buffer.indexOf("8,N");
  ParamArray table{};
  EXPECT_TRUE(ParseSettings(QByteArrayView(buffer.constData(), cut + 1), table));
  EXPECT_EQ(table[23].szValue, "1");
  EXPECT_EQ(table[19].szValue, NO_EXIST);
}
