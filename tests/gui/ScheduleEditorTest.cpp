// The schedule editor: how it opens for each kind of current string, the
// controls each action and mode shows, the checks on OK, and the round trip
// from a string through the dialog back to the same string.
#include "pages/SelectAlarm.h"
#include "schedule/Schedule.h"
#include "support/BoxAnswerer.h"
#include "text/Lang.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimeEdit>
#include <QtTest>

#include <memory>

using Ids = QList<int>;
Q_DECLARE_METATYPE(Ids)

namespace {
QStringList ItemsOf(QComboBox *c) {
  QStringList items;
  for (int i = 0; i < c->count(); ++i)
    items << c->itemText(i);
  return items;
}
Ids Sorted(Ids ids) {
  std::sort(ids.begin(), ids.end());
  return ids;
}
const Ids ALL_DAYS = {1022, 1023, 1024, 1026, 1027, 1028, 1029};
} // namespace

class ScheduleEditorTest : public QObject {
  Q_OBJECT

  std::unique_ptr<CSelectAlarm> m_dlg;

  CSelectAlarm &Open(const QByteArray &schedule, const QString &text = {}, bool chinese = false, int group = 1) {
    g_chineseUi = chinese ? 1 : 0;
    if (!m_dlg)
      m_dlg = std::make_unique<CSelectAlarm>();
    m_dlg->SetCurrent(schedule, text);
    m_dlg->SetGroup(group);
    m_dlg->OnInitDialog();
    m_dlg->setResult(-1);
    return *m_dlg;
  }
  QComboBox *Action() { return qobject_cast<QComboBox *>(m_dlg->Control(CSelectAlarm::IDC_ACTION)); }
  QComboBox *Mode() { return qobject_cast<QComboBox *>(m_dlg->Control(CSelectAlarm::IDC_MODE)); }
  QDateEdit *Date() { return qobject_cast<QDateEdit *>(m_dlg->Control(CSelectAlarm::IDC_DATE)); }
  QTimeEdit *Time() { return qobject_cast<QTimeEdit *>(m_dlg->Control(CSelectAlarm::IDC_TIME)); }
  QLineEdit *FieldA() { return qobject_cast<QLineEdit *>(m_dlg->Control(CSelectAlarm::IDC_FIELD_A)); }
  QLineEdit *FieldB() { return qobject_cast<QLineEdit *>(m_dlg->Control(CSelectAlarm::IDC_FIELD_B)); }
  QCheckBox *Day(int d) { return qobject_cast<QCheckBox *>(m_dlg->Control(CSelectAlarm::DAY_IDS[d])); }
  QString Current() { return qobject_cast<QPlainTextEdit *>(m_dlg->Control(CSelectAlarm::IDC_CURRENT))->toPlainText(); }

private slots:
  void cleanup() {
    m_dlg.reset();
    g_chineseUi = 0;
  }

  void opensDisabled() {
    Open("D", QStringLiteral("Disable"));
    QCOMPARE(ItemsOf(Action()), (QStringList{"Disable", "Power-On", "Power-Off"}));
    QCOMPARE(Action()->currentIndex(), 0);
    QVERIFY(!Mode()->isEnabled());
    QCOMPARE(Mode()->currentIndex(), -1);
    QCOMPARE(m_dlg->m_nMode, -1);
    QCOMPARE(m_dlg->ShownModeControls(), Ids{});
    QCOMPARE(Current(), QStringLiteral("Disable"));

    // OK writes "D" alone (the sentence equals the current one: no question).
    CBoxAnswerer boxes;
    m_dlg->OnOK();
    QCOMPARE(m_dlg->result(), int(QDialog::Accepted));
    QCOMPARE(m_dlg->Schedule(), QByteArray("D"));
    QCOMPARE(m_dlg->Description(), QStringLiteral("Disable"));
    QVERIFY(boxes.Boxes().isEmpty());
  }

