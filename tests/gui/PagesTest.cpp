// The setting pages: captions and lists in both languages, the address fields,
// and the page seam (by parameter index) as the main window implements it.
#include "pages/AlarmTime.h"
#include "pages/PageDlg.h"
#include "text/Lang.h"
#include "widgets/ControlIds.h"
#include "widgets/ControlUtil.h"
#include "widgets/IpAddressEdit.h"
#include "ui/StrelvaneDlg.h"
#include "ui/TabSheet.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

namespace {
QStringList ItemsOf(QWidget *w) {
  QStringList items;
  if (auto *c = qobject_cast<QComboBox *>(w)) {
    for (int i = 0; i < c->count(); ++i)
      items << c->itemText(i);
  }
  return items;
}
QString TextOf(QWidget *w) {
  if (auto *l = qobject_cast<QLabel *>(w))
    return l->text();
  if (auto *g = qobject_cast<QGroupBox *>(w))
    return g->title();
  if (auto *b = qobject_cast<QAbstractButton *>(w))
    return b->text();
  return {};
}
} // namespace

class PagesTest : public QObject {
  Q_OBJECT

  std::unique_ptr<CStrelvaneDlg> m_dlg;

  CStrelvaneDlg &Make(bool chinese) {
    g_chineseUi = chinese ? 1 : 0;
    m_dlg = std::make_unique<CStrelvaneDlg>();
    m_dlg->SetMessageHook([](const QString &, const QString &) {});
    m_dlg->Initialize({{"/dev/ttyS0", ""}});
    return *m_dlg;
  }
  QWidget *On(EPage page, int id) { return m_dlg->Page(page)->Control(id); }

private slots:
  void cleanup() {
    m_dlg.reset();
    g_chineseUi = 0;
  }

  void languages_data() {
    QTest::addColumn<bool>("chinese");
    QTest::newRow("en") << false;
    QTest::newRow("zh") << true;
  }

