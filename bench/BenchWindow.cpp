// bench_window: the main window on a pty, measured from inside the process.
//
//   bench_window stream --rate BYTES_PER_S --seconds S [--hex] [--nolf] [--no-heartbeat]
//   bench_window burst --bytes N [--nolf]
//   bench_window startup --t0-ns NS
//
// stream: the window is put in communication state and a writer thread feeds
// the pty at the given rate (lines of 78 characters and CR LF, or no line ends
// at all). A 5 ms heartbeat timer on the window thread records the longest gap
// between its ticks; CPU time is the process's minus the writer's, over the run
// after a one-second warm-up; resident memory is sampled throughout.
// burst: N bytes written at once; the gap is recorded until all are in the log
// and on screen. startup: as the program starts (same libraries, same steps),
// prints the milliseconds from NS (CLOCK_REALTIME, taken before exec) to the
// window's first paint. Prints key=value lines.
#include "model/Pty.h"
#include "text/Lang.h"
#include "widgets/ControlIds.h"
#include "ui/OutputView.h"
#include "ui/Startup.h"
#include "ui/StrelvaneDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include <sys/resource.h>
#include <time.h>

namespace {
using Clock = std::chrono::steady_clock;

double ProcessCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double StatusMb(const char *key) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly))
    return 0;
  for (const QByteArray &l : f.readAll().split('\n'))
    if (l.startsWith(key))
      return l.mid(static_cast<qsizetype>(std::strlen(key))).trimmed().split(' ').value(0).toDouble() / 1024.0;
  return 0;
}

std::string Data(size_t n, bool lineEnds, size_t phase) {
  std::string s(n, 'x');
  for (size_t i = 0; i < n; ++i) {
    const size_t k = phase + i;
    if (lineEnds && k % 80 == 78)
      s[i] = '\r';
    else if (lineEnds && k % 80 == 79)
      s[i] = '\n';
    else
      s[i] = static_cast<char>('a' + k % 26);
  }
  return s;
}

QString Arg(const QStringList &args, const QString &name, const QString &fallback = {}) {
  const auto at = args.indexOf(name);
  return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
}

// Runs the event loop (blocking, as the program's own loop does) for ms, or
// until done() holds, checked every 5 ms.
void Pump(int ms, const std::function<bool()> &done = {}) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  QTimer check;
  if (done) {
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
      if (done())
        loop.quit();
    });
    check.start(5);
  }
  loop.exec();
}

// The longest gap between heartbeat ticks while armed, in wall time and in the
// window thread's own CPU time: on a loaded machine a wall gap may be the
// scheduler's doing, the CPU time between two ticks is the work that held the thread.
struct CHeartbeat {
  QTimer timer;
  Clock::time_point last = Clock::now();
  double lastCpu = ThreadCpuSeconds();
  double maxGapMs = 0;
  double maxBusyMs = 0;
  int over50 = 0;
  bool armed = false;
  explicit CHeartbeat(int intervalMs = 5) {
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(intervalMs);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      const auto now = Clock::now();
      const double gap = std::chrono::duration<double, std::milli>(now - last).count();
      const double cpu = ThreadCpuSeconds();
      const double busy = (cpu - lastCpu) * 1000;
      last = now;
      lastCpu = cpu;
      if (!armed)
        return;
      maxGapMs = std::max(maxGapMs, gap);
      maxBusyMs = std::max(maxBusyMs, busy);
      if (gap > 50)
        ++over50;
    });
    if (intervalMs > 0)
      timer.start();
  }
  void Arm() {
    last = Clock::now();
    lastCpu = ThreadCpuSeconds();
    maxGapMs = 0;
    maxBusyMs = 0;
    over50 = 0;
    armed = true;
  }
};

