#include "host/OutputLog.h"

#include "base/AtomicFile.h"
#include "text/Gbk.h"

COutputLog::COutputLog(qsizetype limit) : m_limit(limit > 0 ? limit : DEFAULT_LIMIT) {}

qsizetype COutputLog::Append(const QString &text) {
  std::lock_guard lock(m_mutex);
  m_text += text;
  // Trim with some slack so a log at its bound is not moved on every append.
  const qsizetype slack = m_limit / 4;
  if (m_text.size() <= m_limit + slack)
    return 0;
  qsizetype cut = m_text.size() - m_limit;
  // Drop whole lines: cut after the first line end at or past the minimum cut,
  // unless that would keep less than the limit (then cut exactly).
  const qsizetype nl = m_text.lastIndexOf(QLatin1Char('\n'), cut - 1);
  if (nl >= 0 && nl + 1 >= cut - slack && nl + 1 <= cut)
    cut = nl + 1;
  m_text.remove(0, cut);
  return cut;
}

void COutputLog::Clear() {
  std::lock_guard lock(m_mutex);
  m_text.clear();
}

QString COutputLog::Text() const {
  std::lock_guard lock(m_mutex);
  return m_text;
}

qsizetype COutputLog::Size() const {
  std::lock_guard lock(m_mutex);
  return m_text.size();
}

QByteArray LogFileBytes(const QString &text) {
  QByteArray bytes = text::ToGbk(text);
  QByteArray out;
  out.reserve(bytes.size() + bytes.count('\n'));
  for (char c : bytes) {
    if (c == '\n')
      out.append('\r');
    out.append(c);
  }
  return out;
}

bool SaveLogFile(const QString &path, const QString &text, QString *error) {
  return WriteFileAtomically(path, LogFileBytes(text), error);
}
