#include "cli/Provision.h"

#include "serial/PortUrl.h"

#include "params/PageFill.h"
#include "text/Gbk.h"
#include "text/Lang.h"

namespace {
inline constexpr CMsg MSG_NO_STARTUP{"设备在 %1 秒内没有进入配置状态",
                                     "the device did not enter configuration state within %1 s"};
inline constexpr CMsg MSG_NOT_LOADED{"没有载入设备参数", "the device's settings were not loaded"};
inline constexpr CMsg MSG_READBACK{"写入后没有读回设备参数", "the settings could not be read back after writing"};
inline constexpr CMsg MSG_NOT_HELD{"读回后设备没有保存 %1 个参数", "read back, the device does not hold %1 entries"};
inline constexpr CMsg MSG_REFUSED{"有参数不能写入，没有写入任何参数：%1",
                                  "values the device cannot take, nothing written: %1"};
inline constexpr CMsg MSG_WRITE_STOPPED{"写入在结束前被中止", "the write was stopped before its end"};
inline constexpr CMsg MSG_NOT_CONFIRMED{"%1 个参数没有被设备确认", "%1 parameters not confirmed by the device"};
inline constexpr CMsg MSG_TIMED_OUT{"设备在 %1 秒内没有确认", "the device did not confirm it within %1 s"};
inline constexpr CMsg MSG_STOPPED{"在设备应答之前被中止", "stopped before the device answered"};
inline constexpr CMsg MSG_NOT_SENT{"命令没有发出", "the command could not be sent"};
inline constexpr CMsg MSG_BUSY{"线路忙", "the line was busy"};
inline constexpr CMsg MSG_INTERRUPTED{"已中断", "interrupted"};

QString Label(int index) { return QString::fromLatin1(ParamInfoAt(index).label); }

QString Why(const SaveItem &item) {
  switch (item.outcome) {
  case EOutcome::TimedOut:
    return MSG_TIMED_OUT.Get().arg(ParamInfoAt(item.index).waitMs / 1000.0);
  case EOutcome::Stopped:
    return MSG_STOPPED.Get();
  case EOutcome::NotSent:
    return MSG_NOT_SENT.Get();
  case EOutcome::Busy:
    return MSG_BUSY.Get();
  case EOutcome::Answered:
    break;
  }
  return QString();
}

QString OutcomeName(EProvisionOutcome o) {
  switch (o) {
  case EProvisionOutcome::Ok:
    return QStringLiteral("ok");
  case EProvisionOutcome::Unchanged:
    return QStringLiteral("unchanged");
  case EProvisionOutcome::Failed:
    return QStringLiteral("failed");
  case EProvisionOutcome::NoDevice:
    return QStringLiteral("no-device");
  case EProvisionOutcome::Running:
    break;
  }
  return QStringLiteral("running");
}

QString JsonSeconds(double s) { return s < 0 ? QStringLiteral("null") : QString::number(s, 'f', 3); }
QString Text(const QString &s) { return s.isEmpty() ? QStringLiteral("null") : cli::JsonString(s); }

QString Labels(const std::vector<int> &indices) {
  QStringList out;
  for (int i : indices)
    out << cli::JsonString(Label(i));
  return QLatin1Char('[') + out.join(QLatin1Char(',')) + QLatin1Char(']');
}
} // namespace

QString VersionFromReply(const QByteArray &reply) {
  QStringList kept;
  for (const QByteArray &raw : reply.split('\n')) {
    const QString line = text::FromGbk(raw.trimmed());
    if (line.isEmpty() || line == QLatin1String("OK") ||
        line.compare(QLatin1String("at+ver"), Qt::CaseInsensitive) == 0)
      continue;
    kept << line;
  }
  return kept.join(QLatin1Char(' '));
}

