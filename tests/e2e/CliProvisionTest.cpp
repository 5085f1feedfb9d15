// Batches as a technician runs them: strelvane-cli provision against several
// dtusim devices at once, each on its own pty; and the single-device
// companions diff, verify, load --json and --dry-run.
#include "e2e/CliHarness.h"

#include <QDir>
#include <QJsonArray>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/types.h>

using namespace clitest;

namespace {

QString Q(const char *s) { return QString::fromUtf8(s); }

void WriteFile(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

// Starts provision; the devices in power are powered up once the ports are open.
// They and those in later are switched off first, so that no start-up from
// before the run is caught and no re-power cuts into a load.
struct Batch {
  QProcess process;
  bool terminal = false; // run on a pseudo-terminal (through script(1)), stderr and stdout merged there
  bool Start(const QStringList &args, const std::vector<CDtusim *> &power, const char *scale = TIME_SCALE,
             const std::vector<CDtusim *> &later = {}) {
    for (const auto *list : {&power, &later}) {
      for (CDtusim *sim : *list) {
        sim->Control("off\n");
        sim->Dump(); // answered once the line before it was taken
      }
    }
    QProcessEnvironment env = Environment(QStringLiteral("C"));
    env.insert(QStringLiteral("STRELVANE_TIME_SCALE"), QString::fromLatin1(scale));
    process.setProcessEnvironment(env);
    const QString cli = QStringLiteral(STRELVANE_BIN_DIR "/src/strelvane-cli");
    if (terminal) {
      QStringList words{cli, QStringLiteral("provision")};
      for (const QString &a : args)
        words << QLatin1Char('\'') + a + QLatin1Char('\'');
      process.start(QStringLiteral("script"),
                    {QStringLiteral("-qfec"), words.join(QLatin1Char(' ')), QStringLiteral("/dev/null")});
    } else {
      process.start(cli, QStringList{QStringLiteral("provision")} + args);
    }
    if (!process.waitForStarted(10000))
      return false;
    process.waitForFinished(300); // the ports are open by now
    for (CDtusim *sim : power)
      sim->Repower();
    return true;
  }
  CliRun Finish() {
    CliRun r;
    if (!process.waitForFinished(90000)) {
      process.kill();
      process.waitForFinished();
      return r;
    }
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
  }
};

CliRun Provision(const QStringList &args, const std::vector<CDtusim *> &power) {
  Batch b;
  if (!b.Start(args, power))
    return {};
  return b.Finish();
}

// The report's lines by port.
QHash<QString, QJsonObject> Report(const QString &path) {
  QHash<QString, QJsonObject> out;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly))
    return out;
  for (const QByteArray &line : f.readAll().split('\n')) {
    if (line.isEmpty())
      continue;
    QJsonParseError e{};
    const QJsonObject o = QJsonDocument::fromJson(line, &e).object();
    EXPECT_EQ(e.error, QJsonParseError::NoError) << line.toStdString();
    EXPECT_FALSE(out.contains(o.value(QStringLiteral("port")).toString())) << "one line per device";
    out.insert(o.value(QStringLiteral("port")).toString(), o);
  }
  return out;
}

QStringList Strings(const QJsonValue &v) {
  QStringList out;
  for (const QJsonValue &x : v.toArray())
    out << (x.isObject() ? x.toObject().value(QStringLiteral("label")).toString() : x.toString());
  return out;
}

// The parameters a device was sent after its load (its last "AT+ACTI?").
QStringList Written(const CDtusim &sim) {
  const QStringList all = sim.Commands();
  return all.mid(all.lastIndexOf(QStringLiteral("AT+ACTI?")) + 1).filter(QStringLiteral("="));
}

QByteArray DumpValue(CDtusim &sim, const char *label) {
  for (const QByteArray &line : sim.Dump())
    if (line.startsWith(QByteArray(label) + '='))
      return line.mid(static_cast<qsizetype>(qstrlen(label)) + 1);
  return "(none)";
}

const QByteArray SITE = "Access Point Name:=site.apn\r\r\n"
                        "Server's Port=6001\r\r\n"
                        "Modem's ID number=${id}\r\r\n"
                        "Modem's Phone Number=${phone}\r\r\n";

} // namespace