// The window in communication state on a fresh pty.
struct CWindowOnPty {
  CPty pty;
  std::unique_ptr<CStrelvaneDlg> dlg;
  bool Open(bool hex) {
    if (!pty.Open())
      return false;
    g_chineseUi.store(0);
    dlg = std::make_unique<CStrelvaneDlg>();
    dlg->Initialize(ui::BuildPortList({QString::fromStdString(pty.SlavePath())}, {}));
    dlg->resize(1000, 700);
    dlg->show();
    qobject_cast<QAbstractButton *>(dlg->Control(idc::IDC_MODE_COMM))->click();
    if (hex)
      qobject_cast<QAbstractButton *>(dlg->Control(idc::IDC_HEX_DISPLAY))->click();
    Pump(300);
    pty.ReadSome(0, 1 << 20); // the start-up key presses
    return dlg->IsPortOpen();
  }
};

int Stream(const QStringList &args) {
  const double rate = Arg(args, QStringLiteral("--rate"), QStringLiteral("1000000")).toDouble();
  const double seconds = Arg(args, QStringLiteral("--seconds"), QStringLiteral("8")).toDouble();
  const bool hex = args.contains(QStringLiteral("--hex"));
  const bool lineEnds = !args.contains(QStringLiteral("--nolf"));
  CWindowOnPty w;
  if (!w.Open(hex)) {
    std::printf("error=cannot open the pty\n");
    return 1;
  }
  // The heartbeat's own wake-ups cost CPU: runs that measure CPU turn it off.
  CHeartbeat hb(args.contains(QStringLiteral("--no-heartbeat")) ? 0 : 5);
  std::atomic<bool> stop{false};
  std::atomic<double> writerCpuAtWarm{0}, writerCpuEnd{0};
  std::atomic<bool> warmed{false};
  std::atomic<size_t> written{0};
  std::string tail;
  const auto start = Clock::now();
  std::thread writer([&] {
    const size_t perTick = static_cast<size_t>(rate / 100);
    auto next = start;
    size_t phase = 0;
    while (!stop.load()) {
      const std::string chunk = Data(perTick, lineEnds, phase);
      phase += perTick;
      w.pty.WriteAll(chunk);
      written += chunk.size();
      if (!warmed.load() && Clock::now() - start >= std::chrono::seconds(1)) {
        writerCpuAtWarm.store(ThreadCpuSeconds());
        warmed.store(true);
      }
      tail = chunk;
      next += std::chrono::milliseconds(10);
      std::this_thread::sleep_until(next);
    }
    writerCpuEnd.store(ThreadCpuSeconds());
  });
  Pump(5000, [&] { return warmed.load(); });
  const double cpu0 = ProcessCpuSeconds();
  const auto t0 = Clock::now();
  const double writer0 = writerCpuAtWarm.load();
  hb.Arm();
  double rssMid = 0, rssMax = 0;
  qsizetype logMax = 0;
  QTimer sample;
  QObject::connect(&sample, &QTimer::timeout, [&] {
    const double rss = StatusMb("VmRSS:");
    rssMax = std::max(rssMax, rss);
    if (rssMid == 0 && Clock::now() - t0 >= std::chrono::duration<double>(seconds / 3))
      rssMid = rss;
    logMax = std::max(logMax, w.dlg->Log().Size());
  });
  sample.start(250);
  Pump(static_cast<int>(seconds * 1000));
  stop.store(true);
  writer.join();
  const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
  const double cpu = ProcessCpuSeconds() - cpu0 - (writerCpuEnd.load() - writer0);
  const double maxGap = hb.maxGapMs;
  const double maxBusy = hb.maxBusyMs;
  const int over50 = hb.over50;
  Pump(500);
  const QString logText = w.dlg->Output()->LogText();
  const bool same = logText == w.dlg->Log().Text();
  const bool tailShown = hex || logText.endsWith(QString::fromLatin1(tail.data(), static_cast<qsizetype>(tail.size())));
  std::printf("written_mb=%.2f\nseconds=%.2f\n", static_cast<double>(written.load()) / 1e6, wall);
  std::printf("cpu_percent=%.2f\n", 100.0 * cpu / wall);
  std::printf("max_gap_ms=%.1f\nstall_ms=%.1f\ngaps_over_50=%d\nbusy_ms=%.1f\n", maxGap, std::max(0.0, maxGap - 5),
              over50, maxBusy);
  std::printf("rss_mid_mb=%.1f\nrss_max_mb=%.1f\nlog_max_chars=%lld\nlog_limit=%lld\n", rssMid, rssMax,
              static_cast<long long>(logMax), static_cast<long long>(w.dlg->Log().Limit()));
  std::printf("view_matches_log=%d\ntail_shown=%d\n", same ? 1 : 0, tailShown ? 1 : 0);
  return 0;
}

