#pragma once
// Pairs each command with the reply it awaits. Received bytes arrive on the
// window thread (OnSerialReceive); in configuration state they roll into a
// 4096-character text tested against the pending reply's marker, in
// communication state they go to the display. Workers run exchanges: set the
// code, empty the text, reset the event, write, wait.
#include "base/Event.h"

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

class CSerial;

enum EReplyCode : std::int8_t {
  REPLY_NONE = -1,
  REPLY_MENU = 0,
  REPLY_OK = 1,
  REPLY_OK_PROBE = 2,
  REPLY_SETTINGS = 3,
  REPLY_IPR = 4,
  REPLY_MODE = 5,
  REPLY_ACTI = 6,
  REPLY_CPIN = 7,
  REPLY_CSQ = 8,
  REPLY_OK_SET = 9,
  REPLY_RESTART = 10,
};

constexpr int RX_TEXT_SIZE = 4096;
// Communication state: the most bytes taken from the port per notification.
constexpr int COMM_READ_MAX = 1 << 20;
constexpr int INFINITE_WAIT = -1;

// True when text holds what the reply code waits for. Codes outside 0..10 never complete.
bool ReplyComplete(int code, const char *text, int len);

// Received bytes as the log shows them in communication state. A zero byte
// shows as a space (the text is never cut at it).
QByteArray ReceivedAsText(const char *data, int n);
// Two lowercase hex digits per byte, one space between bytes, none trailing
// (one leading when asked: the separator from an earlier chunk).
QByteArray ReceivedAsHex(const char *data, int n, bool leadingSpace = false);

// How one exchange ended. Only Answered means the device did what was asked.
enum class EOutcome : std::uint8_t {
  Answered, // the reply's completion rule held
  TimedOut, // the command went out; no complete reply within the wait
  Stopped,  // a stop (port closed, other state chosen, device lost, closing) ended it
  NotSent,  // the command could not be written (port closed, write failed)
  Busy,     // another exchange held the engine for the whole wait; nothing written
};

struct CExchangeResult {
  EOutcome outcome = EOutcome::NotSent;
  QByteArray text; // the rolling text when the wait ended
  bool Answered() const { return outcome == EOutcome::Answered; }
};

class CReplyEngine {
public:
  explicit CReplyEngine(CSerial &serial);

  // --- window thread ---
  // The receive handler: call it when the port announces bytes.
  void OnSerialReceive();
  // Communication-state display: gets each chunk already formatted (text bytes or hex).
  std::function<void(const QByteArray &formatted, bool hex)> m_onDisplay;
  // Runs when bytes arrive in configuration state with no exchange pending.
  std::function<void()> m_onPromptWatch;

  // --- any thread ---
  void SetCommMode(bool communication);
  bool CommMode() const { return m_commMode.load(); }
  void SetHexDisplay(bool hex) { m_bHexDisplay.store(hex); }
  bool HexDisplay() const { return m_bHexDisplay.load(); }

  // The exchange: the whole sequence holds the engine, so exchanges from
  // different threads never share the pending reply. send writes the command
  // and says whether it went out. The engine is waited for at most timeoutMs
  // as well (Busy when another exchange keeps it). abort, when given, is
  // polled while waiting and ends the exchange as Stopped. Whatever the
  // outcome, no reply is pending afterwards.
  CExchangeResult Exchange(EReplyCode code, const std::function<bool()> &send, int timeoutMs,
                           const std::function<bool()> &abort = {});
  // The start of a configuration-state run: waits, without end until abort,
  // for the device's menu. Unlike an exchange it keeps the rolling text: the
  // menu may arrive before this thread gets here (the run's starter empties
  // the text when it starts the run), and it must not be lost.
  CExchangeResult WaitForMenu(const std::function<bool()> &abort);

  // Stops a configuration-state run or a waiting worker: no reply pending,
  // stop flag set, the event signalled; a pending exchange ends Stopped.
  void StopRun();
  bool StopRequested() const { return m_stopConfigRun.load(); }
  void ClearStop() { m_stopConfigRun.store(false); }
  // Counts every StopRun: an operation that saw another count than at its
  // start was stopped, also between two of its exchanges.
  unsigned StopCount() const { return m_stopCount.load(); }

  int ReplyCode() const { return m_replyCode.load(); }
  void SetReplyCode(int code) { m_replyCode.store(static_cast<std::int8_t>(code)); }
  QByteArray RxText() const;
  void ClearRxText();
  // Appends to the rolling text (normally done by the receive handler).
  void AppendRx(const char *data, int n);
  CEvent &ReplyEvent() { return m_hReplyEvent; }

private:
  void ReceiveData(); // communication state
  // The reply awaited under code is complete: settle the exchange and wake its worker.
  void Complete(int code);
  // Settles the pending exchange with outcome unless it is settled already;
  // returns the outcome it has now.
  EOutcome Settle(EOutcome outcome);

  CSerial &m_serial;
  std::atomic<bool> m_commMode{false};
  std::atomic<bool> m_bHexDisplay{false};
  std::atomic<std::int8_t> m_replyCode{REPLY_NONE};
  std::atomic<bool> m_stopConfigRun{false};
  std::atomic<unsigned> m_stopCount{0};
  // The pending exchange's outcome; OUTCOME_PENDING while it waits, OUTCOME_IDLE between exchanges.
  static constexpr std::uint8_t OUTCOME_PENDING = 0xFE;
  static constexpr std::uint8_t OUTCOME_IDLE = 0xFF;
  std::atomic<std::uint8_t> m_outcome{OUTCOME_IDLE};
  std::atomic<bool> m_hexNeedsSeparator{false};
  CEvent m_hReplyEvent;
  // The engine is held for a whole exchange. A flag under a mutex rather than
  // a timed mutex: the wait for it polls the abort, and ThreadSanitizer sees
  // condition-variable waits where it cannot see timed mutex locks.
  CExchangeResult Run(EReplyCode code, const std::function<bool()> &send, int timeoutMs,
                      const std::function<bool()> &abort, bool keepText);
  bool AcquireEngine(int waitMs, bool unbounded, const std::function<bool()> &stopped, bool &wasStopped);
  void ReleaseEngine();
  std::mutex m_engineMutex;
  std::condition_variable m_engineFree;
  bool m_engineHeld = false;

  mutable std::mutex m_rxMutex;
  char m_rxText[RX_TEXT_SIZE + 1] = {};
  int m_rxLen = 0;
};