// Mixed modules, a device that refuses a parameter, one that never powers up
// and a port that is not there, each with its own values; then the same batch
// again finds nothing to write.
TEST(CliProvision, ABatchOfMixedDevicesEachEndsOnItsOwnAndTheSecondRunIsUnchanged) {
  CDtusim plain;
  CDtusim other({QStringLiteral("--module"), QStringLiteral("MC37i")});
  CDtusim refuses({QStringLiteral("--error"), QStringLiteral("at+port")});
  CDtusim never({QStringLiteral("--power-delay-ms"), QStringLiteral("600000")});
  for (CDtusim *s : {&plain, &other, &refuses, &never})
    ASSERT_FALSE(s->Path().isEmpty());
  QTemporaryDir dir;
  const QString absent = dir.filePath(QStringLiteral("ttyABSENT"));
  const QString cfg = dir.filePath(QStringLiteral("site.cfg"));
  const QString csv = dir.filePath(QStringLiteral("inventory.csv"));
  const QString report = dir.filePath(QStringLiteral("report.jsonl"));
  WriteFile(cfg, SITE);
  // Rows in another order than the ports, one port under a quoted field.
  WriteFile(csv, QStringLiteral("id,port,phone\n"
                                "1003,%3,13900000003\n"
                                "1001,\"%1\",13900000001\n"
                                "1002,%2,13900000002\n"
                                "1004,%4,13900000004\n"
                                "1005,%5,13900000005\n")
                     .arg(plain.Path(), other.Path(), refuses.Path(), never.Path(), absent)
                     .toUtf8());
  const QStringList ports{QStringLiteral("--port"), plain.Path(),   QStringLiteral("--port"), other.Path(),
                          QStringLiteral("--port"), refuses.Path(), QStringLiteral("--port"), never.Path(),
                          QStringLiteral("--port"), absent};
  CliRun r = Provision(QStringList{cfg, QStringLiteral("--vars"), csv, QStringLiteral("--report"), report,
                                   QStringLiteral("--wait"), QStringLiteral("6")} +
                           ports,
                       {&plain, &other, &refuses, &never});
  ASSERT_EQ(r.exitCode, 1) << r.err.toStdString();

  QHash<QString, QJsonObject> lines = Report(report);
  ASSERT_EQ(lines.size(), 5) << r.out.toStdString();
  const QJsonObject a = lines.value(plain.Path());
  EXPECT_EQ(a.value(QStringLiteral("outcome")).toString(), QStringLiteral("ok"));
  EXPECT_EQ(a.value(QStringLiteral("module")).toString(), QStringLiteral("SIMCOM_SIM700"));
  EXPECT_TRUE(a.value(QStringLiteral("version")).toString().contains(QStringLiteral("V3.2.1")));
  EXPECT_EQ(a.value(QStringLiteral("row")).toInt(), 2);
  EXPECT_TRUE(a.value(QStringLiteral("verified")).toBool());
  // The walk's order: entries by index.
  EXPECT_EQ(
      Strings(a.value(QStringLiteral("written"))),
      (QStringList{Q("Access Point Name:"), Q("Server's Port"), Q("Modem's ID number"), Q("Modem's Phone Number")}));
  EXPECT_TRUE(Strings(a.value(QStringLiteral("failed"))).isEmpty());
  EXPECT_GT(a.value(QStringLiteral("timings")).toObject().value(QStringLiteral("total_s")).toDouble(), 0.0);
  EXPECT_EQ(Written(plain),
            (QStringList{Q("at+apn=site.apn"), Q("at+port=6001"), Q("at+idnt=1001"), Q("at+phon=13900000001")}));
  EXPECT_EQ(DumpValue(plain, "Modem's ID number"), QByteArray("1001"));

  const QJsonObject b = lines.value(other.Path());
  EXPECT_EQ(b.value(QStringLiteral("outcome")).toString(), QStringLiteral("ok"));
  EXPECT_EQ(b.value(QStringLiteral("module")).toString(), QStringLiteral("MC37i"));
  EXPECT_EQ(DumpValue(other, "Modem's Phone Number"), QByteArray("13900000002"));

  // The refused parameter is named with why; the others are still written, and
  // the read-back shows the device without it.
  const QJsonObject c = lines.value(refuses.Path());
  EXPECT_EQ(c.value(QStringLiteral("outcome")).toString(), QStringLiteral("failed"));
  EXPECT_EQ(Strings(c.value(QStringLiteral("failed"))), QStringList{Q("Server's Port")});
  EXPECT_TRUE(c.value(QStringLiteral("failed"))
                  .toArray()
                  .at(0)
                  .toObject()
                  .value(QStringLiteral("why"))
                  .toString()
                  .contains(QStringLiteral("did not confirm")));
  EXPECT_EQ(Strings(c.value(QStringLiteral("written"))),
            (QStringList{Q("Access Point Name:"), Q("Modem's ID number"), Q("Modem's Phone Number")}));
  EXPECT_FALSE(c.value(QStringLiteral("verified")).toBool());
  EXPECT_EQ(Strings(c.value(QStringLiteral("differ"))), QStringList{Q("Server's Port")});
  EXPECT_EQ(DumpValue(refuses, "Modem's ID number"), QByteArray("1003"));

  const QJsonObject d = lines.value(never.Path());
  EXPECT_EQ(d.value(QStringLiteral("outcome")).toString(), QStringLiteral("no-device"));
  EXPECT_TRUE(d.value(QStringLiteral("reason")).toString().contains(QStringLiteral("within 6 s")));
  EXPECT_TRUE(Written(never).isEmpty());
  const QJsonObject e = lines.value(absent);
  EXPECT_EQ(e.value(QStringLiteral("outcome")).toString(), QStringLiteral("no-device"));
  EXPECT_TRUE(e.value(QStringLiteral("reason")).toString().contains(QStringLiteral("no such port")));

  // The summary table: a header and one row per port.
  const QStringList table = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(table.size(), 6) << r.out.toStdString();
  EXPECT_TRUE(table[0].startsWith(QStringLiteral("PORT")));
  EXPECT_TRUE(table[1].startsWith(plain.Path()) && table[1].contains(QStringLiteral(" ok ")));
  // Not a terminal: timestamped progress lines.
  EXPECT_TRUE(r.err.contains(QStringLiteral(" waiting for start-up\n")));
  EXPECT_FALSE(r.err.split(QLatin1Char('\n'))
                   .filter(QRegularExpression(QStringLiteral("^[-0-9T:.]+ ") +
                                              QRegularExpression::escape(plain.Path()) + QStringLiteral(" +ok$")))
                   .isEmpty())
      << r.err.toStdString();

  // Again, the devices that came up: nothing written, each unchanged, exit 0.
  const qsizetype before[] = {plain.Commands().size(), other.Commands().size()};
  WriteFile(csv, QStringLiteral("port,id,phone\n%1,1001,13900000001\n%2,1002,13900000002\n")
                     .arg(plain.Path(), other.Path())
                     .toUtf8());
  CliRun again = Provision({cfg, QStringLiteral("--vars"), csv, QStringLiteral("--report"), report,
                            QStringLiteral("--port"), plain.Path(), QStringLiteral("--port"), other.Path()},
                           {&plain, &other});
  ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
  lines = Report(report);
  ASSERT_EQ(lines.size(), 2);
  for (const QJsonObject &o : lines) {
    EXPECT_EQ(o.value(QStringLiteral("outcome")).toString(), QStringLiteral("unchanged"));
    EXPECT_TRUE(Strings(o.value(QStringLiteral("written"))).isEmpty());
    EXPECT_TRUE(o.value(QStringLiteral("verified")).toBool());
  }
  EXPECT_TRUE(Since(plain.Commands(), before[0]).filter(QStringLiteral("=")).isEmpty()) << "nothing written";
  EXPECT_TRUE(Since(other.Commands(), before[1]).filter(QStringLiteral("=")).isEmpty());
}

