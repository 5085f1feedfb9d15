// The configuration-state run against a device played by the test on a raw
// pty, for the situations a well-behaved device never shows: no menu, no OK,
// a listing without its end.
#include "ListingFixture.h"
#include "device/DeviceController.h"
#include "host/ConsoleHost.h"
#include "base/Timing.h"
#include "model/Pty.h"
#include "params/PageModel.h"
#include "params/ParamTable.h"
#include "support/TestUtil.h"
#include "text/Lang.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// The far end of the line: counts the "s" presses before the menu and
// answers each command line (ended by CR) with what reply() gives.
class CScriptedDevice {
public:
  explicit CScriptedDevice(std::function<std::string(const std::string &)> reply) : m_reply(std::move(reply)) {}
  ~CScriptedDevice() { Stop(); }
  bool Start() {
    if (!m_pty.Open())
      return false;
    m_thread = std::thread([this] { Loop(); });
    return true;
  }
  void Stop() {
    m_stop.store(true);
    if (m_thread.joinable())
      m_thread.join();
  }
  QString Path() const { return QString::fromStdString(m_pty.SlavePath()); }
  void ShowMenu() { m_menuRequested.store(true); }
  // Text from the device before its menu (the device thread writes nothing then).
  void Say(const std::string &text) { m_pty.WriteAll(text); }
  int Presses() const { return m_presses.load(); }
  std::vector<std::string> Lines() {
    std::lock_guard lock(m_mutex);
    return m_lines;
  }
  int Count(const std::string &line) {
    int n = 0;
    for (const auto &l : Lines())
      n += l == line ? 1 : 0;
    return n;
  }

private:
  void Loop() {
    std::string pending;
    while (!m_stop.load()) {
      if (m_menuRequested.exchange(false)) {
        m_menu = true;
        m_pty.WriteAll(std::string("Menu\r\nAT+LIST ...\r\n"));
      }
      const std::string got = m_pty.ReadSome(10);
      for (char c : got) {
        if (!m_menu) {
          m_presses += c == 's' ? 1 : 0;
          continue;
        }
        if (c != '\r') {
          pending += c;
          continue;
        }
        // A press still in flight when the menu came may stand before a command.
        const size_t start = pending.find_first_not_of('s');
        const std::string line = start == std::string::npos ? std::string() : pending.substr(start);
        pending.clear();
        {
          std::lock_guard lock(m_mutex);
          m_lines.push_back(line);
        }
        const std::string answer = m_reply(line);
        if (!answer.empty())
          m_pty.WriteAll(answer);
      }
    }
  }

  std::function<std::string(const std::string &)> m_reply;
  CPty m_pty;
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_menuRequested{false};
  bool m_menu = false; // device thread only
  std::atomic<int> m_presses{0};
  std::mutex m_mutex;
  std::vector<std::string> m_lines;
};

class ConfigRunScript : public ::testing::Test {
protected:
  void SetUp() override {
    m_oldScale = CTiming::Scale();
    CTiming::SetScale(0.1);
    g_chineseUi = 0;
  }
  void TearDown() override {
    if (m_device) {
      m_host.ShutdownCalls();
      m_device->Shutdown();
    }
    if (m_script)
      m_script->Stop();
    CTiming::SetScale(m_oldScale);
  }
  void Play(std::function<std::string(const std::string &)> reply) {
    m_script = std::make_unique<CScriptedDevice>(std::move(reply));
    ASSERT_TRUE(m_script->Start());
    m_device = std::make_unique<CDeviceController>(m_host, m_pages);
    m_host.m_onPromptTimer = [this] { m_device->OnPromptTimer(); };
    m_device->OpenClosePort(m_script->Path(), QStringLiteral("pty"), QStringLiteral("115200"));
    ASSERT_TRUE(m_device->Serial().IsOpen());
  }
  QString LogText() { return m_host.Log().Text(); }

  double m_oldScale = 1.0;
  CConsoleHost m_host;
  CPageModel m_pages;
  std::unique_ptr<CScriptedDevice> m_script;
  std::unique_ptr<CDeviceController> m_device;
};

// Answers like a device that works, except where the test says otherwise.
std::string Normal(const std::string &line, const QByteArray &listing) {
  if (line == "ati")
    return "SIMCOM_SIM700\r\nOK\r\n";
  if (line == "at+show")
    return listing.toStdString();
  return "OK\r\n";
}

} // namespace

