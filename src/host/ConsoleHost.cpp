#include "host/ConsoleHost.h"

CConsoleHost::CConsoleHost(std::FILE *echo) : m_echo(echo) {
  QObject::connect(&m_promptTimer, &QTimer::timeout, [this] {
    if (m_onPromptTimer)
      m_onPromptTimer();
  });
}

void CConsoleHost::AppendOutput(const QString &text) {
  m_log.Append(text);
  if (m_echo) {
    QByteArray utf8 = text.toUtf8();
    utf8.replace("\r\n", "\n");
    std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), m_echo);
    std::fflush(m_echo);
  }
}

void CConsoleHost::EnableOperationButtons(bool enable) { m_operations = enable; }

void CConsoleHost::EnableSaveToFile() { m_enabled[1032] = true; }

void CConsoleHost::UpdatePortControls() {
  if (m_onPortControls)
    m_onPortControls();
}

void CConsoleHost::ShowMessage(const QString &text, const QString &caption) {
  AppendOutput((caption.isEmpty() ? text : caption + QStringLiteral(": ") + text) + QStringLiteral("\r\n"));
}

bool CConsoleHost::AskYesNo(const QString &text, const QString &caption) {
  ShowMessage(text, caption);
  return m_answerYes;
}

void CConsoleHost::StartPromptTimer(int periodMs) { m_promptTimer.start(periodMs); }

bool CConsoleHost::IsEnabled(int id) const {
  const auto it = m_enabled.find(id);
  return it != m_enabled.end() && it->second;
}
