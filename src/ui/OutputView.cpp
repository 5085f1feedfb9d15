#include "ui/OutputView.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontInfo>
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

QFont COutputView::LogFont() {
  // Fixed pitch, so a listing's columns line up, with the CJK glyphs (twice
  // the Latin width) in the same face; the system's fixed font otherwise.
  QFont font(QStringLiteral("WenQuanYi Micro Hei Mono"));
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  if (!QFontInfo(font).fixedPitch())
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  return font;
}

COutputView::COutputView(QWidget *parent) : QPlainTextEdit(parent) {
  setFont(LogFont());
  setUndoRedoEnabled(false);
  SetTerminalMode(false);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setAcceptDrops(false);
  // Following the end is the reader's choice: scrolling up leaves it, scrolling
  // back to the end takes it up again; a view made shorter or longer (the
  // terminal row shown, the window resized) keeps following.
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
    if (!m_inFlush)
      m_follow = AtEnd();
  });
  connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] {
    if (m_follow && !m_inFlush)
      verticalScrollBar()->setValue(verticalScrollBar()->maximum());
  });
  m_flushTimer.setSingleShot(true);
  m_flushTimer.setInterval(FLUSH_MS);
  connect(&m_flushTimer, &QTimer::timeout, this, [this] { Flush(); });
}

void COutputView::Append(const QString &text, qsizetype droppedFront) {
  m_pending += text;
  m_pendingDrop += droppedFront;
  if (m_flushTimer.isActive())
    return;
  // Each flush costs a screenful of layout and a repaint whatever its size: while
  // data keeps coming, flushes are spaced STREAM_FLUSH_MS apart; the first text
  // after a quiet spell still shows within FLUSH_MS.
  const qint64 sinceFlush = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : STREAM_FLUSH_MS;
  m_flushTimer.start(static_cast<int>(std::max<qint64>(FLUSH_MS, STREAM_FLUSH_MS - sinceFlush)));
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

  // The view follows the end only while it shows the end: a reader who
  // scrolled up keeps the lines they look at, and their selection.
  const bool follow = m_follow;
  m_inFlush = true;
  const int topPosition = firstVisibleBlock().position();
  const int docBefore = document()->characterCount();

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
  // Written through a raw buffer: this runs for every character received.
  QString shown(text.size() + text.size() / BREAK_AT + 1, Qt::Uninitialized);
  QChar *out = shown.data();
  const QChar *in = text.constData();
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = in[i];
    if (c == QLatin1Char('\n')) {
      m_lineLength = 0;
      m_breakAfterSpace = false;
      *out++ = c;
      continue;
    }
    if (m_breakAfterSpace || m_lineLength >= BREAK_AT + BREAK_SLACK) {
      m_breaks.push_back(m_logEnd + i);
      *out++ = QLatin1Char('\n');
      m_lineLength = 0;
      m_breakAfterSpace = false;
    }
    ++m_lineLength;
    if (c == QLatin1Char(' ') && m_lineLength >= BREAK_AT)
      m_breakAfterSpace = true;
    *out++ = c == QLatin1Char('\r') ? CR_STAND_IN : c;
  }
  shown.truncate(out - shown.constData());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(shown);
  cursor.endEditBlock();
  m_logEnd += text.size();
  if (follow) {
    MoveCaretToEnd();
  } else {
    // What went at the front moved every line up: the same line stays on top
    // (the top of the document when that line itself went).
    const int removed = docBefore + static_cast<int>(shown.size()) - document()->characterCount();
    const QTextBlock top = document()->findBlock(std::max(0, topPosition - removed));
    verticalScrollBar()->setValue(top.isValid() ? top.firstLineNumber() : 0);
  }
  m_inFlush = false;
  m_sinceFlush.start();
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
  const QString shown = document()->toPlainText();
  // Without the display-only breaks, copied around them in one pass.
  QString text;
  text.reserve(shown.size());
  qsizetype from = 0;
  for (size_t i = 0; i < m_breaks.size(); ++i) {
    const qsizetype at = m_breaks[i] - m_logBase + static_cast<qsizetype>(i);
    text.append(QStringView(shown).sliced(from, at - from));
    from = at + 1;
  }
  text.append(QStringView(shown).sliced(from));
  return FromDisplay(std::move(text));
}

bool COutputView::Following() const { return m_follow; }

bool COutputView::AtEnd() const {
  const QScrollBar *bar = verticalScrollBar();
  return bar->value() >= bar->maximum();
}

void COutputView::MoveCaretToEnd() {
  // Scrolled to the end first, so the caret's visibility check walks only the last
  // screenful (already laid out for the scroll range). A jump of more than a
  // screenful is made with the viewport's updates off, so the scroll does not
  // measure its distance from the old top either: that would lay out a screenful
  // of blocks that scroll past unseen. The viewport is repainted as a whole when
  // updates come back on, as it would be after a scroll that far; a shorter
  // scroll keeps moving the pixels already drawn.
  QScrollBar *bar = verticalScrollBar();
  if (bar->maximum() - bar->value() > bar->pageStep()) {
    const bool updates = viewport()->updatesEnabled();
    viewport()->setUpdatesEnabled(false);
    bar->setValue(bar->maximum());
    viewport()->setUpdatesEnabled(updates);
  } else {
    bar->setValue(bar->maximum());
  }
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
