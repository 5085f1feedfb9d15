#pragma once
// What the engine asks of a front end. Implementations accept calls from any
// thread and carry each one out on the window thread before returning (the Qt
// window through CThreadExecutor::Call), so effects appear in call order.
#include <QList>
#include <QString>

// One parameter a write would change: its label, the device's value, the new value.
struct WriteRow {
  QString label;
  QString from;
  QString to;
};

class DialogHost {
public:
  virtual ~DialogHost() = default;

  virtual void AppendOutput(const QString &text) = 0;
  virtual void EnableOperationButtons(bool enable) = 0;
  virtual void EnableSaveToFile() = 0;
  virtual void UpdatePortControls() = 0;
  virtual void SetConfigurationLayout() = 0;
  virtual void SetCommunicationLayout() = 0;
  // Checks the communication-state radio button (true) or the configuration-state one.
  virtual void SetCommStateSelected(bool comm) = 0;
  // Single controls the flows switch by identifier (1000, 1001, 1002, 1009, 1032).
  virtual void EnableControl(int id, bool enable) = 0;
  virtual void ShowMessage(const QString &text, const QString &caption) = 0;
  // A yes/no question; true for yes. Headless hosts answer without asking.
  virtual bool AskYesNo(const QString &text, const QString &caption) = 0;
  // The start-up prompt timer (identifier 100): starts or restarts with the period, or stops.
  virtual void StartPromptTimer(int periodMs) = 0;
  virtual void StopPromptTimer() = 0;
  // From now on calls from other threads are dropped and a caller waiting in
  // one is released (the program is closing). The engine closes this gate
  // itself when it shuts down, after it has stopped writing to the device.
  virtual void ShutdownCalls() = 0;
  // Progress of a long operation besides the log: done of total steps; total 0
  // ends the display. Optional: a front end without one ignores it.
  virtual void ShowProgress(int done, int total) {
    (void)done;
    (void)total;
  }
  // Shown before a save writes anything: the parameters it will write. True
  // writes them, false writes nothing. Headless hosts write without asking.
  virtual bool ConfirmWrites(const QList<WriteRow> &rows) {
    (void)rows;
    return true;
  }
};
