#include "serial/NetLink.h"

#include "serial/Telnet.h"

#include <QDeadlineTimer>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <array>
#include <vector>

namespace {

using namespace telnet;

EOpenError ClassifySocketError(QAbstractSocket::SocketError e) {
  switch (e) {
  // Nobody at the address, or no such host: the network's absent port.
  case QAbstractSocket::ConnectionRefusedError:
  case QAbstractSocket::HostNotFoundError:
  case QAbstractSocket::SocketTimeoutError:
  case QAbstractSocket::NetworkError:
  case QAbstractSocket::RemoteHostClosedError:
    return EOpenError::Absent;
  case QAbstractSocket::SocketAccessError:
    return EOpenError::Denied;
  default:
    return EOpenError::Other;
  }
}

class CNetLink final : public CPortLink {
public:
  CNetLink(const PortUrl &url, const CSerial::NetTimes &times)
      : m_url(url), m_telnet(url.kind == EPortKind::Rfc2217), m_times(times) {}
  ~CNetLink() override { delete m_sock; }

  void Open(std::function<void(const OpenResult &)> done) override {
    auto *s = new QTcpSocket;
    // A device server is reached directly: a desktop's web proxy is no way to
    // a serial line, and asking the system for one runs a lookup thread.
    s->setProxy(QNetworkProxy::NoProxy);
    m_sock = s;
    m_openDone = std::move(done);
    QObject::connect(s, &QTcpSocket::connected, s, [this] { OnConnected(); });
    QObject::connect(s, &QTcpSocket::readyRead, s, [this] { OnReadyRead(); });
    QObject::connect(s, &QTcpSocket::errorOccurred, s, [this](QAbstractSocket::SocketError e) { OnError(e); });
    QObject::connect(s, &QTcpSocket::disconnected, s, [this] { OnError(QAbstractSocket::RemoteHostClosedError); });
    // The connection runs in the I/O thread's event loop; this watch ends it
    // at the connect time or as soon as the caller gives up.
    m_connectDeadline = QDeadlineTimer(m_times.connectMs);
    m_connectWatch = new QTimer(s);
    m_connectWatch->setInterval(CONNECT_WATCH_MS);
    QObject::connect(m_connectWatch, &QTimer::timeout, s, [this] {
      if (Cancelled())
        EndOpen({EOpenError::Cancelled, QStringLiteral("cancelled while connecting")});
      else if (m_connectDeadline.hasExpired())
        EndOpen({EOpenError::Absent, QStringLiteral("no answer from %1:%2").arg(m_url.host).arg(m_url.port)});
    });
    m_connectWatch->start();
    s->connectToHost(m_url.host, m_url.port); // a refusal may be reported before this returns
  }

  ELineIssue SetLine(const LineSettings &want) override {
    if (m_closed)
      return ELineIssue::Refused;
    if (want.baud <= 0 || want.byteSize < 5 || want.byteSize > 8 || want.parity < 0 || want.parity > 4 ||
        want.stopBits < 0 || want.stopBits > 2)
      return ELineIssue::Refused;
    if (!m_telnet)
      return ELineIssue::NotPossible;
    AwaitOption();
    if (m_comPort == EOption::Refused)
      return ELineIssue::NotPossible;
    if (m_comPort != EOption::Agreed)
      return ELineIssue::NotConfirmed;
    const LineSettings before = m_inForce;
    const ELineIssue issue = Send(want);
    if (issue == ELineIssue::Refused && before.baud > 0)
      Send(before); // all or nothing: back to what was in force
    return issue;
  }

  LineSettings InForce() const override { return m_inForce; }

  bool Clear(bool input, bool output) override {
    if (m_closed)
      return false;
    if (!input && !output)
      return true;
    if (m_telnet)
      AwaitOption();
    if (m_comPort != EOption::Agreed || m_purgeUnanswered) {
      // Nothing to ask the server: what has arrived here is all there is to drop.
      if (input) {
        m_purgeWaiting = true; // what the kernel holds is read without announcing it
        Drain();
        m_purgeWaiting = false;
        m_rx.clear();
      }
      return !m_purgeUnanswered;
    }
    // The server purges and then answers: what it sent before the answer is
    // what was queued, and is dropped as it arrives.
    if (input) {
      m_rx.clear();
      m_purgeWaiting = true;
    }
    m_purgeAnswered = false;
    const std::uint32_t what = input && output ? 3 : input ? 1 : 2;
    m_sock->write(ComPortCommand(CPC_PURGE_DATA, what, 1));
    m_sock->flush();
    WaitFor([this] { return m_purgeAnswered; });
    const bool answered = m_purgeAnswered;
    if (m_purgeWaiting) {
      // Never answered: the purge counts for what came so far, and a server
      // that ignores purges is not waited for again on this connection.
      m_purgeWaiting = false;
      m_rx.clear();
      m_purgeUnanswered = true;
    }
    if (!m_rx.isEmpty() && m_onReadable && !m_closed)
      m_onReadable();
    return answered;
  }

