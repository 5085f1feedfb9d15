#include "device/ReplyEngine.h"

#include "base/Timing.h"
#include "serial/Serial.h"

#include <algorithm>
#include <chrono>

#include <cstring>
#include <string_view>

namespace {
bool Has(std::string_view text, const char *marker) { return text.find(marker) != std::string_view::npos; }
} // namespace

bool ReplyComplete(int code, const char *text, int len) {
  const std::string_view t(text, static_cast<size_t>(len < 0 ? 0 : len));
  switch (code) {
  case REPLY_MENU:
    return Has(t, "AT+LIST");
  case REPLY_OK:
  case REPLY_OK_PROBE:
  case REPLY_OK_SET:
    return Has(t, "OK");
  case REPLY_SETTINGS:
    return Has(t, "Access Point Name:") && Has(t, "OK\r\n") && len > 2000;
  case REPLY_IPR:
    return Has(t, "+IPR:") && Has(t, "OK");
  case REPLY_MODE:
    return Has(t, "+MODE:") && Has(t, "OK");
  case REPLY_ACTI:
    return Has(t, "+ACTI:") && Has(t, "OK");
  case REPLY_CPIN:
    return Has(t, "+CPIN:") && Has(t, "OK");
  case REPLY_CSQ:
    return Has(t, "+CSQ:") && Has(t, "OK");
  case REPLY_RESTART:
    return Has(t, "configure program.");
  default:
    return false;
  }
}

QByteArray ReceivedAsText(const char *data, int n) {
  QByteArray out(data, n);
  out.replace('\0', ' ');
  return out;
}

QByteArray ReceivedAsHex(const char *data, int n, bool leadingSpace) {
  static const char DIGITS[] = "0123456789abcdef";
  if (n <= 0)
    return {};
  QByteArray out(3 * static_cast<qsizetype>(n) - (leadingSpace ? 0 : 1), ' ');
  char *p = out.data() + (leadingSpace ? 1 : 0);
  for (int i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(data[i]);
    p[3 * i] = DIGITS[b >> 4];
    p[3 * i + 1] = DIGITS[b & 0x0F];
  }
  return out;
}

CReplyEngine::CReplyEngine(CSerial &serial) : m_serial(serial) {}

void CReplyEngine::SetCommMode(bool communication) {
  m_commMode.store(communication);
  m_hexNeedsSeparator.store(false);
}

void CReplyEngine::OnSerialReceive() {
  if (!m_serial.IsOpen())
    return;
  if (m_commMode.load()) {
    ReceiveData();
    return;
  }
  char buf[RX_TEXT_SIZE + 1];
  const int n = m_serial.Read(buf, RX_TEXT_SIZE, 20);
  AppendRx(buf, n > 0 ? n : 0);
  const int code = m_replyCode.load();
  if (code >= REPLY_MENU && code <= REPLY_RESTART) {
    bool done;
    {
      std::lock_guard lock(m_rxMutex);
      done = ReplyComplete(code, m_rxText, m_rxLen);
    }
    if (done)
      Complete(code);
    return;
  }
  if (m_onPromptWatch)
    m_onPromptWatch();
}

void CReplyEngine::ReceiveData() {
  // Everything queued (up to a bound) is taken at once: one display call per
  // notification instead of one per 4 KiB keeps a fast line from flooding the window thread.
  const qsizetype queued = std::min<qsizetype>(m_serial.BytesQueued(), COMM_READ_MAX);
  if (queued <= 0)
    return;
  const bool hex = m_bHexDisplay.load();
  // Successive hex chunks are separated so values never run together.
  const bool separator = hex && m_hexNeedsSeparator.exchange(true);
  if (!hex)
    m_hexNeedsSeparator.store(false);
  QByteArray raw(queued, Qt::Uninitialized);
  const int n = m_serial.Read(raw.data(), static_cast<int>(queued), 0);
  if (n <= 0) {
    m_hexNeedsSeparator.store(separator);
    return;
  }
  raw.truncate(n);
  // A restart wait ends as soon as the restart text arrives, though the bytes
  // are shown as communication-state data as well. The rolling text is fed in
  // its own size so a marker inside a large read is never skipped.
  if (m_replyCode.load() == REPLY_RESTART) {
    for (int at = 0; at < n && m_replyCode.load() == REPLY_RESTART; at += RX_TEXT_SIZE) {
      AppendRx(raw.constData() + at, std::min(RX_TEXT_SIZE, n - at));
      bool done;
      {
        std::lock_guard lock(m_rxMutex);
        done = ReplyComplete(REPLY_RESTART, m_rxText, m_rxLen);
      }
      if (done)
        Complete(REPLY_RESTART);
    }
  }
  if (!m_onDisplay)
    return;
  if (hex) {
    m_onDisplay(ReceivedAsHex(raw.constData(), n, separator), true);
  } else {
    // Zero bytes are rare in a data stream: look before rewriting.
    if (std::memchr(raw.constData(), 0, static_cast<size_t>(n)))
      raw.replace('\0', ' ');
    m_onDisplay(raw, false);
  }
}

void CReplyEngine::AppendRx(const char *data, int n) {
  std::lock_guard lock(m_rxMutex);
  if (n > RX_TEXT_SIZE) {
    data += n - RX_TEXT_SIZE;
    n = RX_TEXT_SIZE;
  }
  if (m_rxLen + n > RX_TEXT_SIZE) {
    const int keep = RX_TEXT_SIZE - n;
    std::memmove(m_rxText, m_rxText + (m_rxLen - keep), static_cast<size_t>(keep));
    m_rxLen = keep;
  }
  std::memcpy(m_rxText + m_rxLen, data, static_cast<size_t>(n));
  for (int i = m_rxLen; i < m_rxLen + n; ++i)
    if (m_rxText[i] == '\0')
      m_rxText[i] = ' ';
  m_rxLen += n;
  m_rxText[m_rxLen] = '\0';
}