  void opensEmptyStringAsDisabled() {
    Open("", {}, true);
    QCOMPARE(ItemsOf(Action()), (QStringList{"禁用", "开机", "关机"}));
    QCOMPARE(Action()->currentIndex(), 0);
    QVERIFY(!Mode()->isEnabled());
    QCOMPARE(m_dlg->ShownModeControls(), Ids{});
    QCOMPARE(m_dlg->windowTitle(), QStringLiteral("开关机时间设置[第1组]:"));
    QCOMPARE(qobject_cast<QLabel *>(m_dlg->Control(1090))->text(), QStringLiteral("开关机动作设置："));
  }

  void unknownKindOpensOneTimePowerOn() {
    const QByteArray s = "OX,\"2024/03/05,08:30:00\",60";
    Open(s, DescribeSchedule(s, false));
    QCOMPARE(Action()->currentIndex(), 1);
    QVERIFY(Mode()->isEnabled());
    QCOMPARE(Mode()->currentIndex(), 0);
    QCOMPARE(ItemsOf(Mode()).first(), QStringLiteral("One-Time Switch"));
    QCOMPARE(m_dlg->ShownModeControls(), Sorted({1069, 1071, 1003, 1047, 1048, 1049}));
    QCOMPARE(Date()->date(), QDate(2024, 3, 5));
    QCOMPARE(Time()->time(), QTime(8, 30, 0));
    QCOMPARE(FieldB()->text(), QStringLiteral("60"));
    QCOMPARE(Current(), QStringLiteral("Power-On time 2024/03/05 08:30:00,Power-Off after 60 Sec"));
  }

  void otherFirstLetterShowsOneTimePowerOffControls() {
    Open("X?,\"2024/03/05,22:00:00\"", QStringLiteral("?"));
    QCOMPARE(Action()->currentIndex(), 0);
    QVERIFY(!Mode()->isEnabled());
    QCOMPARE(Mode()->currentIndex(), -1);
    QCOMPARE(m_dlg->ShownModeControls(), Sorted({1069, 1071, 1059}));
    QCOMPARE(Date()->date(), QDate(2024, 3, 5));
    QCOMPARE(Time()->time(), QTime(22, 0, 0));

    // Too short for the date: the pickers keep the time of opening.
    Open("X?,\"2024/03", QStringLiteral("?"));
    QCOMPARE(m_dlg->ShownModeControls(), Sorted({1069, 1071, 1059}));
    QCOMPARE(Date()->date(), QDate::currentDate());
    QCOMPARE(Current(), QString()); // filling stopped early
    QCOMPARE(Action()->currentIndex(), 0);
  }

  void powerOffOnlineSelectsNoMode() {
    Open("SP,10,20", QStringLiteral(""));
    QCOMPARE(Action()->currentIndex(), 2);
    QCOMPARE(Mode()->count(), 6);
    QCOMPARE(Mode()->currentIndex(), -1);
    QCOMPARE(m_dlg->ShownModeControls(), Ids{});
    CBoxAnswerer boxes;
    m_dlg->OnOK();
    QCOMPARE(m_dlg->result(), int(QDialog::Accepted));
    QCOMPARE(m_dlg->Schedule(), QByteArray());
    QCOMPARE(m_dlg->Description(), QString());
    QVERIFY(boxes.Boxes().isEmpty());
  }

