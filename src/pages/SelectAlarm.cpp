#include "pages/SelectAlarm.h"

#include "schedule/Schedule.h"
#include "schedule/ScheduleMessages.h"
#include "text/Gbk.h"
#include "text/Lang.h"
#include "widgets/ControlUtil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QTimeEdit>

#include <climits>
#include <optional>

QByteArray g_alarmString;
QString g_alarmText;

const int CSelectAlarm::DAY_IDS[7] = {IDC_SUN, IDC_MON, IDC_TUE, IDC_WED, IDC_THU, IDC_FRI, IDC_SAT};
const QList<int> CSelectAlarm::MODE_LABEL_IDS = {1046, 1047, 1048, 1049, 1051, 1052, 1053,
                                                 1054, 1055, 1056, 1057, 1058, 1059, 1061};

namespace {
// Rows of the grid; column 0 holds the labels.
constexpr int ROW_ACTION = 0, ROW_MODE = 1, ROW_DAYS = 2, ROW_FIRST = 3, ROW_SECOND = 4, ROW_CURRENT = 5;

struct Cell {
  int row, column;
};

// Each mode label has one place, beside the input it names.
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

struct LabelText {
  int id;
  const char *zh;
  const char *en;
};
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

const char *const ACTIONS_ZH[] = {"禁用", "开机", "关机"};
const char *const ACTIONS_EN[] = {"Disable", "Power-On", "Power-Off"};

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

const CMsg MSG_TITLE{"开关机时间设置[第%1组]:", "Power On/Off Time Settings [Group %1]:"};
const CMsg MSG_CONFIRM{"您确认修改设备的开关机时间是:%1", "Confirm modify equipment switch  time is:%1"};
const CMsg MSG_CONFIRM_CAPTION{"时间确认", "Time Confirm "};

// Labels and weekday boxes keep their room while hidden, so the dialog keeps
// its size and its rows their places whatever the mode.
void KeepPlaceWhenHidden(QWidget *w) {
  QSizePolicy p = w->sizePolicy();
  p.setRetainSizeWhenHidden(true);
  w->setSizePolicy(p);
}

// The decimal digits that start at pos (reading stops at the first non-digit); 0 for none.
int NumberAt(const QByteArray &s, qsizetype pos) {
  long long value = 0;
  for (qsizetype i = pos; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    value = value * 10 + (s[i] - '0');
    if (value > INT_MAX)
      return INT_MAX;
  }
  return static_cast<int>(value);
}

QDate DateAt(const QByteArray &s, qsizetype pos) {
  return QDate(NumberAt(s, pos), NumberAt(s, pos + 5), NumberAt(s, pos + 8));
}
QTime TimeAt(const QByteArray &s, qsizetype pos) {
  return QTime(NumberAt(s, pos), NumberAt(s, pos + 3), NumberAt(s, pos + 6));
}

// Length of the first variable field (days, day of month or interval): from
// index 3 to the first comma at index 4 or later.
std::optional<qsizetype> FirstFieldLength(const QByteArray &s) {
  const qsizetype comma = s.size() > 4 ? s.indexOf(',', 4) : -1;
  if (comma < 0)
    return std::nullopt;
  return comma - 3;
}
} // namespace

CSelectAlarm::CSelectAlarm(QWidget *parent) : QDialog(parent) {
  ui::MarkDialog(this);
  setObjectName(QStringLiteral("157"));
  setModal(true);
  Build();
}

template <class T> T *CSelectAlarm::Add(T *w, int id, const QString &accessibleName) {
  ui::SetControlId(w, id, accessibleName);
  m_controls.insert(id, w);
  return w;
}

