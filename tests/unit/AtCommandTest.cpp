#include "device/AtCommand.h"
#include "model/Pty.h"
#include "serial/Serial.h"

#include <gtest/gtest.h>

#include <functional>

namespace {
struct SenderCase {
  const char *name;
  std::function<bool(const CAtCommand &, CSerial &)> send;
  std::string wire;
};

const CAtCommand AT;
const QByteArray V = "v";

std::vector<SenderCase> Cases() {
  using C = const CAtCommand &;
  using S = CSerial &;
  return {
      {"SendAt", [](C a, S s) { return a.SendAt(s); }, "at\r"},
      {"SendNoEcho", [](C a, S s) { return a.SendNoEcho(s); }, "at+noecho\r"},
      {"SendAti", [](C a, S s) { return a.SendAti(s); }, "ati\r"},
      {"SendCgmr", [](C a, S s) { return a.SendCgmr(s); }, "AT+CGMR\r"},
      {"SendShow", [](C a, S s) { return a.SendShow(s); }, "at+show\r"},
      {"QueryIpr", [](C a, S s) { return a.QueryIpr(s); }, "AT+IPR?\r\n"},
      {"QueryMode", [](C a, S s) { return a.QueryMode(s); }, "AT+MODE?\r\n"},
      {"QueryActi", [](C a, S s) { return a.QueryActi(s); }, "AT+ACTI?\r\n"},
      {"QueryCpin", [](C a, S s) { return a.QueryCpin(s); }, "at+cpin?\r\n"},
      {"QueryCfun", [](C a, S s) { return a.QueryCfun(s); }, "at+cfun?\r\n"},
      {"SendCsq", [](C a, S s) { return a.SendCsq(s); }, "at+csq\r"},
      {"SendCgatt", [](C a, S s) { return a.SendCgatt(s); }, "at+cgatt=1\r"},
      {"SendVer", [](C a, S s) { return a.SendVer(s); }, "at+ver\r"},
      {"SendFactory", [](C a, S s) { return a.SendFactory(s); }, "at+factory\r"},
      {"SendShutdown", [](C a, S s) { return a.SendShutdown(s); }, "AT+SHUTDOWN\r"},
      {"SetApn", [](C a, S s) { return a.SetApn(s, "cmnet"); }, "at+apn=cmnet\r"},
      {"SetApn empty", [](C a, S s) { return a.SetApn(s, ""); }, "at+apn=\r"},
      {"SetUsername", [](C a, S s) { return a.SetUsername(s, V); }, "at+username=v\r"},
      {"SetPassword", [](C a, S s) { return a.SetPassword(s, V); }, "at+password=v\r"},
      {"SetCent", [](C a, S s) { return a.SetCent(s, "*99***1#"); }, "at+cent=*99***1#\r"},
      {"SetSvrcnt", [](C a, S s) { return a.SetSvrcnt(s, "2"); }, "at+svrcnt=2\r"},
      {"SetIpad", [](C a, S s) { return a.SetIpad(s, "1.2.3.4"); }, "at+ipad=1.2.3.4\r"},
      {"SetPort", [](C a, S s) { return a.SetPort(s, 5001); }, "at+port=5001\r"},
      {"SetIpsec", [](C a, S s) { return a.SetIpsec(s, V); }, "at+ipsec=v\r"},
      {"SetPtsec", [](C a, S s) { return a.SetPtsec(s, -7); }, "at+ptsec=-7\r"},
      {"SetIpadN", [](C a, S s) { return a.SetIpadN(s, "10.0.0.1", 2); }, "at+ipad2=10.0.0.1\r"},
      {"SetPortN", [](C a, S s) { return a.SetPortN(s, 5001, 3); }, "at+port3=5001\r"},
      {"SetMode", [](C a, S s) { return a.SetMode(s, "TRNS"); }, "at+mode=TRNS\r"},
      {"SetActi", [](C a, S s) { return a.SetActi(s, "AUTO"); }, "at+acti=AUTO\r"},
      {"SetDebug", [](C a, S s) { return a.SetDebug(s, 1); }, "at+debug=1\r"},
      {"SetSermode", [](C a, S s) { return a.SetSermode(s, "8N1"); }, "at+sermode=8N1\r"},
      {"SetIpr", [](C a, S s) { return a.SetIpr(s, "115200"); }, "at+ipr=115200\r"},
      {"SetIdnt", [](C a, S s) { return a.SetIdnt(s, V); }, "at+idnt=v\r"},
      {"SetPhon", [](C a, S s) { return a.SetPhon(s, V); }, "at+phon=v\r"},
      {"SetRetmain", [](C a, S s) { return a.SetRetmain(s, 0); }, "at+retmain=0\r"},
      {"SetPolltime", [](C a, S s) { return a.SetPolltime(s, 60); }, "at+polltime=60\r"},
      {"SetDnsServer -1", [](C a, S s) { return a.SetDnsServer(s, V, -1); }, "at+dnssv2=v\r"},
      {"SetDnsServer 0", [](C a, S s) { return a.SetDnsServer(s, V, 0); }, "at+dnssvr=v\r"},
      {"SetDnsServer 1", [](C a, S s) { return a.SetDnsServer(s, V, 1); }, "at+dnssvr1=v\r"},
      {"SetDnsServer 4", [](C a, S s) { return a.SetDnsServer(s, V, 4); }, "at+dnssvr4=v\r"},
      {"SetDnsServer 5", [](C a, S s) { return a.SetDnsServer(s, V, 5); }, "at+dnssvr=v\r"},
      {"SetSmsc", [](C a, S s) { return a.SetSmsc(s, V); }, "at+smsc=v\r"},
      {"SetCtrlno", [](C a, S s) { return a.SetCtrlno(s, V); }, "at+ctrlno=v\r"},
      {"SetSmsdpswd", [](C a, S s) { return a.SetSmsdpswd(s, V); }, "at+smsdpswd=v\r"},
      {"SetConnrgst", [](C a, S s) { return a.SetConnrgst(s, V); }, "at+connrgst=v\r"},
      {"SetLinkrgst", [](C a, S s) { return a.SetLinkrgst(s, V); }, "at+linkrgst=v\r"},
      {"SetByteint", [](C a, S s) { return a.SetByteint(s, 20); }, "at+byteint=20\r"},
      {"SetDonpswd", [](C a, S s) { return a.SetDonpswd(s, V); }, "AT+DONPSWD=v\r"},
      {"SetDoffpswd", [](C a, S s) { return a.SetDoffpswd(s, V); }, "AT+DOFFPSWD=v\r"},
      {"SetExcal 0", [](C a, S s) { return a.SetExcal(s, 0, "x"); }, "AT+EXCAL0=x\r"},
      {"SetExcal 9", [](C a, S s) { return a.SetExcal(s, 9, "x"); }, "AT+EXCAL9=x\r"},
      {"SetExcclk", [](C a, S s) { return a.SetExcclk(s, V); }, "AT+EXCCLK=v\r"},
      {"SetRetry", [](C a, S s) { return a.SetRetry(s, 3); }, "AT+RETRY=3\r"},
      {"SetRdlwt", [](C a, S s) { return a.SetRdlwt(s, 30); }, "AT+RDLWT=30\r"},
      {"SetTcpmtu", [](C a, S s) { return a.SetTcpmtu(s, 1024); }, "AT+TCPMTU=1024\r"},
      {"SetMcontime", [](C a, S s) { return a.SetMcontime(s, 9); }, "AT+MCONTIME=9\r"},
      {"SetStraight", [](C a, S s) { return a.SetStraight(s, 1); }, "AT+STRAIGHT=1\r"},
      {"SetFrmc", [](C a, S s) { return a.SetFrmc(s, 1); }, "at+frmc=1\r"},
      {"SetFvtg", [](C a, S s) { return a.SetFvtg(s, 0); }, "at+fvtg=0\r"},
      {"SetFgga", [](C a, S s) { return a.SetFgga(s, 1); }, "at+fgga=1\r"},
      {"SetFgsa", [](C a, S s) { return a.SetFgsa(s, 1); }, "at+fgsa=1\r"},
      {"SetFgsv", [](C a, S s) { return a.SetFgsv(s, 1); }, "at+fgsv=1\r"},
      {"SetFgll", [](C a, S s) { return a.SetFgll(s, 1); }, "at+fgll=1\r"},
      {"SetGpsad", [](C a, S s) { return a.SetGpsad(s, V); }, "at+gpsad=v\r"},
      {"SetGpsport", [](C a, S s) { return a.SetGpsport(s, 9000); }, "at+gpsport=9000\r"},
      {"SetGpsint", [](C a, S s) { return a.SetGpsint(s, 30); }, "at+gpsint=30\r"},
      {"SetGpstran", [](C a, S s) { return a.SetGpstran(s, 1); }, "at+gpstran=1\r"},
      {"SetGpstmod", [](C a, S s) { return a.SetGpstmod(s, 0); }, "at+gpstmod=0\r"},
  };
}
} // namespace

