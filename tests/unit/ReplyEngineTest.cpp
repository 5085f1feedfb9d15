#include "device/AtCommand.h"
#include "device/ReplyEngine.h"
#include "base/Timing.h"
#include "model/Pty.h"
#include "serial/Serial.h"
#include "support/TestUtil.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(ReplyRule, CompletionMarkers) {
  struct Case {
    int code;
    std::string text;
    bool complete;
  };
  const Case cases[] = {
      {REPLY_MENU, "menu AT+LIST ...", true},
      {REPLY_MENU, "at+list", false},
      {REPLY_OK, "\r\nOK", true},
      {REPLY_OK_PROBE, "TOKEN", true}, // any O K completes
      {REPLY_OK_SET, "ERROR\r\n", false},
      {REPLY_OK, "Ok", false},
      {REPLY_IPR, "+IPR: 115200\r\nOK\r\n", true},
      {REPLY_IPR, "OK", false},
      {REPLY_MODE, "+MODE: TRNS OK", true},
      {REPLY_ACTI, "+ACTI:AUTO\r\nOK", true},
      {REPLY_CPIN, "+CPIN: READY\r\nOK", true},
      {REPLY_CSQ, "+CSQ: 20,99\r\n", false},
      {REPLY_RESTART, "... configure program.", true},
      {REPLY_RESTART, "configure program", false},
      {REPLY_NONE, "OK AT+LIST", false},
      {11, "OK", false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ReplyComplete(c.code, c.text.data(), static_cast<int>(c.text.size())), c.complete)
        << c.code << " " << c.text;
}

TEST(ReplyRule, SettingsNeedMoreThan2000Characters) {
  std::string listing = "Access Point Name: cmnet\r\n";
  listing += std::string(2000 - listing.size() - 4, 'x') + "OK\r\n";
  ASSERT_EQ(listing.size(), 2000u);
  EXPECT_FALSE(ReplyComplete(REPLY_SETTINGS, listing.data(), 2000));
  listing.insert(0, "y");
  EXPECT_TRUE(ReplyComplete(REPLY_SETTINGS, listing.data(), 2001));
  const std::string noLabel = std::string(2100, 'x') + "OK\r\n";
  EXPECT_FALSE(ReplyComplete(REPLY_SETTINGS, noLabel.data(), static_cast<int>(noLabel.size())));
}

TEST(RollingText, ZeroBytesBecomeSpacesAndOnlyTheNewest4096Stay) {
  CSerial serial;
  CReplyEngine engine(serial);
  engine.AppendRx("A\0OK", 4);
  EXPECT_EQ(engine.RxText(), QByteArray("A OK"));
  EXPECT_TRUE(ReplyComplete(REPLY_OK, engine.RxText().constData(), 4));

  engine.ClearRxText();
  std::string big;
  for (int i = 0; i < 6000; ++i)
    big.push_back(static_cast<char>('a' + i % 26));
  engine.AppendRx(big.data(), 3000);
  engine.AppendRx(big.data() + 3000, 3000);
  EXPECT_EQ(engine.RxText().toStdString(), big.substr(6000 - 4096));
  // One chunk larger than the text itself keeps its own tail.
  engine.AppendRx(big.data(), 6000);
  EXPECT_EQ(engine.RxText().toStdString(), big.substr(6000 - 4096));
}

TEST(ReceivedDisplay, TextAndHexKeepEveryByte) {
  EXPECT_EQ(ReceivedAsText("A\0B", 3), QByteArray("A B"));
  EXPECT_EQ(ReceivedAsHex("A\0B", 3), QByteArray("41 00 42"));
  EXPECT_EQ(ReceivedAsHex("\r\nOK", 4), QByteArray("0d 0a 4f 4b"));
  EXPECT_EQ(ReceivedAsHex("\xff", 1), QByteArray("ff"));
  EXPECT_EQ(ReceivedAsHex("", 0), QByteArray());
}

namespace {
// An engine on a pty, its receive handler on this (the window) thread.
struct Rig {
  CPty pty;
  CSerial serial;
  CReplyEngine engine{serial};
  CAtCommand at;
  std::atomic<int> promptWatches{0};
  QList<QByteArray> shown;

  Rig() {
    EXPECT_TRUE(pty.Open());
    serial.SetOwner([this] { engine.OnSerialReceive(); });
    engine.m_onPromptWatch = [this] { ++promptWatches; };
    engine.m_onDisplay = [this](const QByteArray &b, bool) { shown.append(b); };
    EXPECT_TRUE(serial.Open(QString::fromStdString(pty.SlavePath()), 115200));
  }
  // Runs an exchange on a worker while this thread handles received bytes.
  CExchangeResult Run(EReplyCode code, std::function<bool()> send, int timeoutMs,
                      const std::function<void()> &device = {}) {
    CExchangeResult result;
    std::atomic<bool> done{false};
    std::thread worker([&] {
      result = engine.Exchange(code, send, timeoutMs);
      done = true;
    });
    std::thread dev;
    if (device)
      dev = std::thread(device);
    PumpUntil([&] { return done.load(); }, 20000);
    worker.join();
    if (dev.joinable())
      dev.join();
    return result;
  }
};
} // namespace

