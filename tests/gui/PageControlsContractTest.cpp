// One contract for both faces of the setting pages: the widgets of the main
// window and the in-memory model of the command line and the unit tests. Every
// case runs against each; the engine must not be able to tell them apart.
#include "base/ThreadExecutor.h"
#include "params/PageModel.h"
#include "text/Lang.h"
#include "ui/PageControlsImpl.h"
#include "ui/TabSheet.h"

#include <QtTest>

#include <memory>

namespace {

// A PageControls implementation with whatever it needs to live.
class CSubject {
public:
  virtual ~CSubject() = default;
  virtual PageControls &Pages() = 0;
};

class CModelSubject : public CSubject {
public:
  PageControls &Pages() override { return m_model; }

private:
  CPageModel m_model;
};

// The pages as the window hosts them: created by the tab sheet's first Show.
class CWidgetSubject : public CSubject {
public:
  CWidgetSubject() : m_tabs(new CTabSheet(&m_owner)), m_pages(m_executor, &m_owner) {
    m_pages.SetTabSheet(m_tabs);
    m_pages.CreatePages();
  }
  ~CWidgetSubject() override { m_executor.Shutdown(); }
  PageControls &Pages() override { return m_pages; }

private:
  QWidget m_owner;
  CThreadExecutor m_executor;
  CTabSheet *m_tabs;
  CWidgetPageControls m_pages;
};

std::unique_ptr<CSubject> Make(const QString &kind) {
  if (kind == QLatin1String("widgets"))
    return std::make_unique<CWidgetSubject>();
  return std::make_unique<CModelSubject>();
}

const char *const KINDS[] = {"widgets", "model"};

enum class EOp { None, Text, Selection };

// One change to one parameter's control and what both faces must read back.
struct ValueCase {
  const char *name;
  int index;
  int before; // selection set first; NO_PRIOR for none
  EOp op;
  const char *text; // for EOp::Text
  int position;     // for EOp::Selection
  const char *wantText;
  int wantSelection;
};
constexpr int NO_PRIOR = -100;

const ValueCase VALUE_CASES[] = {
    // Edits and address fields keep the text exactly, the placeholder included.
    {"edit placeholder", PARAM_APN, NO_PRIOR, EOp::Text, "No Exist", 0, "No Exist", -1},
    {"edit any length", 20, NO_PRIOR, EOp::Text, "0123456789ABCDEF0123", 0, "0123456789ABCDEF0123", -1},
    {"edit emptied", PARAM_APN, NO_PRIOR, EOp::Text, "", 0, "", -1},
    {"ip placeholder", 27, NO_PRIOR, EOp::Text, "No Exist", 0, "No Exist", -1},
    {"ip address", 27, NO_PRIOR, EOp::Text, "10.0.0.1", 0, "10.0.0.1", -1},
    {"ip no address", 27, NO_PRIOR, EOp::Text, "999.1.1.1", 0, "999.1.1.1", -1},
    // Lists: no selection at first; the text is the selected item.
    {"list untouched", PARAM_TOTAL_SERVERS, NO_PRIOR, EOp::None, "", 0, "", -1},
    {"list first", PARAM_TOTAL_SERVERS, NO_PRIOR, EOp::Selection, "", 0, "1", 0},
    {"list last", PARAM_TOTAL_SERVERS, NO_PRIOR, EOp::Selection, "", 5, "0", 5},
    {"list beyond the end", PARAM_TOTAL_SERVERS, 1, EOp::Selection, "", 6, "", -1},
    {"list minus one", PARAM_TOTAL_SERVERS, 1, EOp::Selection, "", -1, "", -1},
    {"list far below", PARAM_TOTAL_SERVERS, 1, EOp::Selection, "", -7, "", -1},
    {"list by item text", PARAM_TOTAL_SERVERS, NO_PRIOR, EOp::Text, "5", 0, "5", 4},
    {"list text no item has", PARAM_TOTAL_SERVERS, 4, EOp::Text, "9", 0, "5", 4},
    {"list text differs in case", PARAM_WORK_MODE, 1, EOp::Text, "tcpsvr", 0, "TRNS", 1},
    {"work mode", PARAM_WORK_MODE, NO_PRIOR, EOp::Selection, "", 8, "TCPSVR", 8},
    {"gps list", 66, NO_PRIOR, EOp::Selection, "", 1, "Enable", 1},
    // The baud combo: its field is the value, and the selection follows it.
    {"combo untouched", PARAM_BAUDRATE, NO_PRIOR, EOp::None, "", 0, "", -1},
    {"combo item text", PARAM_BAUDRATE, NO_PRIOR, EOp::Text, "115200", 0, "115200", 12},
    {"combo other item text", PARAM_BAUDRATE, 12, EOp::Text, "9600", 0, "9600", 6},
    {"combo typed value", PARAM_BAUDRATE, 12, EOp::Text, "12345", 0, "12345", -1},
    {"combo emptied", PARAM_BAUDRATE, 12, EOp::Text, "", 0, "", -1},
    {"combo by position", PARAM_BAUDRATE, NO_PRIOR, EOp::Selection, "", 6, "9600", 6},
    {"combo beyond the end", PARAM_BAUDRATE, 12, EOp::Selection, "", 13, "", -1},
    // Schedules: the text is the hidden string; no selection.
    {"schedule string", 54, NO_PRIOR, EOp::Text, "1,2,3", 0, "1,2,3", -1},
    {"schedule selection ignored", 54, NO_PRIOR, EOp::Selection, "", 1, "", -1},
    // Entries no page shows, and indexes outside the table, hold nothing.
    {"no page", 34, NO_PRIOR, EOp::Text, "x", 0, "", -1},
    {"below the table", -1, NO_PRIOR, EOp::Text, "x", 0, "", -1},
    {"past the table", PARAM_COUNT, NO_PRIOR, EOp::Text, "x", 0, "", -1},
};

int EnabledOn(PageControls &pages, EPage page) {
  int n = 0;
  for (int i = 0; i < PARAM_COUNT; ++i)
    n += ParamInfoAt(i).page == page && pages.IsParamEnabled(i);
  return n;
}

} // namespace

