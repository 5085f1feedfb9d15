#include "model/Pty.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

CPty::~CPty() {
  CloseMaster();
  CloseSlave();
}

bool CPty::Open() {
  m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (m_master < 0)
    return false;
  if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
    CloseMaster();
    return false;
  }
  char name[128];
  if (ptsname_r(m_master, name, sizeof name) != 0) {
    CloseMaster();
    return false;
  }
  m_slavePath = name;
  m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (m_slave < 0) {
    CloseMaster();
    return false;
  }
  termios tio{};
  tcgetattr(m_slave, &tio);
  cfmakeraw(&tio);
  tcsetattr(m_slave, TCSANOW, &tio);
  return true;
}

void CPty::CloseMaster() {
  if (m_master >= 0)
    ::close(m_master);
  m_master = -1;
}

void CPty::CloseSlave() {
  if (m_slave >= 0)
    ::close(m_slave);
  m_slave = -1;
}

bool CPty::WriteAll(const void *data, size_t len) {
  const char *p = static_cast<const char *>(data);
  while (len > 0) {
    if (m_master < 0)
      return false;
    const ssize_t n = ::write(m_master, p, len);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      if (errno == EAGAIN) {
        pollfd pfd{m_master, POLLOUT, 0};
        ::poll(&pfd, 1, 100);
        continue;
      }
      return false;
    }
    p += n;
    len -= static_cast<size_t>(n);
  }
  return true;
}

std::string CPty::ReadSome(int timeoutMs, size_t max) {
  std::string out;
  if (m_master < 0)
    return out;
  pollfd pfd{m_master, POLLIN, 0};
  if (::poll(&pfd, 1, timeoutMs) <= 0 || !(pfd.revents & POLLIN))
    return out;
  out.resize(max);
  const ssize_t n = ::read(m_master, out.data(), max);
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

std::string CPty::ReadUntil(const std::string &needle, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string got;
  while (got.find(needle) == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0)
      break;
    got += ReadSome(static_cast<int>(left));
  }
  return got;
}
