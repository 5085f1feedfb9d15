#include "base/Event.h"

#include "base/Timing.h"

#include <chrono>

void CEvent::Set() {
  {
    std::lock_guard lock(m_mutex);
    m_set = true;
  }
  m_cv.notify_all();
}

void CEvent::Reset() {
  std::lock_guard lock(m_mutex);
  m_set = false;
}

bool CEvent::IsSet() const {
  std::lock_guard lock(m_mutex);
  return m_set;
}

bool CEvent::Wait(int timeoutMs) { return WaitRaw(timeoutMs < 0 ? timeoutMs : CTiming::Ms(timeoutMs)); }

bool CEvent::WaitRaw(int timeoutMs) {
  std::unique_lock lock(m_mutex);
  if (timeoutMs < 0) {
    m_cv.wait(lock, [this] { return m_set; });
    return true;
  }
  return m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_set; });
}
