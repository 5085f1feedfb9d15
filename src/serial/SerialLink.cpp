// The local serial port: QSerialPort on the I/O thread. On Unix the received
// bytes are read from the port's descriptor here (see ReadOwn); QSerialPort
// opens the port, sets the line, writes, clears and reports errors.
#include "serial/PortLink.h"
#include "serial/NetLink.h"
#include "serial/PortUrl.h"

#include <QPointer>
#include <QSerialPort>

#include <algorithm>
#include <utility>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <cerrno>

#include <poll.h>
#include <unistd.h>
#endif

namespace {

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

#ifdef Q_OS_UNIX
// The most one wake-up of the port takes before the bytes are handed on: a
// line that keeps the reads full still gets its hand-overs, and calls waiting
// for the I/O thread (writes, purges) wait at most this long.
constexpr qsizetype OWN_READ_MAX = 256 << 10;
// What one read asks for; a pty hands out at most 4 KiB (its line
// discipline's buffer) whatever is asked.
constexpr qsizetype OWN_READ_CHUNK = 64 << 10;
#endif

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

class CSerialLink final : public CPortLink {
public:
  explicit CSerialLink(const QString &name) : m_name(name) {}
  ~CSerialLink() override { delete m_port; }

  void Open(std::function<void(const OpenResult &)> done) override { done(OpenNow()); }

  OpenResult OpenNow() {
    auto *p = new QSerialPort;
    p->setPortName(m_name);
    if (!p->open(QIODevice::ReadWrite)) {
      OpenResult r{ClassifyOpenError(p->error(), ProbeNode(m_name)), p->errorString()};
      delete p;
      return r;
    }
    p->setReadBufferSize(0);
    // Bytes QSerialPort reads itself (a write's wait reads too) are taken from its buffer.
    QObject::connect(p, &QSerialPort::readyRead, p, [this] { OnReadable(); });
    QObject::connect(p, &QSerialPort::errorOccurred, p, [this](QSerialPort::SerialPortError e) { OnError(e); });
    m_port = p;
#ifdef Q_OS_UNIX
    StartOwnReads();
#endif
    return {};
  }

  ELineIssue SetLine(const LineSettings &want) override {
    if (m_closed)
      return ELineIssue::Refused;
    // All or nothing: a line half switched to new settings talks to nobody.
    const QSerialPort::DataBits oldData = m_port->dataBits();
    const QSerialPort::Parity oldParity = m_port->parity();
    const QSerialPort::StopBits oldStop = m_port->stopBits();
    const qint32 oldBaud = m_port->baudRate();
    const bool ok = want.baud > 0 && (want.byteSize >= 5 && want.byteSize <= 8) && m_port->setBaudRate(want.baud) &&
                    m_port->setDataBits(static_cast<QSerialPort::DataBits>(want.byteSize)) &&
                    m_port->setParity(ToQtParity(want.parity)) && m_port->setStopBits(ToQtStopBits(want.stopBits));
    if (!ok) {
      m_port->setBaudRate(oldBaud);
      m_port->setDataBits(oldData);
      m_port->setParity(oldParity);
      m_port->setStopBits(oldStop);
    }
    m_port->clearError();
    return ok ? ELineIssue::None : ELineIssue::Refused;
  }

  LineSettings InForce() const override {
    LineSettings now;
    if (m_closed)
      return now;
    now.baud = m_port->baudRate();
    now.byteSize = static_cast<int>(m_port->dataBits());
    now.parity = FromQtParity(m_port->parity());
    now.stopBits = FromQtStopBits(m_port->stopBits());
    return now;
  }

  bool Clear(bool input, bool output) override {
    if (m_closed)
      return false;
    bool ok = true;
    if (input)
      ok = m_port->clear(QSerialPort::Input) && ok;
    if (output)
      ok = m_port->clear(QSerialPort::Output) && ok;
    return ok;
  }

  int Write(const char *data, int length) override {
    if (m_closed)
      return 0;
    const qint64 queued = m_port->write(data, length);
    if (queued < 0)
      return 0;
    // Same bound as a driver write time-out: 1 ms per byte plus one second.
    const int limitMs = 1000 + length;
    while (!m_closed && m_port->bytesToWrite() > 0) {
      if (!m_port->waitForBytesWritten(limitMs))
        break;
    }
    if (m_closed)
      return 0; // lost while writing
    const int written = static_cast<int>(queued - m_port->bytesToWrite());
    if (m_port->bytesToWrite() > 0)
      m_port->clear(QSerialPort::Output); // a timed-out write is not finished later
    return written;
  }

  QByteArray TakeReceived() override {
    if (m_closed)
      return {};
    QByteArray data;
#ifdef Q_OS_UNIX
    // What QSerialPort has read itself comes first; taking its buffer's exact
    // size never reads the port through it.
    if (const qint64 buffered = m_port->bytesAvailable(); buffered > 0) {
      data = m_port->read(buffered);
      // QIODevice restarts the port's own reads once its buffer is emptied.
      if (m_qtReader)
        m_qtReader->setEnabled(false);
    }
    ReadOwn(data);
#else
    data = m_port->readAll();
#endif
    if (!data.isEmpty())
      m_readErrors = 0;
    return data;
  }

