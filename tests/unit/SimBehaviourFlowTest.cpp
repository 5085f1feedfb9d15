// The tool's load and save flows against the simulated device showing what
// real firmware does: other line orders and fillers, chunked and noisy
// replies, bytes that are no GBK, listings longer than the tool's window, and
// a line buffer that does not ignore stray bytes. Every check compares with
// what the device holds, never with what the tool's own table expects.
#include "device/DeviceController.h"
#include "host/ConsoleHost.h"
#include "base/Timing.h"
#include "model/SimRunner.h"
#include "params/PageModel.h"
#include "params/ParamTable.h"
#include "support/TestUtil.h"
#include "text/Lang.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Values = std::array<std::string, PARAM_COUNT>;

class SimBehaviour : public ::testing::Test {
protected:
  void SetUp() override {
    m_oldScale = CTiming::Scale();
    // Room for a listing sent in small chunks: its wait is 2.5 s here.
    CTiming::SetScale(0.25);
    g_chineseUi = 0;
  }
  void TearDown() override {
    m_host.ShutdownCalls();
    m_device.reset();
    m_sim.Stop();
    CTiming::SetScale(m_oldScale);
  }
  // Powers the device up with the port already open, and waits for the load.
  bool StartAndLoad(sim::CDeviceOptions device) {
    device.bootMs = 1500;
    device.promptIntervalMs = 100;
    sim::CSimRunOptions o;
    o.device = std::move(device);
    o.powerOnStart = false;
    o.onCommand = [this](const sim::CCommandRecord &r) {
      std::lock_guard lock(m_mutex);
      m_commands.push_back(r);
    };
    if (!m_sim.Start(o))
      return false;
    m_device = std::make_unique<CDeviceController>(m_host, m_pages);
    m_host.m_onPromptTimer = [this] { m_device->OnPromptTimer(); };
    m_device->OpenClosePort(QString::fromStdString(m_sim.SlavePath()), QStringLiteral("sim"), QStringLiteral("115200"));
    m_sim.Repower();
    // The save-file button comes on just after the run has ended.
    return PumpUntil([&] { return Loaded() && !m_device->RunActive(); }, 30000);
  }
  bool Loaded() const { return m_host.IsEnabled(ID_SAVE_CONFIG); }
  // What the device holds, as the tool stores it (work mode, activation and
  // line format as their codes).
  Values DeviceValues() {
    Values v;
    m_sim.WithModel([&](sim::CDeviceModel &m) {
      for (int i = 0; i < PARAM_COUNT; ++i)
        v[static_cast<size_t>(i)] = m.Params().Value(i);
    });
    return v;
  }
  std::vector<sim::CCommandRecord> Commands() {
    std::lock_guard lock(m_mutex);
    return m_commands;
  }
  QString LogText() { return m_host.Log().Text(); }
  bool RunOp(const std::function<void(CDeviceController::OpDone)> &start) {
    auto result = std::make_shared<std::atomic<int>>(-1);
    start([result](bool ok) { result->store(ok ? 1 : 0); });
    EXPECT_TRUE(PumpUntil([&] { return result->load() >= 0; }, 30000));
    EXPECT_TRUE(m_device->WaitIdle(5000));
    return result->load() == 1;
  }

  double m_oldScale = 1.0;
  sim::CSimRunner m_sim;
  CConsoleHost m_host;
  CPageModel m_pages;
  std::unique_ptr<CDeviceController> m_device;
  std::mutex m_mutex;
  std::vector<sim::CCommandRecord> m_commands;
};

// Every entry of the tool's table is the device's value, found; the clock
// entry only has to be found (the device's clock runs on).
void ExpectEveryValueIsTheDevices(const ParamArray &table, const Values &device) {
  for (int i = 0; i < PARAM_COUNT; ++i) {
    SCOPED_TRACE(ParamInfoAt(i).label);
    EXPECT_EQ(table[static_cast<size_t>(i)].bFound, 1);
    if (i != 47) {
      EXPECT_EQ(table[static_cast<size_t>(i)].szValue.toStdString(), device[static_cast<size_t>(i)]);
    }
  }
}

