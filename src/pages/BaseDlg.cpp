#include "pages/BaseDlg.h"

#include "text/Lang.h"
#include "widgets/IpAddressEdit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {
struct CenterRow {
  int labelId;
  const char *zh;
  const char *en;
  int ipId;
  int portId;
};
const CenterRow CENTERS[] = {
    {1045, "主 中心 地址 + 端口：", "Main Center Addr+Port:", 1003, 1010},
    {1046, "备份中心地址 + 端口：", "Backup Center:", 1004, 1011},
    {1047, "中心( 2)地址 + 端口：", "2nd Center Addr+Port:", 1006, 1012},
    {1048, "中心 (3)地址 + 端口：", "3nd Center Addr+Port:", 1007, 1013},
    {1049, "中心 (4)地址 + 端口：", "4nd Center Addr+Port:", 1008, 1014},
    {1050, "中心 (5)地址 + 端口：", "5nd Center Addr+Port:", 1009, 1015},
};
struct DnsRow {
  int labelId;
  const char *zh;
  const char *en;
  int ipId;
};
const DnsRow DNS[] = {
    {1053, "主 中  心 域名服务器地址：", "Main Center DNS Server:", 1021},
    {1054, "备份中心域名服务器地址：", "Backup Center DNS Server:", 1022},
    {1055, "中心( 2)域名服务器地址：", "2nd Center DNS Server:", 1023},
    {1056, "中心( 3)域名服务器地址：", "3nd Center DNS Server:", 1024},
    {1057, "中心( 4)域名服务器地址：", "4nd Center DNS Server:", 1025},
    {1058, "中心( 5)域名服务器地址：", "5nd Center DNS Server:", 1026},
};
} // namespace

void CBaseDlg::Build() {
  auto *layout = new QVBoxLayout(this);

  auto *countRow = new QHBoxLayout;
  QLabel *countLabel = AddLabel(1043, "中心服务器数目：（大于1时，备份中心无效）", "Data Center Number:");
  QComboBox *count = AddList(1005, countLabel->text());
  count->setMinimumContentsLength(3);
  countLabel->setBuddy(count);
  countRow->addWidget(countLabel);
  countRow->addWidget(count);
  countRow->addStretch(1);
  layout->addLayout(countRow);

  QGroupBox *centers = AddGroup(1044, "服务器地址和端口", "Data Service Center Settings:");
  auto *grid = new QGridLayout(centers);
  const QString portSuffix = Tr("（端口）", " (port)");
  int row = 0;
  for (const CenterRow &c : CENTERS) {
    QLabel *label = AddLabel(c.labelId, c.zh, c.en);
    QLineEdit *ip = AddEdit(c.ipId, label->text());
    QLineEdit *port = AddEdit(c.portId, label->text() + portSuffix);
    port->setMaximumWidth(port->fontMetrics().horizontalAdvance(QStringLiteral("000000000")));
    label->setBuddy(ip);
    grid->addWidget(label, row, 0);
    grid->addWidget(ip, row, 1);
    grid->addWidget(port, row, 2);
    ++row;
  }
  grid->setColumnStretch(1, 1);
  layout->addWidget(centers);

  QGroupBox *dns = AddGroup(1051, "  域名解析DNS参数", "DNS Server");
  auto *dnsGrid = new QGridLayout(dns);
  QLabel *hint = AddLabel(1052, "如果使用DNS域名解析，请向域名服务商咨询域名服务器地址", "");
  hint->setVisible(!hint->text().isEmpty());
  dnsGrid->addWidget(hint, 0, 0, 1, 2);
  row = 1;
  for (const DnsRow &d : DNS) {
    QLabel *label = AddLabel(d.labelId, d.zh, d.en);
    QWidget *ip = AddIp(d.ipId, label->text());
    label->setBuddy(ip);
    dnsGrid->addWidget(label, row, 0);
    dnsGrid->addWidget(ip, row, 1);
    ++row;
  }
  dnsGrid->setColumnStretch(1, 1);
  layout->addWidget(dns);
  layout->addStretch(1);
}

void CBaseDlg::SetClientMode(bool client) {
  m_client = client;
  if (client)
    EnableAll();
  else
    DisableAll();
  if (auto *label = qobject_cast<QLabel *>(Control(1045)))
    label->setText(client ? Tr("主 中心 地址 + 端口：", "Main Center Addr+Port:") : Tr("监视端口：", "Listen Port:"));
  if (QWidget *port = Control(1010))
    port->setEnabled(true);
}
