#pragma once
// One serial port: a local one (QSerialPort) or one behind a serial device
// server (socket://HOST:PORT, rfc2217://HOST:PORT), chosen by the port name.
// The port lives on a private I/O thread; the window thread and workers call
// in through blocking hand-overs. Received bytes are
// buffered on the I/O thread and announced on the thread that created the
// object (the window thread), one notification at a time.
#include "serial/OpenError.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class CThreadExecutor;
class CPortLink;
class CTranscript;
class QEventLoop;

// Purge flags (the values the device protocol uses).
enum : unsigned {
  PURGE_TXABORT = 0x01,
  PURGE_RXABORT = 0x02,
  PURGE_TXCLEAR = 0x04,
  PURGE_RXCLEAR = 0x08,
  PURGE_RX = PURGE_RXABORT | PURGE_RXCLEAR,    // 0x0A
  PURGE_ALL = 0x0F,                            // both directions, abort and clear
  PURGE_CLEAR = PURGE_TXCLEAR | PURGE_RXCLEAR, // 0x0C
};

// Line settings. Parity 0 none, 1 odd, 2 even, 3 mark, 4 space; stop bits
// 0 one, 1 one and a half, 2 two. The parity-check flag is set by any
// parity other than none and never cleared again.
struct LineSettings {
  int baud = 0;
  int byteSize = 8;
  int parity = 0;
  int stopBits = 0;
  bool fParity = false;
};

// Why line settings are not in force, where a caller has something to say.
enum class ELineIssue {
  None,
  Refused,      // the driver or the device server would not take them
  NotConfirmed, // the device server did not confirm them in time
  NotPossible,  // the port cannot carry line settings (a raw network port)
};

class CSerial {
public:
  // How long a network port waits: for the connection, and for each answer
  // of a device server (option agreement, settings, purge).
  struct NetTimes {
    int connectMs = 5000;
    int replyMs = 3000;
  };

  CSerial();
  ~CSerial();
  CSerial(const CSerial &) = delete;
  CSerial &operator=(const CSerial &) = delete;

  // onReceive runs on the creating thread whenever bytes are queued;
  // onLost runs there once when an open port fails (device gone), after the
  // port has been closed.
  void SetOwner(std::function<void()> onReceive, std::function<void(const QString &)> onLost = {});

  bool IsOpen() const { return m_open.load(); }
  // port: a device path (/dev/ttyUSB0, a pty), a system name (COM3, ttyS0),
  // or a device server's address (socket://HOST:PORT, rfc2217://HOST:PORT).
  // Fails when the port cannot be opened (absent, busy, not permitted; for a
  // server: refused, unknown host, no answer) or this object is already open
  // (busy); fails with SettingsRefused, or NotConfirmed by a device server,
  // when the line settings are not taken, but then the port stays open. A
  // raw network port opens without line settings and says so once
  // (TakeLineNotice). The caller waits until the port is open or not; a
  // network port's connection and the server's answers may take seconds.
  // cancel, set from any thread, ends the waits at once: the result is then
  // Cancelled and the port closed.
  OpenResult Open(const QString &port, int baud, int byteSize = 8, int parity = 0, int stopBits = 0,
                  const std::atomic<bool> *cancel = nullptr);
  // All or nothing: when the driver refuses any setting, the settings in force
  // before stay in force. On an rfc2217 port each setting counts once the
  // server has confirmed it.
  bool SetState(int baud, int byteSize, int parity, int stopBits);
  // What a network port has to say about its line settings since the last
  // call (None for a local port): settings not possible, said once per open
  // port; not confirmed or refused by the server, each time it happens.
  ELineIssue TakeLineNotice();
  bool IsNetwork() const { return m_network.load(); }
  void SetNetTimes(NetTimes times);
  void Close();
  bool Purge(unsigned flags);
  // Counts of bytes written once the write has completed (0 when closed).
  int Write(const char *data, int length);
  int Write(const QByteArray &data) { return Write(data.constData(), static_cast<int>(data.size())); }
  int WriteString(const char *text);
  int PurgeAndWrite(const char *data, int length);
  // Takes up to maxLength bytes already received; never waits for more.
  int Read(char *buffer, int maxLength, int waitMs);

  qsizetype BytesQueued() const;
  // The settings in force on the line (kept from the last open port once
  // closed); baud 0 where they are not known (a raw network port).
  LineSettings State() const;
  // What SetState (or Open) last asked for, whether or not the driver took it.
  LineSettings Requested() const;
  QString PortName() const;
  // The driver's words for why the last Open failed, or why the port was lost.
  QString LastError() const;
  // Every byte written and received from now on, and the port's opens,
  // closes and losses, are recorded there (nullptr: none). The transcript
  // outlives the port's use of it.
  void SetTranscript(CTranscript *transcript) { m_transcript.store(transcript); }

private:
  void IoThreadMain(std::promise<void> *ready);
  bool RunOnIo(const std::function<void()> &fn);
  void OnReadyRead();
  void OnLinkLost(const QString &why);
  void Notify();
  void Deliver();
  void CloseOnIo();
  void RecordInForce(); // I/O thread, with a port

  // Created on the owner thread; notifications run there.
  std::unique_ptr<CThreadExecutor> m_notifier;
  CThreadExecutor *m_io = nullptr; // lives on the I/O thread
  QEventLoop *m_ioLoop = nullptr;
  std::thread m_ioThread;
  CPortLink *m_port = nullptr;    // I/O thread only
  CPortLink *m_opening = nullptr; // I/O thread only: a link whose open has not ended
  std::atomic<const std::atomic<bool> *> m_openCancel{nullptr};

  std::atomic<bool> m_open{false};
  std::atomic<bool> m_network{false};
  std::atomic<CTranscript *> m_transcript{nullptr};
  std::mutex m_writeMutex; // one write at a time, from any thread

  mutable std::mutex m_mutex; // guards everything below
  std::string m_rx;           // plain bytes: never shares a buffer with the I/O thread's data
  size_t m_rxPos = 0;
  bool m_notifyPending = false;
  LineSettings m_state;     // in force
  LineSettings m_requested; // last asked for
  QString m_portName;
  QString m_lastError;
  ELineIssue m_notice = ELineIssue::None;
  bool m_notPossibleSaid = false; // this open port has said it cannot take line settings
  NetTimes m_netTimes;
  std::function<void()> m_onReceive;
  std::function<void(const QString &)> m_onLost;
};
