// The main window: initial state in both languages, the operation set rules,
// the port list and port controls, the layouts, the log, and host calls from
// worker threads.
#include "model/Pty.h"
#include "base/ThreadExecutor.h"
#include "pages/AlarmTime.h"
#include "pages/BaseDlg.h"
#include "device/DeviceController.h"
#include "device/Terminal.h"
#include "params/ParamTable.h"
#include "support/TestUtil.h"
#include "text/Gbk.h"
#include "text/Lang.h"
#include "widgets/ControlIds.h"
#include "widgets/ControlUtil.h"
#include "ui/OutputView.h"
#include "ui/StrelvaneDlg.h"
#include "ui/TabSheet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "model/Pty.h"

#include <atomic>
#include <thread>

using namespace idc;

namespace {
struct Shown {
  QString text;
  QString caption;
};

QString CaptionOf(QWidget *w) {
  if (auto *b = qobject_cast<QAbstractButton *>(w))
    return b->text();
  if (auto *l = qobject_cast<QLabel *>(w))
    return l->text();
  if (auto *g = qobject_cast<QGroupBox *>(w))
    return g->title();
  return {};
}

void SetFound(CParamTable &device, int index, bool found) {
  ParamArray table = device.Snapshot();
  table[static_cast<size_t>(index)].bFound = found ? 1 : 0;
  device.Replace(table);
}

// Runs fn on a worker thread while the window thread keeps handling events.
void RunOnWorker(const std::function<void()> &fn) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    fn();
    done = true;
  });
  while (!done)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  worker.join();
}
} // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<CStrelvaneDlg> m_dlg;
  QList<Shown> m_messages;
  // Two real lines stand in for "/dev/ttyS0" and "/dev/ttyS1".
  CPty m_line[2];

  QString P(int i) const { return QString::fromStdString(m_line[i].SlavePath()); }

  CStrelvaneDlg &Make(bool chinese, QList<CPortEntry> ports, qsizetype logLimit = COutputLog::DEFAULT_LIMIT) {
    for (CPortEntry &p : ports) {
      if (p.name == QLatin1String("/dev/ttyS0"))
        p.name = P(0);
      else if (p.name == QLatin1String("/dev/ttyS1"))
        p.name = P(1);
    }
    g_chineseUi = chinese ? 1 : 0;
    m_messages.clear();
    m_dlg = std::make_unique<CStrelvaneDlg>(nullptr, logLimit);
    m_dlg->SetMessageHook([this](const QString &t, const QString &c) { m_messages.append({t, c}); });
    m_dlg->Initialize(ports);
    m_dlg->OnClearOutput(); // the port's opening lines are not what these tests look at
    return *m_dlg;
  }
  QWidget *C(int id) { return m_dlg->Control(id); }

