// strelvane-cli's device commands as a user runs them: the real program
// against the dtusim program on a pty, re-powered through dtusim's stdin.
#include "e2e/CliHarness.h"
#include "model/Pty.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <csignal>
#include <cstring>
#include <memory>
#include <sys/types.h>

using namespace clitest;

TEST(CliDevice, LoadPrintsTheTableAndSavesTheFileInBothLanguages) {
  CDtusim sim;
  ASSERT_FALSE(sim.Path().isEmpty());
  QTemporaryDir dir;
  const QString cfg = dir.filePath(QStringLiteral("out.cfg"));
  CliRun r = Cli({QStringLiteral("load"), QStringLiteral("--cfg"), cfg}, &sim);
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 69);
  EXPECT_EQ(lines[0], QStringLiteral("Access Point Name:=CMNET"));
  EXPECT_TRUE(r.err.contains(QStringLiteral(">>> Please Re-power IP Modem........\nTest AT...\n")));
  EXPECT_TRUE(r.err.contains(QStringLiteral("          Module Type:SIMCOM_SIM700\n\n")));
  EXPECT_TRUE(r.err.contains(QStringLiteral("Loading IP Modem Settings ...\n")));
  EXPECT_TRUE(r.err.endsWith(QStringLiteral("Save Successful\n"))) << r.err.toStdString();
  QFile f(cfg);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  EXPECT_EQ(bytes.count("\r\r\n"), 69);
  EXPECT_TRUE(bytes.startsWith("Access Point Name:=CMNET\r\r\nCenter call number="));

  CliRun zh = Cli({QStringLiteral("load")}, &sim, QStringLiteral("zh_CN.UTF-8"));
  ASSERT_EQ(zh.exitCode, 0) << zh.err.toStdString();
  EXPECT_TRUE(zh.err.contains(QStringLiteral("正在等待设备上电后进入配置状态...\n")));
  EXPECT_TRUE(zh.err.contains(QStringLiteral("          成功进入配置状态\n测试AT\n")));
  EXPECT_TRUE(zh.err.contains(QStringLiteral("          模块类型SIMCOM_SIM700\n\n测试AT成功，自动装载配置...")));
  // The same table in both languages; only the device's running clock may have moved on.
  auto withoutClock = [](const QString &out) {
    QStringList l = out.split(QLatin1Char('\n'));
    l.removeIf([](const QString &line) { return line.startsWith(QLatin1String("Time:=")); });
    return l;
  };
  EXPECT_EQ(withoutClock(zh.out), withoutClock(r.out));
}

TEST(CliDevice, EveryModuleReplyIsNamed) {
  struct Case {
    const char *module;
    const char *shown;
  } const cases[] = {
      {"MC37i", "          Module Type:MC37i\n\n"},    {"ZTEiT MC8630", "          Module Type:ZTEiT\n\n"},
      {"GTM900C", "          Module Type:HUAWEI\n\n"}, {"HSPA USB MODEM", "          Module Type:HSPA USB MODEM\n\n"},
      {"MC8630", "          Module Type:MC8630\n\n"},  {"XYZ-1", "          Module Type:Unknow\n"},
      {"DATANG", "          Module Type: DATANG\n\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.module);
    CDtusim sim({QStringLiteral("--module"), QString::fromLatin1(c.module)});
    CliRun r = Cli({QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("load")}, &sim);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.shown))) << r.err.toStdString();
    EXPECT_EQ(r.out.count(QLatin1Char('\n')), 69);
  }
}

