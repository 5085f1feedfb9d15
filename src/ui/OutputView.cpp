#include "ui/OutputView.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>

#include "text/Lang.h"

namespace {
// A text document turns CR into a line break of its own; the log's CR LF must
// show as one line end, yet keep one document position per log character so
// front trims stay exact. CR is therefore shown as this invisible character.
const QChar CR_STAND_IN(0x200B);

QString ForDisplay(QString text) {
  text.replace(QLatin1Char('\r'), CR_STAND_IN);
  return text;
}

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
}

void COutputView::Append(const QString &text, qsizetype droppedFront) {
  QTextCursor cursor(document());
  cursor.beginEditBlock();
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(ForDisplay(text));
  // The log trims after appending, so a drop can reach into the text just added.
  if (droppedFront > 0) {
    cursor.movePosition(QTextCursor::Start);
    const qsizetype end = document()->characterCount() - 1;
    cursor.setPosition(static_cast<int>(std::min(droppedFront, end)), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
  }
  cursor.endEditBlock();
  MoveCaretToEnd();
}

void COutputView::Clear() { document()->clear(); }

QString COutputView::LogText() const { return FromDisplay(document()->toPlainText()); }

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
