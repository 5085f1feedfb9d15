#pragma once
// A manual-reset event (signalled until reset), on std primitives so that
// ThreadSanitizer sees every hand-over.
#include <condition_variable>
#include <mutex>

class CEvent {
public:
  void Set();
  void Reset();
  bool IsSet() const;
  // Waits up to timeoutMs (scaled by CTiming; negative = forever). True when signalled.
  bool Wait(int timeoutMs);
  // As Wait, but timeoutMs is taken as it is (no scaling).
  bool WaitRaw(int timeoutMs);

private:
  mutable std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_set = false;
};
