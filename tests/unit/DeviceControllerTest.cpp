// The device flows end to end against the simulated device on a pty, with the
// headless host and the in-memory pages.
#include "device/DeviceController.h"
#include "host/ConsoleHost.h"
#include "base/Timing.h"
#include "model/Pty.h"
#include "model/SimRunner.h"
#include "params/ConfigFile.h"
#include "params/PageModel.h"
#include "params/ParamTable.h"
#include "support/TestUtil.h"
#include "text/Lang.h"

#include <QFile>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

namespace {
class DeviceFlow : public ::testing::Test {
protected:
  void SetUp() override {
    m_oldScale = CTiming::Scale();
    CTiming::SetScale(0.1);
    g_chineseUi = 0;
  }
  void TearDown() override {
    // As the front ends do: host calls stop before the workers are ended, so a
    // worker inside a host call is never waited for by the thread it waits for.
    m_host.ShutdownCalls();
    m_device.reset();
    m_sim.Stop();
    CTiming::SetScale(m_oldScale);
  }

  void StartSim(sim::CDeviceOptions device = {}, bool powerOn = true) {
    if (device.bootMs == 3000)
      device.bootMs = 1500;
    device.promptIntervalMs = 100;
    device.restartDelayMs = 50;
    sim::CSimRunOptions o;
    o.device = device;
    o.powerOnStart = powerOn;
    o.onCommand = [this](const sim::CCommandRecord &r) {
      std::lock_guard lock(m_commandsMutex);
      m_commands.push_back(r.command);
    };
    ASSERT_TRUE(m_sim.Start(o));
  }
  void MakeDevice() {
    m_device = std::make_unique<CDeviceController>(m_host, m_pages);
    m_host.m_onPromptTimer = [this] { m_device->OnPromptTimer(); };
  }
  void Open() { m_device->OpenClosePort(Path(), QStringLiteral("sim"), QStringLiteral("115200")); }
  QString Path() const { return QString::fromStdString(m_sim.SlavePath()); }
  QString LogText() { return m_host.Log().Text(); }
  bool LogHas(const QString &s) { return LogText().contains(s); }
  std::vector<std::string> Commands() {
    std::lock_guard lock(m_commandsMutex);
    return m_commands;
  }
  // Runs one operation through its done callback; true when it reported success.
  bool RunOp(const std::function<void(CDeviceController::OpDone)> &start) {
    auto result = std::make_shared<std::atomic<int>>(-1);
    start([result](bool ok) { result->store(ok ? 1 : 0); });
    EXPECT_TRUE(PumpUntil([&] { return result->load() >= 0; }, 30000));
    EXPECT_TRUE(m_device->WaitIdle(5000));
    return result->load() == 1;
  }
  std::vector<std::string> CommandsSince(size_t from) {
    const std::vector<std::string> all = Commands();
    return std::vector<std::string>(all.begin() + static_cast<long>(std::min(from, all.size())), all.end());
  }
  size_t CountPrefix(const std::string &prefix) {
    size_t n = 0;
    for (const auto &c : Commands())
      if (c.rfind(prefix, 0) == 0)
        ++n;
    return n;
  }
  bool Loaded(int timeoutMs = 20000) {
    return PumpUntil([&] { return m_host.IsEnabled(ID_SAVE_CONFIG) && !m_device->RunActive(); }, timeoutMs);
  }

  double m_oldScale = 1.0;
  sim::CSimRunner m_sim;
  CConsoleHost m_host;
  CPageModel m_pages;
  std::unique_ptr<CDeviceController> m_device;
  std::mutex m_commandsMutex;
  std::vector<std::string> m_commands;
};
} // namespace

TEST_F(DeviceFlow, PowerUpIsCaughtAndTheSettingsReachThePages) {
  StartSim({}, false);
  MakeDevice();
  Open();
  EXPECT_TRUE(m_device->RunActive()) << "opening the port starts a run at once";
  EXPECT_TRUE(m_host.PromptTimerActive());
  EXPECT_EQ(m_host.PromptTimerPeriod(), PROMPT_PERIOD_OPEN_MS);
  m_sim.Repower();
  ASSERT_TRUE(Loaded()) << LogText().toStdString();

  EXPECT_TRUE(LogHas(QStringLiteral(">>> Please Re-power IP Modem........\r\n")));
  EXPECT_TRUE(LogHas(QStringLiteral("Test AT...\r\n")));
  EXPECT_TRUE(LogHas(QStringLiteral("          Module Type:SIMCOM_SIM700\r\n\r\n")));
  EXPECT_TRUE(LogHas(QStringLiteral("Loading IP Modem Settings ...\r\n")));
  EXPECT_TRUE(LogHas(QStringLiteral("+IPR:")));
  EXPECT_FALSE(m_host.PromptTimerActive()) << "no more s presses once the menu came";

  const ParamArray t = m_device->Session().Table().Snapshot();
  EXPECT_EQ(t[0].nCount, 69);
  EXPECT_EQ(t[0].bFound, 1);
  EXPECT_EQ(m_pages.ParamText(PARAM_APN).toUtf8(), t[PARAM_APN].szValue);
  EXPECT_EQ(m_pages.ParamText(5).toUtf8(), t[5].szValue);
  EXPECT_EQ(m_pages.Tabs().size(), 5);
  EXPECT_TRUE(m_host.OperationButtonsEnabled());
  EXPECT_TRUE(m_host.IsEnabled(ID_REBOOT_COMM));
  EXPECT_TRUE(m_host.IsEnabled(ID_RADIO_COMM));
  EXPECT_TRUE(m_host.IsEnabled(ID_OPEN_CLOSE));
  EXPECT_TRUE(m_pages.IsParamEnabled(PARAM_APN));
  EXPECT_EQ(m_device->Session().Work().Baudrate(), std::atoi(t[PARAM_BAUDRATE].szValue.constData()));

  // The device's command sequence, in order.
  std::vector<std::string> seen;
  for (const auto &c : Commands())
    if (seen.empty() || seen.back() != c)
      seen.push_back(c);
  const std::vector<std::string> expected = {"at", "at+noecho", "ati", "at+show", "AT+IPR?", "AT+MODE?", "AT+ACTI?"};
  EXPECT_EQ(seen, expected);

  // A re-powered device is caught again by the prompt watch, without any user action.
  m_host.Log().Clear();
  m_host.EnableControl(ID_SAVE_CONFIG, false);
  m_sim.Repower();
  ASSERT_TRUE(PumpUntil([&] { return LogHas(QStringLiteral("Module Type")); }, 20000));
  ASSERT_TRUE(Loaded());
}

