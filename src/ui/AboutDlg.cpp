#include "ui/AboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

QIcon MainIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x1f, 0x5f, 0x8f));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
    // Three signal bars: a cellular modem.
    p.setBrush(Qt::white);
    const double w = size / 6.0;
    for (int i = 0; i < 3; ++i) {
      const double h = size * (0.25 + 0.2 * i);
      p.drawRect(QRectF(size * 0.2 + i * w * 1.4, size * 0.82 - h, w, h));
    }
    icon.addPixmap(pm);
  }
  return icon;
}

CAboutDlg::CAboutDlg(QWidget *parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("关于 Strelvane"));
  setObjectName(QStringLiteral("100"));
  auto *layout = new QVBoxLayout(this);
  auto *row = new QHBoxLayout;
  auto *icon = new QLabel(this);
  icon->setPixmap(MainIcon().pixmap(32, 32));
  row->addWidget(icon, 0, Qt::AlignTop);
  auto *lines = new QVBoxLayout;
  lines->addWidget(new QLabel(QStringLiteral("Tavrenholt Corvanet"), this));
  lines->addWidget(new QLabel(QStringLiteral("Tool V1.1.7"), this));
  row->addLayout(lines);
  layout->addLayout(row);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}
