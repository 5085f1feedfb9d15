// strelvane-cli through a serial device server: Debian's ser2net, started
// here with its own configuration on loopback, one raw and one Telnet
// (RFC 2217) accepter in front of the dtusim program's pty.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include "base/Timing.h"
#include "e2e/CliHarness.h"
#include "device/DeviceController.h"
#include "host/ConsoleHost.h"
#include "params/PageModel.h"
#include "support/TcpPeer.h"
#include "support/TestUtil.h"

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

using clitest::CDtusim;
using clitest::CliRun;
using clitest::Environment;
using clitest::TIME_SCALE;

namespace {

// A port free on loopback now: the system picks it for a socket bound to port 0.
quint16 FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  quint16 port = 0;
  if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  if (fd >= 0)
    ::close(fd);
  return port;
}

// True once something listens on 127.0.0.1:port (read from the kernel's
// table, so no connection is made that the server would serve).
bool Listening(quint16 port) {
  QFile f(QStringLiteral("/proc/net/tcp"));
  if (!f.open(QIODevice::ReadOnly))
    return false;
  const QByteArray local = "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
  for (const QByteArray &line : f.readAll().split('\n')) {
    const QList<QByteArray> cols = line.simplified().split(' ');
    if (cols.size() > 3 && cols[1] == local && cols[3] == "0A")
      return true;
  }
  return false;
}

QString Ser2netBinary() {
  QString found = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
  if (found.isEmpty())
    found = QStandardPaths::findExecutable(QStringLiteral("ser2net"), {"/usr/sbin", "/usr/local/sbin", "/sbin"});
  return found;
}

// ser2net with a configuration of its own: a raw and a Telnet accepter on
// free loopback ports, both in front of device.
class CSer2net {
public:
  explicit CSer2net(const QString &device) {
    m_raw = FreePort();
    m_telnet = FreePort();
    const QString yaml = QStringLiteral("%YAML 1.1\n---\n"
                                        "connection: &raw\n"
                                        "  accepter: tcp,127.0.0.1,%1\n"
                                        "  connector: serialdev,%3,115200n81,local\n"
                                        "connection: &telnet\n"
                                        "  accepter: telnet(rfc2217),tcp,127.0.0.1,%2\n"
                                        "  connector: serialdev,%3,115200n81,local\n")
                             .arg(m_raw)
                             .arg(m_telnet)
                             .arg(device);
    QFile f(m_dir.filePath(QStringLiteral("ser2net.yaml")));
    if (!f.open(QIODevice::WriteOnly) || f.write(yaml.toUtf8()) < 0)
      return;
    f.close();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(Ser2netBinary(), {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"), f.fileName()});
    if (!m_process.waitForStarted(5000))
      return;
    QElapsedTimer t;
    t.start();
    while (!(Listening(m_raw) && Listening(m_telnet)) && t.elapsed() < 10000 && m_process.state() == QProcess::Running)
      m_process.waitForFinished(20);
    m_up = Listening(m_raw) && Listening(m_telnet);
  }
  ~CSer2net() { Kill(); }
  bool Up() const { return m_up; }
  // Waits until the server has let go of device (it closes the device a
  // moment after its client left, and refuses a new client until then).
  bool Released(const QString &device, int ms) {
    const QString fds = QStringLiteral("/proc/%1/fd").arg(m_process.processId());
    QElapsedTimer t;
    t.start();
    for (;;) {
      bool held = false;
      for (const QFileInfo &fd : QDir(fds).entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        held = held || fd.symLinkTarget() == device;
      if (!held)
        return true;
      if (t.elapsed() > ms)
        return false;
      QThread::msleep(10);
    }
  }
  QString Output() { return QString::fromUtf8(m_process.readAll()); }
  QString Raw() const { return QStringLiteral("socket://127.0.0.1:%1").arg(m_raw); }
  QString Telnet() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_telnet); }
  void Kill() {
    if (m_process.state() == QProcess::NotRunning)
      return;
    m_process.kill();
    m_process.waitForFinished(5000);
  }

private:
  QTemporaryDir m_dir;
  QProcess m_process;
  quint16 m_raw = 0;
  quint16 m_telnet = 0;
  bool m_up = false;
};

// Starts strelvane-cli; with sim, the device is re-powered once the log
// says the port is open, as the user does.
class CServerCli {
public:
  CServerCli(const QStringList &args, CDtusim *sim, const QString &lang = QStringLiteral("C"),
             const char *scale = TIME_SCALE) {
    QProcessEnvironment env = Environment(lang);
    env.insert(QStringLiteral("STRELVANE_TIME_SCALE"), QString::fromLatin1(scale));
    m_process.setProcessEnvironment(env);
    m_process.start(QStringLiteral(STRELVANE_BIN_DIR "/src/strelvane-cli"), args);
    if (!m_process.waitForStarted(10000))
      return;
    if (sim) {
      WaitErr(QStringLiteral(">>> Please Re-power IP Modem"), 20000);
      sim->Repower();
    }
  }
  // Reads stderr until it holds text or ms pass.
  bool WaitErr(const QString &text, int ms) {
    QElapsedTimer t;
    t.start();
    while (!m_err.contains(text) && t.elapsed() < ms && m_process.state() == QProcess::Running) {
      m_process.waitForReadyRead(20);
      m_err += QString::fromUtf8(m_process.readAllStandardError());
    }
    m_err += QString::fromUtf8(m_process.readAllStandardError());
    return m_err.contains(text);
  }
  CliRun Finish(int ms = 60000) {
    CliRun r;
    // A program that ended during WaitErr has finished already (waitForFinished would say no).
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(ms)) {
      m_process.kill();
      m_process.waitForFinished();
      r.err = m_err + QString::fromUtf8(m_process.readAllStandardError());
      return r;
    }
    r.exitCode = m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -2;
    r.out = QString::fromUtf8(m_process.readAllStandardOutput());
    r.err = m_err + QString::fromUtf8(m_process.readAllStandardError());
    return r;
  }

private:
  QProcess m_process;
  QString m_err;
};

