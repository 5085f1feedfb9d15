#include "ui/PageControlsImpl.h"

#include "base/ThreadExecutor.h"
#include "pages/AlarmTime.h"
#include "pages/BaseDlg.h"
#include "pages/DtuDlg.h"
#include "pages/GpsDlg.h"
#include "pages/OtherDlg.h"
#include "text/Lang.h"
#include "ui/TabSheet.h"

#include <QLabel>

#include <QComboBox>
#include <QLineEdit>

namespace {

unsigned TemplateOf(EPage page) {
  switch (page) {
  case EPage::Base:
    return 130;
  case EPage::Dtu:
    return 131;
  case EPage::Other:
    return 132;
  case EPage::Alarm:
    return 156;
  case EPage::Gps:
    return 161;
  default:
    return 0;
  }
}

QString PageTitle(EPage page) {
  switch (page) {
  case EPage::Base:
    return Tr("中心服务器参数", "Data Service Center Settings");
  case EPage::Dtu:
    return Tr("IP Modem工作参数", "IP Modem Setting");
  case EPage::Other:
    return Tr("其他参数", "Other Setting");
  case EPage::Alarm:
    return Tr("定时开关机", "Scheduled Power On/Off Setting");
  case EPage::Gps:
    return Tr("GPS设置", "GPS Setting");
  default:
    return {};
  }
}

bool IsSchedule(int index) {
  return index >= 0 && index < PARAM_COUNT && ParamInfoAt(index).kind == EControlKind::Schedule;
}

int FindItem(const QComboBox *combo, const QString &text) {
  return combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

} // namespace

template <class R, class F> R CWidgetPageControls::OnWindow(R fallback, F fn) {
  R result = fallback;
  m_executor.Call([&] { result = fn(); });
  return result;
}

template <class F> void CWidgetPageControls::OnWindow(F fn) { m_executor.Call(fn); }

CWidgetPageControls::CWidgetPageControls(CThreadExecutor &executor, QWidget *owner)
    : m_executor(executor), m_pageBase(new CBaseDlg(owner)), m_pageDtu(new CDtuDlg(owner)),
      m_pageOther(new COtherDlg(owner)), m_pageAlarm(new CAlarmTime(owner)), m_pageGps(new CGpsDlg(owner)) {}

CPageDlg *CWidgetPageControls::Page(EPage page) const {
  switch (page) {
  case EPage::Base:
    return m_pageBase;
  case EPage::Dtu:
    return m_pageDtu;
  case EPage::Other:
    return m_pageOther;
  case EPage::Alarm:
    return m_pageAlarm;
  case EPage::Gps:
    return m_pageGps;
  default:
    return nullptr;
  }
}

void CWidgetPageControls::AddTab(EPage page) { m_tabSheet->AddPage(PageTitle(page), Page(page), TemplateOf(page)); }

void CWidgetPageControls::CreatePages() {
  // Every page ever offered must be created by the first Show; then three tabs.
  for (EPage p : {EPage::Base, EPage::Dtu, EPage::Other, EPage::Alarm, EPage::Gps})
    AddTab(p);
  m_tabSheet->Show();
  ShowTabs(false, false);
  WatchEdits();
}

void CWidgetPageControls::WatchEdits() {
  auto edited = [this] {
    if (m_edited)
      m_edited();
  };
  for (int i = 0; i < PARAM_COUNT; ++i) {
    QWidget *w = ParamControl(i, IsSchedule(i));
    if (auto *edit = qobject_cast<QLineEdit *>(w)) {
      QObject::connect(edit, &QLineEdit::textChanged, edit, edited);
    } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
      QObject::connect(combo, &QComboBox::currentIndexChanged, combo, edited);
      QObject::connect(combo, &QComboBox::editTextChanged, combo, edited);
    }
  }
}

QWidget *CWidgetPageControls::ShownControl(int index) const {
  if (!IsSchedule(index))
    return ParamControl(index, false);
  const int controlId = ParamInfoAt(index).controlId;
  for (int g = 0; g < CAlarmTime::GROUPS; ++g) {
    if (CAlarmTime::GROUP_IDS[g].description == controlId)
      return m_pageAlarm->Sentence(g + 1);
  }
  return nullptr;
}

void CWidgetPageControls::SetChangeMarks(const std::vector<int> &indices) {
  std::vector<bool> marked(PARAM_COUNT, false);
  for (int i : indices) {
    if (i >= 0 && i < PARAM_COUNT)
      marked[static_cast<size_t>(i)] = true;
  }
  for (int i = 0; i < PARAM_COUNT; ++i) {
    if (marked[static_cast<size_t>(i)] == m_marked[static_cast<size_t>(i)])
      continue;
    if (QWidget *w = ShownControl(i)) {
      // Bold reads in light and dark themes alike, and needs no colour.
      QFont font = w->font();
      font.setBold(marked[static_cast<size_t>(i)]);
      w->setFont(font);
      w->setProperty("changed", bool(marked[static_cast<size_t>(i)]));
    }
  }
  m_marked = std::move(marked);
}

