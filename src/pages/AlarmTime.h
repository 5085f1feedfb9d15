#pragma once
// Power-schedule page: the ten power on/off groups (sentence, Set button, the
// schedule string in a hidden field) and the device clock row with its display
// of the PC clock. Editing a group and setting the device clock are wired by
// the schedule editor and the clock worker.
#include "pages/PageDlg.h"

#include <QDateTime>

class QTimer;

class CAlarmTime : public CPageDlg {
public:
  static constexpr int GROUPS = 10;
  struct GroupIds {
    int label;
    int description;
    int setButton;
    int string;
  };
  static const GroupIds GROUP_IDS[GROUPS];

  explicit CAlarmTime(QWidget *parent = nullptr) : CPageDlg(EPage::Alarm, parent) {}

  void DisableAll() override;
  void EnableAll() override { EnableForEditing(); }
  // Set buttons and clock row enabled; the sentences stay read-only.
  void EnableForEditing();

  // The PC clock as the page shows it ("%d/%02d/%02d %02d:%02d:%02d").
  static QString ClockText(const QDateTime &t);

protected:
  void Build() override;

private:
  void OnSelchangeClockSource(int index);
  void OnTimer();
  void SetEditingEnabled(bool enable);

  QTimer *m_clockTimer = nullptr;
};