TEST(CliDevice, SetWritesOnlyWhatChangedAndChecksItsInputFirst) {
  CDtusim sim;
  CliRun r = Cli({QStringLiteral("set"), QStringLiteral("Server's Port=6000"), QStringLiteral("Debug Level=2"),
                  QStringLiteral("Work Mode:=TLNT")},
                 &sim);
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  QStringList all = sim.Commands();
  const qsizetype show = all.lastIndexOf(QStringLiteral("AT+ACTI?"));
  ASSERT_GE(show, 0);
  // TLNT is what the device has: not written.
  EXPECT_EQ(Since(all, show + 1), (QStringList{QStringLiteral("at+port=6000"), QStringLiteral("at+debug=2")}));
  EXPECT_TRUE(r.err.contains(QStringLiteral("Saving PORT......[AT+PORTD]\nSave PORT....OK...\n")));

  // Bad input: exit 2 before the port is even opened.
  const qsizetype before = sim.Commands().size();
  struct Case {
    QStringList args;
    const char *err;
  } const bad[] = {
      {{QStringLiteral("set"), QStringLiteral("No Such Label=1")}, "No Such Label"},
      {{QStringLiteral("set"), QStringLiteral("Debug Level=7")}, "Debug Level"},
      {{QStringLiteral("set"), QStringLiteral("Server's Port=abc")}, "abc"},
      // Numbers the device's integer cannot hold are refused, not wrapped.
      {{QStringLiteral("set"), QStringLiteral("Server's Port=4294972296")}, "4294972296 does not fit"},
      {{QStringLiteral("set"), QStringLiteral("Link Fail Retry Times:=4294967301")},
       "does not fit the device's integer"},
      {{QStringLiteral("set"), QStringLiteral("Secondary Server's Port=-2147483649")}, "-2147483648 to 2147483647"},
      {{QStringLiteral("set"), QStringLiteral("Dns Server's Ip:=1.2.3")}, "1.2.3"},
      {{QStringLiteral("set"), QStringLiteral("Access Point Name:=") + QString(101, QLatin1Char('a'))},
       "Access Point Name:"},
      {{QStringLiteral("set"), QStringLiteral("Time:=x")}, "Time:"},
      {{QStringLiteral("set"), QStringLiteral("nothing")}, "LABEL=VALUE"},
      {{QStringLiteral("clock"), QStringLiteral("2023/02/29"), QStringLiteral("10:00:00")}, "2023/02/29"},
      {{QStringLiteral("load"), QStringLiteral("--baud"), QStringLiteral("fast")}, "--baud"},
      {{QStringLiteral("show"), QStringLiteral("--cfg"), QStringLiteral("x.cfg")}, "--cfg"},
  };
  for (const Case &c : bad) {
    SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
    CliRun b = Cli(QStringList{QStringLiteral("--port"), sim.Path()} + c.args);
    EXPECT_EQ(b.exitCode, 2);
    EXPECT_TRUE(b.err.contains(QString::fromLatin1(c.err))) << b.err.toStdString();
    EXPECT_FALSE(b.err.contains(QStringLiteral("Re-power"))) << "the port was not opened";
  }
  EXPECT_EQ(sim.Commands().size(), before);
  CliRun noPort = Cli({QStringLiteral("load")});
  EXPECT_EQ(noPort.exitCode, 2);
}

TEST(CliDevice, AParameterTheDeviceRefusesExitsOneAndTheOthersAreStillWritten) {
  CDtusim sim({QStringLiteral("--error"), QStringLiteral("at+apn")});
  CliRun r = Cli({QStringLiteral("set"), QStringLiteral("Access Point Name:=x"),
                  QStringLiteral("PPP Authentication User Id=user")},
                 &sim);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains(QStringLiteral("Save APN Failed\n")));
  EXPECT_TRUE(r.err.contains(QStringLiteral("Save USERNAME....OK...\n")));
}

// The device never answers one parameter; the command is stopped during its wait.
TEST(CliDevice, AStopDuringAParametersWaitIsNoSuccess) {
  struct Case {
    const char *name;
    bool unplug; // else Ctrl-C
    int exitCode;
  } const cases[] = {{"device unplugged", true, 3}, {"interrupted", false, 1}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    CDtusim sim({QStringLiteral("--silent"), QStringLiteral("at+cent")});
    ASSERT_FALSE(sim.Path().isEmpty());
    QProcess p;
    QProcessEnvironment env = Environment(QStringLiteral("C"));
    env.insert(QStringLiteral("STRELVANE_TIME_SCALE"), QStringLiteral("0.2")); // a wait long enough to act in
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(STRELVANE_BIN_DIR "/src/strelvane-cli"),
            {QStringLiteral("--port"), sim.Path(), QStringLiteral("set"), QStringLiteral("Center call number=*99#"),
             QStringLiteral("PPP Authentication User Id=someone")});
    ASSERT_TRUE(p.waitForStarted(10000));
    p.waitForFinished(150);
    sim.Repower();
    QElapsedTimer t;
    t.start();
    while (!sim.Commands().contains(QStringLiteral("at+cent=*99#")) && t.elapsed() < 30000)
      p.waitForFinished(20);
    ASSERT_TRUE(sim.Commands().contains(QStringLiteral("at+cent=*99#")));
    p.waitForFinished(200); // inside the 1 s wait (5 s scaled)
    if (c.unplug)
      sim.Unplug();
    else
      ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(15000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), c.exitCode) << err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("Save CENT....OK"))) << err.toStdString();
    EXPECT_FALSE(sim.Commands().contains(QStringLiteral("at+username=someone"))) << "nothing written after the stop";
  }
}

