#include "params/PageItems.h"
#include "params/PageModel.h"
#include "text/Lang.h"

#include <gtest/gtest.h>

namespace {
// Sets the interface language for one test and restores English afterwards.
struct LanguageScope {
  explicit LanguageScope(bool chinese) { g_chineseUi = chinese ? 1 : 0; }
  ~LanguageScope() { g_chineseUi = 0; }
};
} // namespace

TEST(PageItems, ListsInBothLanguages) {
  struct Case {
    EPage page;
    int id;
    QStringList zh;
    QStringList en;
  };
  const Case cases[] = {
      {EPage::Base, 1005, {"1", "2", "3", "4", "5", "0"}, {"1", "2", "3", "4", "5", "0"}},
      {EPage::Dtu, 1006, {"AUTO", "SMSD", "CTRL", "DATA", "MIXD"}, {"AUTO", "SMSD", "CTRL", "DATA", "MIXD"}},
      {EPage::Gps, 1005, {"无", "网络", "串口", "串口+网络"}, {"None", "Network", "COM", "COM+Network"}},
      {EPage::Gps, 1006, {"TCP", "UDP"}, {"TCP", "UDP"}},
      {EPage::Gps, 1013, {"禁用", "启用"}, {"Disable", "Enable"}},
      {EPage::Alarm, 1069, {"系统时间", "手动设置"}, {"System ", "Manual "}},
      {EPage::Dtu, 1003, {}, {}}, // an edit has no items
  };
  for (const Case &c : cases) {
    EXPECT_EQ(pageitems::Items(c.page, c.id, true), c.zh) << c.id;
    EXPECT_EQ(pageitems::Items(c.page, c.id, false), c.en) << c.id;
  }
  EXPECT_EQ(pageitems::Items(EPage::Dtu, 1010, false).last(), "115200");
  EXPECT_EQ(pageitems::Items(EPage::Dtu, 1005, false).size(), 9);
}

TEST(PageItems, KeywordsFirstMatchWins) {
  struct Case {
    int index;
    const char *value;
    int position;
  };
  const Case cases[] = {
      {PARAM_WORK_MODE, "TCPSVR", 8},
      {PARAM_WORK_MODE, "LONG TRNS", 1}, // TRNS comes first in the table
      {PARAM_WORK_MODE, "No Exist", -1},
      {PARAM_ACTIVATE, "SMSD", 1},
      {PARAM_ACTIVATE, "", -1},
      {PARAM_SERIAL_MODE, "7E1", 4},
      {PARAM_SERIAL_MODE, "8N1 (default)", 0},
      {PARAM_APN, "TRNS", -1}, // no keyword table
  };
  for (const Case &c : cases)
    EXPECT_EQ(KeywordPosition(c.index, c.value), c.position) << c.index << " " << c.value;
}

TEST(PageModel, TextAndSelectionByParameterIndex) {
  LanguageScope en(false);
  CPageModel model;
  // Edits keep the text exactly, the placeholder included.
  model.SetParamText(PARAM_APN, "No Exist");
  EXPECT_EQ(model.ParamText(PARAM_APN), "No Exist");
  EXPECT_EQ(model.ParamSelection(PARAM_APN), -1);
  // Address fields give back what they were given.
  model.SetParamText(27, "No Exist");
  EXPECT_EQ(model.ParamText(27), "No Exist");

  // Lists start without selection; their text is the selected item.
  EXPECT_EQ(model.ParamSelection(PARAM_TOTAL_SERVERS), -1);
  EXPECT_EQ(model.ParamText(PARAM_TOTAL_SERVERS), "");
  model.SetParamSelection(PARAM_TOTAL_SERVERS, 5);
  EXPECT_EQ(model.ParamText(PARAM_TOTAL_SERVERS), "0");
  model.SetParamSelection(PARAM_TOTAL_SERVERS, 6); // beyond the last item
  EXPECT_EQ(model.ParamSelection(PARAM_TOTAL_SERVERS), -1);
  model.SetParamSelection(PARAM_TOTAL_SERVERS, 1);
  model.SetParamSelection(PARAM_TOTAL_SERVERS, -1);
  EXPECT_EQ(model.ParamText(PARAM_TOTAL_SERVERS), "");
  // Setting a list's text selects the equal item, or leaves the list alone.
  model.SetParamText(PARAM_TOTAL_SERVERS, "3");
  EXPECT_EQ(model.ParamSelection(PARAM_TOTAL_SERVERS), 2);
  model.SetParamText(PARAM_TOTAL_SERVERS, "7");
  EXPECT_EQ(model.ParamSelection(PARAM_TOTAL_SERVERS), 2);

  // The baud combo keeps any typed text.
  model.SetParamText(PARAM_BAUDRATE, "12345");
  EXPECT_EQ(model.ParamText(PARAM_BAUDRATE), "12345");
  model.SetParamSelection(PARAM_BAUDRATE, 12);
  EXPECT_EQ(model.ParamText(PARAM_BAUDRATE), "115200");

  // Schedules: the string field and the sentence are separate.
  model.SetParamText(PARAM_ALARM_FIRST, "0,1,08:00");
  model.SetScheduleDescription(PARAM_ALARM_FIRST, "every day");
  EXPECT_EQ(model.ParamText(PARAM_ALARM_FIRST), "0,1,08:00");
  EXPECT_EQ(model.ScheduleDescription(PARAM_ALARM_FIRST), "every day");
  EXPECT_EQ(model.ScheduleDescription(PARAM_APN), "");

  // Entries that no page shows hold nothing.
  model.SetParamText(34, "x");
  EXPECT_EQ(model.ParamText(34), "");
  EXPECT_EQ(model.ParamText(PARAM_COUNT), "");
}

