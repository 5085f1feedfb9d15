#pragma once
// The network port: a TCP connection to a serial device server, raw
// (socket://) or Telnet with the COM Port Control option (rfc2217://).
#include "serial/PortLink.h"
#include "serial/PortUrl.h"

CPortLink *CreateNetLink(const PortUrl &url, const CSerial::NetTimes &times);
