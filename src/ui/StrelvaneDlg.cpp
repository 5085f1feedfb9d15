#include "ui/StrelvaneDlg.h"

#include "device/DeviceController.h"
#include "device/Terminal.h"
#include "base/ThreadExecutor.h"
#include "base/Timing.h"
#include "pages/AlarmTime.h"
#include "pages/BaseDlg.h"
#include "pages/DtuDlg.h"
#include "pages/GpsDlg.h"
#include "pages/OtherDlg.h"
#include "params/PageItems.h"
#include "text/HexText.h"
#include "text/Lang.h"
#include "ui/AboutDlg.h"
#include "widgets/ControlIds.h"
#include "widgets/ControlUtil.h"
#include "ui/OutputView.h"
#include "ui/TabSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

using namespace idc;

const QList<int> CStrelvaneDlg::OPERATION_SET = {
    IDC_SHOW_CONFIG,   IDC_SHOW_BAUD,        IDC_AUTO_DETECT, IDC_VERSION,     IDC_SIGNAL, IDC_FACTORY,
    IDC_SAVE_SETTINGS, IDC_LOAD_FROM_DEVICE, IDC_LOAD_CONFIG, IDC_CONFIG_PATH, IDC_BROWSE};

namespace {
struct Caption {
  int id;
  const char *zh;
  const char *en;
};
const Caption CAPTIONS[] = {
    {IDC_GROUP_STATE, "工作状态切换", "Work State Switch"},
    {IDC_MODE_CONFIG, "配置状态", "Config"},
    {IDC_MODE_COMM, "通讯状态", "Communication"},
    {IDC_REBOOT_COMM, "重启设备进入通讯状态(&E)", "Reboot Enter Communication State"},
    {IDC_GROUP_SERIAL, "串口设置", "Serial Params"},
    {IDC_PORT_LABEL, "串口号：", "COM:"},
    {IDC_BAUD_LABEL, "波特率：", "Baudrate:"},
    {IDC_PARITY_LABEL, "检验位：", "Parity:"},
    {IDC_OPEN_CLOSE, "打开串口", "Open"},
    {IDC_GROUP_OUTPUT, "输出信息", "Output Info"},
    {IDC_TIMED_SEND, "定时发送", "Schedule Send"},
    {IDC_MS_LABEL, "毫秒/次", "ms"},
    {IDC_DATA_LABEL, "发送数据：", "Data:"},
    {IDC_ADD_CR, "结尾添加回车符", "Add Enter terminator"},
    {IDC_HEX_SEND, "十六进制发送", "Hex Send"},
    {IDC_HEX_DISPLAY, "十六进制显示", "Hex Display"},
    {IDC_SEND, "发送(&S)", "Send"},
    {IDC_GROUP_FUNCTIONS, "功能操作项", "Functions"},
    {IDC_SHOW_CONFIG, "查看当前配置(&F)", "Show Config"},
    {IDC_SHOW_BAUD, "波特率查看(&B)", "Show Bandrate"},
    {IDC_AUTO_DETECT, "自动检测(&A)", "Auto Detect"},
    {IDC_VERSION, "查询版本(&V)", "Ver Info"},
    {IDC_SIGNAL, "信号强度(&I)", "Signal Value"},
    {IDC_FACTORY, "出厂配置(&R)", "Factory Setting"},
    {IDC_CLEAR_OUTPUT, "清空窗口(&C)", "Clear Output"},
    {IDC_SAVE_OUTPUT, "保存输出信息", "Save Output"},
    {IDC_BROWSE, "浏览..", "Browse.."},
    {IDC_SAVE_CONFIG, "保存配置到文件", "Save Config"},
    {IDC_LOAD_CONFIG, "从配置文件配置", "Load Config"},
    {IDC_GROUP_CONFIG, "IP Modem设备配置参数", "IP Modem Config"},
    {IDC_SAVE_SETTINGS, "保存设置(&S)", "Save"},
    {IDC_LOAD_FROM_DEVICE, "从设备载入参数(&L)", "Load From IP Modem"},
    {IDC_POWER_OFF, "关机(&H)", "Power-Off"},
};

QString CaptionOf(int id) {
  for (const Caption &c : CAPTIONS) {
    if (c.id == id)
      return Tr(c.zh, c.en);
  }
  return {};
}

const unsigned TEMPLATE_BASE = 130, TEMPLATE_DTU = 131, TEMPLATE_OTHER = 132, TEMPLATE_ALARM = 156, TEMPLATE_GPS = 161;

QString PageTitle(EPage page) {
  switch (page) {
  case EPage::Base:
    return Tr("中心服务器参数", "Data Service Center Settings");
  case EPage::Dtu:
    return Tr("IP Modem工作参数", "IP Modem Setting");
  case EPage::Other:
    return Tr("其他参数", "Other Setting");
  case EPage::Alarm:
    return Tr("定时开关机", "Scheduled Power On/Off Setting");
  case EPage::Gps:
    return Tr("GPS设置", "GPS Setting");
  default:
    return {};
  }
}

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

const CMsg MSG_NO_PORT{"没发现串口，程序不能正常执行，请检查串口，退出！",
                       "没发现串口，程序不能正常执行，请检查串口，退出！"};
const CMsg MSG_OPEN_FAILED{"文件打开失败", "文件打开失败"};
const CMsg MSG_SAVED{"保存成功", "Save Successful"};
} // namespace

