#pragma once
// The output log's text: appended from any thread as one step, bounded so the
// window never freezes (the oldest whole lines go once the bound is passed).
#include <QByteArray>
#include <QString>

#include <mutex>

class COutputLog {
public:
  // At least this many of the newest characters are always kept.
  static constexpr qsizetype DEFAULT_LIMIT = 1 << 20;

  explicit COutputLog(qsizetype limit = DEFAULT_LIMIT);

  // Appends text; returns how many characters were dropped from the front, so a
  // view holding the same text can drop the same amount.
  qsizetype Append(const QString &text);
  void Clear();
  QString Text() const;
  qsizetype Size() const;
  qsizetype Limit() const { return m_limit; }

private:
  mutable std::mutex m_mutex;
  QString m_text;
  qsizetype m_limit;
};

// The bytes of a saved log: GBK, every LF written as CR LF.
QByteArray LogFileBytes(const QString &text);
// Writes the log file atomically (temporary file beside it, then rename).
// False with a reason when it could not be written; an old file is then left intact.
bool SaveLogFile(const QString &path, const QString &text, QString *error = nullptr);
