// CSerial on a network port, against small TCP peers in the test: a raw
// line, and Telnet servers that agree, refuse, stay silent or answer other
// settings than asked. The real device server (ser2net) is in the e2e tests.
#include "serial/Serial.h"
#include "support/TcpPeer.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <chrono>
#include <ctime>
#include <thread>
#include <mutex>
#include <string>
#include <vector>

namespace {

QString Url(const char *scheme, const CTcpPeer &peer) {
  return QStringLiteral("%1://127.0.0.1:%2").arg(QLatin1String(scheme)).arg(peer.Port());
}

const std::string DO_COM_PORT("\xFF\xFD\x2C", 3);
const std::string DONT_COM_PORT("\xFF\xFE\x2C", 3);

// The COM Port Control commands complete in pending (unescaped, code
// first); the rest stays in pending for the next read.
std::vector<std::string> TakeCommands(std::string &pending) {
  std::vector<std::string> out;
  size_t used = 0;
  for (size_t i = 0; (i = pending.find("\xFF\xFA\x2C", i)) != std::string::npos;) {
    std::string payload;
    size_t k = i + 3;
    bool whole = false;
    for (; k + 1 < pending.size(); ++k) {
      if (pending[k] == '\xFF' && pending[k + 1] == '\xF0') {
        whole = true;
        break;
      }
      payload += pending[k];
      if (pending[k] == '\xFF')
        ++k; // a doubled IAC
    }
    if (!whole)
      break;
    out.push_back(payload);
    used = i = k + 2;
  }
  pending.erase(0, used);
  return out;
}

std::string Answer(const std::string &payload) {
  std::string a = payload;
  a[0] = static_cast<char>(a[0] + 100);
  std::string escaped;
  for (char c : a) {
    escaped += c;
    if (c == '\xFF')
      escaped += c;
  }
  return "\xFF\xFA\x2C" + escaped + "\xFF\xF0";
}

// A Telnet device server as a script: answers the client's offer with
// offerReply, then hands each COM Port Control command to reply (whose
// return goes back; empty: no answer) until the client closes or the peer
// ends. Everything received is kept in got, under its lock.
struct CTelnetScript {
  std::string offerReply = DO_COM_PORT;
  std::function<std::string(const std::string &payload)> reply = Answer;
  std::mutex mutex;
  std::string got;

  void Serve(int fd, const CTcpPeer &peer) {
    std::string pending;
    bool offered = false, eof = false;
    while (peer.Running() && !eof) {
      const std::string in = CTcpPeer::Read(fd, 30, {}, &eof);
      if (in.empty())
        continue;
      {
        std::lock_guard lock(mutex);
        got += in;
      }
      pending += in;
      if (!offered && pending.find("\xFF\xFB\x2C") != std::string::npos) {
        offered = true;
        CTcpPeer::Write(fd, offerReply);
      }
      for (const std::string &cmd : TakeCommands(pending))
        if (const std::string r = reply(cmd); !r.empty())
          CTcpPeer::Write(fd, r);
    }
  }
  std::string Got() {
    std::lock_guard lock(mutex);
    return got;
  }
};

// Bytes of a command the client sent ("\xFF\xFA\x2C\x01" = set baud rate) seen in what came.
bool Has(const std::string &got, const std::string &what) { return got.find(what) != std::string::npos; }

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

} // namespace

