// The output view under load: it must hold exactly the log's text whatever the
// batches, trims and display-only block breaks, and a stream without line ends
// must not make it slow (one growing block used to cost tens of seconds per MiB).
#include "host/OutputLog.h"
#include "ui/OutputView.h"

#include <QTest>
#include <QTextBlock>

#include <time.h>

namespace {
double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

QString Stream(const QString &kind, qsizetype n, qsizetype phase) {
  QString s;
  s.reserve(n);
  for (qsizetype i = phase; i < phase + n; ++i) {
    if (kind == QLatin1String("lines"))
      s += (i % 60 == 58)   ? QLatin1Char('\r')
           : (i % 60 == 59) ? QLatin1Char('\n')
                            : QChar(static_cast<char16_t>(u'a' + i % 26));
    else if (kind == QLatin1String("hex"))
      s += (i % 3 == 2) ? QLatin1Char(' ') : QLatin1Char("0123456789abcdef"[i % 16]);
    else if (kind == QLatin1String("cjk"))
      s += QChar(static_cast<char16_t>(0x4E00 + i % 500));
    else
      s += QChar(static_cast<char16_t>(u'a' + i % 26));
  }
  return s;
}
} // namespace

class COutputViewTest : public QObject {
  Q_OBJECT
private slots:
  void SameTextAsLog_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<int>("flushEvery");
    QTest::newRow("lines, small chunks") << "lines" << 700 << 3;
    QTest::newRow("no line ends") << "plain" << 4096 << 5;
    QTest::newRow("hex display") << "hex" << 3000 << 2;
    QTest::newRow("wide characters") << "cjk" << 999 << 4;
    QTest::newRow("batches beyond the bound") << "plain" << 50000 << 3;
  }
  // Trims that cut through display breaks, batches larger than the whole log.
  void SameTextAsLog() {
    QFETCH(QString, kind);
    QFETCH(int, chunk);
    QFETCH(int, flushEvery);
    COutputLog log(32 * 1024);
    COutputView view;
    qsizetype written = 0;
    for (int i = 0; i < 60; ++i) {
      const QString text = Stream(kind, chunk + i % 7, written);
      written += text.size();
      view.Append(text, log.Append(text));
      if (i % flushEvery == 0)
        view.Flush();
      if (i % 17 == 0)
        QCOMPARE(view.LogText(), log.Text());
    }
    QCOMPARE(view.LogText(), log.Text());
    QVERIFY(!view.FlushPending());
    // A line is shown in blocks of bounded length.
    for (QTextBlock b = view.document()->begin(); b.isValid(); b = b.next())
      QVERIFY2(b.length() <= COutputView::BREAK_AT + COutputView::BREAK_SLACK + 1,
               qPrintable(QString::number(b.length())));
    view.Clear();
    log.Clear();
    view.Append(QStringLiteral("after\r\n"), log.Append(QStringLiteral("after\r\n")));
    QCOMPARE(view.LogText(), QStringLiteral("after\r\n"));
  }

  // The document catches up on its own shortly after an append.
  void CatchesUpOnItsOwn() {
    COutputView view;
    view.Append(QStringLiteral("x"), 0);
    QVERIFY(view.FlushPending());
    QTRY_VERIFY_WITH_TIMEOUT(!view.FlushPending(), 2000);
    QCOMPARE(view.document()->toPlainText(), QStringLiteral("x"));
  }

  // 1 MiB without a line end, in serial-sized pieces, flushed as the window
  // does: no flush may hold the thread long. CPU time of this thread, so a
  // loaded machine does not count; the bound is far above the measured few ms
  // and far below what one growing block costs.
  void LongLineStaysFast() {
    COutputLog log;
    COutputView view;
    view.resize(800, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    double worst = 0;
    const double start = ThreadCpuMs();
    qsizetype written = 0;
    for (int i = 0; i < 256; ++i) {
      const QString text = Stream(QStringLiteral("plain"), 4096, written);
      written += text.size();
      view.Append(text, log.Append(text));
      if (i % 8 == 7) {
        const double t = ThreadCpuMs();
        view.Flush();
        QCoreApplication::processEvents(); // layout and paint
        worst = std::max(worst, ThreadCpuMs() - t);
      }
    }
    const double total = ThreadCpuMs() - start;
    qInfo("1 MiB without line ends: worst flush %.1f ms, all %.1f ms CPU", worst, total);
    QVERIFY2(worst < 400, qPrintable(QString::number(worst)));
    QVERIFY2(total < 5000, qPrintable(QString::number(total)));
    QCOMPARE(view.LogText().size(), log.Size());
  }
};

QTEST_MAIN(COutputViewTest)
#include "OutputViewTest.moc"
