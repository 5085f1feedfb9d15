#include "ui/TabSheet.h"

#include "pages/PageDlg.h"

#include <QResizeEvent>
#include <QTabBar>
#include <QVBoxLayout>

CTabSheet::CTabSheet(QWidget *parent) : QWidget(parent) {
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_tabBar = new QTabBar(this);
  m_tabBar->setExpanding(false);
  m_tabBar->setDrawBase(true);
  m_tabBar->setUsesScrollButtons(true);
  m_tabBar->setElideMode(Qt::ElideNone);
  m_pageArea = new QWidget(this);
  m_pageArea->setObjectName(QStringLiteral("pageArea"));
  m_pageArea->setAutoFillBackground(false);
  layout->addWidget(m_tabBar);
  layout->addWidget(m_pageArea, 1);
  m_pageArea->installEventFilter(this);
  connect(m_tabBar, &QTabBar::currentChanged, this, &CTabSheet::OnTabChanged);
}

bool CTabSheet::AddPage(const QString &title, CPageDlg *page, unsigned templateId) {
  if (m_nPending >= MAX_PAGES || !page)
    return false;
  m_titles[static_cast<size_t>(m_nPending)] = title;
  m_pages[static_cast<size_t>(m_nPending)] = page;
  m_templateIds[static_cast<size_t>(m_nPending)] = templateId;
  ++m_nPending;
  return true;
}

void CTabSheet::RemoveAllPages() {
  m_rebuilding = true;
  while (m_tabBar->count() > 0)
    m_tabBar->removeTab(m_tabBar->count() - 1);
  m_rebuilding = false;
  m_nPending = 0;
  m_nShown = 0;
}

void CTabSheet::Show() {
  if (!m_bCreated) {
    // Pages are created once; every page ever offered must be in this first list.
    for (int i = 0; i < m_nPending; ++i) {
      CPageDlg *page = m_pages[static_cast<size_t>(i)];
      if (!page->IsCreated())
        page->Create(m_pageArea);
      m_created << page;
    }
    m_bCreated = true;
  }
  m_rebuilding = true;
  while (m_tabBar->count() > 0)
    m_tabBar->removeTab(m_tabBar->count() - 1);
  for (int i = 0; i < m_nPending; ++i)
    m_tabBar->insertTab(i, m_titles[static_cast<size_t>(i)]);
  m_tabBar->setCurrentIndex(m_nPending > 0 ? 0 : -1);
  m_rebuilding = false;
  SetRect();
  updateGeometry();
}

void CTabSheet::SetRect() {
  m_nShown = m_nPending;
  m_nCurrent = 0;
  // Every created page that is not the first tab's is hidden, also pages no longer offered.
  for (CPageDlg *page : m_created) {
    if (m_nShown == 0 || page != m_pages[0])
      page->hide();
  }
  PlacePages();
  if (m_nShown > 0) {
    m_pages[0]->show();
    m_pages[0]->raise();
  }
  m_nPending = 0;
}

void CTabSheet::PlacePages() {
  for (CPageDlg *page : m_created)
    page->setGeometry(m_pageArea->rect());
}

int CTabSheet::Count() const { return m_tabBar->count(); }

CPageDlg *CTabSheet::PageAt(int tab) const {
  return (tab >= 0 && tab < m_nShown) ? m_pages[static_cast<size_t>(tab)] : nullptr;
}

void CTabSheet::SelectTab(int index) { m_tabBar->setCurrentIndex(index); }

void CTabSheet::OnTabChanged(int index) {
  // The keyboard changes the tab as well as a click, so both switch the page.
  if (m_rebuilding || index < 0 || index >= m_nShown || index == m_nCurrent)
    return;
  m_pages[static_cast<size_t>(m_nCurrent)]->hide();
  m_nCurrent = index;
  m_pages[static_cast<size_t>(index)]->show();
  m_pages[static_cast<size_t>(index)]->raise();
}

bool CTabSheet::eventFilter(QObject *watched, QEvent *e) {
  if (watched == m_pageArea && e->type() == QEvent::Resize)
    PlacePages();
  return QWidget::eventFilter(watched, e);
}

QSize CTabSheet::sizeHint() const {
  QSize pages(0, 0);
  for (CPageDlg *page : m_created)
    pages = pages.expandedTo(page->sizeHint());
  const QSize bar = m_tabBar->sizeHint();
  return QSize(std::max(pages.width(), bar.width()), pages.height() + bar.height());
}

QSize CTabSheet::minimumSizeHint() const {
  QSize pages(0, 0);
  for (CPageDlg *page : m_created)
    pages = pages.expandedTo(page->minimumSizeHint());
  return QSize(pages.width(), pages.height() + m_tabBar->sizeHint().height());
}
