#include "params/PageFill.h"

#include "params/PageControls.h"
#include "schedule/Schedule.h"
#include "text/Gbk.h"

#include <cstdlib>

namespace {
// The order in which values reach the controls, page by page; how each is
// shown is its row's fill rule.
const int BASE_ORDER[] = {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 4, 27, 28, 29, 30, 31, 32};
const int DTU_ORDER[] = {17, 18, 23, 19, 22, 25, 20, 21, 39, 37, 38, 42, 43, 24};
const int OTHER_ORDER[] = {0, 2, 3, 1, 33, 26, 35, 36, 40, 41, 44, 45};
const int GPS_ORDER[] = {62, 60, 58, 59, 61, 63, 64, 65, 66, 67, 68};

void Show(int index, const QByteArray &value, PageControls &pages) {
  switch (ParamInfoAt(index).fill) {
  case EFill::Text:
    pages.SetParamText(index, text::FromGbk(value));
    break;
  case EFill::Index:
    pages.SetParamSelection(index, std::atoi(value.constData()));
    break;
  case EFill::IndexMinus1:
    pages.SetParamSelection(index, std::atoi(value.constData()) - 1);
    break;
  case EFill::Keyword:
    // A value that fits no keyword shows no selection: keeping the previous
    // device's selection would make the next save write it to this device.
    pages.SetParamSelection(index, KeywordPosition(index, value));
    break;
  case EFill::Schedule:
    pages.SetScheduleDescription(index, DescribeSchedule(value));
    pages.SetParamText(index, text::FromGbk(value));
    break;
  case EFill::None:
    break;
  }
}

template <size_t N>
void ShowAll(const int (&order)[N], const ParamArray &table, PageControls &pages, bool onlyFound = false) {
  for (int i : order) {
    const ParamEntry &entry = table[static_cast<size_t>(i)];
    if (!onlyFound || entry.bFound != 0)
      Show(i, entry.szValue, pages);
  }
}

// The work settings of communication state, from the rows that mirror them.
void MirrorWork(const ParamArray &table, CSerialWorkSettings &work) {
  for (int i = 0; i < PARAM_COUNT; ++i) {
    const QByteArray &value = table[static_cast<size_t>(i)].szValue;
    if (ParamInfoAt(i).mirror == EMirror::CommMode)
      work.SetCommMode(value);
    else if (ParamInfoAt(i).mirror == EMirror::Baudrate)
      work.SetBaudrate(static_cast<std::int32_t>(std::atol(value.constData())));
  }
}
} // namespace

void FillPages(const ParamArray &table, PageControls &pages, CSerialWorkSettings &work) {
  ShowAll(BASE_ORDER, table, pages);
  MirrorWork(table, work);
  ShowAll(DTU_ORDER, table, pages);
  ShowAll(OTHER_ORDER, table, pages);

  const bool alarm = table[PARAM_ALARM_FIRST].bFound != 0;
  const bool gps = table[PARAM_GPS_FIRST].bFound != 0;
  if (alarm) {
    for (int i = PARAM_ALARM_FIRST; i <= PARAM_ALARM_LAST; ++i)
      Show(i, table[static_cast<size_t>(i)].szValue, pages);
    pages.EnableForEditing();
  } else {
    pages.DisableAll(EPage::Alarm);
  }
  if (gps) {
    ShowAll(GPS_ORDER, table, pages);
    pages.EnableAll(EPage::Gps);
  } else {
    pages.DisableAll(EPage::Gps);
  }
  pages.ShowTabs(alarm, alarm && gps);
}

void FillPagesFromFile(const ParamArray &file, PageControls &pages, const CParamTable &device) {
  // Only what the file says reaches the pages: every other control keeps the
  // device's value, so the save that follows writes nothing the file lacks.
  ShowAll(BASE_ORDER, file, pages, true);
  ShowAll(DTU_ORDER, file, pages, true);
  ShowAll(OTHER_ORDER, file, pages, true);
  // The schedule groups only where the device has them; the tabs stay as the device gave them.
  if (!device.Found(PARAM_ALARM_FIRST))
    return;
  for (int i = PARAM_ALARM_FIRST; i <= PARAM_ALARM_LAST; ++i) {
    const ParamEntry &entry = file[static_cast<size_t>(i)];
    if (entry.bFound != 0)
      Show(i, entry.szValue, pages);
  }
}
