#include "serial/Serial.h"
#include "serial/Transcript.h"

#include "base/ThreadExecutor.h"
#include "serial/PortLink.h"
#include "serial/PortUrl.h"

#include <QEventLoop>

#include <algorithm>
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

OpenResult CSerial::Open(const QString &port, int baud, int byteSize, int parity, int stopBits) {
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
  // Stays so only if the I/O thread has already stopped.
  OpenResult result{EOpenError::Other, QStringLiteral("serial I/O stopped")};
  RunOnIo([&] {
    CPortLink *link = CreatePortLink(port, times, result);
    if (!link)
      return;
    result = link->Open();
    if (!result) {
      delete link;
      return;
    }
    link->m_onReadable = [this] { OnReadyRead(); };
    link->m_onLost = [this](const QString &why) { OnLinkLost(why); };
    m_port = link;
    RecordInForce(); // the driver's defaults, until SetState changes them
  });
  if (!result) {
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
  if (!SetState(baud, byteSize, parity, stopBits)) {
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
