#pragma once
// One device of a batch: its own controller, session, pages and host, driven
// step by step on the program's thread (wait for the start-up, load, read the
// version, write what differs, read back and compare) so that any number of
// devices run side by side in one process without sharing anything.
#include "cli/CliChanges.h"
#include "device/DeviceController.h"
#include "device/SaveSequencer.h"
#include "host/ConsoleHost.h"
#include "params/PageModel.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

enum class EProvisionOutcome { Running, Ok, Unchanged, Failed, NoDevice };

// A headless host that also keeps the save walk's progress.
class CProvisionHost : public CConsoleHost {
public:
  void ShowProgress(int done, int total) override {
    if (total > 0) {
      m_done.store(done);
      m_total.store(total);
    }
  }
  int Done() const { return m_done.load(); }
  int Total() const { return m_total.load(); }

private:
  std::atomic<int> m_done{0};
  std::atomic<int> m_total{0};
};

// Seconds since the batch started at which a device reached each point; < 0: not reached.
struct ProvisionTimes {
  double cameUp = -1;
  double loaded = -1;
  double written = -1;
  double verified = -1;
  double ended = -1;
};

struct ProvisionFailure {
  int index;
  QString why;
};

class CProvisionDevice {
public:
  // The configuration a device gets once it has come up: the file with its
  // row's values, the row (1-based, 0: none), or a reason it gets none.
  struct Assignment {
    std::optional<ParamArray> file;
    int row = 0;
    QString error;
  };
  using Assign = std::function<Assignment(const QString &port)>;

  CProvisionDevice(const QString &port, const QString &baud, qint64 waitMs, const QElapsedTimer &clock, Assign assign);
  ~CProvisionDevice();
  CProvisionDevice(const CProvisionDevice &) = delete;
  CProvisionDevice &operator=(const CProvisionDevice &) = delete;

  // Opens the port; the device then goes on with each Step.
  void Start();
  // Takes the next step when the current one has ended.
  void Step();
  // Ctrl-C: nothing more goes to the device; the outcome says where it stopped.
  void Interrupt();

  bool Ended() const { return m_outcome != EProvisionOutcome::Running; }
  const QString &Port() const { return m_port; }
  EProvisionOutcome Outcome() const { return m_outcome; }
  // Where the device is now, in words ("writing 3/10").
  QString StageText() const;
  // The report's JSON object, on one line.
  QString ReportJson() const;
  // The summary table's columns: module, version, written, failed, verified, seconds.
  QString Module() const { return m_module; }
  QString Version() const { return m_version; }
  int WrittenCount() const { return static_cast<int>(m_written.size()); }
  int FailedCount() const { return static_cast<int>(m_failed.size()); }
  bool Verified() const { return m_verified; }
  double Seconds() const { return m_times.ended; }
  // The device's whole log, as the window would show it.
  QString LogText() { return m_host.Log().Text(); }

private:
  enum class EStage { Idle, Opening, StartUp, Loading, Version, Writing, Verifying, Ended };

  double Now() const { return static_cast<double>(m_clock.elapsed()) / 1000.0; }
  void End(EProvisionOutcome outcome, const QString &reason = {});
  void Opened(); // the open has ended: go on, or end with why
  void StartVersion();
  void StartWrite();
  void TakeSaveResult();
  void StartVerify();
  void FinishVerify();
  // The last line of the log (why a port did not open or was lost).
  QString LastLogLine();

  QString m_port;
  QString m_baud;
  qint64 m_waitMs;
  const QElapsedTimer &m_clock;
  Assign m_assign;

  CProvisionHost m_host;
  CPageModel m_pages;
  std::unique_ptr<CDeviceController> m_device;
  std::shared_ptr<std::atomic<bool>> m_loaded = std::make_shared<std::atomic<bool>>(false);

  // Handed over from the workers: the current operation's end and its results.
  struct Shared {
    std::mutex mutex;
    bool opEnded = false;
    bool opOk = false;
    std::optional<CExchangeResult> query;
    std::optional<SaveResult> save;
  };
  std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
  bool OpEnded(bool *ok = nullptr);
  void BeginOp();

  EStage m_stage = EStage::Idle;
  EProvisionOutcome m_outcome = EProvisionOutcome::Running;
  QString m_reason;
  QString m_lost; // why the port was lost, once it was
  QString m_stoppedAt;
  ParamArray m_file{};
  int m_row = 0;
  QString m_module;
  QString m_version;
  int m_total = 0;
  std::vector<int> m_written;
  std::vector<ProvisionFailure> m_failed;
  std::vector<int> m_untried;
  std::vector<cli::PendingChange> m_differ; // after the read-back
  bool m_verified = false;
  bool m_interrupted = false;
  ProvisionTimes m_times;
};

// The version text of an "at+ver" reply: its lines without the echo and the "OK".
QString VersionFromReply(const QByteArray &reply);
