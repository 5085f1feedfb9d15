#include "params/ConfigFile.h"
#include "device/DeviceController.h"
#include "host/ConsoleHost.h"
#include "params/PageModel.h"
#include "params/ParamMessages.h"
#include "params/SettingsParser.h"
#include "unit/ListingFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace {

QByteArray ReadAll(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool WriteAll(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

ParamArray DeviceTable() {
  ParamArray table{};
  ParseSettings(fixture::FullListing(), table);
  table[2].szValue = NO_EXIST; // the device did not list it
  table[2].bFound = 0;
  table[3].szValue = "p=w = x"; // "=" inside a value
  return table;
}

class ConfigFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_oldLang = g_chineseUi.load();
    g_chineseUi = 0;
  }
  void TearDown() override { g_chineseUi = m_oldLang; }
  QString Path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

  QTemporaryDir m_dir;
  std::uint8_t m_oldLang = 0;
};

} // namespace

TEST_F(ConfigFileTest, LinesAreLabelEqualsValueWithCrCrLf) {
  ParamArray table = DeviceTable();
  const QByteArray bytes = ConfigFileBytes(table);
  EXPECT_TRUE(
      bytes.startsWith("Access Point Name:=" + fixture::ListedValue(0) + "\r\r\nCenter call number=value1\r\r\n"));
  EXPECT_TRUE(bytes.endsWith("GPS GPGLL=value68\r\r\n"));
  EXPECT_EQ(bytes.count("\r\r\n"), PARAM_COUNT);
  EXPECT_TRUE(bytes.contains("\r\r\nPPP Authentication User Id=No Exist\r\r\n"));
  EXPECT_TRUE(bytes.contains("\r\r\nPPP Authentication Password=p=w = x\r\r\n"));
}

TEST_F(ConfigFileTest, RoundTripGivesBackEntriesUpToTheSchedules) {
  const ParamArray table = DeviceTable();
  const QString path = Path("Tavrenholt-Dtu.cfg");
  const ConfigFileResult saved = WriteConfigFile(path, table);
  ASSERT_TRUE(saved.ok) << saved.detail.toStdString();
  EXPECT_EQ(saved.message, QStringLiteral("Save Successful"));
  EXPECT_EQ(ReadAll(path), ConfigFileBytes(table));

  ParamArray loaded{};
  const ConfigFileResult read = ReadConfigFile(path, loaded);
  ASSERT_TRUE(read.ok) << read.message.toStdString();
  for (int i = 0; i < PARAM_COUNT; ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(loaded[i].szLabel, ParamInfoAt(i).label);
    if (i < CONFIG_READ_COUNT) {
      EXPECT_EQ(loaded[i].szValue, table[i].szValue);
      EXPECT_EQ(loaded[i].bFound, table[i].szValue == NO_EXIST ? 0 : 1);
    } else { // the GPS group is not read from files
      EXPECT_EQ(loaded[i].szValue, NO_EXIST);
      EXPECT_EQ(loaded[i].bFound, 0);
    }
  }
  EXPECT_EQ(loaded[17].szValue, "TRNS");
  EXPECT_EQ(loaded[19].szValue, "8N1");
}

TEST_F(ConfigFileTest, SaveBeforeAnyListingWritesAnEmptyFile) {
  const QString path = Path("empty.cfg");
  ASSERT_TRUE(WriteAll(path, "old contents"));
  const ConfigFileResult r = WriteConfigFile(path, ParamArray{});
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(ReadAll(path), QByteArray());
}

TEST_F(ConfigFileTest, SaveWritesTheDevicesTable) {
  CConsoleHost host;
  CPageModel pages;
  CDeviceController device(host, pages);
  device.Session().Table().Replace(DeviceTable());
  device.Session().Table().SetValue(0, "NEWAPN");
  const QString path = Path("device.cfg");
  EXPECT_TRUE(device.SaveConfigFile(path));
  EXPECT_TRUE(ReadAll(path).startsWith("Access Point Name:=NEWAPN\r\r\n"));
}

TEST_F(ConfigFileTest, FailedSaveIsReportedAndNeverSuccess) {
  for (bool chinese : {false, true}) {
    g_chineseUi = chinese;
    const ConfigFileResult r = WriteConfigFile(Path("no/such/dir/x.cfg"), DeviceTable());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, QStringLiteral("文件打开失败"));
    EXPECT_FALSE(r.detail.isEmpty());
  }
  EXPECT_FALSE(QFile::exists(Path("no/such/dir/x.cfg")));
}

