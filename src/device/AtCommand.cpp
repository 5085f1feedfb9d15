#include "device/AtCommand.h"

#include "base/Timing.h"
#include "params/ParamValue.h"
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

bool CAtCommand::SetParam(CSerial &s, int index, const QByteArray &value) const {
  const QByteArray command = ParamCommand(index, value);
  return !command.isEmpty() && Send(s, PURGE_CLEAR, command);
}

// The named senders, one per command, as the flows name them.
bool CAtCommand::SetApn(CSerial &s, const QByteArray &v) const { return SetParam(s, PARAM_APN, v); }
bool CAtCommand::SetUsername(CSerial &s, const QByteArray &v) const { return SetParam(s, 2, v); }
bool CAtCommand::SetPassword(CSerial &s, const QByteArray &v) const { return SetParam(s, 3, v); }
bool CAtCommand::SetCent(CSerial &s, const QByteArray &v) const { return SetParam(s, 1, v); }
bool CAtCommand::SetSvrcnt(CSerial &s, const QByteArray &v) const { return SetParam(s, PARAM_TOTAL_SERVERS, v); }
bool CAtCommand::SetIpad(CSerial &s, const QByteArray &v) const { return SetParam(s, 5, v); }
bool CAtCommand::SetPort(CSerial &s, int v) const { return SetParam(s, 10, Num(v)); }
bool CAtCommand::SetIpsec(CSerial &s, const QByteArray &v) const { return SetParam(s, 15, v); }
bool CAtCommand::SetPtsec(CSerial &s, int v) const { return SetParam(s, 16, Num(v)); }
bool CAtCommand::SetMode(CSerial &s, const QByteArray &v) const { return SetParam(s, PARAM_WORK_MODE, v); }
bool CAtCommand::SetActi(CSerial &s, const QByteArray &v) const { return SetParam(s, PARAM_ACTIVATE, v); }
bool CAtCommand::SetDebug(CSerial &s, int v) const { return SetParam(s, 23, Num(v)); }
bool CAtCommand::SetSermode(CSerial &s, const QByteArray &v) const { return SetParam(s, PARAM_SERIAL_MODE, v); }
bool CAtCommand::SetIpr(CSerial &s, const QByteArray &v) const { return SetParam(s, PARAM_BAUDRATE, v); }
bool CAtCommand::SetIdnt(CSerial &s, const QByteArray &v) const { return SetParam(s, 20, v); }
bool CAtCommand::SetPhon(CSerial &s, const QByteArray &v) const { return SetParam(s, 21, v); }
bool CAtCommand::SetRetmain(CSerial &s, int v) const { return SetParam(s, 25, Num(v)); }
bool CAtCommand::SetPolltime(CSerial &s, int v) const { return SetParam(s, 26, Num(v)); }
bool CAtCommand::SetSmsc(CSerial &s, const QByteArray &v) const { return SetParam(s, 33, v); }
bool CAtCommand::SetCtrlno(CSerial &s, const QByteArray &v) const { return SetParam(s, 35, v); }
bool CAtCommand::SetSmsdpswd(CSerial &s, const QByteArray &v) const { return SetParam(s, 36, v); }
bool CAtCommand::SetConnrgst(CSerial &s, const QByteArray &v) const { return SetParam(s, 37, v); }
bool CAtCommand::SetLinkrgst(CSerial &s, const QByteArray &v) const { return SetParam(s, 38, v); }
bool CAtCommand::SetByteint(CSerial &s, int v) const { return SetParam(s, 39, Num(v)); }
bool CAtCommand::SetDonpswd(CSerial &s, const QByteArray &v) const { return SetParam(s, 40, v); }
bool CAtCommand::SetDoffpswd(CSerial &s, const QByteArray &v) const { return SetParam(s, 41, v); }
bool CAtCommand::SetRetry(CSerial &s, int v) const { return SetParam(s, 42, Num(v)); }
bool CAtCommand::SetRdlwt(CSerial &s, int v) const { return SetParam(s, 43, Num(v)); }
bool CAtCommand::SetTcpmtu(CSerial &s, int v) const { return SetParam(s, 44, Num(v)); }
bool CAtCommand::SetMcontime(CSerial &s, int v) const { return SetParam(s, 45, Num(v)); }
bool CAtCommand::SetStraight(CSerial &s, int v) const { return SetParam(s, 24, Num(v)); }
bool CAtCommand::SetGpsad(CSerial &s, const QByteArray &v) const { return SetParam(s, 58, v); }
bool CAtCommand::SetGpsport(CSerial &s, long v) const { return SetParam(s, 59, Num(v)); }
bool CAtCommand::SetGpsint(CSerial &s, int v) const { return SetParam(s, 60, Num(v)); }
bool CAtCommand::SetGpstmod(CSerial &s, int v) const { return SetParam(s, 61, Num(v)); }
bool CAtCommand::SetGpstran(CSerial &s, int v) const { return SetParam(s, 62, Num(v)); }
bool CAtCommand::SetFrmc(CSerial &s, int v) const { return SetParam(s, 63, Num(v)); }
bool CAtCommand::SetFvtg(CSerial &s, int v) const { return SetParam(s, 64, Num(v)); }
bool CAtCommand::SetFgga(CSerial &s, int v) const { return SetParam(s, 65, Num(v)); }
bool CAtCommand::SetFgsa(CSerial &s, int v) const { return SetParam(s, 66, Num(v)); }
bool CAtCommand::SetFgsv(CSerial &s, int v) const { return SetParam(s, 67, Num(v)); }
bool CAtCommand::SetFgll(CSerial &s, int v) const { return SetParam(s, 68, Num(v)); }
bool CAtCommand::SetIpadN(CSerial &s, const QByteArray &v, int index) const {
  return index >= 1 && index <= 4 && SetParam(s, 5 + index, v);
}
bool CAtCommand::SetPortN(CSerial &s, long v, int index) const {
  return index >= 1 && index <= 4 && SetParam(s, 10 + index, Num(v));
}
bool CAtCommand::SetDnsServer(CSerial &s, const QByteArray &v, int index) const {
  if (index == -1)
    return SetParam(s, 28, v); // the backup server
  return SetParam(s, index >= 1 && index <= 4 ? 28 + index : 27, v);
}
bool CAtCommand::SetExcal(CSerial &s, int group, const QByteArray &v) const {
  return group >= 0 && group <= PARAM_ALARM_LAST - PARAM_ALARM_FIRST && SetParam(s, PARAM_ALARM_FIRST + group, v);
}
// The device clock is no parameter of the table.
bool CAtCommand::SetExcclk(CSerial &s, const QByteArray &v) const { return Send(s, PURGE_CLEAR, Cmd("AT+EXCCLK=", v)); }
