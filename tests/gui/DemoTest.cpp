// Demo mode: the window on the built-in simulated device loads the device's
// settings by itself, the re-power action catches the device again, and the
// everyday comforts around it (port list refresh, save progress).
#include "device/DeviceController.h"
#include "base/Timing.h"
#include "params/ParamTable.h"
#include "support/TestUtil.h"
#include "text/Gbk.h"
#include "text/Lang.h"
#include "widgets/ControlIds.h"
#include "app/DemoDevice.h"
#include "model/SimRunner.h"
#include "ui/StrelvaneDlg.h"
#include "ui/TabSheet.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QMenuBar>
#include <QProgressBar>
#include <QtTest>

using namespace idc;

namespace {
QList<CPortEntry> DemoPorts(const CDemoDevice &demo) {
  return {{demo.Path(), QStringLiteral("simulated device")}, {QStringLiteral("/dev/ttyS0"), {}}};
}
} // namespace

class DemoTest : public QObject {
  Q_OBJECT

  std::unique_ptr<CDemoDevice> m_demo;
  std::unique_ptr<CStrelvaneDlg> m_dlg;
  double m_oldScale = 1.0;

  // The window as `strelvane --demo` builds it.
  CStrelvaneDlg &StartDemo(bool chinese) {
    g_chineseUi = chinese ? 1 : 0;
    m_demo = std::make_unique<CDemoDevice>();
    if (!m_demo->Start())
      qFatal("no pty for the simulated device");
    m_dlg = std::make_unique<CStrelvaneDlg>();
    m_dlg->SetMessageHook([](const QString &, const QString &) {});
    m_dlg->EnableDemo(m_demo->Path(), [demo = m_demo.get()] { demo->Repower(); });
    m_dlg->Initialize(DemoPorts(*m_demo));
    // Not shown: painting would start Qt's image thread pool, whose locks
    // ThreadSanitizer cannot see; the flows and widget states do not need it.
    return *m_dlg;
  }

  bool Loaded(int timeoutMs = 20000) {
    return PumpUntil([&] { return m_dlg->Control(IDC_SAVE_CONFIG)->isEnabled() && !m_dlg->Device().RunActive(); },
                     timeoutMs);
  }
  QString Log() const { return m_dlg->Log().Text(); }

private slots:
  void init() {
    m_oldScale = CTiming::Scale();
    CTiming::SetScale(0.1);
  }
  void cleanup() {
    if (m_dlg)
      m_dlg->done(0);
    m_dlg.reset();
    m_demo.reset();
    CTiming::SetScale(m_oldScale);
    g_chineseUi = 0;
  }

  void settingsReachThePagesByThemselves_data() {
    QTest::addColumn<bool>("chinese");
    QTest::newRow("en") << false;
    QTest::newRow("zh") << true;
  }
  void settingsReachThePagesByThemselves() {
    QFETCH(bool, chinese);
    CStrelvaneDlg &dlg = StartDemo(chinese);
    auto *port = qobject_cast<QComboBox *>(dlg.Control(IDC_PORT));
    QVERIFY(port);
    QCOMPARE(port->itemText(0), m_demo->Path());
    QVERIFY2(dlg.IsPortOpen(), "the simulated device's port is opened at start");
    QCOMPARE(dlg.OpenedPort(), m_demo->Path());
    // Switched on only a moment after its port opened.
    QCOMPARE(m_demo->Runner()->State(), sim::EPowerState::Off);
    QVERIFY2(Loaded(), qPrintable(Log()));

    const ParamArray table = m_dlg->Device().Session().Table().Snapshot();
    QCOMPARE(table[0].nCount, PARAM_COUNT);
    // The pages show what the device listed.
    const std::string dump = m_demo->Runner()->Dump();
    QVERIFY(!table[PARAM_APN].szValue.isEmpty());
    QVERIFY(dump.find("=" + table[PARAM_APN].szValue.toStdString() + "\n") != std::string::npos);
    QCOMPARE(dlg.Pages().ParamText(PARAM_APN), text::FromGbk(table[PARAM_APN].szValue));
    QCOMPARE(dlg.Pages().ParamText(5), text::FromGbk(table[5].szValue));
    QCOMPARE(dlg.Pages().Tabs().size(), 5);
    QVERIFY(dlg.Control(IDC_SHOW_CONFIG)->isEnabled());
    QVERIFY(dlg.Control(IDC_REBOOT_COMM)->isEnabled());
    QCOMPARE(m_demo->Runner()->State(), sim::EPowerState::Config);
    if (!chinese)
      QVERIFY(Log().contains(QStringLiteral("          Module Type:SIMCOM_SIM700\r\n")));
    else
      QVERIFY(Log().contains(QStringLiteral("          成功进入配置状态\r\n")));
  }

  void repowerCatchesTheDeviceAgain() {
    CStrelvaneDlg &dlg = StartDemo(false);
    QAction *repower = dlg.RepowerAction();
    QVERIFY(repower);
    QCOMPARE(repower->text(), QStringLiteral("Re-&power simulated device"));
    QVERIFY(Loaded());
    QCOMPARE(Log().count(QStringLiteral("Test AT...\r\n")), 1);

    // The device forgets an unsaved change on power-up; the pages get its value back.
    const QString apn = dlg.Pages().ParamText(PARAM_APN);
    dlg.Pages().SetParamText(PARAM_APN, QStringLiteral("edited.but.not.saved"));
    repower->trigger();
    QVERIFY2(PumpUntil([&] { return Log().count(QStringLiteral("Test AT...\r\n")) == 2; }, 20000), qPrintable(Log()));
    QVERIFY(Loaded());
    QCOMPARE(dlg.Pages().ParamText(PARAM_APN), apn);
    QCOMPARE(Log().count(QStringLiteral("Loading IP Modem Settings ...\r\n")), 2);
    QCOMPARE(m_demo->Runner()->State(), sim::EPowerState::Config);
  }