TEST_F(ConfigFileTest, SaveLeavesNoTemporaryFileBehind) {
  const QString path = Path("atomic.cfg");
  ASSERT_TRUE(WriteAll(path, "old"));
  ASSERT_TRUE(WriteConfigFile(path, DeviceTable()).ok);
  EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("atomic.cfg")});
}

TEST_F(ConfigFileTest, SizeLimitIs4000Bytes) {
  const QByteArray line = "Debug Level=2\r\r\n";
  for (const auto &[size, ok] : {std::pair{3999, true}, std::pair{4000, false}, std::pair{100000, false}}) {
    SCOPED_TRACE(size);
    const QString path = Path("size.cfg");
    ASSERT_TRUE(WriteAll(path, line + QByteArray(size - line.size(), 'z')));
    ParamArray table{};
    const ConfigFileResult r = ReadConfigFile(path, table);
    EXPECT_EQ(r.ok, ok);
    if (ok)
      EXPECT_EQ(table[23].szValue, "2");
    else
      EXPECT_EQ(r.message, QStringLiteral("文件错误"));
  }
}

TEST_F(ConfigFileTest, MissingFileCannotBeOpened) {
  ParamArray table{};
  const ConfigFileResult r = ReadConfigFile(Path("missing.cfg"), table);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, QStringLiteral("打开文件失败"));
}

struct ParseCase {
  const char *name;
  QByteArray text;
  int index;
  QByteArray value;
  int found;
};

void PrintTo(const ParseCase &c, std::ostream *os) { *os << c.name; }

