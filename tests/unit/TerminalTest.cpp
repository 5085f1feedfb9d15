// The terminal's sends: the bytes a send writes for its text and options, the
// hex-send toggling, the timed-send period, and the writer on a real pty.
#include "device/Terminal.h"
#include "model/Pty.h"
#include "serial/Serial.h"
#include "text/Gbk.h"
#include "text/HexText.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <climits>
#include <optional>

namespace {
QString Path(const CPty &pty) { return QString::fromStdString(pty.SlavePath()); }
} // namespace

TEST(TerminalSend, BytesForTextAndOptions) {
  const std::optional<QByteArray> REJECTED;
  struct Case {
    const char *name;
    QString text;
    bool hex;
    bool addCr;
    std::optional<QByteArray> bytes;
  };
  const Case cases[] = {
      {"text with CR", QStringLiteral("AT"), false, true, QByteArray("AT\r")},
      {"text without CR", QStringLiteral("AT"), false, false, QByteArray("AT")},
      {"empty text with CR", QString(), false, true, QByteArray("\r")},
      {"empty text", QString(), false, false, QByteArray()},
      {"no LF is added", QStringLiteral("a\n"), false, true, QByteArray("a\n\r")},
      {"Chinese text as GBK", QStringLiteral("中"), false, false, QByteArray("\xd6\xd0")},
      {"hex with CR", QStringLiteral("41 42"), true, true, QByteArray("AB\r")},
      {"empty hex with CR", QString(), true, true, QByteArray("\r")},
      {"blank hex", QStringLiteral("   "), true, false, QByteArray()},
      {"hex prefixes", QStringLiteral("0x41 0X42"), true, false, QByteArray("AB")},
      {"short hex numbers", QStringLiteral("1 2 a"), true, false, QByteArray("\x01\x02\x0a")},
      {"one long number", QStringLiteral("0102"), true, false, QByteArray("\x02")},
      {"negative number", QStringLiteral("-1"), true, false, QByteArray("\xff")},
      {"tabs and line breaks", QStringLiteral("41\t42\n43  "), true, false, QByteArray("ABC")},
      {"zero byte in hex goes out", QStringLiteral("41 00 42"), true, false, QByteArray("A\0B", 3)},
      {"G rejected", QStringLiteral("4G"), true, true, REJECTED},
      {"comma rejected", QStringLiteral("41,42"), true, false, REJECTED},
      {"Chinese in hex rejected", QStringLiteral("41 中"), true, false, REJECTED},
  };
  for (const Case &c : cases)
    EXPECT_EQ(terminal::SendBytes(c.text, c.hex, c.addCr), c.bytes) << c.name;
}

TEST(TerminalSend, TextEndsAtAZeroByte) {
  EXPECT_EQ(terminal::TextSendBytes(QByteArrayView("A\0B", 3), true), QByteArray("A\r"));
}

TEST(TerminalSend, TypedCharactersAreTheirGbkBytes) {
  EXPECT_EQ(terminal::TypedBytes(QStringLiteral("a")), QByteArray("a"));
  EXPECT_EQ(terminal::TypedBytes(QStringLiteral("\r")), QByteArray("\r"));
  EXPECT_EQ(terminal::TypedBytes(QStringLiteral("中")), QByteArray("\xd6\xd0"));
}

TEST(TerminalHexToggle, BothWaysAndRejection) {
  struct Case {
    QString text;
    bool toHex;
    std::optional<QString> result;
  };
  const QString hex256 = QStringLiteral("41 ").repeated(85) + QStringLiteral("4");
  ASSERT_EQ(hex256.size(), 256);
  const Case cases[] = {
      {QStringLiteral("AB"), true, QStringLiteral("41 42")},
      {QStringLiteral("41 42"), false, QStringLiteral("AB")},
      {QStringLiteral("at\r"), true, QStringLiteral("61 74 0d")},
      {QStringLiteral("中"), true, QStringLiteral("d6 d0")},
      {QStringLiteral("d6 d0"), false, QStringLiteral("中")},
      {QStringLiteral("41 00 42"), false, QStringLiteral("A")},
      {QStringLiteral("4G"), false, std::nullopt},
      {QStringLiteral("0x41"), false, std::nullopt},
      {QStringLiteral("41\t42"), false, std::nullopt},
      {hex256, false, QStringLiteral("A").repeated(85) + QChar(4)},
  };
  for (const Case &c : cases)
    EXPECT_EQ(terminal::ToggleHexSend(c.text, c.toHex), c.result) << c.text.toStdString() << " " << c.toHex;
  EXPECT_TRUE(text::IsHexText(hex256.toLatin1()));
}

TEST(TimedSend, IntervalIsADecimalPrefixOfAtLeastTenMs) {
  struct Case {
    const char *text;
    int ms;
  };
  const Case cases[] = {
      {"2000", 2000}, {"10", 10},      {"9", 10},     {"0", 10},    {"", 10},
      {"abc", 10},    {" 250ms", 250}, {"\t+30", 30}, {"-100", 10}, {"99999999999", INT_MAX},
  };
  for (const Case &c : cases)
    EXPECT_EQ(terminal::TimedSendInterval(QString::fromLatin1(c.text)), c.ms) << c.text;
}

TEST(TerminalWriter, SendsInOrderWithoutWaitingForTheLine) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  CSerial serial;
  CTerminalWriter writer(serial);
  EXPECT_FALSE(writer.Send("lost")) << "a closed port takes nothing";
  EXPECT_EQ(writer.Pending(), 0u);
  ASSERT_TRUE(serial.Open(Path(pty), 115200));

  // Nobody reads the line yet: a big send stays queued, the caller goes on at once.
  const QByteArray big(300000, 'x');
  QElapsedTimer t;
  t.start();
  ASSERT_TRUE(writer.Send(big));
  EXPECT_TRUE(writer.Send("END"));
  EXPECT_LT(t.elapsed(), 100);
  EXPECT_GT(writer.Pending(), 0u);
  EXPECT_FALSE(writer.SendIfIdle("tick")) << "a timed tick is skipped while the line is busy";

  std::string received;
  while (received.find("END") == std::string::npos) {
    const std::string chunk = pty.ReadSome(2000);
    if (chunk.empty())
      break;
    received += chunk;
  }
  ASSERT_TRUE(writer.WaitIdle(5000));
  EXPECT_EQ(received, std::string(big.constData(), static_cast<size_t>(big.size())) + "END");

  EXPECT_TRUE(writer.SendIfIdle("tick"));
  EXPECT_EQ(pty.ReadUntil("tick", 2000), "tick");
}

TEST(TerminalWriter, FullQueueDropsAndShutdownIsQuickOnAStuckLine) {
  CPty pty;
  ASSERT_TRUE(pty.Open());
  CSerial serial;
  ASSERT_TRUE(serial.Open(Path(pty), 9600));
  QElapsedTimer t;
  {
    CTerminalWriter writer(serial);
    // The line never drains: 1 MiB at 9600 baud would take almost twenty minutes.
    ASSERT_TRUE(writer.Send(QByteArray(CTerminalWriter::MAX_PENDING - 10, 'y')));
    // The pty's own buffer takes a few kilobytes at most; the rest stays queued.
    EXPECT_FALSE(writer.Send(QByteArray(CTerminalWriter::MAX_PENDING / 2, 'z')))
        << "beyond the limit the data are dropped";
    t.start();
  } // the writer stops after the piece on the line
  EXPECT_LT(t.elapsed(), 3000);
}
