#include "params/PageModel.h"

#include "params/PageItems.h"

CPageModel::CPageModel() {
  for (int i = 0; i < PARAM_COUNT; ++i) {
    Control &c = m_controls[static_cast<size_t>(i)];
    const EControlKind kind = ParamInfoAt(i).kind;
    c.list = kind == EControlKind::List;
    c.editable = kind == EControlKind::Combo;
    if (c.list || c.editable)
      c.items = pageitems::ParamItems(i);
  }
  m_tabs = {EPage::Base, EPage::Dtu, EPage::Other};
}

bool CPageModel::Valid(int index) {
  return index >= 0 && index < PARAM_COUNT && ParamInfoAt(index).page != EPage::None;
}

QString CPageModel::ParamText(int index) {
  std::lock_guard lock(m_mutex);
  if (!Valid(index))
    return {};
  const Control &c = m_controls[static_cast<size_t>(index)];
  if (c.list)
    return c.selection >= 0 ? c.items.at(c.selection) : QString();
  return c.text;
}

void CPageModel::SetParamText(int index, const QString &text) {
  std::lock_guard lock(m_mutex);
  if (!Valid(index))
    return;
  Control &c = m_controls[static_cast<size_t>(index)];
  if (c.list) {
    const int pos = static_cast<int>(c.items.indexOf(text));
    if (pos >= 0)
      c.selection = pos;
    return;
  }
  c.text = text;
  if (c.editable)
    c.selection = static_cast<int>(c.items.indexOf(text));
}

int CPageModel::ParamSelection(int index) {
  std::lock_guard lock(m_mutex);
  if (!Valid(index))
    return -1;
  const Control &c = m_controls[static_cast<size_t>(index)];
  return (c.list || c.editable) ? c.selection : -1;
}

void CPageModel::SetParamSelection(int index, int position) {
  std::lock_guard lock(m_mutex);
  if (!Valid(index))
    return;
  Control &c = m_controls[static_cast<size_t>(index)];
  if (!c.list && !c.editable)
    return;
  c.selection = (position >= 0 && position < c.items.size()) ? position : -1;
  if (c.editable)
    c.text = c.selection >= 0 ? c.items.at(c.selection) : QString();
}

QString CPageModel::ScheduleDescription(int index) {
  std::lock_guard lock(m_mutex);
  if (!Valid(index) || ParamInfoAt(index).kind != EControlKind::Schedule)
    return {};
  return m_controls[static_cast<size_t>(index)].description;
}

void CPageModel::SetScheduleDescription(int index, const QString &text) {
  std::lock_guard lock(m_mutex);
  if (!Valid(index) || ParamInfoAt(index).kind != EControlKind::Schedule)
    return;
  m_controls[static_cast<size_t>(index)].description = text;
}

bool CPageModel::IsParamEnabled(int index) {
  std::lock_guard lock(m_mutex);
  return Valid(index) && m_controls[static_cast<size_t>(index)].enabled;
}

void CPageModel::SetPageEnabledLocked(EPage page, bool enable) {
  for (int i = 0; i < PARAM_COUNT; ++i) {
    const ParamInfo &info = ParamInfoAt(i);
    // A schedule's sentence field is never enabled; its Set button is (m_alarmEditing).
    if (info.page == page)
      m_controls[static_cast<size_t>(i)].enabled = enable && info.kind != EControlKind::Schedule;
  }
  if (page == EPage::Alarm)
    m_alarmEditing = enable;
}

void CPageModel::DisableAll(EPage page) {
  std::lock_guard lock(m_mutex);
  SetPageEnabledLocked(page, false);
}

void CPageModel::EnableAll(EPage page) {
  std::lock_guard lock(m_mutex);
  SetPageEnabledLocked(page, true);
}

void CPageModel::EnableForEditing() { EnableAll(EPage::Alarm); }

void CPageModel::SetClientMode(bool client) {
  std::lock_guard lock(m_mutex);
  m_clientMode = client;
  SetPageEnabledLocked(EPage::Base, client);
  // The listen-port form keeps the main center's port (1010, index 10) for the listen port.
  m_controls[10].enabled = true;
}

void CPageModel::ShowTabs(bool withAlarm, bool withGps) {
  std::lock_guard lock(m_mutex);
  m_tabs = {EPage::Base, EPage::Dtu, EPage::Other};
  if (withAlarm)
    m_tabs << EPage::Alarm;
  if (withGps)
    m_tabs << EPage::Gps;
}

QList<EPage> CPageModel::Tabs() {
  std::lock_guard lock(m_mutex);
  return m_tabs;
}

bool CPageModel::ClientMode() const {
  std::lock_guard lock(m_mutex);
  return m_clientMode;
}

bool CPageModel::AlarmEditing() const {
  std::lock_guard lock(m_mutex);
  return m_alarmEditing;
}

QStringList CPageModel::Items(int index) const {
  std::lock_guard lock(m_mutex);
  return Valid(index) ? m_controls[static_cast<size_t>(index)].items : QStringList();
}