TEST_F(DeviceFlow, SaveWritesOnlyWhatChangedAndTheNextListingShowsIt) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  const size_t before = Commands().size();
  m_host.Log().Clear();
  m_pages.SetParamText(PARAM_APN, QStringLiteral("internet.test"));
  m_pages.SetParamText(10, QStringLiteral("6000"));
  m_device->SaveToDevice();
  ASSERT_TRUE(m_device->WaitIdle(20000));
  const std::vector<std::string> all = Commands();
  const std::vector<std::string> writes(all.begin() + static_cast<long>(before), all.end());
  const std::vector<std::string> expected = {"at+apn=internet.test", "at+port=6000"};
  EXPECT_EQ(writes, expected);
  EXPECT_TRUE(LogHas(QStringLiteral("Saving APN.......[AT+APN]\r\nSave APN....OK...\r\n")));
  EXPECT_TRUE(LogHas(QStringLiteral("Save PORT....OK...\r\n")));
  EXPECT_EQ(m_device->Session().Table().Entry(PARAM_APN).szValue, QByteArray("internet.test"));
  EXPECT_EQ(m_device->Session().Table().Entry(10).szValue, QByteArray("6000"));
  EXPECT_TRUE(m_host.OperationButtonsEnabled());
  EXPECT_TRUE(m_host.IsEnabled(ID_SAVE_CONFIG));

  // Nothing changed now: nothing is written.
  const size_t afterFirst = Commands().size();
  m_device->SaveToDevice();
  ASSERT_TRUE(m_device->WaitIdle(20000));
  EXPECT_EQ(Commands().size(), afterFirst);

  // The device keeps what it accepted.
  m_pages.SetParamText(PARAM_APN, QStringLiteral("scribble"));
  m_device->LoadFromDevice();
  ASSERT_TRUE(m_device->WaitIdle(20000));
  EXPECT_EQ(m_pages.ParamText(PARAM_APN), QStringLiteral("internet.test"));
}

TEST_F(DeviceFlow, RejectedParameterFailsAfterItsWaitAndTheWalkGoesOn) {
  sim::CDeviceOptions o;
  o.errorCommands = {"at+apn"};
  StartSim(o);
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  m_host.Log().Clear();
  m_pages.SetParamText(PARAM_APN, QStringLiteral("x"));
  m_pages.SetParamText(2, QStringLiteral("user"));
  m_device->SaveToDevice();
  ASSERT_TRUE(m_device->WaitIdle(20000));
  EXPECT_TRUE(LogHas(QStringLiteral("Save APN Failed\r\n")));
  EXPECT_TRUE(LogHas(QStringLiteral("Save USERNAME....OK...\r\n")));
  EXPECT_NE(m_device->Session().Table().Entry(PARAM_APN).szValue, QByteArray("x"));
}

TEST_F(DeviceFlow, DatangModuleIsRecognisedThroughItsRevision) {
  sim::CDeviceOptions o;
  o.module = "DATANG";
  StartSim(o);
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  EXPECT_TRUE(LogHas(QStringLiteral("          Module Type: DATANG\r\n\r\n")));
}

TEST_F(DeviceFlow, DeviceWithoutOptionalGroupsOffersThreeTabsAndNoPowerOff) {
  sim::CDeviceOptions o;
  o.features.alarm = false;
  StartSim(o);
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  EXPECT_EQ(m_pages.Tabs().size(), 3);
  EXPECT_FALSE(m_device->Session().Table().Found(PARAM_ALARM_FIRST));
}

TEST_F(DeviceFlow, ClosingWhileWaitingForTheMenuEndsTheRunQuietly) {
  StartSim({}, false);
  MakeDevice();
  Open();
  ASSERT_TRUE(m_device->RunActive());
  m_host.EnableControl(ID_OPEN_CLOSE, false);
  m_device->OpenClosePort(Path(), QStringLiteral("sim"), QStringLiteral("115200"));
  EXPECT_FALSE(m_device->Serial().IsOpen());
  EXPECT_TRUE(LogHas(QStringLiteral(">>> COM Closed \r\n")));
  ASSERT_TRUE(PumpUntil([&] { return !m_device->RunActive(); }));
  EXPECT_FALSE(m_host.IsEnabled(ID_OPEN_CLOSE)) << "a run that never saw the menu does not touch 1009";
  EXPECT_FALSE(m_host.PromptTimerActive());
  // Reopening starts a fresh run that loads the device.
  Open();
  m_sim.Repower();
  ASSERT_TRUE(Loaded());
}

TEST_F(DeviceFlow, OpenFailureSaysSoAndLeavesThePortClosed) {
  MakeDevice();
  m_device->OpenClosePort(QStringLiteral("/dev/strelvane-no-such-port"), QStringLiteral("x"), QStringLiteral("115200"));
  EXPECT_FALSE(m_device->Serial().IsOpen());
  EXPECT_TRUE(LogHas(QStringLiteral("Open COM Failed\r\n")));
  EXPECT_FALSE(m_device->RunActive());
}

TEST_F(DeviceFlow, RebootIntoCommunicationStateSetsTheWorkLineSettings) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  m_device->Session().Work().SetCommMode("8E1");
  m_device->Session().Work().SetBaudrate(9600);
  m_device->RebootToCommState();
  EXPECT_TRUE(m_device->CommMode());
  EXPECT_TRUE(m_host.CommStateSelected());
  EXPECT_FALSE(m_host.ConfigLayout());
  EXPECT_FALSE(m_host.OperationButtonsEnabled());
  // The restart text ends the wait long before its 30 s (3 s at this scale).
  QElapsedTimer t;
  t.start();
  ASSERT_TRUE(m_device->WaitIdle(20000));
  EXPECT_LT(t.elapsed(), 2500);
  EXPECT_EQ(LogText().count(QStringLiteral("configure program.")), 1) << "the restart text is shown once";
  const LineSettings st = m_device->Serial().Requested(); // a pty refuses parity
  EXPECT_EQ(st.baud, 9600);
  EXPECT_EQ(st.byteSize, 8);
  EXPECT_EQ(st.parity, 2);
  EXPECT_TRUE(m_host.IsEnabled(ID_RADIO_CONFIG));
  EXPECT_TRUE(m_host.IsEnabled(ID_OPEN_CLOSE));
}

