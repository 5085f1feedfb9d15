#include "widgets/IpAddressEdit.h"

#include <QFocusEvent>
#include <QTimer>

QValidator::State CIpAddressValidator::validate(QString &input, int &) const {
  if (input.isEmpty())
    return Intermediate;
  const QStringList parts = input.split(QLatin1Char('.'));
  if (parts.size() > 4)
    return Invalid;
  bool complete = parts.size() == 4;
  for (const QString &p : parts) {
    if (p.isEmpty()) {
      complete = false;
      continue;
    }
    if (p.size() > 3)
      return Invalid;
    for (QChar c : p) {
      if (c < QLatin1Char('0') || c > QLatin1Char('9'))
        return Invalid;
    }
    if (p.toInt() > 255)
      return Invalid;
  }
  return complete ? Acceptable : Intermediate;
}

CIpAddressEdit::CIpAddressEdit(QWidget *parent) : QLineEdit(parent) { setValidator(new CIpAddressValidator(this)); }

void CIpAddressEdit::focusInEvent(QFocusEvent *e) {
  QLineEdit::focusInEvent(e);
  // A text that is no address (such as "No Exist") cannot be edited character by
  // character under the validator: select it so typing replaces it.
  int pos = 0;
  QString t = text();
  if (!t.isEmpty() && validator()->validate(t, pos) == QValidator::Invalid)
    QTimer::singleShot(0, this, [this] { selectAll(); });
}
