#pragma once
// Runs functions on the thread an executor belongs to (the window thread, the
// serial I/O thread). Tasks travel through a std::mutex-guarded queue and a
// bare wake-up event, so the hand-over is visible to ThreadSanitizer.
#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class CThreadExecutor : public QObject {
public:
  explicit CThreadExecutor(QObject *parent = nullptr);
  ~CThreadExecutor() override;

  bool IsOnThread() const;
  // Queues fn; returns at once. Dropped after Shutdown.
  void Post(std::function<void()> fn);
  // Runs fn on the executor's thread and returns when it has run (directly when
  // already on that thread). Returns false, without running fn, after Shutdown.
  bool Call(std::function<void()> fn);
  // From now on Post and Call run nothing and no queued task starts; a caller
  // blocked in Call is released. Called on another thread, it does not wait for
  // a task already running.
  void Shutdown();
  // Runs what is queued now (used by a thread that waits for others while they call it).
  void RunPending();

protected:
  void customEvent(QEvent *e) override;

private:
  struct Task;
  // False, without queueing, after Shutdown.
  bool Enqueue(const std::shared_ptr<Task> &task);

  std::mutex m_mutex;
  std::condition_variable m_done;
  std::deque<std::shared_ptr<Task>> m_queue;
  bool m_wakePending = false;
  bool m_shutdown = false;
};