CliRun ServerCli(const QStringList &args, CDtusim *sim = nullptr, const QString &lang = QStringLiteral("C")) {
  return CServerCli(args, sim, lang).Finish();
}

// The pty's line as the device server sets it. The test holds the slave
// open, so its settings outlast the server's connections (the last close of
// a pty slave would reset them).
class CPtyLine {
public:
  explicit CPtyLine(const QString &path)
      : m_fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
  ~CPtyLine() {
    if (m_fd >= 0)
      ::close(m_fd);
  }
  bool IsOpen() const { return m_fd >= 0; }
  speed_t Speed() const {
    termios tio{};
    return m_fd >= 0 && ::tcgetattr(m_fd, &tio) == 0 ? cfgetospeed(&tio) : 0;
  }

private:
  int m_fd;
};

class DeviceServer : public ::testing::Test {
protected:
  void SetUp() override {
    if (Ser2netBinary().isEmpty())
      GTEST_SKIP() << "ser2net is not installed (scripts/deps.sh installs it): the device server tests are skipped";
    ASSERT_FALSE(m_sim.Path().isEmpty());
    m_server = std::make_unique<CSer2net>(m_sim.Path());
    ASSERT_TRUE(m_server->Up()) << m_server->Output().toStdString();
  }

  CDtusim m_sim;
  std::unique_ptr<CSer2net> m_server;
};

} // namespace

