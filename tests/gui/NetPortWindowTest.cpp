// The window's port field takes a device server's address typed into it, and
// its list keeps the last few addresses typed for the session.
#include "model/Pty.h"
#include "support/TcpPeer.h"
#include "support/TestUtil.h"
#include "text/Lang.h"
#include "ui/StrelvaneDlg.h"
#include "widgets/ControlIds.h"

#include <QAbstractButton>
#include <QComboBox>
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
    QTest::mouseClick(openClose, Qt::LeftButton);
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
      QTest::mouseClick(openClose, Qt::LeftButton);
      QVERIFY(!dlg.IsPortOpen());
      typed.prepend(refused);
    }
    QVERIFY(dlg.Log().Text().contains(
        QStringLiteral(">>> socket://host-5.invalid:4005: no such port (device not connected or unplugged)")));
    QCOMPARE(Items(combo), QStringList{pty} + typed.mid(0, 5)); // the oldest went

    // Typed again, the address is back at the front; a kept one chosen from
    // the list moves there too; a new system port goes before them all.
    Type(combo, url);
    QTest::mouseClick(openClose, Qt::LeftButton);
    QVERIFY(dlg.IsPortOpen());
    QTest::mouseClick(openClose, Qt::LeftButton);
    combo->setCurrentIndex(combo->findText(typed[2]));
    QTest::mouseClick(openClose, Qt::LeftButton);
    QVERIFY(!dlg.IsPortOpen());
    system.append({QStringLiteral("/dev/ttyUSB-strelvane-test"), QString()});
    dlg.RefreshPortList();
    QCOMPARE(Items(combo), (QStringList{pty, QStringLiteral("/dev/ttyUSB-strelvane-test"), typed[2], url, typed[0],
                                        typed[1], typed[3]}));
    QCOMPARE(combo->currentText(), typed[2]);
  }
};

QTEST_MAIN(NetPortWindowTest)
#include "NetPortWindowTest.moc"