void CSelectAlarm::Build() {
  auto *root = new QVBoxLayout(this);
  m_grid = new QGridLayout;
  m_grid->setHorizontalSpacing(8);
  root->addLayout(m_grid);

  for (const LabelText &l : LABELS) {
    if (l.id == IDC_OK || l.id == IDC_CANCEL || (l.id >= IDC_SUN && l.id <= IDC_SAT))
      continue;
    auto *label = Add(new QLabel(this), l.id);
    if (MODE_LABEL_IDS.contains(l.id)) {
      const Cell c = LabelCell(l.id);
      m_grid->addWidget(label, c.row, c.column);
      KeepPlaceWhenHidden(label);
    }
  }
  m_cmbAction = Add(new QComboBox(this), IDC_ACTION);
  m_cmbMode = Add(new QComboBox(this), IDC_MODE);
  m_grid->addWidget(Control(IDC_ACTION_LABEL), ROW_ACTION, 0);
  m_grid->addWidget(m_cmbAction, ROW_ACTION, 1);
  m_grid->addWidget(Control(IDC_MODE_LABEL), ROW_MODE, 0);
  m_grid->addWidget(m_cmbMode, ROW_MODE, 1);
  // Wide enough for the longest mode, "Countdown Power-Off".
  m_cmbMode->setMinimumContentsLength(20);
  m_cmbAction->setMinimumContentsLength(20);

  m_dateSet = Add(new QDateEdit(this), IDC_DATE);
  m_dateSet->setCalendarPopup(true);
  // Any year a four-digit date can show.
  m_dateSet->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
  m_timeSet = Add(new QTimeEdit(this), IDC_TIME);
  m_editA = Add(new QLineEdit(this), IDC_FIELD_A);
  m_editB = Add(new QLineEdit(this), IDC_FIELD_B);
  static const QRegularExpression DIGITS(QStringLiteral("[0-9]*"));
  for (QLineEdit *e : {m_editA, m_editB})
    e->setValidator(new QRegularExpressionValidator(DIGITS, e));
  // Pickers and fields move between the slots; they start in a slot each.
  m_grid->addWidget(m_dateSet, ROW_FIRST, 1);
  m_grid->addWidget(m_timeSet, ROW_FIRST, 2);
  m_grid->addWidget(m_editA, ROW_MODE, 2);
  m_grid->addWidget(m_editB, ROW_SECOND, 1);

  auto *days = new QHBoxLayout;
  days->setSpacing(4);
  // Monday first on screen, as a calendar week reads.
  for (int d : {1, 2, 3, 4, 5, 6, 0}) {
    m_days[d] = Add(new QCheckBox(this), DAY_IDS[d]);
    KeepPlaceWhenHidden(m_days[d]);
    days->addWidget(m_days[d]);
  }
  days->addStretch(1);
  m_grid->addLayout(days, ROW_DAYS, 1, 1, 4);

  m_editCurrent = Add(new QPlainTextEdit(this), IDC_CURRENT);
  m_editCurrent->setReadOnly(true);
  m_editCurrent->setTabChangesFocus(true);
  // Two lines of the longest sentences without a scroll bar.
  m_editCurrent->setFixedHeight(m_editCurrent->fontMetrics().lineSpacing() * 2 +
                                2 * static_cast<int>(m_editCurrent->document()->documentMargin()) +
                                2 * m_editCurrent->frameWidth() + 4);
  m_grid->addWidget(Control(IDC_CURRENT_LABEL), ROW_CURRENT, 0, Qt::AlignTop);
  m_grid->addWidget(m_editCurrent, ROW_CURRENT, 1, 1, 4);
  m_grid->setColumnStretch(4, 1);
  m_grid->setRowMinimumHeight(ROW_DAYS, m_timeSet->sizeHint().height());
  m_grid->setRowMinimumHeight(ROW_FIRST, m_timeSet->sizeHint().height());
  m_grid->setRowMinimumHeight(ROW_SECOND, m_timeSet->sizeHint().height());

  auto *buttons = new QHBoxLayout;
  m_btnOk = Add(new QPushButton(this), IDC_OK);
  m_btnCancel = Add(new QPushButton(this), IDC_CANCEL);
  m_btnOk->setDefault(true);
  buttons->addStretch(1);
  buttons->addWidget(m_btnOk);
  buttons->addStretch(1);
  buttons->addWidget(m_btnCancel);
  buttons->addStretch(1);
  root->addSpacing(6);
  root->addLayout(buttons);

  connect(m_btnOk, &QPushButton::clicked, this, &CSelectAlarm::OnOK);
  connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_cmbAction, &QComboBox::currentIndexChanged, this, &CSelectAlarm::OnSelchangeAction);
  connect(m_cmbMode, &QComboBox::currentIndexChanged, this, &CSelectAlarm::OnSelchangeMode);
  SetCaptions();
}

void CSelectAlarm::SetCaptions() {
  for (const LabelText &l : LABELS) {
    QWidget *w = Control(l.id);
    const QString text = Tr(l.zh, l.en);
    if (auto *label = qobject_cast<QLabel *>(w))
      label->setText(text);
    else if (auto *button = qobject_cast<QAbstractButton *>(w))
      button->setText(text);
    if (w && qobject_cast<QAbstractButton *>(w))
      w->setAccessibleName(ui::PlainCaption(text));
  }
  auto caption = [this](int id) { return ui::PlainCaption(qobject_cast<QLabel *>(Control(id))->text()); };
  m_cmbAction->setAccessibleName(caption(IDC_ACTION_LABEL));
  m_cmbMode->setAccessibleName(caption(IDC_MODE_LABEL));
  m_editCurrent->setAccessibleName(caption(IDC_CURRENT_LABEL));
  m_dateSet->setAccessibleName(Tr("日期", "Date"));
  m_timeSet->setAccessibleName(Tr("时间", "Time"));
  m_editA->setAccessibleName(Tr("分钟、日次或时间间隔", "Minute, day or interval"));
  m_editB->setAccessibleName(Tr("秒数", "Seconds"));
  qobject_cast<QLabel *>(Control(IDC_ACTION_LABEL))->setBuddy(m_cmbAction);
  qobject_cast<QLabel *>(Control(IDC_MODE_LABEL))->setBuddy(m_cmbMode);
}

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

