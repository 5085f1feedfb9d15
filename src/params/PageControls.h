#pragma once
// What the engine asks of the setting pages: the control that shows a parameter,
// addressed by the parameter's index (ParamInfoAt(i) names page, control and kind),
// and the page-wide switches. Values cross as Unicode text; device bytes are
// converted in core code. Implementations accept calls from any thread and carry
// each one out synchronously, so effects appear in call order.
#include "params/ParamTable.h"

#include <QList>
#include <QString>

class PageControls {
public:
  virtual ~PageControls() = default;

  // Text of the control: an edit's or address field's text, an editable combo's
  // field, a list's selected item ("" with no selection). Schedules (48 to 57):
  // the hidden field holding the schedule string.
  virtual QString ParamText(int index) = 0;
  // Edits and editable combos take the text as it is; a list selects the item
  // equal to the text and is left alone when it has none.
  virtual void SetParamText(int index, const QString &text) = 0;
  // A list's selected position, -1 for none or no list; an editable combo: its text's item.
  virtual int ParamSelection(int index) = 0;
  // Positions outside the list clear the selection.
  virtual void SetParamSelection(int index, int position) = 0;
  // Schedules (48 to 57): the visible sentence beside the hidden string.
  virtual QString ScheduleDescription(int index) = 0;
  virtual void SetScheduleDescription(int index, const QString &text) = 0;
  virtual bool IsParamEnabled(int index) = 0;

  // Input controls of one page. EnableAll on the power-schedule page means EnableForEditing.
  virtual void DisableAll(EPage page) = 0;
  virtual void EnableAll(EPage page) = 0;
  // Power-schedule page: the Set buttons and the clock row; the sentences stay read-only.
  virtual void EnableForEditing() = 0;
  // Data-center page: TRUE the client form; FALSE the listen-port form (only the port 1010 enabled).
  virtual void SetClientMode(bool client) = 0;

  // Offers data center, work and other parameters, then the power-schedule and GPS
  // pages as asked; the first tab's page is shown.
  virtual void ShowTabs(bool withAlarm, bool withGps) = 0;
  virtual QList<EPage> Tabs() = 0;

  void DisableAllPages() {
    for (EPage p : {EPage::Base, EPage::Dtu, EPage::Other, EPage::Alarm, EPage::Gps})
      DisableAll(p);
  }
};
