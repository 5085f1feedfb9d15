#include "model/Pty.h"
#include "serial/Serial.h"
#include "support/TestUtil.h"

#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <memory>
#include <string>
#include <termios.h>
#include <thread>

namespace {
QString Path(const CPty &pty) { return QString::fromStdString(pty.SlavePath()); }

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}
} // namespace

TEST(Serial, OpenCloseReopenOnAPty) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  CSerial s;
  EXPECT_FALSE(s.IsOpen());
  ASSERT_TRUE(s.Open(Path(pty), 115200)) << s.LastError().toStdString();
  EXPECT_TRUE(s.IsOpen());
  EXPECT_FALSE(s.Open(Path(pty), 115200)) << "a second open of an open object must fail";
  EXPECT_TRUE(s.IsOpen());
  s.Close();
  EXPECT_FALSE(s.IsOpen());
  s.Close(); // closing a closed port does nothing
  ASSERT_TRUE(s.Open(Path(pty), 9600));
  EXPECT_EQ(s.State().baud, 9600);
  EXPECT_EQ(s.WriteString("hi"), 2);
  EXPECT_EQ(pty.ReadUntil("hi", 2000), "hi");
}

TEST(Serial, RefusedOpensReturnFalse) {
  CSerial s;
  EXPECT_FALSE(s.Open(QStringLiteral("/dev/does-not-exist-strelvane"), 115200));
  EXPECT_FALSE(s.LastError().isEmpty());
  EXPECT_FALSE(s.Open(QString(), 115200));
  EXPECT_FALSE(s.IsOpen());
  // Closed: nothing is written, read or purged.
  char buf[8];
  EXPECT_EQ(s.Write("at\r", 3), 0);
  EXPECT_EQ(s.Read(buf, 8, 20), 0);
  EXPECT_FALSE(s.Purge(PURGE_ALL));
  EXPECT_FALSE(s.SetState(9600, 8, 0, 0));
}

TEST(Serial, PortInUseFailsToOpen) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  CSerial first, second;
  ASSERT_TRUE(first.Open(Path(pty), 115200));
  EXPECT_FALSE(second.Open(Path(pty), 115200));
  EXPECT_FALSE(second.IsOpen());
  EXPECT_FALSE(second.LastError().isEmpty());
  first.Close();
  EXPECT_TRUE(second.Open(Path(pty), 115200)) << "free again once closed";
}

TEST(Serial, ReadTakesOnlyWhatIsQueuedAndNotifiesOnTheCreatingThread) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  CSerial s;
  std::atomic<int> notes{0};
  QThread *noteThread = nullptr;
  s.SetOwner([&] {
    ++notes;
    noteThread = QThread::currentThread();
  });
  ASSERT_TRUE(s.Open(Path(pty), 115200));
  ASSERT_TRUE(pty.WriteAll("abc"));
  ASSERT_TRUE(PumpUntil([&] { return s.BytesQueued() == 3 && notes > 0; }));
  EXPECT_EQ(noteThread, QThread::currentThread());
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 2, 20), 2);
  EXPECT_EQ(std::string(buf, 2), "ab");
  EXPECT_EQ(s.Read(buf, 8, 20), 1);
  EXPECT_EQ(buf[0], 'c');
  EXPECT_EQ(s.Read(buf, 8, 20), 0) << "nothing queued: no wait, no bytes";
}

TEST(Serial, PurgeDropsWhatIsQueued) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  CSerial s;
  ASSERT_TRUE(s.Open(Path(pty), 115200));
  ASSERT_TRUE(pty.WriteAll("stale"));
  ASSERT_TRUE(PumpUntil([&] { return s.BytesQueued() == 5; }));
  EXPECT_TRUE(s.Purge(PURGE_RX));
  EXPECT_EQ(s.BytesQueued(), 0);
  ASSERT_TRUE(pty.WriteAll("x"));
  ASSERT_TRUE(PumpUntil([&] { return s.BytesQueued() == 1; }));
  EXPECT_EQ(s.PurgeAndWrite("at\r", 3), 3);
  EXPECT_EQ(s.BytesQueued(), 0);
}

TEST(Serial, WritesFromTwoThreadsDoNotInterleave) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  CSerial s;
  ASSERT_TRUE(s.Open(Path(pty), 115200));
  const std::string a = std::string(60, 'A') + "\r";
  const std::string b = std::string(60, 'B') + "\r";
  constexpr int PER_THREAD = 100;
  std::string got;
  std::atomic<bool> writing{true};
  std::thread reader([&] {
    while (writing)
      got += pty.ReadSome(50);
  });
  auto writer = [&](const std::string &cmd) {
    for (int i = 0; i < PER_THREAD; ++i)
      ASSERT_EQ(s.Write(cmd.data(), static_cast<int>(cmd.size())), static_cast<int>(cmd.size()));
  };
  std::thread ta(writer, a), tb(writer, b);
  ta.join();
  tb.join();
  writing = false;
  reader.join();
  // A pty hands over at most a few KiB per read: drain what is left.
  for (std::string more = pty.ReadSome(200); !more.empty(); more = pty.ReadSome(200))
    got += more;
  int countA = 0, countB = 0;
  size_t start = 0;
  for (size_t cr = got.find('\r'); cr != std::string::npos; start = cr + 1, cr = got.find('\r', start)) {
    const std::string piece = got.substr(start, cr - start + 1);
    if (piece == a)
      ++countA;
    else if (piece == b)
      ++countB;
    else
      FAIL() << "interleaved command: " << piece;
  }
  EXPECT_EQ(countA, PER_THREAD);
  EXPECT_EQ(countB, PER_THREAD);
}

