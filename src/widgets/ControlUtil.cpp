#include "widgets/ControlUtil.h"

#include <QRegularExpression>
#include <QWidget>

namespace ui {
namespace {
const char *DIALOG_PROPERTY = "strelvaneDialog";

QWidget *FindIn(QWidget *parent, const QString &name) {
  for (QObject *o : parent->children()) {
    auto *w = qobject_cast<QWidget *>(o);
    if (!w)
      continue;
    if (w->objectName() == name)
      return w;
    if (w->property(DIALOG_PROPERTY).toBool())
      continue;
    if (QWidget *found = FindIn(w, name))
      return found;
  }
  return nullptr;
}
} // namespace

QString PlainCaption(const QString &caption) {
  static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)"));
  QString s = caption;
  s.remove(mnemonic);
  s.replace(QLatin1String("&&"), QLatin1String("\x01"));
  s.remove(QLatin1Char('&'));
  s.replace(QLatin1Char('\x01'), QLatin1Char('&'));
  return s.trimmed();
}

void SetControlId(QWidget *w, int id, const QString &accessibleName) {
  w->setObjectName(QString::number(id));
  if (!accessibleName.isEmpty())
    w->setAccessibleName(PlainCaption(accessibleName));
}

QWidget *FindControl(QWidget *dialog, int id) { return dialog ? FindIn(dialog, QString::number(id)) : nullptr; }

void MarkDialog(QWidget *w) { w->setProperty(DIALOG_PROPERTY, true); }

} // namespace ui