TEST(Exchange, OkSplitOverTwoChunksCompletes) {
  Rig rig;
  const auto r = rig.Run(
      REPLY_OK, [&] { return rig.at.SendAt(rig.serial); }, 2000,
      [&] {
        rig.pty.ReadUntil("at\r", 2000);
        rig.pty.WriteAll("\r\nO");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        rig.pty.WriteAll("K\r\n");
      });
  EXPECT_EQ(r.outcome, EOutcome::Answered);
  EXPECT_EQ(r.text, QByteArray("\r\nOK\r\n"));
  EXPECT_EQ(rig.engine.ReplyCode(), REPLY_NONE);
}

TEST(Exchange, ATimedOutExchangeLeavesNoReplyPendingAndTheWatchCatchesTheDevice) {
  Rig rig;
  auto r1 = rig.Run(
      REPLY_ACTI, [&] { return rig.at.QueryActi(rig.serial); }, 200);
  EXPECT_EQ(r1.outcome, EOutcome::TimedOut);
  EXPECT_EQ(rig.engine.ReplyCode(), REPLY_NONE) << "no code left pending after a time-out";
  // A re-powered device's prompt reaches the watch, and a late reply completes nothing.
  rig.pty.WriteAll("+ACTI: AUTO\r\nOK\r\nPress 's' key\r\n");
  EXPECT_TRUE(PumpUntil([&] { return rig.promptWatches > 0; }));
  EXPECT_FALSE(rig.engine.ReplyEvent().IsSet());
  auto r2 = rig.Run(
      REPLY_CSQ, [&] { return rig.at.SendCsq(rig.serial); }, 300);
  EXPECT_EQ(r2.outcome, EOutcome::TimedOut);
}

TEST(Exchange, AWriteThatFailsEndsAtOnceAsNotSent) {
  Rig rig;
  rig.serial.Close();
  QElapsedTimer t;
  t.start();
  const auto r = rig.engine.Exchange(
      REPLY_OK_SET, [&] { return rig.at.SetApn(rig.serial, "x"); }, 5000);
  EXPECT_EQ(r.outcome, EOutcome::NotSent);
  EXPECT_LT(t.elapsed(), CTiming::Ms(5000) / 2) << "no wait for a reply to a command that never went out";
  EXPECT_EQ(rig.engine.ReplyCode(), REPLY_NONE);
}

TEST(Exchange, AStopIsNeverAnAnswer) {
  // Before the wait, during the wait, and while the engine is held by another exchange.
  Rig rig;
  CExchangeResult during;
  std::thread worker([&] {
    during = rig.engine.Exchange(
        REPLY_OK_SET, [&] { return rig.at.SetApn(rig.serial, "x"); }, 20000);
  });
  ASSERT_TRUE(PumpUntil([&] { return rig.engine.ReplyCode() == REPLY_OK_SET; }));
  rig.engine.StopRun();
  worker.join();
  EXPECT_EQ(during.outcome, EOutcome::Stopped);

  std::atomic<bool> stop{true};
  const auto before = rig.engine.Exchange(
      REPLY_OK, [&] { return rig.at.SendAt(rig.serial); }, 2000, [&] { return stop.load(); });
  EXPECT_EQ(before.outcome, EOutcome::Stopped);
  EXPECT_EQ(rig.engine.ReplyCode(), REPLY_NONE);

  // The menu wait holds the engine without end; another exchange gives up
  // after its own time-out instead of waiting with it.
  std::atomic<bool> release{false};
  std::thread holder([&] {
    rig.engine.Exchange(
        REPLY_MENU, [] { return true; }, INFINITE_WAIT, [&] { return release.load(); });
  });
  ASSERT_TRUE(PumpUntil([&] { return rig.engine.ReplyCode() == REPLY_MENU; }));
  QElapsedTimer t;
  t.start();
  const auto busy = rig.engine.Exchange(
      REPLY_OK_SET, [&] { return rig.at.SendVer(rig.serial); }, 300);
  EXPECT_EQ(busy.outcome, EOutcome::Busy);
  EXPECT_LT(t.elapsed(), 5000);
  release = true;
  holder.join();
}