template <class R, class F> R CStrelvaneDlg::OnWindow(R fallback, F fn) {
  R result = fallback;
  m_executor->Call([&] { result = fn(); });
  return result;
}

template <class F> void CStrelvaneDlg::OnWindow(F fn) { m_executor->Call(fn); }

CStrelvaneDlg::CStrelvaneDlg(QWidget *parent, qsizetype logLimit)
    : QDialog(parent), m_executor(new CThreadExecutor(this)), m_pageBase(new CBaseDlg(this)),
      m_pageDtu(new CDtuDlg(this)), m_pageOther(new COtherDlg(this)), m_pageAlarm(new CAlarmTime(this)),
      m_pageGps(new CGpsDlg(this)), m_log(logLimit) {
  setObjectName(QStringLiteral("102"));
  setWindowTitle(QString::fromLatin1(TITLE));
  setWindowIcon(MainIcon());
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  BuildControls();
  m_promptTimer.setObjectName(QStringLiteral("100"));
  connect(&m_promptTimer, &QTimer::timeout, this, [this] {
    if (m_promptHandler)
      m_promptHandler();
  });
  m_portRefreshTimer.setInterval(PORT_REFRESH_MS);
  connect(&m_portRefreshTimer, &QTimer::timeout, this, &CStrelvaneDlg::RefreshPortList);
  m_demoPowerTimer.setSingleShot(true);
  connect(&m_demoPowerTimer, &QTimer::timeout, this, [this] {
    if (m_demoRepower)
      m_demoRepower();
  });
  AttachDevice();
  AttachTerminal();
}

CStrelvaneDlg::~CStrelvaneDlg() {
  m_executor->Shutdown();
  m_timedSendTimer.stop();
  m_terminal.reset();
  m_device.reset(); // its workers end before the widgets they reach go
}

void CStrelvaneDlg::AttachDevice() {
  m_device = std::make_unique<CDeviceController>(*this, *this);
  CDeviceController *d = m_device.get();
  auto baud = [this] { return m_baudCombo->currentText(); };
  m_promptHandler = [d] { d->OnPromptTimer(); };
  SetCommandHandler(IDC_MODE_CONFIG, [d, baud] { d->SelectConfigState(baud()); });
  SetCommandHandler(IDC_MODE_COMM, [d] { d->SelectCommState(); });
  SetCommandHandler(IDC_REBOOT_COMM, [d] { d->RebootToCommState(); });
  SetCommandHandler(IDC_SHOW_CONFIG, [d] { d->ShowConfig(); });
  SetCommandHandler(IDC_SHOW_BAUD, [d] { d->ShowBaudrate(); });
  SetCommandHandler(IDC_AUTO_DETECT, [d] { d->AutoDetect(); });
  SetCommandHandler(IDC_VERSION, [d] { d->ShowVersion(); });
  SetCommandHandler(IDC_SIGNAL, [d] { d->ShowSignal(); });
  SetCommandHandler(IDC_FACTORY, [d] { d->FactoryReset(); });
  SetCommandHandler(IDC_SAVE_SETTINGS, [d] { d->SaveToDevice(); });
  SetCommandHandler(IDC_LOAD_FROM_DEVICE, [d] { d->LoadFromDevice(); });
  SetCommandHandler(IDC_POWER_OFF, [d] { d->PowerOff(); });
  SetCommandHandler(IDC_SAVE_CONFIG, [this, d] {
    const QString path = AskFileName(true, QStringLiteral("Tavrenholt-Dtu.cfg"), QStringLiteral("*.cfg"));
    if (!path.isEmpty())
      d->SaveConfigFile(path);
  });
  SetCommandHandler(IDC_LOAD_CONFIG,
                    [this, d] { d->LoadConfigFile(qobject_cast<QLineEdit *>(Control(IDC_CONFIG_PATH))->text()); });
  m_pageAlarm->SetClockHandler([d](const QByteArray &clock) { d->SetDeviceClock(clock); });
  SetCommandHandler(IDC_HEX_DISPLAY, [this, d] {
    d->Engine().SetHexDisplay(qobject_cast<QAbstractButton *>(Control(IDC_HEX_DISPLAY))->isChecked());
  });
}

// ---- Terminal

