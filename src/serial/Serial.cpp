#include "serial/Serial.h"
#include "serial/Transcript.h"

#include "base/ThreadExecutor.h"
#include "serial/PortLink.h"
#include "serial/PortUrl.h"

#include <QEventLoop>

#include <algorithm>
#include <condition_variable>
#include <cstring>

namespace {
// Received bytes kept for the window thread before the oldest are dropped;
// far above what one notification takes, so only a stalled reader loses data.
constexpr size_t RX_BUFFER_MAX = 64 << 20;
} // namespace

CSerial::CSerial() : m_notifier(std::make_unique<CThreadExecutor>()) {
  std::promise<void> ready;
  auto started = ready.get_future();
  m_ioThread = std::thread([this, &ready] { IoThreadMain(&ready); });
  started.wait();
}

CSerial::~CSerial() {
  Close();
  // No notification may run once the members are gone.
  m_notifier->Shutdown();
  m_io->Post([this] { m_ioLoop->quit(); });
  m_ioThread.join();
}

void CSerial::IoThreadMain(std::promise<void> *ready) {
  QEventLoop loop;
  CThreadExecutor io;
  m_io = &io;
  m_ioLoop = &loop;
  ready->set_value();
  loop.exec();
  io.RunPending(); // deletes of closed ports
  io.Shutdown();   // a late caller is released instead of waiting forever
  delete m_port;
  m_port = nullptr;
  delete m_opening; // still connecting when the object went
  m_opening = nullptr;
}

bool CSerial::RunOnIo(const std::function<void()> &fn) { return m_io->Call(fn); }

void CSerial::SetOwner(std::function<void()> onReceive, std::function<void(const QString &)> onLost) {
  std::lock_guard lock(m_mutex);
  m_onReceive = std::move(onReceive);
  m_onLost = std::move(onLost);
}

void CSerial::SetNetTimes(NetTimes times) {
  std::lock_guard lock(m_mutex);
  m_netTimes = times;
}

ELineIssue CSerial::TakeLineNotice() {
  std::lock_guard lock(m_mutex);
  return std::exchange(m_notice, ELineIssue::None);
}

OpenResult CSerial::Open(const QString &port, int baud, int byteSize, int parity, int stopBits,
                         const std::atomic<bool> *cancel) {
  if (port.isEmpty())
    return {EOpenError::Absent, {}};
  if (m_open.load())
    return {EOpenError::Busy, QStringLiteral("port already open")};
  NetTimes times;
  {
    std::lock_guard lock(m_mutex);
    times = m_netTimes;
  }
  const bool network = ParsePortUrl(port).IsNetwork();
  m_openCancel.store(cancel);
  auto cancelled = [cancel] { return cancel && cancel->load(); };
  // The link reports its result from the I/O thread's event loop (a network
  // port connects there): this thread waits for it, the I/O thread does not.
  struct Pending {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    OpenResult result{EOpenError::Other, QStringLiteral("serial I/O stopped")};
  };
  auto pending = std::make_shared<Pending>();
  auto end = [pending](const OpenResult &r) {
    {
      std::lock_guard lock(pending->mutex);
      pending->result = r;
      pending->done = true;
    }
    pending->ended.notify_all();
  };
  const bool started = RunOnIo([&] {
    OpenResult bad;
    CPortLink *link = CreatePortLink(port, times, bad);
    if (!link) {
      end(bad);
      return;
    }
    link->m_cancelled = [this] {
      const std::atomic<bool> *c = m_openCancel.load();
      return c && c->load();
    };
    m_opening = link;
    link->Open([this, link, end](const OpenResult &r) {
      m_opening = nullptr;
      if (!r) {
        m_io->Post([link] { delete link; }); // this runs inside one of the link's own calls
      } else {
        link->m_onReadable = [this] { OnReadyRead(); };
        link->m_onLost = [this](const QString &why) { OnLinkLost(why); };
        m_port = link;
        RecordInForce(); // the driver's defaults, until SetState changes them
      }
      end(r);
    });
  });
  OpenResult result;
  if (!started) {
    result = {EOpenError::Other, QStringLiteral("serial I/O stopped")};
  } else {
    std::unique_lock lock(pending->mutex);
    pending->ended.wait(lock, [&] { return pending->done; });
    result = pending->result;
  }
  if (!result) {
    m_openCancel.store(nullptr);
    std::lock_guard lock(m_mutex);
    m_lastError = result.detail;
    return result;
  }
  {
    std::lock_guard lock(m_mutex);
    m_portName = port;
    m_lastError.clear();
    m_rx.clear();
    m_rxPos = 0;
    m_notice = ELineIssue::None;
    m_notPossibleSaid = false;
  }
  m_network.store(network);
  m_open.store(true);
  if (CTranscript *t = m_transcript.load())
    t->Event(QStringLiteral("opened %1 at %2 baud").arg(port).arg(baud));
  Purge(PURGE_ALL);
  const bool inForce = SetState(baud, byteSize, parity, stopBits);
  m_openCancel.store(nullptr);
  if (cancelled()) {
    // Given up while the server was being asked: not left open half set up.
    Close();
    result = {EOpenError::Cancelled, QStringLiteral("cancelled while connecting")};
    std::lock_guard lock(m_mutex);
    m_notice = ELineIssue::None;
    m_lastError = result.detail;
    return result;
  }
  if (!inForce && !m_open.load()) {
    // Lost while it was being set up (a server that closes at once): the
    // system's words for the loss, not a refusal of the settings.
    std::lock_guard lock(m_mutex);
    m_notice = ELineIssue::None;
    return {EOpenError::Other, m_lastError.isEmpty() ? QStringLiteral("closed while opening") : m_lastError};
  }
  if (!inForce) {
    std::lock_guard lock(m_mutex);
    switch (m_notice) {
    case ELineIssue::NotPossible:
      return result; // a raw port opens as it is; the notice says so
    case ELineIssue::NotConfirmed:
      result = {EOpenError::NotConfirmed, QStringLiteral("line settings not confirmed by the server")};
      break;
    default:
      result = {EOpenError::SettingsRefused, QStringLiteral("line settings refused")};
      break;
    }
    m_notice = ELineIssue::None; // the open's own failure says it
    m_lastError = result.detail;
  }
  return result;
}