class PageControlsContractTest : public QObject {
  Q_OBJECT

private slots:
  void init() { g_chineseUi = 0; }
  void cleanup() { g_chineseUi = 0; }

  void values_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("row");
    for (const char *kind : KINDS) {
      for (int r = 0; r < static_cast<int>(std::size(VALUE_CASES)); ++r)
        QTest::addRow("%s: %s", kind, VALUE_CASES[r].name) << QString::fromLatin1(kind) << r;
    }
  }

  void values() {
    QFETCH(QString, kind);
    QFETCH(int, row);
    const ValueCase &c = VALUE_CASES[row];
    const auto subject = Make(kind);
    PageControls &pages = subject->Pages();
    if (c.before != NO_PRIOR)
      pages.SetParamSelection(c.index, c.before);
    if (c.op == EOp::Text)
      pages.SetParamText(c.index, QString::fromUtf8(c.text));
    else if (c.op == EOp::Selection)
      pages.SetParamSelection(c.index, c.position);
    QCOMPARE(pages.ParamText(c.index), QString::fromUtf8(c.wantText));
    QCOMPARE(pages.ParamSelection(c.index), c.wantSelection);
  }

  void kinds_data() {
    QTest::addColumn<QString>("kind");
    for (const char *kind : KINDS)
      QTest::newRow(kind) << QString::fromLatin1(kind);
  }

  // Lists carry the items of the interface language.
  void listsFollowTheLanguage_data() { kinds_data(); }
  void listsFollowTheLanguage() {
    QFETCH(QString, kind);
    g_chineseUi = 1;
    const auto subject = Make(kind);
    subject->Pages().SetParamSelection(63, 1);
    QCOMPARE(subject->Pages().ParamText(63), QStringLiteral("启用"));
    subject->Pages().SetParamText(62, QStringLiteral("串口"));
    QCOMPARE(subject->Pages().ParamSelection(62), 2);
  }

  // The schedule string and its sentence are two fields; only schedules have a sentence.
  void scheduleDescription_data() { kinds_data(); }
  void scheduleDescription() {
    QFETCH(QString, kind);
    const auto subject = Make(kind);
    PageControls &pages = subject->Pages();
    pages.SetParamText(PARAM_ALARM_FIRST, QStringLiteral("0,1,08:00"));
    pages.SetScheduleDescription(PARAM_ALARM_FIRST, QStringLiteral("every day"));
    QCOMPARE(pages.ParamText(PARAM_ALARM_FIRST), QStringLiteral("0,1,08:00"));
    QCOMPARE(pages.ScheduleDescription(PARAM_ALARM_FIRST), QStringLiteral("every day"));
    pages.SetScheduleDescription(PARAM_ALARM_FIRST, QString());
    QCOMPARE(pages.ParamText(PARAM_ALARM_FIRST), QStringLiteral("0,1,08:00"));
    QCOMPARE(pages.ScheduleDescription(PARAM_ALARM_FIRST), QString());
    // Another group's fields are its own.
    QCOMPARE(pages.ParamText(PARAM_ALARM_LAST), QString());
    // A parameter that is no schedule has no sentence, and setting one changes nothing.
    pages.SetParamText(PARAM_APN, QStringLiteral("cmnet"));
    pages.SetScheduleDescription(PARAM_APN, QStringLiteral("x"));
    QCOMPARE(pages.ScheduleDescription(PARAM_APN), QString());
    QCOMPARE(pages.ParamText(PARAM_APN), QStringLiteral("cmnet"));
    QCOMPARE(pages.ScheduleDescription(-1), QString());
  }

  // Every page starts disabled; EnableAll and DisableAll switch exactly its inputs.
  void enabling_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("inputs");
    const struct {
      const char *name;
      EPage page;
      int inputs;
    } pages[] = {{"base", EPage::Base, 19},
                 {"dtu", EPage::Dtu, 14},
                 {"other", EPage::Other, 12},
                 {"gps", EPage::Gps, 11},
                 {"alarm", EPage::Alarm, 0}};
    for (const char *kind : KINDS) {
      for (const auto &p : pages)
        QTest::addRow("%s: %s", kind, p.name) << QString::fromLatin1(kind) << static_cast<int>(p.page) << p.inputs;
    }
  }
  void enabling() {
    QFETCH(QString, kind);
    QFETCH(int, page);
    QFETCH(int, inputs);
    const auto subject = Make(kind);
    PageControls &pages = subject->Pages();
    const auto p = static_cast<EPage>(page);
    const EPage all[] = {EPage::Base, EPage::Dtu, EPage::Other, EPage::Alarm, EPage::Gps};
    for (EPage q : all)
      QCOMPARE(EnabledOn(pages, q), 0);
    pages.EnableAll(p);
    QCOMPARE(EnabledOn(pages, p), inputs);
    for (EPage q : all) {
      if (q != p)
        QCOMPARE(EnabledOn(pages, q), 0);
    }
    pages.DisableAll(p);
    QCOMPARE(EnabledOn(pages, p), 0);
    // The schedule sentences stay read-only also while the page is open for editing.
    pages.EnableForEditing();
    QCOMPARE(EnabledOn(pages, EPage::Alarm), 0);
    pages.EnableAll(p);
    pages.DisableAllPages();
    for (EPage q : all)
      QCOMPARE(EnabledOn(pages, q), 0);
    QVERIFY(!pages.IsParamEnabled(-1));
    QVERIFY(!pages.IsParamEnabled(PARAM_COUNT));
    QVERIFY(!pages.IsParamEnabled(34));
  }

  // The listen-port form keeps only the port field; the client form opens the whole page.
  void clientMode_data() { kinds_data(); }
  void clientMode() {
    QFETCH(QString, kind);
    const auto subject = Make(kind);
    PageControls &pages = subject->Pages();
    pages.EnableAll(EPage::Base);
    pages.SetClientMode(false);
    QCOMPARE(EnabledOn(pages, EPage::Base), 1);
    QVERIFY(pages.IsParamEnabled(10));
    QCOMPARE(EnabledOn(pages, EPage::Dtu), 0);
    pages.SetClientMode(true);
    QCOMPARE(EnabledOn(pages, EPage::Base), 19);
    // A disabled page in the listen-port form still offers the port.
    pages.DisableAll(EPage::Base);
    pages.SetClientMode(false);
    QCOMPARE(EnabledOn(pages, EPage::Base), 1);
    QVERIFY(pages.IsParamEnabled(10));
  }

  // Three tabs at first; the power-schedule and GPS pages follow in that order when asked.
  void tabs_data() { kinds_data(); }
  void tabs() {
    QFETCH(QString, kind);
    const auto subject = Make(kind);
    PageControls &pages = subject->Pages();
    using L = QList<EPage>;
    const L three{EPage::Base, EPage::Dtu, EPage::Other};
    QCOMPARE(pages.Tabs(), three);
    pages.ShowTabs(true, true);
    QCOMPARE(pages.Tabs(), (three + L{EPage::Alarm, EPage::Gps}));
    pages.ShowTabs(false, true);
    QCOMPARE(pages.Tabs(), three + L{EPage::Gps});
    pages.ShowTabs(true, false);
    QCOMPARE(pages.Tabs(), three + L{EPage::Alarm});
    pages.ShowTabs(false, false);
    QCOMPARE(pages.Tabs(), three);
  }
};

QTEST_MAIN(PageControlsContractTest)
#include "PageControlsContractTest.moc"
