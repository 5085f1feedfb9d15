#include "device/AtCommand.h"

#include "host/Timing.h"
#include "serial/Serial.h"

namespace {
QByteArray Num(long v) { return QByteArray::number(static_cast<qlonglong>(static_cast<std::int32_t>(v))); }
QByteArray Cmd(const char *head, const QByteArray &value) { return QByteArray(head) + value + '\r'; }
} // namespace

bool CAtCommand::Send(CSerial &s, unsigned purge, const QByteArray &command) {
  s.Purge(purge);
  if (!s.IsOpen())
    return false;
  if (command.size() > COMMAND_MAX)
    return false; // never write a command cut short
  const int len = static_cast<int>(command.size());
  return s.PurgeAndWrite(command.constData(), len) == len;
}

bool CAtCommand::SendAt(CSerial &s) const { return Send(s, PURGE_ALL, "at\r"); }
bool CAtCommand::SendAti(CSerial &s) const { return Send(s, PURGE_ALL, "ati\r"); }
bool CAtCommand::SendCgmr(CSerial &s) const { return Send(s, PURGE_ALL, "AT+CGMR\r"); }
bool CAtCommand::SendShow(CSerial &s) const { return Send(s, PURGE_ALL, "at+show\r"); }
bool CAtCommand::QueryIpr(CSerial &s) const { return Send(s, PURGE_ALL, "AT+IPR?\r\n"); }
bool CAtCommand::QueryMode(CSerial &s) const { return Send(s, PURGE_ALL, "AT+MODE?\r\n"); }
bool CAtCommand::QueryActi(CSerial &s) const { return Send(s, PURGE_CLEAR, "AT+ACTI?\r\n"); }
bool CAtCommand::QueryCpin(CSerial &s) const { return Send(s, PURGE_CLEAR, "at+cpin?\r\n"); }
bool CAtCommand::QueryCfun(CSerial &s) const { return Send(s, PURGE_CLEAR, "at+cfun?\r\n"); }
bool CAtCommand::SendCsq(CSerial &s) const { return Send(s, PURGE_CLEAR, "at+csq\r"); }
bool CAtCommand::SendCgatt(CSerial &s) const { return Send(s, PURGE_CLEAR, "at+cgatt=1\r"); }
bool CAtCommand::SendVer(CSerial &s) const { return Send(s, PURGE_CLEAR, "at+ver\r"); }
bool CAtCommand::SendFactory(CSerial &s) const { return Send(s, PURGE_CLEAR, "at+factory\r"); }
bool CAtCommand::SendShutdown(CSerial &s) const { return Send(s, PURGE_ALL, "AT+SHUTDOWN\r"); }

bool CAtCommand::SendNoEcho(CSerial &s) const {
  s.Purge(PURGE_ALL);
  if (!s.IsOpen())
    return false;
  // Written one character at a time: the device's echo would garble a faster command.
  for (char c : QByteArray("at+noecho\r")) {
    if (s.PurgeAndWrite(&c, 1) != 1)
      return false;
    CTiming::Sleep(20);
  }
  return true;
}

