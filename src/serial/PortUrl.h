#pragma once
// Port names that are network addresses: socket://HOST:PORT (raw TCP, the
// bytes of the line) and rfc2217://HOST:PORT (Telnet with the COM Port
// Control option). Anything without a scheme is a local serial port.
#include <QString>

enum class EPortKind {
  Local,   // a device path or system name (/dev/ttyUSB0, COM3)
  Raw,     // socket://
  Rfc2217, // rfc2217://
  Invalid, // has a scheme, but not one of the above, or a bad host or port
};

struct PortUrl {
  EPortKind kind = EPortKind::Local;
  QString host; // without the brackets of an IPv6 address
  quint16 port = 0;
  bool IsNetwork() const { return kind == EPortKind::Raw || kind == EPortKind::Rfc2217; }
};

// HOST is a name, an IPv4 address or an IPv6 address in brackets; PORT is
// 1 to 65535 in decimal; one trailing '/' is allowed. Schemes are matched
// without regard to case.
PortUrl ParsePortUrl(const QString &name);
// The same address written back in its canonical form (lower-case scheme).
QString PortUrlText(const PortUrl &url);
