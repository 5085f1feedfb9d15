#include "pages/OtherDlg.h"

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
  int editId;
};
struct Group {
  int id; // 0: a group box without caption
  const char *zh;
  const char *en;
  std::initializer_list<Row> rows;
};
} // namespace

void COtherDlg::Build() {
  const Group groups[] = {
      {1026,
       "网络参数",
       "NetWork",
       {
           {1027, "无线网络APN：", "APN:", 1003},
           {1059, "APN用户名：", "Username:", 1004},
           {1060, "APN密码：", "Password:", 1005},
           {1061, "APN拨号中心号码：", "Call Center:", 1006},
           {1062, "短信中心号码(+86)：", "SMS Center:", 1007},
           {1063, "心跳包时间(从31到65535)：", "Heartbeat Interval(31 ~ 65534):", 1008},
       }},
      {1064,
       "远程唤醒参数",
       "Trigger Method",
       {
           {1065, "拨号唤醒号码：", "Call Trigger Phone No:", 1009},
           {1066, "短信唤醒密码(4位)：", "SMS Trigger Password(4 Bytes):", 1010},
           {1044, "唤醒IP Modem数据：", "Data Trigger On Password:", 1011},
           {1045, "使IP Modem休眠数据：", "Data Trigger Off Password:", 1012},
       }},
      {0,
       "",
       "",
       {
           {1046, "TCP数据单元大小：(字节)", "TCP MTU(Bytes):", 1013},
           {1047, "多中心重开后重连时间：(秒)", "Multi Center Reconnect Interval:", 1014},
       }},
  };
  auto *layout = new QVBoxLayout(this);
  for (const Group &g : groups) {
    QGroupBox *box = g.id ? AddGroup(g.id, g.zh, g.en) : new QGroupBox(this);
    auto *grid = new QGridLayout(box);
    int row = 0;
    for (const Row &r : g.rows) {
      QLabel *label = AddLabel(r.labelId, r.zh, r.en);
      // Passwords are shown in clear on purpose: the technician copies them from a sheet.
      QLineEdit *edit = AddEdit(r.editId, label->text());
      label->setBuddy(edit);
      grid->addWidget(label, row, 0);
      grid->addWidget(edit, row, 1);
      ++row;
    }
    grid->setColumnStretch(1, 1);
    layout->addWidget(box);
  }
  layout->addStretch(1);
}