int CSelectAlarm::DoModal() {
  OnInitDialog();
  return exec();
}

void CSelectAlarm::OnInitDialog() {
  // Nothing of a previous opening survives.
  m_nMode = 0;
  m_nAction = 0;
  m_strSchedule.clear();
  m_strDescription.clear();
  const QSignalBlocker blockAction(m_cmbAction);
  const QSignalBlocker blockMode(m_cmbMode);
  m_cmbMode->setEnabled(false);
  m_cmbMode->clear();
  HideModeControls();
  m_dateSet->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
  m_timeSet->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  const QDateTime now = QDateTime::currentDateTime();
  m_dateSet->setDate(now.date());
  m_timeSet->setTime(now.time());
  m_editA->clear();
  m_editB->clear();
  for (QCheckBox *box : m_days)
    box->setChecked(false);
  m_editCurrent->clear();

  const QByteArray s = g_alarmString.left(99);
  const char action = s.isEmpty() ? '\0' : s[0];
  if (action == 'O' || action == 'S') {
    m_nAction = action == 'O' ? 1 : 2;
    m_cmbMode->setEnabled(true);
    FillModeList(action == 'O', false);
    switch (s.size() > 1 ? s[1] : '\0') {
    case 'H':
      m_nMode = 1;
      break;
    case 'D':
      m_nMode = 2;
      break;
    case 'W':
      m_nMode = 3;
      break;
    case 'M':
      m_nMode = 4;
      break;
    case 'I':
    case 'C':
      m_nMode = 5;
      break;
    case 'P':
      m_nMode = 6;
      break;
    default:
      m_nMode = 0;
      break;
    }
  } else if (action == 'D' || action == '\0') {
    // A disabled group, or none at all: no mode and no mode controls.
    m_nMode = -1;
  }

  SetCaptions();
  setWindowTitle(MSG_TITLE.Get().arg(m_nGroup));
  m_cmbAction->clear();
  for (int i = 0; i < 3; ++i)
    m_cmbAction->addItem(Tr(ACTIONS_ZH[i], ACTIONS_EN[i]));
  m_cmbAction->setCurrentIndex(m_nAction);
  // A mode the list does not have (power-off P) leaves nothing selected.
  m_cmbMode->setCurrentIndex(m_nMode >= 0 && m_nMode < m_cmbMode->count() ? m_nMode : -1);

  const bool powerOn = m_nAction == 1;
  ShowModeControls(powerOn, m_nMode);
  if (FillFromString(s, powerOn, m_nMode))
    m_editCurrent->setPlainText(g_alarmText);
}