TEST_F(DeviceFlow, ClosingThePortDuringTheRestartWaitKeepsTheWayBackOpen) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  m_device->Session().Work().SetBaudrate(9600);
  m_sim.PowerOff(); // the restart text never comes
  auto result = std::make_shared<std::atomic<int>>(-1);
  m_device->RebootToCommState([result](bool ok) { result->store(ok ? 1 : 0); });
  PumpFor(CTiming::Ms(2000));
  EXPECT_FALSE(m_host.IsEnabled(ID_RADIO_CONFIG));
  Open(); // closes the port
  ASSERT_TRUE(PumpUntil([&] { return result->load() >= 0; }, 5000));
  EXPECT_EQ(result->load(), 0);
  EXPECT_TRUE(m_host.IsEnabled(ID_RADIO_CONFIG)) << "configuration state can be chosen again";
  EXPECT_TRUE(m_host.IsEnabled(ID_OPEN_CLOSE));
  EXPECT_EQ(m_device->Serial().Requested().baud, 115200) << "the work settings are not put on a stopped restart";
}

TEST_F(DeviceFlow, CommunicationStateShowsWhatTheDeviceSends) {
  sim::CDeviceOptions o;
  o.bootMs = 300;
  StartSim(o, false);
  MakeDevice();
  m_device->SelectCommState();
  EXPECT_TRUE(LogHas(
      QStringLiteral(">>>To Enter Communication State ,Please Open the COM Port ,Then Re-power IP Modem.......\r\n")));
  Open();
  EXPECT_FALSE(m_device->RunActive()) << "no run in communication state";
  m_sim.Repower();
  ASSERT_TRUE(PumpUntil([&] { return LogHas(QStringLiteral("Enter communication state.")); }, 10000));
  EXPECT_TRUE(LogHas(QStringLiteral("Press 's' key"))) << "the start-up text is shown, not answered";
  m_device->Serial().WriteString("ping\r\n"); // the device loops it back
  EXPECT_TRUE(PumpUntil([&] { return LogHas(QStringLiteral("ping\r\n")); }));
  m_device->Engine().SetHexDisplay(true);
  m_device->Serial().WriteString("AB");
  EXPECT_TRUE(PumpUntil([&] { return LogHas(QStringLiteral("41 42")); }));
}

TEST_F(DeviceFlow, UnpluggedDeviceIsReportedOnceAndTheToolRecovers) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  m_sim.Unplug();
  ASSERT_TRUE(PumpUntil([&] { return !m_device->Serial().IsOpen(); }));
  PumpFor(300);
  EXPECT_EQ(LogText().count(QStringLiteral("The device was removed or the line hung up")), 1);
  EXPECT_FALSE(m_host.OperationButtonsEnabled());
  EXPECT_FALSE(m_pages.IsParamEnabled(PARAM_APN));
  const std::string again = m_sim.Replug();
  ASSERT_FALSE(again.empty());
  m_device->OpenClosePort(QString::fromStdString(again), QStringLiteral("sim"), QStringLiteral("115200"));
  ASSERT_TRUE(m_device->Serial().IsOpen());
  m_host.EnableControl(ID_SAVE_CONFIG, false);
  m_sim.Repower();
  ASSERT_TRUE(Loaded());
}

TEST_F(DeviceFlow, ShutdownDuringARunEndsEverythingAtOnce) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(PumpUntil([&] { return LogHas(QStringLiteral("Test AT")); }, 10000));
  m_host.ShutdownCalls();
  QElapsedTimer t;
  t.start();
  m_device->Shutdown();
  EXPECT_LT(t.elapsed(), 1000);
  EXPECT_FALSE(m_device->Serial().IsOpen());
}

TEST_F(DeviceFlow, NoiseAndChunkedRepliesStillLoadEverySetting) {
  sim::CDeviceOptions o;
  o.noise = true;
  o.chunkMax = 9;
  o.chunkGapMaxMs = 1;
  StartSim(o);
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded(30000)) << LogText().toStdString();
  const ParamArray t = m_device->Session().Table().Snapshot();
  int found = 0;
  for (const auto &e : t)
    found += e.bFound;
  EXPECT_EQ(found, PARAM_COUNT);
  EXPECT_EQ(m_pages.ParamText(PARAM_APN).toUtf8(), t[PARAM_APN].szValue);
}

namespace {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The address sanitizer keeps freed memory in quarantine and the thread
// sanitizer grows shadow memory with every page touched: resident size says
// nothing there.
constexpr bool RESIDENT_SIZE_MEANINGFUL = false;
#else
constexpr bool RESIDENT_SIZE_MEANINGFUL = true;
#endif

// Writes what the line takes within 100 ms; never blocks for longer, so a
// flooding thread always sees its stop flag.
long long WriteSomeToLine(CPty &line, const std::string &data) {
  pollfd pfd{line.MasterFd(), POLLOUT, 0};
  if (::poll(&pfd, 1, 100) <= 0 || !(pfd.revents & POLLOUT))
    return 0;
  const ssize_t n = ::write(line.MasterFd(), data.data(), data.size());
  return n > 0 ? n : 0;
}

long ResidentKiB() {
  QFile f(QStringLiteral("/proc/self/statm"));
  if (!f.open(QIODevice::ReadOnly))
    return 0;
  const QList<QByteArray> parts = f.readAll().split(' ');
  return parts.size() > 1 ? parts[1].toLong() * 4 : 0;
}
} // namespace