// Where the tool cannot read a value it must say "No Exist", never another value.
int ExpectNoWrongValue(const ParamArray &table, const Values &device) {
  int found = 0;
  for (int i = 0; i < PARAM_COUNT; ++i) {
    SCOPED_TRACE(ParamInfoAt(i).label);
    const ParamEntry &e = table[static_cast<size_t>(i)];
    if (e.bFound == 0) {
      EXPECT_EQ(e.szValue, NO_EXIST);
      continue;
    }
    ++found;
    if (i != 47) {
      EXPECT_EQ(e.szValue.toStdString(), device[static_cast<size_t>(i)]);
    }
  }
  return found;
}

// A device variant: how it differs from the plain simulated device.
struct CVariant {
  const char *name;
  void (*setup)(sim::CDeviceOptions &);
  sim::CDeviceOptions Device() const {
    sim::CDeviceOptions o;
    setup(o);
    return o;
  }
};
void PrintTo(const CVariant &v, std::ostream *os) { *os << v.name; }

class SimListingRead : public SimBehaviour, public ::testing::WithParamInterface<CVariant> {};

// Devices whose listing the tool's reader is made for: it must get every value.
TEST_P(SimListingRead, TheLoadGetsEveryValueOfTheDevice) {
  ASSERT_TRUE(StartAndLoad(GetParam().Device())) << LogText().toStdString();
  ASSERT_TRUE(Loaded()) << LogText().toStdString();
  const Values device = DeviceValues();
  ExpectEveryValueIsTheDevices(m_device->Session().Table().Snapshot(), device);
  // And a second read, by the load button, gives the same.
  ASSERT_TRUE(RunOp([&](CDeviceController::OpDone d) { m_device->LoadFromDevice(std::move(d)); }))
      << LogText().toStdString();
  ExpectEveryValueIsTheDevices(m_device->Session().Table().Snapshot(), device);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, SimListingRead,
    ::testing::Values(
        CVariant{"Plain", [](sim::CDeviceOptions &) {}},
        CVariant{"NoiseBeforeEveryReply", [](sim::CDeviceOptions &o) { o.noise = true; }},
        CVariant{"ChunksWithGaps",
                 [](sim::CDeviceOptions &o) {
                   o.chunkMax = 16;
                   o.chunkGapMaxMs = 2;
                 }},
        CVariant{"OneSpaceFiller", [](sim::CDeviceOptions &o) { o.listing.filler = sim::EListingFiller::OneSpace; }},
        CVariant{"WideSpacesFiller",
                 [](sim::CDeviceOptions &o) { o.listing.filler = sim::EListingFiller::WideSpaces; }},
        CVariant{"VendorLinesBeforeTheSettings", [](sim::CDeviceOptions &o) { o.listing.vendorHeadLines = 24; }},
        CVariant{"StrictLineBuffer", [](sim::CDeviceOptions &o) { o.strictLine = true; }},
        CVariant{"NoValidGbk", [](sim::CDeviceOptions &o) { o.features.badGbk = true; }},
        CVariant{"LongerLineFirst", [](sim::CDeviceOptions &o) { o.listing.order = sim::EListingOrder::LongerFirst; }},
        CVariant{"TabFiller", [](sim::CDeviceOptions &o) { o.listing.filler = sim::EListingFiller::Tab; }},
        CVariant{"DotsFiller", [](sim::CDeviceOptions &o) { o.listing.filler = sim::EListingFiller::Dots; }}),
    [](const auto &info) { return std::string(info.param.name); });

