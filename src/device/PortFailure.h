#pragma once
// Why a serial port could not be opened, in words a user can act on.
#include <QString>

enum class EPortFailure {
  Absent,     // no such device: not plugged in, unplugged, or no hardware behind the node
  Permission, // the node exists but this user may not open it (dialout group on Linux)
  Busy,       // another program holds the port
  Other,      // anything else; the driver's own words are shown
};

// Classifies from what the file system says about the node and the serial
// layer's reason. nodeExists/accessDenied come from the device node (Unix);
// where there is no node to look at (Windows COM names) pass true/false.
EPortFailure ClassifyOpenFailure(bool nodeExists, bool accessDenied, const QString &serialReason);
// The same for a port name or path, looking at its device node where there is one.
EPortFailure ClassifyOpenFailure(const QString &port, const QString &serialReason);
// The log line that says why port did not open, in the interface language.
QString OpenFailureReason(const QString &port, const QString &serialReason);
// The log line for a port lost while open (unplugged, line hung up), in the
// interface language; why, the system's text, is shown in brackets if any.
QString PortLostText(const QString &why);
