#include "pages/GpsDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {
struct Row {
  int labelId;
  const char *zh;
  const char *en;
  int inputId;
  bool list;
};
const Row ROWS[] = {
    {1073, "输出接口：", "Output interface:", 1005, true},
    {1074, "时间间隔：(0-65535)", "Time interval: (0-65535)", 1003, false},
    {1075, "GPS服务器地址：", "GPS server address:", 1004, false},
    {1093, "GPS服务器端口：", "GPS server port:", 1007, false},
    {1094, "传输方式：", "Transmission mode:", 1006, true},
    {1078, "GPRMC：", "GPRMC：", 1008, true},
    {1079, "GPVTG：", "GPVTG：", 1009, true},
    {1077, "GPGGA：", "GPGGA：", 1010, true},
    {1080, "GPGSA：", "GPGSA：", 1011, true},
    {1081, "GPGSV：", "GPGSV：", 1012, true},
    {1082, "GPGLL：", "GPGLL：", 1013, true},
};
} // namespace

void CGpsDlg::Build() {
  auto *layout = new QVBoxLayout(this);
  QGroupBox *box = AddGroup(1072, "GPS设置", "GPS Settings:");
  auto *grid = new QGridLayout(box);
  int row = 0;
  for (const Row &r : ROWS) {
    QLabel *label = AddLabel(r.labelId, r.zh, r.en);
    QWidget *input = r.list ? static_cast<QWidget *>(AddList(r.inputId, label->text()))
                            : static_cast<QWidget *>(AddEdit(r.inputId, label->text()));
    label->setBuddy(input);
    grid->addWidget(label, row, 0);
    grid->addWidget(input, row, 1);
    if (r.inputId == 1003)
      grid->addWidget(new QLabel(QStringLiteral("(s)"), box), row, 2);
    ++row;
  }
  grid->setColumnStretch(1, 1);
  layout->addWidget(box);
  layout->addStretch(1);
}