int Burst(const QStringList &args) {
  const size_t bytes = Arg(args, QStringLiteral("--bytes"), QStringLiteral("1048576")).toULongLong();
  const bool lineEnds = !args.contains(QStringLiteral("--nolf"));
  CWindowOnPty w;
  if (!w.Open(false)) {
    std::printf("error=cannot open the pty\n");
    return 1;
  }
  CHeartbeat hb;
  Pump(100);
  const qsizetype before = w.dlg->Log().Size();
  const std::string data = Data(bytes, lineEnds, 0);
  hb.Arm();
  const auto t0 = Clock::now();
  std::thread writer([&] { w.pty.WriteAll(data); });
  Pump(60000, [&] {
    return w.dlg->Log().Size() >= before + static_cast<qsizetype>(bytes) && !w.dlg->Output()->FlushPending();
  });
  const double shownMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  writer.join();
  Pump(100);
  const double maxGap = hb.maxGapMs;
  const double maxBusy = hb.maxBusyMs;
  const QString logText = w.dlg->Output()->LogText();
  std::printf("bytes=%zu\nshown_ms=%.1f\nmax_gap_ms=%.1f\nstall_ms=%.1f\nbusy_ms=%.1f\n", bytes, shownMs, maxGap,
              std::max(0.0, maxGap - 5), maxBusy);
  std::printf("view_matches_log=%d\n", logText == w.dlg->Log().Text() ? 1 : 0);
  std::printf("complete=%d\n", w.dlg->Log().Size() >= before + static_cast<qsizetype>(bytes) ? 1 : 0);
  return 0;
}

int Startup(const QStringList &args) {
  const long long t0 = Arg(args, QStringLiteral("--t0-ns"), QStringLiteral("0")).toLongLong();
  // The program's own steps: language, window, port list, first port opened, shown.
  g_chineseUi.store(ui::DecideChineseUi(QString()) ? 1 : 0);
  CStrelvaneDlg dlg;
  const auto paths = args.indexOf(QStringLiteral("--"));
  dlg.Initialize(ui::BuildPortList(paths >= 0 ? args.mid(paths + 1) : QStringList(), ui::SystemPorts()));
  struct CFirstPaint : QObject {
    long long t0;
    explicit CFirstPaint(long long start) : t0(start) {}
    bool eventFilter(QObject *, QEvent *e) override {
      if (e->type() == QEvent::Paint) {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        const long long now = ts.tv_sec * 1000000000LL + ts.tv_nsec;
        std::printf("shown_ms=%.1f\n", static_cast<double>(now - t0) / 1e6);
        std::fflush(stdout);
        std::_Exit(0); // the measurement is taken; nothing else matters
      }
      return false;
    }
  } filter(t0);
  dlg.installEventFilter(&filter);
  dlg.show();
  QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
  return QApplication::exec();
}
} // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  const QString mode = args.value(1);
  if (mode == QLatin1String("stream"))
    return Stream(args);
  if (mode == QLatin1String("burst"))
    return Burst(args);
  if (mode == QLatin1String("startup"))
    return Startup(args);
  std::fprintf(stderr, "usage: bench_window stream|burst|startup ...\n");
  return 2;
}
