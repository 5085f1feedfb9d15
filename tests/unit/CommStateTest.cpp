// Selecting communication state and rebooting into it: the line settings the
// port gets after the restart wait, a repeated selection, and a closed port.
#include "device/DeviceController.h"
#include "host/ConsoleHost.h"
#include "base/Timing.h"
#include "model/Pty.h"
#include "params/PageModel.h"
#include "params/ParamTable.h"
#include "support/TestUtil.h"
#include "text/Lang.h"

#include <gtest/gtest.h>

namespace {
class CommState : public ::testing::Test {
protected:
  void SetUp() override {
    m_oldScale = CTiming::Scale();
    CTiming::SetScale(0.01); // the 30 s restart wait takes 0.3 s
    g_chineseUi = 0;
    ASSERT_TRUE(m_line.Open()); // a line with nobody answering on it
    m_device = std::make_unique<CDeviceController>(m_host, m_pages);
  }
  void TearDown() override {
    // As the front ends do: host calls stop before the workers are ended, so a
    // worker inside a host call is never waited for by the thread it waits for.
    m_host.ShutdownCalls();
    m_device.reset();
    CTiming::SetScale(m_oldScale);
  }
  void Open(const char *baud) {
    m_device->OpenClosePort(QString::fromStdString(m_line.SlavePath()), QStringLiteral("line"),
                            QString::fromLatin1(baud));
    ASSERT_TRUE(m_device->Serial().IsOpen());
  }
  QString LogText() { return m_host.Log().Text(); }

  double m_oldScale = 1.0;
  CPty m_line;
  CConsoleHost m_host;
  CPageModel m_pages;
  std::unique_ptr<CDeviceController> m_device;
};
} // namespace

TEST_F(CommState, RebootSetsTheWorkLineSettingsAfterTheWait) {
  struct Case {
    const char *commMode;
    int baud;
    int dataBits;
    int parity;
  };
  const Case cases[] = {
      {"8N1", 115200, 8, 0}, // nothing loaded: the defaults
      {"7E1", 9600, 7, 2},   {"8O1", 4800, 8, 1},
      {"7N1", 38400, 7, 0},  {"9X2", 19200, 8, 0}, // unknown format: 8 bits, no parity
  };
  Open("57600");
  for (const Case &c : cases) {
    SCOPED_TRACE(c.commMode);
    m_device->Session().Work().SetCommMode(c.commMode);
    m_device->Session().Work().SetBaudrate(c.baud);
    m_device->RebootToCommState();
    EXPECT_EQ(m_line.ReadUntil("at+reset\r", 2000), "at+reset\r");
    ASSERT_TRUE(m_device->WaitIdle(5000));
    const LineSettings st = m_device->Serial().Requested(); // a pty refuses 7 bits and parity
    EXPECT_EQ(st.baud, c.baud);
    EXPECT_EQ(st.byteSize, c.dataBits);
    EXPECT_EQ(st.parity, c.parity);
    EXPECT_EQ(st.stopBits, 0);
    EXPECT_TRUE(m_host.IsEnabled(ID_RADIO_CONFIG));
    EXPECT_TRUE(m_host.IsEnabled(ID_OPEN_CLOSE));
    EXPECT_FALSE(m_host.IsEnabled(ID_REBOOT_COMM)) << "until a configuration-state run unlocks it";
    m_device->Serial().SetState(57600, 8, 0, 0);
  }
}

TEST_F(CommState, SelectingTwiceChangesNothingTheSecondTime) {
  Open("115200");
  m_device->SelectCommState();
  EXPECT_TRUE(m_device->CommMode());
  EXPECT_FALSE(m_host.ConfigLayout());
  ASSERT_TRUE(m_device->WaitIdle(2000)) << "the waiting configuration-state run ends";
  EXPECT_FALSE(m_device->RunActive());
  EXPECT_TRUE(LogText().endsWith(QStringLiteral(">>>ReBoot or Re-power to enter communication state\r\n")));
  const QString log = LogText();
  m_device->SelectCommState();
  EXPECT_EQ(LogText(), log);
  EXPECT_EQ(m_device->Serial().State().baud, 115200) << "the port keeps its line settings";
  EXPECT_EQ(m_line.ReadSome(100), "") << "nothing is sent on the tool's own initiative";
}

TEST_F(CommState, RebootWithThePortClosedWritesNothingButSelectsTheState) {
  m_device->RebootToCommState();
  EXPECT_TRUE(m_device->CommMode());
  EXPECT_TRUE(m_host.CommStateSelected());
  EXPECT_FALSE(m_host.ConfigLayout());
  EXPECT_TRUE(m_host.IsEnabled(ID_RADIO_CONFIG));
  EXPECT_TRUE(m_device->WaitIdle(0)) << "no worker started";
  EXPECT_TRUE(LogText().endsWith(
      QStringLiteral(">>>To Enter Communication State ,Please Open the COM Port ,Then Re-power IP Modem.......\r\n")));
  // Opening afterwards starts no run and writes nothing either.
  Open("115200");
  EXPECT_FALSE(m_device->RunActive());
  EXPECT_EQ(m_line.ReadSome(100), "");
}