QByteArray CReplyEngine::RxText() const {
  std::lock_guard lock(m_rxMutex);
  return QByteArray(m_rxText, m_rxLen);
}

void CReplyEngine::ClearRxText() {
  std::lock_guard lock(m_rxMutex);
  m_rxLen = 0;
  m_rxText[0] = '\0';
}

EOutcome CReplyEngine::Settle(EOutcome outcome) {
  std::uint8_t expected = OUTCOME_PENDING;
  if (m_outcome.compare_exchange_strong(expected, static_cast<std::uint8_t>(outcome)))
    return outcome;
  return static_cast<EOutcome>(expected);
}

void CReplyEngine::Complete(int code) {
  // Only the exchange whose rule was tested: one that ended meanwhile has
  // put REPLY_NONE back, and a later one with another code is not touched.
  auto expected = static_cast<std::int8_t>(code);
  if (!m_replyCode.compare_exchange_strong(expected, REPLY_NONE))
    return;
  Settle(EOutcome::Answered);
  m_hReplyEvent.Set();
}

CExchangeResult CReplyEngine::Exchange(EReplyCode code, const std::function<bool()> &send, int timeoutMs,
                                       const std::function<bool()> &abort) {
  return Run(code, send, timeoutMs, abort, false);
}

CExchangeResult CReplyEngine::WaitForMenu(const std::function<bool()> &abort) {
  return Run(
      REPLY_MENU, [] { return true; }, INFINITE_WAIT, abort, true);
}

CExchangeResult CReplyEngine::Run(EReplyCode code, const std::function<bool()> &send, int timeoutMs,
                                  const std::function<bool()> &abort, bool keepText) {
  using Clock = std::chrono::steady_clock;
  constexpr int SLICE_MS = 50; // how soon a stop or a shutdown is noticed
  const bool unbounded = timeoutMs < 0;
  const int waitMs = unbounded ? 0 : CTiming::Ms(timeoutMs);
  auto stopped = [&] { return abort && abort(); };

  // The engine first, for no longer than the exchange itself would wait.
  bool wasStopped = false;
  if (!AcquireEngine(waitMs, unbounded, stopped, wasStopped))
    return {wasStopped ? EOutcome::Stopped : EOutcome::Busy, {}};
  struct Release {
    CReplyEngine *engine;
    ~Release() { engine->ReleaseEngine(); }
  } release{this};
  if (stopped())
    return {EOutcome::Stopped, {}};

  // A stop that comes between here and the wait must not be lost: it either
  // finds the exchange pending, or it is seen by the count taken before.
  // The code is set last: from then on the receive handler may complete the
  // exchange, and nothing after it may undo that (a reset of the event, an
  // emptied text).
  const unsigned stopsBefore = m_stopCount.load();
  m_hReplyEvent.Reset();
  if (!keepText)
    ClearRxText();
  m_outcome.store(OUTCOME_PENDING);
  m_replyCode.store(code);
  if (keepText) {
    // What arrived before the code was set was only watched for a prompt: test it now.
    bool done;
    {
      std::lock_guard lock(m_rxMutex);
      done = ReplyComplete(code, m_rxText, m_rxLen);
    }
    if (done)
      Complete(code);
  }
  EOutcome outcome = EOutcome::Stopped;
  if (m_stopCount.load() != stopsBefore) {
    outcome = Settle(EOutcome::Stopped);
  } else if (!send()) {
    outcome = Settle(EOutcome::NotSent);
  } else {
    const auto end = Clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
      int slice = SLICE_MS;
      if (!unbounded) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) {
          outcome = Settle(EOutcome::TimedOut);
          break;
        }
        slice = static_cast<int>(std::min<long long>(left, slice));
      }
      if (m_hReplyEvent.WaitRaw(slice)) {
        outcome = Settle(EOutcome::Stopped); // the settled outcome (answered or stopped)
        break;
      }
      if (stopped()) {
        outcome = Settle(EOutcome::Stopped);
        break;
      }
    }
  }
  // Whatever happened, no reply is pending any more: the prompt watch runs again.
  m_replyCode.store(REPLY_NONE);
  m_outcome.store(OUTCOME_IDLE);
  return {outcome, RxText()};
}

bool CReplyEngine::AcquireEngine(int waitMs, bool unbounded, const std::function<bool()> &stopped, bool &wasStopped) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::milliseconds(waitMs);
  std::unique_lock lock(m_engineMutex);
  for (;;) {
    if (m_engineFree.wait_for(lock, std::chrono::milliseconds(50), [this] { return !m_engineHeld; })) {
      m_engineHeld = true;
      return true;
    }
    lock.unlock();
    wasStopped = stopped();
    lock.lock();
    if (wasStopped || (!unbounded && Clock::now() >= end))
      return false;
  }
}

void CReplyEngine::ReleaseEngine() {
  {
    std::lock_guard lock(m_engineMutex);
    m_engineHeld = false;
  }
  m_engineFree.notify_one();
}

void CReplyEngine::StopRun() {
  m_replyCode.store(REPLY_NONE);
  m_stopConfigRun.store(true);
  m_stopCount.fetch_add(1);
  Settle(EOutcome::Stopped);
  m_hReplyEvent.Set();
}