// A listing longer than the tool's 4096-character window: vendor lines before
// the settings leave every setting inside the window; after them, the first
// lines fall out of it and the listing's first label with them.
TEST_F(SimBehaviour, AListingLongerThanTheWindowNeverGivesAWrongValue) {
  sim::CDeviceOptions o;
  o.listing.vendorTailLines = 14;
  ASSERT_TRUE(StartAndLoad(o));
  const Values device = DeviceValues();
  // The run takes a long listing whose end it did not recognise; what it could
  // not read stays "No Exist".
  ASSERT_TRUE(Loaded()) << LogText().toStdString();
  const ParamArray first = m_device->Session().Table().Snapshot();
  EXPECT_EQ(first[0].bFound, 0) << "the first line is outside the window";
  EXPECT_GT(ExpectNoWrongValue(first, device), 50);
  // The load button wants a recognised listing: it says so and changes nothing.
  m_host.Log().Clear();
  EXPECT_FALSE(RunOp([&](CDeviceController::OpDone d) { m_device->LoadFromDevice(std::move(d)); }));
  EXPECT_TRUE(LogText().contains(QStringLiteral("Load IP Modem Data Failed"))) << LogText().toStdString();
  const ParamArray after = m_device->Session().Table().Snapshot();
  for (int i = 0; i < PARAM_COUNT; ++i)
    EXPECT_EQ(after[static_cast<size_t>(i)].szValue, first[static_cast<size_t>(i)].szValue) << i;
}

// A stray byte on the line before a command: a device whose line buffer keeps
// it answers ERROR, and the tool must not take the parameter as saved.
TEST_F(SimBehaviour, AStrayByteBeforeACommandIsNoSuccess) {
  sim::CDeviceOptions o;
  o.strictLine = true;
  ASSERT_TRUE(StartAndLoad(o));
  ASSERT_TRUE(Loaded()) << LogText().toStdString();
  m_host.Log().Clear();
  m_pages.SetParamText(PARAM_APN, QStringLiteral("stray.apn"));
  m_pages.SetParamText(2, QStringLiteral("someone"));
  m_sim.LineNoise("~");
  const size_t before = Commands().size();
  EXPECT_FALSE(RunOp([&](CDeviceController::OpDone d) { m_device->SaveToDevice(std::move(d)); }));
  const std::vector<sim::CCommandRecord> all = Commands();
  ASSERT_GE(all.size(), before + 2);
  EXPECT_EQ(all[before].command, "~at+apn=stray.apn");
  EXPECT_EQ(all[before].result, "ERROR");
  EXPECT_EQ(all[before + 1].command, "at+username=someone");
  EXPECT_EQ(all[before + 1].result, "OK");
  EXPECT_TRUE(LogText().contains(QStringLiteral("Save APN Failed"))) << LogText().toStdString();
  EXPECT_FALSE(LogText().contains(QStringLiteral("Save APN....OK")));
  EXPECT_EQ(m_device->Session().Table().Entry(PARAM_APN).szValue, QByteArray("CMNET")) << "the device did not take it";
  EXPECT_EQ(m_device->Session().Table().Entry(2).szValue, QByteArray("someone"));
  EXPECT_EQ(DeviceValues()[0], "CMNET");
}

// Bytes that are no GBK survive the round trip through the tool untouched: an
// unedited save writes nothing, and the configuration file holds the bytes.
TEST_F(SimBehaviour, ValuesThatAreNoGbkAreKeptAsTheDevicesBytes) {
  sim::CDeviceOptions o;
  o.features.badGbk = true;
  ASSERT_TRUE(StartAndLoad(o));
  ASSERT_TRUE(Loaded()) << LogText().toStdString();
  const Values device = DeviceValues();
  ExpectEveryValueIsTheDevices(m_device->Session().Table().Snapshot(), device);
  const size_t before = Commands().size();
  EXPECT_TRUE(RunOp([&](CDeviceController::OpDone d) { m_device->SaveToDevice(std::move(d)); }));
  EXPECT_EQ(Commands().size(), before) << "nothing was edited, nothing is written";
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("device.cfg"));
  ASSERT_TRUE(m_device->SaveConfigFile(path));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  for (int i : {37, 38, 40, 41})
    EXPECT_TRUE(bytes.contains(QByteArray(ParamInfoAt(i).label) + '=' +
                               QByteArray::fromStdString(device[static_cast<size_t>(i)]) + '\r'))
        << i;
}

} // namespace
