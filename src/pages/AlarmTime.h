#pragma once
// Power-schedule page: the ten power on/off groups (sentence, Set button, the
// schedule string in a hidden field) and the device clock row with its display
// of the PC clock. A group's Set button opens the schedule editor; the clock's
// Set button forms the clock string and hands it to whoever sets the device clock.
#include "pages/PageDlg.h"

#include <QByteArray>
#include <QDateTime>

#include <array>
#include <functional>

class CSelectAlarm;

class QLabel;
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

  // Set button of group g (1 ... 10): the editor opens for the group; on OK the
  // group's sentence and string take its results. Nothing is sent.
  void OnSetGroup(int group);
  // Clock Set button: forms the clock string from the PC clock or the pickers
  // and passes it to the clock handler.
  void OnSetClock();
  void SetClockHandler(std::function<void(const QByteArray &clock)> fn) { m_onSetClock = std::move(fn); }
  // The clock string of the last press.
  const QByteArray &ClockString() const { return m_strClock; }
  // The editor, one for all groups (exists once the page is created).
  CSelectAlarm *Editor() const { return m_dlgSchedule; }
  // The shown sentence of group g (1 ... 10), whole and wrapped.
  QLabel *Sentence(int group) const {
    return group >= 1 && group <= GROUPS ? m_sentences[static_cast<size_t>(group - 1)] : nullptr;
  }

protected:
  void Build() override;

private:
  void OnSelchangeClockSource(int index);
  void OnTimer();
  void SetEditingEnabled(bool enable);

  CSelectAlarm *m_dlgSchedule = nullptr;
  std::array<QLabel *, GROUPS> m_sentences{};
  QByteArray m_strClock;
  std::function<void(const QByteArray &)> m_onSetClock;
  QTimer *m_clockTimer = nullptr;
};