private slots:
  void initTestCase() {
    QVERIFY(m_line[0].Open());
    QVERIFY(m_line[1].Open());
  }

  void cleanup() {
    m_dlg.reset();
    g_chineseUi = 0;
  }

  void initialState_data() {
    QTest::addColumn<bool>("chinese");
    QTest::newRow("en") << false;
    QTest::newRow("zh") << true;
  }

  void initialState() {
    QFETCH(bool, chinese);
    CStrelvaneDlg &dlg = Make(chinese, {{"/dev/ttyS0", "UART"}, {"/dev/ttyS1", ""}});
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Tavrenholt Corvanet V1.2.0"));

    struct Expect {
      int id;
      const char *zh;
      const char *en;
    };
    const Expect captions[] = {
        {1034, "工作状态切换", "Work State Switch"},
        {1001, "配置状态", "Config"},
        {1002, "通讯状态", "Communication"},
        {1000, "重启设备进入通讯状态(&E)", "Reboot Enter Communication State"},
        {1037, "串口设置", "Serial Params"},
        {1038, "串口号：", "COM:"},
        {1039, "波特率：", "Baudrate:"},
        {1040, "检验位：", "Parity:"},
        {1009, "关闭串口", "Close"}, // the first port is open
        {1035, "输出信息", "Output Info"},
        {1022, "定时发送", "Schedule Send"},
        {1026, "毫秒/次", "ms"},
        {1027, "发送数据：", "Data:"},
        {1023, "结尾添加回车符", "Add Enter terminator"},
        {1024, "十六进制发送", "Hex Send"},
        {1025, "十六进制显示", "Hex Display"},
        {1021, "发送(&S)", "Send"},
        {1036, "功能操作项", "Functions"},
        {1011, "查看当前配置(&F)", "Show Config"},
        {1013, "波特率查看(&B)", "Show Bandrate"},
        {1014, "自动检测(&A)", "Auto Detect"},
        {1015, "查询版本(&V)", "Ver Info"},
        {1016, "信号强度(&I)", "Signal Value"},
        {1017, "出厂配置(&R)", "Factory Setting"},
        {1012, "清空窗口(&C)", "Clear Output"},
        {1028, "保存输出信息", "Save Output"},
        {1045, "浏览..", "Browse.."},
        {1032, "保存配置到文件", "Save Config"},
        {1033, "从配置文件配置", "Load Config"},
        {1041, "IP Modem设备配置参数", "IP Modem Config"},
        {1018, "保存设置(&S)", "Save"},
        {1019, "从设备载入参数(&L)", "Load From IP Modem"},
        {1046, "关机(&H)", "Power-Off"},
    };
    for (const Expect &e : captions) {
      QVERIFY2(C(e.id), qPrintable(QString::number(e.id)));
      QCOMPARE(C(e.id)->objectName(), QString::number(e.id));
      QCOMPARE(CaptionOf(C(e.id)), QString::fromUtf8(chinese ? e.zh : e.en));
      QCOMPARE(ui::FindControl(&dlg, e.id), C(e.id));
    }

    // Operation set, 1032, 1046 and 1000 disabled; log buttons and port button enabled.
    for (int id : {1011, 1013, 1014, 1015, 1016, 1017, 1018, 1019, 1032, 1033, 1044, 1045, 1046, 1000})
      QVERIFY2(!C(id)->isEnabled(), qPrintable(QString::number(id)));
    for (int id : {1001, 1002, 1009, 1012, 1028})
      QVERIFY2(C(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(qobject_cast<QRadioButton *>(C(1001))->isChecked());
    QVERIFY(!qobject_cast<QRadioButton *>(C(1002))->isChecked());
    QCOMPARE(qobject_cast<QComboBox *>(C(IDC_BAUD))->currentText(), QStringLiteral("115200"));
    QCOMPARE(qobject_cast<QComboBox *>(C(IDC_BAUD))->count(), 13);
    QCOMPARE(qobject_cast<QComboBox *>(C(IDC_PARITY))->currentText(), QStringLiteral("None"));
    QCOMPARE(qobject_cast<QLineEdit *>(C(IDC_SEND_INTERVAL))->text(), QStringLiteral("2000"));

    // The first port was opened; its controls are locked while open.
    QVERIFY(dlg.IsPortOpen());
    QCOMPARE(dlg.OpenedPort(), P(0));
    QCOMPARE(dlg.OpenedBaud(), QStringLiteral("115200"));
    for (int id : {IDC_PORT, IDC_BAUD, IDC_PARITY})
      QVERIFY(!C(id)->isEnabled());

    // Configuration layout: terminal row hidden, log read-only.
    QVERIFY(dlg.ConfigLayout());
    for (QWidget *w : dlg.TerminalRow())
      QVERIFY(w->isHidden());
    QVERIFY(dlg.Output()->isReadOnly());

    // Three tabs, the first page shown; the power-schedule and GPS pages exist, hidden.
    CTabSheet *tabs = dlg.TabSheet();
    QCOMPARE(tabs->Count(), 3);
    const QStringList titles = chinese
                                   ? QStringList{"中心服务器参数", "IP Modem工作参数", "其他参数"}
                                   : QStringList{"Data Service Center Settings", "IP Modem Setting", "Other Setting"};
    for (int i = 0; i < 3; ++i)
      QCOMPARE(tabs->TabBar()->tabText(i), titles[i]);
    QCOMPARE(dlg.Pages().Tabs(), (QList<EPage>{EPage::Base, EPage::Dtu, EPage::Other}));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QVERIFY(dlg.Page(EPage::Base)->isVisible());
    for (EPage p : {EPage::Dtu, EPage::Other, EPage::Alarm, EPage::Gps}) {
      QVERIFY(dlg.Page(p)->IsCreated());
      QVERIFY(!dlg.Page(p)->isVisible());
    }
    // Every page starts disabled.
    for (int i = 0; i < PARAM_COUNT; ++i) {
      if (ParamInfoAt(i).page != EPage::None)
        QVERIFY2(!dlg.Pages().IsParamEnabled(i), qPrintable(QString::number(i)));
    }
    // Inputs carry the caption of their label as accessible name.
    QCOMPARE(C(IDC_PORT)->accessibleName(), chinese ? QStringLiteral("串口号：") : QStringLiteral("COM:"));
    QCOMPARE(C(1000)->accessibleName(),
             chinese ? QStringLiteral("重启设备进入通讯状态") : QStringLiteral("Reboot Enter Communication State"));
    QVERIFY(m_messages.isEmpty());
  }

  void operationButtons() {
    Make(false, {{"/dev/ttyS0", ""}});
    const QList<int> set = {1011, 1013, 1014, 1015, 1016, 1017, 1018, 1019, 1033, 1044, 1045};
    for (bool powerSchedule : {false, true}) {
      SetFound(m_dlg->Device().Session().Table(), PARAM_ALARM_FIRST, powerSchedule);
      m_dlg->EnableOperationButtons(true);
      for (int id : set)
        QVERIFY2(C(id)->isEnabled(), qPrintable(QString::number(id)));
      QCOMPARE(C(IDC_POWER_OFF)->isEnabled(), powerSchedule);
      QVERIFY(!C(IDC_SAVE_CONFIG)->isEnabled()); // TRUE never enables saving to a file
      m_dlg->EnableSaveToFile();
      QVERIFY(C(IDC_SAVE_CONFIG)->isEnabled());
      m_dlg->EnableOperationButtons(false);
      for (int id : set + QList<int>{1032, 1046})
        QVERIFY2(!C(id)->isEnabled(), qPrintable(QString::number(id)));
      // Never part of the set.
      for (int id : {1012, 1028, 1009, 1001})
        QVERIFY(C(id)->isEnabled());
    }
    m_dlg->EnableControl(IDC_REBOOT_COMM, true);
    QVERIFY(C(IDC_REBOOT_COMM)->isEnabled());
  }

  void portList() {
    const QList<CPortEntry> system = {{"COM2", "b"}, {"COM10", ""}, {"COM1", "a"}, {"/dev/pts/7", "dup"}};
    auto names = [](const QList<CPortEntry> &l) {
      QStringList n;
      for (const CPortEntry &e : l)
        n << e.name;
      return n;
    };
    QCOMPARE(names(ui::BuildPortList({}, system)), (QStringList{"/dev/pts/7", "COM1", "COM10", "COM2"}));
    const QList<CPortEntry> list = ui::BuildPortList({"/dev/pts/7", "/tmp/dev"}, system);
    QCOMPARE(names(list), (QStringList{"/dev/pts/7", "/tmp/dev", "COM1", "COM10", "COM2"}));

    Make(false, ui::BuildPortList({}, system.mid(0, 3)));
    auto *combo = qobject_cast<QComboBox *>(C(IDC_PORT));
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(0), QStringLiteral("COM1"));
    QCOMPARE(combo->itemText(1), QStringLiteral("COM10"));
    QCOMPARE(combo->itemText(2), QStringLiteral("COM2"));
    QCOMPARE(combo->itemData(0, Qt::ToolTipRole).toString(), QStringLiteral("a"));
    QCOMPARE(m_dlg->OpenedPort(), QStringLiteral("COM1"));
  }

  void noPort_data() { initialState_data(); }
  void noPort() {
    QFETCH(bool, chinese);
    Make(chinese, {});
    QCOMPARE(m_messages.size(), 1);
    // The same Chinese text in both languages.
    QCOMPARE(m_messages[0].text, QStringLiteral("没发现串口，程序不能正常执行，请检查串口，退出！"));
    QVERIFY(!m_dlg->IsPortOpen());
    QCOMPARE(CaptionOf(C(IDC_OPEN_CLOSE)), chinese ? QStringLiteral("打开串口") : QStringLiteral("Open"));
    for (int id : {IDC_PORT, IDC_BAUD, IDC_PARITY, IDC_OPEN_CLOSE})
      QVERIFY(C(id)->isEnabled());
    // Still usable: the pages exist and three tabs are offered.
    QCOMPARE(m_dlg->TabSheet()->Count(), 3);
  }

  void openClosePort() {
    Make(false, {{"/dev/ttyS0", ""}, {"/dev/ttyS1", ""}});
    m_dlg->Pages().EnableAll(EPage::Base);
    m_dlg->EnableOperationButtons(true);
    QTest::mouseClick(qobject_cast<QAbstractButton *>(C(IDC_OPEN_CLOSE)), Qt::LeftButton);
    QVERIFY(!m_dlg->IsPortOpen());
    QCOMPARE(CaptionOf(C(IDC_OPEN_CLOSE)), QStringLiteral("Open"));
    for (int id : {IDC_PORT, IDC_BAUD, IDC_PARITY})
      QVERIFY(C(id)->isEnabled());
    // Closing disables the pages and the operation set.
    QVERIFY(!m_dlg->Pages().IsParamEnabled(5));
    QVERIFY(!C(IDC_SHOW_CONFIG)->isEnabled());

    qobject_cast<QComboBox *>(C(IDC_PORT))->setCurrentIndex(1);
    qobject_cast<QComboBox *>(C(IDC_BAUD))->setEditText(QStringLiteral("9600"));
    QTest::mouseClick(qobject_cast<QAbstractButton *>(C(IDC_OPEN_CLOSE)), Qt::LeftButton);
    QVERIFY(m_dlg->IsPortOpen());
    QCOMPARE(m_dlg->OpenedPort(), P(1));
    QCOMPARE(m_dlg->OpenedBaud(), QStringLiteral("9600"));
    QCOMPARE(CaptionOf(C(IDC_OPEN_CLOSE)), QStringLiteral("Close"));
    QVERIFY(!C(IDC_PORT)->isEnabled());
  }

  // With the port closed, Communication then Config shows the configuration
  // layout again: typed keys must not reach the line of the next run.
  void configurationStateAlwaysHasItsLayout_data() {
    QTest::addColumn<bool>("chinese");
    QTest::newRow("en") << false;
    QTest::newRow("zh") << true;
  }
  void configurationStateAlwaysHasItsLayout() {
    QFETCH(bool, chinese);
    CStrelvaneDlg &dlg = Make(chinese, {{"/dev/strelvane-no-such-port", ""}});
    QVERIFY(!dlg.IsPortOpen());
    qobject_cast<QAbstractButton *>(C(IDC_MODE_COMM))->click();
    QVERIFY(!dlg.ConfigLayout());
    qobject_cast<QAbstractButton *>(C(IDC_MODE_CONFIG))->click();
    QVERIFY(dlg.ConfigLayout());
    QVERIFY(dlg.Output()->isReadOnly());
    QVERIFY(!dlg.Device().CommMode());
  }

  // Factory Setting and Power-Off ask first, in the window's language, with No
  // as the default; No starts nothing (what Yes does: DeviceWindowTest).
  void destructiveButtonsAskFirst_data() {
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("question");
    QTest::newRow("factory en") << false << int(IDC_FACTORY) << QStringLiteral("Restore the factory settings?");
    QTest::newRow("factory zh") << true << int(IDC_FACTORY) << QStringLiteral("确定要恢复出厂配置吗？");
    QTest::newRow("power-off en") << false << int(IDC_POWER_OFF) << QStringLiteral("Power the device off?");
    QTest::newRow("power-off zh") << true << int(IDC_POWER_OFF) << QStringLiteral("确定要关闭设备吗？");
  }
  void destructiveButtonsAskFirst() {
    QFETCH(bool, chinese);
    QFETCH(int, id);
    QFETCH(QString, question);
    CStrelvaneDlg &dlg = Make(chinese, {{"/dev/strelvane-no-such-port", ""}});
    bool defaultNo = false;
    QString asked;
    QString no;
    QTimer::singleShot(50, [&] {
      auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
      QVERIFY(box);
      asked = box->text();
      no = box->button(QMessageBox::No)->text();
      defaultNo = box->defaultButton() == qobject_cast<QPushButton *>(box->button(QMessageBox::No));
      QTest::keyClick(box, Qt::Key_Return); // the default answer
    });
    auto *button = qobject_cast<QAbstractButton *>(C(id));
    button->setEnabled(true); // as a loaded device leaves it
    button->click();
    QVERIFY2(asked.startsWith(question), qPrintable(asked));
    QCOMPARE(no, chinese ? QStringLiteral("否") : QStringLiteral("No"));
    QVERIFY(defaultNo);
    PumpFor(200);
    QCOMPARE(dlg.Log().Text(), QString()); // no operation started, not even one that finds no port
    QVERIFY(button->isEnabled());
  }

  void layoutSwitch() {
    CStrelvaneDlg &dlg = Make(false, {{"/dev/ttyS0", ""}});
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QApplication::processEvents();
    const int configHeight = dlg.Output()->height();

    dlg.SetCommunicationLayout();
    QApplication::processEvents();
    QVERIFY(!dlg.ConfigLayout());
    for (QWidget *w : dlg.TerminalRow())
      QVERIFY(w->isVisible());
    QVERIFY(!dlg.Output()->isReadOnly());
    QVERIFY2(dlg.Output()->height() < configHeight,
             qPrintable(QStringLiteral("%1 vs %2").arg(dlg.Output()->height()).arg(configHeight)));

    // Typing in the terminal goes to the handler; the log stays as it was.
    QString typed;
    dlg.Output()->SetTypedHandler([&](const QString &t) { typed += t; });
    dlg.AppendOutput(QStringLiteral("rx\r\n"));
    QTest::keyClicks(dlg.Output(), QStringLiteral("ab"));
    QTest::keyClick(dlg.Output(), Qt::Key_Return);
    QTest::keyClick(dlg.Output(), Qt::Key_Delete);
    QCOMPARE(typed, QStringLiteral("ab\r"));
    QCOMPARE(dlg.Output()->LogText(), QStringLiteral("rx\r\n"));

    dlg.SetConfigurationLayout();
    QApplication::processEvents();
    QVERIFY(dlg.ConfigLayout());
    for (QWidget *w : dlg.TerminalRow())
      QVERIFY(w->isHidden());
    QVERIFY(dlg.Output()->isReadOnly());
    QCOMPARE(dlg.Output()->height(), configHeight);
    QTest::keyClicks(dlg.Output(), QStringLiteral("c"));
    QCOMPARE(typed, QStringLiteral("ab\r"));
  }

  // On a 1280x800 screen, after a load has offered all five pages, every tab
  // title is in sight at the window's first size, and the two layouts share
  // one window size.
  void everyTabInSightAtTheFirstSize_data() { initialState_data(); }
  void everyTabInSightAtTheFirstSize() {
    QFETCH(bool, chinese);
    CStrelvaneDlg &dlg = Make(chinese, {{"/dev/ttyS0", ""}});
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QRect screen = dlg.screen()->availableGeometry();
    QCOMPARE(screen.size(), QSize(1280, 800));
    QVERIFY2(dlg.frameGeometry().width() <= screen.width() && dlg.frameGeometry().height() <= screen.height(),
             qPrintable(QStringLiteral("%1x%2").arg(dlg.frameGeometry().width()).arg(dlg.frameGeometry().height())));

    dlg.Pages().ShowTabs(true, true);
    QApplication::processEvents();
    QTabBar *bar = dlg.TabSheet()->TabBar();
    QCOMPARE(bar->count(), 5);
    const QRect shown = bar->visibleRegion().boundingRect();
    for (int i = 0; i < bar->count(); ++i)
      QVERIFY2(shown.contains(bar->tabRect(i)), qPrintable(QStringLiteral("tab %1 '%2' at %3,%4 %5 wide, bar shows %6")
                                                               .arg(i)
                                                               .arg(bar->tabText(i))
                                                               .arg(bar->tabRect(i).x())
                                                               .arg(bar->tabRect(i).y())
                                                               .arg(bar->tabRect(i).width())
                                                               .arg(shown.width())));
    // Each title is drawn whole, on one or two lines that fit its tab.
    for (int i = 0; i < bar->count(); ++i) {
      const QStringList lines = dlg.TabSheet()->TabBar()->DrawnLines(i);
      QVERIFY(lines.size() >= 1 && lines.size() <= 2);
      QCOMPARE(lines.join(chinese ? QString() : QStringLiteral(" ")), bar->tabText(i));
      for (const QString &line : lines)
        QVERIFY2(bar->fontMetrics().horizontalAdvance(line) < bar->tabRect(i).width(),
                 qPrintable(QStringLiteral("'%1' in a tab %2 wide").arg(line).arg(bar->tabRect(i).width())));
    }
    for (QWidget *arrow : bar->findChildren<QWidget *>())
      QVERIFY2(!arrow->isVisible(), "the tab bar shows scroll arrows");

    const QSize config = dlg.size();
    dlg.SetCommunicationLayout();
    QApplication::processEvents();
    QCOMPARE(dlg.size(), config);
    dlg.SetConfigurationLayout();
    QApplication::processEvents();
    QCOMPARE(dlg.size(), config);
  }

  // Save Output to a .log file writes the session's transcript: every byte
  // sent and received, timestamped, in hex and as text, with the port's
  // opening; a .txt file keeps getting the log's text.
  void saveOutputCanSaveTheTranscript() {
    CStrelvaneDlg &dlg = Make(false, {{"/dev/ttyS0", ""}});
    QVERIFY(dlg.IsPortOpen());
    QTemporaryDir dir;
    QString target;
    dlg.SetFileDialogHook([&](bool save, const QString &, const QString &filter) {
      return save && filter.contains(QLatin1String("transcript")) ? target : QString();
    });
    QVERIFY(m_line[0].WriteAll(std::string("\r\nOK\r\n\xff", 7)));
    QVERIFY(QTest::qWaitFor([&] { return dlg.Transcript().BytesHeld() >= 7; }, 3000));
    dlg.Terminal().Send(QByteArray("AT\r"));
    QVERIFY(QTest::qWaitFor([&] { return dlg.Transcript().BytesHeld() >= 10; }, 3000));
    QCOMPARE(QByteArray::fromStdString(m_line[0].ReadSome(1000)), QByteArray("AT\r"));

    target = dir.filePath(QStringLiteral("support.log"));
    qobject_cast<QAbstractButton *>(C(IDC_SAVE_OUTPUT))->click();
    QFile f(target);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    const QString stamp = QStringLiteral("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}");
    QVERIFY2(QRegularExpression(stamp + QStringLiteral(" -- opened ") + QRegularExpression::escape(P(0)))
                 .match(text)
                 .hasMatch(),
             qPrintable(text));
    QVERIFY2(QRegularExpression(stamp + QStringLiteral(" RX 7\n  0000  0D 0A 4F 4B 0D 0A FF {29}\\.\\.OK\\.\\.\\.\n"))
                 .match(text)
                 .hasMatch(),
             qPrintable(text));
    QVERIFY2(QRegularExpression(stamp + QStringLiteral(" TX 3\n  0000  41 54 0D {41}AT\\.\n")).match(text).hasMatch(),
             qPrintable(text));

    // A .txt name keeps the log's text.
    target = dir.filePath(QStringLiteral("log.txt"));
    dlg.SetFileDialogHook([&](bool, const QString &, const QString &) { return target; });
    qobject_cast<QAbstractButton *>(C(IDC_SAVE_OUTPUT))->click();
    QFile log(target);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(!log.readAll().contains("RX 7"));
  }

  void radioButtonsGoThroughTheirHandlers() {
    CStrelvaneDlg &dlg = Make(false, {{"/dev/ttyS0", ""}});
    QTest::mouseClick(qobject_cast<QAbstractButton *>(C(IDC_MODE_COMM)), Qt::LeftButton);
    QVERIFY(!dlg.ConfigLayout());
    QTest::mouseClick(qobject_cast<QAbstractButton *>(C(IDC_MODE_CONFIG)), Qt::LeftButton);
    QVERIFY(dlg.ConfigLayout());
    int calls = 0;
    dlg.SetCommandHandler(IDC_MODE_COMM, [&] { ++calls; });
    dlg.SetCommandHandler(IDC_SHOW_CONFIG, [&] { calls += 10; });
    QTest::mouseClick(qobject_cast<QAbstractButton *>(C(IDC_MODE_COMM)), Qt::LeftButton);
    QVERIFY(dlg.ConfigLayout()); // the replaced handler decides
    dlg.EnableOperationButtons(true);
    QTest::mouseClick(qobject_cast<QAbstractButton *>(C(IDC_SHOW_CONFIG)), Qt::LeftButton);
    QCOMPARE(calls, 11);
  }

  void logClearAndSave_data() { initialState_data(); }
  void logClearAndSave() {
    QFETCH(bool, chinese);
    CStrelvaneDlg &dlg = Make(chinese, {{"/dev/ttyS0", ""}});
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Tavrenholt-Dtu.txt");

    dlg.AppendOutput(QStringLiteral("OK\r\n"));
    dlg.AppendOutput(QStringLiteral("设置成功\r\n"));
    QCOMPARE(dlg.Output()->LogText(), QStringLiteral("OK\r\n设置成功\r\n"));
    QCOMPARE(dlg.Output()->textCursor().position(), dlg.Output()->document()->characterCount() - 1);
    QVERIFY(dlg.SaveOutputTo(path));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("OK\r\r\n") + text::ToGbk(QStringLiteral("设置成功")) + "\r\r\n");
    f.close();
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].text, chinese ? QStringLiteral("保存成功") : QStringLiteral("Save Successful"));

    QTest::mouseClick(qobject_cast<QAbstractButton *>(C(IDC_CLEAR_OUTPUT)), Qt::LeftButton);
    QCOMPARE(dlg.Output()->LogText(), QString());
    QCOMPARE(dlg.Log().Text(), QString());
    dlg.AppendOutput(QStringLiteral("again\r\n"));
    QCOMPARE(dlg.Output()->LogText(), QStringLiteral("again\r\n"));

    // An empty log writes an empty file and says nothing.
    dlg.OnClearOutput();
    m_messages.clear();
    QVERIFY(dlg.SaveOutputTo(path));
    QCOMPARE(QFileInfo(path).size(), 0);
    QVERIFY(m_messages.isEmpty());

    // A file that cannot be written: the one failure message, in both languages.
    QVERIFY(!dlg.SaveOutputTo(dir.filePath("missing/dir/x.txt")));
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].text, QStringLiteral("文件打开失败"));
  }

  void logMirrorsFrontDrops() {
    CStrelvaneDlg &dlg = Make(false, {{"/dev/ttyS0", ""}}, 64);
    for (int i = 0; i < 60; ++i) {
      dlg.AppendOutput(QStringLiteral("line %1\r\n").arg(i));
      QCOMPARE(dlg.Output()->LogText(), dlg.Log().Text());
    }
    QVERIFY(dlg.Log().Text().size() <= 64 + 16);
    QVERIFY(dlg.Log().Text().endsWith(QStringLiteral("line 59\r\n")));
    // A line without break, longer than the bound.
    dlg.AppendOutput(QString(200, QLatin1Char('x')));
    QCOMPARE(dlg.Output()->LogText(), dlg.Log().Text());
    QCOMPARE(dlg.Output()->textCursor().position(), dlg.Output()->document()->characterCount() - 1);
  }

  void hostCallsFromWorker() {
    CStrelvaneDlg &dlg = Make(false, {{"/dev/ttyS0", ""}});
    QString readBack;
    QString logAfterAppend;
    QList<EPage> tabs;
    bool enabledSeen = false;
    RunOnWorker([&] {
      dlg.AppendOutput(QStringLiteral(">>> from worker\r\n"));
      logAfterAppend = dlg.Log().Text(); // the append happened before the call returned
      dlg.Pages().SetParamText(PARAM_APN, QStringLiteral("cmnet"));
      readBack = dlg.Pages().ParamText(PARAM_APN);
      dlg.Pages().EnableAll(EPage::Other);
      enabledSeen = dlg.Pages().IsParamEnabled(PARAM_APN);
      dlg.Pages().ShowTabs(true, false);
      tabs = dlg.Pages().Tabs();
    });
    QCOMPARE(logAfterAppend, QStringLiteral(">>> from worker\r\n"));
    QCOMPARE(dlg.Output()->LogText(), logAfterAppend);
    QCOMPARE(readBack, QStringLiteral("cmnet"));
    QVERIFY(enabledSeen);
    QCOMPARE(tabs, (QList<EPage>{EPage::Base, EPage::Dtu, EPage::Other, EPage::Alarm}));
  }

  void workerReleasedWhenWindowCloses() {
    CStrelvaneDlg &dlg = Make(false, {{"/dev/ttyS0", ""}});
    dlg.show();
    dlg.reject();
    // After the window has closed a worker's call returns without effect instead of hanging.
    std::thread worker([&] { dlg.AppendOutput(QStringLiteral("late\r\n")); });
    worker.join();
    QCOMPARE(dlg.Log().Text(), QString());
  }

  void enterAndEscapeDoNotClose() {
    CStrelvaneDlg &dlg = Make(false, {{"/dev/ttyS0", ""}});
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    int cleared = 0;
    C(IDC_CLEAR_OUTPUT)->setFocus();
    connect(qobject_cast<QAbstractButton *>(C(IDC_CLEAR_OUTPUT)), &QAbstractButton::clicked, this, [&] { ++cleared; });
    QTest::keyClick(&dlg, Qt::Key_Return);
    QTest::keyClick(&dlg, Qt::Key_Enter);
    QVERIFY(dlg.isVisible());
    QCOMPARE(cleared, 0); // Enter presses no button either
    // Escape, on the window or in a field, would end the program: it does nothing.
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QVERIFY(dlg.isVisible());
    QLineEdit *apn = qobject_cast<QLineEdit *>(dlg.Page(EPage::Other)->Control(1003));
    QVERIFY(apn);
    QTest::keyClick(apn, Qt::Key_Escape);
    QVERIFY(dlg.isVisible());
    // Closing without page edits stays immediate: no question.
    dlg.SetQuestionHook([](const QString &, const QString &) {
      QTest::qFail("no question expected", __FILE__, __LINE__);
      return false;
    });
    dlg.reject();
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
  }

  void aboutBoxIsChinese() {
    CStrelvaneDlg &dlg = Make(false, {{"/dev/ttyS0", ""}});
    auto *bar = dlg.findChild<QMenuBar *>();
    QVERIFY(bar);
    QAction *about = nullptr;
    for (QAction *menu : bar->actions()) {
      for (QAction *a : menu->menu()->actions()) {
        if (a->text() == QStringLiteral("关于 (&A)..."))
          about = a;
      }
    }
    QVERIFY(about);
    QString title;
    QTimer::singleShot(0, this, [&] {
      if (QWidget *box = QApplication::activeModalWidget()) {
        title = box->windowTitle();
        box->close();
      }
    });
    about->trigger();
    QCOMPARE(title, QStringLiteral("关于 Strelvane"));
  }

  void clientMode_data() { initialState_data(); }
  void clientMode() {
    QFETCH(bool, chinese);
    CStrelvaneDlg &dlg = Make(chinese, {{"/dev/ttyS0", ""}});
    dlg.Pages().SetClientMode(true);
    dlg.Pages().SetParamText(5, QStringLiteral("10.0.0.1"));
    dlg.Pages().SetClientMode(false);
    CPageDlg *base = dlg.Page(EPage::Base);
    QList<int> enabled;
    for (int id : base->InputIds()) {
      if (base->Control(id)->isEnabled())
        enabled << id;
    }
    QCOMPARE(enabled, QList<int>{1010});
    QCOMPARE(qobject_cast<QLabel *>(base->Control(1045))->text(),
             chinese ? QStringLiteral("监视端口：") : QStringLiteral("Listen Port:"));
    QCOMPARE(dlg.Pages().ParamText(5), QStringLiteral("10.0.0.1")); // values are kept
    dlg.Pages().SetClientMode(true);
    for (int id : base->InputIds())
      QVERIFY(base->Control(id)->isEnabled());
    QCOMPARE(qobject_cast<QLabel *>(base->Control(1045))->text(),
             chinese ? QStringLiteral("主 中心 地址 + 端口：") : QStringLiteral("Main Center Addr+Port:"));
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
