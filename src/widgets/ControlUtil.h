#pragma once
// Helpers that give controls their identifier and accessible name.
#include <QString>

class QWidget;

namespace ui {

// A caption as a screen reader should say it: no mnemonic marker "&" or "(&X)".
QString PlainCaption(const QString &caption);
// Sets objectName to the decimal id and, when given, the accessible name.
void SetControlId(QWidget *w, int id, const QString &accessibleName = {});
// The control with this id inside dialog, not looking into the pages it hosts.
QWidget *FindControl(QWidget *dialog, int id);
// Marks a widget as a dialog of its own, so FindControl of an outer dialog skips it.
void MarkDialog(QWidget *w);

} // namespace ui
