// The window's port field takes a device server's address typed into it, and
// its list keeps the last few addresses typed for the session.
#include "model/Pty.h"
#include "support/TcpPeer.h"
#include "support/TestUtil.h"
#include "device/DeviceController.h"
#include "text/Lang.h"
#include "ui/StrelvaneDlg.h"
#include "widgets/ControlIds.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <QLineEdit>
#include <QtTest>

using namespace idc;

namespace {
QStringList Items(QComboBox *c) {
  QStringList out;
  for (int i = 0; i < c->count(); ++i)
    out << c->itemText(i);
  return out;
}
} // namespace

class NetPortWindowTest : public QObject {
  Q_OBJECT

  CPty m_line;

  void Type(QComboBox *combo, const QString &text) {
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), text);
  }

  // Presses Open and waits until a device server's open has ended either way.
  static bool OpenAndSettle(CStrelvaneDlg &dlg, QAbstractButton *openClose) {
    QTest::mouseClick(openClose, Qt::LeftButton);
    return QTest::qWaitFor([&] { return !dlg.Device().Opening(); }, 10000);
  }

private slots:
  void initTestCase() { QVERIFY(m_line.Open()); }

  void typedAddressOpensAndStaysInTheList() {
    CTcpPeer server([&](int fd) {
      while (CTcpPeer::Read(fd, 50).empty() && server.Running()) {
      }
    });
    g_chineseUi = 0;
    const QString pty = QString::fromStdString(m_line.SlavePath());
    CStrelvaneDlg dlg(nullptr);
    QList<CPortEntry> system{{pty, QString()}};
    dlg.SetPortSource([&] { return system; });
    dlg.SetMessageHook([](const QString &, const QString &) {});
    dlg.Initialize(system);
    auto *combo = qobject_cast<QComboBox *>(dlg.Control(IDC_PORT));
    auto *openClose = qobject_cast<QAbstractButton *>(dlg.Control(IDC_OPEN_CLOSE));
    QVERIFY(dlg.IsPortOpen());
    QTest::mouseClick(openClose, Qt::LeftButton);
    QVERIFY(!dlg.IsPortOpen());

    const QString url = QStringLiteral("socket://127.0.0.1:%1").arg(server.Port());
    Type(combo, QStringLiteral("  ") + url);
    QVERIFY(OpenAndSettle(dlg, openClose));
    QVERIFY(dlg.IsPortOpen());
    QCOMPARE(dlg.OpenedPort(), url);
    QVERIFY(dlg.Log().Text().contains(QStringLiteral("is a raw TCP port: line settings cannot be set on it")));
    QTest::mouseClick(openClose, Qt::LeftButton);
    QCOMPARE(Items(combo), (QStringList{pty, url}));

    // Addresses nobody answers at are kept too (the server may be back later),
    // the newest first, five of them; the system's ports come first.
    QStringList typed{url};
    for (int i = 1; i <= 5; ++i) {
      const QString refused = QStringLiteral("socket://host-%1.invalid:%2").arg(i).arg(4000 + i);
      Type(combo, refused);
      QVERIFY(OpenAndSettle(dlg, openClose));
      QVERIFY(!dlg.IsPortOpen());
      typed.prepend(refused);
    }
    QVERIFY(dlg.Log().Text().contains(
        QStringLiteral(">>> socket://host-5.invalid:4005: no such port (device not connected or unplugged)")));
    QCOMPARE(Items(combo), QStringList{pty} + typed.mid(0, 5)); // the oldest went

    // Typed again, the address is back at the front; a kept one chosen from
    // the list moves there too; a new system port goes before them all.
    Type(combo, url);
    QVERIFY(OpenAndSettle(dlg, openClose));
    QVERIFY(dlg.IsPortOpen());
    QTest::mouseClick(openClose, Qt::LeftButton);
    combo->setCurrentIndex(combo->findText(typed[2]));
    QVERIFY(OpenAndSettle(dlg, openClose));
    QVERIFY(!dlg.IsPortOpen());
    system.append({QStringLiteral("/dev/ttyUSB-strelvane-test"), QString()});
    dlg.RefreshPortList();
    QCOMPARE(Items(combo), (QStringList{pty, QStringLiteral("/dev/ttyUSB-strelvane-test"), typed[2], url, typed[0],
                                        typed[1], typed[3]}));
    QCOMPARE(combo->currentText(), typed[2]);
  }

  // A device server that does not answer never holds the window: the press
  // returns at once, the button offers to cancel, the window goes on painting,
  // and Cancel (or closing the window) ends the attempt at once.
  void connectingLeavesTheWindowFree_data() {
    QTest::addColumn<bool>("chinese");
    QTest::newRow("en") << false;
    QTest::newRow("zh") << true;
  }
  void connectingLeavesTheWindowFree() {
    QFETCH(bool, chinese);
    g_chineseUi = chinese ? 1 : 0;
    CUnansweredAddress silentHost;
    QVERIFY2(silentHost.Port() != 0, "the loopback backlog did not hold a connection back");
    CTcpPeer mute([](int fd) { CTcpPeer::Read(fd, 10000, [](const std::string &got) { return got.size() > 1000; }); });
    const QString pty = QString::fromStdString(m_line.SlavePath());
    auto dlg = std::make_unique<CStrelvaneDlg>(nullptr);
    dlg->SetMessageHook([](const QString &, const QString &) {});
    dlg->Initialize({{pty, QString()}});
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    auto *combo = qobject_cast<QComboBox *>(dlg->Control(IDC_PORT));
    auto *openClose = qobject_cast<QAbstractButton *>(dlg->Control(IDC_OPEN_CLOSE));
    QTest::mouseClick(openClose, Qt::LeftButton); // the pty opened at start-up
    QVERIFY(!dlg->IsPortOpen());
    const QString openText = openClose->text();

    const QString hung = QStringLiteral("rfc2217://127.0.0.1:%1").arg(silentHost.Port());
    Type(combo, hung);
    QElapsedTimer press;
    press.start();
    QTest::mouseClick(openClose, Qt::LeftButton);
    QVERIFY2(press.elapsed() < 300, qPrintable(QStringLiteral("the press took %1 ms").arg(press.elapsed())));
    QVERIFY(dlg->Device().Opening());
    QCOMPARE(openClose->text(), chinese ? QStringLiteral("取消") : QStringLiteral("Cancel"));
    QVERIFY(!combo->isEnabled());
    QVERIFY(dlg->Log().Text().contains(chinese ? QStringLiteral("正在连接串口服务器 %1").arg(hung)
                                               : QStringLiteral("Connecting to %1 ...").arg(hung)));
    // The window thread stays free while the connection waits.
    qint64 longestGap = 0;
    QElapsedTimer beat;
    beat.start();
    QTimer heartbeat;
    connect(&heartbeat, &QTimer::timeout, [&] { longestGap = std::max(longestGap, beat.restart()); });
    heartbeat.start(10);
    QTest::qWait(600);
    heartbeat.stop();
    QVERIFY2(longestGap < 150, qPrintable(QStringLiteral("longest heartbeat gap %1 ms").arg(longestGap)));
    QVERIFY(dlg->Device().Opening());
    // For a person to look at, beside the other screenshots.
    const QString shots = QStringLiteral(STRELVANE_BIN_DIR "/screenshots/readme");
    QVERIFY(QDir().mkpath(shots));
    QVERIFY(dlg->grab().save(shots + (chinese ? "/connecting-zh.png" : "/connecting-en.png")));

    QElapsedTimer cancel;
    cancel.start();
    QTest::mouseClick(openClose, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return !dlg->Device().Opening(); }, 1000));
    QVERIFY2(cancel.elapsed() < 500, qPrintable(QStringLiteral("cancel took %1 ms").arg(cancel.elapsed())));
    QVERIFY(!dlg->IsPortOpen());
    QCOMPARE(openClose->text(), openText);
    QVERIFY(combo->isEnabled());
    QVERIFY(dlg->Log().Text().contains(chinese ? QStringLiteral("已取消连接 %1，串口未打开").arg(hung)
                                               : QStringLiteral("Connecting to %1 cancelled").arg(hung)));

    // A server that takes the connection but never confirms the line: said
    // in words once its time is up, and the port is not left half open.
    dlg->Device().Serial().SetNetTimes({5000, 300});
    Type(combo, QStringLiteral("rfc2217://127.0.0.1:%1").arg(mute.Port()));
    QVERIFY(OpenAndSettle(*dlg, openClose));
    QVERIFY(!dlg->IsPortOpen());
    QVERIFY(dlg->Log().Text().contains(chinese
                                           ? QStringLiteral("没有确认串口参数")
                                           : QStringLiteral("the device server did not confirm the line settings")));
    QCOMPARE(openClose->text(), openText);

    // Closing the window while it connects does not wait for the connection.
    Type(combo, hung);
    QTest::mouseClick(openClose, Qt::LeftButton);
    QVERIFY(dlg->Device().Opening());
    dlg->SetQuestionHook([](const QString &, const QString &) { return true; });
    QElapsedTimer closing;
    closing.start();
    dlg.reset();
    QVERIFY2(closing.elapsed() < 1000, qPrintable(QStringLiteral("closing took %1 ms").arg(closing.elapsed())));
    g_chineseUi = 0;
  }
};

QTEST_MAIN(NetPortWindowTest)
#include "NetPortWindowTest.moc"
