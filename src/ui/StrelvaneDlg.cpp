#include "ui/StrelvaneDlg.h"

#include "device/DeviceController.h"
#include "device/SaveSequencer.h"
#include "device/Terminal.h"
#include "base/ThreadExecutor.h"
#include "base/Timing.h"
#include "pages/AlarmTime.h"
#include "params/PageItems.h"
#include "text/HexText.h"
#include "text/Lang.h"
#include "ui/AboutDlg.h"
#include "widgets/ControlIds.h"
#include "widgets/ControlUtil.h"
#include "ui/OutputView.h"
#include "ui/PortDelegate.h"
#include "ui/TabSheet.h"
#include "ui/TerminalRow.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
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
    {IDC_GROUP_FUNCTIONS, "功能操作项", "Functions"},
    {IDC_SHOW_CONFIG, "查看当前配置(&F)", "Show Config"},
    {IDC_SHOW_BAUD, "波特率查看(&B)", "Show Bandrate"}, // the original tool's caption, as technicians know it
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

const CMsg MSG_NO_PORT{"没发现串口，程序不能正常执行，请检查串口，退出！",
                       "没发现串口，程序不能正常执行，请检查串口，退出！"};
// The two buttons that cannot be undone from the tool ask first.
const CMsg MSG_CONFIRM_FACTORY{"确定要恢复出厂配置吗？设备的全部参数将被出厂值替换。",
                               "Restore the factory settings? Every parameter of the device is replaced by its "
                               "factory value."};
const CMsg MSG_CONFIRM_POWER_OFF{"确定要关闭设备吗？关机后设备须重新上电（或到开机时间）才能再用。",
                                 "Power the device off? It stays off until it is powered up again or its power "
                                 "schedule wakes it."};
} // namespace

CStrelvaneDlg::CStrelvaneDlg(QWidget *parent, qsizetype logLimit)
    : QDialog(parent), m_executor(new CThreadExecutor(this)),
      m_pages(std::make_unique<CWidgetPageControls>(*m_executor, this)), m_log(logLimit) {
  setObjectName(QStringLiteral("102"));
  setWindowTitle(QString::fromLatin1(TITLE));
  setWindowIcon(MainIcon());
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  BuildControls();
  m_pages->SetTabSheet(m_tabSheet);
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
  // The marks of fields the device does not hold yet follow both sides: the
  // user's edits and the device's table (a load, a confirmed write).
  m_markTimer.setSingleShot(true);
  m_markTimer.setInterval(0);
  connect(&m_markTimer, &QTimer::timeout, this, &CStrelvaneDlg::UpdateChangeMarks);
  m_pages->SetEditedHandler([this] { m_markTimer.start(); });
  m_device->Session().Table().SetChangedHandler([this] { m_executor->Post([this] { m_markTimer.start(); }); });
}

void CStrelvaneDlg::UpdateChangeMarks() {
  m_pages->SetChangeMarks(DifferingParams(*m_pages, m_device->Session().Table()));
}

CStrelvaneDlg::~CStrelvaneDlg() {
  m_device->Session().Table().SetChangedHandler({});
  m_executor->Shutdown();
  m_terminalRow->StopTimer();
  m_terminal.reset();
  m_device.reset(); // its workers end before the widgets they reach go
}

void CStrelvaneDlg::AttachDevice() {
  m_device = std::make_unique<CDeviceController>(*this, *m_pages);
  CDeviceController *d = m_device.get();
  d->Serial().SetTranscript(&m_transcript);
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
  SetCommandHandler(IDC_FACTORY, [this, d] {
    if (AskYesNo(MSG_CONFIRM_FACTORY.Get(), QString()))
      d->FactoryReset();
  });
  SetCommandHandler(IDC_SAVE_SETTINGS, [d] { d->SaveToDevice(); });
  SetCommandHandler(IDC_LOAD_FROM_DEVICE, [d] { d->LoadFromDevice(); });
  SetCommandHandler(IDC_POWER_OFF, [this, d] {
    if (AskYesNo(MSG_CONFIRM_POWER_OFF.Get(), QString()))
      d->PowerOff();
  });
  SetCommandHandler(IDC_SAVE_CONFIG, [this, d] {
    const QString path = AskFileName(true, QStringLiteral("Tavrenholt-Dtu.cfg"), QStringLiteral("*.cfg"));
    if (!path.isEmpty())
      d->SaveConfigFile(path);
  });
  SetCommandHandler(IDC_LOAD_CONFIG,
                    [this, d] { d->LoadConfigFile(qobject_cast<QLineEdit *>(Control(IDC_CONFIG_PATH))->text()); });
  m_pages->AlarmPage()->SetClockHandler([d](const QByteArray &clock) { d->SetDeviceClock(clock); });
  SetCommandHandler(IDC_HEX_DISPLAY, [this, d] { d->Engine().SetHexDisplay(m_terminalRow->HexDisplay()); });
}