void CStrelvaneDlg::AttachTerminal() {
  m_terminal = std::make_unique<CTerminalWriter>(m_device->Serial());
  m_timedSendTimer.setObjectName(QString::number(TIMER_TIMED_SEND));
  connect(&m_timedSendTimer, &QTimer::timeout, this, [this] { OnSend(true); });
  SetCommandHandler(IDC_SEND, [this] { OnSend(false); });
  SetCommandHandler(IDC_TIMED_SEND, [this] { OnTimedSend(); });
  SetCommandHandler(IDC_HEX_SEND, [this] { OnHexSend(); });
  // Typed characters go to the device and only what it sends back is shown.
  m_output->SetTypedHandler([this](const QString &typed) {
    if (!m_bConfigLayout)
      m_terminal->Send(terminal::TypedBytes(typed));
  });
}

void CStrelvaneDlg::OnSend(bool timed) {
  const bool addCr = qobject_cast<QAbstractButton *>(Control(IDC_ADD_CR))->isChecked();
  const bool hex = qobject_cast<QAbstractButton *>(Control(IDC_HEX_SEND))->isChecked();
  const QString text = qobject_cast<QLineEdit *>(Control(IDC_SEND_DATA))->text();
  const std::optional<QByteArray> bytes = terminal::SendBytes(text, hex, addCr);
  if (!bytes) {
    // A timed send would repeat the message every tick: it stops first.
    if (timed)
      StopTimedSend();
    ShowMessage(MSG_HEX_TEXT_ERROR.Get(), {});
    return;
  }
  // The line may be slow: the writer queues, the window goes on. A tick while
  // the previous one is still going out is skipped rather than piled up.
  if (timed)
    m_terminal->SendIfIdle(*bytes);
  else
    m_terminal->Send(*bytes);
}

void CStrelvaneDlg::OnTimedSend() {
  auto *interval = qobject_cast<QLineEdit *>(Control(IDC_SEND_INTERVAL));
  if (!qobject_cast<QAbstractButton *>(Control(IDC_TIMED_SEND))->isChecked()) {
    interval->setReadOnly(false);
    m_timedSendTimer.stop();
    return;
  }
  interval->setReadOnly(true);
  m_timedSendTimer.start(terminal::TimedSendInterval(interval->text()));
}

void CStrelvaneDlg::StopTimedSend() {
  qobject_cast<QAbstractButton *>(Control(IDC_TIMED_SEND))->setChecked(false);
  OnTimedSend();
}

void CStrelvaneDlg::OnHexSend() {
  auto *data = qobject_cast<QLineEdit *>(Control(IDC_SEND_DATA));
  const QString text = data->text();
  if (text.isEmpty())
    return;
  const bool toHex = qobject_cast<QAbstractButton *>(Control(IDC_HEX_SEND))->isChecked();
  const std::optional<QString> converted = terminal::ToggleHexSend(text, toHex);
  if (!converted) {
    ShowMessage(MSG_HEX_TEXT_ERROR.Get(), {});
    return;
  }
  data->setText(*converted);
}

bool CStrelvaneDlg::IsPortOpen() const { return m_device->Serial().IsOpen(); }

