// What the page filler shows for a table, and what the save walk would write
// for what the pages show, on the in-memory pages.
#include "device/SaveSequencer.h"
#include "params/PageFill.h"
#include "params/PageModel.h"
#include "params/DeviceSession.h"
#include "text/Gbk.h"
#include "text/Lang.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

ParamArray TableWith(std::initializer_list<std::pair<int, const char *>> values) {
  ParamArray t{};
  for (int i = 0; i < PARAM_COUNT; ++i) {
    t[static_cast<size_t>(i)].szLabel = ParamInfoAt(i).label;
    t[static_cast<size_t>(i)].szValue = NO_EXIST;
    t[static_cast<size_t>(i)].nCount = PARAM_COUNT;
  }
  for (const auto &[i, v] : values) {
    t[static_cast<size_t>(i)].szValue = v;
    t[static_cast<size_t>(i)].bFound = 1;
  }
  return t;
}

class SaveFill : public ::testing::Test {
protected:
  void SetUp() override { g_chineseUi = 0; }
  CDeviceSession m_session;
};

} // namespace

TEST_F(SaveFill, ListSelectionsFollowTheTableValue) {
  struct Case {
    int index;
    const char *value;
    int selection;
  } const cases[] = {
      // Data-center count: position value - 1; 0 and the placeholder select nothing, 6 the last item ("0").
      {4, "1", 0},
      {4, "5", 4},
      {4, "0", -1},
      {4, "No Exist", -1},
      {4, "6", 5},
      // Index lists: a value that is no number selects item 0.
      {23, "No Exist", 0},
      {23, "", 0},
      {25, "No Exist", 0},
      {24, "1", 1},
      {63, "", 0},
      {61, "1", 1},
      // Keyword lists: the first keyword in position order wins.
      {17, "TCPSVR", 8},
      {17, "TRNS LONG", 1},
      {18, "SMSD", 1},
      {19, "7,E,1 7E1", 4},
      // No keyword fits: no selection, whatever was selected before.
      {17, "No Exist", -1},
      {18, "BOGUS", -1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message() << "index " << c.index << " value '" << c.value << "'");
    CPageModel pages;
    pages.SetParamSelection(c.index, 2); // a previous device's selection
    ParamArray t = TableWith({{PARAM_ALARM_FIRST, "D"}, {PARAM_GPS_FIRST, "1.2.3.4"}, {c.index, c.value}});
    FillPages(t, pages, m_session.Work());
    EXPECT_EQ(pages.ParamSelection(c.index), c.selection);
  }
}

TEST_F(SaveFill, TabsFollowThePresenceOfTheOptionalGroups) {
  struct Case {
    bool alarm, gps;
    qsizetype tabs;
  } const cases[] = {{true, true, 5}, {true, false, 4}, {false, true, 3}, {false, false, 3}};
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message() << "alarm " << c.alarm << " gps " << c.gps);
    CPageModel pages;
    ParamArray t = TableWith({});
    t[PARAM_ALARM_FIRST].bFound = c.alarm ? 1 : 0;
    t[PARAM_GPS_FIRST].bFound = c.gps ? 1 : 0;
    FillPages(t, pages, m_session.Work());
    EXPECT_EQ(pages.Tabs().size(), c.tabs);
    EXPECT_EQ(pages.IsParamEnabled(PARAM_GPS_FIRST), c.gps) << "the GPS page is filled and enabled by its own flag";
  }
}

TEST_F(SaveFill, MissingParametersShowThePlaceholderAndABaudOfZero) {
  CPageModel pages;
  FillPages(TableWith({{0, "CMNET"}}), pages, m_session.Work());
  EXPECT_EQ(pages.ParamText(0), QStringLiteral("CMNET"));
  EXPECT_EQ(pages.ParamText(5), QStringLiteral("No Exist"));
  EXPECT_EQ(m_session.Work().Baudrate(), 0);
  EXPECT_EQ(m_session.Work().CommMode(), QByteArray("No Exist"));
}

