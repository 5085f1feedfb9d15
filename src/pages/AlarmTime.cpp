#include "pages/AlarmTime.h"

#include "pages/SelectAlarm.h"
#include "params/PageItems.h"
#include "schedule/Clock.h"
#include "schedule/Schedule.h"
#include "text/Gbk.h"
#include "text/Lang.h"
#include "widgets/ControlIds.h"

#include <QComboBox>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

using namespace idc::alarm;

const CAlarmTime::GroupIds CAlarmTime::GROUP_IDS[GROUPS] = {
    {1078, 1004, 1009, 1022}, {1079, 1005, 1010, 1027}, {1080, 1006, 1011, 1028}, {1081, 1007, 1012, 1029},
    {1082, 1008, 1013, 1030}, {1083, 1014, 1015, 1031}, {1084, 1016, 1017, 1032}, {1085, 1018, 1019, 1033},
    {1089, 1020, 1021, 1034}, {1087, 1023, 1024, 1035},
};

namespace {
const char *const GROUP_ZH[CAlarmTime::GROUPS] = {"第一组：", "第二组：", "第三组：", "第四组：", "第五组：",
                                                  "第六组：", "第七组：", "第八组：", "第九组：", "第十组："};
const char *const GROUP_EN[CAlarmTime::GROUPS] = {"Group 1:", "Group 2:", "Group 3:", "Group 4:", "Group 5:",
                                                  "Group 6:", "Group 7:", "Group 8:", "Group 9:", "Group 10:"};
} // namespace