bool CWidgetPageControls::ChangeMarked(int index) const {
  return index >= 0 && index < PARAM_COUNT && m_marked[static_cast<size_t>(index)];
}

QWidget *CWidgetPageControls::ParamControl(int index, bool hidden) const {
  if (index < 0 || index >= PARAM_COUNT)
    return nullptr;
  const ParamInfo &info = ParamInfoAt(index);
  CPageDlg *page = Page(info.page);
  if (!page)
    return nullptr;
  const bool schedule = info.kind == EControlKind::Schedule;
  if (hidden && !schedule)
    return nullptr;
  return page->Control(schedule && hidden ? info.hiddenControlId : info.controlId);
}

QString CWidgetPageControls::ParamText(int index) {
  return OnWindow(QString(), [&]() -> QString {
    QWidget *w = ParamControl(index, IsSchedule(index));
    if (auto *edit = qobject_cast<QLineEdit *>(w))
      return edit->text();
    if (auto *combo = qobject_cast<QComboBox *>(w))
      return combo->isEditable() ? combo->currentText()
                                 : (combo->currentIndex() >= 0 ? combo->itemText(combo->currentIndex()) : QString());
    return {};
  });
}

void CWidgetPageControls::SetParamText(int index, const QString &text) {
  OnWindow([&] {
    QWidget *w = ParamControl(index, IsSchedule(index));
    if (auto *edit = qobject_cast<QLineEdit *>(w)) {
      edit->setText(text);
    } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
      const int pos = FindItem(combo, text);
      if (combo->isEditable()) {
        // The field is the value: the list marks the item equal to it, or none
        // (which empties the field, so the text goes in after).
        combo->setCurrentIndex(pos);
        combo->setEditText(text);
      } else if (pos >= 0) {
        combo->setCurrentIndex(pos);
      }
    }
  });
}

int CWidgetPageControls::ParamSelection(int index) {
  return OnWindow(-1, [&] {
    auto *combo = qobject_cast<QComboBox *>(ParamControl(index, false));
    if (!combo)
      return -1;
    // An editable combo's selection follows its field, typed text included.
    return combo->isEditable() ? FindItem(combo, combo->currentText()) : combo->currentIndex();
  });
}

void CWidgetPageControls::SetParamSelection(int index, int position) {
  OnWindow([&] {
    if (auto *combo = qobject_cast<QComboBox *>(ParamControl(index, false)))
      combo->setCurrentIndex(position >= 0 && position < combo->count() ? position : -1);
  });
}

QString CWidgetPageControls::ScheduleDescription(int index) {
  return OnWindow(QString(), [&]() -> QString {
    if (!IsSchedule(index))
      return {};
    auto *edit = qobject_cast<QLineEdit *>(ParamControl(index, false));
    return edit ? edit->text() : QString();
  });
}

void CWidgetPageControls::SetScheduleDescription(int index, const QString &text) {
  OnWindow([&] {
    if (!IsSchedule(index))
      return;
    if (auto *edit = qobject_cast<QLineEdit *>(ParamControl(index, false)))
      edit->setText(text);
  });
}

bool CWidgetPageControls::IsParamEnabled(int index) {
  return OnWindow(false, [&] {
    QWidget *w = ParamControl(index, false);
    return w && w->isEnabled();
  });
}

void CWidgetPageControls::DisableAll(EPage page) {
  OnWindow([&] {
    if (CPageDlg *p = Page(page))
      p->DisableAll();
  });
}

void CWidgetPageControls::EnableAll(EPage page) {
  OnWindow([&] {
    if (CPageDlg *p = Page(page))
      p->EnableAll();
  });
}

void CWidgetPageControls::EnableForEditing() {
  OnWindow([&] { m_pageAlarm->EnableForEditing(); });
}

void CWidgetPageControls::SetClientMode(bool client) {
  OnWindow([&] { m_pageBase->SetClientMode(client); });
}

void CWidgetPageControls::ShowTabs(bool withAlarm, bool withGps) {
  OnWindow([&] {
    m_tabSheet->RemoveAllPages();
    for (EPage p : {EPage::Base, EPage::Dtu, EPage::Other})
      AddTab(p);
    if (withAlarm)
      AddTab(EPage::Alarm);
    if (withGps)
      AddTab(EPage::Gps);
    m_tabSheet->Show();
  });
}

QList<EPage> CWidgetPageControls::Tabs() {
  return OnWindow(QList<EPage>(), [&] {
    QList<EPage> tabs;
    for (int i = 0; i < m_tabSheet->Count(); ++i)
      tabs << m_tabSheet->PageAt(i)->Page();
    return tabs;
  });
}