TEST_F(SaveFill, WhatTheWalkWritesForEachPageValue) {
  struct Case {
    const char *name;
    int index;
    const char *table;
    const char *text;  // set as the control's text (nullptr: untouched)
    int selection;     // set as the list's selection (-2: untouched)
    const char *sends; // nullptr: nothing written
  } const cases[] = {
      {"same text", 0, "CMNET", "CMNET", -2, nullptr},
      {"changed text", 0, "CMNET", "internet", -2, "internet"},
      {"text compared case-sensitively", 0, "CMNET", "cmnet", -2, "cmnet"},
      {"changed port", 10, "5001", "6000", -2, "6000"},
      {"count 2 against 02", 4, "02", nullptr, 1, nullptr},
      {"count changed", 4, "1", nullptr, 2, "3"},
      {"debug list without selection against 0", 23, "0", nullptr, -1, nullptr},
      {"debug list without selection against 2", 23, "2", nullptr, -1, nullptr},
      {"GPS list without selection against 0", 63, "0", nullptr, -1, nullptr},
      {"GPS list changed", 63, "0", nullptr, 1, "1"},
      {"work mode contained", 17, "TRNS", nullptr, 1, nullptr},
      {"work mode with an empty table value", 17, "", nullptr, 1, nullptr},
      {"work mode chosen for a device that did not list it", 17, "No Exist", nullptr, 1, "TRNS"},
      {"work mode list without selection", 17, "No Exist", nullptr, -1, nullptr},
      {"placeholder on the page", 5, "203.0.113.10", "No Exist", -2, nullptr},
      {"placeholder on both", 5, "No Exist", "No Exist", -2, nullptr},
      {"typed value for a parameter the device did not list", 33, "No Exist", "+8613800100500", -2, "+8613800100500"},
      {"baud combo", 22, "115200", "9600", -2, "9600"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    CPageModel pages;
    if (c.text)
      pages.SetParamText(c.index, QString::fromUtf8(c.text));
    if (c.selection != -2)
      pages.SetParamSelection(c.index, c.selection);
    const std::optional<QByteArray> sent = ChangedValue(c.index, pages, QByteArray(c.table));
    if (c.sends) {
      ASSERT_TRUE(sent.has_value());
      EXPECT_EQ(*sent, QByteArray(c.sends));
    } else {
      EXPECT_FALSE(sent.has_value()) << sent->toStdString();
    }
  }
}

TEST_F(SaveFill, TypedTextIsHandledAsDeviceBytes) {
  CPageModel pages;
  pages.SetParamText(37, QStringLiteral("注册包"));
  const auto sent = ChangedValue(37, pages, QByteArray("DTU-REGISTER"));
  ASSERT_TRUE(sent.has_value());
  EXPECT_EQ(*sent, text::ToGbk(QStringLiteral("注册包")));
  EXPECT_EQ(sent->size(), 6) << "two bytes per character in GBK";
}

TEST_F(SaveFill, AFileChangesOnlyTheControlsOfWhatItHolds) {
  // The device's values first.
  ParamArray device = TableWith({{0, "CMNET"},
                                 {10, "5001"},
                                 {23, "1"},
                                 {17, "TRNS"},
                                 {PARAM_ALARM_FIRST, "D"},
                                 {PARAM_GPS_FIRST, "198.51.100.30"},
                                 {63, "1"}});
  m_session.Table().Replace(device);
  CPageModel pages;
  FillPages(device, pages, m_session.Work());
  const QList<EPage> tabs = pages.Tabs();
  m_session.Work().SetBaudrate(57600);

  // A file with the APN, a schedule group and the placeholder for the port.
  ParamArray file = TableWith({{0, "internet"}, {PARAM_ALARM_FIRST, "OD,\"08:00:00\",3600"}});
  file[10].szValue = NO_EXIST; // held as the placeholder: bFound stays 0
  FillPagesFromFile(file, pages, m_session.Table());

  EXPECT_EQ(pages.ParamText(0), QStringLiteral("internet"));
  EXPECT_EQ(pages.ParamText(10), QStringLiteral("5001"));
  EXPECT_EQ(pages.ParamSelection(23), 1) << "a debug level the file lacks is not turned into item 0";
  EXPECT_EQ(pages.ParamSelection(17), 1);
  EXPECT_EQ(pages.ParamSelection(63), 1) << "the GPS group is never taken from a file";
  EXPECT_EQ(pages.ParamText(PARAM_ALARM_FIRST), QStringLiteral("OD,\"08:00:00\",3600"));
  EXPECT_FALSE(pages.ScheduleDescription(PARAM_ALARM_FIRST).isEmpty());
  EXPECT_EQ(pages.Tabs(), tabs);
  EXPECT_EQ(m_session.Work().Baudrate(), 57600) << "the work settings change only when the device accepts them";

  // And so the walk would write exactly the APN and the group.
  int changed = 0;
  for (int i = 0; i < PARAM_COUNT; ++i) {
    if (IsSaved(i) && ChangedValue(i, pages, device[static_cast<size_t>(i)].szValue))
      ++changed;
  }
  EXPECT_EQ(changed, 2);
}

TEST_F(SaveFill, AFileDoesNotFillScheduleGroupsTheDeviceLacks) {
  ParamArray device = TableWith({{0, "CMNET"}});
  m_session.Table().Replace(device);
  CPageModel pages;
  FillPages(device, pages, m_session.Work());
  pages.SetParamText(PARAM_ALARM_FIRST, QStringLiteral("D"));
  FillPagesFromFile(TableWith({{PARAM_ALARM_FIRST, "OD,\"08:00:00\",3600"}}), pages, m_session.Table());
  EXPECT_EQ(pages.ParamText(PARAM_ALARM_FIRST), QStringLiteral("D"));
  EXPECT_EQ(pages.Tabs().size(), 3);
}

TEST_F(SaveFill, AValueTheUserDidNotEditIsNeverAChangeWhateverItsBytes) {
  // Bytes that are no valid GBK do not read back as themselves; shown unedited
  // they must not be "corrected" into other bytes on the device.
  for (const QByteArray &device : {QByteArray("REG\xB0"), QByteArray("\xFF\xFE"), QByteArray("ok\x80")}) {
    SCOPED_TRACE(device.toHex().toStdString());
    ParamArray table = TableWith({{37, device.constData()}});
    CPageModel pages;
    FillPages(table, pages, m_session.Work());
    EXPECT_FALSE(ChangedValue(37, pages, device).has_value());
    // An edit of such a value is a change like any other.
    pages.SetParamText(37, QStringLiteral("REG2"));
    EXPECT_EQ(ChangedValue(37, pages, device).value_or("-"), QByteArray("REG2"));
  }
}

TEST_F(SaveFill, ValuesTheDeviceCannotTakeAreRefusedWithTheReason) {
  struct Case {
    const char *name;
    int index;
    QString shown;
    const char *table;
    const char *sends; // nullptr: refused (with the reason) or not a change
    const char *reason;
  } const cases[] = {
      {"port beyond 32 bits", 10, QStringLiteral("4294972296"), "5000", nullptr, "does not fit"},
      {"retry that wraps to the device's value", 42, QStringLiteral("4294967301"), "5", nullptr, "does not fit"},
      {"largest port number", 10, QStringLiteral("2147483647"), "5000", "2147483647", nullptr},
      {"smallest", 26, QStringLiteral("-2147483648"), "30", "-2147483648", nullptr},
      {"one below", 26, QStringLiteral("-2147483649"), "30", nullptr, "does not fit"},
      {"no digits is 0, as it has always been", 10, QStringLiteral("abc"), "5000", "abc", nullptr},
      {"a text parameter takes any digits", 20, QStringLiteral("99999999999999"), "1", "99999999999999", nullptr},
      {"too long", 0, QString(101, QLatin1Char('a')), "CMNET", nullptr, "too long"},
      {"outside GBK", 0, QStringLiteral("apn\U0001F600"), "CMNET", nullptr, "GBK cannot encode"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    CPageModel pages;
    pages.SetParamText(c.index, c.shown);
    QString problem;
    const auto sent = ChangedValue(c.index, pages, QByteArray(c.table), &problem);
    if (c.sends) {
      EXPECT_EQ(sent.value_or("-"), QByteArray(c.sends));
      EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    } else {
      EXPECT_FALSE(sent.has_value());
      EXPECT_TRUE(problem.contains(QLatin1String(c.reason))) << problem.toStdString();
    }
  }
}

TEST_F(SaveFill, WithoutAGbkCodecChineseIsRefusedAndAsciiStillWritten) {
  text::SetGbkAvailableForTesting(false);
  CPageModel pages;
  pages.SetParamText(37, QStringLiteral("注册包"));
  QString problem;
  EXPECT_FALSE(ChangedValue(37, pages, "DTU", &problem).has_value());
  EXPECT_TRUE(problem.contains(QStringLiteral("no GBK codec"))) << problem.toStdString();
  g_chineseUi = 1;
  problem.clear();
  ChangedValue(37, pages, "DTU", &problem);
  EXPECT_TRUE(problem.contains(QStringLiteral("GBK"))) << "said in Chinese as well";
  g_chineseUi = 0;
  pages.SetParamText(37, QStringLiteral("REG"));
  EXPECT_EQ(ChangedValue(37, pages, "DTU").value_or("-"), QByteArray("REG"));
  text::SetGbkAvailableForTesting(true);
}