  void captionsAndLists_data() { languages_data(); }
  void captionsAndLists() {
    QFETCH(bool, chinese);
    Make(chinese);
    struct Caption {
      EPage page;
      int id;
      const char *zh;
      const char *en;
    };
    const Caption captions[] = {
        {EPage::Base, 1043, "中心服务器数目：（大于1时，备份中心无效）", "Data Center Number:"},
        {EPage::Base, 1044, "服务器地址和端口", "Data Service Center Settings:"},
        {EPage::Base, 1051, "  域名解析DNS参数", "DNS Server"},
        {EPage::Base, 1052, "如果使用DNS域名解析，请向域名服务商咨询域名服务器地址", ""},
        {EPage::Base, 1058, "中心( 5)域名服务器地址：", "5nd Center DNS Server:"},
        {EPage::Dtu, 1064, "设备ID号码(固定8位)：", "Device ID(8 Bytes Hex-Decimal):"},
        {EPage::Dtu, 1063, "(1/0 - 是/否)", "(1/0-Yes/No)"},
        {EPage::Other, 1063, "心跳包时间(从31到65535)：", "Heartbeat Interval(31 ~ 65534):"},
        {EPage::Other, 1064, "远程唤醒参数", "Trigger Method"},
        {EPage::Gps, 1072, "GPS设置", "GPS Settings:"},
        {EPage::Gps, 1078, "GPRMC：", "GPRMC："},
        {EPage::Alarm, 1092, "开关机时间设置", "Power On/Off Time Settings:"},
        {EPage::Alarm, 1087, "第十组：", "Group 10:"},
        {EPage::Alarm, 1024, "设置", "Set:"},
        {EPage::Alarm, 1088, "RTC时间设置：", "RTC timeset:"},
    };
    for (const Caption &c : captions) {
      QWidget *w = On(c.page, c.id);
      QVERIFY2(w, qPrintable(QString::number(c.id)));
      QCOMPARE(TextOf(w), QString::fromUtf8(chinese ? c.zh : c.en));
    }
    struct List {
      EPage page;
      int id;
      QStringList zh;
      QStringList en;
    };
    const QStringList sentence = chinese ? QStringList{"禁用", "启用"} : QStringList{"Disable", "Enable"};
    const List lists[] = {
        {EPage::Base, 1005, {"1", "2", "3", "4", "5", "0"}, {"1", "2", "3", "4", "5", "0"}},
        {EPage::Dtu,
         1005,
         {"PROT", "TRNS", "TTRN", "TLNT", "LONG", "LNGT", "TUDP", "TCST", "TCPSVR"},
         {"PROT", "TRNS", "TTRN", "TLNT", "LONG", "LNGT", "TUDP", "TCST", "TCPSVR"}},
        {EPage::Dtu, 1008, {"8N1", "8E1", "8O1", "7O1", "7E1", "7N1"}, {"8N1", "8E1", "8O1", "7O1", "7E1", "7N1"}},
        {EPage::Dtu, 1016, {"0", "1"}, {"0", "1"}},
        {EPage::Gps, 1005, {"无", "网络", "串口", "串口+网络"}, {"None", "Network", "COM", "COM+Network"}},
        {EPage::Gps, 1006, {"TCP", "UDP"}, {"TCP", "UDP"}},
        {EPage::Alarm, 1069, {"系统时间", "手动设置"}, {"System ", "Manual "}},
    };
    for (const List &l : lists)
      QCOMPARE(ItemsOf(On(l.page, l.id)), chinese ? l.zh : l.en);
    for (int id = 1008; id <= 1013; ++id)
      QCOMPARE(ItemsOf(On(EPage::Gps, id)), sentence);
    QCOMPARE(ItemsOf(On(EPage::Alarm, 1070)).first(), chinese ? QStringLiteral("星期日") : QStringLiteral("Sunday"));
    // Each input is found by its label's caption.
    QCOMPARE(On(EPage::Other, 1005)->accessibleName(),
             chinese ? QStringLiteral("APN密码：") : QStringLiteral("Password:"));
    QCOMPARE(ui::FindControl(m_dlg->Page(EPage::Dtu), 1005), On(EPage::Dtu, 1005));
    // Passwords in clear.
    QCOMPARE(qobject_cast<QLineEdit *>(On(EPage::Other, 1005))->echoMode(), QLineEdit::Normal);
  }

  void inputCounts() {
    CStrelvaneDlg &dlg = Make(false);
    const struct {
      EPage page;
      int count;
    } pages[] = {{EPage::Base, 19}, {EPage::Dtu, 14}, {EPage::Other, 12}, {EPage::Gps, 11}};
    for (const auto &p : pages) {
      CPageDlg *page = dlg.Page(p.page);
      QCOMPARE(page->InputIds().size(), p.count);
      for (int id : page->InputIds())
        QVERIFY(!page->Control(id)->isEnabled());
      dlg.Pages().EnableAll(p.page);
      for (int id : page->InputIds())
        QVERIFY(page->Control(id)->isEnabled());
      dlg.Pages().DisableAll(p.page);
      for (int id : page->InputIds())
        QVERIFY(!page->Control(id)->isEnabled());
    }
  }

