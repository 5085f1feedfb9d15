#pragma once
// The device operations behind the function buttons, the clock and the
// restart into communication state. Each runs on a worker of the controller,
// holds the engine for one exchange at a time, and counts as done only when
// the device answered.
#include "device/FlowParts.h"

#include <QByteArray>

#include <atomic>
#include <functional>

struct SaveResult;

class CDeviceOperations {
public:
  using OpDone = std::function<void(bool ok)>;
  using Sender = bool (CAtCommand::*)(CSerial &) const;
  using SaveReport = std::function<void(const SaveResult &result)>;
  using QueryDone = std::function<void(const CExchangeResult &result)>;

  explicit CDeviceOperations(const CFlowParts &parts) : m_parts(parts) {}
  CDeviceOperations(const CDeviceOperations &) = delete;
  CDeviceOperations &operator=(const CDeviceOperations &) = delete;

  // One exchange shown when answered.
  void SimpleQuery(EReplyCode code, Sender send, int timeoutMs, OpDone done);
  void AutoCheck(OpDone done);
  void FactoryReset(OpDone done);
  void LoadFromDevice(OpDone done);
  void PowerOff(OpDone done);
  // report, when given, gets the walk's result (on the worker, before done);
  // revertOnCancel: declined writes put the device's values back on the pages.
  void SaveToDevice(OpDone done, SaveReport report = {}, bool revertOnCancel = false);
  // One exchange whose answer goes to done (on the worker) rather than to the log.
  void Query(EReplyCode code, Sender send, int timeoutMs, QueryDone done);
  bool SetDeviceClock(const QByteArray &clock, OpDone done);
  bool ClockBusy() const { return m_clockBusy.load(); }
  // The restart into communication state (on a worker): true when the restart text came.
  bool Reboot(const CFlowParts::Abort &abort);

private:
  // at+show, then parse and fill the pages; a listing that did not complete changes nothing.
  bool LoadListing(int timeoutMs, const CFlowParts::Abort &abort);
  void ClockThreadProc(const QByteArray &clock, const CFlowParts::Abort &abort, const OpDone &done);
  // One exchange of an operation; says so in the log when the engine was busy.
  CExchangeResult Exchange(EReplyCode code, const std::function<bool()> &send, int timeoutMs,
                           const CFlowParts::Abort &abort);
  CExchangeResult Exchange(EReplyCode code, Sender send, int timeoutMs, const CFlowParts::Abort &abort);
  // The end of an operation that disabled the buttons: enabled again unless a
  // stop has set the controls since.
  void EndOperation(const CFlowParts::Abort &abort);

  const CFlowParts &m_parts;
  std::atomic<bool> m_clockBusy{false};
};