TEST(NetPort, RawLineCarriesTheBytesAsTheyAreAndSaysOnceThatItHasNoLineSettings) {
  std::mutex mutex;
  std::string received;
  CTcpPeer peer([&](int fd) {
    const std::string in = CTcpPeer::Read(fd, 5000, [](const std::string &s) { return Has(s, "end"); });
    {
      std::lock_guard lock(mutex);
      received = in;
    }
    CTcpPeer::Write(fd, std::string("\xFF\x01"
                                    "reply\r\n",
                                    9));
    CTcpPeer::Read(fd, 5000); // until the client closes
  });
  CSerial s;
  const OpenResult r = s.Open(Url("socket", peer), 115200);
  ASSERT_TRUE(r) << r.detail.toStdString();
  EXPECT_TRUE(s.IsNetwork());
  EXPECT_EQ(s.TakeLineNotice(), ELineIssue::NotPossible);
  EXPECT_FALSE(s.SetState(9600, 8, 0, 0)) << "nothing was set";
  EXPECT_EQ(s.TakeLineNotice(), ELineIssue::None) << "said once per open port";
  EXPECT_EQ(s.State().baud, 0) << "the server's settings are not known";
  const std::string out("\xFF\r\0end", 6);
  EXPECT_EQ(s.Write(out.data(), static_cast<int>(out.size())), 6);
  ASSERT_TRUE(PumpUntil([&] { return s.BytesQueued() >= 9; }, 5000));
  char buf[64];
  EXPECT_EQ(std::string(buf, static_cast<size_t>(s.Read(buf, sizeof buf, 20))), std::string("\xFF\x01"
                                                                                            "reply\r\n",
                                                                                            9));
  s.Close();
  {
    std::lock_guard lock(mutex);
    EXPECT_EQ(received, out) << "no Telnet escaping on a raw line";
  }

  // Reopened: the notice comes again for the new connection.
  ASSERT_TRUE(s.Open(Url("socket", peer), 115200));
  EXPECT_EQ(s.TakeLineNotice(), ELineIssue::NotPossible);
}

TEST(NetPort, Rfc2217SettingsCountOnlyOnceTheServerConfirmsThem) {
  enum class EServer { Confirms, Silent, Refuses, OtherBaud, NoTelnet };
  struct Case {
    const char *name;
    EServer server;
    EOpenError open;
    ELineIssue notice;
  } const cases[] = {
      {"server confirms", EServer::Confirms, EOpenError::None, ELineIssue::None},
      {"server agrees to the option but never confirms", EServer::Silent, EOpenError::NotConfirmed, ELineIssue::None},
      {"server refuses the option", EServer::Refuses, EOpenError::None, ELineIssue::NotPossible},
      {"server puts another baud rate in force", EServer::OtherBaud, EOpenError::SettingsRefused, ELineIssue::None},
      {"no Telnet at all behind the address", EServer::NoTelnet, EOpenError::NotConfirmed, ELineIssue::None},
  };
  const std::string set9600("\xFF\xFA\x2C\x01\x00\x00\x25\x80\xFF\xF0", 10);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    CTelnetScript server;
    if (c.server == EServer::Refuses)
      server.offerReply = DONT_COM_PORT;
    if (c.server == EServer::NoTelnet)
      server.offerReply.clear();
    if (c.server == EServer::Silent || c.server == EServer::NoTelnet)
      server.reply = [](const std::string &) { return std::string(); };
    if (c.server == EServer::OtherBaud)
      server.reply = [](const std::string &cmd) {
        return cmd[0] == 1 ? Answer(std::string("\x01\x00\x00\xE1\x00", 5)) : Answer(cmd); // 57600
      };
    CTcpPeer peer([&](int fd) { server.Serve(fd, peer); });
    CSerial s;
    s.SetNetTimes({2000, 300});
    const OpenResult r = s.Open(Url("rfc2217", peer), 9600);
    EXPECT_EQ(r.error, c.open) << r.detail.toStdString();
    EXPECT_EQ(s.TakeLineNotice(), c.notice);
    EXPECT_TRUE(s.IsOpen()) << "a port whose settings were not taken stays open, as a local one does";
    if (c.server == EServer::Refuses || c.server == EServer::NoTelnet) {
      EXPECT_FALSE(Has(server.Got(), set9600)) << "no settings before the option is agreed";
    }
    if (c.server == EServer::Confirms) {
      const std::string got = server.Got();
      EXPECT_TRUE(Has(got, set9600));
      EXPECT_TRUE(Has(got, std::string("\xFF\xFA\x2C\x02\x08\xFF\xF0", 7)));
      EXPECT_TRUE(Has(got, std::string("\xFF\xFA\x2C\x03\x01\xFF\xF0", 7)));
      EXPECT_TRUE(Has(got, std::string("\xFF\xFA\x2C\x04\x01\xFF\xF0", 7)));
      EXPECT_TRUE(Has(got, std::string("\xFF\xFA\x2C\x0C\x03\xFF\xF0", 7))) << "the open purges both ways";
      EXPECT_EQ(s.State().baud, 9600);
      EXPECT_TRUE(s.SetState(19200, 8, 0, 2));
      EXPECT_EQ(s.State().baud, 19200);
      EXPECT_EQ(s.State().stopBits, 2);
      EXPECT_EQ(s.TakeLineNotice(), ELineIssue::None);
    }
    if (c.server == EServer::OtherBaud) {
      EXPECT_EQ(s.State().baud, 57600) << "what the server said is in force";
    }
    if (c.server == EServer::Silent) {
      EXPECT_FALSE(s.SetState(4800, 8, 0, 0));
      EXPECT_EQ(s.TakeLineNotice(), ELineIssue::NotConfirmed) << "each time it happens";
    }
    s.Close();
  }
}

