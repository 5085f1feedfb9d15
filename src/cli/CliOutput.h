#pragma once
// How monitor puts received text on stdout: CR LF becomes LF across reads, and
// the output goes out in few large writes.
#include "cli/CliCommands.h"

#include <QByteArray>
#include <QString>
#include <QTimer>

namespace cli {
// True when no byte has its high bit set; eight bytes at a time.
bool IsAscii(const QByteArray &bytes);
} // namespace cli

// CR LF of the received text becomes LF on stdout, also when a read ends between the two.
class CLineEndFilter {
public:
  QString Filter(const QString &in);
  // The same for text known to be ASCII, without a detour through UTF-16:
  // appended to out in one pass, CR LF becoming LF.
  void FilterAsciiInto(const char *data, qsizetype n, QByteArray &out);
  // A CR held back at the end of the last read.
  QString Flush();

private:
  bool m_pendingCr = false;
};

// What monitor prints, gathered into few large writes: a write per received
// chunk costs a system call and a wake-up of the reader each, and a terminal
// reading the output spends its time on those instead of on the bytes.
class COutputBatch {
public:
  static constexpr int FLUSH_MS = 5;                // the longest an output byte waits
  static constexpr qsizetype FLUSH_BYTES = 1 << 18; // written at once from this size on

  explicit COutputBatch(CCliContext &ctx);
  ~COutputBatch() { Flush(); }
  COutputBatch(const COutputBatch &) = delete;
  COutputBatch &operator=(const COutputBatch &) = delete;

  void Add(const QByteArray &bytes) {
    m_pending += bytes;
    Added();
  }
  // Appending in place: write into Buffer(), then call Added().
  QByteArray &Buffer() { return m_pending; }
  void Added();
  void Flush();

private:
  CCliContext &m_ctx;
  QTimer m_timer;
  QByteArray m_pending;
};