// ---- Terminal

void CStrelvaneDlg::AttachTerminal() {
  m_terminal = std::make_unique<CTerminalWriter>(m_device->Serial());
  m_terminalRow->Attach(m_terminal.get(), [this](const QString &text) { ShowMessage(text, {}); });
  SetCommandHandler(IDC_SEND, [this] { m_terminalRow->OnSend(false); });
  SetCommandHandler(IDC_TIMED_SEND, [this] { m_terminalRow->OnTimedSend(); });
  SetCommandHandler(IDC_HEX_SEND, [this] { m_terminalRow->OnHexSend(); });
  // Typed characters go to the device and only what it sends back is shown.
  m_output->SetTypedHandler([this](const QString &typed) {
    if (!m_bConfigLayout)
      m_terminal->Send(terminal::TypedBytes(typed));
  });
}

bool CStrelvaneDlg::TimedSendActive() const { return m_terminalRow->TimedSendActive(); }

int CStrelvaneDlg::TimedSendPeriod() const { return m_terminalRow->TimedSendPeriod(); }

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
  m_terminalRow = new CTerminalRow(output, [this](int id) { Command(id); });
  for (QWidget *w : m_terminalRow->Controls())
    m_controls.insert(w->objectName().toInt(), w);
  outputLayout->addWidget(m_terminalRow);
  // The log is as wide as the terminal row below it, shown or not: switching
  // between the two layouts keeps the window's width.
  m_output->setMinimumWidth(std::max(m_output->minimumWidth(), m_terminalRow->sizeHint().width()));
  // Progress of the save walk ("3/12") under the log, where the window has
  // room to spare; hidden between walks without moving anything.
  m_progress = new QProgressBar(output);
  m_progress->setObjectName(QStringLiteral("progress"));
  m_progress->setAccessibleName(Tr("进度", "Progress"));
  m_progress->setFormat(QStringLiteral("%v/%m"));
  m_progress->setRange(0, 1);
  m_progress->setValue(0);
  QSizePolicy keep = m_progress->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  m_progress->setSizePolicy(keep);
  m_progress->hide();
  outputLayout->addWidget(m_progress);
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
  right->addWidget(config, 1);
}

void CStrelvaneDlg::Initialize(const QList<CPortEntry> &ports) {
  m_log.Clear();
  m_output->Clear();
  m_parityCombo->setCurrentIndex(0);
  m_baudCombo->setCurrentIndex(0);
  EnableOperationButtons(false);
  m_baudCombo->setEditText(QStringLiteral("115200"));

  m_pages->CreatePages();
  // Enter must never press a button of the window or of its pages.
  for (QPushButton *b : findChildren<QPushButton *>())
    b->setAutoDefault(false);

  qobject_cast<QLineEdit *>(Control(IDC_SEND_INTERVAL))->setText(QStringLiteral("2000"));
  qobject_cast<QRadioButton *>(Control(IDC_MODE_CONFIG))->setChecked(true);
  SetConfigurationLayout();
  EnableControl(IDC_REBOOT_COMM, false);

  // The natural size, where every tab title fits, but never more than the screen offers.
  QSize size = sizeHint().expandedTo(minimumSizeHint());
  if (const QScreen *s = screen())
    size = size.boundedTo(s->availableGeometry().size());
  resize(size);

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

QWidget *CStrelvaneDlg::Control(int id) const { return m_controls.value(id); }

CPageDlg *CStrelvaneDlg::Page(EPage page) const { return m_pages->Page(page); }

QList<QWidget *> CStrelvaneDlg::TerminalRow() const { return m_terminalRow->Controls(); }

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
    m_pages->DisableAllPages();
  } else if (id == IDC_MODE_CONFIG) {
    SetConfigurationLayout();
  }
}

void CStrelvaneDlg::ShowAbout() {
  CAboutDlg about(this);
  about.exec();
}

void CStrelvaneDlg::ShutdownCalls() { m_executor->Shutdown(); }

void CStrelvaneDlg::showEvent(QShowEvent *e) {
  QDialog::showEvent(e);
  if (!m_fittedToScreen) {
    // The frame is known once shown: the whole window, frame included, stays on the screen.
    m_fittedToScreen = true;
    if (const QScreen *s = screen()) {
      const QRect room = s->availableGeometry();
      const QSize frame = frameGeometry().size() - size();
      const QSize fit = size().boundedTo(room.size() - frame);
      if (fit != size())
        resize(fit);
      QRect placed = frameGeometry();
      placed.moveLeft(std::clamp(placed.left(), room.left(), std::max(room.left(), room.right() - placed.width() + 1)));
      placed.moveTop(std::clamp(placed.top(), room.top(), std::max(room.top(), room.bottom() - placed.height() + 1)));
      if (placed.topLeft() != frameGeometry().topLeft())
        move(placed.topLeft());
    }
  }
  m_output->MoveCaretToEnd();
  m_output->setFocus();
}