TEST_F(DeviceFlow, FloodInCommunicationStateKeepsMemoryBounded) {
  // The far end is a bare pty here: a device that sends without pause.
  CPty line;
  ASSERT_TRUE(line.Open());
  MakeDevice();
  m_device->SelectCommState();
  m_device->OpenClosePort(QString::fromStdString(line.SlavePath()), QStringLiteral("flood"), QStringLiteral("921600"));
  ASSERT_TRUE(m_device->Serial().IsOpen());
  std::atomic<bool> run{true};
  std::atomic<bool> finished{false};
  std::atomic<long long> sent{0};
  std::thread flood([&] {
    std::string chunk;
    for (int i = 0; i < 4096; ++i)
      chunk.push_back(static_cast<char>(i % 97 == 0 ? '\n' : (i % 251 == 0 ? '\0' : 'a' + i % 26)));
    ::fcntl(line.MasterFd(), F_SETFL, ::fcntl(line.MasterFd(), F_GETFL) | O_NONBLOCK);
    while (run)
      sent += WriteSomeToLine(line, chunk);
    finished = true;
  });
  const long before = ResidentKiB();
  for (bool hex : {false, true, false}) {
    m_device->Engine().SetHexDisplay(hex);
    PumpFor(700);
    EXPECT_LE(m_host.Log().Size(), COutputLog::DEFAULT_LIMIT + COutputLog::DEFAULT_LIMIT / 4);
  }
  run = false;
  // The port keeps reading until the writer is out of its last chunk.
  EXPECT_TRUE(PumpUntil([&] { return finished.load(); }, 5000));
  flood.join();
  m_device->OpenClosePort({}, {}, {});
  EXPECT_GT(sent.load(), 4 << 20) << "the flood must really have run";
  if (RESIDENT_SIZE_MEANINGFUL) {
    EXPECT_LT(ResidentKiB() - before, 64 * 1024) << "memory grew by more than 64 MiB";
  }
}

TEST_F(DeviceFlow, ListsWithoutSelectionAndThePlaceholderAreNeverWritten) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  const size_t before = Commands().size();
  m_pages.SetParamSelection(63, -1);                   // a GPS sentence list
  m_pages.SetParamSelection(23, -1);                   // the debug level
  m_pages.SetParamText(2, QStringLiteral("No Exist")); // the placeholder typed over a value
  m_pages.SetParamText(PARAM_APN, QStringLiteral("apn.changed"));
  EXPECT_TRUE(RunOp([&](CDeviceController::OpDone d) { m_device->SaveToDevice(std::move(d)); }));
  const std::vector<std::string> expected = {"at+apn=apn.changed"};
  EXPECT_EQ(CommandsSince(before), expected);
}

TEST_F(DeviceFlow, ConfigurationFileRoundTripWritesExactlyWhatDiffers) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("device.cfg"));
  ASSERT_TRUE(m_device->SaveConfigFile(path));
  EXPECT_EQ(m_host.Messages().value(0), QStringLiteral("Save Successful"));
  const ParamArray saved = m_device->Session().Table().Snapshot();

  // The file of this very device: nothing differs, nothing is written.
  size_t before = Commands().size();
  EXPECT_TRUE(RunOp([&](CDeviceController::OpDone d) { m_device->LoadConfigFile(path, std::move(d)); }));
  EXPECT_TRUE(CommandsSince(before).empty());

  // The device changes; loading the file puts exactly those values back.
  m_pages.SetParamText(PARAM_APN, QStringLiteral("other"));
  m_pages.SetParamText(10, QStringLiteral("6000"));
  m_pages.SetParamSelection(23, 2);
  ASSERT_TRUE(RunOp([&](CDeviceController::OpDone d) { m_device->SaveToDevice(std::move(d)); }));
  before = Commands().size();
  m_host.Log().Clear();
  EXPECT_TRUE(RunOp([&](CDeviceController::OpDone d) { m_device->LoadConfigFile(path, std::move(d)); }));
  const std::vector<std::string> expected = {"at+apn=" + saved[PARAM_APN].szValue.toStdString(),
                                             "at+port=" + saved[10].szValue.toStdString(),
                                             "at+debug=" + saved[23].szValue.toStdString()};
  EXPECT_EQ(CommandsSince(before), expected);
  EXPECT_TRUE(LogHas(QStringLiteral("Save APN....OK...\r\n")));
  for (int i = 0; i <= PARAM_ALARM_LAST; ++i)
    EXPECT_EQ(m_device->Session().Table().Entry(i).szValue, saved[static_cast<size_t>(i)].szValue) << "entry " << i;
}

TEST_F(DeviceFlow, AConfigurationFileLoadThatCannotStartWritesNothing) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  QTemporaryDir dir;
  auto file = [&](const char *name, const QByteArray &bytes) {
    const QString p = dir.filePath(QString::fromLatin1(name));
    QFile f(p);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return p;
  };
  struct Case {
    QString path;
    QString message;
  } const cases[] = {
      {QString(), QStringLiteral("Please input file name ")},
      {dir.filePath(QStringLiteral("missing.cfg")), QStringLiteral("打开文件失败")},
      {file("big.cfg", QByteArray(4000, 'x')), QStringLiteral("文件错误")},
      {file("none.cfg", "nothing of ours=1\r\r\n"),
       QStringLiteral("The configuration file holds no parameter; nothing was written")},
      {file("placeholders.cfg", "Access Point Name:=No Exist\r\r\n"),
       QStringLiteral("The configuration file holds no parameter; nothing was written")},
  };
  const QString apnShown = m_pages.ParamText(PARAM_APN);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    const size_t before = Commands().size();
    const int messages = static_cast<int>(m_host.Messages().size());
    bool reported = true;
    EXPECT_FALSE(m_device->LoadConfigFile(c.path, [&](bool ok) { reported = ok; }));
    EXPECT_FALSE(reported);
    EXPECT_EQ(m_host.Messages().value(messages), c.message);
    EXPECT_TRUE(m_device->WaitIdle(5000));
    EXPECT_TRUE(CommandsSince(before).empty());
    EXPECT_EQ(m_pages.ParamText(PARAM_APN), apnShown);
  }
}

