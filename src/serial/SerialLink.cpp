// The local serial port: QSerialPort on the I/O thread.
#include "serial/PortLink.h"
#include "serial/NetLink.h"
#include "serial/PortUrl.h"

#include <QSerialPort>

#ifdef Q_OS_UNIX
#include <poll.h>
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
    QObject::connect(p, &QSerialPort::readyRead, p, [this] {
      if (!m_closed && m_onReadable)
        m_onReadable();
    });
    QObject::connect(p, &QSerialPort::errorOccurred, p, [this](QSerialPort::SerialPortError e) { OnError(e); });
    m_port = p;
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
    QByteArray data = m_port->readAll();
    if (!data.isEmpty())
      m_readErrors = 0;
    return data;
  }

  void Close() override {
    if (m_closed)
      return;
    m_closed = true;
    m_port->disconnect();
    m_port->close();
  }

private:
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