// A port another program holds is a failure with the reason; the other device goes on.
TEST(CliProvision, ABusyPortFailsWithItsReasonAndTheOtherDeviceGoesOn) {
  CDtusim held;
  CDtusim spare;
  // Another program holds the port: the monitor, until it is told to stop.
  QProcess holder;
  holder.setProcessEnvironment(Environment(QStringLiteral("C")));
  holder.start(QStringLiteral(STRELVANE_BIN_DIR "/src/strelvane-cli"),
               {QStringLiteral("--port"), held.Path(), QStringLiteral("monitor"), QStringLiteral("--for"),
                QStringLiteral("120")});
  ASSERT_TRUE(holder.waitForStarted(10000));
  QByteArray said;
  QElapsedTimer t;
  t.start();
  while (!said.contains("Re-power") && t.elapsed() < 30000) {
    holder.waitForReadyRead(100);
    said += holder.readAllStandardError();
  }
  ASSERT_TRUE(said.contains("Re-power")) << "the monitor has the port open: " << said.toStdString();
  QTemporaryDir dir;
  const QString cfg = dir.filePath(QStringLiteral("one.cfg"));
  const QString report = dir.filePath(QStringLiteral("report.jsonl"));
  WriteFile(cfg, "Server's Port=6200\r\r\n");
  CliRun r = Provision({cfg, QStringLiteral("--report"), report, QStringLiteral("--port"), held.Path(),
                        QStringLiteral("--port"), spare.Path()},
                       {&spare});
  EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
  const auto lines = Report(report);
  const QJsonObject busy = lines.value(held.Path());
  EXPECT_EQ(busy.value(QStringLiteral("outcome")).toString(), QStringLiteral("failed"));
  EXPECT_TRUE(busy.value(QStringLiteral("reason")).toString().contains(QStringLiteral("port busy")))
      << busy.value(QStringLiteral("reason")).toString().toStdString();
  EXPECT_EQ(lines.value(spare.Path()).value(QStringLiteral("outcome")).toString(), QStringLiteral("ok"));
  holder.terminate();
  EXPECT_TRUE(holder.waitForFinished(15000));
}

