#include "pages/SelectAlarm.h"
#include "pages/SelectAlarmLayout.h"

#include "text/Lang.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimeEdit>

#include <algorithm>

namespace select_alarm {

Cell LabelCell(int id) {
  switch (id) {
  case 1046: // th
  case 1051: // Min
  case 1058: // Sec
    return {ROW_MODE, 3};
  case 1053: // Power-On time (daily)
  case 1055: // weekdays
  case 1061: // Power-Off time (daily)
    return {ROW_DAYS, 0};
  case 1054: // Sec
  case 1057: // Min
    return {ROW_FIRST, 2};
  case 1048: // Hold time
    return {ROW_SECOND, 0};
  case 1049: // Sec
    return {ROW_SECOND, 2};
  default: // 1047, 1052, 1056, 1059
    return {ROW_FIRST, 0};
  }
}

namespace {
const LabelText LABELS[] = {
    {CSelectAlarm::IDC_ACTION_LABEL, "开关机动作设置：", "Switch operate:"},
    {CSelectAlarm::IDC_MODE_LABEL, "开关机方式设置：", "Switch  mode:"},
    {CSelectAlarm::IDC_CURRENT_LABEL, "当前开关机设置：", "Current Settings:"},
    {1047, "开机时间：", "Power-On time:"},
    {1048, "开机时长：", "Hold time:"},
    {1049, "秒", "Sec"},
    {1046, "号", "th"},
    {1051, "分", "Min"},
    {1052, "开机时长：", "Hold time:"},
    {1053, "开机时间：", "Power-On time:"},
    {1054, "秒", "Sec"},
    {1055, "星期选择：", "choose:"},
    {1056, "时间间隔：", "Time interval:"},
    {1057, "分", "Min"},
    {1058, "秒", "Sec"},
    {1059, "关机时间：", "Power-Off time:"},
    {1061, "关机时间：", "Power-Off time:"},
    {CSelectAlarm::IDC_MON, "星期一", "Mon"},
    {CSelectAlarm::IDC_TUE, "星期二", "Tues"},
    {CSelectAlarm::IDC_WED, "星期三", "Wed"},
    {CSelectAlarm::IDC_THU, "星期四", "Thur"},
    {CSelectAlarm::IDC_FRI, "星期五", "Fri"},
    {CSelectAlarm::IDC_SAT, "星期六", "Sat"},
    {CSelectAlarm::IDC_SUN, "星期日", "Sun"},
    {CSelectAlarm::IDC_OK, "确定", "OK"},
    {CSelectAlarm::IDC_CANCEL, "取消", "CANCEL"},
};
} // namespace

std::span<const LabelText> Labels() { return LABELS; }

} // namespace select_alarm

using namespace select_alarm;

namespace {
const char *const ON_ZH[] = {"一次性开关机", "每时", "每天", "每星期", "每月", "按时间间隔", "定时上下线"};
const char *const OFF_ZH[] = {"一次性开关机", "每时", "每天", "每星期", "每月", "倒计时关机"};
const char *const ON_EN[] = {"One-Time Switch", "Per Hour",      "Per Day",           "Per Week",
                             "Per Month",       "Time Interval", "Timing On/Off-line"};
const char *const OFF_EN[] = {"One-Time Switch", "Per Hour", "Per Day", "Per Week", "Per Month", "Countdown Power-Off"};
// The English lists an action change fills differ from the opening ones.
const char *const ON_EN_CHANGED[] = {"One-time switch", "Per hour",      "Per day",           "Per Week",
                                     "Per Month",       "Time interval", "Timing On/Off-line"};
const char *const OFF_EN_CHANGED[] = {"One-time switch ", "Per hour",  "Per day",
                                      "Per Week",         "Per Month", "Countdown Power-Off"};
} // namespace

