#include "pages/SelectAlarm.h"
#include "pages/SelectAlarmLayout.h"

#include "schedule/Schedule.h"
#include "schedule/ScheduleForm.h"
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

using namespace select_alarm;

const int CSelectAlarm::DAY_IDS[7] = {IDC_SUN, IDC_MON, IDC_TUE, IDC_WED, IDC_THU, IDC_FRI, IDC_SAT};
const QList<int> CSelectAlarm::MODE_LABEL_IDS = {1046, 1047, 1048, 1049, 1051, 1052, 1053,
                                                 1054, 1055, 1056, 1057, 1058, 1059, 1061};

namespace {
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

  for (const LabelText &l : Labels()) {
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
  m_dateSet->setDateRange(ScheduleFormFirstDate(), ScheduleFormLastDate());
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
  for (const LabelText &l : Labels()) {
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

  const ScheduleForm form = ParseScheduleForm(m_currentSchedule);
  m_nAction = form.action;
  m_nMode = form.mode;
  if (form.action != SCHEDULE_ACTION_DISABLE) {
    m_cmbMode->setEnabled(true);
    FillModeList(form.action == SCHEDULE_ACTION_ON, false);
  }

  SetCaptions();
  setWindowTitle(MSG_TITLE.Get().arg(m_nGroup));
  m_cmbAction->clear();
  for (int i = 0; i < 3; ++i)
    m_cmbAction->addItem(Tr(ACTIONS_ZH[i], ACTIONS_EN[i]));
  m_cmbAction->setCurrentIndex(m_nAction);
  // A mode the list does not have (power-off P) leaves nothing selected.
  m_cmbMode->setCurrentIndex(m_nMode >= 0 && m_nMode < m_cmbMode->count() ? m_nMode : -1);

  ShowModeControls(m_nAction == SCHEDULE_ACTION_ON, m_nMode);
  if (form.date)
    m_dateSet->setDate(*form.date);
  if (form.time)
    m_timeSet->setTime(*form.time);
  m_editA->setText(text::FromGbk(form.fieldA));
  m_editB->setText(text::FromGbk(form.fieldB));
  for (int d = 0; d < 7; ++d)
    m_days[d]->setChecked(form.days[static_cast<std::size_t>(d)]);
  if (form.complete)
    m_editCurrent->setPlainText(m_currentSentence);
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
