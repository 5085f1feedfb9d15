#pragma once
// The output window: shows the log's text, appended to at the end and trimmed
// at the front exactly as COutputLog trims, so both always hold the same text.
// Its document is only ever changed by Append and Clear: in terminal mode typed
// characters are handed to a callback instead of being inserted.
#include <QPlainTextEdit>

#include <functional>

class COutputView : public QPlainTextEdit {
public:
  explicit COutputView(QWidget *parent = nullptr);

  // Appends text at the end after dropping `droppedFront` characters from the front.
  void Append(const QString &text, qsizetype droppedFront);
  void Clear();
  // The text as the log holds it.
  QString LogText() const;
  void MoveCaretToEnd();

  // Terminal mode: editable look, typed text goes to the handler.
  void SetTerminalMode(bool on);
  bool TerminalMode() const { return m_terminal; }
  void SetTypedHandler(std::function<void(const QString &)> fn) { m_typed = std::move(fn); }

protected:
  void keyPressEvent(QKeyEvent *e) override;
  void inputMethodEvent(QInputMethodEvent *e) override;
  bool canInsertFromMimeData(const QMimeData *source) const override;
  void insertFromMimeData(const QMimeData *source) override;
  QMimeData *createMimeDataFromSelection() const override;
  void contextMenuEvent(QContextMenuEvent *e) override;

private:
  void Typed(const QString &text);

  bool m_terminal = false;
  std::function<void(const QString &)> m_typed;
};