TEST(CliDevice, ApplyingASavedFileWritesExactlyTheDifferences) {
  CDtusim sim;
  QTemporaryDir dir;
  const QString cfg = dir.filePath(QStringLiteral("a.cfg"));
  ASSERT_EQ(Cli({QStringLiteral("load"), QStringLiteral("--cfg"), cfg}, &sim).exitCode, 0);
  CliRun set = Cli({QStringLiteral("set"), QStringLiteral("Access Point Name:=other"),
                    QStringLiteral("Server's Port=6001"), QStringLiteral("Should Return To Main Server=0")},
                   &sim);
  ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
  const qsizetype before = sim.Commands().size();
  CliRun apply = Cli({QStringLiteral("apply"), cfg}, &sim);
  ASSERT_EQ(apply.exitCode, 0) << apply.err.toStdString();
  QStringList after = Since(sim.Commands(), before);
  after = after.mid(after.lastIndexOf(QStringLiteral("AT+ACTI?")) + 1);
  EXPECT_EQ(after, (QStringList{QStringLiteral("at+apn=CMNET"), QStringLiteral("at+port=5000"),
                                QStringLiteral("at+retmain=1")}));
  // Applying it again finds nothing to write.
  const qsizetype again = sim.Commands().size();
  ASSERT_EQ(Cli({QStringLiteral("apply"), cfg}, &sim).exitCode, 0);
  QStringList none = Since(sim.Commands(), again);
  EXPECT_EQ(none.mid(none.lastIndexOf(QStringLiteral("AT+ACTI?")) + 1), QStringList());

  // A file without any parameter is refused before the port is opened.
  QFile empty(dir.filePath(QStringLiteral("empty.cfg")));
  ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
  empty.write("Unrelated=1\r\r\n");
  empty.close();
  CliRun refused = Cli({QStringLiteral("--port"), sim.Path(), QStringLiteral("apply"), empty.fileName()});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_TRUE(refused.err.contains(QStringLiteral("holds no parameter")));

  // So is a number the device cannot hold.
  QFile big(dir.filePath(QStringLiteral("big.cfg")));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  big.write("Server's Port=4294972296\r\r\n");
  big.close();
  const qsizetype beforeBig = sim.Commands().size();
  CliRun tooBig = Cli({QStringLiteral("--port"), sim.Path(), QStringLiteral("apply"), big.fileName()});
  EXPECT_EQ(tooBig.exitCode, 2);
  EXPECT_TRUE(tooBig.err.contains(QStringLiteral("does not fit the device's integer"))) << tooBig.err.toStdString();
  EXPECT_EQ(sim.Commands().size(), beforeBig);
}

// A hand-edited file without the main lines: the secondary, GPS and second
// DNS lines hold the same words, and must never fill the main fields.
TEST(CliDevice, ApplyNeverTakesOneLabelForAnother) {
  CDtusim sim;
  QTemporaryDir dir;
  QFile f(dir.filePath(QStringLiteral("cut.cfg")));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("Secondary Server's Ip=192.0.2.77\r\r\nSecondary Server's Port=7007\r\r\n"
          "GPS Server's Ip=198.51.100.30\r\r\nSecond Dns Server's Ip:=8.8.8.8\r\r\n");
  f.close();
  CliRun r = Cli({QStringLiteral("apply"), f.fileName()}, &sim);
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  QStringList all = sim.Commands();
  all = all.mid(all.lastIndexOf(QStringLiteral("AT+ACTI?")) + 1);
  for (const QString &c : all) {
    EXPECT_FALSE(c.startsWith(QStringLiteral("at+ipad=")) || c.startsWith(QStringLiteral("at+port=")) ||
                 c.startsWith(QStringLiteral("at+dnssvr=")))
        << c.toStdString();
  }
  EXPECT_TRUE(all.contains(QStringLiteral("at+ipsec=192.0.2.77"))) << all.join(QLatin1Char(' ')).toStdString();
}

