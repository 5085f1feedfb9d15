#include "params/ParamTable.h"

#include <iterator>

namespace {
using P = EPage;
using K = EControlKind;
using E = EEncode;
using C = ECompare;
using F = EFill;
using M = EMirror;

// The list items' keywords, in item order. They differ from the items only
// where an item is longer ("SMSD" is found by "SMS").
const char *const WORK_MODE_KEYS[] = {"PROT", "TRNS", "TTRN", "TLNT", "LONG", "LNGT", "TUDP", "TCST", "TCPSVR"};
const char *const ACTIVATION_KEYS[] = {"AUTO", "SMS", "CTRL", "DATA", "MIXD"};
const char *const SERIAL_FORMAT_KEYS[] = {"8N1", "8E1", "8O1", "7O1", "7E1", "7N1"};

// The log texts keep the device's and the original tool's spellings ("Pakcet",
// "Bandrate", "Dail-Wake", doubled quotes): technicians and their scripts
// match them, so they must stay as they are.
// clang-format off
const ParamInfo PARAMS[PARAM_COUNT] = {
    /* 0 */ {.label = "Access Point Name:", .trim = 0, .page = P::Other, .controlId = 1003, .kind = K::Edit,
     .command = "at+apn=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+apn=%1\r\n", "Saving APN.......[AT+APN]\r\n", "Save APN....OK...\r\n", "Save APN Failed\r\n"},
     .mirror = M::PageText},
    /* 1 */ {.label = "Center call number", .trim = 0, .page = P::Other, .controlId = 1006, .kind = K::Edit,
     .command = "at+cent=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+cent=%1\r\n", "Saving CENT.......[AT+CENT]\r\n", "Save CENT....OK...\r\n", "Save CENT Failed\r\n"},
     .mirror = M::PageText},
    /* 2 */ {.label = "PPP Authentication User Id", .trim = 0, .page = P::Other, .controlId = 1004, .kind = K::Edit,
     .command = "at+username=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+username=%1\r\n", "Saving USERNAME.......[AT+USERNAME]\r\n", "Save USERNAME....OK...\r\n", "Save USERNAME Failed\r\n"},
     .mirror = M::PageText},
    /* 3 */ {.label = "PPP Authentication Password", .trim = 0, .page = P::Other, .controlId = 1005, .kind = K::Edit,
     .command = "at+password=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+password=%1\r\n", "Saving PASSWORD.......[AT+PASSWORD]\r\n", "Save PASSWORD....OK...\r\n", "Save PASSWORD Failed\r\n"},
     .mirror = M::PageText},
    /* 4 */ {.label = "Total Servers", .trim = 0, .page = P::Base, .controlId = 1005, .kind = K::List,
     .command = "at+svrcnt=", .encode = E::Text, .compare = C::Number, .fill = F::IndexMinus1, .waitMs = 5000,
     .texts = {"at+svrcnt=%1\r\n", "Saving SVRCNT......[AT+SVRCNT]\r\n", "Save SVRCNT....OK...\r\n", "Save SVRCNT Failed\r\n"},
     .mirror = M::PageText},
    /* 5 */ {.label = "Server's Ip", .trim = 0, .page = P::Base, .controlId = 1003, .kind = K::Edit,
     .command = "at+ipad=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+ipad=%1\r\n", "Saving IPAD......[AT+IPAD]\r\n", "Save IPAD....OK...\r\n", "Save IPAD Failed\r\n"},
     .mirror = M::PageText},
    /* 6 */ {.label = "Server1's Ip", .trim = 0, .page = P::Base, .controlId = 1006, .kind = K::Edit,
     .command = "at+ipad1=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+ipad1=%1\r\n", "Saving IPADN2......[AT+IPADN]\r\n", "Save IPADN2....OK...\r\n", "Save IPAD2 Failed\r\n"},
     .mirror = M::PageText},
    /* 7 */ {.label = "Server2's Ip", .trim = 0, .page = P::Base, .controlId = 1007, .kind = K::Edit,
     .command = "at+ipad2=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+ipad2=%1\r\n", "Saving IPADN3......[AT+IPADN]\r\n", "Save IPADN3....OK...\r\n", "Save IPAD3 Failed\r\n"},
     .mirror = M::PageText},
    /* 8 */ {.label = "Server3's Ip", .trim = 0, .page = P::Base, .controlId = 1008, .kind = K::Edit,
     .command = "at+ipad3=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+ipad3=%1\r\n", "Saving IPADN4......[AT+IPADN]\r\n", "SaveIPADN4....OK...\r\n", "Save IPAD4 Failed\r\n"},
     .mirror = M::PageText},
    /* 9 */ {.label = "Server4's Ip", .trim = 0, .page = P::Base, .controlId = 1009, .kind = K::Edit,
     .command = "at+ipad4=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+ipad4=%1\r\n", "Saving IPADN5......[AT+IPADN]\r\n", "Save IPADN5....OK...\r\n", "Save IPAD5 Failed\r\n"},
     .mirror = M::PageText},
    /* 10 */ {.label = "Server's Port", .trim = 0, .page = P::Base, .controlId = 1010, .kind = K::Edit,
     .command = "at+port=", .encode = E::Number, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+portd=%1\r\n", "Saving PORT......[AT+PORTD]\r\n", "Save PORT....OK...\r\n", "Save PORT Failed\r\n"},
     .mirror = M::PageText},
    /* 11 */ {.label = "Server1's Port", .trim = 0, .page = P::Base, .controlId = 1012, .kind = K::Edit,
     .command = "at+port1=", .encode = E::Number, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+portd1=%1\r\n", "Saving PORTN2......[AT+PORTDN]\r\n", "Save PORTN2....OK...\r\n", "Save PORTN2 Failed\r\n"},
     .mirror = M::PageText},
    /* 12 */ {.label = "Server2's Port", .trim = 0, .page = P::Base, .controlId = 1013, .kind = K::Edit,
     .command = "at+port2=", .encode = E::Number, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+portd2=%1\r\n", "SavingPORTN3......[AT+PORTDN]\r\n", "Save PORTN3....OK...\r\n", "Save PORTN3 Failed\r\n"},
     .mirror = M::PageText},
    /* 13 */ {.label = "Server3's Port", .trim = 0, .page = P::Base, .controlId = 1014, .kind = K::Edit,
     .command = "at+port3=", .encode = E::Number, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+portd3=%1\r\n", "SavingPORTN4......[AT+PORTDN]\r\n", "Save PORTN4....OK...\r\n", "Save PORTN4 Failed\r\n"},
     .mirror = M::PageText},
    /* 14 */ {.label = "Server4's Port", .trim = 0, .page = P::Base, .controlId = 1015, .kind = K::Edit,
     .command = "at+port4=", .encode = E::Number, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+portd4=%1\r\n", "SavingPORTN5......[AT+PORTDN]\r\n", "Save PORTN5....OK...\r\n", "Save PORTN5 Failed\r\n"},
     .mirror = M::PageText},
    /* 15 */ {.label = "Secondary Server's Ip", .trim = 0, .page = P::Base, .controlId = 1004, .kind = K::Edit,
     .command = "at+ipsec=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+ipsec=%1\r\n", "SavingIPSEC......[AT+IPSEC]\r\n", "Save IPSEC....OK...\r\n", "Save IPSEC Failed\r\n"},
     .mirror = M::PageText},
    /* 16 */ {.label = "Secondary Server's Port", .trim = 0, .page = P::Base, .controlId = 1011, .kind = K::Edit,
     .command = "at+ptsec=", .encode = E::Number, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+ptsec=%1\r\n", nullptr, "Save PTSEC....OK...\r\n", "Save PTSEC Failed\r\n"},
     .mirror = M::PageText},
    /* 17 */ {.label = "Work Mode:", .trim = 0, .page = P::Dtu, .controlId = 1005, .kind = K::List,
     .command = "at+mode=", .encode = E::Text, .compare = C::Contained, .fill = F::Keyword, .keywords = WORK_MODE_KEYS, .keywordCount = std::size(WORK_MODE_KEYS), .waitMs = 5000,
     .texts = {"at+setmode=%1\r\n", "Saving SETMODE......[AT+SETMODE]\r\n", "Save SETMODE....OK...\r\n", "Save SETMODE Failed\r\n"}},
    /* 18 */ {.label = "Activate Method:", .trim = 0, .page = P::Dtu, .controlId = 1006, .kind = K::List,
     .command = "at+acti=", .encode = E::Text, .compare = C::Text, .fill = F::Keyword, .keywords = ACTIVATION_KEYS, .keywordCount = std::size(ACTIVATION_KEYS), .waitMs = 5000,
     .texts = {"at+setacti=%1\r\n", "Saving Trigger Style......[AT+SETACTI]\r\n", "Save SETACTI....OK...\r\n", "Save SETACT Failed\r\n"}},
    /* 19 */ {.label = "Serial port commu mode", .trim = 0, .page = P::Dtu, .controlId = 1008, .kind = K::List,
     .command = "at+sermode=", .encode = E::Text, .compare = C::Text, .fill = F::Keyword, .keywords = SERIAL_FORMAT_KEYS, .keywordCount = std::size(SERIAL_FORMAT_KEYS), .waitMs = 5000,
     .texts = {"at+sermode=%1\r\n", "Saving COM mode......[AT+SERMODE]\r\n", "Save SERMODE....OK...\r\n", "Save SERMODE Failed\r\n"},
     .mirror = M::CommMode},
    /* 20 */ {.label = "Modem's ID number", .trim = 0, .page = P::Dtu, .controlId = 1003, .kind = K::Edit,
     .command = "at+idnt=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+idnt=%1\r\n", "Saving Modem ID......[AT+IDNT]\r\n", "Save Modem ID....OK...\r\n", "Save Modem ID Failed\r\n"}},
    /* 21 */ {.label = "Modem's Phone Number", .trim = 0, .page = P::Dtu, .controlId = 1004, .kind = K::Edit,
     .command = "at+phon=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+phon=%1\r\n", "Saving Modem Phone Number......[AT+PHON]\r\n", "Save Modem Phone Number....OK...\r\n", "Save Modem Phone Number Failed\r\n"}},
    /* 22 */ {.label = "Serial Baudrate", .trim = 0, .page = P::Dtu, .controlId = 1010, .kind = K::Combo,
     .command = "at+ipr=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+setipr=%1\r\n", "Saving Bandrate......[AT+SETIPR]\r\n", "Save Bandrate....OK...\r\n", "Save Bandrate Failed\r\n"},
     .mirror = M::Baudrate},
    /* 23 */ {.label = "Debug Level", .trim = 0, .page = P::Dtu, .controlId = 1007, .kind = K::List,
     .command = "at+debug=", .encode = E::Number, .compare = C::Number, .fill = F::Index, .waitMs = 5000,
     .texts = {"at+debug=%1\r\n", "Saving Debug Level......[AT+DEBUG]\r\n", "Save Debug Level....OK...\r\n", "Save Debug Level Failed\r\n"}},
    /* 24 */ {.label = "Deliver Recved Tcp Data Directly", .trim = 0, .page = P::Dtu, .controlId = 1016, .kind = K::List,
     .command = "AT+STRAIGHT=", .encode = E::Number, .compare = C::Number, .fill = F::Index, .waitMs = 5000,
     .texts = {"at+straight=%1\r\n", "Saving Straight......[AT+STRAIGHT]\r\n", "Save Straight....OK...\r\n", "Save Straight Failed\r\n"}},
    /* 25 */ {.label = "Should Return To Main Server", .trim = 0, .page = P::Dtu, .controlId = 1009, .kind = K::List,
     .command = "at+retmain=", .encode = E::Number, .compare = C::Number, .fill = F::Index, .waitMs = 5000,
     .texts = {"at+remain=%1\r\n", "Setting Return Main Center Or Not......[AT+RETMAIN]\r\n", " Set Return Main Center....OK...\r\n", "Set Return Main Center Failed\r\n"}},
    /* 26 */ {.label = "Heartbeat poll time seconds:", .trim = 3, .page = P::Other, .controlId = 1008, .kind = K::Edit,
     .command = "at+polltime=", .encode = E::Number, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+polltime=%1\r\n", "Setting Poll Time......[AT+POLLTIME]\r\n", "Set Poll Time.....OK...\r\n", "Set Poll Time Failed\r\n"}},
    /* 27 */ {.label = "Dns Server's Ip:", .trim = 3, .page = P::Base, .controlId = 1021, .kind = K::Ip,
     .command = "at+dnssvr=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+dnssvr=%1\r\n", "Setting DNS Main Server......[AT+DNSSVR]\r\n", "Set DNS Main Server.....OK...\r\n", "Set DNS Main Server Failed\r\n"}},
    /* 28 */ {.label = "Second Dns Server's Ip:", .trim = 3, .page = P::Base, .controlId = 1022, .kind = K::Ip,
     .command = "at+dnssv2=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+dnssv2=%1\r\n", "Setting DNS Backup Server......[AT+DNSSV]\r\n", "Set DNS Backup Server.....OK...\r\n", "Set DNS Backup Failed\r\n"}},
    /* 29 */ {.label = "Dns Server1's Ip:", .trim = 3, .page = P::Base, .controlId = 1023, .kind = K::Ip,
     .command = "at+dnssvr1=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+dnssvr1=%1\r\n", "Setting DNS Main Server 1......[AT+DNSSVR1]\r\n", "Set DNS Main Server 1.....OK...\r\n", "Set DNS Main Server 1 Failed\r\n"}},
    /* 30 */ {.label = "Dns Server2's Ip:", .trim = 3, .page = P::Base, .controlId = 1024, .kind = K::Ip,
     .command = "at+dnssvr2=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+dnssvr2=%1\r\n", "Setting DNS Main Server 2......[AT+DNSSVR2]\r\n", "Set DNS Main Server 2.....OK...\r\n", "Set DNS Main Server 2 Failed\r\n"}},
    /* 31 */ {.label = "Dns Server3's Ip:", .trim = 3, .page = P::Base, .controlId = 1025, .kind = K::Ip,
     .command = "at+dnssvr3=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+dnssvr3=%1\r\n", "Setting DNS Main Server 3......[AT+DNSSVR3]\r\n", "Set DNS Main Server 3.....OK...\r\n", "Set DNS Main Server 3 Failed\r\n"}},
    /* 32 */ {.label = "Dns Server4's Ip:", .trim = 3, .page = P::Base, .controlId = 1026, .kind = K::Ip,
     .command = "at+dnssvr4=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+dnssvr4=%1\r\n", "Setting DNS Main Server 4.....[AT+DNSSVR4]\r\n", "Set DNS Main Server 4....OK...\r\n", "Set DNS Main Server 4 Failed\r\n"}},
    /* 33 */ {.label = "Sms Center :", .trim = 2, .page = P::Other, .controlId = 1007, .kind = K::Edit,
     .command = "at+smsc=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+smsc=%1\r\n", "Setting SMS Center Number......[AT+SMSC]\r\n", "Set SMS Center Number.....OK...\r\n", "Set SMS Center Number Failed\r\n"}},
    /* 34 */ {.label = "Tcp act poll time seconds:", .trim = 3, .page = P::None, .controlId = 0, .kind = K::None},
    /* 35 */ {.label = "Control Phone No.:", .trim = 3, .page = P::Other, .controlId = 1009, .kind = K::Edit,
     .command = "at+ctrlno=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+ctrlno=%1\r\n", "Setting Dail-Wake Number......[AT+CTRLNO]\r\n", "Set Dail-Wake Number.....OK...\r\n", "Set Dail-Wake Number Failed\r\n"}},
    /* 36 */ {.label = "Sms Daemon Password:", .trim = 3, .page = P::Other, .controlId = 1010, .kind = K::Edit,
     .command = "at+smsdpswd=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+smsdpswd=%1\r\n", "Setting Dail-Wake Password......[AT+SMSDPSWD]\r\n", "Set Dail-Wake Password.....OK...\r\n", "Set Dail-Wake Password Failed\r\n"}},
    /* 37 */ {.label = "Custom Register Info:", .trim = 3, .page = P::Dtu, .controlId = 1012, .kind = K::Edit,
     .command = "at+connrgst=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+connrgst=%1\r\n", "Setting Self-Regest Pakcet......[AT+CONNRGST]\r\n", "Set Self-Regest Pakcet.....OK...\r\n", "Set Self-Regest Pakcet failed\r\n"}},
    /* 38 */ {.label = "Custom Keep Online Info:", .trim = 3, .page = P::Dtu, .controlId = 1013, .kind = K::Edit,
     .command = "at+linkrgst=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+linkrgst=%1\r\n", "Setting Self-Poll Pakcet......[AT+LINKRGST]\r\n", "Set Self-Poll Pakcet.....OK...\r\n", "Set Self-Poll Pakcet Failed\r\n\r\n"}},
    /* 39 */ {.label = "Bytes Finish Interval(ms):", .trim = 3, .page = P::Dtu, .controlId = 1011, .kind = K::Edit,
     .command = "at+byteint=", .encode = E::Number, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+byteint=%1\r\n", "Setting Data-Frame time interval ......[AT+BYTEINT]\r\n", "Set Data-Frame time interval .....OK...\r\n", "Set Data-Frame time interval  failed\r\n\r\n"}},
    /* 40 */ {.label = "Data Daemon PPP On Password:", .trim = 3, .page = P::Other, .controlId = 1011, .kind = K::Edit,
     .command = "AT+DONPSWD=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+nonpswd=%1\r\n", "Setting IP Modem's wake-date ......[AT+DONPSWD]\r\n", "Set IP Modem's wake-date....OK...\r\n", "Set IP Modem''s wake-date failed\r\n\r\n"}},
    /* 41 */ {.label = "Data Daemon PPP Off Password:", .trim = 3, .page = P::Other, .controlId = 1012, .kind = K::Edit,
     .command = "AT+DOFFPSWD=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+doffpswd=%1\r\n", "Setting IP Modem''s Sleep-Date ......[AT+DOFFPSWD]\r\n", "Set IP Modem''s Sleep-Date....OK...\r\n", "Set IP Modem's Sleep-Date Failed\r\n\r\n"}},
    /* 42 */ {.label = "Link Fail Retry Times:", .trim = 3, .page = P::Dtu, .controlId = 1014, .kind = K::Edit,
     .command = "AT+RETRY=", .encode = E::Number, .compare = C::Number, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+retry=%1\r\n", "Setting Retry ......[AT+RETRY]\r\n", "Set Retry....OK...\r\n", "Set Retry Failed\r\n\r\n"}},
    /* 43 */ {.label = "Wait Time Between Dial Failures:", .trim = 3, .page = P::Dtu, .controlId = 1015, .kind = K::Edit,
     .command = "AT+RDLWT=", .encode = E::Number, .compare = C::Number, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+rdlwt=%1\r\n", "Setting Retry time interval.....[AT+RDLWT]\r\n", "Set Retry time interval....OK...\r\n", "Set Retry time interval Failed\r\n\r\n"}},
    /* 44 */ {.label = "Max Tcp Frame Len:", .trim = 3, .page = P::Other, .controlId = 1013, .kind = K::Edit,
     .command = "AT+TCPMTU=", .encode = E::Number, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+tcpmtu=%1\r\n", "Setting TCP Data MTU ......[AT+TCPMTU]\r\n", "Set TCP Data MTU....OK...\r\n", "Set TCP Data MTU Failed\r\n\r\n"}},
    /* 45 */ {.label = "Multi Server Reconnect Interval:", .trim = 3, .page = P::Other, .controlId = 1014, .kind = K::Edit,
     .command = "AT+MCONTIME=", .encode = E::Number, .compare = C::Text, .fill = F::Text, .waitMs = 5000,
     .texts = {"at+mcontime=%1\r\n", "Setting Multiply Center Connection time......[AT+MCONTIME]\r\n", "Set Multiply Center Connection time....OK...\r\n", "Set Multiply Center Connection time Failed\r\n\r\n"}},
    /* 46 */ {.label = "module's power control:", .trim = 2, .page = P::None, .controlId = 0, .kind = K::None},
    /* 47 */ {.label = "Time:", .trim = 3, .page = P::None, .controlId = 0, .kind = K::None},
    /* 48 */ {.label = "RTC alarm 0:", .trim = 3, .page = P::Alarm, .controlId = 1004, .kind = K::Schedule, .hiddenControlId = 1022,
     .command = "AT+EXCAL0=", .encode = E::Text, .compare = C::Text, .fill = F::Schedule, .waitMs = 3000,
     .texts = {"at+excal0=%1\r\n", "at+excal0=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 49 */ {.label = "RTC alarm 1:", .trim = 3, .page = P::Alarm, .controlId = 1005, .kind = K::Schedule, .hiddenControlId = 1027,
     .command = "AT+EXCAL1=", .encode = E::Text, .compare = C::Text, .fill = F::Schedule, .waitMs = 3000,
     .texts = {"at+excal1=%1\r\n", "at+excal1=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 50 */ {.label = "RTC alarm 2:", .trim = 3, .page = P::Alarm, .controlId = 1006, .kind = K::Schedule, .hiddenControlId = 1028,
     .command = "AT+EXCAL2=", .encode = E::Text, .compare = C::Text, .fill = F::Schedule, .waitMs = 3000,
     .texts = {"at+excal2=%1\r\n", "at+excal2=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 51 */ {.label = "RTC alarm 3:", .trim = 3, .page = P::Alarm, .controlId = 1007, .kind = K::Schedule, .hiddenControlId = 1029,
     .command = "AT+EXCAL3=", .encode = E::Text, .compare = C::Text, .fill = F::Schedule, .waitMs = 3000,
     .texts = {"at+excal3=%1\r\n", "at+excal3=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 52 */ {.label = "RTC alarm 4:", .trim = 3, .page = P::Alarm, .controlId = 1008, .kind = K::Schedule, .hiddenControlId = 1030,
     .command = "AT+EXCAL4=", .encode = E::Text, .compare = C::Text, .fill = F::Schedule, .waitMs = 3000,
     .texts = {"at+excal4=%1\r\n", "at+excal4=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 53 */ {.label = "RTC alarm 5:", .trim = 3, .page = P::Alarm, .controlId = 1014, .kind = K::Schedule, .hiddenControlId = 1031,
     .command = "AT+EXCAL5=", .encode = E::Text, .compare = C::Text, .fill = F::Schedule, .waitMs = 3000,
     .texts = {"at+excal5=%1\r\n", "at+excal5=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 54 */ {.label = "RTC alarm 6:", .trim = 3, .page = P::Alarm, .controlId = 1016, .kind = K::Schedule, .hiddenControlId = 1032,
     .command = "AT+EXCAL6=", .encode = E::Text, .compare = C::Text, .fill = F::Schedule, .waitMs = 3000,
     .texts = {"at+excal6=%1\r\n", "at+excal6=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 55 */ {.label = "RTC alarm 7:", .trim = 3, .page = P::Alarm, .controlId = 1018, .kind = K::Schedule, .hiddenControlId = 1033,
     .command = "AT+EXCAL7=", .encode = E::Text, .compare = C::Text, .fill = F::Schedule, .waitMs = 3000,
     .texts = {"at+excal7=%1\r\n", "at+excal7=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 56 */ {.label = "RTC alarm 8:", .trim = 3, .page = P::Alarm, .controlId = 1020, .kind = K::Schedule, .hiddenControlId = 1034,
     .command = "AT+EXCAL8=", .encode = E::Text, .compare = C::Text, .fill = F::Schedule, .waitMs = 3000,
     .texts = {"at+excal8=%1\r\n", "at+excal8=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 57 */ {.label = "RTC alarm 9:", .trim = 3, .page = P::Alarm, .controlId = 1023, .kind = K::Schedule, .hiddenControlId = 1035,
     .command = "AT+EXCAL9=", .encode = E::Text, .compare = C::Text, .fill = F::Schedule, .waitMs = 3000,
     .texts = {"at+excal9=%1\r\n", "at+excal9=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 58 */ {.label = "GPS Server's Ip", .trim = 0, .page = P::Gps, .controlId = 1004, .kind = K::Edit,
     .command = "at+gpsad=", .encode = E::Text, .compare = C::Text, .fill = F::Text, .waitMs = 3000,
     .texts = {"at+gpsad=%1\r\n", "at+gpsad=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 59 */ {.label = "GPS Server's Port", .trim = 0, .page = P::Gps, .controlId = 1007, .kind = K::Edit,
     .command = "at+gpsport=", .encode = E::Number, .compare = C::Text, .fill = F::Text, .waitMs = 3000,
     .texts = {"at+gpsport=%1\r\n", "at+gpsport=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 60 */ {.label = "GPS transmit interval", .trim = 0, .page = P::Gps, .controlId = 1003, .kind = K::Edit,
     .command = "at+gpsint=", .encode = E::Number, .compare = C::Text, .fill = F::Text, .waitMs = 3000,
     .texts = {"at+gpsint=%1\r\n", "at+gpsint=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 61 */ {.label = "GPS work mode", .trim = 0, .page = P::Gps, .controlId = 1006, .kind = K::List,
     .command = "at+gpstmod=", .encode = E::ListIndex, .compare = C::Selection, .fill = F::Index, .waitMs = 3000,
     .texts = {"at+gpstmod=%1\r\n", "at+gpstmod=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 62 */ {.label = "GPS transmit channel", .trim = 0, .page = P::Gps, .controlId = 1005, .kind = K::List,
     .command = "at+gpstran=", .encode = E::ListIndex, .compare = C::Selection, .fill = F::Index, .waitMs = 3000,
     .texts = {"at+gpstran=%1\r\n", "at+gpstran=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 63 */ {.label = "GPS GPRMC", .trim = 0, .page = P::Gps, .controlId = 1008, .kind = K::List,
     .command = "at+frmc=", .encode = E::ListIndex, .compare = C::Selection, .fill = F::Index, .waitMs = 3000,
     .texts = {"at+frmc=%1\r\n", "at+frmc=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 64 */ {.label = "GPS GPVTG", .trim = 0, .page = P::Gps, .controlId = 1009, .kind = K::List,
     .command = "at+fvtg=", .encode = E::ListIndex, .compare = C::Selection, .fill = F::Index, .waitMs = 3000,
     .texts = {"at+fvtg=%1\r\n", "at+fvtg=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 65 */ {.label = "GPS GPGGA", .trim = 0, .page = P::Gps, .controlId = 1010, .kind = K::List,
     .command = "at+fgga=", .encode = E::ListIndex, .compare = C::Selection, .fill = F::Index, .waitMs = 3000,
     .texts = {"at+fgga=%1\r\n", "at+fgga=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 66 */ {.label = "GPS GPGSA", .trim = 0, .page = P::Gps, .controlId = 1011, .kind = K::List,
     .command = "at+fgsa=", .encode = E::ListIndex, .compare = C::Selection, .fill = F::Index, .waitMs = 3000,
     .texts = {"at+fgsa=%1\r\n", "at+fgsa=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 67 */ {.label = "GPS GPGSV", .trim = 0, .page = P::Gps, .controlId = 1012, .kind = K::List,
     .command = "at+fgsv=", .encode = E::ListIndex, .compare = C::Selection, .fill = F::Index, .waitMs = 3000,
     .texts = {"at+fgsv=%1\r\n", "at+fgsv=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
    /* 68 */ {.label = "GPS GPGLL", .trim = 0, .page = P::Gps, .controlId = 1013, .kind = K::List,
     .command = "at+fgll=", .encode = E::ListIndex, .compare = C::Selection, .fill = F::Index, .waitMs = 3000,
     .texts = {"at+fgll=%1\r\n", "at+fgll=%1\r\n", "Setup Success!\r\n\r\n", "Setup Failed!\r\n\r\n"}},
};
// clang-format on
} // namespace

const ParamInfo &ParamInfoAt(int index) { return PARAMS[index]; }

bool IsSaved(int index) { return index >= 0 && index < PARAM_COUNT && PARAMS[index].encode != EEncode::None; }

int KeywordPosition(int index, const QByteArray &value) {
  if (index < 0 || index >= PARAM_COUNT)
    return -1;
  const ParamInfo &info = PARAMS[index];
  for (int i = 0; i < info.keywordCount; ++i) {
    if (value.contains(info.keywords[i]))
      return i;
  }
  return -1;
}

ParamArray CParamTable::Snapshot() const {
  std::lock_guard lock(m_mutex);
  return m_entries;
}

void CParamTable::Replace(const ParamArray &entries) {
  {
    std::lock_guard lock(m_mutex);
    m_entries = entries;
  }
  Changed();
}

void CParamTable::SetChangedHandler(std::function<void()> fn) {
  std::lock_guard lock(m_mutex);
  m_changed = std::move(fn);
}

void CParamTable::Changed() const {
  std::function<void()> fn;
  {
    std::lock_guard lock(m_mutex);
    fn = m_changed;
  }
  if (fn)
    fn();
}

ParamEntry CParamTable::Entry(int index) const {
  std::lock_guard lock(m_mutex);
  return m_entries[static_cast<size_t>(index)];
}

void CParamTable::SetValue(int index, const QByteArray &value) {
  {
    std::lock_guard lock(m_mutex);
    m_entries[static_cast<size_t>(index)].szValue = value.left(PARAM_VALUE_MAX);
  }
  Changed();
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