TEST_F(DeviceServer, LoadAndSetThroughBothAccepters) {
  QTemporaryDir dir;
  const QString cfg = dir.filePath(QStringLiteral("out.cfg"));
  CliRun load = ServerCli(
      {QStringLiteral("--port"), m_server->Telnet(), QStringLiteral("load"), QStringLiteral("--cfg"), cfg}, &m_sim);
  ASSERT_EQ(load.exitCode, 0) << load.err.toStdString();
  const QStringList lines = load.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 69);
  EXPECT_EQ(lines[0], QStringLiteral("Access Point Name:=CMNET"));
  EXPECT_FALSE(load.err.contains(QStringLiteral("line settings"))) << "the server confirmed them";
  QFile f(cfg);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll().count("\r\r\n"), 69);

  // The raw accepter: the same flow, and one word that the line settings are the server's.
  ASSERT_TRUE(m_server->Released(m_sim.Path(), 10000));
  CliRun set = ServerCli({QStringLiteral("--port"), m_server->Raw(), QStringLiteral("set"),
                          QStringLiteral("Server's Port=6000"), QStringLiteral("Debug Level=2")},
                         &m_sim);
  ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
  const QStringList all = m_sim.Commands();
  const qsizetype show = all.lastIndexOf(QStringLiteral("AT+ACTI?"));
  ASSERT_GE(show, 0);
  EXPECT_EQ(all.mid(show + 1), (QStringList{QStringLiteral("at+port=6000"), QStringLiteral("at+debug=2")}));
  EXPECT_TRUE(set.err.contains(QStringLiteral("Save PORT....OK...\n")));
  EXPECT_EQ(set.err.count(QStringLiteral("is a raw TCP port: line settings cannot be set on it")), 1)
      << set.err.toStdString();
}

// The engine itself, in a process of its own, so the connection is still up
// when the pty is looked at: the server puts back the line's settings when a
// client leaves. It is a child of this test that starts no program itself:
// Qt starts programs through a child that shares the parent's memory until it
// runs the program, and the thread sanitizer's record of the parent's main
// thread does not survive that, so threads of ours are checked only in a
// process that never started one.
TEST_F(DeviceServer, CommPutsTheWorkBaudRateOnThePtyAndTheMonitorTalksThroughIt) {
  CliRun set = ServerCli(
      {QStringLiteral("--port"), m_server->Telnet(), QStringLiteral("set"), QStringLiteral("Serial Baudrate=9600")},
      &m_sim);
  ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
  QProcess engine;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("STRELVANE_TEST_SERVER"), m_server->Telnet());
  env.insert(QStringLiteral("STRELVANE_TEST_PTY"), m_sim.Path());
  engine.setProcessEnvironment(env);
  engine.setProcessChannelMode(QProcess::MergedChannels);
  engine.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--gtest_filter=DeviceServerEngine.DISABLED_CommAtTheWorkBaudRate"),
                QStringLiteral("--gtest_also_run_disabled_tests")});
  ASSERT_TRUE(engine.waitForStarted(10000));
  // The child says when the device is to be switched on.
  QByteArray out;
  QElapsedTimer t;
  t.start();
  bool powered = false;
  while (engine.state() == QProcess::Running && t.elapsed() < 60000) {
    engine.waitForReadyRead(50);
    out += engine.readAll();
    if (!powered && out.contains("REPOWER NOW\n")) {
      powered = true;
      m_sim.Repower();
    }
  }
  engine.waitForFinished(5000);
  out += engine.readAll();
  EXPECT_TRUE(powered) << out.toStdString();
  ASSERT_EQ(engine.exitStatus(), QProcess::NormalExit) << out.toStdString();
  ASSERT_EQ(engine.exitCode(), 0) << out.toStdString();
  ASSERT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();

  // The device echoes once it has restarted into communication state: Telnet's
  // IAC byte goes there and back whole.
  CliRun mon =
      ServerCli({QStringLiteral("--port"), m_server->Telnet(), QStringLiteral("--baud"), QStringLiteral("9600"),
                 QStringLiteral("monitor"), QStringLiteral("--hex"), QStringLiteral("--send"),
                 QStringLiteral("FF 41 FF FF 0D 00"), QStringLiteral("--send-hex"), QStringLiteral("--every"),
                 QStringLiteral("300"), QStringLiteral("--for"), QStringLiteral("4")});
  EXPECT_EQ(mon.exitCode, 0) << mon.err.toStdString();
  EXPECT_TRUE(mon.out.contains(QStringLiteral("ff 41 ff ff 0d 00"))) << mon.out.toStdString();
}

