#include "serial/Serial.h"

#include "base/ThreadExecutor.h"

#include <QEventLoop>
#include <QSerialPort>

#include <algorithm>
#include <cstring>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {
// Received bytes kept for the window thread before the oldest are dropped;
// far above what one notification takes, so only a stalled reader loses data.
constexpr size_t RX_BUFFER_MAX = 64 << 20;

QSerialPort::Parity ToQtParity(int parity) {
  switch (parity) {
  case 1:
    return QSerialPort::OddParity;
  case 2:
    return QSerialPort::EvenParity;
  case 3:
    return QSerialPort::MarkParity;
  case 4:
    return QSerialPort::SpaceParity;
  default:
    return QSerialPort::NoParity;
  }
}

QSerialPort::StopBits ToQtStopBits(int stopBits) {
  switch (stopBits) {
  case 1:
    return QSerialPort::OneAndHalfStop;
  case 2:
    return QSerialPort::TwoStop;
  default:
    return QSerialPort::OneStop;
  }
}

int FromQtParity(QSerialPort::Parity parity) {
  switch (parity) {
  case QSerialPort::OddParity:
    return 1;
  case QSerialPort::EvenParity:
    return 2;
  case QSerialPort::MarkParity:
    return 3;
  case QSerialPort::SpaceParity:
    return 4;
  default:
    return 0;
  }
}

int FromQtStopBits(QSerialPort::StopBits stopBits) {
  switch (stopBits) {
  case QSerialPort::OneAndHalfStop:
    return 1;
  case QSerialPort::TwoStop:
    return 2;
  default:
    return 0;
  }
}

// False once the other end has hung up (USB adapter pulled, pty master closed).
bool LineAlive(QSerialPort &port) {
#ifdef Q_OS_UNIX
  pollfd pfd{static_cast<int>(port.handle()), POLLIN, 0};
  if (::poll(&pfd, 1, 0) < 0)
    return false;
  return (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
#else
  return port.isOpen();
#endif
}

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

OpenResult CSerial::Open(const QString &port, int baud, int byteSize, int parity, int stopBits) {
  if (port.isEmpty())
    return {EOpenError::Absent, {}};
  if (m_open.load())
    return {EOpenError::Busy, QStringLiteral("port already open")};
  // Stays so only if the I/O thread has already stopped.
  OpenResult result{EOpenError::Other, QStringLiteral("serial I/O stopped")};
  RunOnIo([&] {
    auto *p = new QSerialPort;
    p->setPortName(port);
    if (!p->open(QIODevice::ReadWrite)) {
      result.error = ClassifyOpenError(p->error(), ProbeNode(port));
      result.detail = p->errorString();
      delete p;
      return;
    }
    p->setReadBufferSize(0);
    QObject::connect(p, &QSerialPort::readyRead, p, [this] { OnReadyRead(); });
    QObject::connect(p, &QSerialPort::errorOccurred, p,
                     [this](QSerialPort::SerialPortError e) { OnPortError(static_cast<int>(e)); });
    m_port = p;
    RecordInForce(); // the driver's defaults, until SetState changes them
    result = {};
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
  }
  m_open.store(true);
  Purge(PURGE_ALL);
  if (!SetState(baud, byteSize, parity, stopBits)) {
    result = {EOpenError::SettingsRefused, QStringLiteral("line settings refused")};
    std::lock_guard lock(m_mutex);
    m_lastError = result.detail;
  }
  return result;
}

bool CSerial::SetState(int baud, int byteSize, int parity, int stopBits) {
  if (!m_open.load())
    return false;
  {
    std::lock_guard lock(m_mutex);
    m_requested.baud = baud;
    m_requested.byteSize = byteSize;
    m_requested.parity = parity;
    m_requested.stopBits = stopBits;
    if (parity != 0)
      m_requested.fParity = true;
  }
  bool ok = false;
  RunOnIo([&] {
    if (!m_port)
      return;
    // All or nothing: a line half switched to new settings talks to nobody.
    const QSerialPort::DataBits oldData = m_port->dataBits();
    const QSerialPort::Parity oldParity = m_port->parity();
    const QSerialPort::StopBits oldStop = m_port->stopBits();
    const qint32 oldBaud = m_port->baudRate();
    ok = baud > 0 && (byteSize >= 5 && byteSize <= 8) && m_port->setBaudRate(baud) &&
         m_port->setDataBits(static_cast<QSerialPort::DataBits>(byteSize)) && m_port->setParity(ToQtParity(parity)) &&
         m_port->setStopBits(ToQtStopBits(stopBits));
    if (!ok) {
      m_port->setBaudRate(oldBaud);
      m_port->setDataBits(oldData);
      m_port->setParity(oldParity);
      m_port->setStopBits(oldStop);
    }
    m_port->clearError();
    RecordInForce();
  });
  return ok;
}

void CSerial::RecordInForce() {
  LineSettings now;
  now.baud = m_port->baudRate();
  now.byteSize = static_cast<int>(m_port->dataBits());
  now.parity = FromQtParity(m_port->parity());
  now.stopBits = FromQtStopBits(m_port->stopBits());
  std::lock_guard lock(m_mutex);
  now.fParity = m_state.fParity || now.parity != 0;
  m_state = now;
}

void CSerial::CloseOnIo() {
  if (!m_port)
    return;
  QSerialPort *p = m_port;
  m_port = nullptr;
  p->disconnect();
  p->close();
  // This may run inside one of the port's own calls (an error raised while
  // waiting for a write), so the object is deleted later from the event loop.
  m_io->Post([p] { delete p; });
}

void CSerial::Close() {
  if (!m_open.exchange(false))
    return;
  RunOnIo([this] { CloseOnIo(); });
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
    ok = true;
    if (flags & (PURGE_RXABORT | PURGE_RXCLEAR)) {
      ok = m_port->clear(QSerialPort::Input) && ok;
      std::lock_guard lock(m_mutex);
      m_rx.clear();
      m_rxPos = 0;
    }
    if (flags & (PURGE_TXABORT | PURGE_TXCLEAR))
      ok = m_port->clear(QSerialPort::Output) && ok;
  });
  return ok;
}

