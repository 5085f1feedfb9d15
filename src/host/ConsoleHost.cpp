#include "host/ConsoleHost.h"

CConsoleHost::CConsoleHost(std::FILE *echo) : m_echo(echo) {
  QObject::connect(&m_promptTimer, &QTimer::timeout, [this] {
    if (m_onPromptTimer)
      m_onPromptTimer();
  });
}

CConsoleHost::~CConsoleHost() { m_executor.Shutdown(); }

void CConsoleHost::AppendOutput(const QString &text) {
  OnWindow([&] {
    m_log.Append(text);
    if (m_echo) {
      QByteArray utf8 = text.toUtf8();
      utf8.replace("\r\n", "\n");
      std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), m_echo);
      std::fflush(m_echo);
    }
  });
}

void CConsoleHost::EnableOperationButtons(bool enable) {
  OnWindow([&] {
    std::lock_guard lock(m_mutex);
    m_operations = enable;
    if (!enable)
      m_enabled[1032] = false;
  });
}

void CConsoleHost::EnableSaveToFile() { EnableControl(1032, true); }

void CConsoleHost::UpdatePortControls() {
  OnWindow([&] {
    if (m_onPortControls)
      m_onPortControls();
  });
}

void CConsoleHost::SetConfigurationLayout() {
  OnWindow([&] {
    std::lock_guard lock(m_mutex);
    m_configLayout = true;
  });
}

void CConsoleHost::SetCommunicationLayout() {
  OnWindow([&] {
    std::lock_guard lock(m_mutex);
    m_configLayout = false;
  });
}

void CConsoleHost::SetCommStateSelected(bool comm) {
  OnWindow([&] {
    std::lock_guard lock(m_mutex);
    m_commSelected = comm;
  });
}

void CConsoleHost::EnableControl(int id, bool enable) {
  OnWindow([&] {
    std::lock_guard lock(m_mutex);
    m_enabled[id] = enable;
  });
}

void CConsoleHost::ShowMessage(const QString &text, const QString &caption) {
  {
    std::lock_guard lock(m_mutex);
    m_messages << text;
  }
  AppendOutput((caption.isEmpty() ? text : caption + QStringLiteral(": ") + text) + QStringLiteral("\r\n"));
}

bool CConsoleHost::AskYesNo(const QString &text, const QString &caption) {
  ShowMessage(text, caption);
  return m_answerYes;
}

void CConsoleHost::StartPromptTimer(int periodMs) {
  OnWindow([&] { m_promptTimer.start(periodMs); });
}

void CConsoleHost::StopPromptTimer() {
  OnWindow([&] { m_promptTimer.stop(); });
}

bool CConsoleHost::IsEnabled(int id) const {
  std::lock_guard lock(m_mutex);
  const auto it = m_enabled.find(id);
  return it != m_enabled.end() && it->second;
}

bool CConsoleHost::OperationButtonsEnabled() const {
  std::lock_guard lock(m_mutex);
  return m_operations;
}

bool CConsoleHost::ConfigLayout() const {
  std::lock_guard lock(m_mutex);
  return m_configLayout;
}

bool CConsoleHost::CommStateSelected() const {
  std::lock_guard lock(m_mutex);
  return m_commSelected;
}

QStringList CConsoleHost::Messages() const {
  std::lock_guard lock(m_mutex);
  return m_messages;
}