bool CSerial::SetState(int baud, int byteSize, int parity, int stopBits) {
  if (!m_open.load())
    return false;
  LineSettings want;
  {
    std::lock_guard lock(m_mutex);
    m_requested.baud = baud;
    m_requested.byteSize = byteSize;
    m_requested.parity = parity;
    m_requested.stopBits = stopBits;
    if (parity != 0)
      m_requested.fParity = true;
    want = m_requested;
  }
  ELineIssue issue = ELineIssue::Refused;
  RunOnIo([&] {
    if (!m_port)
      return;
    issue = m_port->SetLine(want);
    if (m_port) // still there: a network port can go while it waits
      RecordInForce();
  });
  if (issue != ELineIssue::None && m_network.load()) {
    std::lock_guard lock(m_mutex);
    if (issue != ELineIssue::NotPossible)
      m_notice = issue;
    else if (!std::exchange(m_notPossibleSaid, true))
      m_notice = issue;
  }
  return issue == ELineIssue::None;
}

void CSerial::RecordInForce() {
  LineSettings now = m_port->InForce();
  std::lock_guard lock(m_mutex);
  now.fParity = m_state.fParity || now.parity != 0;
  m_state = now;
}

void CSerial::CloseOnIo() {
  if (!m_port)
    return;
  CPortLink *p = m_port;
  m_port = nullptr;
  p->Close();
  // This may run inside one of the port's own calls (an error raised while
  // waiting for a write), so the object is deleted later from the event loop.
  m_io->Post([p] { delete p; });
}

void CSerial::Close() {
  if (!m_open.exchange(false))
    return;
  RunOnIo([this] { CloseOnIo(); });
  if (CTranscript *t = m_transcript.load())
    t->Event(QStringLiteral("closed"));
  std::lock_guard lock(m_mutex);
  m_rx.clear();
  m_rxPos = 0;
}

bool CSerial::Purge(unsigned flags) {
  if (!m_open.load())
    return false;
  bool ok = false;
  RunOnIo([&] {
    if (!m_port)
      return;
    const bool input = (flags & (PURGE_RXABORT | PURGE_RXCLEAR)) != 0;
    const bool output = (flags & (PURGE_TXABORT | PURGE_TXCLEAR)) != 0;
    if (input) {
      // First: a network port may hand over bytes that came after its purge.
      std::lock_guard lock(m_mutex);
      m_rx.clear();
      m_rxPos = 0;
    }
    ok = m_port->Clear(input, output);
  });
  return ok;
}