// Without a port column each device takes the next row as it comes up.
TEST(CliProvision, RowsWithoutAPortColumnGoInTheOrderDevicesComeUp) {
  CDtusim first;
  CDtusim second;
  QTemporaryDir dir;
  const QString cfg = dir.filePath(QStringLiteral("id.cfg"));
  const QString csv = dir.filePath(QStringLiteral("ids.csv"));
  const QString report = dir.filePath(QStringLiteral("report.jsonl"));
  WriteFile(cfg, "Modem's ID number=${id}\r\r\n");
  WriteFile(csv, "id\n7001\n7002\n");
  Batch b;
  // The second port's device is powered first; the first's only once the second has loaded.
  ASSERT_TRUE(b.Start({cfg, QStringLiteral("--vars"), csv, QStringLiteral("--report"), report, QStringLiteral("--port"),
                       first.Path(), QStringLiteral("--port"), second.Path()},
                      {&second}, TIME_SCALE, {&first}));
  QElapsedTimer t;
  t.start();
  while (!second.Commands().contains(QStringLiteral("AT+ACTI?")) && t.elapsed() < 30000)
    b.process.waitForFinished(20);
  first.Repower();
  CliRun r = b.Finish();
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(DumpValue(second, "Modem's ID number"), QByteArray("7001"));
  EXPECT_EQ(DumpValue(first, "Modem's ID number"), QByteArray("7002"));
  const auto lines = Report(report);
  EXPECT_EQ(lines.value(second.Path()).value(QStringLiteral("row")).toInt(), 1);
  EXPECT_EQ(lines.value(first.Path()).value(QStringLiteral("row")).toInt(), 2);
}

