#pragma once
// The tab control that hosts the setting pages. Pages are offered as a pending
// list (AddPage ... Show); the first Show creates every page it is given, later
// Shows only change which pages the tabs offer. Pages not offered stay hidden.
#include <QHash>
#include <QTabBar>
#include <QWidget>

#include <array>

class CPageDlg;

// A tab bar whose titles wrap onto a second line, widest first, when the
// titles on one line would not fit its width: every tab stays in sight where
// the plain bar would hide some behind scroll arrows. Titles are not changed,
// only drawn wrapped; scroll arrows remain for a bar narrower than that.
class CWrapTabBar : public QTabBar {
public:
  explicit CWrapTabBar(QWidget *parent = nullptr);
  // The width tabs with these titles take with each title on two lines.
  int WrappedWidth(const QStringList &titles) const;
  // The width tabs with these titles take on one line.
  int OneLineWidth(const QStringList &titles) const;
  // The height of a tab drawn on two lines.
  int WrappedHeight() const;
  // The lines tab index's title is drawn in now.
  QStringList DrawnLines(int index) const;
  // True when some title is drawn on two lines now.
  bool Wrapped() const;

protected:
  QSize tabSizeHint(int index) const override;
  void paintEvent(QPaintEvent *e) override;
  void resizeEvent(QResizeEvent *e) override;

private:
  struct Shape {
    int textWidth; // width the title's text is drawn in
    bool twoLines;
  };
  // The shape of every tab for the bar's present width.
  QList<Shape> Shapes() const;
  // Narrowest text width that holds title on two lines.
  int TwoLineWidth(const QString &title) const;
  QSize TabSize(const QString &title, const Shape &form, bool anyWrapped) const;
  // The title broken into its two drawn lines.
  QString TwoLineText(const QString &title, int width) const;

  mutable QHash<QString, int> m_twoLineWidths;
  bool m_wasWrapped = false;
};

class CTabSheet : public QWidget {
public:
  static constexpr int MAX_PAGES = 16;

  explicit CTabSheet(QWidget *parent = nullptr);

  bool AddPage(const QString &title, CPageDlg *page, unsigned templateId);
  void RemoveAllPages();
  void Show();

  CWrapTabBar *TabBar() const { return m_tabBar; }
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

  CWrapTabBar *m_tabBar;
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
  QStringList m_createdTitles; // the titles of the first Show: every tab ever offered
};