TEST(CliDevice, OperationsAndTheirExitStatus) {
  CDtusim sim({QStringLiteral("--silent"), QStringLiteral("at+ver"), QStringLiteral("--silent"),
               QStringLiteral("at+cpin?"), QStringLiteral("--silent"), QStringLiteral("at+cfun?")});
  struct Case {
    QStringList args;
    int exitCode;
    const char *err;
    const char *notErr;
    int tableLines;
  } const cases[] = {
      // The entry shows the listing and the baud rate once; the operation a second time.
      {{QStringLiteral("baud")}, 0, "+IPR: 115200", nullptr, 0},
      {{QStringLiteral("signal")}, 0, "+CSQ: ", nullptr, 0},
      {{QStringLiteral("show")}, 0, "Tavrenholt IP Modem settings", nullptr, 0},
      {{QStringLiteral("version")}, 1, "Loading IP Modem Settings", "Tavrenholt IP Modem V3.2.1", 0},
      {{QStringLiteral("detect")},
       1,
       "Check SIM Card AT+CPIN...\nCheck SIM Card Failed...\nCheck Signal AT+CSQ...\n",
       nullptr,
       0},
      {{QStringLiteral("clock"), QStringLiteral("2024/02/29 23:59:59")}, 0, "OK: Set Time Succss!\n", nullptr, 0},
      {{QStringLiteral("reload")}, 0, "Access Point Name:", nullptr, 69},
      {{QStringLiteral("factory")}, 0, "AT+FACTORY...\n", nullptr, 69},
      {{QStringLiteral("shutdown")}, 0, "Power-Off Success!\n", nullptr, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
    CliRun r = Cli(QStringList{QStringLiteral("--lang"), QStringLiteral("en")} + c.args, &sim);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.err))) << r.err.toStdString();
    if (c.notErr) {
      EXPECT_FALSE(r.err.contains(QString::fromLatin1(c.notErr)));
    }
    if (c.args[0] == QLatin1String("baud") || c.args[0] == QLatin1String("show")) {
      EXPECT_EQ(r.err.count(QString::fromLatin1(c.err)), 2);
    }
    EXPECT_EQ(r.out.count(QLatin1Char('\n')), c.tableLines);
  }
  EXPECT_TRUE(sim.Commands().contains(QStringLiteral("AT+EXCCLK=\"2024/02/29,23:59:59\",4")));
}

TEST(CliDevice, StartFailuresHaveTheirOwnExitStatus) {
  CliRun absent = Cli({QStringLiteral("--port"), QStringLiteral("/dev/strelvane-absent"), QStringLiteral("load")});
  EXPECT_EQ(absent.exitCode, 3);
  EXPECT_TRUE(absent.err.contains(QStringLiteral("Open COM Failed")));

  // A device that never starts up within --wait.
  CDtusim sim({QStringLiteral("--power-delay-ms"), QStringLiteral("600000")});
  CliRun late = Cli(
      {QStringLiteral("--port"), sim.Path(), QStringLiteral("--wait"), QStringLiteral("1"), QStringLiteral("load")});
  EXPECT_EQ(late.exitCode, 1);
  EXPECT_TRUE(late.err.contains(QStringLiteral("did not enter configuration state within 1 s")));
  EXPECT_TRUE(late.out.isEmpty());

  // The listing never comes.
  CDtusim mute({QStringLiteral("--silent"), QStringLiteral("at+show")});
  CliRun missing = Cli({QStringLiteral("load")}, &mute);
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(missing.err.contains(QStringLiteral(">>> Load IP Modem Data Failed")));
  EXPECT_TRUE(missing.out.isEmpty());
}

