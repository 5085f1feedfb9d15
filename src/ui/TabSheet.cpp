#include "ui/TabSheet.h"

#include "pages/PageDlg.h"

#include <QResizeEvent>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QTextLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>

namespace {
// The lines title takes when wrapped at width pixels (word boundaries, and
// between ideographs), each line's text.
QStringList WrapLines(const QString &title, const QFont &font, int width) {
  QTextLayout layout(title, font);
  QTextOption option;
  option.setWrapMode(QTextOption::WordWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  QStringList lines;
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    lines << title.mid(line.textStart(), line.textLength()).trimmed();
  }
  layout.endLayout();
  return lines;
}
} // namespace

CWrapTabBar::CWrapTabBar(QWidget *parent) : QTabBar(parent) {}

int CWrapTabBar::TwoLineWidth(const QString &title) const {
  if (auto it = m_twoLineWidths.constFind(title); it != m_twoLineWidths.cend())
    return *it;
  // Narrowest width at which the title needs at most two lines, and a pixel
  // of slack for the rounding of fractional advances.
  int hi = fontMetrics().horizontalAdvance(title) + 1;
  int lo = 1;
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    const QStringList lines = WrapLines(title, font(), mid);
    const bool fits = std::all_of(lines.cbegin(), lines.cend(),
                                  [&](const QString &line) { return fontMetrics().horizontalAdvance(line) <= mid; });
    if (lines.size() <= 2 && fits)
      hi = mid;
    else
      lo = mid + 1;
  }
  m_twoLineWidths.insert(title, hi + 1);
  return hi + 1;
}

QString CWrapTabBar::TwoLineText(const QString &title, int width) const {
  return WrapLines(title, font(), width).join(QLatin1Char('\n'));
}

QStringList CWrapTabBar::DrawnLines(int index) const {
  const QList<Shape> shapes = Shapes();
  if (index < 0 || index >= shapes.size())
    return {};
  if (!shapes[index].twoLines)
    return {tabText(index)};
  return WrapLines(tabText(index), font(), shapes[index].textWidth);
}

QSize CWrapTabBar::TabSize(const QString &title, const Shape &form, bool anyWrapped) const {
  QStyleOptionTab opt;
  opt.initFrom(this);
  opt.shape = shape();
  opt.text = title;
  const int hframe = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &opt, this);
  const int vframe = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &opt, this);
  const QFontMetrics fm = fontMetrics();
  const int lines = anyWrapped ? 2 : 1;
  const QSize contents(form.textWidth + hframe, fm.height() + (lines - 1) * fm.lineSpacing() + vframe);
  return style()->sizeFromContents(QStyle::CT_TabBarTab, &opt, contents, this);
}

QList<CWrapTabBar::Shape> CWrapTabBar::Shapes() const {
  QList<Shape> shapes;
  for (int i = 0; i < count(); ++i)
    shapes.append({fontMetrics().horizontalAdvance(tabText(i)), false});
  auto total = [&] {
    const bool anyWrapped = std::any_of(shapes.cbegin(), shapes.cend(), [](const Shape &s) { return s.twoLines; });
    int sum = 0;
    for (int i = 0; i < count(); ++i)
      sum += TabSize(tabText(i), shapes[i], anyWrapped).width();
    return sum;
  };
  if (width() <= 0 || total() <= width())
    return shapes;
  // The widest titles wrap first, until the row fits.
  QList<int> order(count());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return shapes[a].textWidth > shapes[b].textWidth; });
  for (int i : order) {
    shapes[i] = {TwoLineWidth(tabText(i)), true};
    if (total() <= width())
      break;
  }
  return shapes;
}

bool CWrapTabBar::Wrapped() const {
  const QList<Shape> shapes = Shapes();
  return std::any_of(shapes.cbegin(), shapes.cend(), [](const Shape &s) { return s.twoLines; });
}

int CWrapTabBar::WrappedWidth(const QStringList &titles) const {
  int sum = 0;
  for (const QString &title : titles)
    sum += TabSize(title, {TwoLineWidth(title), true}, true).width();
  return sum;
}

int CWrapTabBar::OneLineWidth(const QStringList &titles) const {
  int sum = 0;
  for (const QString &title : titles)
    sum += TabSize(title, {fontMetrics().horizontalAdvance(title), false}, false).width();
  return sum;
}

int CWrapTabBar::WrappedHeight() const { return TabSize(QStringLiteral("X"), {1, true}, true).height(); }

QSize CWrapTabBar::tabSizeHint(int index) const {
  const QList<Shape> shapes = Shapes();
  if (index < 0 || index >= shapes.size())
    return QTabBar::tabSizeHint(index);
  const bool anyWrapped = std::any_of(shapes.cbegin(), shapes.cend(), [](const Shape &s) { return s.twoLines; });
  return TabSize(tabText(index), shapes[index], anyWrapped);
}

void CWrapTabBar::resizeEvent(QResizeEvent *e) {
  QTabBar::resizeEvent(e);
  // Wrapping changes the bar's height: the layout asks again.
  const bool wrapped = Wrapped();
  if (wrapped != m_wasWrapped) {
    m_wasWrapped = wrapped;
    updateGeometry();
  }
}

void CWrapTabBar::paintEvent(QPaintEvent *e) {
  const QList<Shape> shapes = Shapes();
  if (std::none_of(shapes.cbegin(), shapes.cend(), [](const Shape &s) { return s.twoLines; })) {
    QTabBar::paintEvent(e);
    return;
  }
  QStylePainter p(this);
  if (drawBase()) {
    QStyleOptionTabBarBase base;
    base.initFrom(this);
    base.shape = shape();
    base.documentMode = documentMode();
    base.selectedTabRect = tabRect(currentIndex());
    base.tabBarRect = rect();
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, &base, this);
    base.rect = QRect(0, height() - overlap, width(), overlap);
    p.drawPrimitive(QStyle::PE_FrameTabBarBase, base);
  }
  auto draw = [&](int i) {
    QStyleOptionTab opt;
    initStyleOption(&opt, i);
    if (shapes[i].twoLines)
      opt.text = TwoLineText(tabText(i), shapes[i].textWidth);
    p.drawControl(QStyle::CE_TabBarTab, opt);
  };
  // The current tab last: it overlaps its neighbours.
  for (int i = 0; i < count(); ++i) {
    if (i != currentIndex())
      draw(i);
  }
  if (currentIndex() >= 0)
    draw(currentIndex());
}

CTabSheet::CTabSheet(QWidget *parent) : QWidget(parent) {
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_tabBar = new CWrapTabBar(this);
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
      m_createdTitles << m_titles[static_cast<size_t>(i)];
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
  // Room for every tab ever offered: on one line where they fit the pages'
  // width, else with titles on two lines.
  const int oneLine = m_tabBar->OneLineWidth(m_createdTitles);
  if (oneLine <= pages.width())
    return QSize(pages.width(), pages.height() + m_tabBar->sizeHint().height());
  const int bar = m_tabBar->WrappedWidth(m_createdTitles);
  return QSize(std::max(pages.width(), bar), pages.height() + m_tabBar->WrappedHeight());
}

QSize CTabSheet::minimumSizeHint() const {
  QSize pages(0, 0);
  for (CPageDlg *page : m_created)
    pages = pages.expandedTo(page->minimumSizeHint());
  return QSize(pages.width(), pages.height() + m_tabBar->sizeHint().height());
}
