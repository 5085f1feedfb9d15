// The main window's buttons against the simulated device on a pty: open, the
// load at power-up, an edited field saved, and the configuration file saved
// and loaded again.
#include "device/DeviceController.h"
#include "base/Timing.h"
#include "model/SimRunner.h"
#include "pages/PageDlg.h"
#include "params/ParamTable.h"
#include "text/Lang.h"
#include "widgets/ControlIds.h"
#include "ui/StrelvaneDlg.h"
#include "ui/WritePreviewDlg.h"

#include <QAbstractButton>
#include <QFile>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

using namespace idc;

class DeviceWindowTest : public QObject {
  Q_OBJECT

  sim::CSimRunner m_sim;
  std::mutex m_mutex;
  std::vector<std::string> m_commands;
  QStringList m_messages;
  double m_oldScale = 1.0;

  std::vector<std::string> Commands() {
    std::lock_guard lock(m_mutex);
    return m_commands;
  }
  std::vector<std::string> Since(size_t from) {
    const auto all = Commands();
    return std::vector<std::string>(all.begin() + static_cast<long>(std::min(from, all.size())), all.end());
  }
  static QAbstractButton *Button(CStrelvaneDlg &dlg, int id) {
    return qobject_cast<QAbstractButton *>(dlg.Control(id));
  }
  static QLineEdit *Edit(CStrelvaneDlg &dlg, EPage page, int id) {
    return qobject_cast<QLineEdit *>(dlg.Page(page)->Control(id));
  }
  // A save ends when the buttons it disabled are enabled again.
  static bool Idle(CStrelvaneDlg &dlg) {
    return Button(dlg, IDC_SAVE_SETTINGS)->isEnabled() && Button(dlg, IDC_SAVE_CONFIG)->isEnabled() &&
           !dlg.Device().RunActive();
  }
  static void Click(CStrelvaneDlg &dlg, int id) {
    QAbstractButton *b = Button(dlg, id);
    QVERIFY2(b->isEnabled(), qPrintable(QString::number(id)));
    b->click();
  }

  // Clicks a button that starts the save walk and waits for the walk to end.
  static bool ClickAndWalk(CStrelvaneDlg &dlg, int id) {
    Click(dlg, id);
    // The walk disables the operations while it runs.
    return QTest::qWaitFor([&] { return !Button(dlg, IDC_SAVE_SETTINGS)->isEnabled(); }, 5000) &&
           QTest::qWaitFor([&] { return Idle(dlg); }, 20000);
  }

  // Answers the real list of writes when it comes up: records its rows and
  // presses Write or Cancel.
  struct PreviewAnswerer {
    bool write = false;
    QList<QStringList> rows;
    int shown = 0;
    QTimer poll;
    PreviewAnswerer() {
      QObject::connect(&poll, &QTimer::timeout, [this] {
        auto *dlg = dynamic_cast<CWritePreviewDlg *>(QApplication::activeModalWidget());
        if (!dlg || dlg->property("answered").toBool())
          return;
        dlg->setProperty("answered", true);
        ++shown;
        rows.clear();
        for (int r = 0; r < dlg->Table()->rowCount(); ++r)
          rows << QStringList{dlg->Table()->item(r, 0)->text(), dlg->Table()->item(r, 1)->text(),
                              dlg->Table()->item(r, 2)->text()};
        (write ? dlg->WriteButton() : dlg->CancelButton())->click();
      });
      poll.start(5);
    }
  };

  CStrelvaneDlg &Loaded(std::unique_ptr<CStrelvaneDlg> &dlg) {
    dlg = std::make_unique<CStrelvaneDlg>();
    dlg->SetMessageHook([this](const QString &text, const QString &) { m_messages << text; });
    dlg->Initialize({{QString::fromStdString(m_sim.SlavePath()), QString()}});
    dlg->show();
    m_sim.Repower();
    [&] { QVERIFY2(QTest::qWaitFor([&] { return Idle(*dlg); }, 20000), qPrintable(dlg->Log().Text())); }();
    return *dlg;
  }

private slots:
  void init() {
    m_oldScale = CTiming::Scale();
    CTiming::SetScale(0.1);
    g_chineseUi = 0;
    sim::CSimRunOptions o;
    o.device.bootMs = 1500;
    o.device.promptIntervalMs = 100;
    o.powerOnStart = false;
    o.onCommand = [this](const sim::CCommandRecord &r) {
      std::lock_guard lock(m_mutex);
      m_commands.push_back(r.command);
    };
    QVERIFY(m_sim.Start(o));
  }

