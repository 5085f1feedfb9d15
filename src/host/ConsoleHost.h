#pragma once
// A front end without widgets: the log goes to a COutputLog (and, when asked,
// to a stream as UTF-8), control states are remembered, message boxes become
// log lines, and the prompt timer is a QTimer. Like every host it accepts
// calls from any thread and carries them out on the thread that created it.
#include "host/DialogHost.h"
#include "host/OutputLog.h"
#include "base/ThreadExecutor.h"

#include <QTimer>

#include <cstdio>
#include <functional>
#include <map>
#include <mutex>

class CConsoleHost : public DialogHost {
public:
  explicit CConsoleHost(std::FILE *echo = nullptr);
  ~CConsoleHost() override;

  void AppendOutput(const QString &text) override;
  void EnableOperationButtons(bool enable) override;
  void EnableSaveToFile() override;
  void UpdatePortControls() override;
  void SetConfigurationLayout() override;
  void SetCommunicationLayout() override;
  void SetCommStateSelected(bool comm) override;
  void EnableControl(int id, bool enable) override;
  void ShowMessage(const QString &text, const QString &caption) override;
  bool AskYesNo(const QString &text, const QString &caption) override;
  void StartPromptTimer(int periodMs) override;
  void StopPromptTimer() override;

  // From now on calls from other threads are dropped (the program is closing).
  void ShutdownCalls() override { m_executor.Shutdown(); }

  COutputLog &Log() { return m_log; }
  bool IsEnabled(int id) const;
  bool OperationButtonsEnabled() const;
  bool ConfigLayout() const;
  bool CommStateSelected() const;
  bool PromptTimerActive() const { return m_promptTimer.isActive(); }
  int PromptTimerPeriod() const { return m_promptTimer.interval(); }
  QStringList Messages() const;

  std::function<void()> m_onPromptTimer;  // what a timer tick does
  std::function<void()> m_onPortControls; // UpdatePortControls hook
  bool m_answerYes = true;                // answer to every question

private:
  template <class F> void OnWindow(F fn) { m_executor.Call(fn); }

  CThreadExecutor m_executor;
  COutputLog m_log;
  std::FILE *m_echo;
  QTimer m_promptTimer;
  mutable std::mutex m_mutex; // guards the remembered states below
  std::map<int, bool> m_enabled;
  QStringList m_messages;
  bool m_operations = false;
  bool m_configLayout = true;
  bool m_commSelected = false;
};
