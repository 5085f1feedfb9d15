// Which port names are device server addresses, and which are local ports.
#include "serial/PortUrl.h"

#include <gtest/gtest.h>

TEST(PortUrl, SchemesHostsAndPorts) {
  struct Case {
    const char *name;
    EPortKind kind;
    const char *host;
    int port;
  } const cases[] = {
      {"/dev/ttyUSB0", EPortKind::Local, "", 0},
      {"COM3", EPortKind::Local, "", 0},
      {"ttyS0", EPortKind::Local, "", 0},
      {"/tmp/odd://name", EPortKind::Local, "", 0}, // a path, whatever it holds
      {"socket://127.0.0.1:4001", EPortKind::Raw, "127.0.0.1", 4001},
      {"SOCKET://box.example:1/", EPortKind::Raw, "box.example", 1},
      {"rfc2217://serial-server_1.lan:65535", EPortKind::Rfc2217, "serial-server_1.lan", 65535},
      {"rfc2217://[::1]:2217", EPortKind::Rfc2217, "::1", 2217},
      {"rfc2217://::1:2217", EPortKind::Invalid, "", 0}, // IPv6 needs its brackets
      {"rfc2217://[box]:2217", EPortKind::Invalid, "", 0},
      {"socket://host", EPortKind::Invalid, "", 0},
      {"socket://host:", EPortKind::Invalid, "", 0},
      {"socket://:4001", EPortKind::Invalid, "", 0},
      {"socket://host:0", EPortKind::Invalid, "", 0},
      {"socket://host:65536", EPortKind::Invalid, "", 0},
      {"socket://host:+80", EPortKind::Invalid, "", 0},
      {"socket://host:80/path", EPortKind::Invalid, "", 0},
      {"socket://user@host:80", EPortKind::Invalid, "", 0},
      {"socket://host:80?logging=debug", EPortKind::Invalid, "", 0},
      {"socket:// host:80", EPortKind::Invalid, "", 0},
      {"telnet://host:23", EPortKind::Invalid, "", 0}, // a scheme, but none we speak
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const PortUrl url = ParsePortUrl(QString::fromUtf8(c.name));
    EXPECT_EQ(url.kind, c.kind);
    EXPECT_EQ(url.host, QString::fromUtf8(c.host));
    EXPECT_EQ(url.port, c.port);
    if (url.IsNetwork()) {
      const PortUrl again = ParsePortUrl(PortUrlText(url));
      EXPECT_EQ(again.kind, url.kind);
      EXPECT_EQ(again.host, url.host);
      EXPECT_EQ(again.port, url.port);
    }
  }
  EXPECT_EQ(PortUrlText(ParsePortUrl(QStringLiteral("RFC2217://[::1]:7"))), QStringLiteral("rfc2217://[::1]:7"));
}
