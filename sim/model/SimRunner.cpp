#include "model/SimRunner.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace sim {
namespace {

constexpr int IDLE_POLL_MS = 50;
// Output nobody reads piles up in the pty; beyond this much it is dropped,
// as bytes sent on a serial line without a listener are lost.
constexpr size_t PENDING_MAX = 64 * 1024;

bool SetNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

std::unique_ptr<CPty> OpenPty() {
  auto pty = std::make_unique<CPty>();
  if (!pty->Open() || !SetNonBlocking(pty->MasterFd()))
    return nullptr;
  return pty;
}

} // namespace

CSimRunner::~CSimRunner() { Stop(); }

bool CSimRunner::Start(CSimRunOptions options) {
  {
    std::lock_guard lock(m_mutex);
    if (m_running)
      return false;
  }
  auto pty = OpenPty();
  if (!pty)
    return false;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
    return false;

  std::lock_guard lock(m_mutex);
  m_pty = std::move(pty);
  m_slavePath = m_pty->SlavePath();
  m_wakeRead = fds[0];
  m_wakeWrite = fds[1];
  m_pending.clear();
  m_stop = false;
  m_request = ERequest::None;
  m_onCommand = std::move(options.onCommand);
  m_epoch = std::chrono::steady_clock::now();
  m_model = std::make_unique<CDeviceModel>(options.device);
  if (options.powerOnStart)
    m_model->PowerUp(NowMs());
  m_running = true;
  m_thread = std::thread([this] { Loop(); });
  return true;
}

std::int64_t CSimRunner::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_epoch).count();
}

std::string CSimRunner::SlavePath() const {
  std::lock_guard lock(m_mutex);
  return m_slavePath;
}

bool CSimRunner::Running() const {
  std::lock_guard lock(m_mutex);
  return m_running;
}

EPowerState CSimRunner::State() const {
  std::lock_guard lock(m_mutex);
  return m_model ? m_model->State() : EPowerState::Off;
}

std::string CSimRunner::Dump() const {
  std::lock_guard lock(m_mutex);
  return m_model ? m_model->Dump(NowMs()) : std::string();
}

void CSimRunner::LineNoise(const std::string &bytes) {
  std::lock_guard lock(m_mutex);
  if (m_model) {
    m_model->Receive(bytes, NowMs());
    Wake();
  }
}

void CSimRunner::WithModel(const std::function<void(CDeviceModel &)> &f) {
  std::lock_guard lock(m_mutex);
  if (m_model) {
    f(*m_model);
    Wake();
  }
}

void CSimRunner::Repower() {
  std::lock_guard lock(m_mutex);
  if (!m_running)
    return;
  m_model->PowerUp(NowMs());
  Wake();
}

void CSimRunner::PowerOff() {
  std::lock_guard lock(m_mutex);
  if (!m_running)
    return;
  m_model->PowerOff(NowMs());
  Wake();
}

void CSimRunner::Unplug() {
  std::unique_lock lock(m_mutex);
  if (!m_running)
    return;
  m_request = ERequest::Unplug;
  Wake();
  m_requestDone.wait(lock, [this] { return m_request == ERequest::None || !m_running; });
}

std::string CSimRunner::Replug() {
  std::unique_lock lock(m_mutex);
  if (!m_running)
    return {};
  m_request = ERequest::Replug;
  m_requestOk = false;
  Wake();
  m_requestDone.wait(lock, [this] { return m_request == ERequest::None || !m_running; });
  return m_requestOk ? m_slavePath : std::string();
}

void CSimRunner::Stop() {
  {
    std::lock_guard lock(m_mutex);
    if (!m_running)
      return;
    m_stop = true;
    Wake();
  }
  if (m_thread.joinable())
    m_thread.join();
  std::lock_guard lock(m_mutex);
  m_pty.reset();
  m_slavePath.clear();
  ::close(m_wakeRead);
  ::close(m_wakeWrite);
  m_wakeRead = m_wakeWrite = -1;
  m_running = false;
  m_requestDone.notify_all();
}

// Called with m_mutex held.
void CSimRunner::Wake() {
  if (m_wakeWrite >= 0) {
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeWrite, &b, 1); // a full pipe wakes the thread as well
  }
}

// Runs on the runner thread with m_mutex held.
void CSimRunner::ServeRequest() {
  if (m_request == ERequest::Unplug) {
    m_pty.reset();
    m_slavePath.clear();
    m_pending.clear();
  } else if (m_request == ERequest::Replug) {
    auto pty = OpenPty();
    m_requestOk = pty != nullptr;
    if (pty) {
      m_pty = std::move(pty);
      m_slavePath = m_pty->SlavePath();
      m_pending.clear();
    }
  }
  m_request = ERequest::None;
  m_requestDone.notify_all();
}

// Writes what the pty takes now; false when output is left over.
bool CSimRunner::WritePending() {
  if (!m_pty || m_pty->MasterFd() < 0) {
    m_pending.clear(); // unplugged: the bytes go nowhere
    return true;
  }
  while (!m_pending.empty()) {
    const ssize_t n = ::write(m_pty->MasterFd(), m_pending.data(), m_pending.size());
    if (n > 0) {
      m_pending.erase(0, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && errno == EAGAIN) {
      if (m_pending.size() > PENDING_MAX)
        m_pending.clear();
      return m_pending.empty();
    }
    m_pending.clear(); // the line is gone
    return true;
  }
  return true;
}

void CSimRunner::Loop() {
  std::vector<CCommandRecord> records;
  char buf[4096];
  for (;;) {
    int timeout = IDLE_POLL_MS;
    int master = -1;
    {
      std::lock_guard lock(m_mutex);
      if (m_stop)
        break;
      if (m_request != ERequest::None)
        ServeRequest();
      const std::int64_t now = NowMs();
      m_model->Advance(now);
      m_pending += m_model->TakeOutput(now);
      records = m_model->TakeCommandLog();
      if (const auto next = m_model->NextEventMs())
        timeout = static_cast<int>(std::clamp<std::int64_t>(*next - now, 0, IDLE_POLL_MS));
      master = m_pty ? m_pty->MasterFd() : -1;
    }
    if (m_onCommand)
      for (const CCommandRecord &r : records)
        m_onCommand(r);
    const bool drained = WritePending();

    pollfd fds[2] = {{m_wakeRead, POLLIN, 0}, {master, static_cast<short>(POLLIN | (drained ? 0 : POLLOUT)), 0}};
    if (::poll(fds, 2, timeout) < 0 && errno != EINTR)
      break;
    if (fds[0].revents & POLLIN)
      while (::read(m_wakeRead, buf, sizeof buf) > 0) {
      }
    if (master >= 0 && (fds[1].revents & POLLIN)) {
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n > 0) {
        std::lock_guard lock(m_mutex);
        m_model->Receive(std::string_view(buf, static_cast<size_t>(n)), NowMs());
      }
    }
  }
  std::lock_guard lock(m_mutex);
  m_request = ERequest::None;
  m_requestDone.notify_all();
}

} // namespace sim
