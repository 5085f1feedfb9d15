// Screenshots of the main window and each page in both languages, written under
// the build folder (screenshots/en, screenshots/zh) for a person to look at.
// Besides writing them, it checks that nothing is clipped: every caption fits its widget.
#include "base/Timing.h"
#include "device/DeviceController.h"
#include "model/SimRunner.h"
#include "pages/PageDlg.h"
#include "ui/WritePreviewDlg.h"
#include "widgets/ControlIds.h"
#include "text/Lang.h"
#include "ui/StrelvaneDlg.h"
#include "ui/TabSheet.h"

#include <QAbstractButton>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class ScreenshotTest : public QObject {
  Q_OBJECT

private slots:
  void cleanup() { g_chineseUi = 0; }

  void shots_data() {
    QTest::addColumn<bool>("chinese");
    QTest::newRow("en") << false;
    QTest::newRow("zh") << true;
  }

  void shots() {
    QFETCH(bool, chinese);
    g_chineseUi = chinese ? 1 : 0;
    const QString dir = QStringLiteral(STRELVANE_BIN_DIR "/screenshots/") + (chinese ? "zh" : "en");
    QVERIFY(QDir().mkpath(dir));

    CStrelvaneDlg dlg;
    dlg.SetMessageHook([](const QString &, const QString &) {});
    dlg.Initialize({{"/dev/ttyS0", "Built-in serial port"}, {"/dev/ttyUSB0", "USB serial"}});
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.AppendOutput(chinese ? QStringLiteral("等待设备上电……\r\n") : QStringLiteral("Waiting for the device...\r\n"));
    QVERIFY(dlg.grab().save(dir + "/main.png"));
    CheckNothingClipped(&dlg);

    dlg.SetCommunicationLayout();
    QApplication::processEvents();
    QVERIFY(dlg.grab().save(dir + "/main_communication.png"));
    CheckNothingClipped(&dlg);
    dlg.SetConfigurationLayout();

    // Pages with values, enabled, all five offered.
    for (int i = 0; i < PARAM_COUNT; ++i) {
      const ParamInfo &info = ParamInfoAt(i);
      if (info.kind == EControlKind::Edit || info.kind == EControlKind::Combo)
        dlg.Pages().SetParamText(i, QString::number(1000 + i));
      else if (info.kind == EControlKind::Ip)
        dlg.Pages().SetParamText(i, QStringLiteral("192.168.1.%1").arg(i));
      else if (info.kind == EControlKind::List)
        dlg.Pages().SetParamSelection(i, 1);
      else if (info.kind == EControlKind::Schedule)
        dlg.Pages().SetScheduleDescription(i, chinese ? QStringLiteral("每天 08:00 开机")
                                                      : QStringLiteral("Every day on at 08:00"));
    }
    for (EPage p : {EPage::Base, EPage::Dtu, EPage::Other, EPage::Gps})
      dlg.Pages().EnableAll(p);
    dlg.Pages().EnableForEditing();
    dlg.Pages().ShowTabs(true, true);
    const char *names[] = {"page_base", "page_dtu", "page_other", "page_alarm", "page_gps"};
    for (int t = 0; t < 5; ++t) {
      dlg.TabSheet()->SelectTab(t);
      QApplication::processEvents();
      QVERIFY(dlg.grab().save(dir + "/" + names[t] + ".png"));
      CheckNothingClipped(dlg.TabSheet()->PageAt(t));
    }
  }

  // The pictures of the README: the window after a load from the simulated
  // device, the schedule page, the list of writes and the communication
  // layout (build folder, screenshots/readme).
  void readme() {
    QFETCH(bool, chinese);
    g_chineseUi = chinese ? 1 : 0;
    const QString dir = QStringLiteral(STRELVANE_BIN_DIR "/screenshots/readme");
    QVERIFY(QDir().mkpath(dir));
    const QString suffix = chinese ? QStringLiteral("-zh.png") : QStringLiteral("-en.png");
    const double oldScale = CTiming::Scale();
    CTiming::SetScale(0.1);
    sim::CSimRunner sim;
    sim::CSimRunOptions o;
    o.device.bootMs = 1500;
    o.device.promptIntervalMs = 100;
    o.powerOnStart = false;
    QVERIFY(sim.Start(o));
    {
      CStrelvaneDlg dlg;
      dlg.SetMessageHook([](const QString &, const QString &) {});
      dlg.Initialize({{QString::fromStdString(sim.SlavePath()), QString()}});
      dlg.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dlg));
      sim.Repower();
      QVERIFY(QTest::qWaitFor(
          [&] { return dlg.Control(idc::IDC_SAVE_CONFIG)->isEnabled() && !dlg.Device().RunActive(); }, 20000));
      QTest::qWait(200);
      QVERIFY(dlg.grab().save(dir + "/main" + suffix));
      CheckNothingClipped(&dlg);

      dlg.TabSheet()->SelectTab(3);
      QApplication::processEvents();
      QVERIFY(dlg.grab().save(dir + "/schedule" + suffix));

      // Two edits, marked, and the list a save shows first (declined).
      dlg.TabSheet()->SelectTab(2);
      qobject_cast<QLineEdit *>(dlg.Page(EPage::Other)->Control(1003))->setText(QStringLiteral("site.apn"));
      qobject_cast<QLineEdit *>(dlg.Page(EPage::Other)->Control(1004))->setText(QStringLiteral("user7"));
      QApplication::processEvents();
      QVERIFY(dlg.grab().save(dir + "/edited" + suffix));
      bool shot = false;
      QTimer poll;
      connect(&poll, &QTimer::timeout, [&] {
        auto *preview = dynamic_cast<CWritePreviewDlg *>(QApplication::activeModalWidget());
        if (!preview || shot)
          return;
        shot = true;
        QVERIFY(preview->grab().save(dir + "/preview" + suffix));
        preview->CancelButton()->click();
      });
      poll.start(20);
      qobject_cast<QPushButton *>(dlg.Control(idc::IDC_SAVE_SETTINGS))->click();
      QVERIFY(QTest::qWaitFor([&] { return shot && dlg.Control(idc::IDC_SAVE_SETTINGS)->isEnabled(); }, 10000));

      dlg.SetCommunicationLayout();
      dlg.SetCommStateSelected(true);
      dlg.AppendOutput(QStringLiteral("$GPRMC,081836,A,3751.65,S,14507.36,E,000.0,360.0,130998,011.3,E*62\r\n"));
      QTest::qWait(200);
      QVERIFY(dlg.grab().save(dir + "/communication" + suffix));
      dlg.SetQuestionHook([](const QString &, const QString &) { return true; });
      dlg.done(0);
    }
    sim.Stop();
    CTiming::SetScale(oldScale);
  }
  void readme_data() { shots_data(); }

private:
  // A label, button or group title narrower than its text is clipped on screen.
  static void CheckNothingClipped(QWidget *root) {
    for (QWidget *w : root->findChildren<QWidget *>()) {
      if (!w->isVisible())
        continue;
      QString text;
      if (auto *l = qobject_cast<QLabel *>(w); l && !l->wordWrap())
        text = l->text();
      else if (auto *b = qobject_cast<QAbstractButton *>(w))
        text = b->text();
      if (text.isEmpty())
        continue;
      const int needed = w->fontMetrics().horizontalAdvance(QString(text).remove(QLatin1Char('&')));
      QVERIFY2(w->width() >= needed, qPrintable(QStringLiteral("%1 '%2' is %3 px wide, its text needs %4")
                                                    .arg(w->objectName(), text)
                                                    .arg(w->width())
                                                    .arg(needed)));
    }
  }
};

QTEST_MAIN(ScreenshotTest)
#include "ScreenshotTest.moc"