void CStrelvaneDlg::BuildControls() {
  auto button = [this](int id) {
    auto *b = new QPushButton(CaptionOf(id), this);
    b->setAutoDefault(false);
    ui::SetControlId(b, id, b->text());
    m_controls.insert(id, b);
    connect(b, &QPushButton::clicked, this, [this, id] { Command(id); });
    return b;
  };
  auto label = [this](int id) {
    auto *l = new QLabel(CaptionOf(id), this);
    ui::SetControlId(l, id);
    m_controls.insert(id, l);
    return l;
  };
  auto group = [this](int id) {
    auto *g = new QGroupBox(CaptionOf(id), this);
    ui::SetControlId(g, id);
    m_controls.insert(id, g);
    return g;
  };
  auto check = [this](int id) {
    auto *c = new QCheckBox(CaptionOf(id), this);
    ui::SetControlId(c, id, c->text());
    m_controls.insert(id, c);
    connect(c, &QCheckBox::clicked, this, [this, id] { Command(id); });
    return c;
  };
  auto combo = [this](int id, const QString &accessibleName) {
    auto *c = new QComboBox(this);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    ui::SetControlId(c, id, accessibleName);
    m_controls.insert(id, c);
    return c;
  };
  auto edit = [this](int id, const QString &accessibleName) {
    auto *e = new QLineEdit(this);
    ui::SetControlId(e, id, accessibleName);
    m_controls.insert(id, e);
    return e;
  };

  auto *root = new QVBoxLayout(this);
  // No system menu to extend here: the about box has a Help menu instead.
  m_menuBar = new QMenuBar(this);
  QMenu *help = m_menuBar->addMenu(Tr("帮助(&H)", "&Help"));
  help->addAction(QStringLiteral("关于 (&A)..."), this, &CStrelvaneDlg::ShowAbout);
  root->setMenuBar(m_menuBar);

  auto *columns = new QHBoxLayout;
  root->addLayout(columns, 1);
  auto *left = new QVBoxLayout;
  auto *right = new QVBoxLayout;
  // The pages keep their natural width; the log takes what the window gains.
  columns->addLayout(left, 1);
  columns->addLayout(right, 0);

  // Work state and serial port, side by side above the log.
  auto *top = new QHBoxLayout;
  QGroupBox *state = group(IDC_GROUP_STATE);
  auto *stateLayout = new QVBoxLayout(state);
  for (int id : {IDC_MODE_CONFIG, IDC_MODE_COMM}) {
    auto *r = new QRadioButton(CaptionOf(id), state);
    ui::SetControlId(r, id, r->text());
    m_controls.insert(id, r);
    connect(r, &QRadioButton::clicked, this, [this, id] { Command(id); });
    stateLayout->addWidget(r);
  }
  stateLayout->addWidget(button(IDC_REBOOT_COMM));
  stateLayout->addStretch(1);
  top->addWidget(state);

  QGroupBox *serial = group(IDC_GROUP_SERIAL);
  auto *serialLayout = new QGridLayout(serial);
  QLabel *portLabel = label(IDC_PORT_LABEL);
  QLabel *baudLabel = label(IDC_BAUD_LABEL);
  QLabel *parityLabel = label(IDC_PARITY_LABEL);
  m_portCombo = combo(IDC_PORT, portLabel->text());
  m_portCombo->setItemDelegate(new CPortDelegate(m_portCombo));
  m_portCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  m_portCombo->setMinimumContentsLength(14);
  m_baudCombo = combo(IDC_BAUD, baudLabel->text());
  m_baudCombo->addItems(pageitems::Items(EPage::None, pageitems::MAIN_BAUD));
  m_parityCombo = combo(IDC_PARITY, parityLabel->text());
  m_parityCombo->addItems(pageitems::Items(EPage::None, pageitems::MAIN_PARITY));
  portLabel->setBuddy(m_portCombo);
  baudLabel->setBuddy(m_baudCombo);
  parityLabel->setBuddy(m_parityCombo);
  serialLayout->addWidget(portLabel, 0, 0);
  serialLayout->addWidget(m_portCombo, 0, 1);
  serialLayout->addWidget(baudLabel, 1, 0);
  serialLayout->addWidget(m_baudCombo, 1, 1);
  serialLayout->addWidget(parityLabel, 2, 0);
  serialLayout->addWidget(m_parityCombo, 2, 1);
  serialLayout->addWidget(button(IDC_OPEN_CLOSE), 0, 2, 3, 1);
  serialLayout->setColumnStretch(1, 1);
  top->addWidget(serial, 1);
  left->addLayout(top);

  // The log and, in the communication layout, the terminal row below it.
  QGroupBox *output = group(IDC_GROUP_OUTPUT);
  auto *outputLayout = new QVBoxLayout(output);
  m_output = new COutputView(output);
  ui::SetControlId(m_output, IDC_OUTPUT, output->title());
  m_output->setMinimumSize(360, 260);
  m_controls.insert(IDC_OUTPUT, m_output);
  outputLayout->addWidget(m_output, 1);
  auto *terminal = new QGridLayout;
  QCheckBox *timed = check(IDC_TIMED_SEND);
  QLineEdit *interval = edit(IDC_SEND_INTERVAL, timed->text());
  interval->setFixedWidth(interval->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16);
  terminal->addWidget(timed, 0, 0);
  terminal->addWidget(interval, 0, 1);
  terminal->addWidget(label(IDC_MS_LABEL), 0, 2);
  terminal->addWidget(check(IDC_ADD_CR), 0, 3);
  terminal->addWidget(check(IDC_HEX_SEND), 0, 4);
  terminal->addWidget(check(IDC_HEX_DISPLAY), 0, 5);
  QLabel *dataLabel = label(IDC_DATA_LABEL);
  QLineEdit *data = edit(IDC_SEND_DATA, dataLabel->text());
  dataLabel->setBuddy(data);
  terminal->addWidget(dataLabel, 1, 0);
  terminal->addWidget(data, 1, 1, 1, 4);
  terminal->addWidget(button(IDC_SEND), 1, 5);
  terminal->setColumnStretch(3, 1);
  outputLayout->addLayout(terminal);
  left->addWidget(output, 1);

  // Device operations, the configuration file, then the pages.
  QGroupBox *functions = group(IDC_GROUP_FUNCTIONS);
  auto *fnLayout = new QGridLayout(functions);
  const int fnButtons[] = {IDC_SHOW_CONFIG, IDC_SHOW_BAUD, IDC_AUTO_DETECT,  IDC_VERSION,
                           IDC_SIGNAL,      IDC_FACTORY,   IDC_CLEAR_OUTPUT, IDC_SAVE_OUTPUT};
  for (int i = 0; i < 8; ++i)
    fnLayout->addWidget(button(fnButtons[i]), i / 4, i % 4);
  QLineEdit *path = edit(IDC_CONFIG_PATH, Tr("配置文件", "Config file"));
  fnLayout->addWidget(path, 2, 0, 1, 3);
  fnLayout->addWidget(button(IDC_BROWSE), 2, 3);
  fnLayout->addWidget(button(IDC_SAVE_CONFIG), 3, 0, 1, 2);
  fnLayout->addWidget(button(IDC_LOAD_CONFIG), 3, 2, 1, 2);
  right->addWidget(functions);

  QGroupBox *config = group(IDC_GROUP_CONFIG);
  auto *configLayout = new QVBoxLayout(config);
  m_tabSheet = new CTabSheet(config);
  ui::SetControlId(m_tabSheet, IDC_TAB, config->title());
  m_controls.insert(IDC_TAB, m_tabSheet);
  configLayout->addWidget(m_tabSheet, 1);
  auto *deviceRow = new QHBoxLayout;
  for (int id : {IDC_SAVE_SETTINGS, IDC_LOAD_FROM_DEVICE, IDC_POWER_OFF})
    deviceRow->addWidget(button(id));
  configLayout->addLayout(deviceRow);
  // Progress of the save walk ("3/12"); hidden between walks without moving the buttons.
  m_progress = new QProgressBar(config);
  m_progress->setObjectName(QStringLiteral("progress"));
  m_progress->setAccessibleName(Tr("进度", "Progress"));
  m_progress->setFormat(QStringLiteral("%v/%m"));
  m_progress->setRange(0, 1);
  m_progress->setValue(0);
  QSizePolicy keep = m_progress->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  m_progress->setSizePolicy(keep);
  m_progress->hide();
  configLayout->addWidget(m_progress);
  right->addWidget(config, 1);
}