// A batch through device servers: every address is reached at once, so one
// that never answers (listed first) holds up no other device.
TEST_F(DeviceServer, ProvisionTakesAddressesAndOneThatNeverAnswersHoldsUpNoOther) {
  CUnansweredAddress silentHost;
  ASSERT_NE(silentHost.Port(), 0) << "the loopback backlog did not hold a connection back";
  const QString hung = QStringLiteral("socket://127.0.0.1:%1").arg(silentHost.Port());
  QTemporaryDir dir;
  const QString cfg = dir.filePath(QStringLiteral("site.cfg"));
  const QString report = dir.filePath(QStringLiteral("report.jsonl"));
  {
    QFile f(cfg);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Server's Port=6001\r\r\n");
  }
  QProcess p;
  p.setProcessEnvironment(Environment(QStringLiteral("C")));
  p.start(QStringLiteral(STRELVANE_BIN_DIR "/src/strelvane-cli"),
          {QStringLiteral("provision"), cfg, QStringLiteral("--report"), report, QStringLiteral("--wait"),
           QStringLiteral("20"), QStringLiteral("--port"), hung, QStringLiteral("--port"), m_server->Telnet()});
  ASSERT_TRUE(p.waitForStarted(10000));
  // The device server opens the device's line once the connection is made;
  // the device is switched on after that, as a technician would.
  p.waitForFinished(1000);
  m_sim.Repower();
  const bool finished = p.waitForFinished(60000);
  if (!finished) {
    p.kill();
    p.waitForFinished();
  }
  const QString err = QString::fromUtf8(p.readAllStandardError());
  ASSERT_TRUE(finished) << err.toStdString();
  EXPECT_EQ(p.exitCode(), 1) << "one device absent: " << err.toStdString();

  QHash<QString, QJsonObject> lines;
  QFile f(report);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  for (const QByteArray &line : f.readAll().split('\n'))
    if (!line.isEmpty()) {
      const QJsonObject o = QJsonDocument::fromJson(line).object();
      lines.insert(o.value(QStringLiteral("port")).toString(), o);
    }
  ASSERT_EQ(lines.size(), 2) << err.toStdString();
  const QJsonObject served = lines.value(m_server->Telnet());
  EXPECT_EQ(served.value(QStringLiteral("outcome")).toString(), QStringLiteral("ok")) << err.toStdString();
  EXPECT_TRUE(served.value(QStringLiteral("verified")).toBool());
  const QStringList all = m_sim.Commands();
  EXPECT_EQ(all.mid(all.lastIndexOf(QStringLiteral("AT+ACTI?")) + 1).filter(QStringLiteral("=")),
            QStringList{QStringLiteral("at+port=6001")});
  const QJsonObject absent = lines.value(hung);
  EXPECT_EQ(absent.value(QStringLiteral("outcome")).toString(), QStringLiteral("no-device"));
  EXPECT_TRUE(absent.value(QStringLiteral("reason")).toString().contains(QStringLiteral("no such port")))
      << absent.value(QStringLiteral("reason")).toString().toStdString();
}

// The server dies while the device has not answered a parameter yet.
TEST_F(DeviceServer, AServerKilledMidSaveIsAFailureAndNothingIsClaimed) {
  CDtusim silent({QStringLiteral("--silent"), QStringLiteral("at+cent")});
  CSer2net server(silent.Path());
  ASSERT_TRUE(server.Up());
  // A save wait long enough to act in.
  CServerCli cli({QStringLiteral("--port"), server.Telnet(), QStringLiteral("set"),
                  QStringLiteral("Center call number=*99#"), QStringLiteral("PPP Authentication User Id=someone")},
                 &silent, QStringLiteral("C"), "0.2");
  ASSERT_TRUE(cli.WaitErr(QStringLiteral("[AT+CENT]"), 60000));
  QElapsedTimer t;
  t.start();
  while (!silent.Commands().contains(QStringLiteral("at+cent=*99#")) && t.elapsed() < 10000)
    QThread::msleep(20);
  ASSERT_TRUE(silent.Commands().contains(QStringLiteral("at+cent=*99#")));
  server.Kill();
  const CliRun r = cli.Finish(15000);
  EXPECT_EQ(r.exitCode, 3) << "the port was lost, not a time-out: " << r.err.toStdString();
  EXPECT_TRUE(r.err.contains(QStringLiteral("The device was removed or the line hung up"))) << r.err.toStdString();
  EXPECT_FALSE(r.err.contains(QStringLiteral("Save CENT....OK")));
  EXPECT_FALSE(silent.Commands().contains(QStringLiteral("at+username=someone"))) << "nothing written after the loss";
}

