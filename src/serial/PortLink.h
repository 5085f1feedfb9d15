#pragma once
// What CSerial drives on its I/O thread: one kind of port (a local serial
// port, a TCP connection to a device server). Every call is made on the I/O
// thread; a link reports received bytes and its loss through the callbacks.
#include "serial/OpenError.h"
#include "serial/Serial.h"

#include <QByteArray>
#include <QString>

#include <functional>

class CPortLink {
public:
  virtual ~CPortLink() = default;

  // Called on the I/O thread: bytes can be taken; the port is gone (why: the system's words).
  std::function<void()> m_onReadable;
  std::function<void(const QString &why)> m_onLost;
  // Polled while the link waits (for a connection, for a server's answer):
  // true ends the wait at once, as if nobody had answered.
  std::function<bool()> m_cancelled;

  // Opens the port; done runs once, on the I/O thread, with the result. A
  // local port calls it before Open returns; a network port connects without
  // holding the I/O thread and calls it from the event loop (Cancelled when
  // m_cancelled said so first).
  virtual void Open(std::function<void(const OpenResult &)> done) = 0;
  // Puts the settings on the line, all or nothing; EOpenError-free result:
  // None when in force, otherwise why not.
  virtual ELineIssue SetLine(const LineSettings &want) = 0;
  virtual LineSettings InForce() const = 0;
  // Drops what the far end has queued for us (input) or we for it (output).
  virtual bool Clear(bool input, bool output) = 0;
  // Writes and waits until the bytes are out or the write's time limit ends;
  // the count of data bytes that went out.
  virtual int Write(const char *data, int length) = 0;
  // The data bytes received since the last call.
  virtual QByteArray TakeReceived() = 0;
  // No callback runs after this; the object is deleted later by its owner.
  virtual void Close() = 0;
};

// The link for a port name: a local serial port, or a network port for a
// socket:// or rfc2217:// address (nullptr with error set for a bad address).
CPortLink *CreatePortLink(const QString &name, const CSerial::NetTimes &times, OpenResult &error);