// A stop in the middle of a write: the device unplugged during a parameter's
// wait, and Ctrl-C. Only what the device confirmed is claimed.
TEST(CliProvision, AStopMidWriteClaimsOnlyWhatTheDeviceConfirmed) {
  struct Case {
    const char *name;
    bool unplug; // else Ctrl-C
  } const cases[] = {{"unplugged", true}, {"interrupted", false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    CDtusim hangs({QStringLiteral("--silent"), QStringLiteral("at+port")});
    CDtusim idle({QStringLiteral("--power-delay-ms"), QStringLiteral("600000")});
    QTemporaryDir dir;
    const QString cfg = dir.filePath(QStringLiteral("site.cfg"));
    const QString report = dir.filePath(QStringLiteral("report.jsonl"));
    WriteFile(cfg, "Access Point Name:=site.apn\r\r\nServer's Port=6001\r\r\nModem's ID number=42\r\r\n");
    Batch b;
    // A wait long enough to act in on a slow machine too (5 s scaled to 2.5 s).
    ASSERT_TRUE(b.Start({cfg, QStringLiteral("--report"), report, QStringLiteral("--wait"), QStringLiteral("60"),
                         QStringLiteral("--port"), hangs.Path(), QStringLiteral("--port"), idle.Path()},
                        {&hangs}, "0.5"));
    QElapsedTimer t;
    t.start();
    while (!hangs.Commands().contains(QStringLiteral("at+port=6001")) && t.elapsed() < 30000)
      b.process.waitForFinished(20);
    ASSERT_TRUE(hangs.Commands().contains(QStringLiteral("at+port=6001")));
    b.process.waitForFinished(200); // inside its wait
    if (c.unplug) {
      hangs.Unplug();
      // Its line comes as it ends; the idle device would wait a minute.
      t.restart();
      while (!Report(report).contains(hangs.Path()) && t.elapsed() < 30000)
        b.process.waitForFinished(20);
    }
    ::kill(static_cast<pid_t>(b.process.processId()), SIGINT);
    CliRun r = b.Finish();
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    const auto lines = Report(report);
    ASSERT_EQ(lines.size(), 2) << r.err.toStdString();
    const QJsonObject h = lines.value(hangs.Path());
    EXPECT_EQ(h.value(QStringLiteral("outcome")).toString(), QStringLiteral("failed"));
    EXPECT_EQ(Strings(h.value(QStringLiteral("written"))), QStringList{Q("Access Point Name:")});
    EXPECT_EQ(Strings(h.value(QStringLiteral("failed"))), QStringList{Q("Server's Port")});
    EXPECT_EQ(Strings(h.value(QStringLiteral("not_written"))), QStringList{Q("Modem's ID number")});
    EXPECT_FALSE(h.value(QStringLiteral("verified")).toBool());
    EXPECT_EQ(h.value(QStringLiteral("interrupted")).toBool(), !c.unplug);
    if (c.unplug) {
      EXPECT_TRUE(h.value(QStringLiteral("reason")).toString().contains(QStringLiteral("removed")))
          << r.err.toStdString();
    } else {
      EXPECT_EQ(h.value(QStringLiteral("stopped_at")).toString(), QStringLiteral("writing 1/3"));
    }
    EXPECT_FALSE(hangs.Commands().contains(QStringLiteral("at+idnt=42"))) << "nothing written after the stop";
    const QJsonObject i = lines.value(idle.Path());
    EXPECT_TRUE(i.value(QStringLiteral("interrupted")).toBool());
    EXPECT_EQ(i.value(QStringLiteral("stopped_at")).toString(), QStringLiteral("waiting for start-up"));
  }
}

// Everything the input can be wrong about ends the run with exit 2 before any
// port is opened.
TEST(CliProvision, BadInputIsRefusedBeforeAnythingIsWritten) {
  CDtusim one;
  CDtusim two;
  QTemporaryDir dir;
  auto file = [&](const char *name, const QByteArray &bytes) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    WriteFile(path, bytes);
    return path;
  };
  const QString cfg = file("site.cfg", SITE);
  const QString plainCfg = file("plain.cfg", "Access Point Name:=x\r\r\n");
  const QString badCfg = file("bad.cfg", "Modem's ID number=${id\r\r\n");
  const QString portCfg = file("port.cfg", "Server's Port=${port_no}\r\r\n");
  const QString p1 = one.Path(), p2 = two.Path();
  auto csv = [&](const char *name, const QString &text) { return file(name, text.arg(p1, p2).toUtf8()); };
  const QStringList both{QStringLiteral("--port"), p1, QStringLiteral("--port"), p2};
  struct Case {
    const char *name;
    QStringList args;
    QString err;
  } const cases[] = {
      {"malformed CSV", QStringList{cfg, "--vars", csv("m.csv", "port,id,phone\n\"%1,1,2\n")} + both, "not closed"},
      {"unknown column", QStringList{cfg, "--vars", csv("u.csv", "port,id,phone,extra\n%1,1,2,x\n%2,3,4,y\n")} + both,
       "column \"extra\" is neither port nor a placeholder"},
      {"duplicate port in the CSV", QStringList{cfg, "--vars", csv("d.csv", "port,id,phone\n%1,1,2\n%1,3,4\n")} + both,
       "names port " + p1 + " a second time"},
      {"a row with no device",
       QStringList{cfg, "--vars", csv("r.csv", "port,id,phone\n%1,1,2\n%2,3,4\n/dev/nowhere,5,6\n")} + both,
       "row 3 is for port /dev/nowhere, which is not one of the ports"},
      {"a port with no row", QStringList{cfg, "--vars", csv("n.csv", "port,id,phone\n%1,1,2\n")} + both,
       "port " + p2 + " has no row"},
      {"rows and ports differ without a port column",
       QStringList{cfg, "--vars", csv("o.csv", "id,phone\n1,2\n")} + both, "2 ports but 1 rows"},
      {"a placeholder with no column", QStringList{cfg, "--vars", csv("c.csv", "port,id\n%1,1\n%2,3\n")} + both,
       "placeholder ${phone} has no column"},
      {"a placeholder with an empty value",
       QStringList{cfg, "--vars", csv("e.csv", "port,id,phone\n%1,1,\n%2,3,4\n")} + both,
       "row 1: Modem's Phone Number: placeholder ${phone} has no value"},
      {"placeholders without --vars", QStringList{cfg} + both, "holds the placeholder ${id} but no --vars"},
      {"a malformed placeholder", QStringList{badCfg} + both, "a \"${\" without its \"}\""},
      {"a value the parameter cannot take",
       QStringList{portCfg, "--vars", csv("p.csv", "port,port_no\n%1,6000\n%2,abc\n")} + both,
       "row 2: \"Server's Port\" does not take the value \"abc\""},
      {"a value too long",
       QStringList{cfg, "--vars",
                   csv("l.csv", "port,id,phone\n%1," + QString(101, QLatin1Char('9')) + ",2\n%2,3,4\n")} +
           both,
       "row 1: "},
      {"a port given twice", QStringList{plainCfg, "--port", p1, "--port", p1}, "given twice"},
      {"a glob that matches nothing", QStringList{plainCfg, "--ports", dir.filePath("tty*")}, "matches no port"},
      {"no port", QStringList{plainCfg}, "needs --port"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    CliRun r = Cli(QStringList{QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("provision")} + c.args);
    EXPECT_EQ(r.exitCode, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
  }
  EXPECT_TRUE(one.Commands().isEmpty()) << "no port was opened";
  EXPECT_TRUE(two.Commands().isEmpty());
}

TEST(CliProvision, APortGlobFindsTheDevicesAndATerminalShowsThemInPlace) {
  QTemporaryDir dir;
  CDtusim a({QStringLiteral("--link"), dir.filePath(QStringLiteral("ttyDTU0"))});
  CDtusim b({QStringLiteral("--link"), dir.filePath(QStringLiteral("ttyDTU1"))});
  const QString cfg = dir.filePath(QStringLiteral("one.cfg"));
  WriteFile(cfg, "Server's Port=6100\r\r\n");
  // On a terminal: one line per device, rewritten in place.
  if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
    GTEST_SKIP() << "script(1) is not installed (bsdutils): no pseudo-terminal to run on";
  Batch batch;
  batch.terminal = true;
  ASSERT_TRUE(batch.Start({cfg, QStringLiteral("--ports"), dir.filePath(QStringLiteral("ttyDTU*"))}, {&a, &b}));
  CliRun r = batch.Finish();
  ASSERT_EQ(r.exitCode, 0) << r.out.toStdString();
  const QString dtu0 = dir.filePath(QStringLiteral("ttyDTU0")), dtu1 = dir.filePath(QStringLiteral("ttyDTU1"));
  EXPECT_TRUE(r.out.contains(QStringLiteral("\r\x1b[K") + dtu0 + QStringLiteral("  waiting for start-up\r\n\r\x1b[K") +
                             dtu1 + QStringLiteral("  waiting for start-up\r\n")))
      << r.out.toStdString();
  EXPECT_TRUE(r.out.contains(QStringLiteral("\x1b[2A\r\x1b[K") + dtu0 + QStringLiteral("  ok\r\n\r\x1b[K") + dtu1 +
                             QStringLiteral("  ok\r\n")))
      << r.out.toStdString();
  EXPECT_FALSE(r.out.contains(QRegularExpression(QStringLiteral("\\d\\d:\\d\\d:\\d\\d\\.\\d+ "))))
      << "no timestamped lines on a terminal";
  EXPECT_EQ(DumpValue(a, "Server's Port"), QByteArray("6100"));
  EXPECT_EQ(DumpValue(b, "Server's Port"), QByteArray("6100"));
}

// The single-device companions: what apply would write, whether the device
// holds a file, and the loaded table as JSON; --dry-run lists and writes nothing.
TEST(CliProvision, DiffVerifyJsonAndDryRunOnOneDevice) {
  CDtusim sim;
  QTemporaryDir dir;
  const QString cfg = dir.filePath(QStringLiteral("site.cfg"));
  WriteFile(cfg, "Access Point Name:=other\r\r\nServer's Port=5000\r\r\nDebug Level=2\r\r\n");

  CliRun json = Cli({QStringLiteral("load"), QStringLiteral("--json")}, &sim);
  ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
  EXPECT_TRUE(json.out.startsWith(QStringLiteral("{\"Access Point Name:\":\"CMNET\",\"Center call number\":")));
  const QJsonObject table = QJsonDocument::fromJson(json.out.toUtf8()).object();
  EXPECT_EQ(table.size(), 69);
  EXPECT_EQ(table.value(QStringLiteral("Server's Port")).toString(), QStringLiteral("5000"));

  const QString expected = QStringLiteral("Access Point Name: CMNET -> other\nDebug Level: 1 -> 2\n");
  const qsizetype before = sim.Commands().size();
  struct Case {
    QStringList args;
    int exitCode;
  } const cases[] = {
      {{QStringLiteral("diff"), cfg}, 1},
      {{QStringLiteral("verify"), cfg}, 1},
      {{QStringLiteral("apply"), QStringLiteral("--dry-run"), cfg}, 0},
      {{QStringLiteral("set"), QStringLiteral("--dry-run"), QStringLiteral("Access Point Name:=other"),
        QStringLiteral("Debug Level=2"), QStringLiteral("Server's Port=5000")},
       0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
    CliRun r = Cli(c.args, &sim);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_EQ(r.out, expected);
  }
  for (const QString &cmd : Since(sim.Commands(), before))
    EXPECT_FALSE(cmd.contains(QLatin1Char('='))) << "written: " << cmd.toStdString();

  ASSERT_EQ(Cli({QStringLiteral("apply"), cfg}, &sim).exitCode, 0);
  for (const char *cmd : {"diff", "verify"}) {
    CliRun r = Cli({QString::fromLatin1(cmd), cfg}, &sim);
    EXPECT_EQ(r.exitCode, 0) << cmd << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << cmd;
  }
  // A schedule the device has no place for: apply skips it, verify does not.
  CDtusim noAlarm({QStringLiteral("--no-alarm")});
  const QString sched = dir.filePath(QStringLiteral("sched.cfg"));
  WriteFile(sched, "RTC alarm 0:=\"SC\"\r\r\n");
  CliRun d = Cli({QStringLiteral("diff"), sched}, &noAlarm);
  EXPECT_EQ(d.exitCode, 0) << d.err.toStdString();
  CliRun v = Cli({QStringLiteral("verify"), sched}, &noAlarm);
  EXPECT_EQ(v.exitCode, 1);
  EXPECT_EQ(v.out, QStringLiteral("RTC alarm 0: (not listed by the device) -> \"SC\"\n"));
}
