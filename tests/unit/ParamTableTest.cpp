#include "device/AtCommand.h"
#include "model/Pty.h"
#include "params/ParamTable.h"
#include "serial/Serial.h"

#include <gtest/gtest.h>

#include <string>

namespace {
// Every parameter's exact command for a sample value, written out by hand:
// the rows must produce these bytes and nothing else. nullptr: never written.
struct Wire {
  int index;
  const char *value;
  const char *bytes;
};

const Wire WIRE[PARAM_COUNT] = {
    {0, "CMNET", "at+apn=CMNET\r"},
    {1, "*99***1#", "at+cent=*99***1#\r"},
    {2, "user", "at+username=user\r"},
    {3, "secret", "at+password=secret\r"},
    {4, "2", "at+svrcnt=2\r"},
    {5, "198.51.100.1", "at+ipad=198.51.100.1\r"},
    {6, "198.51.100.2", "at+ipad1=198.51.100.2\r"},
    {7, "198.51.100.3", "at+ipad2=198.51.100.3\r"},
    {8, "198.51.100.4", "at+ipad3=198.51.100.4\r"},
    {9, "198.51.100.5", "at+ipad4=198.51.100.5\r"},
    {10, " 5001x", "at+port=5001\r"}, // the decimal prefix, as the device reads a number
    {11, "+5002", "at+port1=5002\r"},
    {12, "5003", "at+port2=5003\r"},
    {13, "5004", "at+port3=5004\r"},
    {14, "5005", "at+port4=5005\r"},
    {15, "backup.example", "at+ipsec=backup.example\r"},
    {16, "-7", "at+ptsec=-7\r"},
    {17, "TRNS", "at+mode=TRNS\r"},
    {18, "SMSD", "at+acti=SMSD\r"},
    {19, "8E1", "at+sermode=8E1\r"},
    {20, "ID0001", "at+idnt=ID0001\r"},
    {21, "13800000000", "at+phon=13800000000\r"},
    {22, "9600", "at+ipr=9600\r"},
    {23, "2", "at+debug=2\r"},
    {24, "1", "AT+STRAIGHT=1\r"},
    {25, "0", "at+retmain=0\r"},
    {26, "60s", "at+polltime=60\r"},
    {27, "8.8.8.8", "at+dnssvr=8.8.8.8\r"},
    {28, "8.8.4.4", "at+dnssv2=8.8.4.4\r"},
    {29, "1.1.1.1", "at+dnssvr1=1.1.1.1\r"},
    {30, "1.0.0.1", "at+dnssvr2=1.0.0.1\r"},
    {31, "9.9.9.9", "at+dnssvr3=9.9.9.9\r"},
    {32, "149.112.112.112", "at+dnssvr4=149.112.112.112\r"},
    {33, "+8613800100500", "at+smsc=+8613800100500\r"},
    {34, "30", nullptr},
    {35, "13900000000", "at+ctrlno=13900000000\r"},
    {36, "1234", "at+smsdpswd=1234\r"},
    {37, "\xd6\xd0\xce\xc4", "at+connrgst=\xd6\xd0\xce\xc4\r"}, // GBK bytes go out as they are
    {38, "LINK", "at+linkrgst=LINK\r"},
    {39, "20", "at+byteint=20\r"},
    {40, "wake", "AT+DONPSWD=wake\r"},
    {41, "sleep", "AT+DOFFPSWD=sleep\r"},
    {42, "3", "AT+RETRY=3\r"},
    {43, "30", "AT+RDLWT=30\r"},
    {44, "1024", "AT+TCPMTU=1024\r"},
    {45, "abc", "AT+MCONTIME=0\r"}, // no digits: 0, as the C library reads it
    {46, "1", nullptr},
    {47, "2024/03/05", nullptr},
    {48, "OD,\"08:00:00\",3600", "AT+EXCAL0=OD,\"08:00:00\",3600\r"},
    {49, "D", "AT+EXCAL1=D\r"},
    {50, "D", "AT+EXCAL2=D\r"},
    {51, "D", "AT+EXCAL3=D\r"},
    {52, "D", "AT+EXCAL4=D\r"},
    {53, "D", "AT+EXCAL5=D\r"},
    {54, "D", "AT+EXCAL6=D\r"},
    {55, "D", "AT+EXCAL7=D\r"},
    {56, "D", "AT+EXCAL8=D\r"},
    {57, "OH,\"00:30:00\",120", "AT+EXCAL9=OH,\"00:30:00\",120\r"},
    {58, "gps.example", "at+gpsad=gps.example\r"},
    {59, "9000", "at+gpsport=9000\r"},
    {60, "30", "at+gpsint=30\r"},
    {61, "1", "at+gpstmod=1\r"},
    {62, "3", "at+gpstran=3\r"},
    {63, "1", "at+frmc=1\r"},
    {64, "0", "at+fvtg=0\r"},
    {65, "1", "at+fgga=1\r"},
    {66, "1", "at+fgsa=1\r"},
    {67, "0", "at+fgsv=0\r"},
    {68, "1", "at+fgll=1\r"},
};
} // namespace

TEST(ParamRows, EveryRowWritesItsExactBytes) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  CSerial serial;
  ASSERT_TRUE(serial.Open(QString::fromStdString(pty.SlavePath()), 115200));
  const CAtCommand at;
  for (int i = 0; i < PARAM_COUNT; ++i) {
    const Wire &w = WIRE[i];
    ASSERT_EQ(w.index, i);
    SCOPED_TRACE(ParamInfoAt(i).label);
    if (!w.bytes) {
      EXPECT_FALSE(IsSaved(i));
      EXPECT_FALSE(at.SetParam(serial, i, w.value));
      EXPECT_EQ(pty.ReadSome(30), "") << "a parameter that is never written puts nothing on the line";
      continue;
    }
    EXPECT_TRUE(IsSaved(i));
    EXPECT_TRUE(at.SetParam(serial, i, w.value));
    EXPECT_EQ(pty.ReadUntil(w.bytes, 2000), std::string(w.bytes));
  }
}
