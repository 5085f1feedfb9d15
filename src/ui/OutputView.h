#pragma once
// The output window: shows the log's text, appended to at the end and trimmed
// at the front exactly as COutputLog trims, so both always hold the same text.
// Its document is only ever changed by Append and Clear: in terminal mode typed
// characters are handed to a callback instead of being inserted.
//
// A text document is slow to change, so appends are collected and put into the
// document FLUSH_MS after the first of them, STREAM_FLUSH_MS apart while they
// keep coming (one insert and one trim per batch, a batch larger than the log
// bound clipped to it), and a line that grows past BREAK_AT characters is
// shown as several blocks: the cost of laying out one block grows with its
// length, and a stream without line ends would otherwise make every insert
// slower than the last.
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>

#include <deque>
#include <functional>

class COutputView : public QPlainTextEdit {
public:
  explicit COutputView(QWidget *parent = nullptr);

  static constexpr int FLUSH_MS = 50;
  // Spacing of flushes while appends keep coming.
  static constexpr int STREAM_FLUSH_MS = 100;
  // A line longer than this is broken after the next space (hex display), or at
  // BREAK_AT + BREAK_SLACK characters where there is none.
  static constexpr qsizetype BREAK_AT = 1024;
  static constexpr qsizetype BREAK_SLACK = 64;

  // Appends text at the end after dropping `droppedFront` characters from the
  // front. The document catches up within STREAM_FLUSH_MS (or at Flush).
  void Append(const QString &text, qsizetype droppedFront);
  // Puts collected appends into the document now.
  void Flush();
  bool FlushPending() const { return !m_pending.isEmpty() || m_pendingDrop > 0; }
  void Clear();
  // The text as the log holds it (collected appends included).
  QString LogText();
  void MoveCaretToEnd();
  // True while the view shows the log's last line.
  bool AtEnd() const;
  // True while new text is followed: the reader has not scrolled up from the end.
  bool Following() const;
  // The log's face: fixed pitch with CJK glyphs.
  static QFont LogFont();

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
  // Document position of the log character at absolute offset `offset`.
  qsizetype DocPosition(qsizetype offset) const;

  bool m_terminal = false;
  bool m_follow = true;
  bool m_inFlush = false;
  QTimer m_flushTimer;
  QElapsedTimer m_sinceFlush;  // since the last flush that changed the document
  QString m_pending;           // appended, not yet in the document
  qsizetype m_pendingDrop = 0; // characters to drop from the front at the next flush
  // Absolute log offsets (counted from the last Clear) of the document's first
  // character and of its end; m_breaks holds the offsets of the characters in
  // front of which a block was broken only for display (ascending).
  qsizetype m_logBase = 0;
  qsizetype m_logEnd = 0;
  std::deque<qsizetype> m_breaks;
  qsizetype m_lineLength = 0; // characters in the document's last block
  bool m_breakAfterSpace = false;
  std::function<void(const QString &)> m_typed;
};