int CSerial::Write(const char *data, int length) {
  if (!m_open.load() || length <= 0)
    return 0;
  std::lock_guard writeLock(m_writeMutex);
  int written = 0;
  RunOnIo([&] {
    if (!m_port)
      return;
    const qint64 queued = m_port->write(data, length);
    if (queued < 0)
      return;
    // Same bound as a driver write time-out: 1 ms per byte plus one second.
    const int limitMs = 1000 + length;
    while (m_port && m_port->bytesToWrite() > 0) {
      if (!m_port->waitForBytesWritten(limitMs))
        break;
    }
    if (!m_port)
      return; // lost while writing
    written = static_cast<int>(queued - m_port->bytesToWrite());
    if (m_port->bytesToWrite() > 0)
      m_port->clear(QSerialPort::Output); // a timed-out write is not finished later
  });
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
  const QByteArray data = m_port->readAll();
  if (data.isEmpty())
    return;
  m_readErrors = 0;
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

void CSerial::OnPortError(int error) {
  switch (static_cast<QSerialPort::SerialPortError>(error)) {
  case QSerialPort::DeviceNotFoundError:
    break;
  case QSerialPort::ResourceError:
  case QSerialPort::ReadError:
  case QSerialPort::WriteError:
    // A read that finds nothing (the queue was purged after the port
    // signalled data) and a write the line cannot take yet (EAGAIN while the
    // other end floods) are reported as errors too: only a line that has hung
    // up, or errors that keep coming without any data, mean the device is gone.
    if (m_port && LineAlive(*m_port) && ++m_readErrors < 50) {
      m_port->clearError();
      return;
    }
    break;
  default:
    return; // time-outs and the like are not fatal
  }
  if (!m_port)
    return;
  // The device is gone: close at the first error (Qt repeats it until closed).
  const QString why = m_port->errorString();
  CloseOnIo();
  m_open.store(false);
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