CProvisionDevice::CProvisionDevice(const QString &port, const QString &baud, qint64 waitMs, const QElapsedTimer &clock,
                                   Assign assign)
    : m_port(port), m_baud(baud), m_waitMs(waitMs), m_clock(clock), m_assign(std::move(assign)) {
  m_device = std::make_unique<CDeviceController>(m_host, m_pages);
  m_host.m_onPromptTimer = [this] { m_device->OnPromptTimer(); };
  m_device->m_onSettingsLoaded = [loaded = m_loaded] { loaded->store(true); };
  m_device->m_onPortLost = [this](const QString &why) { m_lost = why.trimmed(); };
}

CProvisionDevice::~CProvisionDevice() {
  m_host.ShutdownCalls();
  m_device->Shutdown();
}

void CProvisionDevice::BeginOp() {
  std::lock_guard lock(m_shared->mutex);
  m_shared->opEnded = false;
  m_shared->opOk = false;
  m_shared->query.reset();
  m_shared->save.reset();
}

bool CProvisionDevice::OpEnded(bool *ok) {
  std::lock_guard lock(m_shared->mutex);
  if (ok)
    *ok = m_shared->opOk;
  return m_shared->opEnded;
}

QString CProvisionDevice::LastLogLine() {
  if (!m_lost.isEmpty())
    return m_lost.startsWith(QLatin1String(">>>")) ? m_lost.mid(3).trimmed() : m_lost;
  QStringList lines = m_host.Log().Text().split(QLatin1Char('\n'));
  while (!lines.isEmpty()) {
    QString line = lines.takeLast().trimmed();
    if (line.startsWith(QLatin1String(">>>")))
      line = line.mid(3).trimmed();
    if (!line.isEmpty())
      return line;
  }
  return QString();
}

void CProvisionDevice::End(EProvisionOutcome outcome, const QString &reason) {
  m_outcome = outcome;
  if (!reason.isEmpty())
    m_reason = reason;
  m_stage = EStage::Ended;
  m_times.ended = Now();
  // The port is let go at once: a finished device takes nothing more from the line.
  m_host.ShutdownCalls();
  m_device->Shutdown();
}

void CProvisionDevice::Start() {
  if (ParsePortUrl(m_port).IsNetwork()) {
    // Every device server is reached at once: none waits for another's answer.
    m_device->OpenPortInBackground(m_port, m_port, m_baud);
    m_stage = EStage::Opening;
    return;
  }
  m_device->OpenClosePort(m_port, m_port, m_baud);
  Opened();
}

void CProvisionDevice::Opened() {
  if (!m_device->Serial().IsOpen()) {
    // Absent: no device there (nobody at the address). Present but not opened
    // (busy, not permitted, settings not confirmed): a failure.
    const bool absent = m_device->LastOpenError() == EOpenError::Absent;
    End(absent ? EProvisionOutcome::NoDevice : EProvisionOutcome::Failed, LastLogLine());
    return;
  }
  m_stage = EStage::StartUp;
}

void CProvisionDevice::Step() {
  switch (m_stage) {
  case EStage::Idle:
  case EStage::Ended:
    return;
  case EStage::Opening:
    if (!m_device->Opening())
      Opened();
    return;
  case EStage::StartUp:
    // The start-up has come once the prompt timer stopped; the wait is the user's (unscaled).
    if (!m_host.PromptTimerActive() || !m_device->RunActive()) {
      m_times.cameUp = Now();
      m_stage = EStage::Loading;
    } else if (m_clock.elapsed() > m_waitMs) {
      End(EProvisionOutcome::NoDevice, MSG_NO_STARTUP.Get().arg(static_cast<double>(m_waitMs) / 1000.0));
    }
    return;
  case EStage::Loading: {
    if (m_device->RunActive())
      return;
    if (!m_device->Serial().IsOpen()) {
      End(EProvisionOutcome::Failed, LastLogLine());
      return;
    }
    if (!m_loaded->load()) {
      End(EProvisionOutcome::Failed, MSG_NOT_LOADED.Get());
      return;
    }
    m_times.loaded = Now();
    m_module = m_device->Session().Module();
    const Assignment a = m_assign(m_port);
    if (!a.file) {
      End(EProvisionOutcome::Failed, a.error);
      return;
    }
    m_file = *a.file;
    m_row = a.row;
    StartVersion();
    return;
  }
  case EStage::Version: {
    if (!OpEnded())
      return;
    {
      std::lock_guard lock(m_shared->mutex);
      if (m_shared->query && m_shared->query->Answered())
        m_version = VersionFromReply(m_shared->query->text);
    }
    if (!m_device->Serial().IsOpen()) {
      End(EProvisionOutcome::Failed, LastLogLine());
      return;
    }
    StartWrite();
    return;
  }
  case EStage::Writing:
    if (!OpEnded())
      return;
    TakeSaveResult();
    return;
  case EStage::Verifying:
    if (!OpEnded())
      return;
    FinishVerify();
    return;
  }
}