void CAlarmTime::Build() {
  auto *layout = new QVBoxLayout(this);
  QGroupBox *box = AddGroup(IDC_GROUP_BOX, "开关机时间设置", "Power On/Off Time Settings:");
  auto *grid = new QGridLayout(box);
  for (int g = 0; g < GROUPS; ++g) {
    const GroupIds &ids = GROUP_IDS[g];
    QLabel *label = AddLabel(ids.label, GROUP_ZH[g], GROUP_EN[g]);
    // The sentence is kept in a field and shown whole, wrapped, beside the label.
    QLineEdit *description = AddEdit(ids.description, label->text());
    description->setReadOnly(true);
    description->hide();
    auto *sentence = new QLabel(box);
    sentence->setObjectName(QStringLiteral("sentence%1").arg(g + 1));
    sentence->setAccessibleName(label->text());
    sentence->setWordWrap(true);
    sentence->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    sentence->setTextInteractionFlags(Qt::TextSelectableByMouse);
    sentence->setTextFormat(Qt::PlainText);
    sentence->setMinimumHeight(sentence->fontMetrics().height() + 6);
    sentence->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_sentences[g] = sentence;
    connect(description, &QLineEdit::textChanged, sentence, &QLabel::setText);
    QPushButton *set = AddButton(ids.setButton, "设置", "Set:", label->text() + QLatin1Char(' ') + Tr("设置", "Set"));
    // The schedule string is kept beside its sentence but never shown.
    QLineEdit *string = AddEdit(ids.string, label->text());
    string->hide();
    label->setBuddy(set);
    connect(set, &QPushButton::clicked, this, [this, g] { OnSetGroup(g + 1); });
    grid->addWidget(label, g, 0);
    grid->addWidget(sentence, g, 1);
    grid->addWidget(set, g, 2);
  }
  grid->setColumnStretch(1, 1);
  // Long sentences make the groups taller than the page: they scroll, the window keeps its size.
  auto *scroll = new QScrollArea(this);
  scroll->setObjectName(QStringLiteral("groups"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setWidget(box);
  layout->addWidget(scroll, 1);

  auto *clock = new QGridLayout;
  QLabel *clockLabel = AddLabel(IDC_CLOCK_LABEL, "RTC时间设置：", "RTC timeset:");
  QComboBox *source = AddList(IDC_CLOCK_SOURCE, clockLabel->text());
  source->setCurrentIndex(0);
  QLineEdit *display = AddEdit(IDC_CLOCK_DISPLAY, clockLabel->text());
  display->setReadOnly(true);
  display->setMinimumWidth(display->fontMetrics().horizontalAdvance(QStringLiteral("2000/00/00 00:00:00  ")) + 8);
  m_inputIds.removeOne(IDC_CLOCK_DISPLAY);
  QPushButton *clockSet =
      AddButton(IDC_CLOCK_SET, "设置", "Set:", clockLabel->text() + QLatin1Char(' ') + Tr("设置", "Set"));

  const QDateTime now = QDateTime::currentDateTime();
  auto *date = new QDateEdit(now.date(), this);
  date->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
  auto *time = new QTimeEdit(now.time(), this);
  time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  for (QAbstractSpinBox *picker : std::initializer_list<QAbstractSpinBox *>{date, time})
    picker->setMinimumWidth(picker->fontMetrics().horizontalAdvance(QStringLiteral("0000/00/00")) + 36);
  AddControl(date, IDC_DATE, clockLabel->text(), true);
  AddControl(time, IDC_TIME, clockLabel->text(), true);
  QComboBox *weekday = AddList(IDC_WEEKDAY, clockLabel->text());
  weekday->setMinimumContentsLength(9);
  // The weekday sent is the date's own: shown, never chosen.
  weekday->setEnabled(false);
  weekday->setToolTip(Tr("星期由日期决定", "The weekday follows the date"));
  date->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
  auto showWeekday = [weekday](QDate d) {
    weekday->setCurrentIndex(WeekdayOf(d.year(), d.month(), d.day()).value_or(-1));
  };
  connect(date, &QDateEdit::dateChanged, weekday, showWeekday);
  showWeekday(date->date());
  clockLabel->setBuddy(source);
  connect(clockSet, &QPushButton::clicked, this, &CAlarmTime::OnSetClock);

  clock->addWidget(clockLabel, 0, 0);
  clock->addWidget(source, 0, 1);
  clock->addWidget(display, 0, 2, 1, 2);
  clock->addWidget(clockSet, 0, 4);
  // The manual row starts under the label: the three pickers need the room.
  auto *manual = new QHBoxLayout;
  manual->addSpacing(16);
  manual->addWidget(date);
  manual->addWidget(time);
  manual->addWidget(weekday);
  manual->addStretch(1);
  clock->addLayout(manual, 1, 0, 1, 5);
  clock->setColumnStretch(2, 1);
  clock->setColumnStretch(3, 1);
  layout->addLayout(clock);

  // The pickers and the weekday list belong to the manual clock source.
  date->hide();
  time->hide();
  weekday->hide();
  connect(source, &QComboBox::currentIndexChanged, this, &CAlarmTime::OnSelchangeClockSource);

  m_dlgSchedule = new CSelectAlarm(this);

  m_clockTimer = new QTimer(this);
  m_clockTimer->setInterval(1000);
  connect(m_clockTimer, &QTimer::timeout, this, &CAlarmTime::OnTimer);
  m_clockTimer->start();
  OnTimer();
}

QString CAlarmTime::ClockText(const QDateTime &t) {
  const QDate d = t.date();
  const QTime h = t.time();
  return QString::asprintf("%d/%02d/%02d %02d:%02d:%02d", d.year(), d.month(), d.day(), h.hour(), h.minute(),
                           h.second());
}

void CAlarmTime::OnTimer() {
  if (auto *display = qobject_cast<QLineEdit *>(Control(IDC_CLOCK_DISPLAY)))
    display->setText(ClockText(QDateTime::currentDateTime()));
}

void CAlarmTime::OnSelchangeClockSource(int index) {
  const bool manual = index > 0;
  for (int id : {IDC_DATE, IDC_TIME, IDC_WEEKDAY}) {
    if (QWidget *w = Control(id))
      w->setVisible(manual);
  }
  if (QWidget *display = Control(IDC_CLOCK_DISPLAY))
    display->setVisible(!manual);
}

void CAlarmTime::OnSetGroup(int group) {
  if (group < 1 || group > GROUPS || !m_dlgSchedule)
    return;
  const GroupIds &ids = GROUP_IDS[group - 1];
  auto *string = qobject_cast<QLineEdit *>(Control(ids.string));
  auto *description = qobject_cast<QLineEdit *>(Control(ids.description));
  m_dlgSchedule->SetCurrent(text::ToGbk(string->text()), description->text());
  m_dlgSchedule->SetGroup(group);
  if (m_dlgSchedule->DoModal() != QDialog::Accepted)
    return;
  // OK with no mode chosen composes nothing: the group keeps its rule rather
  // than an empty string that saving would send to the device.
  if (m_dlgSchedule->Schedule().isEmpty())
    return;
  description->setText(m_dlgSchedule->Description());
  string->setText(text::FromGbk(m_dlgSchedule->Schedule()));
}

void CAlarmTime::OnSetClock() {
  auto *source = qobject_cast<QComboBox *>(Control(IDC_CLOCK_SOURCE));
  const QString from = source->currentText();
  QByteArray clock;
  if (from.contains(QStringLiteral("系统")) || from.contains(QLatin1String("System"))) {
    clock = ClockStringNow();
  } else {
    // The weekday sent is the one of the date; the weekday list is not read.
    const QByteArray date = qobject_cast<QDateEdit *>(Control(IDC_DATE))->text().toLatin1();
    const QByteArray time = qobject_cast<QTimeEdit *>(Control(IDC_TIME))->text().toLatin1();
    const std::optional<QByteArray> manual = ClockStringFromText(date, time);
    if (!manual)
      return;
    clock = *manual;
  }
  m_strClock = clock;
  if (m_onSetClock)
    m_onSetClock(m_strClock);
}

void CAlarmTime::SetEditingEnabled(bool enable) {
  for (const GroupIds &ids : GROUP_IDS) {
    // The sentences are never edited in place: the Set button opens the editor.
    if (QWidget *w = Control(ids.description))
      w->setEnabled(false);
    if (QWidget *w = Control(ids.setButton))
      w->setEnabled(enable);
  }
  for (int id : {IDC_CLOCK_SOURCE, IDC_DATE, IDC_TIME, IDC_CLOCK_SET}) {
    if (QWidget *w = Control(id))
      w->setEnabled(enable);
  }
}

void CAlarmTime::DisableAll() { SetEditingEnabled(false); }

void CAlarmTime::EnableForEditing() { SetEditingEnabled(true); }
