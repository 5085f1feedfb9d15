// Closing the main window while the device flows are busy: the program ends at
// once, cleanly, and nothing more is written to the device.
#include "device/DeviceController.h"
#include "base/Timing.h"
#include "model/SimRunner.h"
#include "params/ParamTable.h"
#include "text/Lang.h"
#include "widgets/ControlIds.h"
#include "ui/StrelvaneDlg.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QtTest>

#include <mutex>

class ShutdownTest : public QObject {
  Q_OBJECT

  sim::CSimRunner m_sim;
  std::mutex m_mutex;
  std::vector<std::string> m_commands;

  size_t CommandCount() {
    std::lock_guard lock(m_mutex);
    return m_commands.size();
  }

  void StartSim() {
    sim::CSimRunOptions o;
    o.device.bootMs = 1500;
    o.device.promptIntervalMs = 100;
    o.onCommand = [this](const sim::CCommandRecord &r) {
      std::lock_guard lock(m_mutex);
      m_commands.push_back(r.command);
    };
    QVERIFY(m_sim.Start(o));
  }

  std::unique_ptr<CStrelvaneDlg> Open() {
    auto dlg = std::make_unique<CStrelvaneDlg>();
    dlg->SetMessageHook([](const QString &, const QString &) {});
    // A close with page edits not written yet asks: these closes mean it.
    dlg->SetQuestionHook([](const QString &, const QString &) { return true; });
    dlg->SetWritePreviewHook([](const QList<WriteRow> &) { return true; });
    dlg->Initialize({{QString::fromStdString(m_sim.SlavePath()), QString()}});
    dlg->show();
    return dlg;
  }

  // Closes the window the way the close box does, and checks it ends at once.
  void CloseAndCheckQuiet(std::unique_ptr<CStrelvaneDlg> dlg) {
    QElapsedTimer t;
    t.start();
    dlg->reject();
    dlg.reset();
    QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
    const size_t after = CommandCount();
    QTest::qWait(500);
    QCOMPARE(CommandCount(), after);
  }

private slots:
  void init() {
    CTiming::SetScale(0.1);
    g_chineseUi = 0;
    {
      std::lock_guard lock(m_mutex);
      m_commands.clear();
    }
    StartSim();
  }
  void cleanup() {
    m_sim.Stop();
    CTiming::SetScale(1.0);
  }

  void closeDuringTheConfigurationRun() {
    auto dlg = Open();
    QVERIFY(QTest::qWaitFor([&] { return dlg->Log().Text().contains(QStringLiteral("Test AT")); }, 10000));
    CloseAndCheckQuiet(std::move(dlg));
  }

  void closeDuringASave() {
    auto dlg = Open();
    QVERIFY(QTest::qWaitFor([&] { return dlg->Control(idc::IDC_SAVE_CONFIG)->isEnabled(); }, 15000));
    for (int i : {0, 1, 2, 3})
      dlg->Pages().SetParamText(i, QStringLiteral("changed%1").arg(i));
    qobject_cast<QAbstractButton *>(dlg->Control(idc::IDC_SAVE_SETTINGS))->click();
    QVERIFY(QTest::qWaitFor([&] { return dlg->Log().Text().contains(QStringLiteral("Save APN")); }, 10000));
    CloseAndCheckQuiet(std::move(dlg));
    std::lock_guard lock(m_mutex);
    QVERIFY(std::find(m_commands.begin(), m_commands.end(), "at+password=changed3") == m_commands.end());
  }

  void closeDuringARebootWait() {
    auto dlg = Open();
    QVERIFY(QTest::qWaitFor([&] { return dlg->Control(idc::IDC_SAVE_CONFIG)->isEnabled(); }, 15000));
    m_sim.PowerOff(); // the restart text will never come: the worker waits its whole time
    qobject_cast<QAbstractButton *>(dlg->Control(idc::IDC_REBOOT_COMM))->click();
    QTest::qWait(100);
    CloseAndCheckQuiet(std::move(dlg));
  }
};

QTEST_MAIN(ShutdownTest)
#include "ShutdownTest.moc"