  int Write(const char *data, int length) override {
    if (m_closed)
      return 0;
    const bool crNul = m_telnet && !m_usOn[OPT_BINARY];
    const QByteArray wire = m_telnet ? EscapeData(data, length, crNul) : QByteArray(data, length);
    const qint64 queued = m_sock->write(wire);
    if (queued < 0)
      return 0;
    const int limitMs = 1000 + length;
    while (!m_closed && m_sock->bytesToWrite() > 0) {
      if (!m_sock->waitForBytesWritten(limitMs))
        break;
    }
    if (m_closed)
      return 0;
    const qint64 sent = queued - m_sock->bytesToWrite();
    if (sent >= wire.size())
      return length;
    // Count the data bytes whose escaped form went out whole.
    int n = 0;
    while (n < length && EscapedLength(data, n + 1, crNul) <= sent)
      ++n;
    return n;
  }

  QByteArray TakeReceived() override {
    if (m_purgeWaiting)
      return {};
    return std::exchange(m_rx, QByteArray());
  }

  void Close() override {
    if (m_closed)
      return;
    m_closed = true;
    if (m_sock) {
      m_sock->disconnect();
      m_sock->abort();
    }
  }

private:
  static constexpr int CONNECT_WATCH_MS = 20;
  static constexpr int WAIT_SLICE_MS = 50;

  bool Cancelled() const { return m_cancelled && m_cancelled(); }

  void OnConnected() {
    if (!m_openDone)
      return;
    m_sock->setSocketOption(QAbstractSocket::LowDelayOption, 1); // one key press, one segment
    m_sock->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    if (m_telnet) {
      // The client offers the COM Port Control option; binary both ways so
      // the device's bytes pass as they are, and no go-aheads.
      QByteArray offer = Command(WILL, OPT_COM_PORT) + Command(WILL, OPT_BINARY) + Command(DO, OPT_BINARY) +
                         Command(WILL, OPT_SGA) + Command(DO, OPT_SGA);
      for (unsigned char o : {OPT_COM_PORT, OPT_BINARY, OPT_SGA})
        m_usAsked[o] = true;
      for (unsigned char o : {OPT_BINARY, OPT_SGA})
        m_himAsked[o] = true;
      m_sock->write(offer);
      m_sock->flush();
    }
    EndOpen({});
  }

  // The open's one result. A failed link takes no further part: nothing of
  // its socket is reported, and its owner deletes it.
  void EndOpen(const OpenResult &result) {
    if (!m_openDone)
      return;
    auto done = std::exchange(m_openDone, {});
    // This may run in the watch's own time-out: it goes from the event loop.
    QTimer *watch = std::exchange(m_connectWatch, nullptr);
    watch->stop();
    watch->deleteLater();
    if (!result) {
      m_closed = true;
      m_sock->disconnect();
      m_sock->abort();
    }
    done(result);
  }

  enum class EOption { Pending, Agreed, Refused };

  // Runs the socket until done holds, the reply wait ends or the connection goes.
  template <class Pred> void WaitFor(Pred done) {
    const QDeadlineTimer deadline(m_times.replyMs);
    while (!m_closed && !done() && !Cancelled()) {
      const qint64 left = deadline.remainingTime();
      if (left <= 0)
        break;
      // In slices, so that a caller who gives up is not kept waiting.
      m_sock->waitForReadyRead(static_cast<int>(std::min<qint64>(left, WAIT_SLICE_MS)));
    }
  }

  // The server's answer to the option offer, waited for once per connection.
  void AwaitOption() {
    if (m_optionWaited)
      return;
    WaitFor([this] { return m_comPort != EOption::Pending; });
    m_optionWaited = true;
  }

  ELineIssue Send(const LineSettings &want) {
    m_answers = {};
    m_sock->write(ComPortCommand(CPC_SET_BAUDRATE, static_cast<std::uint32_t>(want.baud), 4) +
                  ComPortCommand(CPC_SET_DATASIZE, static_cast<std::uint32_t>(want.byteSize), 1) +
                  ComPortCommand(CPC_SET_PARITY, ParityCode(want.parity), 1) +
                  ComPortCommand(CPC_SET_STOPSIZE, StopSizeCode(want.stopBits), 1));
    m_sock->flush();
    auto all = [this] {
      for (int i = CPC_SET_BAUDRATE; i <= CPC_SET_STOPSIZE; ++i)
        if (!m_answers[i].has)
          return false;
      return true;
    };
    WaitFor(all);
    const bool complete = all();
    // What the server says is in force, as far as it said.
    LineSettings now = m_inForce;
    if (m_answers[CPC_SET_BAUDRATE].has)
      now.baud = static_cast<int>(m_answers[CPC_SET_BAUDRATE].value);
    if (m_answers[CPC_SET_DATASIZE].has)
      now.byteSize = static_cast<int>(m_answers[CPC_SET_DATASIZE].value);
    if (m_answers[CPC_SET_PARITY].has)
      now.parity = static_cast<int>(m_answers[CPC_SET_PARITY].value) - 1;
    if (m_answers[CPC_SET_STOPSIZE].has) {
      const std::uint32_t v = m_answers[CPC_SET_STOPSIZE].value;
      now.stopBits = v == 3 ? 1 : v == 2 ? 2 : 0;
    }
    m_inForce = now;
    if (!complete)
      return ELineIssue::NotConfirmed;
    const bool same = now.baud == want.baud && now.byteSize == want.byteSize && now.parity == want.parity &&
                      now.stopBits == want.stopBits;
    return same ? ELineIssue::None : ELineIssue::Refused;
  }