  void cleanup() {
    m_sim.Stop();
    {
      std::lock_guard lock(m_mutex);
      m_commands.clear();
    }
    m_messages.clear();
    CTiming::SetScale(m_oldScale);
  }

  // Closing with a page edit the device does not have yet asks first, in the
  // window's language; No keeps the window, Yes closes it.
  void closingWithUnwrittenEditsAsks_data() {
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<QString>("question");
    QTest::newRow("en") << false << QStringLiteral("Some page edits have not been written to the device");
    QTest::newRow("zh") << true << QStringLiteral("页面上有尚未写入设备的修改");
  }
  void closingWithUnwrittenEditsAsks() {
    QFETCH(bool, chinese);
    QFETCH(QString, question);
    g_chineseUi = chinese ? 1 : 0;
    CStrelvaneDlg dlg;
    dlg.SetMessageHook([this](const QString &text, const QString &) { m_messages << text; });
    QStringList asked;
    bool answer = false;
    dlg.SetQuestionHook([&](const QString &text, const QString &) {
      asked << text;
      return answer;
    });
    dlg.Initialize({{QString::fromStdString(m_sim.SlavePath()), QString()}});
    dlg.show();
    m_sim.Repower();
    QVERIFY2(QTest::qWaitFor([&] { return Idle(dlg); }, 20000), qPrintable(dlg.Log().Text()));
    QLineEdit *apn = Edit(dlg, EPage::Other, 1003);
    apn->setText(QStringLiteral("edited.apn"));
    dlg.reject();
    QCOMPARE(asked.size(), 1);
    QVERIFY2(asked[0].startsWith(question), qPrintable(asked[0]));
    QVERIFY(dlg.isVisible()); // No: the edit is still there to be saved
    QCOMPARE(apn->text(), QStringLiteral("edited.apn"));
    // Set back to the device's value, it is no edit any more.
    apn->setText(QStringLiteral("CMNET"));
    dlg.reject();
    QCOMPARE(asked.size(), 1);
    QVERIFY(!dlg.isVisible());
  }

  // A field whose value the device does not hold is marked, and the mark
  // goes when the field is set back or the device confirms the value.
  void changedFieldsAreMarked() {
    std::unique_ptr<CStrelvaneDlg> owner;
    CStrelvaneDlg &dlg = Loaded(owner);
    dlg.SetWritePreviewHook([](const QList<WriteRow> &) { return true; });
    auto marked = [&] {
      QCoreApplication::processEvents();
      QList<int> out;
      for (int i = 0; i < PARAM_COUNT; ++i) {
        if (dlg.Pages().ChangeMarked(i))
          out << i;
      }
      return out;
    };
    QCOMPARE(marked(), QList<int>{});
    QLineEdit *apn = Edit(dlg, EPage::Other, 1003);
    QLineEdit *port = Edit(dlg, EPage::Base, 1010);
    apn->setText(QStringLiteral("edited.apn"));
    port->setText(QStringLiteral("6000"));
    QCOMPARE(marked(), (QList<int>{PARAM_APN, 10}));
    QVERIFY(apn->font().bold());
    QVERIFY(apn->property("changed").toBool());
    QVERIFY(!Edit(dlg, EPage::Other, 1004)->font().bold());
    // Set back by hand: no mark.
    apn->setText(QStringLiteral("CMNET"));
    QCOMPARE(marked(), QList<int>{10});
    QVERIFY(!apn->font().bold());
    // Confirmed by the device: no mark.
    QVERIFY(ClickAndWalk(dlg, IDC_SAVE_SETTINGS));
    QCOMPARE(dlg.Device().Session().Table().Entry(10).szValue, QByteArray("6000"));
    QCOMPARE(marked(), QList<int>{});
    QVERIFY(!port->font().bold());
  }

