#include "params/ParamTable.h"

namespace {
using P = EPage;
using K = EControlKind;
using S = ESender;

// index: label, trim, page, control, kind, sender, sender index, hidden control
const ParamInfo PARAMS[PARAM_COUNT] = {
    /* 0 */ {"Access Point Name:", 0, P::Other, 1003, K::Edit, S::SetApn, 0, 0},
    /* 1 */ {"Center call number", 0, P::Other, 1006, K::Edit, S::SetCent, 0, 0},
    /* 2 */ {"PPP Authentication User Id", 0, P::Other, 1004, K::Edit, S::SetUsername, 0, 0},
    /* 3 */ {"PPP Authentication Password", 0, P::Other, 1005, K::Edit, S::SetPassword, 0, 0},
    /* 4 */ {"Total Servers", 0, P::Base, 1005, K::List, S::SetSvrcnt, 0, 0},
    /* 5 */ {"Server's Ip", 0, P::Base, 1003, K::Edit, S::SetIpad, 0, 0},
    /* 6 */ {"Server1's Ip", 0, P::Base, 1006, K::Edit, S::SetIpadN, 1, 0},
    /* 7 */ {"Server2's Ip", 0, P::Base, 1007, K::Edit, S::SetIpadN, 2, 0},
    /* 8 */ {"Server3's Ip", 0, P::Base, 1008, K::Edit, S::SetIpadN, 3, 0},
    /* 9 */ {"Server4's Ip", 0, P::Base, 1009, K::Edit, S::SetIpadN, 4, 0},
    /* 10 */ {"Server's Port", 0, P::Base, 1010, K::Edit, S::SetPort, 0, 0},
    /* 11 */ {"Server1's Port", 0, P::Base, 1012, K::Edit, S::SetPortN, 1, 0},
    /* 12 */ {"Server2's Port", 0, P::Base, 1013, K::Edit, S::SetPortN, 2, 0},
    /* 13 */ {"Server3's Port", 0, P::Base, 1014, K::Edit, S::SetPortN, 3, 0},
    /* 14 */ {"Server4's Port", 0, P::Base, 1015, K::Edit, S::SetPortN, 4, 0},
    /* 15 */ {"Secondary Server's Ip", 0, P::Base, 1004, K::Edit, S::SetIpsec, 0, 0},
    /* 16 */ {"Secondary Server's Port", 0, P::Base, 1011, K::Edit, S::SetPtsec, 0, 0},
    /* 17 */ {"Work Mode:", 0, P::Dtu, 1005, K::List, S::SetMode, 0, 0},
    /* 18 */ {"Activate Method:", 0, P::Dtu, 1006, K::List, S::SetActi, 0, 0},
    /* 19 */ {"Serial port commu mode", 0, P::Dtu, 1008, K::List, S::SetSermode, 0, 0},
    /* 20 */ {"Modem's ID number", 0, P::Dtu, 1003, K::Edit, S::SetIdnt, 0, 0},
    /* 21 */ {"Modem's Phone Number", 0, P::Dtu, 1004, K::Edit, S::SetPhon, 0, 0},
    /* 22 */ {"Serial Baudrate", 0, P::Dtu, 1010, K::Combo, S::SetIpr, 0, 0},
    /* 23 */ {"Debug Level", 0, P::Dtu, 1007, K::List, S::SetDebug, 0, 0},
    /* 24 */ {"Deliver Recved Tcp Data Directly", 0, P::Dtu, 1016, K::List, S::SetStraight, 0, 0},
    /* 25 */ {"Should Return To Main Server", 0, P::Dtu, 1009, K::List, S::SetRetmain, 0, 0},
    /* 26 */ {"Heartbeat poll time seconds:", 3, P::Other, 1008, K::Edit, S::SetPolltime, 0, 0},
    /* 27 */ {"Dns Server's Ip:", 3, P::Base, 1021, K::Ip, S::SetDnsServer, 0, 0},
    /* 28 */ {"Second Dns Server's Ip:", 3, P::Base, 1022, K::Ip, S::SetDnsServer, -1, 0},
    /* 29 */ {"Dns Server1's Ip:", 3, P::Base, 1023, K::Ip, S::SetDnsServer, 1, 0},
    /* 30 */ {"Dns Server2's Ip:", 3, P::Base, 1024, K::Ip, S::SetDnsServer, 2, 0},
    /* 31 */ {"Dns Server3's Ip:", 3, P::Base, 1025, K::Ip, S::SetDnsServer, 3, 0},
    /* 32 */ {"Dns Server4's Ip:", 3, P::Base, 1026, K::Ip, S::SetDnsServer, 4, 0},
    /* 33 */ {"Sms Center :", 2, P::Other, 1007, K::Edit, S::SetSmsc, 0, 0},
    /* 34 */ {"Tcp act poll time seconds:", 3, P::None, 0, K::None, S::None, 0, 0},
    /* 35 */ {"Control Phone No.:", 3, P::Other, 1009, K::Edit, S::SetCtrlno, 0, 0},
    /* 36 */ {"Sms Daemon Password:", 3, P::Other, 1010, K::Edit, S::SetSmsdpswd, 0, 0},
    /* 37 */ {"Custom Register Info:", 3, P::Dtu, 1012, K::Edit, S::SetConnrgst, 0, 0},
    /* 38 */ {"Custom Keep Online Info:", 3, P::Dtu, 1013, K::Edit, S::SetLinkrgst, 0, 0},
    /* 39 */ {"Bytes Finish Interval(ms):", 3, P::Dtu, 1011, K::Edit, S::SetByteint, 0, 0},
    /* 40 */ {"Data Daemon PPP On Password:", 3, P::Other, 1011, K::Edit, S::SetDonpswd, 0, 0},
    /* 41 */ {"Data Daemon PPP Off Password:", 3, P::Other, 1012, K::Edit, S::SetDoffpswd, 0, 0},
    /* 42 */ {"Link Fail Retry Times:", 3, P::Dtu, 1014, K::Edit, S::SetRetry, 0, 0},
    /* 43 */ {"Wait Time Between Dial Failures:", 3, P::Dtu, 1015, K::Edit, S::SetRdlwt, 0, 0},
    /* 44 */ {"Max Tcp Frame Len:", 3, P::Other, 1013, K::Edit, S::SetTcpmtu, 0, 0},
    /* 45 */ {"Multi Server Reconnect Interval:", 3, P::Other, 1014, K::Edit, S::SetMcontime, 0, 0},
    /* 46 */ {"module's power control:", 2, P::None, 0, K::None, S::None, 0, 0},
    /* 47 */ {"Time:", 3, P::None, 0, K::None, S::None, 0, 0},
    /* 48 */ {"RTC alarm 0:", 3, P::Alarm, 1004, K::Schedule, S::SetExcal, 0, 1022},
    /* 49 */ {"RTC alarm 1:", 3, P::Alarm, 1005, K::Schedule, S::SetExcal, 1, 1027},
    /* 50 */ {"RTC alarm 2:", 3, P::Alarm, 1006, K::Schedule, S::SetExcal, 2, 1028},
    /* 51 */ {"RTC alarm 3:", 3, P::Alarm, 1007, K::Schedule, S::SetExcal, 3, 1029},
    /* 52 */ {"RTC alarm 4:", 3, P::Alarm, 1008, K::Schedule, S::SetExcal, 4, 1030},
    /* 53 */ {"RTC alarm 5:", 3, P::Alarm, 1014, K::Schedule, S::SetExcal, 5, 1031},
    /* 54 */ {"RTC alarm 6:", 3, P::Alarm, 1016, K::Schedule, S::SetExcal, 6, 1032},
    /* 55 */ {"RTC alarm 7:", 3, P::Alarm, 1018, K::Schedule, S::SetExcal, 7, 1033},
    /* 56 */ {"RTC alarm 8:", 3, P::Alarm, 1020, K::Schedule, S::SetExcal, 8, 1034},
    /* 57 */ {"RTC alarm 9:", 3, P::Alarm, 1023, K::Schedule, S::SetExcal, 9, 1035},
    /* 58 */ {"GPS Server's Ip", 0, P::Gps, 1004, K::Edit, S::SetGpsad, 0, 0},
    /* 59 */ {"GPS Server's Port", 0, P::Gps, 1007, K::Edit, S::SetGpsport, 0, 0},
    /* 60 */ {"GPS transmit interval", 0, P::Gps, 1003, K::Edit, S::SetGpsint, 0, 0},
    /* 61 */ {"GPS work mode", 0, P::Gps, 1006, K::List, S::SetGpstmod, 0, 0},
    /* 62 */ {"GPS transmit channel", 0, P::Gps, 1005, K::List, S::SetGpstran, 0, 0},
    /* 63 */ {"GPS GPRMC", 0, P::Gps, 1008, K::List, S::SetFrmc, 0, 0},
    /* 64 */ {"GPS GPVTG", 0, P::Gps, 1009, K::List, S::SetFvtg, 0, 0},
    /* 65 */ {"GPS GPGGA", 0, P::Gps, 1010, K::List, S::SetFgga, 0, 0},
    /* 66 */ {"GPS GPGSA", 0, P::Gps, 1011, K::List, S::SetFgsa, 0, 0},
    /* 67 */ {"GPS GPGSV", 0, P::Gps, 1012, K::List, S::SetFgsv, 0, 0},
    /* 68 */ {"GPS GPGLL", 0, P::Gps, 1013, K::List, S::SetFgll, 0, 0},
};
} // namespace

const ParamInfo &ParamInfoAt(int index) { return PARAMS[index]; }

CParamTable ParamTable;
CSerialWorkSettings g_serialWork;

ParamArray CParamTable::Snapshot() const {
  std::lock_guard lock(m_mutex);
  return m_entries;
}

void CParamTable::Replace(const ParamArray &entries) {
  std::lock_guard lock(m_mutex);
  m_entries = entries;
}

ParamEntry CParamTable::Entry(int index) const {
  std::lock_guard lock(m_mutex);
  return m_entries[static_cast<size_t>(index)];
}

void CParamTable::SetValue(int index, const QByteArray &value) {
  std::lock_guard lock(m_mutex);
  m_entries[static_cast<size_t>(index)].szValue = value.left(PARAM_VALUE_MAX);
}

bool CParamTable::Found(int index) const {
  std::lock_guard lock(m_mutex);
  return m_entries[static_cast<size_t>(index)].bFound != 0;
}

QByteArray CSerialWorkSettings::CommMode() const {
  std::lock_guard lock(m_mutex);
  return m_commMode;
}

void CSerialWorkSettings::SetCommMode(const QByteArray &mode) {
  std::lock_guard lock(m_mutex);
  m_commMode = mode;
}
