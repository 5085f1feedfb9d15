#include "params/PageFill.h"

#include "host/PageControls.h"
#include "schedule/Schedule.h"
#include "text/Gbk.h"

#include <cstdlib>

namespace {
enum class EShow { Text, Index, IndexMinus1, Keyword };

struct Rule {
  int index;
  EShow how;
};

// The order in which values reach the controls, page by page.
const Rule BASE_RULES[] = {
    {5, EShow::Text},  {6, EShow::Text},  {7, EShow::Text},        {8, EShow::Text},  {9, EShow::Text},
    {10, EShow::Text}, {11, EShow::Text}, {12, EShow::Text},       {13, EShow::Text}, {14, EShow::Text},
    {15, EShow::Text}, {16, EShow::Text}, {4, EShow::IndexMinus1}, {27, EShow::Text}, {28, EShow::Text},
    {29, EShow::Text}, {30, EShow::Text}, {31, EShow::Text},       {32, EShow::Text},
};
const Rule DTU_RULES[] = {
    {17, EShow::Keyword}, {18, EShow::Keyword}, {23, EShow::Index}, {19, EShow::Keyword}, {22, EShow::Text},
    {25, EShow::Index},   {20, EShow::Text},    {21, EShow::Text},  {39, EShow::Text},    {37, EShow::Text},
    {38, EShow::Text},    {42, EShow::Text},    {43, EShow::Text},  {24, EShow::Index},
};
const Rule OTHER_RULES[] = {
    {0, EShow::Text},  {2, EShow::Text},  {3, EShow::Text},  {1, EShow::Text},  {33, EShow::Text}, {26, EShow::Text},
    {35, EShow::Text}, {36, EShow::Text}, {40, EShow::Text}, {41, EShow::Text}, {44, EShow::Text}, {45, EShow::Text},
};
const Rule GPS_RULES[] = {
    {62, EShow::Index}, {60, EShow::Text},  {58, EShow::Text},  {59, EShow::Text},
    {61, EShow::Index}, {63, EShow::Index}, {64, EShow::Index}, {65, EShow::Index},
    {66, EShow::Index}, {67, EShow::Index}, {68, EShow::Index},
};

const char *const WORK_MODE_KEYWORDS[] = {"PROT", "TRNS", "TTRN", "TLNT", "LONG", "LNGT", "TUDP", "TCST", "TCPSVR"};
const char *const ACTIVATE_KEYWORDS[] = {"AUTO", "SMS", "CTRL", "DATA", "MIXD"};
const char *const SERIAL_MODE_KEYWORDS[] = {"8N1", "8E1", "8O1", "7O1", "7E1", "7N1"};

void Show(const Rule &rule, const ParamArray &table, PageControls &pages) {
  const QByteArray &value = table[static_cast<size_t>(rule.index)].szValue;
  switch (rule.how) {
  case EShow::Text:
    pages.SetParamText(rule.index, text::FromGbk(value));
    break;
  case EShow::Index:
    pages.SetParamSelection(rule.index, std::atoi(value.constData()));
    break;
  case EShow::IndexMinus1:
    pages.SetParamSelection(rule.index, std::atoi(value.constData()) - 1);
    break;
  case EShow::Keyword:
    // A value that fits no keyword shows no selection: keeping the previous
    // device's selection would make the next save write it to this device.
    pages.SetParamSelection(rule.index, KeywordPosition(rule.index, value));
    break;
  }
}

template <size_t N>
void ShowAll(const Rule (&rules)[N], const ParamArray &table, PageControls &pages, bool onlyFound = false) {
  for (const Rule &r : rules) {
    if (!onlyFound || table[static_cast<size_t>(r.index)].bFound != 0)
      Show(r, table, pages);
  }
}
} // namespace

int KeywordPosition(int index, const QByteArray &value) {
  auto find = [&](const auto &keywords) {
    int pos = 0;
    for (const char *k : keywords) {
      if (value.contains(k))
        return pos;
      ++pos;
    }
    return -1;
  };
  switch (index) {
  case PARAM_WORK_MODE:
    return find(WORK_MODE_KEYWORDS);
  case PARAM_ACTIVATE:
    return find(ACTIVATE_KEYWORDS);
  case PARAM_SERIAL_MODE:
    return find(SERIAL_MODE_KEYWORDS);
  default:
    return -1;
  }
}

void FillPages(const ParamArray &table, PageControls &pages) {
  ShowAll(BASE_RULES, table, pages);
  g_serialWork.SetCommMode(table[PARAM_SERIAL_MODE].szValue);
  g_serialWork.SetBaudrate(static_cast<std::int32_t>(std::atol(table[PARAM_BAUDRATE].szValue.constData())));
  ShowAll(DTU_RULES, table, pages);
  ShowAll(OTHER_RULES, table, pages);

  const bool alarm = table[PARAM_ALARM_FIRST].bFound != 0;
  const bool gps = table[PARAM_GPS_FIRST].bFound != 0;
  if (alarm) {
    for (int i = PARAM_ALARM_FIRST; i <= PARAM_ALARM_LAST; ++i) {
      const QByteArray &value = table[static_cast<size_t>(i)].szValue;
      pages.SetScheduleDescription(i, DescribeSchedule(value));
      pages.SetParamText(i, text::FromGbk(value));
    }
    pages.EnableForEditing();
  } else {
    pages.DisableAll(EPage::Alarm);
  }
  if (gps) {
    ShowAll(GPS_RULES, table, pages);
    pages.EnableAll(EPage::Gps);
  } else {
    pages.DisableAll(EPage::Gps);
  }
  pages.ShowTabs(alarm, alarm && gps);
}

void FillPagesFromFile(const ParamArray &file, PageControls &pages) {
  // Only what the file says reaches the pages: every other control keeps the
  // device's value, so the save that follows writes nothing the file lacks.
  ShowAll(BASE_RULES, file, pages, true);
  ShowAll(DTU_RULES, file, pages, true);
  ShowAll(OTHER_RULES, file, pages, true);
  // The schedule groups only where the device has them; the tabs stay as the device gave them.
  if (!ParamTable.Found(PARAM_ALARM_FIRST))
    return;
  for (int i = PARAM_ALARM_FIRST; i <= PARAM_ALARM_LAST; ++i) {
    const ParamEntry &entry = file[static_cast<size_t>(i)];
    if (entry.bFound == 0)
      continue;
    pages.SetScheduleDescription(i, DescribeSchedule(entry.szValue));
    pages.SetParamText(i, text::FromGbk(entry.szValue));
  }
}
