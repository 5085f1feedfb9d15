#include "pages/DtuDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {
enum class EInput { Edit, List, Combo };
struct Row {
  int labelId;
  const char *zh;
  const char *en;
  int inputId;
  EInput kind;
};
// In screen order from the top.
const Row ROWS[] = {
    {1026, "工作模式：", "WorkMode:", 1005, EInput::List},
    {1027, "激活方式选择(默认为AUTO)：", "Trigger Type(Default Auto):", 1006, EInput::List},
    {1059, "信息调试等级：(三种:0/1/2)", "Debug Level(0/1/2):", 1007, EInput::List},
    {1060, "数据、校验及停止位：", "Databit, Parity, Stopbit:", 1008, EInput::List},
    {1061, "设备工作波特率：", "Communication Baudrate:", 1010, EInput::Combo},
    {1062, "是否自动返回主中心：", "Auto Back To Main Server:", 1009, EInput::List},
    {1064, "设备ID号码(固定8位)：", "Device ID(8 Bytes Hex-Decimal):", 1003, EInput::Edit},
    {1065, "设备SIM号码(固定11位)：", "SIM Card No(11 Bytes):", 1004, EInput::Edit},
    {1066, "数据帧间隔时间(默认20ms)：", "Bytes Interval(Default 20ms):", 1011, EInput::Edit},
    {1044, "自定义注册包：", "Custom Register String:", 1012, EInput::Edit},
    {1045, "自定义心跳包：", "Custom Heartbeat String:", 1013, EInput::Edit},
    {1046, "重连时尝试次数：", "Connect Retry Times:", 1014, EInput::Edit},
    {1047, "重连任务之间的间隔(秒)：", "Reconnect Time Interval(Seconds):", 1015, EInput::Edit},
    {1048, "是否数据转义(0/1 - 是/否)：", "Transfer Meaning(0/1-Yes/No):", 1016, EInput::List},
};
} // namespace

void CDtuDlg::Build() {
  auto *layout = new QVBoxLayout(this);
  auto *box = new QGroupBox(this);
  auto *grid = new QGridLayout(box);
  int row = 0;
  for (const Row &r : ROWS) {
    QLabel *label = AddLabel(r.labelId, r.zh, r.en);
    QWidget *input = nullptr;
    if (r.kind == EInput::Edit)
      input = AddEdit(r.inputId, label->text());
    else
      input = AddList(r.inputId, label->text(), r.kind == EInput::Combo);
    label->setBuddy(input);
    grid->addWidget(label, row, 0);
    if (r.inputId == 1009) {
      // The yes/no hint stands beside its list.
      auto *pair = new QHBoxLayout;
      pair->addWidget(input, 1);
      pair->addWidget(AddLabel(1063, "(1/0 - 是/否)", "(1/0-Yes/No)"));
      grid->addLayout(pair, row, 1);
    } else {
      grid->addWidget(input, row, 1);
    }
    ++row;
  }
  grid->setColumnStretch(1, 1);
  layout->addWidget(box);
  layout->addStretch(1);
}