void CStrelvaneDlg::Initialize(const QList<CPortEntry> &ports) {
  m_log.Clear();
  m_output->Clear();
  m_parityCombo->setCurrentIndex(0);
  m_baudCombo->setCurrentIndex(0);
  EnableOperationButtons(false);
  m_baudCombo->setEditText(QStringLiteral("115200"));

  // Every page ever offered must be created by the first Show; then three tabs.
  m_tabSheet->AddPage(PageTitle(EPage::Base), m_pageBase, TEMPLATE_BASE);
  m_tabSheet->AddPage(PageTitle(EPage::Dtu), m_pageDtu, TEMPLATE_DTU);
  m_tabSheet->AddPage(PageTitle(EPage::Other), m_pageOther, TEMPLATE_OTHER);
  m_tabSheet->AddPage(PageTitle(EPage::Alarm), m_pageAlarm, TEMPLATE_ALARM);
  m_tabSheet->AddPage(PageTitle(EPage::Gps), m_pageGps, TEMPLATE_GPS);
  m_tabSheet->Show();
  ShowTabs(false, false);
  // Enter must never press a button of the window or of its pages.
  for (QPushButton *b : findChildren<QPushButton *>())
    b->setAutoDefault(false);

  qobject_cast<QLineEdit *>(Control(IDC_SEND_INTERVAL))->setText(QStringLiteral("2000"));
  qobject_cast<QRadioButton *>(Control(IDC_MODE_CONFIG))->setChecked(true);
  SetConfigurationLayout();
  EnableControl(IDC_REBOOT_COMM, false);

  // The natural size, not a size cut down to a share of the screen: three tabs fit.
  resize(sizeHint().expandedTo(minimumSizeHint()));

  FillPortCombo(ports);
  if (m_portSource)
    m_portRefreshTimer.start();
  if (ports.isEmpty()) {
    ShowMessage(MSG_NO_PORT.Get(), {});
    UpdatePortControls();
    return;
  }
  m_portCombo->setCurrentIndex(0);
  OpenClosePort();
  UpdatePortControls();
}

void CStrelvaneDlg::FillPortCombo(const QList<CPortEntry> &ports) {
  m_portCombo->clear();
  for (const CPortEntry &p : ports) {
    m_portCombo->addItem(p.name);
    if (!p.description.isEmpty())
      m_portCombo->setItemData(m_portCombo->count() - 1, p.description, Qt::ToolTipRole);
  }
}

void CStrelvaneDlg::RefreshPortList() {
  // An open port's controls are locked, and an open drop-down is not pulled from under the user.
  if (!m_portSource || IsPortOpen() || m_portCombo->view()->isVisible())
    return;
  const QList<CPortEntry> ports = m_portSource();
  bool same = ports.size() == m_portCombo->count();
  for (qsizetype i = 0; same && i < ports.size(); ++i) {
    const int row = static_cast<int>(i);
    same = ports[i].name == m_portCombo->itemText(row) &&
           ports[i].description == m_portCombo->itemData(row, Qt::ToolTipRole).toString();
  }
  if (same)
    return;
  const QString chosen = m_portCombo->currentText();
  FillPortCombo(ports);
  if (chosen.isEmpty())
    return; // nothing was chosen: the first port now is
  const int pos = m_portCombo->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (pos >= 0)
    m_portCombo->setCurrentIndex(pos);
  else
    m_portCombo->setEditText(chosen); // a port that went away stays chosen; opening it says why
}

