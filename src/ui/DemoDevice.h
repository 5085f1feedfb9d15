#pragma once
// The built-in simulated device of demo mode: the device model runs in-process
// on a pseudo-terminal, unpowered until the window opens its port, so the
// whole start-up catch can be watched without hardware.
#include "model/SimRunner.h"

#include <QString>

class CStrelvaneDlg;

class CDemoDevice {
public:
  CDemoDevice() = default;
  ~CDemoDevice();
  CDemoDevice(const CDemoDevice &) = delete;
  CDemoDevice &operator=(const CDemoDevice &) = delete;

  // Opens the pty with the device switched off; false when no pty is available.
  bool Start();
  // The pty slave the tool opens as the device's serial port.
  QString Path() const;
  // Power cycle, as a technician re-powers a real device.
  void Repower();
  sim::CSimRunner &Runner() { return m_runner; }

  // Lists the device first, powers it up a second after the window opens its
  // port and offers the re-power action. Call before dlg.Initialize; the
  // device must outlive the window.
  void Attach(CStrelvaneDlg &dlg);

private:
  sim::CSimRunner m_runner;
};
