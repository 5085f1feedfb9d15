#pragma once
// The setting pages of the main window as the engine sees them: the widget that
// shows a parameter, found through the parameter table, and the page-wide
// switches. Calls may come from any thread; each is carried out synchronously
// on the window thread through the window's executor.
#include "params/PageControls.h"

#include <functional>
#include <vector>

class CAlarmTime;
class CBaseDlg;
class CDtuDlg;
class CGpsDlg;
class COtherDlg;
class CPageDlg;
class CTabSheet;
class CThreadExecutor;
class QWidget;

class CWidgetPageControls : public PageControls {
public:
  // Creates the five pages as children of owner (they move into the tab sheet
  // when it first shows them).
  CWidgetPageControls(CThreadExecutor &executor, QWidget *owner);

  // The tab sheet that hosts the pages; set once, before any tab call.
  void SetTabSheet(CTabSheet *tabSheet) { m_tabSheet = tabSheet; }
  // The first Show, which creates every page ever offered, then the usual three tabs.
  void CreatePages();

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

  CPageDlg *Page(EPage page) const;

  // Marks the fields of these parameters as holding a value the device does
  // not have (bold text, property "changed"); every other field unmarked.
  // Window thread.
  void SetChangeMarks(const std::vector<int> &indices);
  bool ChangeMarked(int index) const;
  // Called on the window thread whenever a parameter's field changes, by
  // the user or by a fill.
  void SetEditedHandler(std::function<void()> fn) { m_edited = std::move(fn); }
  CAlarmTime *AlarmPage() const { return m_pageAlarm; }

private:
  // The control showing the parameter; for a schedule, hidden picks the string
  // field rather than the sentence.
  QWidget *ParamControl(int index, bool hidden) const;
  // The widget that shows the parameter's value to the user (a schedule's sentence).
  QWidget *ShownControl(int index) const;
  void WatchEdits();
  void AddTab(EPage page);
  template <class R, class F> R OnWindow(R fallback, F fn);
  template <class F> void OnWindow(F fn);

  CThreadExecutor &m_executor;
  CBaseDlg *m_pageBase;
  CDtuDlg *m_pageDtu;
  COtherDlg *m_pageOther;
  CAlarmTime *m_pageAlarm;
  CGpsDlg *m_pageGps;
  CTabSheet *m_tabSheet = nullptr;
  std::function<void()> m_edited;
  std::vector<bool> m_marked = std::vector<bool>(PARAM_COUNT, false);
};