void CStrelvaneDlg::EnableDemo(const QString &path, std::function<void()> repower) {
  m_demoPath = path;
  m_demoRepower = std::move(repower);
  if (m_repowerAction)
    return;
  QMenu *demo = m_menuBar->addMenu(Tr("模拟设备(&D)", "&Demo"));
  m_repowerAction = demo->addAction(Tr("重新上电模拟设备(&P)", "Re-&power simulated device"), this, [this] {
    if (m_demoRepower)
      m_demoRepower();
  });
  m_repowerAction->setObjectName(QStringLiteral("demo_repower"));
}

QWidget *CStrelvaneDlg::Control(int id) const { return m_controls.value(id); }

CPageDlg *CStrelvaneDlg::Page(EPage page) const {
  switch (page) {
  case EPage::Base:
    return m_pageBase;
  case EPage::Dtu:
    return m_pageDtu;
  case EPage::Other:
    return m_pageOther;
  case EPage::Alarm:
    return m_pageAlarm;
  case EPage::Gps:
    return m_pageGps;
  default:
    return nullptr;
  }
}

QList<QWidget *> CStrelvaneDlg::TerminalRow() const {
  QList<QWidget *> row;
  for (int id : {IDC_TIMED_SEND, IDC_SEND_INTERVAL, IDC_MS_LABEL, IDC_DATA_LABEL, IDC_ADD_CR, IDC_HEX_SEND,
                 IDC_HEX_DISPLAY, IDC_SEND_DATA, IDC_SEND})
    row << Control(id);
  return row;
}

void CStrelvaneDlg::SetCommandHandler(int id, std::function<void()> fn) { m_handlers.insert(id, std::move(fn)); }

void CStrelvaneDlg::Command(int id) {
  switch (id) {
  case IDC_OPEN_CLOSE:
    OpenClosePort();
    UpdatePortControls();
    return;
  case IDC_CLEAR_OUTPUT:
    OnClearOutput();
    return;
  case IDC_SAVE_OUTPUT:
    OnSaveOutput();
    return;
  case IDC_BROWSE:
    OnBrowseConfigFile();
    return;
  default:
    break;
  }
  if (auto it = m_handlers.find(id); it != m_handlers.end() && *it) {
    (*it)();
    return;
  }
  // Until the engine takes over the mode switch, the radio buttons switch the layout.
  if (id == IDC_MODE_COMM) {
    SetCommunicationLayout();
    EnableOperationButtons(false);
    DisableAllPages();
  } else if (id == IDC_MODE_CONFIG) {
    SetConfigurationLayout();
  }
}

void CStrelvaneDlg::OpenClosePort() {
  if (!IsPortOpen()) {
    m_openedPort = m_portCombo->currentText();
    m_openedBaud = m_baudCombo->currentText();
  }
  m_device->OpenClosePort(m_openedPort, m_openedPort, m_openedBaud);
  // The simulated device is switched on a moment after its port opens, as a
  // technician would after opening the port.
  if (IsPortOpen() && !m_demoPath.isEmpty() && m_openedPort == m_demoPath)
    m_demoPowerTimer.start(CTiming::Ms(1000));
  else
    m_demoPowerTimer.stop();
}

void CStrelvaneDlg::ShowAbout() {
  CAboutDlg about(this);
  about.exec();
}

void CStrelvaneDlg::accept() {}

void CStrelvaneDlg::done(int result) {
  m_promptTimer.stop();
  m_timedSendTimer.stop();
  m_terminal->Shutdown();
  m_portRefreshTimer.stop();
  m_demoPowerTimer.stop();
  // Nothing more reaches the device, then workers waiting for the window are
  // released (the controller closes the gate), then they end at once.
  m_device->Shutdown();
  QDialog::done(result);
}

void CStrelvaneDlg::ShutdownCalls() { m_executor->Shutdown(); }

void CStrelvaneDlg::showEvent(QShowEvent *e) {
  QDialog::showEvent(e);
  m_output->MoveCaretToEnd();
  m_output->setFocus();
}

// ---- DialogHost

void CStrelvaneDlg::AppendOutput(const QString &text) {
  OnWindow([&] {
    const qsizetype dropped = m_log.Append(text);
    m_output->Append(text, dropped);
  });
}

void CStrelvaneDlg::EnableOperationButtons(bool enable) {
  OnWindow([&] {
    if (!enable) {
      for (int id : OPERATION_SET)
        Control(id)->setEnabled(false);
      Control(IDC_SAVE_CONFIG)->setEnabled(false);
      Control(IDC_POWER_OFF)->setEnabled(false);
      return;
    }
    // Power-off only for a device that listed the first power-schedule group.
    Control(IDC_POWER_OFF)->setEnabled(m_device->Session().Table().Found(PARAM_ALARM_FIRST));
    for (int id : OPERATION_SET)
      Control(id)->setEnabled(true);
  });
}