TEST_F(DeviceFlow, OperationsReportSuccessAndFailure) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  using Start = std::function<void(CDeviceController::OpDone)>;
  struct Case {
    const char *name;
    Start start;
    QString onSuccess; // in the log or a message
    QString onFailure; // empty: the operation stays silent
  } const cases[] = {
      {"show", [&](auto d) { m_device->ShowConfig(std::move(d)); }, QStringLiteral("Tavrenholt IP Modem settings"), {}},
      {"baud", [&](auto d) { m_device->ShowBaudrate(std::move(d)); }, QStringLiteral("+IPR: 115200"), {}},
      {"version", [&](auto d) { m_device->ShowVersion(std::move(d)); }, QStringLiteral("V3.2.1"), {}},
      {"signal", [&](auto d) { m_device->ShowSignal(std::move(d)); }, QStringLiteral("+CSQ: "), {}},
      {"detect", [&](auto d) { m_device->AutoDetect(std::move(d)); },
       QStringLiteral("Test AT...\r\nOK\r\n\r\nCheck SIM Card AT+CPIN...\r\n"),
       QStringLiteral(
           "Test AT...\r\nTest AT Failed\r\n\r\nCheck SIM Card AT+CPIN...\r\nCheck SIM Card Failed...\r\n"
           "Check Signal AT+CSQ...\r\nCheck Signal Failed...\r\nCheck AT+CGATT...\r\nAuto check finished\r\n\r\n")},
      {"clock", [&](auto d) { m_device->SetDeviceClock("\"2024/02/29,23:59:59\",4", std::move(d)); },
       QStringLiteral("OK: Set Time Succss!"), QStringLiteral("Set Time Failed")},
      {"reload", [&](auto d) { m_device->LoadFromDevice(std::move(d)); }, QStringLiteral("Access Point Name:"),
       QStringLiteral(">>> Load IP Modem Data Failed: the settings and the pages are unchanged\r\n")},
      {"factory", [&](auto d) { m_device->FactoryReset(std::move(d)); }, QStringLiteral("AT+FACTORY...\r\n"),
       QStringLiteral("AT+FACTORY...\r\n")},
      {"power off", [&](auto d) { m_device->PowerOff(std::move(d)); }, QStringLiteral("Power-Off Success!"),
       QStringLiteral("Power-Off Failed!")},
  };
  for (bool answering : {true, false}) {
    if (!answering)
      m_sim.PowerOff(); // a device that answers nothing
    for (const Case &c : cases) {
      SCOPED_TRACE(std::string(c.name) + (answering ? " answered" : " unanswered"));
      m_host.Log().Clear();
      EXPECT_EQ(RunOp(c.start), answering);
      const QString expected = answering ? c.onSuccess : c.onFailure;
      if (!expected.isEmpty()) {
        EXPECT_TRUE(LogHas(expected)) << LogText().toStdString();
      }
      if (!answering && expected.isEmpty()) {
        EXPECT_TRUE(LogText().isEmpty()) << LogText().toStdString();
      }
      if (std::string(c.name) != "power off" && std::string(c.name) != "reload" && std::string(c.name) != "clock") {
        EXPECT_TRUE(m_host.OperationButtonsEnabled());
      }
    }
    if (answering) {
      // The power-off of the table shut the device down: power it up into configuration state again.
      m_host.EnableControl(ID_SAVE_CONFIG, false);
      m_sim.Repower();
      ASSERT_TRUE(Loaded());
    }
  }
  EXPECT_TRUE(LogHas(QStringLiteral("Power-Off Failed!")));
}

// ---------------------------------------------------------------- device clock

namespace {
int CountStartingWith(const std::vector<std::string> &commands, const std::string &prefix) {
  int n = 0;
  for (const auto &c : commands)
    if (c.rfind(prefix, 0) == 0)
      ++n;
  return n;
}
} // namespace

TEST_F(DeviceFlow, ClockIsSetAndTheAnswerShownWithItsCaption) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded()) << LogText().toStdString();
  ASSERT_TRUE(m_device->SetDeviceClock("\"2024/02/29,12:00:00\",4"));
  ASSERT_TRUE(PumpUntil([&] { return !m_host.Messages().isEmpty(); }, 5000));
  EXPECT_EQ(m_host.Messages(), QStringList{QStringLiteral("Set Time Succss!")});
  EXPECT_TRUE(LogHas(QStringLiteral("OK: Set Time Succss!\r\n"))) << "English success has the caption OK";
  EXPECT_NE(m_sim.Dump().find("\"2024/02/29,12:00:0"), std::string::npos) << m_sim.Dump();
  EXPECT_TRUE(PumpUntil([&] { return !m_device->ClockBusy(); }, 1000));

  // Chinese: the default caption.
  g_chineseUi = 1;
  ASSERT_TRUE(m_device->SetDeviceClock("\"2030/01/01,00:00:00\",2"));
  ASSERT_TRUE(PumpUntil([&] { return m_host.Messages().size() == 2; }, 5000));
  EXPECT_EQ(m_host.Messages().last(), QStringLiteral("设置时间成功"));
  EXPECT_TRUE(LogHas(QStringLiteral("\r\n设置时间成功\r\n")));
  g_chineseUi = 0;
}

TEST_F(DeviceFlow, ClockOnAClosedPortFailsAtOnce) {
  MakeDevice();
  QElapsedTimer t;
  t.start();
  ASSERT_TRUE(m_device->SetDeviceClock("\"2024/02/29,12:00:00\",4"));
  ASSERT_TRUE(PumpUntil([&] { return !m_host.Messages().isEmpty(); }, 5000));
  EXPECT_LT(t.elapsed(), CTiming::Ms(10000) / 2) << "a command that was never written waits for no answer";
  EXPECT_EQ(m_host.Messages(), QStringList{QStringLiteral("Set Time Failed")});
  ASSERT_TRUE(PumpUntil([&] { return !m_device->ClockBusy(); }, 1000));
  g_chineseUi = 1;
  EXPECT_TRUE(m_device->SetDeviceClock("\"2024/02/29,12:00:00\",4")) << "the next press after the answer runs";
  ASSERT_TRUE(PumpUntil([&] { return m_host.Messages().size() == 2; }, 5000));
  EXPECT_EQ(m_host.Messages().last(), QStringLiteral("设置时间失败"));
  g_chineseUi = 0;
}

TEST_F(DeviceFlow, ClockWaitsForTheExchangeInProgress) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  // Another worker holds the engine, waiting for a reply that does not come.
  std::atomic<bool> release{false};
  std::thread other([&] {
    m_device->Engine().Exchange(
        REPLY_RESTART, [] { return true; }, INFINITE_WAIT, [&] { return release.load(); });
  });
  PumpFor(50);
  ASSERT_TRUE(m_device->SetDeviceClock("\"2024/02/29,12:00:00\",4"));
  PumpFor(CTiming::Ms(3000));
  EXPECT_EQ(CountStartingWith(Commands(), "AT+EXCCLK"), 0) << "nothing written while the other exchange waits";
  EXPECT_TRUE(m_host.Messages().isEmpty());
  release = true;
  other.join();
  ASSERT_TRUE(PumpUntil([&] { return !m_host.Messages().isEmpty(); }, 5000));
  EXPECT_EQ(m_host.Messages(), QStringList{QStringLiteral("Set Time Succss!")});
  EXPECT_EQ(CountStartingWith(Commands(), "AT+EXCCLK"), 1);
}