  void paramTextAndSelection() {
    CStrelvaneDlg &dlg = Make(false);
    // Edits: exact text, placeholder included.
    dlg.Pages().SetParamText(PARAM_APN, QStringLiteral("No Exist"));
    QCOMPARE(dlg.Pages().ParamText(PARAM_APN), QStringLiteral("No Exist"));
    QCOMPARE(qobject_cast<QLineEdit *>(On(EPage::Other, 1003))->text(), QStringLiteral("No Exist"));
    // Lists: no selection at first; out-of-range positions clear it.
    QCOMPARE(dlg.Pages().ParamSelection(PARAM_TOTAL_SERVERS), -1);
    QCOMPARE(dlg.Pages().ParamText(PARAM_TOTAL_SERVERS), QString());
    dlg.Pages().SetParamSelection(PARAM_TOTAL_SERVERS, 1);
    QCOMPARE(dlg.Pages().ParamText(PARAM_TOTAL_SERVERS), QStringLiteral("2"));
    dlg.Pages().SetParamSelection(PARAM_TOTAL_SERVERS, 6);
    QCOMPARE(dlg.Pages().ParamSelection(PARAM_TOTAL_SERVERS), -1);
    dlg.Pages().SetParamText(PARAM_TOTAL_SERVERS, QStringLiteral("5"));
    QCOMPARE(dlg.Pages().ParamSelection(PARAM_TOTAL_SERVERS), 4);
    dlg.Pages().SetParamText(PARAM_TOTAL_SERVERS, QStringLiteral("9")); // no such item: unchanged
    QCOMPARE(dlg.Pages().ParamSelection(PARAM_TOTAL_SERVERS), 4);
    dlg.Pages().SetParamSelection(PARAM_WORK_MODE, 8);
    QCOMPARE(dlg.Pages().ParamText(PARAM_WORK_MODE), QStringLiteral("TCPSVR"));
    dlg.Pages().SetParamSelection(66, 1);
    QCOMPARE(dlg.Pages().ParamText(66), QStringLiteral("Enable"));
    // The baud combo takes any text.
    dlg.Pages().SetParamText(PARAM_BAUDRATE, QStringLiteral("115200"));
    QCOMPARE(dlg.Pages().ParamText(PARAM_BAUDRATE), QStringLiteral("115200"));
    // Schedules: hidden string and visible sentence are separate fields.
    dlg.Pages().SetParamText(54, QStringLiteral("1,2,3"));
    dlg.Pages().SetScheduleDescription(54, QStringLiteral("sentence"));
    QCOMPARE(dlg.Pages().ParamText(54), QStringLiteral("1,2,3"));
    QCOMPARE(qobject_cast<QLineEdit *>(On(EPage::Alarm, 1032))->text(), QStringLiteral("1,2,3"));
    QCOMPARE(qobject_cast<QLineEdit *>(On(EPage::Alarm, 1016))->text(), QStringLiteral("sentence"));
    QCOMPARE(dlg.Pages().ScheduleDescription(54), QStringLiteral("sentence"));
    QVERIFY(On(EPage::Alarm, 1032)->isHidden());
    // Entries no page shows.
    dlg.Pages().SetParamText(34, QStringLiteral("x"));
    QCOMPARE(dlg.Pages().ParamText(34), QString());
    QCOMPARE(dlg.Pages().ParamText(-1), QString());
  }

  void typedValues() {
    CStrelvaneDlg &dlg = Make(false);
    dlg.Pages().EnableAll(EPage::Dtu);
    dlg.Pages().EnableAll(EPage::Base);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    auto *baud = qobject_cast<QComboBox *>(On(EPage::Dtu, 1010));
    baud->lineEdit()->clear();
    QTest::keyClicks(baud->lineEdit(), QStringLiteral("12345"));
    QCOMPARE(dlg.Pages().ParamText(PARAM_BAUDRATE), QStringLiteral("12345"));
    QCOMPARE(dlg.Pages().ParamSelection(PARAM_BAUDRATE), -1); // no item says 12345
    baud->lineEdit()->clear();
    QTest::keyClicks(baud->lineEdit(), QStringLiteral("9600"));
    QCOMPARE(dlg.Pages().ParamSelection(PARAM_BAUDRATE), 6); // the typed text is an item
    auto *id = qobject_cast<QLineEdit *>(On(EPage::Dtu, 1003));
    QTest::keyClicks(id, QStringLiteral("0123456789ABCDEF0123"));
    QCOMPARE(dlg.Pages().ParamText(20), QStringLiteral("0123456789ABCDEF0123")); // no length limit
  }