// Nobody at the address: the words of an absent port, in both languages.
TEST(DeviceServerAbsent, RefusedAndUnknownHostsAreAbsentPorts) {
  const QString refused = QStringLiteral("rfc2217://127.0.0.1:%1").arg(FreePort());
  struct Case {
    QString port;
    const char *lang;
    QString text;
    int exitCode;
  } const cases[] = {
      {refused, "C", QStringLiteral(">>> %1: no such port (device not connected or unplugged)").arg(refused), 3},
      {refused, "zh_CN.UTF-8", QStringLiteral(">>> 串口 %1 不存在（设备未连接或已拔出）").arg(refused), 3},
      {QStringLiteral("socket://no-such-host.invalid:4001"), "C",
       QStringLiteral(">>> socket://no-such-host.invalid:4001: no such port (device not connected or unplugged)"), 3},
      {QStringLiteral("socket://box"), "C",
       QStringLiteral(">>> socket://box: not a port address (a serial port name, socket://HOST:PORT or "
                      "rfc2217://HOST:PORT)"),
       3},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.port.toStdString());
    const CliRun r =
        ServerCli({QStringLiteral("--port"), c.port, QStringLiteral("load")}, nullptr, QString::fromLatin1(c.lang));
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(c.text)) << r.err.toStdString();
  }
}

// The child of the test above (it skips when run on its own).
TEST(DeviceServerEngine, DISABLED_CommAtTheWorkBaudRate) {
  const QString server = qEnvironmentVariable("STRELVANE_TEST_SERVER");
  if (server.isEmpty())
    GTEST_SKIP() << "run by DeviceServer.CommPutsTheWorkBaudRateOnThePtyAndTheMonitorTalksThroughIt";
  const CPtyLine line(qEnvironmentVariable("STRELVANE_TEST_PTY"));
  ASSERT_TRUE(line.IsOpen());
  const double oldScale = CTiming::Scale();
  CTiming::SetScale(0.05);
  {
    CConsoleHost host;
    CPageModel pages;
    CDeviceController device(host, pages);
    host.m_onPromptTimer = [&] { device.OnPromptTimer(); };
    std::atomic<bool> loaded{false};
    device.m_onSettingsLoaded = [&] { loaded.store(true); };
    device.OpenClosePort(server, server, QStringLiteral("115200"));
    ASSERT_TRUE(device.Serial().IsOpen()) << host.Log().Text().toStdString();
    EXPECT_EQ(line.Speed(), static_cast<speed_t>(B115200)) << "the open's settings, through the server";
    std::printf("REPOWER NOW\n");
    std::fflush(stdout);
    ASSERT_TRUE(PumpUntil([&] { return loaded.load() && !device.RunActive(); }, 30000))
        << host.Log().Text().toStdString();
    std::atomic<int> done{-1};
    device.RebootToCommState([&](bool ok) { done.store(ok ? 1 : 0); });
    ASSERT_TRUE(PumpUntil([&] { return done.load() >= 0; }, 30000));
    EXPECT_EQ(done.load(), 1) << host.Log().Text().toStdString();
    // The device's work baud rate, confirmed by the server, is on the pty.
    EXPECT_EQ(line.Speed(), static_cast<speed_t>(B9600));
    EXPECT_EQ(device.Serial().State().baud, 9600);
    EXPECT_FALSE(host.Log().Text().contains(QStringLiteral("device server"))) << host.Log().Text().toStdString();
    host.ShutdownCalls();
    device.Shutdown();
  }
  CTiming::SetScale(oldScale);
}