void CProvisionDevice::StartVersion() {
  m_stage = EStage::Version;
  BeginOp();
  m_device->Query(REPLY_OK_SET, &CAtCommand::SendVer, 5000, [shared = m_shared](const CExchangeResult &r) {
    std::lock_guard lock(shared->mutex);
    shared->query = r;
    shared->opEnded = true;
    shared->opOk = r.Answered();
  });
}

void CProvisionDevice::StartWrite() {
  // The file goes onto this device's pages as "apply" puts it there; the walk's
  // own comparison decides what is written.
  FillPagesFromFile(m_file, m_pages, m_device->Session().Table());
  QStringList problems;
  const auto changes = cli::PendingChanges(m_pages, m_device->Session().Table(), &problems);
  if (!problems.isEmpty()) {
    End(EProvisionOutcome::Failed, MSG_REFUSED.Get().arg(problems.join(QStringLiteral("; "))));
    return;
  }
  if (changes.empty()) {
    // The load has just shown that the device holds the file.
    m_verified = true;
    m_times.written = m_times.verified = Now();
    End(EProvisionOutcome::Unchanged);
    return;
  }
  m_total = static_cast<int>(changes.size());
  m_stage = EStage::Writing;
  BeginOp();
  m_device->SaveToDevice(
      [shared = m_shared](bool ok) {
        std::lock_guard lock(shared->mutex);
        shared->opEnded = true;
        shared->opOk = ok;
      },
      [shared = m_shared](const SaveResult &r) {
        std::lock_guard lock(shared->mutex);
        shared->save = r;
      });
}

void CProvisionDevice::TakeSaveResult() {
  std::optional<SaveResult> r;
  {
    std::lock_guard lock(m_shared->mutex);
    r = m_shared->save;
  }
  m_times.written = Now();
  if (!r) {
    End(EProvisionOutcome::Failed, MSG_WRITE_STOPPED.Get());
    return;
  }
  // Only what the device answered counts as written; the rest is listed as it ended.
  for (const SaveItem &item : r->items) {
    if (item.outcome == EOutcome::Answered)
      m_written.push_back(item.index);
    else
      m_failed.push_back({item.index, Why(item)});
  }
  for (const PageChange &c : r->untried)
    m_untried.push_back(c.index);
  if (r->refused) {
    End(EProvisionOutcome::Failed, MSG_REFUSED.Get().arg(r->problems.join(QStringLiteral("; "))));
    return;
  }
  if (r->stopped || !m_device->Serial().IsOpen()) {
    End(EProvisionOutcome::Failed, m_lost.isEmpty() ? MSG_WRITE_STOPPED.Get() : LastLogLine());
    return;
  }
  StartVerify();
}

void CProvisionDevice::StartVerify() {
  m_stage = EStage::Verifying;
  BeginOp();
  m_device->LoadFromDevice([shared = m_shared](bool ok) {
    std::lock_guard lock(shared->mutex);
    shared->opEnded = true;
    shared->opOk = ok;
  });
}

