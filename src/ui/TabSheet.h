#pragma once
// The tab control that hosts the setting pages. Pages are offered as a pending
// list (AddPage ... Show); the first Show creates every page it is given, later
// Shows only change which pages the tabs offer. Pages not offered stay hidden.
#include <QWidget>

#include <array>

class QTabBar;
class CPageDlg;

class CTabSheet : public QWidget {
public:
  static constexpr int MAX_PAGES = 16;

  explicit CTabSheet(QWidget *parent = nullptr);

  bool AddPage(const QString &title, CPageDlg *page, unsigned templateId);
  void RemoveAllPages();
  void Show();

  QTabBar *TabBar() const { return m_tabBar; }
  int Count() const;
  int Current() const { return m_nCurrent; }
  CPageDlg *PageAt(int tab) const;
  // Shows the page of tab index, as a click on that tab does.
  void SelectTab(int index);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  bool eventFilter(QObject *watched, QEvent *e) override;

private:
  void SetRect();
  void OnTabChanged(int index);
  void PlacePages();

  QTabBar *m_tabBar;
  QWidget *m_pageArea;
  bool m_bCreated = false;
  std::array<QString, MAX_PAGES> m_titles;
  std::array<unsigned, MAX_PAGES> m_templateIds{};
  std::array<CPageDlg *, MAX_PAGES> m_pages{};
  int m_nPending = 0;
  int m_nShown = 0; // entries behind the tabs shown now
  int m_nCurrent = 0;
  bool m_rebuilding = false;
  QList<CPageDlg *> m_created;
};
