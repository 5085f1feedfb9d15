#include "ui/WritePreviewDlg.h"

#include "text/Lang.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

CWritePreviewDlg::CWritePreviewDlg(const QList<WriteRow> &rows, QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("writePreview"));
  setWindowTitle(Tr("写入设备", "Write to the device"));
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(
      Tr("以下 %1 个参数将写入设备：", "These %1 parameters will be written to the device:").arg(rows.size()), this));
  m_table = new QTableWidget(static_cast<int>(rows.size()), 3, this);
  m_table->setHorizontalHeaderLabels(
      {Tr("参数", "Parameter"), Tr("设备中的值", "Device value"), Tr("新值", "New value")});
  m_table->verticalHeader()->hide();
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setWordWrap(false);
  for (int r = 0; r < rows.size(); ++r) {
    const WriteRow &row = rows[r];
    int c = 0;
    for (const QString &text : {row.label, row.from, row.to}) {
      auto *item = new QTableWidgetItem(text);
      item->setToolTip(text);
      m_table->setItem(r, c++, item);
    }
  }
  m_table->resizeColumnsToContents();
  m_table->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(m_table, 1);

  auto *buttons = new QDialogButtonBox(this);
  m_write = buttons->addButton(Tr("写入", "Write"), QDialogButtonBox::AcceptRole);
  m_cancel = buttons->addButton(Tr("取消", "Cancel"), QDialogButtonBox::RejectRole);
  m_write->setObjectName(QStringLiteral("write"));
  m_cancel->setObjectName(QStringLiteral("cancel"));
  m_write->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  // Wide enough for the values, never wider or taller than the screen.
  int width = 40;
  for (int c = 0; c < 3; ++c)
    width += m_table->columnWidth(c);
  const int height =
      m_table->horizontalHeader()->height() + m_table->rowHeight(0) * static_cast<int>(rows.size()) + 120;
  QSize size(std::max(width, 480), std::max(height, 220));
  if (const QScreen *s = parent ? parent->screen() : screen())
    size = size.boundedTo(s->availableGeometry().size() * 9 / 10);
  resize(size);
}