void CStrelvaneDlg::EnableSaveToFile() {
  OnWindow([&] { Control(IDC_SAVE_CONFIG)->setEnabled(true); });
}

void CStrelvaneDlg::UpdatePortControls() {
  OnWindow([&] {
    auto *b = qobject_cast<QPushButton *>(Control(IDC_OPEN_CLOSE));
    b->setText(IsPortOpen() ? Tr("关闭串口", "Close") : Tr("打开串口", "Open"));
    b->setAccessibleName(b->text());
    for (QComboBox *c : {m_portCombo, m_baudCombo, m_parityCombo})
      c->setEnabled(!IsPortOpen());
  });
}

void CStrelvaneDlg::SetConfigurationLayout() {
  OnWindow([&] {
    for (QWidget *w : TerminalRow())
      w->hide();
    m_output->SetTerminalMode(false);
    m_bConfigLayout = true;
  });
}

void CStrelvaneDlg::SetCommunicationLayout() {
  OnWindow([&] {
    for (QWidget *w : TerminalRow())
      w->show();
    m_output->SetTerminalMode(true);
    m_bConfigLayout = false;
  });
}

void CStrelvaneDlg::SetCommStateSelected(bool comm) {
  OnWindow([&] { qobject_cast<QRadioButton *>(Control(comm ? IDC_MODE_COMM : IDC_MODE_CONFIG))->setChecked(true); });
}

void CStrelvaneDlg::EnableControl(int id, bool enable) {
  OnWindow([&] {
    if (QWidget *w = Control(id))
      w->setEnabled(enable);
  });
}

void CStrelvaneDlg::ShowMessage(const QString &text, const QString &caption) {
  OnWindow([&] {
    if (m_messageHook) {
      m_messageHook(text, caption);
      return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption.isEmpty() ? windowTitle() : caption, text, QMessageBox::Ok, this);
    box.exec();
  });
}

bool CStrelvaneDlg::AskYesNo(const QString &text, const QString &caption) {
  return OnWindow(false, [&] {
    if (m_questionHook)
      return m_questionHook(text, caption);
    return QMessageBox::question(this, caption.isEmpty() ? windowTitle() : caption, text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  });
}

void CStrelvaneDlg::StartPromptTimer(int periodMs) {
  OnWindow([&] { m_promptTimer.start(std::max(periodMs, 1)); });
}

void CStrelvaneDlg::StopPromptTimer() {
  OnWindow([&] { m_promptTimer.stop(); });
}

void CStrelvaneDlg::ShowProgress(int done, int total) {
  OnWindow([&] {
    if (total <= 0) {
      m_progress->hide();
      return;
    }
    m_progress->setRange(0, total);
    m_progress->show();
    m_progress->setValue(std::clamp(done, 0, total));
  });
}

// ---- Output log

void CStrelvaneDlg::OnClearOutput() {
  m_log.Clear();
  m_output->Clear();
}

void CStrelvaneDlg::OnSaveOutput() {
  const QString path =
      QFileDialog::getSaveFileName(this, QString(), QStringLiteral("Tavrenholt-Dtu.txt"), QStringLiteral("*.txt"));
  if (path.isEmpty())
    return;
  SaveOutputTo(path);
}

bool CStrelvaneDlg::SaveOutputTo(const QString &path) {
  const QString text = m_output->LogText();
  if (!SaveLogFile(path, text)) {
    // One message for every failure: the old file, if any, is left as it was.
    ShowMessage(MSG_OPEN_FAILED.Get(), {});
    return false;
  }
  if (!text.isEmpty())
    ShowMessage(MSG_SAVED.Get(), {});
  return true;
}

QString CStrelvaneDlg::AskFileName(bool save, const QString &name, const QString &filter) {
  if (m_fileDialogHook)
    return m_fileDialogHook(save, name, filter);
  // No extension is added and an existing file is replaced without asking, as the tool always did.
  if (save)
    return QFileDialog::getSaveFileName(this, QString(), name, filter, nullptr, QFileDialog::DontConfirmOverwrite);
  return QFileDialog::getOpenFileName(this, QString(), name, filter);
}

void CStrelvaneDlg::OnBrowseConfigFile() {
  const QString path = AskFileName(false, QString(), QStringLiteral("*.cfg"));
  if (!path.isEmpty())
    qobject_cast<QLineEdit *>(Control(IDC_CONFIG_PATH))->setText(path);
}

// ---- PageControls

QWidget *CStrelvaneDlg::ParamControl(int index, bool hidden) const {
  if (index < 0 || index >= PARAM_COUNT)
    return nullptr;
  const ParamInfo &info = ParamInfoAt(index);
  CPageDlg *page = Page(info.page);
  if (!page)
    return nullptr;
  const bool schedule = info.kind == EControlKind::Schedule;
  if (hidden && !schedule)
    return nullptr;
  return page->Control(schedule && !hidden ? info.controlId : (schedule ? info.hiddenControlId : info.controlId));
}

QString CStrelvaneDlg::ParamText(int index) {
  return OnWindow(QString(), [&]() -> QString {
    const bool schedule = index >= 0 && index < PARAM_COUNT && ParamInfoAt(index).kind == EControlKind::Schedule;
    QWidget *w = ParamControl(index, schedule);
    if (auto *edit = qobject_cast<QLineEdit *>(w))
      return edit->text();
    if (auto *combo = qobject_cast<QComboBox *>(w))
      return combo->isEditable() ? combo->currentText()
                                 : (combo->currentIndex() >= 0 ? combo->itemText(combo->currentIndex()) : QString());
    return {};
  });
}

void CStrelvaneDlg::SetParamText(int index, const QString &text) {
  OnWindow([&] {
    const bool schedule = index >= 0 && index < PARAM_COUNT && ParamInfoAt(index).kind == EControlKind::Schedule;
    QWidget *w = ParamControl(index, schedule);
    if (auto *edit = qobject_cast<QLineEdit *>(w)) {
      edit->setText(text);
    } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
      if (combo->isEditable()) {
        combo->setEditText(text);
      } else {
        const int pos = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (pos >= 0)
          combo->setCurrentIndex(pos);
      }
    }
  });
}