const CSelectAlarm::LayoutRow *CSelectAlarm::LayoutOf(bool powerOn, int mode) {
  using S = CSelectAlarm;
  static const S::LayoutRow ON[7] = {
      {S::SLOT_R1, S::SLOT_R2, S::SLOT_NONE, S::SLOT_R3, false, {1047, 1048, 1049, 0}},
      {S::SLOT_NONE, S::SLOT_NONE, S::SLOT_R4, S::SLOT_R1, false, {1052, 1051, 1054, 0}},
      {S::SLOT_NONE, S::SLOT_R5, S::SLOT_NONE, S::SLOT_R1, false, {1054, 1053, 1052, 0}},
      {S::SLOT_NONE, S::SLOT_R1, S::SLOT_NONE, S::SLOT_R3, true, {1047, 1048, 1055, 1049}},
      {S::SLOT_NONE, S::SLOT_R1, S::SLOT_R4, S::SLOT_R3, false, {1047, 1046, 1048, 1049}},
      {S::SLOT_NONE, S::SLOT_NONE, S::SLOT_R1, S::SLOT_R3, false, {1056, 1057, 1048, 1049}},
      {S::SLOT_NONE, S::SLOT_NONE, S::SLOT_R1, S::SLOT_R3, false, {1056, 1057, 1048, 1049}},
  };
  static const S::LayoutRow OFF[6] = {
      {S::SLOT_R1, S::SLOT_R2, S::SLOT_NONE, S::SLOT_NONE, false, {1059, 0, 0, 0}},
      {S::SLOT_NONE, S::SLOT_NONE, S::SLOT_R4, S::SLOT_NONE, false, {1051, 0, 0, 0}},
      {S::SLOT_NONE, S::SLOT_R5, S::SLOT_NONE, S::SLOT_NONE, false, {1061, 0, 0, 0}},
      {S::SLOT_NONE, S::SLOT_R1, S::SLOT_NONE, S::SLOT_NONE, true, {1059, 1055, 0, 0}},
      {S::SLOT_NONE, S::SLOT_R1, S::SLOT_R4, S::SLOT_NONE, false, {1059, 1046, 0, 0}},
      {S::SLOT_NONE, S::SLOT_NONE, S::SLOT_NONE, S::SLOT_R4, false, {1058, 0, 0, 0}},
  };
  if (powerOn)
    return mode >= 0 && mode < 7 ? &ON[mode] : nullptr;
  return mode >= 0 && mode < 6 ? &OFF[mode] : nullptr;
}

void CSelectAlarm::Place(QWidget *w, ESlot slot) {
  Cell c{};
  switch (slot) {
  case SLOT_R1:
    c = {ROW_FIRST, 1};
    break;
  case SLOT_R2:
    c = {ROW_FIRST, 2};
    break;
  case SLOT_R3:
    c = {ROW_SECOND, 1};
    break;
  case SLOT_R4:
    c = {ROW_MODE, 2};
    break;
  case SLOT_R5:
    c = {ROW_DAYS, 1};
    break;
  default:
    return;
  }
  m_grid->removeWidget(w);
  m_grid->addWidget(w, c.row, c.column);
  w->show();
}

void CSelectAlarm::HideModeControls() {
  for (QWidget *w : std::initializer_list<QWidget *>{m_dateSet, m_timeSet, m_editA, m_editB})
    w->hide();
  for (QCheckBox *box : m_days)
    box->hide();
  for (int id : MODE_LABEL_IDS)
    Control(id)->hide();
}

void CSelectAlarm::ShowModeControls(bool powerOn, int mode) {
  const LayoutRow *row = LayoutOf(powerOn, mode);
  if (!row)
    return;
  Place(m_dateSet, row->date);
  Place(m_timeSet, row->time);
  Place(m_editA, row->a);
  Place(m_editB, row->b);
  if (row->days) {
    for (QCheckBox *box : m_days)
      box->show();
  }
  for (int id : row->labels) {
    if (id)
      Control(id)->show();
  }
}

QList<int> CSelectAlarm::ShownModeControls() const {
  QList<int> shown;
  QList<int> ids = {IDC_DATE, IDC_TIME, IDC_FIELD_A, IDC_FIELD_B};
  for (int d : DAY_IDS)
    ids << d;
  ids << MODE_LABEL_IDS;
  for (int id : ids) {
    if (!Control(id)->isHidden())
      shown << id;
  }
  std::sort(shown.begin(), shown.end());
  return shown;
}

void CSelectAlarm::FillModeList(bool powerOn, bool afterActionChange) {
  const QSignalBlocker block(m_cmbMode);
  m_cmbMode->clear();
  const bool chinese = g_chineseUi.load() != 0;
  const int n = powerOn ? 7 : 6;
  const char *const *items = nullptr;
  if (chinese)
    items = powerOn ? ON_ZH : OFF_ZH;
  else if (afterActionChange)
    items = powerOn ? ON_EN_CHANGED : OFF_EN_CHANGED;
  else
    items = powerOn ? ON_EN : OFF_EN;
  for (int i = 0; i < n; ++i)
    m_cmbMode->addItem(QString::fromUtf8(items[i]));
  m_cmbMode->setCurrentIndex(-1);
}
