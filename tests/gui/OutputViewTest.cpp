// The output view under load: it must hold exactly the log's text whatever the
// batches, trims and display-only block breaks, and a stream without line ends
// must not make it slow (one growing block used to cost tens of seconds per MiB).
#include "host/OutputLog.h"
#include "ui/OutputView.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTest>
#include <QFontInfo>
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

  // While appends keep coming the document is changed at most every
  // STREAM_FLUSH_MS; after a quiet spell the first append still waits FLUSH_MS.
  // Timers never fire more than a few per cent early, so these lower bounds
  // hold on a loaded machine too.
  void FlushesSpacedWhileStreaming() {
    COutputView view;
    QElapsedTimer t;
    qint64 changedAt = -1; // when the document last changed, on t
    connect(view.document(), &QTextDocument::contentsChanged, this, [&] { changedAt = t.elapsed(); });
    view.Append(QStringLiteral("first\r\n"), 0);
    t.start();
    view.Flush();
    QVERIFY(changedAt >= 0); // the flush changed it
    changedAt = -1;
    view.Append(QStringLiteral("streaming\r\n"), 0);
    QVERIFY(QTest::qWaitFor([&] { return changedAt >= 0; }, 5000));
    QVERIFY2(changedAt >= COutputView::STREAM_FLUSH_MS * 9 / 10, qPrintable(QString::number(changedAt)));
    QTest::qWait(COutputView::STREAM_FLUSH_MS + 20);
    changedAt = -1;
    t.start();
    view.Append(QStringLiteral("after a pause\r\n"), 0);
    QVERIFY(QTest::qWaitFor([&] { return changedAt >= 0; }, 5000));
    QVERIFY2(changedAt >= COutputView::FLUSH_MS * 9 / 10, qPrintable(QString::number(changedAt)));
    QCOMPARE(view.LogText(), QStringLiteral("first\r\nstreaming\r\nafter a pause\r\n"));
  }

  void FollowsTheEnd_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("chunk");
    QTest::newRow("lines") << "lines" << 5000;
    QTest::newRow("lines, less than a screenful per batch") << "lines" << 130;
    QTest::newRow("hex display, wrapped blocks") << "hex" << 9000;
    QTest::newRow("wide characters") << "cjk" << 3000;
  }
  // After every batch, trims included, the view shows the end with the caret
  // there, as it would after moving the caret and asking for it to be visible.
  void FollowsTheEnd() {
    QFETCH(QString, kind);
    QFETCH(int, chunk);
    COutputLog log(64 * 1024);
    COutputView view;
    view.resize(600, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    qsizetype written = 0;
    for (int i = 0; i < 40; ++i) {
      const QString text = Stream(kind, chunk, written);
      written += text.size();
      view.Append(text, log.Append(text));
      view.Flush();
      QCoreApplication::processEvents();
      QScrollBar *bar = view.verticalScrollBar();
      QCOMPARE(bar->value(), bar->maximum());
      QCOMPARE(view.textCursor().position(), view.document()->characterCount() - 1);
      const QRect caret = view.cursorRect();
      QVERIFY2(view.viewport()->rect().contains(caret), qPrintable(QStringLiteral("batch %1: caret at %2,%3 size %4")
                                                                       .arg(i)
                                                                       .arg(caret.x())
                                                                       .arg(caret.y())
                                                                       .arg(caret.height())));
      // Once there is more than a screenful, the last line sits at the bottom: a
      // line further down would not fit.
      if (bar->maximum() > 0)
        QVERIFY2(caret.bottom() + caret.height() > view.viewport()->height() - 2 * view.document()->documentMargin(),
                 qPrintable(QStringLiteral("batch %1: caret bottom %2").arg(i).arg(caret.bottom())));
    }
    QVERIFY(view.verticalScrollBar()->maximum() > 0); // it did scroll
    QCOMPARE(view.LogText(), log.Text());
  }

  void ScrolledUpStaysPut_data() {
    QTest::addColumn<qsizetype>("limit");
    QTest::newRow("no trim") << qsizetype(1024 * 1024);
    QTest::newRow("front trims") << qsizetype(48 * 1024);
  }
  // A reader who scrolled up keeps the line on top and the selection while
  // text arrives (front trims included); back at the end, the view follows again.
  void ScrolledUpStaysPut() {
    QFETCH(qsizetype, limit);
    COutputLog log(limit);
    COutputView view;
    view.resize(600, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    auto feed = [&](int from, int count) {
      QString text;
      for (int i = from; i < from + count; ++i)
        text += QStringLiteral("line %1 of the listing\r\n").arg(i, 5, 10, QLatin1Char('0'));
      view.Append(text, log.Append(text));
      view.Flush();
      QCoreApplication::processEvents();
    };
    feed(0, 1500);
    QScrollBar *bar = view.verticalScrollBar();
    QVERIFY(view.AtEnd());
    bar->setValue(bar->maximum() - 200);
    QCoreApplication::processEvents();
    const QString top = view.cursorForPosition(QPoint(4, 4)).block().text();
    QTextCursor select(view.document()->findBlock(view.cursorForPosition(QPoint(4, 40)).position()));
    select.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    view.setTextCursor(select);
    const QString selected = view.textCursor().selectedText();
    QVERIFY(selected.startsWith(QStringLiteral("line ")));
    for (int batch = 1; batch <= 6; ++batch) {
      feed(1500 * batch, 300);
      QVERIFY(!view.AtEnd());
      QCOMPARE(view.cursorForPosition(QPoint(4, 4)).block().text(), top);
      QCOMPARE(view.textCursor().selectedText(), selected);
    }
    bar->setValue(bar->maximum());
    feed(9000, 300);
    QVERIFY(view.AtEnd());
    // Made shorter (the terminal row appears below it) or taller, it keeps following.
    for (int height : {180, 420}) {
      view.resize(600, height);
      QCoreApplication::processEvents();
      QVERIFY(view.Following());
      feed(9300 + height, 50);
      QVERIFY(view.AtEnd());
    }
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(view.textCursor().position(), view.document()->characterCount() - 1);
    QCOMPARE(view.LogText(), log.Text());
  }

  // The log's face is fixed pitch and holds the CJK glyphs, so a listing's
  // columns line up in both languages.
  void FixedPitchWithCjk() {
    const QFont font = COutputView::LogFont();
    const QFontMetrics fm(font);
    QVERIFY(QFontInfo(font).fixedPitch());
    QCOMPARE(fm.horizontalAdvance(QLatin1Char('i')), fm.horizontalAdvance(QLatin1Char('W')));
    QVERIFY(fm.inFontUcs4(0x4E2D));
    COutputView view;
    QCOMPARE(QFontInfo(view.font()).family(), QFontInfo(font).family());
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
