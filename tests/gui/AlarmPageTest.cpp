// The power-schedule page in the main window: a group's Set button runs the
// editor and changes only that group, the clock Set button forms the clock
// string, and with the simulated device the clock is really set. Also writes
// screenshots of the editor and the page (build folder, screenshots/schedule).
#include "device/DeviceController.h"
#include "base/Timing.h"
#include "model/SimRunner.h"
#include "pages/AlarmTime.h"
#include "pages/SelectAlarm.h"
#include "schedule/Clock.h"
#include "schedule/Schedule.h"
#include "support/BoxAnswerer.h"
#include "support/TestUtil.h"
#include "text/Lang.h"
#include "widgets/ControlIds.h"
#include "ui/StrelvaneDlg.h"
#include "ui/TabSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QtTest>

#include <functional>
#include <memory>
#include <mutex>
#include <tuple>

using namespace idc::alarm;

namespace {
const char *const GROUP_STRINGS[CAlarmTime::GROUPS] = {
    "D",
    "OD,\"08:30:00\",600",
    "SP,1,2",
    "OW,15,\"07:00:00\",120",
    "SD,\"22:00:00\"",
    "OH,\"00:15:00\",60",
    "OT,\"2024/03/05,08:30:00\",60",
    "SC,3600",
    "OI,120,30",
    "SW,\"23:30:00\",06",
};
} // namespace

class AlarmPageTest : public QObject {
  Q_OBJECT

  std::unique_ptr<CStrelvaneDlg> m_dlg;
  QList<std::pair<QString, QString>> m_messages; // text, caption

  CStrelvaneDlg &Make(bool chinese, const QList<CPortEntry> &ports = {{"/dev/ttyS0", ""}}) {
    g_chineseUi = chinese ? 1 : 0;
    m_dlg = std::make_unique<CStrelvaneDlg>();
    m_dlg->SetMessageHook([this](const QString &text, const QString &caption) { m_messages.append({text, caption}); });
    m_dlg->Initialize(ports);
    return *m_dlg;
  }
  CAlarmTime *Page() { return static_cast<CAlarmTime *>(m_dlg->Page(EPage::Alarm)); }
  QWidget *On(int id) { return Page()->Control(id); }
  QString Text(int id) { return qobject_cast<QLineEdit *>(On(id))->text(); }
  // The groups filled as a load fills them, the page enabled and offered.
  void Fill() {
    for (int g = 0; g < CAlarmTime::GROUPS; ++g) {
      m_dlg->Pages().SetParamText(PARAM_ALARM_FIRST + g, QString::fromLatin1(GROUP_STRINGS[g]));
      m_dlg->Pages().SetScheduleDescription(PARAM_ALARM_FIRST + g, DescribeSchedule(GROUP_STRINGS[g]));
    }
    m_dlg->Pages().EnableForEditing();
    m_dlg->Pages().ShowTabs(true, false);
    m_dlg->TabSheet()->SelectTab(3);
  }
  QStringList AllGroupTexts() {
    QStringList texts;
    for (const auto &ids : CAlarmTime::GROUP_IDS)
      texts << Text(ids.description) << Text(ids.string);
    return texts;
  }
  // Runs fn on the editor once it is open and modal.
  void WhenEditorOpens(std::function<void(CSelectAlarm &)> fn) {
    auto *poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll, fn] {
      CSelectAlarm *editor = Page()->Editor();
      if (!editor || QApplication::activeModalWidget() != editor)
        return;
      poll->stop();
      poll->deleteLater();
      fn(*editor);
    });
    poll->start(5);
  }
  static void Click(CSelectAlarm &e, int id) { qobject_cast<QPushButton *>(e.Control(id))->click(); }
  static void Choose(CSelectAlarm &e, int action, int mode) {
    qobject_cast<QComboBox *>(e.Control(CSelectAlarm::IDC_ACTION))->setCurrentIndex(action);
    qobject_cast<QComboBox *>(e.Control(CSelectAlarm::IDC_MODE))->setCurrentIndex(mode);
  }