  void repowerActionOnlyInDemoModeAndInBothLanguages() {
    g_chineseUi = 0;
    {
      CStrelvaneDlg plain;
      plain.SetMessageHook([](const QString &, const QString &) {});
      plain.Initialize({});
      QVERIFY(!plain.RepowerAction());
      QVERIFY(!plain.findChild<QAction *>(QStringLiteral("demo_repower")));
    }
    CStrelvaneDlg &dlg = StartDemo(true);
    QVERIFY(dlg.RepowerAction());
    QCOMPARE(dlg.RepowerAction()->text(), QStringLiteral("重新上电模拟设备(&P)"));
  }

  void closingThePortBeforePowerUpKeepsTheDeviceOff() {
    CTiming::SetScale(1.0); // a whole second to close the port in
    CStrelvaneDlg &dlg = StartDemo(false);
    qobject_cast<QAbstractButton *>(dlg.Control(IDC_OPEN_CLOSE))->click();
    QVERIFY(!dlg.IsPortOpen());
    PumpFor(1300);
    QCOMPARE(m_demo->Runner()->State(), sim::EPowerState::Off);
  }

  void saveShowsProgress() {
    CStrelvaneDlg &dlg = StartDemo(false);
    QVERIFY(Loaded());
    QList<QPair<int, int>> seen;
    QProgressBar *bar = dlg.Progress();
    QVERIFY(bar->isHidden());
    bool shownThroughout = true;
    connect(bar, &QProgressBar::valueChanged, this, [&](int v) {
      seen.append({v, bar->maximum()});
      shownThroughout = shownThroughout && !bar->isHidden();
    });
    QList<WriteRow> previewed;
    dlg.SetWritePreviewHook([&](const QList<WriteRow> &rows) {
      previewed = rows;
      return true;
    });
    dlg.Pages().SetParamText(PARAM_APN, QStringLiteral("demo.apn"));
    dlg.Pages().SetParamText(10, QStringLiteral("6001"));
    qobject_cast<QAbstractButton *>(dlg.Control(IDC_SAVE_SETTINGS))->click();
    QVERIFY(PumpUntil([&] { return !seen.isEmpty() && seen.last() == qMakePair(2, 2); }, 20000));
    QCOMPARE(seen.first(), qMakePair(1, 2));
    QVERIFY(shownThroughout);
    QVERIFY(Loaded());
    QVERIFY(PumpUntil([&] { return bar->isHidden(); }, 5000));
    QVERIFY(m_demo->Runner()->Dump().find("=demo.apn\n") != std::string::npos);
    QCOMPARE(previewed.size(), 2);
  }

  void portListFollowsAdaptersAndKeepsTheChoice() {
    g_chineseUi = 0;
    QList<CPortEntry> system = {{"/dev/ttyS0", {}}, {"/dev/ttyUSB0", "USB serial"}};
    CStrelvaneDlg dlg;
    dlg.SetMessageHook([](const QString &, const QString &) {});
    dlg.SetPortSource([&] { return system; });
    dlg.Initialize({}); // nothing yet: no port opened
    auto *port = qobject_cast<QComboBox *>(dlg.Control(IDC_PORT));
    QCOMPARE(port->count(), 0);
    dlg.RefreshPortList();
    QCOMPARE(port->count(), 2);
    port->setCurrentIndex(1);

    // An adapter plugged in before the chosen one: the choice stays.
    system.insert(1, CPortEntry{"/dev/ttyACM0", "modem"});
    dlg.RefreshPortList();
    QCOMPARE(port->count(), 3);
    QCOMPARE(port->currentText(), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(port->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("modem"));

    // The chosen adapter pulled: it stays chosen, and opening it says it is gone.
    system.removeAt(2);
    dlg.RefreshPortList();
    QCOMPARE(port->count(), 2);
    QCOMPARE(port->currentText(), QStringLiteral("/dev/ttyUSB0"));
    dlg.OpenClosePort();
    QVERIFY(!dlg.IsPortOpen());
    QVERIFY(dlg.Log().Text().contains(
        QStringLiteral(">>> /dev/ttyUSB0: no such port (device not connected or unplugged)\r\n")));

    // The refresh runs by itself every couple of seconds.
    system.append(CPortEntry{"/dev/ttyUSB1", {}});
    QVERIFY(PumpUntil([&] { return port->count() == 3; }, CStrelvaneDlg::PORT_REFRESH_MS * 3));
    QCOMPARE(port->currentText(), QStringLiteral("/dev/ttyUSB0"));
  }

  void portListStaysWhileThePortIsOpen() {
    CStrelvaneDlg &dlg = StartDemo(false);
    auto *port = qobject_cast<QComboBox *>(dlg.Control(IDC_PORT));
    dlg.SetPortSource([] { return QList<CPortEntry>{{"/dev/ttyUSB7", {}}}; });
    dlg.RefreshPortList();
    QCOMPARE(port->count(), 2);
    QCOMPARE(port->currentText(), m_demo->Path());
  }
};

QTEST_MAIN(DemoTest)
#include "DemoTest.moc"
