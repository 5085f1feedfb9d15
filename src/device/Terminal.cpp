#include "device/Terminal.h"

#include "serial/Serial.h"
#include "text/Gbk.h"
#include "text/HexText.h"

#include <algorithm>
#include <chrono>
#include <climits>

namespace terminal {

QByteArray TextSendBytes(QByteArrayView text, bool addCr) {
  const qsizetype zero = text.indexOf('\0');
  QByteArray bytes = (zero >= 0 ? text.first(zero) : text).toByteArray();
  if (addCr)
    bytes.append('\r');
  return bytes;
}

std::optional<QByteArray> HexSendBytes(QByteArrayView hexText, bool addCr) {
  std::optional<QByteArray> bytes = text::ParseHexText(hexText);
  if (bytes && addCr)
    bytes->append('\r');
  return bytes;
}

std::optional<QByteArray> SendBytes(const QString &text, bool hex, bool addCr) {
  const QByteArray bytes = text::ToGbk(text);
  if (hex)
    return HexSendBytes(bytes, addCr);
  return TextSendBytes(bytes, addCr);
}

QByteArray TypedBytes(const QString &typed) { return text::ToGbk(typed); }

int TimedSendInterval(const QString &text) {
  // Leading white space, a sign, then digits, as the C library reads a decimal number.
  qsizetype i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
    negative = text[i++] == u'-';
  long long value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i].unicode() - u'0');
    if (value > INT_MAX)
      value = INT_MAX; // a longer number is still a very long period
  }
  if (negative)
    value = -value;
  return static_cast<int>(std::max<long long>(value, TIMED_SEND_MIN_MS));
}

std::optional<QString> ToggleHexSend(const QString &text, bool toHex) {
  const QByteArray bytes = text::ToGbk(text);
  if (toHex)
    return QString::fromLatin1(text::TextToHexText(bytes));
  if (!text::IsHexText(bytes))
    return std::nullopt;
  // Only hex digits and spaces: every character is part of a number.
  return text::FromGbk(text::HexTextToText(bytes).value_or(QByteArray()));
}

} // namespace terminal

CTerminalWriter::CTerminalWriter(CSerial &serial) : m_serial(serial), m_thread([this] { Run(); }) {}

CTerminalWriter::~CTerminalWriter() {
  Shutdown();
  m_thread.join();
}

bool CTerminalWriter::Send(const QByteArray &bytes) { return Queue(bytes, false); }

bool CTerminalWriter::SendIfIdle(const QByteArray &bytes) { return Queue(bytes, true); }

bool CTerminalWriter::Queue(const QByteArray &bytes, bool onlyWhenIdle) {
  // With the port closed a send does nothing, as a write to a closed port does.
  if (bytes.isEmpty() || !m_serial.IsOpen())
    return false;
  const auto size = static_cast<std::size_t>(bytes.size());
  {
    std::lock_guard lock(m_mutex);
    if (m_stop || (onlyWhenIdle && m_pending > 0) || m_pending + size > MAX_PENDING)
      return false;
    m_queue.emplace_back(bytes.constData(), size);
    m_pending += size;
  }
  m_wake.notify_all();
  return true;
}

std::size_t CTerminalWriter::Pending() const {
  std::lock_guard lock(m_mutex);
  return m_pending;
}

bool CTerminalWriter::WaitIdle(int timeoutMs) {
  std::unique_lock lock(m_mutex);
  return m_wake.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_pending == 0; });
}

void CTerminalWriter::Shutdown() {
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_all();
}

int CTerminalWriter::PieceSize() const {
  // About ten bits per byte on the line: baud / 100 bytes take 100 ms.
  const int baud = m_serial.State().baud;
  return std::clamp(baud / 100, 16, 4096);
}

void CTerminalWriter::Run() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
    if (m_stop)
      break;
    std::string bytes = std::move(m_queue.front());
    m_queue.pop_front();
    lock.unlock();
    const auto pieceMax = static_cast<std::size_t>(PieceSize());
    std::size_t done = 0;
    bool stop = false;
    while (done < bytes.size() && !stop) {
      const std::size_t piece = std::min(bytes.size() - done, pieceMax);
      // A failed or closed port loses the data, as the terminal's writes always have.
      m_serial.Write(bytes.data() + done, static_cast<int>(piece));
      done += piece;
      std::lock_guard pieceLock(m_mutex);
      m_pending -= piece;
      stop = m_stop;
    }
    lock.lock();
    m_pending -= bytes.size() - done;
    m_wake.notify_all();
  }
  m_queue.clear();
  m_pending = 0;
  m_wake.notify_all();
}