TEST(Serial, LineSettingsAskedForAndParityCheckNeverCleared) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  CSerial s;
  ASSERT_TRUE(s.Open(Path(pty), 115200));
  EXPECT_FALSE(s.Requested().fParity);
  s.SetState(9600, 8, 2, 0); // a pty refuses even parity: only what was asked counts here
  EXPECT_EQ(s.Requested().parity, 2);
  EXPECT_TRUE(s.Requested().fParity);
  s.SetState(19200, 8, 0, 2);
  const LineSettings st = s.Requested();
  EXPECT_EQ(st.baud, 19200);
  EXPECT_EQ(st.parity, 0);
  EXPECT_EQ(st.stopBits, 2);
  EXPECT_TRUE(st.fParity);
  EXPECT_TRUE(s.IsOpen()) << "a refused setting leaves the port open";
  EXPECT_EQ(s.WriteString("ok"), 2);
}

// A Linux pty takes any baud rate but only 8 data bits without parity, so a
// request that changes the baud rate together with one of those is refused
// half way: all of it must be undone, on the line and in what State() says.
TEST(Serial, RefusedLineSettingsLeaveThoseInForce) {
  struct Case {
    const char *name;
    int baud, byteSize, parity, stopBits;
    bool ok;
  };
  const Case cases[] = {
      {"seven data bits", 9600, 7, 0, 0, false},         {"even parity", 9600, 8, 2, 0, false},
      {"seven bits, even parity", 4800, 7, 2, 0, false}, {"no baud rate", 0, 8, 0, 0, false},
      {"nine data bits", 9600, 9, 0, 0, false},          {"baud and stop bits", 19200, 8, 0, 2, true},
  };
  CPty pty;
  ASSERT_TRUE(pty.Open());
  CSerial s;
  ASSERT_TRUE(s.Open(Path(pty), 115200));
  LineSettings before = s.State();
  ASSERT_EQ(before.baud, 115200);
  ASSERT_EQ(before.byteSize, 8);
  ASSERT_EQ(before.parity, 0);
  ASSERT_EQ(before.stopBits, 0);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(s.SetState(c.baud, c.byteSize, c.parity, c.stopBits), c.ok);
    const LineSettings asked = s.Requested();
    EXPECT_EQ(asked.baud, c.baud);
    EXPECT_EQ(asked.byteSize, c.byteSize);
    EXPECT_EQ(asked.parity, c.parity);
    const LineSettings now = s.State();
    const LineSettings expected = c.ok ? LineSettings{c.baud, c.byteSize, c.parity, c.stopBits, false} : before;
    EXPECT_EQ(now.baud, expected.baud);
    EXPECT_EQ(now.byteSize, expected.byteSize);
    EXPECT_EQ(now.parity, expected.parity);
    EXPECT_EQ(now.stopBits, expected.stopBits);
    EXPECT_FALSE(now.fParity) << "no parity was ever in force";
    // The line itself (the master shares the slave's settings) has the same speed.
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.MasterFd(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), expected.baud == 115200 ? speed_t{B115200} : speed_t{B19200});
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t{CS8});
    EXPECT_EQ(s.WriteString("ok"), 2) << "the port stays open and usable";
    EXPECT_EQ(pty.ReadUntil("ok", 2000), "ok");
    before = now;
  }
  s.Close();
  EXPECT_EQ(s.State().baud, 19200) << "kept once closed";
}

TEST(Serial, VanishedDeviceIsReportedOnceWithoutSpinning) {
  auto pty = std::make_unique<CPty>();
  ASSERT_TRUE(pty->Open());
  const QString path = Path(*pty);
  CSerial s;
  std::atomic<int> lost{0};
  s.SetOwner([] {}, [&](const QString &) { ++lost; });
  ASSERT_TRUE(s.Open(path, 115200));
  pty->CloseSlave();
  pty->CloseMaster();
  ASSERT_TRUE(PumpUntil([&] { return lost > 0; }, 5000));
  const double cpu0 = ProcessCpuSeconds();
  PumpFor(500);
  const double cpu = ProcessCpuSeconds() - cpu0;
  EXPECT_EQ(lost, 1);
  EXPECT_FALSE(s.IsOpen());
  EXPECT_EQ(s.Write("at\r", 3), 0);
  EXPECT_LT(cpu, 0.25) << "no busy loop after the device vanished";
  // A new device on a new line opens fine with the same object.
  CPty again;
  ASSERT_TRUE(again.Open());
  EXPECT_TRUE(s.Open(Path(again), 115200));
}

