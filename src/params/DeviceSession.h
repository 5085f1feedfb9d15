#pragma once
// Everything the tool knows about one connected device: its parameter table
// and the serial work settings mirrored from it. Owned by the device's
// controller, so one process can hold several devices and every test starts
// from a fresh one.
#include "params/ParamTable.h"

class CDeviceSession {
public:
  CParamTable &Table() { return m_table; }
  const CParamTable &Table() const { return m_table; }
  CSerialWorkSettings &Work() { return m_work; }
  const CSerialWorkSettings &Work() const { return m_work; }

private:
  CParamTable m_table;
  CSerialWorkSettings m_work;
};