TEST(NetPort, TelnetEscapingBothWaysAndPurgeDropsOnlyWhatCameBeforeItsAnswer) {
  CTelnetScript server;
  // The server asks for binary and go-ahead suppression itself as well.
  server.offerReply = DO_COM_PORT + std::string("\xFF\xFB\x00\xFF\xFD\x00\xFF\xFB\x03", 9);
  server.reply = [](const std::string &cmd) {
    // A receive purge: data still queued before it, the answer, then new data, in one segment.
    if (cmd == std::string("\x0C\x01", 2))
      return std::string("stale") + Answer(cmd) + std::string("fresh\xFF\xFF!", 8);
    return Answer(cmd);
  };
  CTcpPeer peer([&](int fd) { server.Serve(fd, peer); });
  CSerial s;
  s.SetNetTimes({2000, 2000});
  ASSERT_TRUE(s.Open(Url("rfc2217", peer), 115200));
  EXPECT_TRUE(s.Purge(PURGE_RX)) << "answered by the server";
  ASSERT_TRUE(PumpUntil([&] { return s.BytesQueued() >= 7; }, 5000));
  char buf[64];
  EXPECT_EQ(std::string(buf, static_cast<size_t>(s.Read(buf, sizeof buf, 20))), "fresh\xFF!");
  const std::string out("a\xFF\r"
                        "end",
                        6);
  EXPECT_EQ(s.Write(out.data(), static_cast<int>(out.size())), 6) << "counted in data bytes";
  ASSERT_TRUE(PumpUntil([&] { return Has(server.Got(), "end"); }, 5000));
  // Binary agreed both ways: CR goes alone; IAC doubled.
  EXPECT_TRUE(Has(server.Got(), std::string("a\xFF\xFF\r"
                                            "end",
                                            7)))
      << QByteArray::fromStdString(server.Got()).toHex(' ').toStdString();
}

