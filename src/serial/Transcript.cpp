#include "serial/Transcript.h"

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

QString CTranscript::Format(const QDateTime &when, EDir dir, const QByteArray &bytes) {
  const QString stamp = when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
  if (dir == EDir::Event)
    return QStringLiteral("%1 -- %2\n").arg(stamp, QString::fromUtf8(bytes));
  QString out = QStringLiteral("%1 %2 %3\n")
                    .arg(stamp, dir == EDir::Tx ? QStringLiteral("TX") : QStringLiteral("RX"))
                    .arg(bytes.size());
  static const char HEX[] = "0123456789ABCDEF";
  for (qsizetype at = 0; at < bytes.size(); at += 16) {
    QString line = QStringLiteral("  %1  ").arg(at, 4, 16, QLatin1Char('0')).toUpper();
    QString text;
    for (qsizetype i = at; i < at + 16; ++i) {
      if (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        line += QLatin1Char(HEX[b >> 4]);
        line += QLatin1Char(HEX[b & 15]);
        line += QLatin1Char(' ');
        text += (b >= 0x20 && b <= 0x7E) ? QLatin1Char(static_cast<char>(b)) : QLatin1Char('.');
      } else {
        line += QStringLiteral("   ");
      }
    }
    out += line + QLatin1Char(' ') + text + QLatin1Char('\n');
  }
  return out;
}

QString CTranscript::Text() const {
  std::lock_guard lock(m_mutex);
  QString out = QStringLiteral("# Strelvane session transcript, started %1\n"
                               "# TX: sent to the device, RX: received from it; 16 bytes a line: offset, hex, text\n")
                    .arg(QDateTime::fromMSecsSinceEpoch(m_started).toString(Qt::ISODateWithMs));
  if (m_dropped > 0)
    out += QStringLiteral("# %1 earlier bytes are not kept (the transcript holds the last %2 bytes)\n")
               .arg(m_dropped)
               .arg(m_limit);
  for (const Entry &e : m_entries)
    out += Format(QDateTime::fromMSecsSinceEpoch(e.msecs), e.dir, e.bytes);
  return out;
}
