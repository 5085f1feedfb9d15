#include "ui/OutputView.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>

#include "text/Lang.h"

namespace {
// A text document turns CR into a line break of its own; the log's CR LF must
// show as one line end, yet keep one document position per log character so
// front trims stay exact. CR is therefore shown as this invisible character.
const QChar CR_STAND_IN(0x200B);

QString FromDisplay(QString text) {
  text.replace(CR_STAND_IN, QLatin1Char('\r'));
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  return text;
}
} // namespace

COutputView::COutputView(QWidget *parent) : QPlainTextEdit(parent) {
  setUndoRedoEnabled(false);
  SetTerminalMode(false);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setAcceptDrops(false);
  m_flushTimer.setSingleShot(true);
  m_flushTimer.setInterval(FLUSH_MS);
  connect(&m_flushTimer, &QTimer::timeout, this, [this] { Flush(); });
}

void COutputView::Append(const QString &text, qsizetype droppedFront) {
  m_pending += text;
  m_pendingDrop += droppedFront;
  if (!m_flushTimer.isActive())
    m_flushTimer.start();
}

qsizetype COutputView::DocPosition(qsizetype offset) const {
  const auto breaksBefore = std::upper_bound(m_breaks.begin(), m_breaks.end(), offset) - m_breaks.begin();
  return offset - m_logBase + static_cast<qsizetype>(breaksBefore);
}

void COutputView::Flush() {
  m_flushTimer.stop();
  if (m_pending.isEmpty() && m_pendingDrop == 0)
    return;
  QString text;
  text.swap(m_pending);
  qsizetype drop = m_pendingDrop;
  m_pendingDrop = 0;

  QTextCursor cursor(document());
  cursor.beginEditBlock();
  const qsizetype inDocument = m_logEnd - m_logBase;
  if (drop >= inDocument) {
    // Everything shown goes: insert only what the log still holds of this batch.
    const qsizetype skip = drop - inDocument;
    document()->clear();
    m_breaks.clear();
    m_logBase = m_logEnd + std::min(skip, text.size());
    m_logEnd = m_logBase;
    m_lineLength = 0;
    m_breakAfterSpace = false;
    text.remove(0, std::min(skip, text.size()));
    drop = 0;
  }
  if (drop > 0) {
    const qsizetype newBase = m_logBase + drop;
    const qsizetype cut = DocPosition(newBase); // a display break right at the cut goes too
    while (!m_breaks.empty() && m_breaks.front() <= newBase)
      m_breaks.pop_front();
    cursor.setPosition(static_cast<int>(cut), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    m_logBase = newBase;
  }

  // The display text: CR as its stand-in, and a block break where a line gets too long.
  QString shown;
  shown.reserve(text.size() + text.size() / BREAK_AT + 1);
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c == QLatin1Char('\n')) {
      m_lineLength = 0;
      m_breakAfterSpace = false;
      shown += c;
      continue;
    }
    if (m_breakAfterSpace || m_lineLength >= BREAK_AT + BREAK_SLACK) {
      m_breaks.push_back(m_logEnd + i);
      shown += QLatin1Char('\n');
      m_lineLength = 0;
      m_breakAfterSpace = false;
    }
    ++m_lineLength;
    if (c == QLatin1Char(' ') && m_lineLength >= BREAK_AT)
      m_breakAfterSpace = true;
    shown += c == QLatin1Char('\r') ? CR_STAND_IN : c;
  }
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(shown);
  cursor.endEditBlock();
  m_logEnd += text.size();
  MoveCaretToEnd();
}

void COutputView::Clear() {
  m_flushTimer.stop();
  m_pending.clear();
  m_pendingDrop = 0;
  m_breaks.clear();
  m_logBase = m_logEnd = 0;
  m_lineLength = 0;
  m_breakAfterSpace = false;
  document()->clear();
}

QString COutputView::LogText() {
  Flush();
  QString text = document()->toPlainText();
  // The display-only breaks, from the back so earlier positions stay valid.
  for (auto i = static_cast<qsizetype>(m_breaks.size()) - 1; i >= 0; --i)
    text.remove(m_breaks[static_cast<size_t>(i)] - m_logBase + i, 1);
  return FromDisplay(text);
}

void COutputView::MoveCaretToEnd() {
  QTextCursor c = textCursor();
  c.movePosition(QTextCursor::End);
  setTextCursor(c);
  ensureCursorVisible();
}

void COutputView::SetTerminalMode(bool on) {
  m_terminal = on;
  // The document stays unchanged by the user in both modes; terminal mode shows
  // the caret and takes keystrokes.
  setReadOnly(!on);
  setTextInteractionFlags(on ? Qt::TextEditorInteraction : Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void COutputView::Typed(const QString &text) {
  if (m_typed && !text.isEmpty())
    m_typed(text);
}

void COutputView::keyPressEvent(QKeyEvent *e) {
  if (!m_terminal) {
    QPlainTextEdit::keyPressEvent(e);
    return;
  }
  if (e->matches(QKeySequence::Copy) || e->matches(QKeySequence::SelectAll)) {
    QPlainTextEdit::keyPressEvent(e);
    return;
  }
  const bool navigation = e->key() >= Qt::Key_Home && e->key() <= Qt::Key_PageDown;
  if (navigation && e->text().isEmpty()) {
    QPlainTextEdit::keyPressEvent(e);
    return;
  }
  // Everything that would edit the document goes to the device instead (Enter as
  // CR, Backspace as BS) or nowhere (Delete, paste, undo).
  const QString t = e->text();
  if (!t.isEmpty() && !(e->modifiers() & Qt::ControlModifier && t.at(0).isPrint()))
    Typed(t);
  e->accept();
}

void COutputView::inputMethodEvent(QInputMethodEvent *e) {
  if (m_terminal)
    Typed(e->commitString());
  e->accept();
}

bool COutputView::canInsertFromMimeData(const QMimeData *) const { return false; }

void COutputView::insertFromMimeData(const QMimeData *) {}

QMimeData *COutputView::createMimeDataFromSelection() const {
  auto *data = new QMimeData;
  data->setText(FromDisplay(textCursor().selectedText()));
  return data;
}

void COutputView::contextMenuEvent(QContextMenuEvent *e) {
  QMenu menu(this);
  QAction *copy = menu.addAction(Tr("复制(&C)", "&Copy"), this, &QPlainTextEdit::copy);
  copy->setEnabled(textCursor().hasSelection());
  menu.addAction(Tr("全选(&A)", "Select &All"), this, &QPlainTextEdit::selectAll);
  menu.exec(e->globalPos());
}