TEST_F(DeviceFlow, ClockInterruptedByAStoppedRunIsNoSuccess) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  m_sim.PowerOff(); // the command gets no answer
  ASSERT_TRUE(m_device->SetDeviceClock("\"2024/02/29,12:00:00\",4"));
  PumpFor(CTiming::Ms(2000));
  // Choosing communication state stops runs and signals the reply event.
  m_device->SelectCommState();
  ASSERT_TRUE(PumpUntil([&] { return !m_host.Messages().isEmpty(); }, 5000));
  EXPECT_EQ(m_host.Messages(), QStringList{QStringLiteral("Set Time Failed")});
}

TEST_F(DeviceFlow, ClockPressesDuringAnExchangeAreDroppedAndShutdownEndsItWithoutAMessage) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  m_sim.PowerOff();       // the command gets no answer
  CTiming::SetScale(1.0); // the real 10 s wait
  ASSERT_TRUE(m_device->SetDeviceClock("\"2024/02/29,12:00:00\",4"));
  EXPECT_FALSE(m_device->SetDeviceClock("\"2024/02/29,12:00:01\",4")) << "a press during the exchange is dropped";
  PumpFor(300);
  EXPECT_TRUE(m_device->ClockBusy());
  QElapsedTimer t;
  t.start();
  m_device->Shutdown();
  EXPECT_LT(t.elapsed(), 1000);
  EXPECT_TRUE(m_host.Messages().isEmpty());
  EXPECT_FALSE(m_device->SetDeviceClock("\"2024/02/29,12:00:00\",4")) << "no clock after shutdown";
}

// ---------------------------------------------------------------- faults in the field

TEST_F(DeviceFlow, DeviceVanishingDuringASaveIsReportedOnceAndTheWalkEnds) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  for (int i : {0, 1, 2, 3, 5, 6})
    m_pages.SetParamText(i, QStringLiteral("v%1").arg(i));
  m_device->SaveToDevice();
  ASSERT_TRUE(PumpUntil([&] { return LogHas(QStringLiteral("Save APN....OK...")); }, 10000));
  m_sim.Unplug();
  ASSERT_TRUE(m_device->WaitIdle(30000)) << "the walk ends at the loss";
  EXPECT_EQ(LogText().count(QStringLiteral("The device was removed or the line hung up")), 1);
  EXPECT_TRUE(LogHas(QStringLiteral("Save stopped")));
  EXPECT_FALSE(m_device->Serial().IsOpen());
  EXPECT_FALSE(m_host.OperationButtonsEnabled()) << "no operation is offered on a port that is gone";
}

namespace {
// How a stop comes: each case gets a fresh fixture (a host that was shut down stays so).
enum class EStop { None, ClosePort, Unplug, CommState };
struct StopCase {
  const char *name;
  EStop stop;
  bool factory; // the load cases: the reload after a factory reset instead of a load
};

class DeviceFlowStop : public DeviceFlow, public ::testing::WithParamInterface<StopCase> {
protected:
  void Stop(EStop stop) {
    switch (stop) {
    case EStop::None:
      break;
    case EStop::ClosePort:
      Open(); // the open/close button on an open port
      break;
    case EStop::Unplug:
      m_sim.Unplug();
      break;
    case EStop::CommState:
      m_device->SelectCommState();
      break;
    }
  }
};
std::string CaseName(const ::testing::TestParamInfo<StopCase> &info) { return info.param.name; }
void PrintTo(const StopCase &c, std::ostream *os) { *os << c.name; }

class SaveStop : public DeviceFlowStop {};
class LoadStop : public DeviceFlowStop {};
} // namespace

// A stop while a parameter waits for its answer: the parameter is not
// accepted, the walk ends, and nothing after it is written.
TEST_P(SaveStop, IsNeverTakenForTheParametersAnswer) {
  // The stop must come well inside the wait even on a slow machine.
  CTiming::SetScale(0.3);
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  m_sim.WithModel([](sim::CDeviceModel &m) { m.Options().silentCommands.insert("at+cent"); });
  const ParamArray before = m_device->Session().Table().Snapshot();
  m_pages.SetParamText(0, QStringLiteral("apn.example"));
  m_pages.SetParamText(1, QStringLiteral("*99#"));
  m_pages.SetParamText(2, QStringLiteral("someone"));
  auto result = std::make_shared<std::atomic<int>>(-1);
  m_device->SaveToDevice([result](bool ok) { result->store(ok ? 1 : 0); });
  ASSERT_TRUE(PumpUntil([&] { return CountPrefix("at+cent=") > 0; }, 10000)) << LogText().toStdString();
  PumpFor(CTiming::Ms(1000)); // well inside the 5 s wait
  Stop(GetParam().stop);
  ASSERT_TRUE(PumpUntil([&] { return result->load() >= 0; }, 10000));
  EXPECT_TRUE(m_device->WaitIdle(5000));

  EXPECT_EQ(result->load(), 0) << "the save reports failure";
  EXPECT_TRUE(LogHas(QStringLiteral("Save APN....OK...\r\n")));
  EXPECT_FALSE(LogHas(QStringLiteral("Save CENT....OK..."))) << LogText().toStdString();
  EXPECT_TRUE(LogHas(QStringLiteral("Save CENT Failed\r\n")));
  EXPECT_TRUE(LogHas(QStringLiteral(">>> Save stopped: the remaining parameters were not written to the device\r\n")));
  EXPECT_EQ(CountPrefix("at+username="), 0u) << "nothing is written after the stop";
  const ParamArray after = m_device->Session().Table().Snapshot();
  EXPECT_EQ(after[0].szValue, QByteArray("apn.example"));
  EXPECT_EQ(after[1].szValue, before[1].szValue) << "the table keeps what the device has";
  EXPECT_EQ(after[2].szValue, before[2].szValue);
  // And so a configuration file saved now holds the device's value.
  EXPECT_NE(ConfigFileBytes(after).indexOf("Center call number=" + before[1].szValue + "\r"), -1);
}

