#include "serial/Transcript.h"

#include <algorithm>
#include <cstring>
#include <iterator>

void CTranscript::Record(EDir dir, const char *data, qsizetype length) {
  if (length <= 0)
    return;
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  std::lock_guard lock(m_mutex);
  m_entries.push_back({now, dir, QByteArray(data, length)});
  m_held += length;
  // The oldest bytes go; the port's events (opened, closed, lost) stay.
  auto oldest = m_entries.begin();
  while (m_held > m_limit) {
    while (oldest != m_entries.end() && oldest->dir == EDir::Event)
      ++oldest;
    if (oldest == m_entries.end() || std::next(oldest) == m_entries.end())
      break; // the newest record always stays
    m_held -= oldest->bytes.size();
    m_dropped += oldest->bytes.size();
    oldest = m_entries.erase(oldest);
  }
}

void CTranscript::Event(const QString &text) {
  const QByteArray utf8 = text.toUtf8();
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  std::lock_guard lock(m_mutex);
  m_entries.push_back({now, EDir::Event, utf8});
}

void CTranscript::Clear() {
  std::lock_guard lock(m_mutex);
  m_entries.clear();
  m_held = 0;
  m_dropped = 0;
  m_started = QDateTime::currentMSecsSinceEpoch();
}

qsizetype CTranscript::BytesHeld() const {
  std::lock_guard lock(m_mutex);
  return m_held;
}

namespace {
// One record's text appended to out: ASCII but for an event's own words (UTF-8).
void AppendRecord(QByteArray &out, const QDateTime &when, CTranscript::EDir dir, const QByteArray &bytes) {
  out += when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1();
  if (dir == CTranscript::EDir::Event) {
    out += " -- ";
    out += bytes;
    out += '\n';
    return;
  }
  out += dir == CTranscript::EDir::Tx ? " TX " : " RX ";
  out += QByteArray::number(bytes.size());
  out += '\n';
  static const char HEX[] = "0123456789ABCDEF";
  // "  OOOO  " + 16 x "HH " + " " + 16 text + "\n"
  char line[8 + 48 + 1 + 16 + 1];
  for (qsizetype at = 0; at < bytes.size(); at += 16) {
    std::memset(line, ' ', sizeof line);
    for (int d = 0; d < 4; ++d)
      line[2 + d] = HEX[(at >> (12 - 4 * d)) & 15];
    const qsizetype n = std::min<qsizetype>(16, bytes.size() - at);
    for (qsizetype i = 0; i < n; ++i) {
      const auto b = static_cast<unsigned char>(bytes[at + i]);
      line[8 + 3 * i] = HEX[b >> 4];
      line[8 + 3 * i + 1] = HEX[b & 15];
      line[8 + 48 + 1 + i] = (b >= 0x20 && b <= 0x7E) ? static_cast<char>(b) : '.';
    }
    const qsizetype used = 8 + 48 + 1 + n;
    line[used] = '\n';
    out.append(line, used + 1);
  }
}
} // namespace

QString CTranscript::Format(const QDateTime &when, EDir dir, const QByteArray &bytes) {
  QByteArray out;
  AppendRecord(out, when, dir, bytes);
  return QString::fromUtf8(out);
}

QByteArray CTranscript::Utf8() const {
  // Taken under the lock, formatted outside it: the port's threads go on
  // recording meanwhile (the records' bytes are shared, not copied).
  std::deque<Entry> entries;
  qsizetype dropped = 0;
  qsizetype held = 0;
  qint64 started = 0;
  {
    std::lock_guard lock(m_mutex);
    entries = m_entries;
    dropped = m_dropped;
    held = m_held;
    started = m_started;
  }
  QByteArray out;
  out.reserve(held * 5 + static_cast<qsizetype>(entries.size()) * 40 + 256);
  out += QStringLiteral("# Strelvane session transcript, started %1\n"
                        "# TX: sent to the device, RX: received from it; 16 bytes a line: offset, hex, text\n")
             .arg(QDateTime::fromMSecsSinceEpoch(started).toString(Qt::ISODateWithMs))
             .toUtf8();
  if (dropped > 0)
    out += QStringLiteral("# %1 earlier bytes are not kept (the transcript holds the last %2 bytes)\n")
               .arg(dropped)
               .arg(m_limit)
               .toUtf8();
  for (const Entry &e : entries)
    AppendRecord(out, QDateTime::fromMSecsSinceEpoch(e.msecs), e.dir, e.bytes);
  return out;
}
