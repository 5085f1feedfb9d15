#pragma once
// Every byte a port sent and received in this session, timestamped, for
// support cases. Records come from any thread (the I/O thread's reads, the
// writers' writes); the oldest go first once the bytes held pass the bound,
// and the text says how many went.
//
// Text form, one record per chunk as it crossed the line:
//   2026-12-10 14:03:05.123 TX 3
//     0000  41 54 0D                                          AT.
// time (local, ms), TX sent to the device / RX received from it, byte count;
// then 16 bytes a line: offset, hex, the bytes as text ('.' outside 0x20-0x7E).
// Events of the port are lines starting "-- " (opened, closed, lost).
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <deque>
#include <mutex>

class CTranscript {
public:
  enum class EDir { Tx, Rx, Event };
  static constexpr qsizetype DEFAULT_LIMIT = 4 * 1024 * 1024;

  explicit CTranscript(qsizetype limit = DEFAULT_LIMIT) : m_limit(limit) {}

  void Record(EDir dir, const char *data, qsizetype length);
  void Event(const QString &text);
  void Clear();
  // The whole transcript in its text form, UTF-8.
  QByteArray Utf8() const;
  qsizetype BytesHeld() const;

  // One record's text (also used by tests to check the form).
  static QString Format(const QDateTime &when, EDir dir, const QByteArray &bytes);

private:
  struct Entry {
    qint64 msecs;
    EDir dir;
    QByteArray bytes;
  };
  mutable std::mutex m_mutex;
  std::deque<Entry> m_entries;
  qsizetype m_held = 0;
  qsizetype m_dropped = 0;
  qint64 m_started = QDateTime::currentMSecsSinceEpoch();
  qsizetype m_limit;
};