TEST(NetPort, NobodyThereIsAnAbsentPortAndAServerGoneIsAnUnpluggedDevice) {
  // A port nobody listens on: a listener closed again frees its port.
  quint16 closedPort = 0;
  {
    CTcpPeer gone([](int) {});
    closedPort = gone.Port();
  }
  CSerial s;
  s.SetNetTimes({2000, 300});
  const struct {
    QString name;
    EOpenError error;
  } refusals[] = {
      {QStringLiteral("socket://127.0.0.1:%1").arg(closedPort), EOpenError::Absent},
      {QStringLiteral("rfc2217://127.0.0.1:%1").arg(closedPort), EOpenError::Absent},
      {QStringLiteral("socket://no-such-host.invalid:4001"), EOpenError::Absent},
      {QStringLiteral("socket://host-without-port"), EOpenError::BadAddress},
      {QStringLiteral("tcp://127.0.0.1:4001"), EOpenError::BadAddress},
  };
  for (const auto &c : refusals) {
    SCOPED_TRACE(c.name.toStdString());
    const OpenResult r = s.Open(c.name, 115200);
    EXPECT_EQ(r.error, c.error) << r.detail.toStdString();
    EXPECT_FALSE(s.IsOpen());
  }

  // The server goes away mid-run: the port is lost once, and opens again.
  std::atomic<int> hangUps{0};
  CTcpPeer peer([&](int fd) {
    if (hangUps.fetch_add(1) == 0) {
      CTcpPeer::Read(fd, 5000, [](const std::string &got) { return Has(got, "bye"); });
      return; // closes the connection
    }
    // Answers only what comes after the open: the open purges what came before.
    CTcpPeer::Read(fd, 3000, [](const std::string &got) { return Has(got, "hi"); });
    CTcpPeer::Write(fd, "again");
    CTcpPeer::Read(fd, 3000);
  });
  int lost = 0;
  QString why;
  s.SetOwner([] {},
             [&](const QString &w) {
               ++lost;
               why = w;
             });
  ASSERT_TRUE(s.Open(Url("socket", peer), 115200));
  EXPECT_EQ(s.Write("bye", 3), 3);
  ASSERT_TRUE(PumpUntil([&] { return lost > 0; }, 5000));
  EXPECT_FALSE(s.IsOpen());
  EXPECT_FALSE(why.isEmpty()) << "the system's words for the log";
  // Gone means quiet: no thread keeps running on the dead connection.
  const double cpu = CpuSeconds();
  PumpFor(400);
  EXPECT_LT(CpuSeconds() - cpu, 0.2);
  EXPECT_EQ(lost, 1);
  EXPECT_EQ(s.Write("x", 1), 0);

  ASSERT_TRUE(s.Open(Url("socket", peer), 115200)) << s.LastError().toStdString();
  EXPECT_EQ(s.Write("hi", 2), 2);
  ASSERT_TRUE(PumpUntil([&] { return s.BytesQueued() >= 5; }, 5000));
  char buf[16];
  EXPECT_EQ(std::string(buf, static_cast<size_t>(s.Read(buf, sizeof buf, 20))), "again");
}

TEST(NetPort, AnOpenThatWaitsForTheServerEndsAtItsTimeOrAtOnceWhenCancelled) {
  CUnansweredAddress silentHost;
  ASSERT_NE(silentHost.Port(), 0) << "the loopback backlog did not hold a connection back";
  // A server that takes the connection and never answers the option offer.
  CTcpPeer mute([](int fd) { CTcpPeer::Read(fd, 10000, [](const std::string &got) { return Has(got, "never"); }); });
  const QString hung = QStringLiteral("rfc2217://127.0.0.1:%1").arg(silentHost.Port());
  const QString unanswered = Url("rfc2217", mute);
  const struct {
    const char *what;
    QString port;
    int cancelAfterMs; // -1: never
    EOpenError error;
    int atLeastMs, atMostMs;
    bool open; // a port whose settings were not confirmed stays open, and says so
  } cases[] = {
      {"no answer to the connection", hung, -1, EOpenError::Absent, 250, 2000, false},
      {"cancelled while connecting", hung, 100, EOpenError::Cancelled, 80, 1000, false},
      {"cancelled before it began", hung, 0, EOpenError::Cancelled, 0, 1000, false},
      {"cancelled while the server is asked", unanswered, 150, EOpenError::Cancelled, 130, 1000, false},
      {"the server never confirms", unanswered, -1, EOpenError::NotConfirmed, 250, 3000, true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    CSerial s;
    s.SetNetTimes({300, 300}); // each case far below the cancel's bound when cancelled
    if (c.cancelAfterMs >= 0)
      s.SetNetTimes({5000, 5000});
    std::atomic<bool> cancel{c.cancelAfterMs == 0};
    std::thread canceller;
    if (c.cancelAfterMs > 0)
      canceller = std::thread([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(c.cancelAfterMs));
        cancel.store(true);
      });
    QElapsedTimer t;
    t.start();
    const OpenResult r = s.Open(c.port, 115200, 8, 0, 0, &cancel);
    const qint64 took = t.elapsed();
    if (canceller.joinable())
      canceller.join();
    EXPECT_EQ(r.error, c.error) << r.detail.toStdString();
    EXPECT_GE(took, c.atLeastMs);
    EXPECT_LE(took, c.atMostMs);
    EXPECT_EQ(s.IsOpen(), c.open);
    if (!c.open) {
      EXPECT_EQ(s.Write("x", 1), 0) << "a port that did not open whole is closed";
    }
  }
}