  void Close() override {
    if (m_closed)
      return;
    m_closed = true;
#ifdef Q_OS_UNIX
    if (m_reader) {
      // Deleted with the port; it may be the sender of the call that closes.
      m_reader->setEnabled(false);
      m_reader->disconnect();
    }
#endif
    m_port->disconnect();
    m_port->close();
  }

private:
  // Bytes can be taken (our notifier, or QSerialPort's readyRead): they go to
  // CSerial, which calls TakeReceived; a loss found while reading is reported
  // after them.
  void OnReadable() {
    if (m_closed)
      return;
    if (m_onReadable)
      m_onReadable();
    else
      TakeReceived(); // nobody takes them: dropped, or a notifier would fire again at once
    if (!m_closed && !m_lostWhy.isEmpty() && m_onLost)
      m_onLost(std::exchange(m_lostWhy, QString()));
  }

#ifdef Q_OS_UNIX
  // QSerialPort's notifier reads one chunk per wake-up of the event loop: a
  // poll, a read and a signal for every 4 KiB a pty gives. Ours reads on
  // while bytes keep coming (a tty's read waits for its buffer to be refilled
  // from what is already queued), so a stream costs a wake-up and a hand-over
  // per burst the line delivers, at most OWN_READ_MAX. QSerialPort's notifier
  // is its child; it is kept disabled (where a Qt version has none, its reads
  // still arrive through readyRead).
  void StartOwnReads() {
    const int fd = static_cast<int>(m_port->handle());
    for (QSocketNotifier *n : m_port->findChildren<QSocketNotifier *>(Qt::FindDirectChildrenOnly)) {
      if (n->type() == QSocketNotifier::Read && n->socket() == fd) {
        m_qtReader = n;
        n->setEnabled(false);
      }
    }
    m_reader = new QSocketNotifier(fd, QSocketNotifier::Read, m_port);
    QObject::connect(m_reader, &QSocketNotifier::activated, m_port, [this] { OnReadable(); });
  }

  // Appends what the port has, up to OWN_READ_MAX. The port is opened
  // non-blocking with VMIN 0: a read finding nothing returns 0 (or EAGAIN),
  // and so does one on a line that has hung up; a pty whose master closed
  // gives EIO. A loss is kept in m_lostWhy for OnReadable.
  void ReadOwn(QByteArray &data) {
    const int fd = static_cast<int>(m_port->handle());
    const qsizetype start = data.size();
    qsizetype at = start;
    data.resize(start + OWN_READ_CHUNK);
    for (;;) {
      const ssize_t n = ::read(fd, data.data() + at, static_cast<size_t>(data.size() - at));
      if (n > 0) {
        at += n;
        if (at - start >= OWN_READ_MAX)
          break;
        if (data.size() - at < OWN_READ_CHUNK / 4)
          data.resize(std::min(at + OWN_READ_CHUNK, start + OWN_READ_MAX));
        continue;
      }
      const int error = n < 0 ? errno : 0;
      if (n < 0 && (error == EAGAIN || error == EWOULDBLOCK || error == EINTR))
        break;
      // Nothing to read after data is the end of a burst; nothing at all, or
      // an error, is looked at: a line that hung up is gone, and so is one
      // whose reads keep failing without data.
      if (n == 0 && at > start)
        break;
      if (!LineAlive(*m_port) || ++m_readErrors >= 50)
        m_lostWhy = error != 0 ? qt_error_string(error) : QStringLiteral("hang-up");
      break;
    }
    data.truncate(at);
  }
#endif

  void OnError(QSerialPort::SerialPortError error) {
    if (m_closed)
      return;
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
      break;
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
      // A read that finds nothing (the queue was purged after the port
      // signalled data) and a write the line cannot take yet (EAGAIN while the
      // other end floods) are reported as errors too: only a line that has hung
      // up, or errors that keep coming without any data, mean the device is gone.
      if (LineAlive(*m_port) && ++m_readErrors < 50) {
        m_port->clearError();
        return;
      }
      break;
    default:
      return; // time-outs and the like are not fatal
    }
    // The device is gone: report at the first error (Qt repeats it until closed).
    const QString why = m_port->errorString();
    if (m_onLost)
      m_onLost(why);
  }

  QString m_name;
  QSerialPort *m_port = nullptr;
#ifdef Q_OS_UNIX
  QSocketNotifier *m_reader = nullptr;  // ours; a child of m_port
  QPointer<QSocketNotifier> m_qtReader; // QSerialPort's own, kept disabled
#endif
  QString m_lostWhy;    // found while reading, reported once the bytes are handed on
  int m_readErrors = 0; // read errors since data last came
  bool m_closed = false;
};

} // namespace

CPortLink *CreatePortLink(const QString &name, const CSerial::NetTimes &times, OpenResult &error) {
  const PortUrl url = ParsePortUrl(name);
  switch (url.kind) {
  case EPortKind::Local:
    return new CSerialLink(name);
  case EPortKind::Raw:
  case EPortKind::Rfc2217:
    return CreateNetLink(url, times);
  case EPortKind::Invalid:
    break;
  }
  error = {EOpenError::BadAddress, QStringLiteral("not a port address")};
  return nullptr;
}