TEST(CliDevice, CommunicationStateEchoesWhatIsSent) {
  CDtusim sim;
  CliRun comm = Cli({QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("comm")}, &sim);
  ASSERT_EQ(comm.exitCode, 0) << comm.err.toStdString();
  EXPECT_TRUE(comm.err.contains(QStringLiteral("configure program.")));
  // The device restarts into communication state after its boot window.
  CliRun mon = Cli({QStringLiteral("--port"), sim.Path(), QStringLiteral("monitor"), QStringLiteral("--send"),
                    QStringLiteral("hello"), QStringLiteral("--cr"), QStringLiteral("--every"), QStringLiteral("200"),
                    QStringLiteral("--for"), QStringLiteral("5")});
  EXPECT_EQ(mon.exitCode, 0) << mon.err.toStdString();
  EXPECT_TRUE(mon.out.contains(QStringLiteral("hello\r"))) << mon.out.toStdString();
  EXPECT_FALSE(mon.err.contains(QStringLiteral("Test AT"))) << "the monitor never enters configuration state";

  CliRun hex = Cli({QStringLiteral("--port"), sim.Path(), QStringLiteral("monitor"), QStringLiteral("--hex"),
                    QStringLiteral("--send"), QStringLiteral("41 00 42"), QStringLiteral("--send-hex"),
                    QStringLiteral("--for"), QStringLiteral("1")});
  EXPECT_EQ(hex.exitCode, 0);
  EXPECT_TRUE(hex.out.contains(QStringLiteral("41 00 42"))) << hex.out.toStdString();
  CliRun badHex = Cli({QStringLiteral("--port"), sim.Path(), QStringLiteral("monitor"), QStringLiteral("--send"),
                       QStringLiteral("4G"), QStringLiteral("--send-hex")});
  EXPECT_EQ(badHex.exitCode, 2);
}

// What monitor prints for text arriving in pieces: CR LF becomes LF also when
// a read ends between the two, a lone CR stays, and a GBK character split
// across reads comes out whole. The pieces are the line's, as the reads find them.
TEST(CliDevice, MonitorTextKeepsLineEndsAndCharactersSplitAcrossReads) {
  CPty line;
  ASSERT_TRUE(line.Open());
  QProcess p;
  p.setProcessEnvironment(Environment(QStringLiteral("C")));
  p.start(QStringLiteral(STRELVANE_BIN_DIR "/src/strelvane-cli"),
          {QStringLiteral("--port"), QString::fromStdString(line.SlavePath()), QStringLiteral("monitor"),
           QStringLiteral("--for"), QStringLiteral("60")});
  ASSERT_TRUE(p.waitForStarted(10000));
  QByteArray said;
  QElapsedTimer t;
  t.start();
  while (!said.contains("Re-power") && t.elapsed() < 30000) {
    p.waitForReadyRead(100);
    said += p.readAllStandardError();
  }
  ASSERT_TRUE(said.contains("Re-power")) << "the port is open: " << said.toStdString();
  const char *const pieces[] = {"one\r", "\ntwo\r\r\n", "\r", "three\rfour\r", "\xD6", "\xD0\r", "\nend\r"};
  for (const char *piece : pieces) {
    ASSERT_TRUE(line.WriteAll(piece, std::strlen(piece)));
    p.waitForFinished(30); // a read of its own for each piece
  }
  const QByteArray expected = QStringLiteral("one\ntwo\r\n\rthree\rfour\r中\nend\r").toUtf8();
  QByteArray out;
  t.restart();
  // The last CR is held back until the end: it may begin a line end.
  while (out.size() < expected.size() - 1 && t.elapsed() < 10000) {
    p.waitForReadyRead(100);
    out += p.readAllStandardOutput();
  }
  p.terminate();
  ASSERT_TRUE(p.waitForFinished(10000));
  out += p.readAllStandardOutput();
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_EQ(out, expected);
}