class ParseConfig : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseConfig, GivesTheValue) {
  const ParseCase &c = GetParam();
  ParamArray table{};
  const ConfigFileResult r = ParseConfigFile(c.text, table);
  ASSERT_TRUE(r.ok) << r.message.toStdString();
  EXPECT_EQ(table[c.index].szValue, c.value);
  EXPECT_EQ(table[c.index].bFound, c.found);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseConfig,
    ::testing::Values(
        ParseCase{"CrCrLf", "Debug Level=2\r\r\nTime:=x\r\r\n", 23, "2", 1},
        ParseCase{"CrLf", "Debug Level=2\r\nTime:=x\r\n", 23, "2", 1},
        ParseCase{"Lf", "Debug Level=2\nTime:=x\n", 23, "2", 1},
        ParseCase{"LoneCrStaysInValue", "Debug Level=a\rb\r\r\n", 23, "a\rb", 1},
        ParseCase{"NoLineEndNotTaken", "Debug Level=2", 23, NO_EXIST, 0},
        ParseCase{"NothingSkippedOrTrimmed", "Time:=  a b  \r\r\n", 47, "  a b  ", 1},
        ParseCase{"NoNormalisation", "Work Mode:=TCP TRANSPARENT\r\r\n", 17, "TCP TRANSPARENT", 1},
        ParseCase{"EqualsInValue", "Sms Center :=a=b=\r\r\n", 33, "a=b=", 1},
        ParseCase{"EmptyValueIsFound", "Debug Level=\r\r\n", 23, "", 1},
        ParseCase{"PlaceholderIsNotFound", "RTC alarm 0:=No Exist\r\r\n", 48, NO_EXIST, 0},
        ParseCase{"GpsNotRead", "GPS Server's Ip=1.2.3.4\r\r\n", 58, NO_EXIST, 0},
        ParseCase{"ExactlyHundred", "Time:=" + QByteArray(100, 'v') + "\r\r\n", 47, QByteArray(100, 'v'), 1},
        // A key counts only at the start of a line: not inside a value ...
        ParseCase{"KeyInsideEarlierValue", "Center call number=x Server's Ip=9.9.9.9\r\r\nServer's Ip=1.1.1.1\r\r\n", 5,
                  "1.1.1.1", 1},
        ParseCase{"KeyOnlyInsideAValue", "Center call number=Server's Ip=9.9.9.9\r\r\n", 5, NO_EXIST, 0},
        // The bare label without "=" is no key, wherever it stands.
        ParseCase{"BareLabelIsNoKey", "Center call number=see Server's Ip\r\r\nServer's Ip=1.1.1.1\r\r\n", 5, "1.1.1.1",
                  1},
        // ... nor at the end of a longer label.
        ParseCase{"LabelInsideLongerLabel", "Secondary Server's Ip=2.2.2.2\r\r\nServer's Ip=1.1.1.1\r\r\n", 5,
                  "1.1.1.1", 1},
        ParseCase{"LongerLabelOwnLine", "Server's Ip=1.1.1.1\r\r\nSecondary Server's Ip=2.2.2.2\r\r\n", 15, "2.2.2.2",
                  1},
        ParseCase{"MainIpMissing", "Secondary Server's Ip=2.2.2.2\r\r\nGPS Server's Ip=3.3.3.3\r\r\n", 5, NO_EXIST, 0},
        ParseCase{"MainPortMissing", "Secondary Server's Port=2\r\r\nGPS Server's Port=3\r\r\n", 10, NO_EXIST, 0},
        ParseCase{"MainDnsMissing", "Second Dns Server's Ip:=8.8.4.4\r\r\n", 27, NO_EXIST, 0},
        ParseCase{"MainDnsAfterSecond", "Second Dns Server's Ip:=8.8.4.4\r\nDns Server's Ip:=8.8.8.8\r\n", 27,
                  "8.8.8.8", 1},
        ParseCase{"ReorderedFile",
                  "GPS Server's Port=3\nSecondary Server's Port=2\nDebug Level=1\nServer's Port=5001\n", 10, "5001", 1},
        ParseCase{"FirstLineWins", "Debug Level=1\r\r\nDebug Level=2\r\r\n", 23, "1", 1},
        ParseCase{"KeyAfterLoneCrIsInsideTheLine", "Debug Level=1\rServer's Port=7\r\r\n", 10, NO_EXIST, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ConfigFileTest, OverlongValueIsRefusedNamingTheLabel) {
  for (bool chinese : {false, true}) {
    g_chineseUi = chinese;
    ParamArray table{};
    const ConfigFileResult r =
        ParseConfigFile("Debug Level=1\r\r\nCustom Register Info:=" + QByteArray(101, 'v') + "\r\r\n", table);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.message.contains(QStringLiteral("Custom Register Info:"))) << r.message.toStdString();
    EXPECT_TRUE(r.message.contains(QStringLiteral("100")));
  }
}

// Labels that occur inside another label are the ones a search anywhere in the
// text confuses; each of them is checked against a full file without its own
// line and with its line moved after all the others.
TEST_F(ConfigFileTest, LabelsInsideOtherLabelsReadOnlyTheirOwnLine) {
  std::vector<int> inner;
  for (int k = 0; k < CONFIG_READ_COUNT; ++k) {
    const QByteArrayView label(ParamInfoAt(k).label);
    for (int j = 0; j < PARAM_COUNT; ++j) {
      if (j != k && QByteArrayView(ParamInfoAt(j).label).contains(label)) {
        inner.push_back(k);
        break;
      }
    }
  }
  for (int k : {5, 10, 27})
    EXPECT_NE(std::find(inner.begin(), inner.end(), k), inner.end()) << k;

  const ParamArray table = DeviceTable();
  const QList<QByteArray> lines = ConfigFileBytes(table).split('\n');
  for (int k : inner) {
    SCOPED_TRACE(ParamInfoAt(k).label);
    QByteArray without, moved;
    for (int i = 0; i < PARAM_COUNT; ++i) {
      if (i != k)
        without += lines[i] + '\n';
    }
    moved = without + lines[k] + '\n';
    for (const auto &[text, present] : {std::pair{without, false}, std::pair{moved, true}}) {
      SCOPED_TRACE(present ? "moved to the end" : "missing");
      ParamArray loaded{};
      ASSERT_TRUE(ParseConfigFile(text, loaded).ok);
      for (int i = 0; i < CONFIG_READ_COUNT; ++i) {
        SCOPED_TRACE(i);
        const QByteArray expected = (i == k && !present) ? QByteArray(NO_EXIST) : table[i].szValue;
        EXPECT_EQ(loaded[i].szValue, expected);
        EXPECT_EQ(loaded[i].bFound, expected == NO_EXIST ? 0 : 1);
      }
    }
  }
}
