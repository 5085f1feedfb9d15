#pragma once
// The terminal of communication state, apart from its widgets: what one send
// writes for a send text and its options, the hex-send toggling of the send
// text, the timed-send period, and a writer that puts the terminal's bytes on
// the line without holding up the window thread.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class CSerial;

constexpr int TIMER_TIMED_SEND = 101;
constexpr int TIMED_SEND_MIN_MS = 10;

namespace terminal {

// One send of a plain text: its bytes up to a zero byte, then CR when addCr. No LF is ever added.
QByteArray TextSendBytes(QByteArrayView text, bool addCr);
// One send of a hex text ("41 42", "0x41", "1 2 a"): its bytes, then CR when
// addCr. Nothing when the text holds a character no number can contain.
std::optional<QByteArray> HexSendBytes(QByteArrayView hexText, bool addCr);
// The send edit's text as it goes out: GBK for plain text, read as numbers in hex mode.
std::optional<QByteArray> SendBytes(const QString &text, bool hex, bool addCr);

// Characters typed into the terminal as the bytes they stand for (GBK).
QByteArray TypedBytes(const QString &typed);

// The timed-send period for the interval text: its decimal prefix in
// milliseconds (no digits give 0), never below TIMED_SEND_MIN_MS.
int TimedSendInterval(const QString &text);

// The send text after the hex-send box changed to toHex: the text in hex
// form, or a hex text back as plain text. Nothing when a text to be read as
// hex holds anything but hex digits and spaces: the text stays as it is.
std::optional<QString> ToggleHexSend(const QString &text, bool toHex);

} // namespace terminal

// Writes the terminal's bytes on a thread of its own, in the order they were
// handed over. A write waits until the bytes are on the line, which at a low
// baud rate takes seconds for a long text; the window thread only queues.
class CTerminalWriter {
public:
  // Bytes queued beyond this are dropped: a user cannot outrun the line forever.
  static constexpr std::size_t MAX_PENDING = 1 << 20;

  explicit CTerminalWriter(CSerial &serial);
  ~CTerminalWriter();
  CTerminalWriter(const CTerminalWriter &) = delete;
  CTerminalWriter &operator=(const CTerminalWriter &) = delete;

  // Queues bytes and returns at once. False (dropped) when the port is closed,
  // after Shutdown, or when the queue is full.
  bool Send(const QByteArray &bytes);
  // Queues only when nothing is waiting or being written: a timed send whose
  // previous tick is still going out skips this one.
  bool SendIfIdle(const QByteArray &bytes);
  // Bytes queued or being written.
  std::size_t Pending() const;
  // Waits until everything queued has been written; false on time-out.
  bool WaitIdle(int timeoutMs);
  // Drops what is queued and ends the thread after the piece being written.
  void Shutdown();

private:
  bool Queue(const QByteArray &bytes, bool onlyWhenIdle);
  void Run();
  // Bytes per write: about 100 ms of line time, so a shutdown never waits long.
  int PieceSize() const;

  CSerial &m_serial;
  mutable std::mutex m_mutex; // guards everything below
  std::condition_variable m_wake;
  std::deque<std::string> m_queue;
  std::size_t m_pending = 0;
  bool m_stop = false;
  std::thread m_thread;
};