INSTANTIATE_TEST_SUITE_P(Cases, SaveStop,
                         ::testing::Values(StopCase{"PortClosed", EStop::ClosePort, false},
                                           StopCase{"DeviceUnplugged", EStop::Unplug, false},
                                           StopCase{"CommunicationStateChosen", EStop::CommState, false}),
                         CaseName);

TEST_P(LoadStop, AListingThatDoesNotCompleteChangesNothing) {
  // The stop must come well inside the wait even on a slow machine.
  CTiming::SetScale(0.3);
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  m_pages.SetParamText(0, QStringLiteral("edited, not saved"));
  m_device->Session().Work().SetBaudrate(57600);
  const ParamArray before = m_device->Session().Table().Snapshot();
  const QList<EPage> tabs = m_pages.Tabs();
  m_sim.WithModel([](sim::CDeviceModel &m) { m.Options().silentCommands.insert("at+show"); });
  const size_t shows = CountPrefix("at+show");
  auto result = std::make_shared<std::atomic<int>>(-1);
  auto done = [result](bool ok) { result->store(ok ? 1 : 0); };
  if (GetParam().factory)
    m_device->FactoryReset(done);
  else
    m_device->LoadFromDevice(done);
  if (GetParam().stop != EStop::None) {
    ASSERT_TRUE(PumpUntil([&] { return CountPrefix("at+show") > shows; }, 10000));
    PumpFor(CTiming::Ms(1000));
    Stop(GetParam().stop);
  }
  ASSERT_TRUE(PumpUntil([&] { return result->load() >= 0; }, 20000));
  EXPECT_TRUE(m_device->WaitIdle(5000));
  EXPECT_EQ(result->load(), 0);
  const ParamArray after = m_device->Session().Table().Snapshot();
  for (int i = 0; i < PARAM_COUNT; ++i)
    EXPECT_EQ(after[static_cast<size_t>(i)].szValue, before[static_cast<size_t>(i)].szValue) << i;
  EXPECT_EQ(m_pages.ParamText(0), QStringLiteral("edited, not saved"));
  EXPECT_EQ(m_pages.Tabs(), tabs);
  EXPECT_EQ(m_device->Session().Work().Baudrate(), 57600);
  EXPECT_TRUE(LogHas(QStringLiteral(">>> Load IP Modem Data Failed: the settings and the pages are unchanged\r\n")))
      << LogText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadStop,
                         ::testing::Values(StopCase{"LoadTimedOut", EStop::None, false},
                                           StopCase{"LoadPortClosed", EStop::ClosePort, false},
                                           StopCase{"LoadCommunicationState", EStop::CommState, false},
                                           StopCase{"LoadUnplugged", EStop::Unplug, false},
                                           StopCase{"FactoryReloadTimedOut", EStop::None, true},
                                           StopCase{"FactoryReloadPortClosed", EStop::ClosePort, true}),
                         CaseName);

TEST_F(DeviceFlow, AnOperationDuringAPromptStartedMenuWaitFailsAfterItsOwnTimeOut) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  ASSERT_TRUE(m_host.OperationButtonsEnabled());
  // A start-up prompt whose menu never comes: the watch starts a run that waits without end.
  m_sim.WithModel([](sim::CDeviceModel &m) { m.Options().bootMs = 0; });
  m_sim.Repower();
  ASSERT_TRUE(PumpUntil([&] { return m_device->RunActive() && m_device->Engine().ReplyCode() == REPLY_MENU; }, 10000));
  auto result = std::make_shared<std::atomic<int>>(-1);
  QElapsedTimer t;
  t.start();
  m_device->ShowVersion([result](bool ok) { result->store(ok ? 1 : 0); });
  ASSERT_TRUE(PumpUntil([&] { return result->load() >= 0; }, CTiming::Ms(5000) * 4)) << "the version never ended";
  EXPECT_EQ(result->load(), 0);
  EXPECT_TRUE(LogHas(QStringLiteral("The device is busy")));
  EXPECT_TRUE(m_host.OperationButtonsEnabled()) << "the buttons come back after the failure";
  EXPECT_TRUE(m_device->RunActive()) << "the run still waits for the menu";
}

TEST_F(DeviceFlow, DeviceVanishingInCommunicationStateIsReportedOnce) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  m_device->SelectCommState();
  m_sim.Unplug();
  ASSERT_TRUE(PumpUntil([&] { return !m_device->Serial().IsOpen(); }));
  PumpFor(300);
  EXPECT_EQ(LogText().count(QStringLiteral("The device was removed or the line hung up")), 1);
}

TEST_F(DeviceFlow, SaveThroughNoiseAndChunkedRepliesStillWritesEveryChange) {
  sim::CDeviceOptions o;
  o.noise = true;
  o.chunkMax = 5;
  o.chunkGapMaxMs = 1;
  StartSim(o);
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded(30000));
  m_pages.SetParamText(PARAM_APN, QStringLiteral("noisy.apn"));
  m_pages.SetParamText(20, QStringLiteral("12345678"));
  m_device->SaveToDevice();
  ASSERT_TRUE(m_device->WaitIdle(30000));
  EXPECT_EQ(m_device->Session().Table().Entry(PARAM_APN).szValue, QByteArray("noisy.apn"));
  EXPECT_EQ(m_device->Session().Table().Entry(20).szValue, QByteArray("12345678"));
  EXPECT_FALSE(LogHas(QStringLiteral("Failed")));
}