TEST(Serial, CloseWhileDataFloodsNeverDeadlocks) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  CSerial s;
  long long received = 0;
  s.SetOwner([&] {
    char buf[4096];
    received += s.Read(buf, sizeof buf, 20);
  });
  std::atomic<bool> run{true};
  std::thread flood([&] {
    const std::string chunk(1024, 'x');
    while (run)
      pty.WriteAll(chunk);
  });
  int opened = 0;
  for (int i = 0; i < 20; ++i) {
    const bool ok = static_cast<bool>(s.Open(Path(pty), 115200));
    if (ok)
      ++opened;
    else
      ADD_FAILURE() << "reopen " << i << ": " << s.LastError().toStdString();
    PumpFor(20);
    s.Close();
  }
  EXPECT_EQ(opened, 20);
  run = false;
  // Drain so the flooding thread is not blocked on a full pty buffer.
  ASSERT_TRUE(s.Open(Path(pty), 115200));
  flood.join();
  s.Close();
  EXPECT_GT(received, 0);
}

namespace {
// A stream whose every prefix is distinguishable: a counter in text, so a
// byte lost, doubled or out of place shows where it went wrong.
std::string CountingStream(size_t n) {
  std::string s;
  s.reserve(n + 16);
  for (unsigned i = 0; s.size() < n; ++i)
    s += std::to_string(i) + ' ';
  s.resize(n);
  return s;
}
} // namespace

TEST(Serial, BytesReadDuringWritesKeepTheirPlaceInTheStream) {
  // A write waits for its bytes to go out and reads the port meanwhile; what
  // it read must come out between the bytes read before and after it.
  CPty pty;
  ASSERT_TRUE(pty.Open());
  CSerial s;
  std::string received;
  s.SetOwner([&] {
    char buf[65536];
    for (int n; (n = s.Read(buf, sizeof buf, 0)) > 0;)
      received.append(buf, static_cast<size_t>(n));
  });
  ASSERT_TRUE(s.Open(Path(pty), 115200));
  const std::string sent = CountingStream(4 << 20);
  std::thread feed([&] { pty.WriteAll(sent); });
  // The pty's master reads what the port writes, so those writes never stall.
  std::atomic<bool> writing{true};
  std::thread drain([&] {
    while (writing)
      pty.ReadSome(5);
  });
  std::thread writer([&] {
    while (writing)
      s.Write("at\r", 3);
  });
  const bool all = PumpUntil([&] { return received.size() >= sent.size(); }, 60000);
  writing = false;
  writer.join();
  drain.join();
  feed.join();
  ASSERT_TRUE(all) << received.size() << " of " << sent.size() << " bytes";
  EXPECT_EQ(received.size(), sent.size());
  const auto diff = std::mismatch(sent.begin(), sent.end(), received.begin(), received.end());
  EXPECT_TRUE(diff.first == sent.end()) << "first difference at byte " << (diff.first - sent.begin());
}

TEST(Serial, LineClosedWhileDataStreamsIsReportedOnceWithoutSpinning) {
  auto pty = std::make_unique<CPty>();
  ASSERT_TRUE(pty->Open());
  CSerial s;
  std::string received;
  std::atomic<int> lost{0};
  QString why;
  s.SetOwner(
      [&] {
        char buf[65536];
        for (int n; (n = s.Read(buf, sizeof buf, 0)) > 0;)
          received.append(buf, static_cast<size_t>(n));
      },
      [&](const QString &w) {
        ++lost;
        why = w;
      });
  ASSERT_TRUE(s.Open(Path(*pty), 115200));
  const std::string sent = CountingStream(8 << 20);
  std::atomic<bool> run{true};
  std::thread feed([&] {
    // Pieces, so the line can be taken away between two of them: by the
    // thread that writes, with its last piece still queued in the pty.
    for (size_t at = 0; run && at < sent.size(); at += 65536)
      pty->WriteAll(sent.data() + at, std::min<size_t>(65536, sent.size() - at));
    pty->CloseSlave();
    pty->CloseMaster();
  });
  const bool streaming = PumpUntil([&] { return received.size() >= (1u << 20) || lost > 0; });
  run = false;
  const bool gone = PumpUntil([&] { return lost > 0; }, 5000);
  feed.join();
  ASSERT_TRUE(streaming && gone) << received.size() << " bytes, lost " << lost;
  ASSERT_GE(received.size(), 1u << 20) << "lost before the line went";
  const double cpu0 = ProcessCpuSeconds();
  PumpFor(500);
  const double cpu = ProcessCpuSeconds() - cpu0;
  EXPECT_EQ(lost, 1);
  EXPECT_FALSE(why.isEmpty());
  EXPECT_FALSE(s.IsOpen());
  EXPECT_EQ(s.Write("at\r", 3), 0);
  EXPECT_LT(cpu, 0.25) << "no busy loop after the line went";
  // What arrived before the loss is the stream's beginning, nothing else.
  ASSERT_LE(received.size(), sent.size());
  EXPECT_EQ(received, sent.substr(0, received.size()));
  CPty again;
  ASSERT_TRUE(again.Open());
  EXPECT_TRUE(s.Open(Path(again), 115200));
}
