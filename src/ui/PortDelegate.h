#pragma once
#include <QStyledItemDelegate>

// The port list shows each port's description beside its name; the field shows the name only.
class CPortDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;

protected:
  void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString description = index.data(Qt::ToolTipRole).toString();
    if (!description.isEmpty())
      option->text += QStringLiteral("  ") + description;
  }
};