int CStrelvaneDlg::ParamSelection(int index) {
  return OnWindow(-1, [&] {
    auto *combo = qobject_cast<QComboBox *>(ParamControl(index, false));
    return combo ? combo->currentIndex() : -1;
  });
}

void CStrelvaneDlg::SetParamSelection(int index, int position) {
  OnWindow([&] {
    if (auto *combo = qobject_cast<QComboBox *>(ParamControl(index, false)))
      combo->setCurrentIndex(position >= 0 && position < combo->count() ? position : -1);
  });
}

QString CStrelvaneDlg::ScheduleDescription(int index) {
  return OnWindow(QString(), [&]() -> QString {
    if (index < 0 || index >= PARAM_COUNT || ParamInfoAt(index).kind != EControlKind::Schedule)
      return {};
    auto *edit = qobject_cast<QLineEdit *>(ParamControl(index, false));
    return edit ? edit->text() : QString();
  });
}

void CStrelvaneDlg::SetScheduleDescription(int index, const QString &text) {
  OnWindow([&] {
    if (index < 0 || index >= PARAM_COUNT || ParamInfoAt(index).kind != EControlKind::Schedule)
      return;
    if (auto *edit = qobject_cast<QLineEdit *>(ParamControl(index, false)))
      edit->setText(text);
  });
}

bool CStrelvaneDlg::IsParamEnabled(int index) {
  return OnWindow(false, [&] {
    QWidget *w = ParamControl(index, false);
    return w && w->isEnabled();
  });
}

void CStrelvaneDlg::DisableAll(EPage page) {
  OnWindow([&] {
    if (CPageDlg *p = Page(page))
      p->DisableAll();
  });
}

void CStrelvaneDlg::EnableAll(EPage page) {
  OnWindow([&] {
    if (CPageDlg *p = Page(page))
      p->EnableAll();
  });
}

void CStrelvaneDlg::EnableForEditing() {
  OnWindow([&] { m_pageAlarm->EnableForEditing(); });
}

void CStrelvaneDlg::SetClientMode(bool client) {
  OnWindow([&] { m_pageBase->SetClientMode(client); });
}

void CStrelvaneDlg::ShowTabs(bool withAlarm, bool withGps) {
  OnWindow([&] {
    m_tabSheet->RemoveAllPages();
    m_tabSheet->AddPage(PageTitle(EPage::Base), m_pageBase, TEMPLATE_BASE);
    m_tabSheet->AddPage(PageTitle(EPage::Dtu), m_pageDtu, TEMPLATE_DTU);
    m_tabSheet->AddPage(PageTitle(EPage::Other), m_pageOther, TEMPLATE_OTHER);
    if (withAlarm)
      m_tabSheet->AddPage(PageTitle(EPage::Alarm), m_pageAlarm, TEMPLATE_ALARM);
    if (withGps)
      m_tabSheet->AddPage(PageTitle(EPage::Gps), m_pageGps, TEMPLATE_GPS);
    m_tabSheet->Show();
  });
}

QList<EPage> CStrelvaneDlg::Tabs() {
  return OnWindow(QList<EPage>(), [&] {
    QList<EPage> tabs;
    for (int i = 0; i < m_tabSheet->Count(); ++i)
      tabs << m_tabSheet->PageAt(i)->Page();
    return tabs;
  });
}
