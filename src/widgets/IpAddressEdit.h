#pragma once
// A field for a dotted IPv4 address. The user can only type address text, but
// the field shows and gives back exactly the text it was given (a device's
// "No Exist" included), so an untouched value is never written back changed.
#include <QLineEdit>
#include <QValidator>

class CIpAddressValidator : public QValidator {
public:
  using QValidator::QValidator;
  State validate(QString &input, int &pos) const override;
};

class CIpAddressEdit : public QLineEdit {
  Q_OBJECT

public:
  explicit CIpAddressEdit(QWidget *parent = nullptr);

protected:
  void focusInEvent(QFocusEvent *e) override;
};