TEST(AtCommand, EverySenderWritesItsExactText) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  CSerial s;
  ASSERT_TRUE(s.Open(QString::fromStdString(pty.SlavePath()), 115200));
  for (const auto &c : Cases()) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(c.send(AT, s));
    EXPECT_EQ(pty.ReadUntil(c.wire, 2000), c.wire);
  }
}

TEST(AtCommand, ClosedPortWritesNothingAndFails) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  CSerial s; // never opened
  for (const auto &c : Cases()) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(c.send(AT, s));
  }
  EXPECT_EQ(pty.ReadSome(50), "");
}

TEST(AtCommand, GbkValueGoesOutAsItIsAndOverlongCommandIsRefusedWhole) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  CSerial s;
  ASSERT_TRUE(s.Open(QString::fromStdString(pty.SlavePath()), 115200));
  const QByteArray gbk("\xd6\xd0\xce\xc4"); // two Chinese characters in GBK
  EXPECT_TRUE(AT.SetConnrgst(s, gbk));
  EXPECT_EQ(pty.ReadUntil("\r", 2000), "at+connrgst=" + gbk.toStdString() + "\r");
  // 255 characters fit; one more would be cut by a fixed buffer, so it is not sent.
  const QByteArray fits(255 - 8, 'a'); // "at+apn=" + value + CR
  EXPECT_TRUE(AT.SetApn(s, fits));
  EXPECT_EQ(pty.ReadUntil("\r", 2000).size(), 255u);
  EXPECT_FALSE(AT.SetApn(s, fits + 'a'));
  EXPECT_EQ(pty.ReadSome(100), "");
}
