#include "cli/CliOutput.h"

#include <cstdint>
#include <cstring>

namespace cli {

bool IsAscii(const QByteArray &bytes) {
  const char *p = bytes.constData();
  const char *end = p + bytes.size();
  for (; end - p >= 8; p += 8) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if (word & 0x8080808080808080ULL)
      return false;
  }
  for (; p < end; ++p)
    if (*p & 0x80)
      return false;
  return true;
}

} // namespace cli

QString CLineEndFilter::Filter(const QString &in) {
  QString text = m_pendingCr ? QStringLiteral("\r") + in : in;
  m_pendingCr = text.endsWith(QLatin1Char('\r'));
  if (m_pendingCr)
    text.chop(1);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

void CLineEndFilter::FilterAsciiInto(const char *data, qsizetype n, QByteArray &out) {
  if (n <= 0)
    return;
  const qsizetype start = out.size();
  out.resize(start + n + 1);
  char *to = out.data() + start;
  if (m_pendingCr && data[0] != '\n')
    *to++ = '\r'; // a CR that was not the start of a line end
  m_pendingCr = false;
  // Copied a stretch between two CRs at a time: most received text has none.
  const char *p = data;
  const char *end = data + n;
  while (p < end) {
    const auto *cr = static_cast<const char *>(std::memchr(p, '\r', static_cast<size_t>(end - p)));
    const char *stop = cr ? cr : end;
    std::memcpy(to, p, static_cast<size_t>(stop - p));
    to += stop - p;
    if (!cr)
      break;
    if (cr + 1 == end) {
      m_pendingCr = true; // its LF may come with the next read
      break;
    }
    if (cr[1] != '\n')
      *to++ = '\r';
    p = cr + 1;
  }
  out.truncate(to - out.constData());
}

QString CLineEndFilter::Flush() {
  const bool cr = m_pendingCr;
  m_pendingCr = false;
  return cr ? QStringLiteral("\r") : QString();
}

COutputBatch::COutputBatch(CCliContext &ctx) : m_ctx(ctx) {
  m_timer.setSingleShot(true);
  m_timer.setInterval(FLUSH_MS);
  QObject::connect(&m_timer, &QTimer::timeout, [this] { Flush(); });
}

void COutputBatch::Added() {
  if (m_pending.size() >= FLUSH_BYTES)
    Flush();
  else if (!m_timer.isActive())
    m_timer.start();
}

void COutputBatch::Flush() {
  m_timer.stop();
  if (m_pending.isEmpty())
    return;
  m_ctx.OutAscii(m_pending);
  m_pending.resize(0); // keeps its capacity for the next batch
}
