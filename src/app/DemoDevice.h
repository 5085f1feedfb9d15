#pragma once
// The built-in simulated device of demo mode: the device model runs in-process
// on a pseudo-terminal, unpowered until the tool opens its port, so the whole
// start-up catch can be watched without hardware. Pseudo-terminals are POSIX:
// a build without demo mode (STRELVANE_DEMO off) has this class all the same,
// and Start always fails there.
#include <QString>

#include <memory>

namespace sim {
class CSimRunner;
}

class CDemoDevice {
public:
  CDemoDevice();
  ~CDemoDevice();
  CDemoDevice(const CDemoDevice &) = delete;
  CDemoDevice &operator=(const CDemoDevice &) = delete;

  // False in a build without demo mode.
  static bool Available();
  // Opens the pty with the device switched off, its clock at the PC's local
  // time; false when no pty is available.
  bool Start();
  // The pty slave the tool opens as the device's serial port.
  QString Path() const;
  // Power cycle, as a technician re-powers a real device.
  void Repower();
  // The simulated device itself (tests); null without demo mode.
  sim::CSimRunner *Runner();

private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};
