// The terminal row of the main window in communication state, against the
// simulated device, which loops back everything it receives: send, hex send
// and its toggling, timed send, typed characters and the hex display.
#include "device/DeviceController.h"
#include "device/Terminal.h"
#include "base/Timing.h"
#include "model/SimRunner.h"
#include "params/ParamTable.h"
#include "support/TestUtil.h"
#include "text/HexText.h"
#include "text/Lang.h"
#include "widgets/ControlIds.h"
#include "ui/OutputView.h"
#include "ui/StrelvaneDlg.h"

#include <QAbstractButton>
#include <QDir>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

using namespace idc;

class TerminalTest : public QObject {
  Q_OBJECT

  sim::CSimRunner m_sim;
  std::unique_ptr<CStrelvaneDlg> m_dlg;
  QStringList m_messages;
  double m_oldScale = 1.0;

  QWidget *C(int id) { return m_dlg->Control(id); }
  QAbstractButton *B(int id) { return qobject_cast<QAbstractButton *>(C(id)); }
  QLineEdit *E(int id) { return qobject_cast<QLineEdit *>(C(id)); }
  QString Log() { return m_dlg->Output()->LogText(); }
  bool LogHas(const QString &s, int timeoutMs = 5000) {
    return PumpUntil([&] { return Log().contains(s); }, timeoutMs);
  }

  // The window on the simulated device's line, switched to communication
  // state before the device powers up, so it starts relaying data.
  void EnterCommunicationState(bool chinese = false) {
    sim::CSimRunOptions o;
    o.device.bootMs = 300;
    o.device.promptIntervalMs = 100;
    o.device.restartDelayMs = 50;
    o.powerOnStart = false;
    QVERIFY(m_sim.Start(o));
    g_chineseUi = chinese ? 1 : 0;
    m_messages.clear();
    m_dlg = std::make_unique<CStrelvaneDlg>();
    m_dlg->SetMessageHook([this](const QString &t, const QString &) { m_messages << t; });
    m_dlg->Initialize({{QString::fromStdString(m_sim.SlavePath()), QStringLiteral("simulated IP Modem")}});
    m_dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
    QVERIFY(m_dlg->IsPortOpen());
    B(IDC_MODE_COMM)->click(); // a click on its caption; the box is wider than that
    QVERIFY(m_dlg->Device().CommMode());
    QVERIFY(!m_dlg->ConfigLayout());
    m_sim.Repower();
    QVERIFY(LogHas(QStringLiteral("Enter communication state.")));
    QVERIFY(LogHas(QStringLiteral("Press 's' key"))); // shown, not answered
    m_dlg->OnClearOutput();
  }

  void SetSend(const QString &text, bool hex, bool addCr) {
    E(IDC_SEND_DATA)->setText(text);
    B(IDC_HEX_SEND)->setChecked(hex);
    B(IDC_ADD_CR)->setChecked(addCr);
  }

private slots:
  void initTestCase() {
    m_oldScale = CTiming::Scale();
    CTiming::SetScale(0.1);
  }
  void cleanupTestCase() { CTiming::SetScale(m_oldScale); }
  void cleanup() {
    m_dlg.reset();
    m_sim.Stop();
    g_chineseUi = 0;
  }