TEST_F(ConfigRunScript, WithoutTheMenuTheRunWaitsAndTheKeyPressesGoOn) {
  Play([](const std::string &) { return std::string(); });
  PumpFor(1000);
  // One press every 200 ms (the timer's period is no wait: it is not scaled).
  EXPECT_GE(m_script->Presses(), 3);
  EXPECT_TRUE(m_device->RunActive());
  EXPECT_TRUE(m_host.PromptTimerActive());
  EXPECT_FALSE(LogText().contains(QStringLiteral("Test AT")));
  // The menu releases it.
  const QByteArray listing = fixture::FullListing();
  m_script->ShowMenu();
  ASSERT_TRUE(PumpUntil([&] { return !m_device->RunActive(); }, 20000)) << LogText().toStdString();
  const int presses = m_script->Presses();
  PumpFor(200);
  EXPECT_EQ(m_script->Presses(), presses) << "no presses once the menu came";
}

TEST_F(ConfigRunScript, NoOkToFifteenAttentionTestsEndsTheRun) {
  Play([](const std::string &) { return std::string(); });
  m_script->ShowMenu();
  // The run's end enables the open button just after the run is gone.
  ASSERT_TRUE(PumpUntil([&] { return !m_device->RunActive() && m_host.IsEnabled(ID_OPEN_CLOSE); }, 20000));
  // The device's thread may still be reading the last try when the run ends.
  PumpUntil([&] { return m_script->Count("at") >= 15; }, 5000);
  PumpFor(100);
  EXPECT_EQ(m_script->Count("at"), 15);
  EXPECT_TRUE(LogText().endsWith(QStringLiteral("Test AT...\r\nTest AT...Failed...\r\n"))) << LogText().toStdString();
  EXPECT_EQ(m_script->Count("at+noecho"), 0);
  EXPECT_FALSE(m_host.OperationButtonsEnabled());
}

TEST_F(ConfigRunScript, AListingOf1500CharactersIsTakenAfterItsTimeOut) {
  QByteArray listing = fixture::FullListing();
  listing.chop(4); // no "OK\r\n": the exchange cannot complete
  listing = listing.left(1500);
  ASSERT_EQ(listing.size(), 1500);
  Play([listing](const std::string &line) { return Normal(line, listing); });
  m_script->ShowMenu();
  ASSERT_TRUE(PumpUntil([&] { return !m_device->RunActive(); }, 20000));
  EXPECT_FALSE(LogText().contains(QStringLiteral("Load IP Modem Data Failed")));
  EXPECT_EQ(m_device->Session().Table().Entry(0).szValue, fixture::ParsedValue(0));
  EXPECT_EQ(m_pages.ParamText(5), QString::fromLatin1(fixture::ParsedValue(5)));
  EXPECT_TRUE(m_host.OperationButtonsEnabled());
}

TEST_F(ConfigRunScript, AMissingListingEndsTheRunWithoutLoading) {
  Play([](const std::string &line) { return Normal(line, "at+show\r\nAccess Point Name: x\r\n"); });
  m_device->Session().Table().SetValue(0, "before");
  m_script->ShowMenu();
  ASSERT_TRUE(PumpUntil([&] { return !m_device->RunActive() && m_host.IsEnabled(ID_OPEN_CLOSE); }, 20000));
  EXPECT_TRUE(LogText().endsWith(QStringLiteral("Loading IP Modem Settings ...\r\n>>> Load IP Modem Data Failed")))
      << LogText().toStdString();
  EXPECT_EQ(m_device->Session().Table().Entry(0).szValue, QByteArray("before")) << "the table is left as it was";
  EXPECT_FALSE(m_host.OperationButtonsEnabled());
}

TEST_F(ConfigRunScript, APromptSeenWhileARunExistsStartsNoSecondRun) {
  const QByteArray listing = fixture::FullListing();
  Play([listing](const std::string &line) { return Normal(line, listing); });
  // Start-up prompts while the first run waits for the menu: a second run
  // would still be waiting for a menu after the first has loaded.
  for (int i = 0; i < 3; ++i) {
    m_script->Say("Press 's' key to enter the configuration menu\r\n");
    PumpFor(30);
  }
  m_script->ShowMenu();
  ASSERT_TRUE(PumpUntil([&] { return m_host.IsEnabled(ID_SAVE_CONFIG) && !m_device->RunActive(); }, 20000))
      << LogText().toStdString();
  EXPECT_EQ(m_script->Count("at+show"), 1);
  EXPECT_EQ(LogText().count(QStringLiteral("Loading IP Modem Settings")), 1);
}