private slots:
  void cleanup() {
    m_dlg.reset();
    m_messages.clear();
    g_chineseUi = 0;
  }

  void group7SetChangesOnlyGroup7() {
    Make(false);
    Fill();
    QStringList expected = AllGroupTexts();
    QString title;
    QString current;
    WhenEditorOpens([&](CSelectAlarm &e) {
      title = e.windowTitle();
      current = qobject_cast<QPlainTextEdit *>(e.Control(CSelectAlarm::IDC_CURRENT))->toPlainText();
      Choose(e, 2, SCHEDULE_INTERVAL);
      qobject_cast<QLineEdit *>(e.Control(CSelectAlarm::IDC_FIELD_B))->setText(QStringLiteral("90"));
      Click(e, CSelectAlarm::IDC_OK);
    });
    CBoxAnswerer boxes(QMessageBox::Ok);
    qobject_cast<QPushButton *>(On(1017))->click();
    QCOMPARE(title, QStringLiteral("Power On/Off Time Settings [Group 7]:"));
    QCOMPARE(current, DescribeSchedule(GROUP_STRINGS[6]));
    QCOMPARE(boxes.Texts(), QStringList{"Confirm modify equipment switch  time is:Power-Off after 90 Sec"});
    expected[12] = QStringLiteral("Power-Off after 90 Sec"); // 1016
    expected[13] = QStringLiteral("SC,90");                  // 1032
    QCOMPARE(AllGroupTexts(), expected);
    QCOMPARE(Text(1016), expected[12]);
    QCOMPARE(Text(1032), expected[13]);
    // What the save walk reads and compares.
    QCOMPARE(m_dlg->Pages().ParamText(PARAM_ALARM_FIRST + 6), QStringLiteral("SC,90"));
    QCOMPARE(m_dlg->Pages().ScheduleDescription(PARAM_ALARM_FIRST + 6), QStringLiteral("Power-Off after 90 Sec"));
  }

  void cancelChangesNothing() {
    Make(true);
    Fill();
    const QStringList before = AllGroupTexts();
    WhenEditorOpens([&](CSelectAlarm &e) {
      Choose(e, 1, SCHEDULE_HOURLY);
      qobject_cast<QLineEdit *>(e.Control(CSelectAlarm::IDC_FIELD_A))->setText(QStringLiteral("5"));
      qobject_cast<QLineEdit *>(e.Control(CSelectAlarm::IDC_FIELD_B))->setText(QStringLiteral("9"));
      Click(e, CSelectAlarm::IDC_CANCEL);
    });
    qobject_cast<QPushButton *>(On(1010))->click();
    QCOMPARE(AllGroupTexts(), before);
    QCOMPARE(Page()->Editor()->result(), int(QDialog::Rejected));
  }

  void okWithNothingComposedKeepsTheGroup() {
    Make(false);
    Fill();
    const QStringList before = AllGroupTexts();
    WhenEditorOpens([&](CSelectAlarm &e) { Click(e, CSelectAlarm::IDC_OK); });
    qobject_cast<QPushButton *>(On(1011))->click(); // group 3: "SP,1,2", no mode to select
    QCOMPARE(Page()->Editor()->result(), int(QDialog::Accepted));
    QCOMPARE(Page()->Editor()->Schedule(), QByteArray());
    QCOMPARE(AllGroupTexts(), before);
  }

  void manualClockString() {
    Make(false);
    Fill();
    QList<QByteArray> sent;
    Page()->SetClockHandler([&](const QByteArray &clock) { sent << clock; });
    qobject_cast<QComboBox *>(On(IDC_CLOCK_SOURCE))->setCurrentIndex(1);
    qobject_cast<QDateEdit *>(On(IDC_DATE))->setDate(QDate(2024, 2, 29));
    qobject_cast<QTimeEdit *>(On(IDC_TIME))->setTime(QTime(23, 59, 59));
    qobject_cast<QPushButton *>(On(IDC_CLOCK_SET))->click();
    QCOMPARE(sent, QList<QByteArray>{"\"2024/02/29,23:59:59\",4"});
    QCOMPARE(Page()->ClockString(), QByteArray("\"2024/02/29,23:59:59\",4"));

    // An old date works too.
    qobject_cast<QDateEdit *>(On(IDC_DATE))->setDate(QDate(1900, 1, 1));
    qobject_cast<QTimeEdit *>(On(IDC_TIME))->setTime(QTime(0, 0, 0));
    qobject_cast<QPushButton *>(On(IDC_CLOCK_SET))->click();
    QCOMPARE(sent.last(), QByteArray("\"1900/01/01,00:00:00\",1"));

    // System time: the PC clock at the press.
    qobject_cast<QComboBox *>(On(IDC_CLOCK_SOURCE))->setCurrentIndex(0);
    QByteArray before, after;
    do {
      before = ClockStringNow();
      qobject_cast<QPushButton *>(On(IDC_CLOCK_SET))->click();
      after = ClockStringNow();
    } while (before != after); // a second turned over during the press
    QCOMPARE(sent.last(), before);
  }

  // The weekday list shows the weekday that will be sent and follows the
  // date; it is never a choice of its own, enabled page or not.
  void weekdayFollowsTheDate() {
    Make(false);
    Fill();
    Page()->EnableForEditing();
    QList<QByteArray> sent;
    Page()->SetClockHandler([&](const QByteArray &clock) { sent << clock; });
    qobject_cast<QComboBox *>(On(IDC_CLOCK_SOURCE))->setCurrentIndex(1);
    auto *weekday = qobject_cast<QComboBox *>(On(IDC_WEEKDAY));
    QVERIFY(!weekday->isEnabled());
    const struct {
      QDate date;
      int weekday;
      const char *name;
    } cases[] = {{QDate(2024, 2, 29), 4, "Thursday"},
                 {QDate(1900, 1, 1), 1, "Monday"},
                 {QDate(2026, 12, 13), 0, "Sunday"},
                 {QDate(2000, 1, 1), 6, "Saturday"}};
    for (const auto &c : cases) {
      qobject_cast<QDateEdit *>(On(IDC_DATE))->setDate(c.date);
      QCOMPARE(weekday->currentText(), QString::fromLatin1(c.name));
      qobject_cast<QPushButton *>(On(IDC_CLOCK_SET))->click();
      QCOMPARE(sent.last().right(1), QByteArray::number(c.weekday));
      QCOMPARE(weekday->currentIndex(), c.weekday);
    }
    Page()->DisableAll();
    Page()->EnableForEditing();
    QVERIFY(!weekday->isEnabled());
  }

  // Each group's whole sentence is on the page, wrapped where it is long,
  // in both languages; none is cut to the width of a field.
  void sentencesShownWhole_data() {
    QTest::addColumn<bool>("chinese");
    QTest::newRow("en") << false;
    QTest::newRow("zh") << true;
  }
  void sentencesShownWhole() {
    QFETCH(bool, chinese);
    Make(chinese);
    Fill();
    m_dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
    QApplication::processEvents();
    bool someWrapped = false;
    for (int g = 1; g <= CAlarmTime::GROUPS; ++g) {
      QLabel *sentence = Page()->Sentence(g);
      const QString whole = DescribeSchedule(GROUP_STRINGS[g - 1]);
      QCOMPARE(sentence->text(), whole);
      QVERIFY(sentence->isVisible());
      // Tall enough for every wrapped line of it.
      QVERIFY2(sentence->height() >= sentence->heightForWidth(sentence->width()),
               qPrintable(QStringLiteral("group %1: %2 px high, needs %3")
                              .arg(g)
                              .arg(sentence->height())
                              .arg(sentence->heightForWidth(sentence->width()))));
      someWrapped = someWrapped || sentence->fontMetrics().horizontalAdvance(whole) > sentence->contentsRect().width();
    }
    QVERIFY2(someWrapped, "no sentence is longer than its field: the case is not shown");
    // A sentence set later is shown as well.
    m_dlg->Pages().SetScheduleDescription(PARAM_ALARM_FIRST, DescribeSchedule("OW,127,\"23:59:59\",1440"));
    QCOMPARE(Page()->Sentence(1)->text(), DescribeSchedule("OW,127,\"23:59:59\",1440"));
  }

  void clockIsSetOnTheSimulatedDevice_data() {
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    QTest::newRow("en") << false << "Set Time Succss!"
                        << "OK";
    QTest::newRow("zh") << true << "设置时间成功"
                        << "";
  }
  void clockIsSetOnTheSimulatedDevice() {
    QFETCH(bool, chinese);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    const double oldScale = CTiming::Scale();
    CTiming::SetScale(0.1);
    sim::CSimRunner simDevice;
    std::mutex commandsMutex;
    int clockCommands = 0;
    sim::CSimRunOptions o;
    o.device.bootMs = 1500;
    o.device.promptIntervalMs = 100;
    o.onCommand = [&](const sim::CCommandRecord &r) {
      std::lock_guard lock(commandsMutex);
      if (r.command.rfind("AT+EXCCLK", 0) == 0)
        ++clockCommands;
    };
    QVERIFY(simDevice.Start(o));
    Make(chinese, {{QString::fromStdString(simDevice.SlavePath()), ""}});
    QVERIFY(PumpUntil([&] { return On(IDC_CLOCK_SET)->isEnabled() && !m_dlg->Device().RunActive(); }, 20000));
    QCOMPARE(m_dlg->Pages().Tabs().size(), 5);

    // A second press while the answer is on screen is dropped.
    bool pressedAgain = false;
    m_dlg->SetMessageHook([&](const QString &t, const QString &c) {
      m_messages.append({t, c});
      if (!pressedAgain) {
        pressedAgain = true;
        qobject_cast<QPushButton *>(On(IDC_CLOCK_SET))->click();
      }
    });
    qobject_cast<QComboBox *>(On(IDC_CLOCK_SOURCE))->setCurrentIndex(1);
    qobject_cast<QDateEdit *>(On(IDC_DATE))->setDate(QDate(2024, 2, 29));
    qobject_cast<QTimeEdit *>(On(IDC_TIME))->setTime(QTime(12, 0, 0));
    qobject_cast<QPushButton *>(On(IDC_CLOCK_SET))->click();
    QVERIFY(PumpUntil([&] { return !m_messages.isEmpty() && !m_dlg->Device().ClockBusy(); }, 5000));
    PumpFor(CTiming::Ms(2000));
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].first, text);
    QCOMPARE(m_messages[0].second, caption);
    QVERIFY2(simDevice.Dump().find("\"2024/02/29,12:00:0") != std::string::npos, simDevice.Dump().c_str());
    {
      std::lock_guard lock(commandsMutex);
      QCOMPARE(clockCommands, 1);
    }
    m_dlg.reset(); // the window goes first, then the device
    simDevice.Stop();
    CTiming::SetScale(oldScale);
  }

  void screenshots_data() {
    QTest::addColumn<bool>("chinese");
    QTest::newRow("en") << false;
    QTest::newRow("zh") << true;
  }
  void screenshots() {
#if defined(__SANITIZE_THREAD__)
    // Saving an image converts it on Qt's own threads, whose locks ThreadSanitizer cannot see.
    QSKIP("image conversion threads are invisible to ThreadSanitizer");
#endif
    QFETCH(bool, chinese);
    const QString dir = QStringLiteral(STRELVANE_BIN_DIR "/screenshots/schedule/") + (chinese ? "zh" : "en");
    QVERIFY(QDir().mkpath(dir));
    Make(chinese);
    Fill();
    m_dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
    QVERIFY(Page()->grab().save(dir + "/page.png"));
    qobject_cast<QComboBox *>(On(IDC_CLOCK_SOURCE))->setCurrentIndex(1);
    QApplication::processEvents();
    QVERIFY(Page()->grab().save(dir + "/page_manual_clock.png"));

    // The editor opened on groups of several kinds.
    struct Shot {
      int group;
      const char *name;
    };
    for (const Shot &s : {Shot{2, "editor_on_daily"}, Shot{4, "editor_on_weekly"}, Shot{7, "editor_on_one_time"},
                          Shot{8, "editor_off_countdown"}, Shot{9, "editor_on_interval"}, Shot{10, "editor_off_weekly"},
                          Shot{1, "editor_disable"}}) {
      WhenEditorOpens([&](CSelectAlarm &e) {
        QApplication::processEvents();
        QVERIFY(e.grab().save(dir + "/" + s.name + ".png"));
        Click(e, CSelectAlarm::IDC_CANCEL);
      });
      qobject_cast<QPushButton *>(On(CAlarmTime::GROUP_IDS[s.group - 1].setButton))->click();
    }
    // Modes chosen by hand: power-on per month, power-off per hour.
    for (auto [action, mode, name] :
         {std::tuple{1, SCHEDULE_MONTHLY, "editor_on_monthly"}, std::tuple{2, SCHEDULE_HOURLY, "editor_off_hourly"},
          std::tuple{1, SCHEDULE_HOURLY, "editor_on_hourly"}}) {
      WhenEditorOpens([&](CSelectAlarm &e) {
        Choose(e, action, mode);
        QApplication::processEvents();
        QVERIFY(e.grab().save(dir + "/" + name + ".png"));
        Click(e, CSelectAlarm::IDC_CANCEL);
      });
      qobject_cast<QPushButton *>(On(CAlarmTime::GROUP_IDS[0].setButton))->click();
    }
  }
};

QTEST_MAIN(AlarmPageTest)
#include "AlarmPageTest.moc"
