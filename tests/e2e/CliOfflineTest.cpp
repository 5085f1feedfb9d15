// The command-line program's offline commands, run as a separate process.
#include "text/Gbk.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct CliRun {
  int exitCode = -1;
  QString out;
  QString err;
};

CliRun RunCli(const QStringList &args, const QString &lang = QStringLiteral("C")) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("LC_ALL"));
  env.remove(QStringLiteral("LC_MESSAGES"));
  env.insert(QStringLiteral("LANG"), lang);
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(STRELVANE_BIN_DIR "/src/strelvane-cli"), args);
  CliRun r;
  if (!p.waitForFinished(30000))
    return r;
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

QString WriteFile(const QTemporaryDir &dir, const char *name, const QByteArray &bytes) {
  const QString path = dir.filePath(QString::fromLatin1(name));
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
  return path;
}

} // namespace

TEST(CliOffline, DescribeInEitherLanguage) {
  const QStringList args{QStringLiteral("describe"), QStringLiteral(R"(OW,15,"08:30:00",60)")};
  CliRun en = RunCli(QStringList{QStringLiteral("--lang"), QStringLiteral("en")} + args);
  EXPECT_EQ(en.exitCode, 0);
  EXPECT_EQ(en.out, QString::fromUtf8("Power-On on Monday、Friday、08:30:00 per week,and Power-Off after 60 Sec\n"));
  // Without --lang the locale decides.
  CliRun zh = RunCli(args, QStringLiteral("zh_CN.UTF-8"));
  EXPECT_EQ(zh.exitCode, 0);
  EXPECT_EQ(zh.out, QString::fromUtf8("每周周一、周五、08:30:00开机,持续60秒关机\n"));
  CliRun forced = RunCli(QStringList{QStringLiteral("--lang=en")} + args, QStringLiteral("zh_TW"));
  EXPECT_TRUE(forced.out.startsWith(QStringLiteral("Power-On on")));
  CliRun after = RunCli(args + QStringList{QStringLiteral("--lang"), QStringLiteral("zh")});
  EXPECT_EQ(after.out, zh.out);
}

TEST(CliOffline, ParseListingPrintsTheWholeTable) {
  QTemporaryDir dir;
  const QByteArray listing = "at+show\r\nSecondary Server's Ip 2.2.2.2\r\nServer's Ip 1.1.1.1\r\nWork Mode: TCP "
                             "TRANSPARENT\r\nAccess Point Name:" +
                             text::ToGbk(QStringLiteral("中国移动")) + "\r\nRTC alarm 0: SC,60###\r\nOK\r\n";
  CliRun r = RunCli({QStringLiteral("parse-listing"), WriteFile(dir, "listing.txt", listing)});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QStringList lines = r.out.split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 70); // 69 lines and the empty rest after the last LF
  EXPECT_FALSE(r.out.contains(QLatin1Char('\r')));
  EXPECT_EQ(lines[0], QString::fromUtf8("Access Point Name:=中国移动"));
  EXPECT_EQ(lines[1], QStringLiteral("Center call number=No Exist"));
  EXPECT_EQ(lines[5], QStringLiteral("Server's Ip=1.1.1.1")); // only a line that begins with the label
  EXPECT_EQ(lines[17], QStringLiteral("Work Mode:=TRNS"));
  EXPECT_EQ(lines[48], QStringLiteral("RTC alarm 0:=SC,60"));
  EXPECT_EQ(lines[68], QStringLiteral("GPS GPGLL=No Exist"));
}

TEST(CliOffline, ReadCfgPrintsEntriesUpToTheSchedules) {
  QTemporaryDir dir;
  const QByteArray file = "Access Point Name:=" + text::ToGbk(QStringLiteral("专网")) +
                          "\r\r\nServer's Port=5000\r\nRTC alarm 9:=D\nGPS GPGLL=1\r\r\n";
  CliRun r = RunCli({QStringLiteral("read-cfg"), WriteFile(dir, "a.cfg", file)});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QStringList lines = r.out.split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 59);
  EXPECT_EQ(lines[0], QString::fromUtf8("Access Point Name:=专网"));
  EXPECT_EQ(lines[10], QStringLiteral("Server's Port=5000"));
  EXPECT_EQ(lines[57], QStringLiteral("RTC alarm 9:=D"));
  EXPECT_FALSE(r.out.contains(QStringLiteral("GPS")));
}

TEST(CliOffline, RefusedFilesAndBadUsageExitWithTwoAndOneLine) {
  QTemporaryDir dir;
  const QString big = WriteFile(dir, "big.cfg", QByteArray(4000, 'x'));
  const QString longValue = WriteFile(dir, "long.cfg", "Time:=" + QByteArray(101, 'v') + "\r\r\n");
  struct {
    QStringList args;
    QString errContains;
  } const cases[] = {
      {{QStringLiteral("read-cfg"), dir.filePath(QStringLiteral("missing.cfg"))}, QStringLiteral("打开文件失败")},
      {{QStringLiteral("read-cfg"), big}, QStringLiteral("文件错误")},
      {{QStringLiteral("read-cfg"), longValue}, QStringLiteral("\"Time:\"")},
      {{QStringLiteral("parse-listing"), dir.filePath(QStringLiteral("missing.txt"))}, QStringLiteral("missing.txt")},
      {{}, QStringLiteral("no command")},
      {{QStringLiteral("frobnicate")}, QStringLiteral("frobnicate")},
      {{QStringLiteral("describe")}, QStringLiteral("describe")},
      {{QStringLiteral("describe"), QStringLiteral("a"), QStringLiteral("b")}, QStringLiteral("describe")},
      {{QStringLiteral("--lang"), QStringLiteral("fr"), QStringLiteral("describe"), QStringLiteral("D")},
       QStringLiteral("--lang")},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
    CliRun r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains(c.errContains)) << r.err.toStdString();
    EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << r.err.toStdString();
  }
}

TEST(CliOffline, HelpNamesEveryCommand) {
  CliRun r = RunCli({QStringLiteral("--help")});
  EXPECT_EQ(r.exitCode, 0);
  for (const char *name :
       {"describe STRING", "parse-listing FILE", "read-cfg FILE", "--lang", "diff FILE", "verify FILE",
        "provision FILE --port P [--port P...] | --ports GLOB", "--vars CSV", "--report JSONL",
        "apply [--dry-run] FILE", "set [--dry-run] LABEL=VALUE...", "load [--cfg FILE] [--json]"})
    EXPECT_TRUE(r.out.contains(QLatin1String(name))) << name;
}
