#include "base/ThreadExecutor.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

namespace {
const QEvent::Type WAKE_EVENT = static_cast<QEvent::Type>(QEvent::registerEventType());
}

struct CThreadExecutor::Task {
  std::function<void()> fn;
  bool blocking = false;
  bool done = false;
  bool dropped = false; // removed from the queue by Shutdown before it ran
};

CThreadExecutor::CThreadExecutor(QObject *parent) : QObject(parent) {}

CThreadExecutor::~CThreadExecutor() { Shutdown(); }

bool CThreadExecutor::IsOnThread() const { return QThread::currentThread() == thread(); }

bool CThreadExecutor::Enqueue(const std::shared_ptr<Task> &task) {
  QEvent *wake = nullptr;
  {
    // The shutdown check and the push are one step: a task queued after
    // Shutdown emptied the queue would be neither run nor dropped.
    std::lock_guard lock(m_mutex);
    if (m_shutdown)
      return false;
    m_queue.push_back(task);
    if (!m_wakePending) {
      m_wakePending = true;
      // Made under the lock that event() takes before reading it.
      wake = new QEvent(WAKE_EVENT);
    }
  }
  if (wake)
    QCoreApplication::postEvent(this, wake);
  return true;
}

void CThreadExecutor::Post(std::function<void()> fn) {
  auto task = std::make_shared<Task>();
  task->fn = std::move(fn);
  Enqueue(task);
}

bool CThreadExecutor::Call(std::function<void()> fn) {
  if (IsOnThread()) {
    {
      std::lock_guard lock(m_mutex);
      if (m_shutdown)
        return false;
    }
    fn();
    return true;
  }
  auto task = std::make_shared<Task>();
  task->fn = std::move(fn);
  task->blocking = true;
  if (!Enqueue(task))
    return false;
  std::unique_lock lock(m_mutex);
  m_done.wait(lock, [&] { return task->done || task->dropped; });
  return task->done;
}

void CThreadExecutor::Shutdown() {
  {
    std::lock_guard lock(m_mutex);
    m_shutdown = true;
    // A task already taken off the queue is still running: its caller keeps waiting for it.
    for (auto &task : m_queue)
      task->dropped = true;
    m_queue.clear();
  }
  m_done.notify_all();
}

void CThreadExecutor::RunPending() {
  // Only what is queued now runs here; a task queued meanwhile (a re-posted
  // notification) waits for the next turn of the event loop, so nothing starves it.
  std::deque<std::shared_ptr<Task>> batch;
  {
    std::lock_guard lock(m_mutex);
    m_wakePending = false;
    if (m_shutdown)
      return;
    batch.swap(m_queue);
  }
  for (auto it = batch.begin(); it != batch.end(); ++it) {
    bool stop = false;
    {
      // A task of this batch may have called Shutdown (or another thread did):
      // the rest are dropped as Shutdown drops the queue, never started late.
      std::lock_guard lock(m_mutex);
      if (m_shutdown) {
        for (auto rest = it; rest != batch.end(); ++rest)
          (*rest)->dropped = true;
        stop = true;
      }
    }
    if (stop) {
      m_done.notify_all();
      return;
    }
    const std::shared_ptr<Task> &task = *it;
    task->fn();
    if (task->blocking) {
      {
        std::lock_guard lock(m_mutex);
        task->done = true;
      }
      m_done.notify_all();
    }
  }
}

void CThreadExecutor::customEvent(QEvent *e) {
  // Only the wake event of Enqueue is ever posted here; Qt has told it apart
  // from its own events before this runs.
  (void)e;
  {
    // Pairs with Enqueue: the event was made by another thread.
    std::lock_guard lock(m_mutex);
  }
  RunPending();
}