void CProvisionDevice::FinishVerify() {
  bool ok = false;
  OpEnded(&ok);
  if (!ok) {
    End(EProvisionOutcome::Failed, m_device->Serial().IsOpen() ? MSG_READBACK.Get() : LastLogLine());
    return;
  }
  m_times.verified = Now();
  // The listing read back has refilled the pages: the file goes on them again,
  // and what the walk would still write is what the device does not hold.
  FillPagesFromFile(m_file, m_pages, m_device->Session().Table());
  QStringList problems;
  m_differ = cli::PendingChanges(m_pages, m_device->Session().Table(), &problems);
  m_verified = m_differ.empty() && problems.isEmpty();
  if (!m_failed.empty())
    End(EProvisionOutcome::Failed, MSG_NOT_CONFIRMED.Get().arg(m_failed.size()));
  else if (!m_verified)
    End(EProvisionOutcome::Failed, MSG_NOT_HELD.Get().arg(m_differ.size()));
  else
    End(EProvisionOutcome::Ok);
}

void CProvisionDevice::Interrupt() {
  if (Ended())
    return;
  m_interrupted = true;
  m_stoppedAt = StageText();
  const EStage stage = m_stage;
  // Shutdown ends every exchange and joins the workers: a walk under way has
  // handed over what the device confirmed before it stopped.
  m_host.ShutdownCalls();
  m_device->Shutdown();
  if (stage == EStage::Writing)
    TakeSaveResult();
  if (!Ended())
    End(EProvisionOutcome::Failed);
  m_reason = MSG_INTERRUPTED.Get();
  m_verified = false;
}

QString CProvisionDevice::StageText() const {
  switch (m_stage) {
  case EStage::Idle:
  case EStage::Opening:
    return QStringLiteral("opening");
  case EStage::StartUp:
    return QStringLiteral("waiting for start-up");
  case EStage::Loading:
    return QStringLiteral("loading");
  case EStage::Version:
    return QStringLiteral("reading version");
  case EStage::Writing:
    return QStringLiteral("writing %1/%2").arg(m_host.Done()).arg(m_total);
  case EStage::Verifying:
    return QStringLiteral("verifying");
  case EStage::Ended:
    break;
  }
  return OutcomeName(m_outcome);
}

QString CProvisionDevice::ReportJson() const {
  QStringList failed;
  for (const ProvisionFailure &f : m_failed)
    failed << QStringLiteral("{\"label\":%1,\"why\":%2}").arg(cli::JsonString(Label(f.index)), cli::JsonString(f.why));
  QStringList differ;
  for (const cli::PendingChange &c : m_differ)
    differ << QStringLiteral("{\"label\":%1,\"device\":%2,\"file\":%3}")
                  .arg(cli::JsonString(Label(c.index)), cli::JsonString(text::FromGbk(c.device)),
                       cli::JsonString(text::FromGbk(c.value)));
  QString out = QStringLiteral("{\"port\":%1,\"outcome\":\"%2\"").arg(cli::JsonString(m_port), OutcomeName(m_outcome));
  out += QStringLiteral(",\"module\":%1,\"version\":%2").arg(Text(m_module), Text(m_version));
  out += QStringLiteral(",\"row\":%1").arg(m_row > 0 ? QString::number(m_row) : QStringLiteral("null"));
  out += QStringLiteral(",\"changes\":%1,\"written\":%2").arg(m_total).arg(Labels(m_written));
  out += QStringLiteral(",\"failed\":[%1],\"not_written\":%2").arg(failed.join(QLatin1Char(',')), Labels(m_untried));
  out += QStringLiteral(",\"verified\":%1,\"differ\":[%2]")
             .arg(m_verified ? QStringLiteral("true") : QStringLiteral("false"), differ.join(QLatin1Char(',')));
  out += QStringLiteral(",\"reason\":%1,\"interrupted\":%2,\"stopped_at\":%3")
             .arg(Text(m_reason), m_interrupted ? QStringLiteral("true") : QStringLiteral("false"), Text(m_stoppedAt));
  out += QStringLiteral(",\"timings\":{\"came_up_s\":%1,\"loaded_s\":%2,\"written_s\":%3,\"verified_s\":%4,"
                        "\"total_s\":%5}}")
             .arg(JsonSeconds(m_times.cameUp), JsonSeconds(m_times.loaded), JsonSeconds(m_times.written),
                  JsonSeconds(m_times.verified), JsonSeconds(m_times.ended));
  return out;
}