TEST(Exchange, AMenuThatCameBeforeTheWaitIsStillSeenAndStaleRepliesAreNot) {
  Rig rig;
  // The device answered the first "s" before the run's worker got to its wait.
  rig.engine.ClearRxText();
  rig.pty.WriteAll("Menu\r\nAT+LIST ...\r\n");
  ASSERT_TRUE(PumpUntil([&] { return rig.engine.RxText().contains("AT+LIST"); }));
  CExchangeResult menu;
  std::thread worker([&] { menu = rig.engine.WaitForMenu([] { return false; }); });
  ASSERT_TRUE(PumpUntil([&] { return rig.engine.ReplyCode() == REPLY_NONE && rig.engine.ReplyEvent().IsSet(); }));
  worker.join();
  EXPECT_EQ(menu.outcome, EOutcome::Answered);
  // An exchange starts from an empty text: an "OK" from before it completes nothing.
  rig.pty.WriteAll("OK\r\n");
  ASSERT_TRUE(PumpUntil([&] { return rig.engine.RxText().contains("OK"); }));
  const auto r = rig.Run(
      REPLY_OK, [&] { return rig.at.SendAt(rig.serial); }, 300);
  EXPECT_EQ(r.outcome, EOutcome::TimedOut);
}

TEST(Exchange, PromptWatchRunsOnlyWithNoExchangePending) {
  Rig rig;
  rig.engine.SetReplyCode(REPLY_OK);
  rig.pty.WriteAll("Press 's' key\r\n");
  ASSERT_TRUE(PumpUntil([&] { return rig.engine.RxText().contains("key"); }));
  EXPECT_EQ(rig.promptWatches, 0);
  rig.engine.SetReplyCode(REPLY_NONE);
  rig.pty.WriteAll("Press 's' key\r\n");
  EXPECT_TRUE(PumpUntil([&] { return rig.promptWatches > 0; }));
}

TEST(Exchange, ExchangesFromTwoThreadsNeverOverlap) {
  Rig rig;
  std::atomic<bool> firstAnswered{false};
  std::atomic<bool> secondSentEarly{false};
  std::thread device([&] {
    rig.pty.ReadUntil("at\r", 3000);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    firstAnswered = true;
    rig.pty.WriteAll("OK\r\n");
    rig.pty.ReadUntil("at+csq\r", 3000);
    rig.pty.WriteAll("+CSQ: 20,99\r\nOK\r\n");
  });
  CExchangeResult a, b;
  std::atomic<int> finished{0};
  std::thread ta([&] {
    a = rig.engine.Exchange(
        REPLY_OK, [&] { return rig.at.SendAt(rig.serial); }, 3000);
    ++finished;
  });
  std::thread tb([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    b = rig.engine.Exchange(
        REPLY_CSQ,
        [&] {
          secondSentEarly = !firstAnswered.load();
          return rig.at.SendCsq(rig.serial);
        },
        3000);
    ++finished;
  });
  PumpUntil([&] { return finished == 2; }, 10000);
  ta.join();
  tb.join();
  device.join();
  EXPECT_EQ(a.outcome, EOutcome::Answered);
  EXPECT_EQ(b.outcome, EOutcome::Answered);
  EXPECT_FALSE(secondSentEarly) << "the second exchange wrote while the first was pending";
  EXPECT_TRUE(b.text.contains("+CSQ:"));
}

TEST(Exchange, StopWakesAWaitingWorker) {
  Rig rig;
  CExchangeResult r;
  std::thread worker([&] {
    r = rig.engine.Exchange(
        REPLY_MENU, [] { return true; }, INFINITE_WAIT);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  rig.engine.StopRun();
  worker.join();
  EXPECT_EQ(r.outcome, EOutcome::Stopped);
  EXPECT_TRUE(rig.engine.StopRequested());
  EXPECT_EQ(rig.engine.ReplyCode(), REPLY_NONE);
}

TEST(CommunicationState, BytesAreShownAsTextOrSeparatedHex) {
  Rig rig;
  rig.engine.SetCommMode(true);
  rig.pty.WriteAll(std::string("A\0B", 3));
  ASSERT_TRUE(PumpUntil([&] { return !rig.shown.isEmpty(); }));
  EXPECT_EQ(rig.shown.join(), QByteArray("A B"));
  EXPECT_EQ(rig.engine.RxText(), QByteArray()) << "nothing rolls into the reply text";
  rig.shown.clear();
  rig.engine.SetHexDisplay(true);
  rig.pty.WriteAll("\r\n");
  ASSERT_TRUE(PumpUntil([&] { return !rig.shown.isEmpty(); }));
  rig.pty.WriteAll("OK");
  ASSERT_TRUE(PumpUntil([&] { return rig.shown.join().size() >= 11; }));
  EXPECT_EQ(rig.shown.join(), QByteArray("0d 0a 4f 4b"));
}
