#pragma once
// A pseudo-terminal pair with the slave side in raw mode: the far end of a
// serial line for the simulated device and for tests.
#include <string>

class CPty {
public:
  CPty() = default;
  ~CPty();
  CPty(const CPty &) = delete;
  CPty &operator=(const CPty &) = delete;

  // Opens a new pair; false with errno kept when the system refuses.
  bool Open();
  // Closes the master side: the other end sees the line vanish.
  void CloseMaster();
  // Closes the slave descriptor this process holds (kept open by default so
  // the master does not see a hang-up before a client opens the slave).
  void CloseSlave();
  int MasterFd() const { return m_master; }
  const std::string &SlavePath() const { return m_slavePath; }

  // Writes all bytes to the master (blocking); false when the line is gone.
  bool WriteAll(const void *data, size_t len);
  bool WriteAll(const std::string &s) { return WriteAll(s.data(), s.size()); }
  // Reads what arrives within timeoutMs (at most max bytes); empty on time-out.
  std::string ReadSome(int timeoutMs, size_t max = 65536);
  // Reads until the collected text contains needle or timeoutMs passes.
  std::string ReadUntil(const std::string &needle, int timeoutMs);

private:
  int m_master = -1;
  int m_slave = -1;
  std::string m_slavePath;
};