  // Save and Load Config show what they will write first (label, device
  // value, new value); Cancel writes nothing, Write writes exactly that.
  void writesAreShownFirst_data() {
    QTest::addColumn<bool>("chinese");
    QTest::newRow("en") << false;
    QTest::newRow("zh") << true;
  }
  void writesAreShownFirst() {
    QFETCH(bool, chinese);
    g_chineseUi = chinese ? 1 : 0;
    std::unique_ptr<CStrelvaneDlg> owner;
    CStrelvaneDlg &dlg = Loaded(owner);
    PreviewAnswerer answer;
    QLineEdit *apn = Edit(dlg, EPage::Other, 1003);
    apn->setText(QStringLiteral("edited.apn"));
    size_t before = Commands().size();
    QVERIFY(ClickAndWalk(dlg, IDC_SAVE_SETTINGS));
    QCOMPARE(answer.shown, 1);
    QCOMPARE(answer.rows, (QList<QStringList>{{QStringLiteral("Access Point Name"), QStringLiteral("CMNET"),
                                               QStringLiteral("edited.apn")}}));
    QCOMPARE(Since(before), std::vector<std::string>{});
    QCOMPARE(dlg.Device().Session().Table().Entry(PARAM_APN).szValue, QByteArray("CMNET"));
    QCOMPARE(apn->text(), QStringLiteral("edited.apn")); // the edit stays, to be saved later
    QVERIFY(dlg.Log().Text().contains(chinese ? QStringLiteral("没有写入任何参数")
                                              : QStringLiteral("nothing was written")));

    answer.write = true;
    QVERIFY(ClickAndWalk(dlg, IDC_SAVE_SETTINGS));
    QCOMPARE(answer.shown, 2);
    QCOMPARE(Since(before), std::vector<std::string>{"at+apn=edited.apn"});

    // A configuration file: Cancel writes nothing and the pages show the device's values again.
    QTemporaryDir dir;
    const QString cfg = dir.filePath(QStringLiteral("site.cfg"));
    dlg.SetFileDialogHook([&](bool, const QString &, const QString &) { return cfg; });
    Click(dlg, IDC_SAVE_CONFIG);
    apn->setText(QStringLiteral("CMNET"));
    Edit(dlg, EPage::Base, 1010)->setText(QStringLiteral("6100"));
    QVERIFY(ClickAndWalk(dlg, IDC_SAVE_SETTINGS)); // the device now differs from the file
    QCOMPARE(answer.shown, 3);
    before = Commands().size();
    answer.write = false;
    qobject_cast<QLineEdit *>(dlg.Control(IDC_CONFIG_PATH))->setText(cfg);
    QVERIFY(ClickAndWalk(dlg, IDC_LOAD_CONFIG));
    QCOMPARE(answer.shown, 4);
    QCOMPARE(answer.rows.size(), 2);
    QCOMPARE(answer.rows[0],
             (QStringList{QStringLiteral("Access Point Name"), QStringLiteral("CMNET"), QStringLiteral("edited.apn")}));
    QCOMPARE(answer.rows[1],
             (QStringList{QStringLiteral("Server's Port"), QStringLiteral("6100"), QStringLiteral("5000")}));
    QCOMPARE(Since(before), std::vector<std::string>{});
    QCOMPARE(apn->text(), QStringLiteral("CMNET"));
    QCOMPARE(Edit(dlg, EPage::Base, 1010)->text(), QStringLiteral("6100"));
  }

  // Factory Setting and Power-Off reach the device only when the question is answered Yes.
  void destructiveButtonsNeedAYes() {
    CStrelvaneDlg dlg;
    dlg.SetMessageHook([this](const QString &text, const QString &) { m_messages << text; });
    bool answer = false;
    int asked = 0;
    dlg.SetQuestionHook([&](const QString &, const QString &) {
      ++asked;
      return answer;
    });
    dlg.Initialize({{QString::fromStdString(m_sim.SlavePath()), QString()}});
    m_sim.Repower();
    QVERIFY2(QTest::qWaitFor([&] { return Idle(dlg); }, 20000), qPrintable(dlg.Log().Text()));
    auto sent = [this](const std::string &command) {
      std::lock_guard lock(m_mutex);
      return std::count(m_commands.begin(), m_commands.end(), command);
    };
    Click(dlg, IDC_FACTORY);
    Click(dlg, IDC_POWER_OFF);
    QTest::qWait(300);
    QCOMPARE(asked, 2);
    QCOMPARE(sent("at+factory"), 0);
    QCOMPARE(sent("AT+SHUTDOWN"), 0);

    answer = true;
    Click(dlg, IDC_FACTORY);
    QVERIFY(QTest::qWaitFor([&] { return sent("at+factory") == 1; }, 10000));
    // The operation's end enables the buttons again.
    QVERIFY2(QTest::qWaitFor([&] { return Button(dlg, IDC_POWER_OFF)->isEnabled(); }, 20000),
             qPrintable(dlg.Log().Text()));
    Click(dlg, IDC_POWER_OFF);
    QVERIFY(QTest::qWaitFor([&] { return sent("AT+SHUTDOWN") == 1; }, 10000));
    QCOMPARE(asked, 4);
  }

