// The playbook of docs/ run by Debian's ansible-core against this machine:
// one station (localhost) with two simulated devices; the first run changes
// the station, the second finds nothing to change.
#include "e2e/CliHarness.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace clitest;

namespace {

struct PlayRun {
  int exitCode = -1;
  QString out;
  int ok = -1, changed = -1, failed = -1;
  // How the task that reads the report ended: "ok", "changed" or "fatal".
  QString Provisioned() const {
    const qsizetype at = out.indexOf(QStringLiteral("TASK [Devices provisioned]"));
    if (at < 0)
      return QString();
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("\\n(ok|changed|fatal): \\[localhost\\]")).match(out, at);
    return m.hasMatch() ? m.captured(1) : QString();
  }
};

PlayRun Play(const QString &playbook, const QStringList &extra, const QString &tmp) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("ANSIBLE_NOCOLOR"), QStringLiteral("1"));
  env.insert(QStringLiteral("ANSIBLE_LOCAL_TEMP"), tmp + QStringLiteral("/local"));
  env.insert(QStringLiteral("ANSIBLE_REMOTE_TEMP"), tmp + QStringLiteral("/remote"));
  env.insert(QStringLiteral("ANSIBLE_RETRY_FILES_ENABLED"), QStringLiteral("0"));
  // The sanitizers of a test build would report on Python's own allocations otherwise.
  env.remove(QStringLiteral("LD_PRELOAD"));
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(QStringLiteral("ansible-playbook"), QStringList{QStringLiteral("-i"), QStringLiteral("localhost,"),
                                                          QStringLiteral("-c"), QStringLiteral("local"), playbook} +
                                                  extra);
  PlayRun r;
  if (!p.waitForStarted(10000) || !p.waitForFinished(240000)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.exitCode = p.exitCode();
  r.out = QString::fromUtf8(p.readAll());
  const QRegularExpressionMatch m =
      QRegularExpression(QStringLiteral("localhost\\s*:\\s*ok=(\\d+)\\s+changed=(\\d+).*failed=(\\d+)")).match(r.out);
  if (m.hasMatch()) {
    r.ok = m.captured(1).toInt();
    r.changed = m.captured(2).toInt();
    r.failed = m.captured(3).toInt();
  }
  return r;
}

} // namespace

TEST(AnsiblePlaybook, ProvisionsTheStationThenReportsNothingChanged) {
  if (QStandardPaths::findExecutable(QStringLiteral("ansible-playbook")).isEmpty())
    GTEST_SKIP() << "ansible-core is not installed (apt-get install ansible-core); the playbook is not run";
  // A long boot window: the devices keep asking for "s" until the program, started
  // by ansible a few seconds later, has its ports open.
  const QStringList longBoot{QStringLiteral("--boot-ms"), QStringLiteral("120000")};
  CDtusim a(longBoot);
  CDtusim b(longBoot + QStringList{QStringLiteral("--module"), QStringLiteral("MC37i")});
  ASSERT_FALSE(a.Path().isEmpty());
  ASSERT_FALSE(b.Path().isEmpty());
  QTemporaryDir dir;
  const QString cfg = dir.filePath(QStringLiteral("site.cfg"));
  const QString csv = dir.filePath(QStringLiteral("batch.csv"));
  {
    QFile f(cfg);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Access Point Name:=fleet.apn\r\r\nModem's ID number=${id}\r\r\n");
    QFile c(csv);
    ASSERT_TRUE(c.open(QIODevice::WriteOnly));
    c.write(QStringLiteral("port,id\n%1,501\n%2,502\n").arg(a.Path(), b.Path()).toUtf8());
  }
  const QString work = dir.filePath(QStringLiteral("station"));
  const QString vars =
      QStringLiteral(
          "{\"strelvane_cli\": \"%1\", \"site_cfg\": \"%2\", \"vars_csv\": \"%3\", \"work_dir\": \"%4\","
          " \"ports\": [\"%5\", \"%6\"], \"wait_seconds\": 60,"
          " \"cli_env\": {\"STRELVANE_TIME_SCALE\": \"%7\"}, \"ansible_python_interpreter\": \"/usr/bin/python3\"}")
          .arg(QStringLiteral(STRELVANE_BIN_DIR "/src/strelvane-cli"), cfg, csv, work, a.Path(), b.Path(),
               QString::fromLatin1(TIME_SCALE));
  const QString playbook = QStringLiteral(STRELVANE_SOURCE_DIR "/docs/provision-playbook.yml");

  PlayRun first = Play(playbook, {QStringLiteral("-e"), vars}, dir.path());
  ASSERT_EQ(first.exitCode, 0) << first.out.toStdString();
  EXPECT_EQ(first.Provisioned(), QStringLiteral("changed")) << first.out.toStdString();
  EXPECT_EQ(first.failed, 0);
  EXPECT_TRUE(first.out.contains(a.Path() + QStringLiteral(": ok"))) << first.out.toStdString();
  EXPECT_TRUE(a.Commands().contains(QStringLiteral("at+idnt=501")));
  EXPECT_TRUE(b.Commands().contains(QStringLiteral("at+idnt=502")));

  // Powered up again, as a technician would for the second pass.
  a.Repower();
  b.Repower();
  PlayRun second = Play(playbook, {QStringLiteral("-e"), vars}, dir.path());
  ASSERT_EQ(second.exitCode, 0) << second.out.toStdString();
  EXPECT_EQ(second.Provisioned(), QStringLiteral("ok")) << second.out.toStdString();
  EXPECT_EQ(second.changed, 0) << "the files on the station are the same too";
  EXPECT_EQ(second.failed, 0);
  EXPECT_TRUE(second.out.contains(b.Path() + QStringLiteral(": unchanged"))) << second.out.toStdString();
}