  void fillingStopsAtTheFirstMissingField_data() {
    QTest::addColumn<QByteArray>("schedule");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("complete");
    QTest::newRow("OH no duration") << QByteArray("OH,\"00:07:0") << "07"
                                    << "" << false;
    QTest::newRow("OH cut in minute") << QByteArray("OH,\"00:0") << ""
                                      << "" << false;
    QTest::newRow("OI no comma") << QByteArray("OI,15") << ""
                                 << "" << false;
    QTest::newRow("OI empty duration") << QByteArray("OI,15,") << "15"
                                       << "" << true;
    QTest::newRow("OP empty duration") << QByteArray("OP,15,") << "15"
                                       << "" << false;
    QTest::newRow("OM one-digit day") << QByteArray("OM,5,\"08:00:00\",30") << "5"
                                      << "30" << true;
    QTest::newRow("SC empty") << QByteArray("SC,") << ""
                              << "" << true;
    QTest::newRow("SM") << QByteArray("SM,\"08:00:00\",31") << "31"
                        << "" << true;
  }
  void fillingStopsAtTheFirstMissingField() {
    QFETCH(QByteArray, schedule);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, complete);
    Open(schedule, QStringLiteral("current"));
    QCOMPARE(FieldA()->text(), a);
    QCOMPARE(FieldB()->text(), b);
    QCOMPARE(Current(), complete ? QStringLiteral("current") : QString());
  }

  void actionChangeKeepsEnteredValues() {
    Open("SC,45", QStringLiteral("Power-Off after 45 Sec"));
    QCOMPARE(ItemsOf(Mode()),
             (QStringList{"One-Time Switch", "Per Hour", "Per Day", "Per Week", "Per Month", "Countdown Power-Off"}));
    QCOMPARE(Mode()->currentIndex(), 5);
    QCOMPARE(m_dlg->ShownModeControls(), Sorted({1003, 1058}));
    FieldA()->setText(QStringLiteral("12"));
    Day(3)->setChecked(true);

    Action()->setCurrentIndex(1);
    QCOMPARE(ItemsOf(Mode()), (QStringList{"One-time switch", "Per hour", "Per day", "Per Week", "Per Month",
                                           "Time interval", "Timing On/Off-line"}));
    QCOMPARE(Mode()->currentIndex(), 0);
    QCOMPARE(m_dlg->m_nMode, 0);
    QCOMPARE(m_dlg->ShownModeControls(), Sorted({1069, 1071, 1003, 1047, 1048, 1049}));
    QCOMPARE(FieldB()->text(), QStringLiteral("45"));
    QCOMPARE(FieldA()->text(), QStringLiteral("12"));
    QVERIFY(Day(3)->isChecked());

    Action()->setCurrentIndex(2);
    QCOMPARE(ItemsOf(Mode()),
             (QStringList{"One-time switch ", "Per hour", "Per day", "Per Week", "Per Month", "Countdown Power-Off"}));
    QCOMPARE(m_dlg->ShownModeControls(), Sorted({1069, 1071, 1059}));

    Action()->setCurrentIndex(0);
    QVERIFY(!Mode()->isEnabled());
    QCOMPARE(m_dlg->ShownModeControls(), Ids{});
    QCOMPARE(FieldB()->text(), QStringLiteral("45"));

    // Chinese: the same lists on opening and after a change.
    Open("SC,45", {}, true);
    const QStringList off = ItemsOf(Mode());
    QCOMPARE(off.last(), QStringLiteral("倒计时关机"));
    Action()->setCurrentIndex(1);
    QCOMPARE(ItemsOf(Mode()),
             (QStringList{"一次性开关机", "每时", "每天", "每星期", "每月", "按时间间隔", "定时上下线"}));
    Action()->setCurrentIndex(2);
    QCOMPARE(ItemsOf(Mode()), off);
  }

  void layoutRows_data() {
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("mode");
    QTest::addColumn<Ids>("shown");
    QTest::newRow("on one time") << 1 << 0 << Ids{1069, 1071, 1003, 1047, 1048, 1049};
    QTest::newRow("on per hour") << 1 << 1 << Ids{1025, 1003, 1052, 1051, 1054};
    QTest::newRow("on per day") << 1 << 2 << Ids{1071, 1003, 1054, 1053, 1052};
    QTest::newRow("on per week") << 1 << 3 << Ids{1071, 1003, 1047, 1048, 1055, 1049} + ALL_DAYS;
    QTest::newRow("on per month") << 1 << 4 << Ids{1071, 1025, 1003, 1047, 1046, 1048, 1049};
    QTest::newRow("on interval") << 1 << 5 << Ids{1025, 1003, 1056, 1057, 1048, 1049};
    QTest::newRow("on on/off-line") << 1 << 6 << Ids{1025, 1003, 1056, 1057, 1048, 1049};
    QTest::newRow("off one time") << 2 << 0 << Ids{1069, 1071, 1059};
    QTest::newRow("off per hour") << 2 << 1 << Ids{1025, 1051};
    QTest::newRow("off per day") << 2 << 2 << Ids{1071, 1061};
    QTest::newRow("off per week") << 2 << 3 << Ids{1071, 1059, 1055} + ALL_DAYS;
    QTest::newRow("off per month") << 2 << 4 << Ids{1071, 1025, 1059, 1046};
    QTest::newRow("off countdown") << 2 << 5 << Ids{1003, 1058};
    QTest::newRow("disable") << 0 << 0 << Ids{};
  }
  void layoutRows() {
    QFETCH(int, action);
    QFETCH(int, mode);
    QFETCH(Ids, shown);
    Open("OW,0123456,\"08:00:00\",5");
    m_dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
    Action()->setCurrentIndex(action);
    if (action != 0) // the mode list is disabled with Disable
      Mode()->setCurrentIndex(mode);
    QCOMPARE(m_dlg->ShownModeControls(), Sorted(shown));
    QCOMPARE(Mode()->isEnabled(), action != 0);
    for (int id : shown)
      QVERIFY2(m_dlg->Control(id)->isVisible(), qPrintable(QString::number(id)));
    // Nothing shown overlaps another shown control.
    QApplication::processEvents();
    QList<QWidget *> visible;
    for (QWidget *w : m_dlg->findChildren<QWidget *>())
      if (w->isVisible() && !w->objectName().isEmpty() && w->parentWidget() == m_dlg.get())
        visible << w;
    for (int i = 0; i < visible.size(); ++i)
      for (int j = i + 1; j < visible.size(); ++j)
        QVERIFY2(!visible[i]->geometry().intersects(visible[j]->geometry()),
                 qPrintable(visible[i]->objectName() + " overlaps " + visible[j]->objectName()));
  }

  void weekChecks_data() {
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("fieldB");
    QTest::addColumn<QString>("message");
    QTest::newRow("en on no day") << false << 1 << "60"
                                  << "Please choose the date";
    QTest::newRow("en on no duration first") << false << 1 << ""
                                             << "Power-On delay can't be empty!";
    QTest::newRow("en off no day") << false << 2 << ""
                                   << "Please choose the date!";
    QTest::newRow("zh on no day") << true << 1 << "60"
                                  << "请选择日期！";
    QTest::newRow("zh on no duration first") << true << 1 << ""
                                             << "开机时长不能为空！";
    QTest::newRow("zh off no day") << true << 2 << ""
                                   << "请选择日期！";
  }
  void weekChecks() {
    QFETCH(bool, chinese);
    QFETCH(int, action);
    QFETCH(QString, fieldB);
    QFETCH(QString, message);
    Open("D", {}, chinese);
    Action()->setCurrentIndex(action);
    Mode()->setCurrentIndex(SCHEDULE_WEEKLY);
    FieldB()->setText(fieldB);
    CBoxAnswerer boxes;
    m_dlg->OnOK();
    QCOMPARE(boxes.Texts(), QStringList{message});
    QCOMPARE(m_dlg->result(), -1); // still open
    QCOMPARE(m_dlg->Schedule(), QByteArray());
    QCOMPARE(m_dlg->Description(), QString());
  }

  void titleOfGroup7() {
    Open("D", {}, false, 7);
    QCOMPARE(m_dlg->windowTitle(), QStringLiteral("Power On/Off Time Settings [Group 7]:"));
    Open("D", {}, true, 7);
    QCOMPARE(m_dlg->windowTitle(), QStringLiteral("开关机时间设置[第7组]:"));
  }

  void fieldsTakeDigitsOnly() {
    Open("OI,5,10");
    FieldA()->clear();
    QTest::keyClicks(FieldA(), QStringLiteral("1a-2 3"));
    QCOMPARE(FieldA()->text(), QStringLiteral("123"));
    FieldB()->clear();
    QTest::keyClicks(FieldB(), QStringLiteral("x9"));
    QCOMPARE(FieldB()->text(), QStringLiteral("9"));
  }

  void confirmationWhenTheSentenceChanges() {
    const QByteArray s = "OD,\"08:00:00\",60";
    Open(s, DescribeSchedule(s, false));
    CBoxAnswerer boxes(QMessageBox::Cancel);
    FieldB()->setText(QStringLiteral("61"));
    m_dlg->OnOK();
    QCOMPARE(boxes.Boxes().size(), 1);
    QCOMPARE(boxes.Boxes()[0].caption, QStringLiteral("Time Confirm "));
    QCOMPARE(boxes.Boxes()[0].text, QStringLiteral("Confirm modify equipment switch  time is:Power-On at 08:00:00 per "
                                                   "day,and Power-Off after 61 Sec"));
    QCOMPARE(m_dlg->result(), -1); // Cancel keeps the editor open
    QCOMPARE(m_dlg->Schedule(), QByteArray());

    boxes.SetAnswer(QMessageBox::Ok);
    m_dlg->OnOK();
    QCOMPARE(boxes.Boxes().size(), 2);
    QCOMPARE(m_dlg->result(), int(QDialog::Accepted));
    QCOMPARE(m_dlg->Schedule(), QByteArray("OD,\"08:00:00\",61"));

    // Chinese question; none when the sentence stays the same.
    Open(s, DescribeSchedule(s, true), true);
    boxes.Clear();
    m_dlg->OnOK();
    QVERIFY(boxes.Boxes().isEmpty());
    QCOMPARE(m_dlg->result(), int(QDialog::Accepted));
    FieldB()->setText(QStringLiteral("5"));
    m_dlg->setResult(-1);
    m_dlg->OnOK();
    QCOMPARE(boxes.Boxes().size(), 1);
    QCOMPARE(boxes.Boxes()[0].caption, QStringLiteral("时间确认"));
    QCOMPARE(boxes.Boxes()[0].text, QStringLiteral("您确认修改设备的开关机时间是:每日08:00:00开机,持续5秒关机"));
  }

  void roundTrip_data() {
    QTest::addColumn<QByteArray>("schedule");
    QTest::addColumn<bool>("chinese");
    const QByteArray strings[] = {
        "D",
        "OT,\"2024/02/29,23:59:59\",60",
        "OT,\"1969/07/20,20:17:40\",5",
        "OH,\"00:07:00\",30",
        "OD,\"08:30:00\",600",
        "OW,15,\"08:30:00\",60",
        "OW,0123456,\"00:00:01\",1",
        "OM,31,\"12:00:00\",90",
        "OM,5,\"12:00:00\",90",
        "OI,120,30",
        "OP,15,300",
        "ST,\"2031/12/31,22:00:00\"",
        "SH,\"00:59:00\"",
        "SD,\"23:00:00\"",
        "SW,\"22:00:00\",06",
        "SM,\"22:00:00\",1",
        "SC,3600",
        "SC,",
    };
    for (const QByteArray &s : strings) {
      QTest::newRow(("en " + s).constData()) << s << false;
      QTest::newRow(("zh " + s).constData()) << s << true;
    }
  }
  void roundTrip() {
    QFETCH(QByteArray, schedule);
    QFETCH(bool, chinese);
    Open(schedule, DescribeSchedule(schedule, chinese), chinese);
    CBoxAnswerer boxes(QMessageBox::Ok);
    m_dlg->OnOK();
    QCOMPARE(m_dlg->result(), int(QDialog::Accepted));
    QCOMPARE(m_dlg->Schedule(), schedule);
    QVERIFY(!m_dlg->Description().isEmpty());
    // A question only where the editor's own wording differs from the reader's.
    for (const CBoxAnswerer::Box &b : boxes.Boxes())
      QVERIFY2(b.text.endsWith(m_dlg->Description()), qPrintable(b.text));
  }
};

QTEST_MAIN(ScheduleEditorTest)
#include "ScheduleEditorTest.moc"
