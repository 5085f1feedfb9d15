#include "host/OutputLog.h"
#include "serial/Transcript.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(OutputLogFile, LineEndsAndChineseAsTheSavedBytes) {
  EXPECT_EQ(LogFileBytes(QStringLiteral("OK\r\n")), QByteArray("OK\r\r\n"));
  EXPECT_EQ(LogFileBytes(QStringLiteral("a\nb")), QByteArray("a\r\nb"));
  EXPECT_EQ(LogFileBytes(QString::fromUtf8("保存成功")), QByteArray("\xb1\xa3\xb4\xe6\xb3\xc9\xb9\xa6"));
  EXPECT_EQ(LogFileBytes(QString()), QByteArray());
}

TEST(OutputLogFile, SaveReplacesTheFileAndReportsAFailure) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("Tavrenholt-Dtu.txt"));
  QString err;
  ASSERT_TRUE(SaveLogFile(path, QStringLiteral("first\r\n"), &err)) << err.toStdString();
  ASSERT_TRUE(SaveLogFile(path, QStringLiteral("second\r\n"), &err));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("second\r\r\n"));
  f.close();
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "no temporary file left behind";

  EXPECT_FALSE(SaveLogFile(dir.filePath(QStringLiteral("missing/dir/log.txt")), QStringLiteral("x"), &err));
  EXPECT_FALSE(err.isEmpty());
}

TEST(OutputLog, KeepsAtLeastTheNewestTextDroppingWholeOldLines) {
  COutputLog log(1000);
  qsizetype dropped = 0;
  QString all;
  for (int i = 0; i < 500; ++i) {
    const QString line = QStringLiteral(">>> line %1\r\n").arg(i);
    all += line;
    dropped += log.Append(line);
  }
  const QString kept = log.Text();
  EXPECT_GE(kept.size(), 1000);
  EXPECT_LE(kept.size(), 1250);
  EXPECT_TRUE(all.endsWith(kept)) << "the newest text is kept in order";
  EXPECT_EQ(dropped + kept.size(), all.size()) << "drops are reported exactly";
  EXPECT_TRUE(kept.startsWith(QStringLiteral(">>> line "))) << "whole lines are dropped";
  log.Clear();
  EXPECT_EQ(log.Size(), 0);
}

TEST(OutputLog, ALineLongerThanTheBoundKeepsItsNewestPart) {
  COutputLog log(100);
  const QString big(1000, QLatin1Char('x'));
  const qsizetype dropped = log.Append(big + QStringLiteral("END"));
  EXPECT_EQ(log.Size(), 100);
  EXPECT_EQ(dropped, 903);
  EXPECT_TRUE(log.Text().endsWith(QStringLiteral("END")));
}

// The session transcript keeps the newest bytes within its bound and says how
// many older ones went; events never count against the bound and stay.
TEST(Transcript, KeepsTheNewestBytesAndSaysWhatWent) {
  CTranscript t(10);
  t.Event(QStringLiteral("opened /dev/x at 9600 baud"));
  t.Record(CTranscript::EDir::Tx, "0123", 4);
  t.Record(CTranscript::EDir::Rx, "456789", 6);
  EXPECT_EQ(t.BytesHeld(), 10);
  EXPECT_FALSE(QString::fromUtf8(t.Utf8()).contains(QStringLiteral("not kept")));
  t.Record(CTranscript::EDir::Rx, "abc", 3);
  EXPECT_EQ(t.BytesHeld(), 9);
  const QString text = QString::fromUtf8(t.Utf8());
  EXPECT_TRUE(text.contains(QStringLiteral("# 4 earlier bytes are not kept")));
  EXPECT_FALSE(text.contains(QStringLiteral("TX 4")));
  EXPECT_TRUE(text.contains(QStringLiteral("RX 6\n  0000  34 35 36 37 38 39")));
  EXPECT_TRUE(text.contains(QStringLiteral(" -- opened /dev/x at 9600 baud\n")));
  // A chunk larger than the bound is kept whole: the newest record always stays.
  t.Record(CTranscript::EDir::Rx, "0123456789ABCDEFGHIJ", 20);
  EXPECT_EQ(t.BytesHeld(), 20);
}

TEST(Transcript, SixteenBytesALineWithTheirText) {
  const QDateTime when(QDate(2026, 12, 10), QTime(14, 3, 5, 123));
  const QByteArray bytes = QByteArray("AT+VER\r\n") + QByteArray(10, '\x01') + QByteArray("\xff", 1);
  EXPECT_EQ(CTranscript::Format(when, CTranscript::EDir::Tx, bytes),
            QStringLiteral("2026-12-10 14:03:05.123 TX 19\n"
                           "  0000  41 54 2B 56 45 52 0D 0A 01 01 01 01 01 01 01 01  AT+VER..........\n"
                           "  0010  01 01 FF                                         ...\n"));
}
