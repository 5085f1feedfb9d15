#pragma once
// What the device flows (the configuration-state run, the operations) share
// with the controller that owns the port: the front end, the device's
// session, the line and its engine, and the controller's workers and pauses.
#include "device/AtCommand.h"
#include "device/ReplyEngine.h"
#include "device/StepRunner.h"
#include "params/DeviceSession.h"

#include <QString>

#include <atomic>
#include <functional>

class CSerial;
class DialogHost;
class PageControls;

// Control identifiers the flows enable and disable.
constexpr int ID_REBOOT_COMM = 1000;
constexpr int ID_RADIO_CONFIG = 1001;
constexpr int ID_RADIO_COMM = 1002;
constexpr int ID_OPEN_CLOSE = 1009;
constexpr int ID_SAVE_CONFIG = 1032;

struct CFlowParts {
  using Abort = std::function<bool()>;

  DialogHost &host;
  PageControls &pages;
  CDeviceSession &session;
  CSerial &serial;
  CReplyEngine &engine;
  const CAtCommand &at;
  const std::atomic<bool> &closing;  // the program is closing
  std::function<bool(int ms)> pause; // false when a shutdown cut it short
  std::function<void(std::function<void()>)> startWorker;
  std::function<void()> &onSettingsLoaded; // the controller's hook, set by the front end
  // Runs fn on the controller's (the window's) thread and returns once it has
  // run; false, without running it, once the program is closing.
  std::function<bool(std::function<void()>)> onWindow;

  bool Closing() const { return closing.load(); }
  void Log(const QString &text) const;
  // Logs what a network port has to say about its line settings, if anything.
  void LogLineNotice() const;
  void ShowReply(const QByteArray &text) const;
  // Shows a listing, parses it into the parameter table and fills the pages.
  ParamArray ApplyListing(const QByteArray &listing) const;
  // True from now on once the program closes or any stop (port closed, other
  // state chosen, device lost) comes after this call: taken when an operation
  // starts, so a stop between two of its exchanges ends it too.
  Abort OperationAbort() const;
  // A context for step tables that stop when stopped says so.
  CStepContext Steps(Abort stopped, bool logBusy) const;
};