  // Reads what the kernel holds now (negotiation still counts).
  void Drain() {
    if (m_sock->bytesAvailable() > 0)
      OnReadyRead();
  }

  void OnReadyRead() {
    if (m_closed)
      return;
    const QByteArray wire = m_sock->readAll();
    if (wire.isEmpty())
      return;
    if (!m_telnet) {
      m_rx += wire;
    } else {
      QByteArray data;
      std::vector<Event> events;
      m_decoder.Feed(wire.constData(), wire.size(), data, events, !m_himOn[OPT_BINARY]);
      qsizetype keepFrom = 0;
      for (const Event &e : events) {
        if (e.kind == Event::Command) {
          Answer(e.verb, e.option);
        } else if (e.option == OPT_COM_PORT) {
          unsigned char code = 0;
          std::uint32_t value = 0;
          if (!ComPortAnswer(e.payload, code, value) || code <= CPC_SERVER_OFFSET)
            continue; // notifications of line and modem state, and anything else
          const int cmd = code - CPC_SERVER_OFFSET;
          if (cmd == CPC_PURGE_DATA) {
            m_purgeAnswered = true;
            if (m_purgeWaiting) {
              m_purgeWaiting = false;
              m_rx.clear();
              keepFrom = e.at;
            }
          } else if (cmd >= CPC_SET_BAUDRATE && cmd <= CPC_SET_STOPSIZE) {
            m_answers[cmd] = {true, value};
          }
        }
      }
      m_rx += data.mid(keepFrom);
      if (m_closed)
        return;
    }
    if (!m_rx.isEmpty() && !m_purgeWaiting && m_onReadable)
      m_onReadable();
  }

  // One option request from the server; each change of state is answered
  // once, and a request that agrees with ours is not answered again.
  void Answer(unsigned char verb, unsigned char option) {
    const bool wanted = option == OPT_BINARY || option == OPT_SGA || option == OPT_COM_PORT;
    QByteArray reply;
    switch (verb) {
    case DO:
      if (!wanted) {
        reply = Command(WONT, option);
      } else if (!m_usOn[option]) {
        if (!m_usAsked[option])
          reply = Command(WILL, option);
        m_usOn[option] = true;
      }
      m_usAsked[option] = false;
      if (option == OPT_COM_PORT)
        m_comPort = EOption::Agreed;
      break;
    case DONT:
      if (m_usOn[option])
        reply = Command(WONT, option);
      m_usOn[option] = false;
      m_usAsked[option] = false;
      if (option == OPT_COM_PORT)
        m_comPort = EOption::Refused;
      break;
    case WILL:
      if (!wanted) {
        reply = Command(DONT, option);
      } else if (!m_himOn[option]) {
        if (!m_himAsked[option])
          reply = Command(DO, option);
        m_himOn[option] = true;
      }
      m_himAsked[option] = false;
      break;
    case WONT:
      if (m_himOn[option])
        reply = Command(DONT, option);
      m_himOn[option] = false;
      m_himAsked[option] = false;
      break;
    default:
      break;
    }
    if (!reply.isEmpty())
      m_sock->write(reply);
  }

  void OnError(QAbstractSocket::SocketError e) {
    if (m_closed || e == QAbstractSocket::SocketTimeoutError)
      return; // a wait that ran out is the waiter's business
    const QString why = m_sock->errorString();
    if (m_openDone) {
      EndOpen({ClassifySocketError(e), why});
      return;
    }
    if (m_onLost)
      m_onLost(why);
  }

  struct AnswerSlot {
    bool has = false;
    std::uint32_t value = 0;
  };

  const PortUrl m_url;
  const bool m_telnet;
  const CSerial::NetTimes m_times;
  QTcpSocket *m_sock = nullptr;
  std::function<void(const OpenResult &)> m_openDone; // set while connecting
  QTimer *m_connectWatch = nullptr;                   // a child of m_sock
  QDeadlineTimer m_connectDeadline;
  bool m_closed = false;
  QByteArray m_rx;
  CDecoder m_decoder;
  std::array<bool, 256> m_usOn{}, m_usAsked{}, m_himOn{}, m_himAsked{};
  EOption m_comPort = EOption::Pending;
  bool m_optionWaited = false;
  std::array<AnswerSlot, CPC_SET_STOPSIZE + 1> m_answers{};
  LineSettings m_inForce; // baud 0: not known yet
  bool m_purgeWaiting = false;
  bool m_purgeAnswered = false;
  bool m_purgeUnanswered = false;
};

} // namespace

CPortLink *CreateNetLink(const PortUrl &url, const CSerial::NetTimes &times) { return new CNetLink(url, times); }
