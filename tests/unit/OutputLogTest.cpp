#include "host/OutputLog.h"

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