int CSerial::Write(const char *data, int length) {
  if (!m_open.load() || length <= 0)
    return 0;
  std::lock_guard writeLock(m_writeMutex);
  int written = 0;
  RunOnIo([&] {
    if (m_port)
      written = m_port->Write(data, length);
  });
  if (CTranscript *t = m_transcript.load())
    t->Record(CTranscript::EDir::Tx, data, written);
  return written;
}

int CSerial::WriteString(const char *text) { return Write(text, static_cast<int>(std::strlen(text))); }

int CSerial::PurgeAndWrite(const char *data, int length) {
  Purge(PURGE_ALL);
  return Write(data, length);
}

int CSerial::Read(char *buffer, int maxLength, int /*waitMs*/) {
  // Bytes are already queued here by the I/O thread, so nothing needs to wait.
  if (!m_open.load() || maxLength <= 0)
    return 0;
  std::lock_guard lock(m_mutex);
  const size_t avail = m_rx.size() - m_rxPos;
  const int n = static_cast<int>(std::min<size_t>(avail, static_cast<size_t>(maxLength)));
  if (n > 0) {
    std::memcpy(buffer, m_rx.data() + m_rxPos, static_cast<size_t>(n));
    m_rxPos += static_cast<size_t>(n);
    if (m_rxPos == m_rx.size()) {
      m_rx.clear();
      m_rxPos = 0;
    } else if (m_rxPos > (1u << 16) && m_rxPos * 2 > m_rx.size()) {
      m_rx.erase(0, m_rxPos);
      m_rxPos = 0;
    }
  }
  return n;
}

qsizetype CSerial::BytesQueued() const {
  std::lock_guard lock(m_mutex);
  return static_cast<qsizetype>(m_rx.size() - m_rxPos);
}

LineSettings CSerial::State() const {
  std::lock_guard lock(m_mutex);
  return m_state;
}

LineSettings CSerial::Requested() const {
  std::lock_guard lock(m_mutex);
  return m_requested;
}

QString CSerial::PortName() const {
  std::lock_guard lock(m_mutex);
  return m_portName;
}

QString CSerial::LastError() const {
  std::lock_guard lock(m_mutex);
  return m_lastError;
}

void CSerial::OnReadyRead() {
  if (!m_port)
    return;
  const QByteArray data = m_port->TakeReceived();
  if (data.isEmpty())
    return;
  if (CTranscript *t = m_transcript.load())
    t->Record(CTranscript::EDir::Rx, data.constData(), data.size());
  {
    std::lock_guard lock(m_mutex);
    const auto size = static_cast<size_t>(data.size());
    if (m_rxPos > 0 && m_rx.size() + size > RX_BUFFER_MAX) {
      m_rx.erase(0, m_rxPos);
      m_rxPos = 0;
    }
    m_rx.append(data.constData(), size);
    if (m_rx.size() > RX_BUFFER_MAX)
      m_rx.erase(0, m_rx.size() - RX_BUFFER_MAX);
  }
  Notify();
}

void CSerial::OnLinkLost(const QString &why) {
  if (!m_port)
    return;
  // The device is gone: close at the first error.
  CloseOnIo();
  m_open.store(false);
  if (CTranscript *t = m_transcript.load())
    t->Event(QStringLiteral("lost: %1").arg(why));
  std::function<void(const QString &)> onLost;
  {
    std::lock_guard lock(m_mutex);
    m_lastError = why;
    m_rx.clear();
    m_rxPos = 0;
    onLost = m_onLost;
  }
  if (onLost)
    m_notifier->Post([onLost, why] { onLost(why); });
}

void CSerial::Notify() {
  {
    std::lock_guard lock(m_mutex);
    if (m_notifyPending)
      return;
    m_notifyPending = true;
  }
  m_notifier->Post([this] { Deliver(); });
}

void CSerial::Deliver() {
  std::function<void()> onReceive;
  {
    std::lock_guard lock(m_mutex);
    m_notifyPending = false;
    onReceive = m_onReceive;
  }
  const qsizetype before = BytesQueued();
  if (onReceive && m_open.load())
    onReceive();
  // The handler takes a bounded amount per call; announce what is left, but
  // only when it took something (a handler that reads nothing waits for new bytes).
  const qsizetype after = BytesQueued();
  if (after > 0 && after < before && m_open.load())
    Notify();
}
