// The tab sheet's pending-list rules and page switching.
#include "pages/PageDlg.h"
#include "ui/TabSheet.h"

#include <QLabel>
#include <QTabBar>
#include <QVBoxLayout>
#include <QtTest>

namespace {
class CTestPage : public CPageDlg {
public:
  explicit CTestPage(int n) : CPageDlg(EPage::Base), m_n(n) {}
  int builds = 0;

protected:
  void Build() override {
    ++builds;
    auto *l = new QVBoxLayout(this);
    l->addWidget(new QLabel(QStringLiteral("page %1").arg(m_n), this));
  }

private:
  int m_n;
};
} // namespace

class TabSheetTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QWidget> m_window;
  CTabSheet *m_sheet = nullptr;
  QList<CTestPage *> m_pages;

  void AddPages(int n) {
    for (int i = 0; i < n; ++i)
      QVERIFY(m_sheet->AddPage(QStringLiteral("Tab %1").arg(i), m_pages[i], 130 + i));
  }
  QList<int> VisiblePages() const {
    QList<int> v;
    for (int i = 0; i < m_pages.size(); ++i) {
      if (m_pages[i]->isVisible())
        v << i;
    }
    return v;
  }
  void Click(int tab) {
    QTabBar *bar = m_sheet->TabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
  }

private slots:
  void init() {
    m_window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(m_window.get());
    m_sheet = new CTabSheet(m_window.get());
    layout->addWidget(m_sheet);
    m_pages.clear();
    for (int i = 0; i < 6; ++i)
      m_pages << new CTestPage(i); // owned by the sheet once created
    m_window->resize(500, 400);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
  }
  void cleanup() {
    for (CTestPage *p : m_pages) {
      if (!p->IsCreated())
        delete p;
    }
    m_window.reset();
  }

  void initialSequenceLeavesThreeTabs() {
    AddPages(5);
    m_sheet->Show();
    m_sheet->RemoveAllPages();
    QCOMPARE(m_sheet->Count(), 0);
    AddPages(3);
    m_sheet->Show();
    QCOMPARE(m_sheet->Count(), 3);
    QCOMPARE(VisiblePages(), QList<int>{0});
    for (int i = 0; i < 5; ++i) {
      QVERIFY(m_pages[i]->IsCreated());
      QCOMPARE(m_pages[i]->builds, 1); // created by the first Show only
    }
    QVERIFY(!m_pages[5]->IsCreated());
    // The page fills the area below the tabs.
    QVERIFY(m_pages[0]->geometry().height() > 200);
  }

  void clickSwitchesPages() {
    AddPages(3);
    m_sheet->Show();
    Click(2);
    QCOMPARE(m_sheet->Current(), 2);
    QCOMPARE(VisiblePages(), QList<int>{2});
    // The current tab again: nothing changes.
    Click(2);
    QCOMPARE(m_sheet->Current(), 2);
    QCOMPARE(VisiblePages(), QList<int>{2});
    Click(0);
    QCOMPARE(VisiblePages(), QList<int>{0});
  }

  void keyboardSwitchesPagesToo() {
    AddPages(3);
    m_sheet->Show();
    m_sheet->TabBar()->setFocus();
    QTest::keyClick(m_sheet->TabBar(), Qt::Key_Right);
    QCOMPARE(m_sheet->TabBar()->currentIndex(), 1);
    QCOMPARE(VisiblePages(), QList<int>{1});
  }

  void fourAfterFiveShowsTheFirst() {
    AddPages(5);
    m_sheet->Show();
    Click(4);
    QCOMPARE(VisiblePages(), QList<int>{4});
    m_sheet->RemoveAllPages();
    AddPages(4);
    m_sheet->Show();
    QCOMPARE(m_sheet->Count(), 4);
    QCOMPARE(m_sheet->Current(), 0);
    QCOMPARE(VisiblePages(), QList<int>{0}); // the fifth page, no longer offered, is hidden
    QCOMPARE(m_sheet->TabBar()->tabText(3), QStringLiteral("Tab 3"));
  }

  void sixteenEntriesAtMost() {
    for (int i = 0; i < CTabSheet::MAX_PAGES; ++i)
      QVERIFY(m_sheet->AddPage(QStringLiteral("T%1").arg(i), m_pages[i % 3], 130));
    QVERIFY(!m_sheet->AddPage(QStringLiteral("T16"), m_pages[0], 130));
    m_sheet->RemoveAllPages();
    QVERIFY(m_sheet->AddPage(QStringLiteral("again"), m_pages[0], 130));
  }
};

QTEST_MAIN(TabSheetTest)
#include "TabSheetTest.moc"
