#pragma once
// Why a serial port did not open, as a value: callers choose their words from
// the class, and keep the driver's own text only for the log.
#include <QSerialPort>
#include <QString>

enum class EOpenError {
  None,            // open, with the line settings asked for
  Absent,          // no such device: not plugged in, unplugged, or no hardware behind the node
  Busy,            // another program (or another object here) holds the port
  Denied,          // the node exists but this user may not open it (dialout group on Linux)
  SettingsRefused, // opened, but the driver refused the line settings; the port stays open
  NotConfirmed,    // opened, but the device server did not confirm the line settings; stays open
  BadAddress,      // a port name with a scheme that is no device server address
  Cancelled,       // the caller gave up while it was opening (connecting to a server); closed
  Other,           // anything else; the detail has the driver's words
};

struct OpenResult {
  EOpenError error = EOpenError::None;
  QString detail; // the driver's text, for logs; empty on success
  explicit operator bool() const { return error == EOpenError::None; }
};

// What the device node of a port name or path says (Unix). Where there is no
// node to look at (Windows COM names) the port counts as present and ours.
struct NodeState {
  bool exists = true;
  bool denied = false;
};
NodeState ProbeNode(const QString &port);

// The class of an open that Qt refused with code. Qt's codes are ambiguous
// where the node settles it: a lock held by another program and a node this
// user may not open are both PermissionError.
EOpenError ClassifyOpenError(QSerialPort::SerialPortError code, NodeState node);