  void buttonsConfigureTheDevice() {
    QTemporaryDir dir;
    const QString cfg = dir.filePath(QStringLiteral("window.cfg"));
    CStrelvaneDlg dlg;
    dlg.SetMessageHook([this](const QString &text, const QString &) { m_messages << text; });
    QString proposed;
    dlg.SetFileDialogHook([&](bool save, const QString &name, const QString &filter) {
      proposed = name + QLatin1Char('|') + filter;
      return save ? cfg : QString();
    });
    dlg.SetWritePreviewHook([](const QList<WriteRow> &) { return true; });
    // The first port is opened at start; the device is powered up afterwards.
    dlg.Initialize({{QString::fromStdString(m_sim.SlavePath()), QString()}});
    QVERIFY(dlg.IsPortOpen());
    QVERIFY(!Button(dlg, IDC_SAVE_SETTINGS)->isEnabled());
    m_sim.Repower();
    QVERIFY2(QTest::qWaitFor([&] { return Idle(dlg); }, 20000), qPrintable(dlg.Log().Text()));
    QCOMPARE(Edit(dlg, EPage::Other, 1003)->text(), QStringLiteral("CMNET"));
    QCOMPARE(Edit(dlg, EPage::Base, 1010)->text(), QStringLiteral("5000"));
    QCOMPARE(dlg.Pages().Tabs().size(), 5);

    // An edited field is written by the save button, and only that one.
    size_t before = Commands().size();
    Edit(dlg, EPage::Base, 1010)->setText(QStringLiteral("6000"));
    QVERIFY(ClickAndWalk(dlg, IDC_SAVE_SETTINGS));
    QCOMPARE(Since(before), std::vector<std::string>{"at+port=6000"});
    QVERIFY(dlg.Log().Text().contains(QStringLiteral("Saving PORT......[AT+PORTD]\r\nSave PORT....OK...\r\n")));
    QCOMPARE(dlg.Device().Session().Table().Entry(10).szValue, QByteArray("6000"));

    // Save to file: the table as the device has it now.
    Click(dlg, IDC_SAVE_CONFIG);
    QCOMPARE(proposed, QStringLiteral("Tavrenholt-Dtu.cfg|*.cfg"));
    QCOMPARE(m_messages.value(0), QStringLiteral("Save Successful"));
    QFile f(cfg);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("Server's Port=6000\r\r\n"));

    // The device changes; loading the file writes back exactly what differs.
    Edit(dlg, EPage::Other, 1003)->setText(QStringLiteral("changed.apn"));
    Edit(dlg, EPage::Base, 1010)->setText(QStringLiteral("7000"));
    QVERIFY(ClickAndWalk(dlg, IDC_SAVE_SETTINGS));
    QCOMPARE(dlg.Device().Session().Table().Entry(PARAM_APN).szValue, QByteArray("changed.apn"));

    // Without a path the load only says so.
    m_messages.clear();
    before = Commands().size();
    Click(dlg, IDC_LOAD_CONFIG);
    QCOMPARE(m_messages, QStringList{QStringLiteral("Please input file name ")});
    QVERIFY(Commands().size() == before);

    qobject_cast<QLineEdit *>(dlg.Control(IDC_CONFIG_PATH))->setText(cfg);
    QVERIFY(ClickAndWalk(dlg, IDC_LOAD_CONFIG));
    QCOMPARE(Edit(dlg, EPage::Other, 1003)->text(), QStringLiteral("CMNET")); // the file's value
    QCOMPARE(Since(before), (std::vector<std::string>{"at+apn=CMNET", "at+port=6000"}));
    QCOMPARE(dlg.Device().Session().Table().Entry(PARAM_APN).szValue, QByteArray("CMNET"));
    QCOMPARE(dlg.Device().Session().Table().Entry(10).szValue, QByteArray("6000"));
    QCOMPARE(dlg.Pages().Tabs().size(), 5);

    // Closing the port disables the operations again.
    Click(dlg, IDC_OPEN_CLOSE);
    QVERIFY(!dlg.IsPortOpen());
    QVERIFY(!Button(dlg, IDC_SAVE_SETTINGS)->isEnabled());
    dlg.done(0);
  }
};

QTEST_MAIN(DeviceWindowTest)
#include "DeviceWindowTest.moc"