bool CAtCommand::SetApn(CSerial &s, const QByteArray &v) const { return Send(s, PURGE_CLEAR, Cmd("at+apn=", v)); }
bool CAtCommand::SetUsername(CSerial &s, const QByteArray &v) const {
  return Send(s, PURGE_CLEAR, Cmd("at+username=", v));
}
bool CAtCommand::SetPassword(CSerial &s, const QByteArray &v) const {
  return Send(s, PURGE_CLEAR, Cmd("at+password=", v));
}
bool CAtCommand::SetCent(CSerial &s, const QByteArray &v) const { return Send(s, PURGE_CLEAR, Cmd("at+cent=", v)); }
bool CAtCommand::SetSvrcnt(CSerial &s, const QByteArray &v) const { return Send(s, PURGE_CLEAR, Cmd("at+svrcnt=", v)); }
bool CAtCommand::SetIpad(CSerial &s, const QByteArray &v) const { return Send(s, PURGE_CLEAR, Cmd("at+ipad=", v)); }
bool CAtCommand::SetPort(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("at+port=", Num(v))); }
bool CAtCommand::SetIpsec(CSerial &s, const QByteArray &v) const { return Send(s, PURGE_CLEAR, Cmd("at+ipsec=", v)); }
bool CAtCommand::SetPtsec(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("at+ptsec=", Num(v))); }
bool CAtCommand::SetIpadN(CSerial &s, const QByteArray &v, int index) const {
  return Send(s, PURGE_CLEAR, "at+ipad" + Num(index) + '=' + v + '\r');
}
bool CAtCommand::SetPortN(CSerial &s, long v, int index) const {
  return Send(s, PURGE_CLEAR, "at+port" + Num(index) + '=' + Num(v) + '\r');
}
bool CAtCommand::SetMode(CSerial &s, const QByteArray &v) const { return Send(s, PURGE_CLEAR, Cmd("at+mode=", v)); }
bool CAtCommand::SetActi(CSerial &s, const QByteArray &v) const { return Send(s, PURGE_CLEAR, Cmd("at+acti=", v)); }
bool CAtCommand::SetDebug(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("at+debug=", Num(v))); }
bool CAtCommand::SetSermode(CSerial &s, const QByteArray &v) const {
  return Send(s, PURGE_CLEAR, Cmd("at+sermode=", v));
}
bool CAtCommand::SetIpr(CSerial &s, const QByteArray &v) const { return Send(s, PURGE_CLEAR, Cmd("at+ipr=", v)); }
bool CAtCommand::SetIdnt(CSerial &s, const QByteArray &v) const { return Send(s, PURGE_CLEAR, Cmd("at+idnt=", v)); }
bool CAtCommand::SetPhon(CSerial &s, const QByteArray &v) const { return Send(s, PURGE_CLEAR, Cmd("at+phon=", v)); }
bool CAtCommand::SetRetmain(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("at+retmain=", Num(v))); }
bool CAtCommand::SetPolltime(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("at+polltime=", Num(v))); }
bool CAtCommand::SetDnsServer(CSerial &s, const QByteArray &v, int index) const {
  if (index == -1)
    return Send(s, PURGE_CLEAR, Cmd("at+dnssv2=", v));
  if (index >= 1 && index <= 4)
    return Send(s, PURGE_CLEAR, "at+dnssvr" + Num(index) + '=' + v + '\r');
  return Send(s, PURGE_CLEAR, Cmd("at+dnssvr=", v));
}
bool CAtCommand::SetSmsc(CSerial &s, const QByteArray &v) const { return Send(s, PURGE_CLEAR, Cmd("at+smsc=", v)); }
bool CAtCommand::SetCtrlno(CSerial &s, const QByteArray &v) const { return Send(s, PURGE_CLEAR, Cmd("at+ctrlno=", v)); }
bool CAtCommand::SetSmsdpswd(CSerial &s, const QByteArray &v) const {
  return Send(s, PURGE_CLEAR, Cmd("at+smsdpswd=", v));
}
bool CAtCommand::SetConnrgst(CSerial &s, const QByteArray &v) const {
  return Send(s, PURGE_CLEAR, Cmd("at+connrgst=", v));
}
bool CAtCommand::SetLinkrgst(CSerial &s, const QByteArray &v) const {
  return Send(s, PURGE_CLEAR, Cmd("at+linkrgst=", v));
}
bool CAtCommand::SetByteint(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("at+byteint=", Num(v))); }
bool CAtCommand::SetDonpswd(CSerial &s, const QByteArray &v) const {
  return Send(s, PURGE_CLEAR, Cmd("AT+DONPSWD=", v));
}
bool CAtCommand::SetDoffpswd(CSerial &s, const QByteArray &v) const {
  return Send(s, PURGE_CLEAR, Cmd("AT+DOFFPSWD=", v));
}
bool CAtCommand::SetExcal(CSerial &s, int group, const QByteArray &v) const {
  return Send(s, PURGE_CLEAR, "AT+EXCAL" + Num(group) + '=' + v + '\r');
}
bool CAtCommand::SetExcclk(CSerial &s, const QByteArray &v) const { return Send(s, PURGE_CLEAR, Cmd("AT+EXCCLK=", v)); }
bool CAtCommand::SetRetry(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("AT+RETRY=", Num(v))); }
bool CAtCommand::SetRdlwt(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("AT+RDLWT=", Num(v))); }
bool CAtCommand::SetTcpmtu(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("AT+TCPMTU=", Num(v))); }
bool CAtCommand::SetMcontime(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("AT+MCONTIME=", Num(v))); }
bool CAtCommand::SetStraight(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("AT+STRAIGHT=", Num(v))); }
bool CAtCommand::SetFrmc(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("at+frmc=", Num(v))); }
bool CAtCommand::SetFvtg(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("at+fvtg=", Num(v))); }
bool CAtCommand::SetFgga(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("at+fgga=", Num(v))); }
bool CAtCommand::SetFgsa(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("at+fgsa=", Num(v))); }
bool CAtCommand::SetFgsv(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("at+fgsv=", Num(v))); }
bool CAtCommand::SetFgll(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("at+fgll=", Num(v))); }
bool CAtCommand::SetGpsad(CSerial &s, const QByteArray &v) const { return Send(s, PURGE_CLEAR, Cmd("at+gpsad=", v)); }
bool CAtCommand::SetGpsport(CSerial &s, long v) const { return Send(s, PURGE_CLEAR, Cmd("at+gpsport=", Num(v))); }
bool CAtCommand::SetGpsint(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("at+gpsint=", Num(v))); }
bool CAtCommand::SetGpstran(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("at+gpstran=", Num(v))); }
bool CAtCommand::SetGpstmod(CSerial &s, int v) const { return Send(s, PURGE_CLEAR, Cmd("at+gpstmod=", Num(v))); }
