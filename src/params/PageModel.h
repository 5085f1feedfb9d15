#pragma once
// The setting pages without widgets: what the CLI and the unit tests show the
// engine. It keeps, per parameter, the text or selection its control would show,
// with the same list items as the Qt pages, and the enabling and tab rules.
#include "params/PageControls.h"

#include <QStringList>

#include <array>
#include <mutex>

class CPageModel : public PageControls {
public:
  // Lists are filled in the language of g_chineseUi; every page starts disabled,
  // with three tabs offered and no list selection.
  CPageModel();

  QString ParamText(int index) override;
  void SetParamText(int index, const QString &text) override;
  int ParamSelection(int index) override;
  void SetParamSelection(int index, int position) override;
  QString ScheduleDescription(int index) override;
  void SetScheduleDescription(int index, const QString &text) override;
  bool IsParamEnabled(int index) override;
  void DisableAll(EPage page) override;
  void EnableAll(EPage page) override;
  void EnableForEditing() override;
  void SetClientMode(bool client) override;
  void ShowTabs(bool withAlarm, bool withGps) override;
  QList<EPage> Tabs() override;

  bool ClientMode() const;
  // The power-schedule page's Set buttons and clock row.
  bool AlarmEditing() const;
  QStringList Items(int index) const;

private:
  struct Control {
    QStringList items;
    bool list = false;     // a drop-down list: its text is its selected item
    bool editable = false; // a combo with its own text field
    QString text;
    int selection = -1;
    QString description;
    bool enabled = false;
  };

  static bool Valid(int index);
  void SetPageEnabledLocked(EPage page, bool enable);

  mutable std::mutex m_mutex;
  std::array<Control, PARAM_COUNT> m_controls;
  QList<EPage> m_tabs;
  bool m_clientMode = true;
  bool m_alarmEditing = false;
};
