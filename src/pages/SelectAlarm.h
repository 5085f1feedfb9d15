#pragma once
// The schedule editor: composes the rule of one power-schedule group from an
// action, a mode and the inputs that mode needs, checks them, and hands back
// the schedule string and its sentence. It never talks to the device.
#include <QByteArray>
#include <QDialog>
#include <QHash>
#include <QString>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimeEdit;

class CSelectAlarm : public QDialog {
public:
  // Control identifiers (objectName = decimal id).
  enum : int {
    IDC_ACTION_LABEL = 1090,
    IDC_ACTION = 1005,
    IDC_MODE_LABEL = 1073,
    IDC_MODE = 1006,
    IDC_DATE = 1069,
    IDC_TIME = 1071,
    IDC_FIELD_A = 1025,
    IDC_FIELD_B = 1003,
    IDC_MON = 1023,
    IDC_TUE = 1024,
    IDC_WED = 1026,
    IDC_THU = 1027,
    IDC_FRI = 1028,
    IDC_SAT = 1029,
    IDC_SUN = 1022,
    IDC_CURRENT_LABEL = 1091,
    IDC_CURRENT = 1004,
    IDC_OK = 1,
    IDC_CANCEL = 2,
  };
  // Weekday boxes, Sunday first (the order of the weekday digits).
  static const int DAY_IDS[7];
  // The labels that belong to the modes; shown only with their mode.
  static const QList<int> MODE_LABEL_IDS;

  explicit CSelectAlarm(QWidget *parent = nullptr);

  void SetGroup(int group) { m_nGroup = group; }
  // The group's current schedule string and sentence, read by the next opening.
  void SetCurrent(const QByteArray &schedule, const QString &sentence) {
    m_currentSchedule = schedule;
    m_currentSentence = sentence;
  }
  // Opens on the current string and runs modally.
  int DoModal();
  // Resets every control and fills them from the current string (also for
  // tests that drive the dialog without a modal loop).
  void OnInitDialog();
  void OnOK();

  // The result of the last opening: after OK the new string and its sentence,
  // both empty when no mode was chosen; empty after Cancel.
  const QByteArray &Schedule() const { return m_strSchedule; }
  const QString &Description() const { return m_strDescription; }

  QWidget *Control(int id) const { return m_controls.value(id); }
  // The mode-dependent controls currently shown (pickers, fields, boxes, mode labels).
  QList<int> ShownModeControls() const;

  int m_nMode = 0; // kind index, -1 for none
  int m_nGroup = 1;
  int m_nAction = 0; // 0 disable, 1 power-on, 2 power-off

private:
  QByteArray m_currentSchedule;
  QString m_currentSentence;
  QByteArray m_strSchedule;
  QString m_strDescription;
  // Where a moving control goes: the first field row (R1, R2 beside it), the
  // second field row (R3), beside the mode list (R4), the weekday row (R5).
  enum ESlot : int { SLOT_NONE, SLOT_R1, SLOT_R2, SLOT_R3, SLOT_R4, SLOT_R5 };
  // The controls one action and mode shows, and where.
  struct LayoutRow {
    ESlot date, time, a, b;
    bool days;
    int labels[4];
  };
  static const LayoutRow *LayoutOf(bool powerOn, int mode);
  void Build();
  void SetCaptions();
  void FillModeList(bool powerOn, bool afterActionChange);
  void HideModeControls();
  void ShowModeControls(bool powerOn, int mode);
  void Place(QWidget *w, ESlot slot);
  void OnSelchangeAction(int index);
  void OnSelchangeMode(int index);
  bool Confirm(const QString &sentence);
  void ShowError(const QString &text);
  QString MessageCaption() const;
  template <class T> T *Add(T *w, int id, const QString &accessibleName = {});

  QHash<int, QWidget *> m_controls;
  QGridLayout *m_grid = nullptr;
  QComboBox *m_cmbAction = nullptr;
  QComboBox *m_cmbMode = nullptr;
  QDateEdit *m_dateSet = nullptr;
  QTimeEdit *m_timeSet = nullptr;
  QLineEdit *m_editA = nullptr;
  QLineEdit *m_editB = nullptr;
  QCheckBox *m_days[7] = {};
  QPlainTextEdit *m_editCurrent = nullptr;
  QPushButton *m_btnOk = nullptr;
  QPushButton *m_btnCancel = nullptr;
};
