#include "host/ThreadExecutor.h"

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

void CThreadExecutor::Enqueue(const std::shared_ptr<Task> &task) {
  QEvent *wake = nullptr;
  {
    std::lock_guard lock(m_mutex);
    m_queue.push_back(task);
    if (!m_wakePending) {
      m_wakePending = true;
      // Made under the lock that event() takes before reading it.
      wake = new QEvent(WAKE_EVENT);
    }
  }
  if (wake)
    QCoreApplication::postEvent(this, wake);
}

void CThreadExecutor::Post(std::function<void()> fn) {
  {
    std::lock_guard lock(m_mutex);
    if (m_shutdown)
      return;
  }
  auto task = std::make_shared<Task>();
  task->fn = std::move(fn);
  Enqueue(task);
}

bool CThreadExecutor::Call(std::function<void()> fn) {
  {
    std::lock_guard lock(m_mutex);
    if (m_shutdown)
      return false;
  }
  if (IsOnThread()) {
    fn();
    return true;
  }
  auto task = std::make_shared<Task>();
  task->fn = std::move(fn);
  task->blocking = true;
  Enqueue(task);
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
  for (const auto &task : batch) {
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

bool CThreadExecutor::event(QEvent *e) {
  {
    // Pairs with Enqueue: the event was made by another thread.
    std::lock_guard lock(m_mutex);
  }
  if (e->type() == WAKE_EVENT) {
    RunPending();
    return true;
  }
  return QObject::event(e);
}