  void addressFieldGivesBackItsText() {
    CStrelvaneDlg &dlg = Make(false);
    dlg.Pages().EnableAll(EPage::Base);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    for (const char *value : {"No Exist", "", "0.0.0.0", "1.2.3", "999.1.1.1"}) {
      dlg.Pages().SetParamText(27, QString::fromLatin1(value));
      QCOMPARE(dlg.Pages().ParamText(27), QString::fromLatin1(value));
    }
    // The user types addresses only.
    auto *ip = qobject_cast<CIpAddressEdit *>(On(EPage::Base, 1021));
    QVERIFY(ip);
    ip->clear();
    QTest::keyClicks(ip, QStringLiteral("10.0.x0.1"));
    QCOMPARE(ip->text(), QStringLiteral("10.0.0.1"));
    ip->clear();
    QTest::keyClicks(ip, QStringLiteral("300"));
    QCOMPARE(ip->text(), QStringLiteral("30"));
    // A placeholder is replaced by what is typed.
    dlg.Pages().SetParamText(27, QStringLiteral("No Exist"));
    ip->selectAll();
    QTest::keyClicks(ip, QStringLiteral("8.8.8.8"));
    QCOMPARE(dlg.Pages().ParamText(27), QStringLiteral("8.8.8.8"));
  }

  void alarmPageEnabling() {
    CStrelvaneDlg &dlg = Make(false);
    CPageDlg *alarm = dlg.Page(EPage::Alarm);
    using namespace idc::alarm;
    const QList<int> editing = {
        1009,     1010,     1011,         1012, 1013, 1015, 1017, 1019, 1021, 1024, IDC_CLOCK_SOURCE,
        IDC_DATE, IDC_TIME, IDC_CLOCK_SET};
    const QList<int> sentences = {1004, 1005, 1006, 1007, 1008, 1014, 1016, 1018, 1020, 1023};
    for (int id : editing + sentences)
      QVERIFY2(!alarm->Control(id)->isEnabled(), qPrintable(QString::number(id)));
    dlg.Pages().EnableForEditing();
    for (int id : editing)
      QVERIFY2(alarm->Control(id)->isEnabled(), qPrintable(QString::number(id)));
    for (int id : sentences)
      QVERIFY(!alarm->Control(id)->isEnabled());
    QVERIFY(!alarm->Control(IDC_WEEKDAY)->isEnabled()); // shows the date's weekday, never a choice
    dlg.Pages().DisableAll(EPage::Alarm);
    for (int id : editing)
      QVERIFY(!alarm->Control(id)->isEnabled());
  }

  void alarmClockRow() {
    CStrelvaneDlg &dlg = Make(false);
    QCOMPARE(CAlarmTime::ClockText(QDateTime(QDate(2024, 3, 5), QTime(8, 3, 0))),
             QStringLiteral("2024/03/05 08:03:00"));
    dlg.Pages().ShowTabs(true, false);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.TabSheet()->SelectTab(3);
    using namespace idc::alarm;
    CPageDlg *alarm = dlg.Page(EPage::Alarm);
    QVERIFY(alarm->isVisible());
    auto *display = qobject_cast<QLineEdit *>(alarm->Control(IDC_CLOCK_DISPLAY));
    QVERIFY(QRegularExpression("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$").match(display->text()).hasMatch());
    QVERIFY(display->isVisible());
    QVERIFY(!alarm->Control(IDC_DATE)->isVisible());
    QCOMPARE(qobject_cast<QDateEdit *>(alarm->Control(IDC_DATE))->displayFormat(), QStringLiteral("yyyy/MM/dd"));
    QCOMPARE(qobject_cast<QTimeEdit *>(alarm->Control(IDC_TIME))->displayFormat(), QStringLiteral("HH:mm:ss"));
    QCOMPARE(qobject_cast<QComboBox *>(alarm->Control(IDC_WEEKDAY))->currentIndex(),
             qobject_cast<QDateEdit *>(alarm->Control(IDC_DATE))->date().dayOfWeek() % 7);
    // Manual source: pickers and weekday shown instead of the PC clock.
    qobject_cast<QComboBox *>(alarm->Control(IDC_CLOCK_SOURCE))->setCurrentIndex(1);
    QVERIFY(alarm->Control(IDC_DATE)->isVisible());
    QVERIFY(alarm->Control(IDC_TIME)->isVisible());
    QVERIFY(alarm->Control(IDC_WEEKDAY)->isVisible());
    QVERIFY(!display->isVisible());
  }
};

QTEST_MAIN(PagesTest)
#include "PagesTest.moc"
