#pragma once
// Every command the tool writes to the device. Stateless: each sender purges,
// formats and writes through the given port, and returns true only when the
// port is open and the whole command went out. Text values are device bytes
// (GBK), inserted as they are.
#include <QByteArray>

class CSerial;

class CAtCommand {
public:
  // Longest command written; a longer one is refused rather than cut.
  static constexpr int COMMAND_MAX = 255;

  bool SendAt(CSerial &s) const;
  bool SendNoEcho(CSerial &s) const;
  bool SendAti(CSerial &s) const;
  bool SendCgmr(CSerial &s) const;
  bool SendShow(CSerial &s) const;
  bool QueryIpr(CSerial &s) const;
  bool QueryMode(CSerial &s) const;
  bool QueryActi(CSerial &s) const;
  bool QueryCpin(CSerial &s) const;
  bool QueryCfun(CSerial &s) const;
  bool SendCsq(CSerial &s) const;
  bool SendCgatt(CSerial &s) const;
  bool SendVer(CSerial &s) const;
  bool SendFactory(CSerial &s) const;
  bool SendShutdown(CSerial &s) const;

  // Writes value as parameter index, as its row says; false for a parameter
  // that is never written.
  bool SetParam(CSerial &s, int index, const QByteArray &value) const;

  bool SetApn(CSerial &s, const QByteArray &v) const;
  bool SetUsername(CSerial &s, const QByteArray &v) const;
  bool SetPassword(CSerial &s, const QByteArray &v) const;
  bool SetCent(CSerial &s, const QByteArray &v) const;
  bool SetSvrcnt(CSerial &s, const QByteArray &v) const;
  bool SetIpad(CSerial &s, const QByteArray &v) const;
  bool SetPort(CSerial &s, int v) const;
  bool SetIpsec(CSerial &s, const QByteArray &v) const;
  bool SetPtsec(CSerial &s, int v) const;
  bool SetIpadN(CSerial &s, const QByteArray &v, int index) const;
  bool SetPortN(CSerial &s, long v, int index) const;
  bool SetMode(CSerial &s, const QByteArray &v) const;
  bool SetActi(CSerial &s, const QByteArray &v) const;
  bool SetDebug(CSerial &s, int v) const;
  bool SetSermode(CSerial &s, const QByteArray &v) const;
  bool SetIpr(CSerial &s, const QByteArray &v) const;
  bool SetIdnt(CSerial &s, const QByteArray &v) const;
  bool SetPhon(CSerial &s, const QByteArray &v) const;
  bool SetRetmain(CSerial &s, int v) const;
  bool SetPolltime(CSerial &s, int v) const;
  // index -1: backup server; 1..4: numbered servers; anything else: the main server.
  bool SetDnsServer(CSerial &s, const QByteArray &v, int index) const;
  bool SetSmsc(CSerial &s, const QByteArray &v) const;
  bool SetCtrlno(CSerial &s, const QByteArray &v) const;
  bool SetSmsdpswd(CSerial &s, const QByteArray &v) const;
  bool SetConnrgst(CSerial &s, const QByteArray &v) const;
  bool SetLinkrgst(CSerial &s, const QByteArray &v) const;
  bool SetByteint(CSerial &s, int v) const;
  bool SetDonpswd(CSerial &s, const QByteArray &v) const;
  bool SetDoffpswd(CSerial &s, const QByteArray &v) const;
  bool SetExcal(CSerial &s, int group, const QByteArray &v) const;
  bool SetExcclk(CSerial &s, const QByteArray &v) const;
  bool SetRetry(CSerial &s, int v) const;
  bool SetRdlwt(CSerial &s, int v) const;
  bool SetTcpmtu(CSerial &s, int v) const;
  bool SetMcontime(CSerial &s, int v) const;
  bool SetStraight(CSerial &s, int v) const;
  bool SetFrmc(CSerial &s, int v) const;
  bool SetFvtg(CSerial &s, int v) const;
  bool SetFgga(CSerial &s, int v) const;
  bool SetFgsa(CSerial &s, int v) const;
  bool SetFgsv(CSerial &s, int v) const;
  bool SetFgll(CSerial &s, int v) const;
  bool SetGpsad(CSerial &s, const QByteArray &v) const;
  bool SetGpsport(CSerial &s, long v) const;
  bool SetGpsint(CSerial &s, int v) const;
  bool SetGpstran(CSerial &s, int v) const;
  bool SetGpstmod(CSerial &s, int v) const;

  // The common steps: purge, refuse when closed, write with a purge, compare counts.
  static bool Send(CSerial &s, unsigned purge, const QByteArray &command);
};