// Fills the shown controls from the string by its positions; false when the
// string ends before a field, which stops the filling there.
bool CSelectAlarm::FillFromString(const QByteArray &s, bool powerOn, int mode) {
  if (!LayoutOf(powerOn, mode))
    return true;
  const qsizetype len = s.size();
  auto text = [](const QByteArray &b) { return text::FromGbk(b); };
  auto setTime = [this](const QTime &t) {
    if (t.isValid())
      m_timeSet->setTime(t);
  };
  auto tickDays = [this](const QByteArray &digits) {
    for (char c : digits) {
      if (c >= '0' && c <= '6')
        m_days[c - '0']->setChecked(true);
    }
  };
  if (powerOn) {
    switch (mode) {
    case SCHEDULE_ONE_TIME: {
      if (len < 23)
        return false;
      const QDate d = DateAt(s, 4);
      const QTime t = TimeAt(s, 15);
      if (d.isValid() && t.isValid()) {
        m_dateSet->setDate(d);
        m_timeSet->setTime(t);
      }
      if (len < 25)
        return false;
      m_editB->setText(text(s.mid(25)));
      return true;
    }
    case SCHEDULE_HOURLY:
      if (len < 9)
        return false;
      m_editA->setText(text(s.mid(7, 2)));
      if (len < 14)
        return false;
      m_editB->setText(text(s.mid(14)));
      return true;
    case SCHEDULE_DAILY:
      if (len < 12)
        return false;
      setTime(TimeAt(s, 4));
      if (len < 14)
        return false;
      m_editB->setText(text(s.mid(14)));
      return true;
    case SCHEDULE_WEEKLY:
    case SCHEDULE_MONTHLY: {
      // Cut at the first comma, so a day of month written with one digit reads too.
      const auto n = FirstFieldLength(s);
      if (!n)
        return false;
      if (mode == SCHEDULE_WEEKLY)
        tickDays(s.mid(3, *n));
      else
        m_editA->setText(text(s.mid(3, *n)));
      if (len < *n + 13)
        return false;
      setTime(TimeAt(s, *n + 5));
      if (len < *n + 15)
        return false;
      m_editB->setText(text(s.mid(*n + 15)));
      return true;
    }
    default: { // interval, on/off-line
      const auto n = FirstFieldLength(s);
      if (!n)
        return false;
      m_editA->setText(text(s.mid(3, *n)));
      if (mode == SCHEDULE_ONLINE ? len <= *n + 4 : len < *n + 4)
        return false;
      m_editB->setText(text(s.mid(*n + 4)));
      return true;
    }
    }
  }
  switch (mode) {
  case SCHEDULE_ONE_TIME: {
    if (len < 14)
      return false;
    const QDate d = DateAt(s, 4);
    if (d.isValid())
      m_dateSet->setDate(d);
    if (len < 16)
      return false;
    setTime(TimeAt(s, 15));
    return true;
  }
  case SCHEDULE_HOURLY:
    if (len < 9)
      return false;
    m_editA->setText(text(s.mid(7, 2)));
    return true;
  case SCHEDULE_DAILY:
    if (len < 9)
      return false;
    setTime(TimeAt(s, 4));
    return true;
  case SCHEDULE_WEEKLY:
  case SCHEDULE_MONTHLY:
    if (len < 12)
      return false;
    setTime(TimeAt(s, 4));
    if (len < 14)
      return false;
    if (mode == SCHEDULE_WEEKLY)
      tickDays(s.mid(14));
    else
      m_editA->setText(text(s.mid(14)));
    return true;
  default: // countdown
    if (len < 3)
      return false;
    m_editB->setText(text(s.mid(3)));
    return true;
  }
}

void CSelectAlarm::OnSelchangeAction(int index) {
  HideModeControls();
  m_nAction = index;
  if (index == 1 || index == 2) {
    m_cmbMode->setEnabled(true);
    FillModeList(index == 1, true);
    ShowModeControls(index == 1, 0);
  } else {
    m_cmbMode->setEnabled(false);
  }
  // Entered values stay: only the layout changes.
  const QSignalBlocker block(m_cmbMode);
  m_cmbMode->setCurrentIndex(m_cmbMode->count() > 0 ? 0 : -1);
  m_nMode = 0;
}

void CSelectAlarm::OnSelchangeMode(int index) {
  m_nMode = index;
  HideModeControls();
  ShowModeControls(m_nAction == 1, index);
}

QString CSelectAlarm::MessageCaption() const {
  const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
  return owner && !owner->windowTitle().isEmpty() ? owner->windowTitle() : windowTitle();
}

void CSelectAlarm::ShowError(const QString &text) {
  QMessageBox box(QMessageBox::NoIcon, MessageCaption(), text, QMessageBox::Ok, this);
  box.exec();
}

bool CSelectAlarm::Confirm(const QString &sentence) {
  QMessageBox box(QMessageBox::Question, MSG_CONFIRM_CAPTION.Get(), MSG_CONFIRM.Get().arg(sentence),
                  QMessageBox::Ok | QMessageBox::Cancel, this);
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

void CSelectAlarm::OnOK() {
  m_nAction = m_cmbAction->currentIndex();
  m_nMode = m_cmbMode->currentIndex();
  ScheduleInput in;
  in.action = m_nAction < 0 ? SCHEDULE_ACTION_DISABLE : m_nAction;
  in.mode = m_nMode;
  in.date = m_dateSet->text();
  in.time = m_timeSet->text();
  in.fieldA = m_editA->text();
  in.fieldB = m_editB->text();
  for (int d = 0; d < 7; ++d)
    in.days[static_cast<std::size_t>(d)] = m_days[d]->isChecked();
  const ScheduleEdit edit = EncodeSchedule(in);
  if (!edit.ok) {
    ShowError(edit.error);
    return;
  }
  // No mode chosen: nothing was composed, and the results stay empty.
  if (!edit.schedule.isEmpty()) {
    if (edit.sentence != m_editCurrent->toPlainText() && !Confirm(edit.sentence))
      return;
    m_strSchedule = edit.schedule;
    m_strDescription = edit.sentence;
  }
  QDialog::accept();
}
