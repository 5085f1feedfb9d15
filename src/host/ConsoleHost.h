#pragma once
// A front end without widgets: the log goes to a COutputLog (and, when asked,
// to a stream as UTF-8), control states are remembered, message boxes become
// log lines, and the prompt timer is a QTimer on the window thread.
#include "host/DialogHost.h"
#include "host/OutputLog.h"

#include <QTimer>

#include <cstdio>
#include <functional>
#include <map>

class CConsoleHost : public DialogHost {
public:
  explicit CConsoleHost(std::FILE *echo = nullptr);

  void AppendOutput(const QString &text) override;
  void EnableOperationButtons(bool enable) override;
  void EnableSaveToFile() override;
  void UpdatePortControls() override;
  void SetConfigurationLayout() override { m_configLayout = true; }
  void SetCommunicationLayout() override { m_configLayout = false; }
  void EnableControl(int id, bool enable) override { m_enabled[id] = enable; }
  void ShowMessage(const QString &text, const QString &caption) override;
  bool AskYesNo(const QString &text, const QString &caption) override;
  void StartPromptTimer(int periodMs) override;
  void StopPromptTimer() override { m_promptTimer.stop(); }

  COutputLog &Log() { return m_log; }
  bool IsEnabled(int id) const;
  bool OperationButtonsEnabled() const { return m_operations; }
  bool ConfigLayout() const { return m_configLayout; }
  bool PromptTimerActive() const { return m_promptTimer.isActive(); }
  int PromptTimerPeriod() const { return m_promptTimer.interval(); }

  std::function<void()> m_onPromptTimer;  // what a timer tick does
  std::function<void()> m_onPortControls; // UpdatePortControls hook
  bool m_answerYes = true;                // answer to every question

private:
  COutputLog m_log;
  std::FILE *m_echo;
  QTimer m_promptTimer;
  std::map<int, bool> m_enabled;
  bool m_operations = false;
  bool m_configLayout = true;
};