  // The exact bytes of each send, seen through the hex display of their loopback.
  void sendButton_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<bool>("addCr");
    QTest::addColumn<QString>("shown");
    QTest::newRow("text with CR") << "AT" << false << true << "41 54 0d";
    QTest::newRow("text without CR") << "AT" << false << false << "41 54";
    QTest::newRow("hex with CR") << "41 42" << true << true << "41 42 0d";
    QTest::newRow("empty hex with CR") << "" << true << true << "0d";
    QTest::newRow("Chinese text as GBK") << "中" << false << false << "d6 d0";
    QTest::newRow("zero byte in hex") << "41 00 42" << true << false << "41 00 42";
  }
  void sendButton() {
    QFETCH(QString, text);
    QFETCH(bool, hex);
    QFETCH(bool, addCr);
    QFETCH(QString, shown);
    EnterCommunicationState();
    QTest::mouseClick(B(IDC_HEX_DISPLAY), Qt::LeftButton);
    QVERIFY(m_dlg->Device().Engine().HexDisplay());
    SetSend(text, hex, addCr);
    QTest::mouseClick(B(IDC_SEND), Qt::LeftButton);
    QVERIFY2(LogHas(shown), qPrintable(Log()));
    PumpFor(200);
    QCOMPARE(Log(), shown); // nothing more went out, and the log shows no send of its own
    QVERIFY(m_messages.isEmpty());
  }

  void textDisplayShowsEveryByte() {
    EnterCommunicationState();
    SetSend(QStringLiteral("41 00 42 0d 0a"), true, false);
    QTest::mouseClick(B(IDC_SEND), Qt::LeftButton);
    QVERIFY2(LogHas(QStringLiteral("A B\r\n")), qPrintable(Log())); // a zero byte shows as a space
    SetSend(QStringLiteral("中文"), false, true);
    QTest::mouseClick(B(IDC_SEND), Qt::LeftButton);
    QVERIFY2(LogHas(QStringLiteral("A B\r\n中文\r")), qPrintable(Log()));
  }

  void badHexIsRejectedAndNothingIsSent() {
    EnterCommunicationState();
    SetSend(QStringLiteral("41 4G"), true, true);
    QTest::mouseClick(B(IDC_SEND), Qt::LeftButton);
    QCOMPARE(m_messages, QStringList{QStringLiteral("Error: ALL CHaracters Need Standard HEX")});
    QCOMPARE(m_dlg->Terminal().Pending(), size_t{0});
    PumpFor(200);
    QCOMPARE(Log(), QString());
  }

  void hexSendToggling_data() {
    QTest::addColumn<bool>("chinese");
    QTest::newRow("en") << false;
    QTest::newRow("zh") << true;
  }
  void hexSendToggling() {
    QFETCH(bool, chinese);
    EnterCommunicationState(chinese);
    QLineEdit *data = E(IDC_SEND_DATA);
    data->setText(QStringLiteral("AB"));
    QTest::mouseClick(B(IDC_HEX_SEND), Qt::LeftButton);
    QCOMPARE(data->text(), QStringLiteral("41 42"));
    QTest::mouseClick(B(IDC_HEX_SEND), Qt::LeftButton);
    QCOMPARE(data->text(), QStringLiteral("AB"));

    // Back to plain text with a text that is not hex: the message, the box stays
    // unticked, the text as it was.
    QTest::mouseClick(B(IDC_HEX_SEND), Qt::LeftButton);
    data->setText(QStringLiteral("41 G2"));
    QTest::mouseClick(B(IDC_HEX_SEND), Qt::LeftButton);
    QCOMPARE(m_messages, QStringList{MSG_HEX_TEXT_ERROR.Get()});
    QCOMPARE(m_messages.first(), chinese ? QStringLiteral("非标准的十六进制字符串")
                                         : QStringLiteral("Error: ALL CHaracters Need Standard HEX"));
    QVERIFY(!B(IDC_HEX_SEND)->isChecked());
    QCOMPARE(data->text(), QStringLiteral("41 G2"));

    // An empty text is left alone both ways.
    data->clear();
    QTest::mouseClick(B(IDC_HEX_SEND), Qt::LeftButton);
    QTest::mouseClick(B(IDC_HEX_SEND), Qt::LeftButton);
    QCOMPARE(data->text(), QString());
    QCOMPARE(m_messages.size(), 1);
  }

  void timedSend() {
    EnterCommunicationState();
    QLineEdit *interval = E(IDC_SEND_INTERVAL);
    QCOMPARE(interval->text(), QStringLiteral("2000"));
    interval->setText(QStringLiteral("30"));
    SetSend(QStringLiteral("t"), false, false);
    QTest::mouseClick(B(IDC_TIMED_SEND), Qt::LeftButton);
    QVERIFY(m_dlg->TimedSendActive());
    QCOMPARE(m_dlg->TimedSendPeriod(), 30);
    QVERIFY(interval->isReadOnly());
    QVERIFY2(LogHas(QStringLiteral("tttt")), qPrintable(Log()));

    // Its box stops it.
    QTest::mouseClick(B(IDC_TIMED_SEND), Qt::LeftButton);
    QVERIFY(!m_dlg->TimedSendActive());
    QVERIFY(!interval->isReadOnly());
    PumpFor(200); // the last loopbacks arrive
    const QString settled = Log();
    PumpFor(300);
    QCOMPARE(Log(), settled);
    QVERIFY(settled.count(QLatin1Char('t')) >= 4);
  }

  // Leaving communication state stops the timed send and unticks it: hidden,
  // it would go on writing between the configuration exchanges.
  void leavingCommunicationStateStopsTheTimedSend_data() {
    QTest::addColumn<bool>("chinese");
    QTest::newRow("en") << false;
    QTest::newRow("zh") << true;
  }
  void leavingCommunicationStateStopsTheTimedSend() {
    QFETCH(bool, chinese);
    EnterCommunicationState(chinese);
    E(IDC_SEND_INTERVAL)->setText(QStringLiteral("30"));
    SetSend(QStringLiteral("t"), false, false);
    QTest::mouseClick(B(IDC_TIMED_SEND), Qt::LeftButton);
    QVERIFY(m_dlg->TimedSendActive());
    B(IDC_MODE_CONFIG)->click();
    QVERIFY(m_dlg->ConfigLayout());
    QVERIFY(!m_dlg->TimedSendActive());
    QVERIFY(!B(IDC_TIMED_SEND)->isChecked());
    QVERIFY(!E(IDC_SEND_INTERVAL)->isReadOnly());
    // Back in communication state it stays off until ticked again.
    B(IDC_MODE_COMM)->click();
    QVERIFY(!m_dlg->ConfigLayout());
    QVERIFY(!m_dlg->TimedSendActive());
  }

  void timedSendPeriod_data() {
    QTest::addColumn<QString>("interval");
    QTest::addColumn<int>("period");
    QTest::newRow("below 10") << "5" << 10;
    QTest::newRow("no digits") << "abc" << 10;
    QTest::newRow("negative") << "-100" << 10;
    QTest::newRow("digits then text") << "1500ms" << 1500;
  }
  void timedSendPeriod() {
    QFETCH(QString, interval);
    QFETCH(int, period);
    EnterCommunicationState();
    E(IDC_SEND_INTERVAL)->setText(interval);
    QTest::mouseClick(B(IDC_TIMED_SEND), Qt::LeftButton);
    QCOMPARE(m_dlg->TimedSendPeriod(), period);
    QTest::mouseClick(B(IDC_TIMED_SEND), Qt::LeftButton);
    QVERIFY(!m_dlg->TimedSendActive());
  }

  void timedSendOfBadHexStopsWithOneMessage() {
    EnterCommunicationState();
    E(IDC_SEND_INTERVAL)->setText(QStringLiteral("10"));
    SetSend(QStringLiteral("zz"), true, false);
    QTest::mouseClick(B(IDC_TIMED_SEND), Qt::LeftButton);
    QVERIFY(PumpUntil([&] { return !m_dlg->TimedSendActive(); }, 2000));
    PumpFor(100);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(!B(IDC_TIMED_SEND)->isChecked());
    QVERIFY(!E(IDC_SEND_INTERVAL)->isReadOnly());
  }

  // Typed characters go to the device and are shown only as it sends them back.
  void typedCharactersAreSentNotInserted() {
    EnterCommunicationState();
    m_dlg->Output()->setFocus();
    QTest::keyClicks(m_dlg->Output(), QStringLiteral("ab"));
    QTest::keyClick(m_dlg->Output(), Qt::Key_Return);
    // Chinese comes from an input method as a committed string.
    QInputMethodEvent ime;
    ime.setCommitString(QStringLiteral("中"));
    QApplication::sendEvent(m_dlg->Output(), &ime);
    QVERIFY2(LogHas(QStringLiteral("ab\r中")), qPrintable(Log()));
    PumpFor(200);
    QCOMPARE(Log(), QStringLiteral("ab\r中")); // once: the echo, never the keystroke itself

    // Hex display: what was typed comes back as its bytes.
    QTest::mouseClick(B(IDC_HEX_DISPLAY), Qt::LeftButton);
    m_dlg->OnClearOutput();
    QTest::keyClicks(m_dlg->Output(), QStringLiteral("a"));
    QVERIFY2(LogHas(QStringLiteral("61")), qPrintable(Log()));
    QTest::mouseClick(B(IDC_HEX_DISPLAY), Qt::LeftButton);
    QVERIFY(!m_dlg->Device().Engine().HexDisplay());
  }

  void typingInTheConfigurationLayoutSendsNothing() {
    EnterCommunicationState();
    m_dlg->SetConfigurationLayout();
    QTest::keyClicks(m_dlg->Output(), QStringLiteral("xyz"));
    PumpFor(200);
    QCOMPARE(Log(), QString());
    QCOMPARE(m_dlg->Terminal().Pending(), size_t{0});
  }

  // From a loaded configuration, button 1000 restarts the device into
  // communication state; the terminal then talks to it.
  void rebootButtonThenSend() {
    sim::CSimRunOptions o;
    o.device.bootMs = 1500;
    o.device.promptIntervalMs = 100;
    o.device.restartDelayMs = 50;
    QVERIFY(m_sim.Start(o));
    m_dlg = std::make_unique<CStrelvaneDlg>();
    m_dlg->SetMessageHook([this](const QString &t, const QString &) { m_messages << t; });
    m_dlg->Initialize({{QString::fromStdString(m_sim.SlavePath()), QString()}});
    m_dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
    m_sim.Repower();
    QVERIFY(PumpUntil([&] { return C(IDC_REBOOT_COMM)->isEnabled() && !m_dlg->Device().RunActive(); }, 20000));
    QTest::mouseClick(B(IDC_REBOOT_COMM), Qt::LeftButton);
    QVERIFY(B(IDC_MODE_COMM)->isChecked());
    QVERIFY(!m_dlg->ConfigLayout());
    QVERIFY(!C(IDC_REBOOT_COMM)->isEnabled());
    QVERIFY(LogHas(QStringLiteral("configure program.")));
    QVERIFY(LogHas(QStringLiteral("Enter communication state.")));
    QVERIFY(PumpUntil([&] { return m_dlg->Device().WaitIdle(0); }));
    m_dlg->OnClearOutput();
    SetSend(QStringLiteral("ping"), false, true);
    QTest::mouseClick(B(IDC_SEND), Qt::LeftButton);
    QVERIFY2(LogHas(QStringLiteral("ping\r")), qPrintable(Log()));
  }

  // Screenshots of the communication layout with the terminal in use.
  void screenshots_data() { hexSendToggling_data(); }
  void screenshots() {
    QFETCH(bool, chinese);
    EnterCommunicationState(chinese);
    const QString dir = QStringLiteral(STRELVANE_BIN_DIR "/screenshots/") + (chinese ? "zh" : "en");
    QVERIFY(QDir().mkpath(dir));
    m_dlg->AppendOutput(chinese ? QStringLiteral(">>> 重启(或重新上电)设备后将进入通信状态！\r\n")
                                : QStringLiteral(">>>ReBoot or Re-power to enter communication state\r\n"));
    SetSend(chinese ? QStringLiteral("你好 hello") : QStringLiteral("hello"), false, true);
    QTest::mouseClick(B(IDC_SEND), Qt::LeftButton);
    QVERIFY(LogHas(QStringLiteral("hello\r")));
    QTest::mouseClick(B(IDC_HEX_DISPLAY), Qt::LeftButton);
    QTest::mouseClick(B(IDC_SEND), Qt::LeftButton);
    QVERIFY(LogHas(QStringLiteral("68 65 6c 6c 6f 0d")));
    QApplication::processEvents();
    QVERIFY(m_dlg->grab().save(dir + "/terminal.png"));
  }
};

QTEST_MAIN(TerminalTest)
#include "TerminalTest.moc"
