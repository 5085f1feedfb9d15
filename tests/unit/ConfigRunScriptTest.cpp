// The configuration-state run against a device played by the test on a raw
// pty, for the situations a well-behaved device never shows: no menu, no OK,
// a listing without its end.
#include "ListingFixture.h"
#include "ScriptedDevice.h"
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

// A run that is stopped while it waits for the menu, with the next run
// started at once (here by going to communication state and back), leaves the
// key presses to the new run: it does not stop the prompt timer as it goes.
TEST_F(ConfigRunScript, AStoppedRunLeavesTheKeyPressesToTheRunAfterIt) {
  Play([](const std::string &) { return std::string(); });
  ASSERT_TRUE(PumpUntil([&] { return m_script->Presses() >= 1; }, 5000));
  m_device->SelectCommState();
  m_device->SelectConfigState(QStringLiteral("115200"));
  const int presses = m_script->Presses();
  PumpFor(800);
  EXPECT_TRUE(m_host.PromptTimerActive());
  EXPECT_GE(m_script->Presses(), presses + 2) << "the new run's presses go on";
  m_script->ShowMenu();
  ASSERT_TRUE(PumpUntil([&] { return !m_device->RunActive(); }, 20000)) << LogText().toStdString();
  EXPECT_TRUE(LogText().contains(QStringLiteral("Test AT"))) << "the new run took the menu";
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
  // The device may still work in communication state: the way there stays open.
  EXPECT_TRUE(m_host.IsEnabled(ID_RADIO_COMM));
  EXPECT_TRUE(m_host.IsEnabled(ID_REBOOT_COMM));
}

TEST_F(ConfigRunScript, ClosingThePortDuringTheRunLeavesTheWayToCommunicationStateOpen) {
  Play([](const std::string &) { return std::string(); });
  m_script->ShowMenu();
  // The run is past the menu: communication state is closed while it exchanges.
  ASSERT_TRUE(PumpUntil([&] { return m_script->Count("at") >= 1; }, 10000));
  EXPECT_FALSE(m_host.IsEnabled(ID_RADIO_COMM));
  m_device->OpenClosePort(m_script->Path(), QStringLiteral("pty"), QStringLiteral("115200"));
  ASSERT_FALSE(m_device->Serial().IsOpen());
  ASSERT_TRUE(PumpUntil([&] { return !m_device->RunActive(); }, 10000));
  EXPECT_TRUE(m_host.IsEnabled(ID_RADIO_COMM));
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
  EXPECT_TRUE(m_host.IsEnabled(ID_RADIO_COMM));
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
