#pragma once
// Everything the tool knows about one connected device: its parameter table
// and the serial work settings mirrored from it. Owned by the device's
// controller, so one process can hold several devices and every test starts
// from a fresh one.
#include "params/ParamTable.h"

#include <QString>

#include <mutex>

class CDeviceSession {
public:
  CParamTable &Table() { return m_table; }
  const CParamTable &Table() const { return m_table; }
  CSerialWorkSettings &Work() { return m_work; }
  const CSerialWorkSettings &Work() const { return m_work; }
  // The radio module the configuration-state entry named ("SIMCOM_SIM700",
  // "Unknow" for one it did not know); empty until it named one.
  QString Module() const {
    std::lock_guard lock(m_mutex);
    return m_module;
  }
  void SetModule(const QString &module) {
    std::lock_guard lock(m_mutex);
    m_module = module;
  }

private:
  mutable std::mutex m_mutex;
  QString m_module;
  CParamTable m_table;
  CSerialWorkSettings m_work;
};