TEST(CliDevice, TheDemoDeviceNeedsNoPort) {
  CliRun r = Cli({QStringLiteral("--demo"), QStringLiteral("load")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out.count(QLatin1Char('\n')), 69);
}

TEST(CliDevice, ADeviceThatVanishesEndsTheCommandWithExitThree) {
  CDtusim sim({QStringLiteral("--boot-ms"), QStringLiteral("300")});
  ASSERT_FALSE(sim.Path().isEmpty());
  QProcess p;
  p.setProcessEnvironment(Environment(QStringLiteral("C")));
  p.start(
      QStringLiteral(STRELVANE_BIN_DIR "/src/strelvane-cli"),
      {QStringLiteral("--port"), sim.Path(), QStringLiteral("monitor"), QStringLiteral("--for"), QStringLiteral("30")});
  ASSERT_TRUE(p.waitForStarted(10000));
  p.waitForFinished(500); // the port is open by now
  sim.Unplug();
  ASSERT_TRUE(p.waitForFinished(15000)) << "the command must end when the device goes away";
  EXPECT_EQ(p.exitCode(), 3);
  EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError())
                  .contains(QStringLiteral("The device was removed or the line hung up")));
}

// The scale that makes these tests fast would cut every time-out on a real
// device, so the program says in its log when one is in force.
TEST(CliDevice, AShortenedTimeScaleIsAnnouncedFirst) {
  struct Case {
    const char *scale; // nullptr: not set
    const char *lang;
    const char *expected; // the first line of stderr; nullptr: no warning anywhere
  };
  const Case cases[] = {
      {"0.05", "C",
       ">>> Warning: STRELVANE_TIME_SCALE=0.05 is in force: every time-out and pause runs at 0.05 x its real length"},
      {"0.05", "zh_CN.UTF-8", ">>> 警告：STRELVANE_TIME_SCALE=0.05 已生效：所有超时和等待都按实际时长的 0.05 倍运行"},
      {"1", "C", nullptr},
      {nullptr, "C", nullptr},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.scale ? c.scale : "unset");
    QProcessEnvironment env = Environment(QString::fromLatin1(c.lang));
    env.remove(QStringLiteral("STRELVANE_TIME_SCALE"));
    if (c.scale)
      env.insert(QStringLiteral("STRELVANE_TIME_SCALE"), QString::fromLatin1(c.scale));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(STRELVANE_BIN_DIR "/src/strelvane-cli"),
            {QStringLiteral("--port"), QStringLiteral("/dev/strelvane-absent"), QStringLiteral("load")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 3) << "the warning changes nothing else";
    const QStringList lines = QString::fromUtf8(p.readAllStandardError()).split(QLatin1Char('\n'));
    ASSERT_FALSE(lines.isEmpty());
    if (c.expected) {
      EXPECT_EQ(lines.first(), QString::fromUtf8(c.expected));
      EXPECT_EQ(lines.filter(QStringLiteral("STRELVANE_TIME_SCALE")).size(), 1);
    } else {
      EXPECT_TRUE(lines.filter(QStringLiteral("STRELVANE_TIME_SCALE")).isEmpty()) << lines.join('|').toStdString();
    }
    EXPECT_TRUE(lines.filter(QStringLiteral("Open COM Failed")).size() == 1 || c.lang[0] != 'C');
  }
}

// Devices as real firmware versions differ: the file the load saves holds
// exactly what the device holds, byte for byte.
TEST(CliDevice, LoadSavesExactlyTheDevicesValuesFromDifferentFirmware) {
  struct Case {
    const char *name;
    QStringList options;
  } const cases[] = {
      {"vendor lines and noise", {"--vendor-head", "24", "--noise"}},
      {"one space, strict line, no valid GBK", {"--filler", "one-space", "--strict-line", "--bad-gbk"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    CDtusim sim(c.options);
    ASSERT_FALSE(sim.Path().isEmpty());
    QTemporaryDir dir;
    const QString cfg = dir.filePath(QStringLiteral("out.cfg"));
    CliRun r = Cli({QStringLiteral("load"), QStringLiteral("--cfg"), cfg}, &sim);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile f(cfg);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QList<QByteArray> saved = f.readAll().split('\n');
    saved.removeAll(QByteArray());
    QList<QByteArray> device = sim.Dump();
    ASSERT_EQ(saved.size(), 69);
    ASSERT_EQ(device.size(), 69);
    for (int i = 0; i < 69; ++i) {
      QByteArray line = saved[i];
      line.chop(2); // the file's CR CR
      if (line.startsWith("Time:="))
        continue; // the device's clock runs on
      EXPECT_EQ(line.toStdString(), device[i].toStdString());
    }
  }
}