TEST_F(DeviceFlow, GarbageOnTheLineKeepsTheRunWaitingForTheMenu) {
  // A line that only ever sends random bytes (zero bytes and long lines included).
  CPty line;
  ASSERT_TRUE(line.Open());
  MakeDevice();
  m_device->OpenClosePort(QString::fromStdString(line.SlavePath()), QStringLiteral("junk"), QStringLiteral("115200"));
  std::atomic<bool> run{true};
  std::thread junk([&] {
    std::uint32_t x = 12345;
    std::string buf(1500, '\0');
    while (run) {
      for (char &c : buf) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
      }
      if (!line.WriteAll(buf))
        break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  // Without "AT+LIST" the run keeps waiting and the key presses go on.
  PumpFor(500);
  EXPECT_TRUE(m_device->RunActive());
  EXPECT_TRUE(m_host.PromptTimerActive());
  EXPECT_FALSE(m_host.OperationButtonsEnabled());
  run = false;
  junk.join(); // while the port still reads, so its last write is taken
  m_device->OpenClosePort({}, {}, {});
  EXPECT_TRUE(PumpUntil([&] { return !m_device->RunActive(); }));
}

TEST_F(DeviceFlow, SoakFloodWithHexOnAndOffAndATimedSendRunning) {
  CPty line;
  ASSERT_TRUE(line.Open());
  MakeDevice();
  m_device->SelectCommState();
  m_device->OpenClosePort(QString::fromStdString(line.SlavePath()), QStringLiteral("soak"), QStringLiteral("921600"));
  ASSERT_TRUE(m_device->Serial().IsOpen());
  std::atomic<bool> run{true};
  std::atomic<bool> finished{false};
  std::atomic<long long> sent{0};
  std::atomic<long long> echoed{0};
  // The device floods; a second thread takes what the timed send writes, so
  // neither direction of the line ever waits for the other.
  std::thread flood([&] {
    std::string chunk(8192, 'x');
    for (size_t i = 0; i < chunk.size(); i += 61)
      chunk[i] = i % 3 ? '\n' : '\0';
    ::fcntl(line.MasterFd(), F_SETFL, ::fcntl(line.MasterFd(), F_GETFL) | O_NONBLOCK);
    while (run)
      sent += WriteSomeToLine(line, chunk);
    finished = true;
  });
  std::thread drain([&] {
    while (run || !finished)
      echoed += static_cast<long long>(line.ReadSome(20).size());
  });
  // The timed send writes from its own thread every 10 ms, as the terminal's writer does.
  std::thread timed([&] {
    while (run) {
      m_device->Serial().WriteString("timed send\r\n");
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  long peak = ResidentKiB();
  const long before = peak;
  for (int round = 0; round < 6; ++round) {
    m_device->Engine().SetHexDisplay(round % 2 == 1);
    PumpFor(500);
    peak = std::max(peak, ResidentKiB());
    EXPECT_LE(m_host.Log().Size(), COutputLog::DEFAULT_LIMIT + COutputLog::DEFAULT_LIMIT / 4);
  }
  run = false;
  timed.join();
  EXPECT_TRUE(PumpUntil([&] { return finished.load(); }, 10000));
  flood.join();
  drain.join();
  EXPECT_TRUE(m_device->Serial().IsOpen()) << "lost: " << m_device->Serial().LastError().toStdString();
  m_device->OpenClosePort({}, {}, {});
  std::printf("soak: %lld bytes received in 3 s, timed send wrote %lld bytes, peak resident %ld KiB (+%ld)\n",
              sent.load(), echoed.load(), peak, peak - before);
  EXPECT_GT(sent.load(), 4 << 20);
  EXPECT_GT(echoed.load(), 0) << "the timed send really ran";
  if (RESIDENT_SIZE_MEANINGFUL) {
    EXPECT_LT(peak - before, 128 * 1024);
  }
}

TEST_F(DeviceFlow, AValueTheDeviceCannotTakeStopsTheSaveBeforeItsFirstCommand) {
  StartSim();
  MakeDevice();
  Open();
  ASSERT_TRUE(Loaded());
  m_pages.SetParamText(0, QStringLiteral("apn.example")); // fine, and first in the walk
  m_pages.SetParamText(42, QStringLiteral("4294967301")); // wraps to the device's 5
  const size_t before = Commands().size();
  EXPECT_FALSE(RunOp([&](auto d) { m_device->SaveToDevice(std::move(d)); }));
  EXPECT_EQ(Commands().size(), before) << "nothing is written";
  ASSERT_EQ(m_host.Messages().size(), 1);
  EXPECT_TRUE(m_host.Messages()[0].contains(QStringLiteral("Link Fail Retry Times:")))
      << m_host.Messages()[0].toStdString();
  EXPECT_EQ(m_pages.ParamText(42), QStringLiteral("4294967301")) << "the field keeps what was typed";
  EXPECT_EQ(m_device->Session().Table().Entry(0).szValue, QByteArray("CMNET"));
  EXPECT_TRUE(m_host.OperationButtonsEnabled());
}

namespace {
// A window whose gate closes when the engine shuts down: from then on a page
// read gives no value, as the window's reads do.
class CGatedHost : public CConsoleHost {
public:
  void ShutdownCalls() override {
    m_closed = true;
    CConsoleHost::ShutdownCalls();
  }
  std::atomic<bool> m_closed{false};
};

class CGatedPages : public CPageModel {
public:
  explicit CGatedPages(CGatedHost &host) : m_host(host) {}
  QString ParamText(int index) override {
    if (index == m_blockAt.load()) {
      m_reading = true;
      while (!m_host.m_closed.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return m_host.m_closed.load() ? QString() : CPageModel::ParamText(index);
  }
  std::atomic<int> m_blockAt{-1};
  std::atomic<bool> m_reading{false};

private:
  CGatedHost &m_host;
};
} // namespace

TEST_F(DeviceFlow, ClosingWhileTheSaveReadsThePagesWritesNothing) {
  StartSim();
  CGatedHost host;
  CGatedPages pages(host);
  auto device = std::make_unique<CDeviceController>(host, pages);
  host.m_onPromptTimer = [&] { device->OnPromptTimer(); };
  device->OpenClosePort(Path(), QStringLiteral("sim"), QStringLiteral("115200"));
  ASSERT_TRUE(PumpUntil([&] { return host.IsEnabled(ID_SAVE_CONFIG) && !device->RunActive(); }, 20000));
  pages.SetParamText(0, QStringLiteral("apn.example"));
  pages.SetParamText(1, QStringLiteral("*99#"));
  pages.m_blockAt = 1; // the walk reads the second page value when the window closes
  const size_t before = Commands().size();
  device->SaveToDevice();
  ASSERT_TRUE(PumpUntil([&] { return pages.m_reading.load(); }, 10000));
  device->Shutdown();
  PumpFor(CTiming::Ms(2000));
  EXPECT_EQ(CommandsSince(before), std::vector<std::string>{}) << "no empty value, no value at all";
}