TEST(PageModel, GpsListsFollowTheLanguage) {
  for (bool chinese : {false, true}) {
    LanguageScope lang(chinese);
    CPageModel model;
    model.SetParamSelection(63, 1);
    EXPECT_EQ(model.ParamText(63), chinese ? QString("启用") : QString("Enable"));
    EXPECT_EQ(model.Items(62).size(), 4);
  }
}

TEST(PageModel, EnablingRules) {
  CPageModel model;
  auto enabledOn = [&](EPage page) {
    int n = 0;
    for (int i = 0; i < PARAM_COUNT; ++i)
      n += ParamInfoAt(i).page == page && model.IsParamEnabled(i);
    return n;
  };
  for (EPage p : {EPage::Base, EPage::Dtu, EPage::Other, EPage::Gps, EPage::Alarm})
    EXPECT_EQ(enabledOn(p), 0);
  model.EnableAll(EPage::Base);
  model.EnableAll(EPage::Dtu);
  model.EnableAll(EPage::Other);
  model.EnableAll(EPage::Gps);
  EXPECT_EQ(enabledOn(EPage::Base), 19);
  EXPECT_EQ(enabledOn(EPage::Dtu), 14);
  EXPECT_EQ(enabledOn(EPage::Other), 12);
  EXPECT_EQ(enabledOn(EPage::Gps), 11);

  // The schedule sentences stay read-only; editing means the Set buttons.
  model.EnableForEditing();
  EXPECT_TRUE(model.AlarmEditing());
  EXPECT_EQ(enabledOn(EPage::Alarm), 0);

  model.SetClientMode(false);
  EXPECT_FALSE(model.ClientMode());
  EXPECT_EQ(enabledOn(EPage::Base), 1);
  EXPECT_TRUE(model.IsParamEnabled(10));
  model.SetClientMode(true);
  EXPECT_EQ(enabledOn(EPage::Base), 19);

  model.DisableAllPages();
  EXPECT_FALSE(model.AlarmEditing());
  EXPECT_EQ(enabledOn(EPage::Dtu) + enabledOn(EPage::Base) + enabledOn(EPage::Gps), 0);
}

TEST(PageModel, TabRebuild) {
  CPageModel model;
  using L = QList<EPage>;
  EXPECT_EQ(model.Tabs(), (L{EPage::Base, EPage::Dtu, EPage::Other}));
  model.ShowTabs(true, true);
  EXPECT_EQ(model.Tabs(), (L{EPage::Base, EPage::Dtu, EPage::Other, EPage::Alarm, EPage::Gps}));
  model.ShowTabs(true, false);
  EXPECT_EQ(model.Tabs(), (L{EPage::Base, EPage::Dtu, EPage::Other, EPage::Alarm}));
  model.ShowTabs(false, false);
  EXPECT_EQ(model.Tabs().size(), 3);
}
