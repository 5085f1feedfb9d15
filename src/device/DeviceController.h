#pragma once
// The device behind the main window's controls: the port, the choice of
// device state, and the workers the flows run on. The configuration-state
// run (CConfigRun) and the device operations (CDeviceOperations) are its
// parts. UI-free: it talks to the front end through DialogHost and
// PageControls, whose calls may come from any thread and are carried out on
// the window thread.
#include "device/AtCommand.h"
#include "device/ConfigRun.h"
#include "device/DeviceOperations.h"
#include "device/FlowParts.h"
#include "device/ReplyEngine.h"
#include "base/Event.h"
#include "base/ThreadExecutor.h"
#include "params/DeviceSession.h"
#include "serial/Serial.h"
#include "text/Gbk.h"

#include <QString>

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

class DialogHost;
class PageControls;

class CDeviceController {
public:
  // Called on an operation's worker at its end: true when the device did what
  // was asked (every exchange answered, every changed parameter accepted).
  using OpDone = std::function<void(bool ok)>;
  // Polled by an operation's exchanges: true ends them as stopped.
  using Abort = std::function<bool()>;
  using Sender = bool (CAtCommand::*)(CSerial &) const;

  // Create on the window thread; received bytes are handled there.
  CDeviceController(DialogHost &host, PageControls &pages);
  ~CDeviceController();
  CDeviceController(const CDeviceController &) = delete;
  CDeviceController &operator=(const CDeviceController &) = delete;

  CSerial &Serial() { return m_serial; }
  CReplyEngine &Engine() { return m_engine; }
  CDeviceSession &Session() { return m_session; }
  const CDeviceSession &Session() const { return m_session; }
  const CAtCommand &Commands() const { return m_at; }
  bool CommMode() const { return m_engine.CommMode(); }
  bool RunActive() const { return m_configRun.Active(); }

  // --- window thread: the handlers of the main window's controls ---
  // Opens port (a device path or system name; label is what the log names)
  // at the baud rate read from baudText as a decimal prefix, or closes it.
  // Nothing happens while an open started in the background is under way.
  void OpenClosePort(const QString &port, const QString &label, const QString &baudText);
  // Opens port as OpenClosePort does, but the open (a device server's
  // connection and its answers, which may take seconds) runs on a worker and
  // the window thread goes on; settled runs on the window thread once the
  // port is open or not. False, doing nothing, when a port is open or an open
  // is under way. Opening() holds meanwhile; CancelOpen ends the attempt at
  // once and leaves the port closed.
  bool OpenPortInBackground(const QString &port, const QString &label, const QString &baudText,
                            std::function<void()> settled = {});
  bool Opening() const { return m_opening.load(); }
  void CancelOpen();
  // How the last open ended (window thread).
  EOpenError LastOpenError() const { return m_lastOpenError; }
  void SelectConfigState(const QString &baudText); // radio 1001
  void SelectCommState();                          // radio 1002
  void RebootToCommState(OpDone done = {});        // button 1000; ok: the restart text came
  void OnPromptTimer();                            // timer 100: one "s"

  // Device operations (function buttons); each runs on its own worker and
  // calls done, when given, at its end.
  void ShowConfig(OpDone done = {});     // 1011
  void ShowBaudrate(OpDone done = {});   // 1013
  void AutoDetect(OpDone done = {});     // 1014
  void ShowVersion(OpDone done = {});    // 1015
  void ShowSignal(OpDone done = {});     // 1016
  void FactoryReset(OpDone done = {});   // 1017
  void LoadFromDevice(OpDone done = {}); // 1019
  void PowerOff(OpDone done = {});       // 1046
  void SaveToDevice(OpDone done = {});   // 1018: write what the pages changed
  // The same walk; report gets its result, parameter by parameter, before done.
  void SaveToDevice(OpDone done, CDeviceOperations::SaveReport report);
  // One exchange on a worker; its result goes to done, nothing to the log.
  void Query(EReplyCode code, Sender send, int timeoutMs, CDeviceOperations::QueryDone done);

  // Configuration files (window thread). Save writes the parameter table and
  // shows the result; false when the file could not be written.
  bool SaveConfigFile(const QString &path);
  // Load reads the file, shows its values on the pages and starts the save
  // walk that writes what differs; false (with its message) when it stopped
  // before the walk. done follows the walk.
  bool LoadConfigFile(const QString &path, OpDone done = {});

  // Power-schedule page 1025: sets the device clock to clock (the quoted date
  // and time and the weekday digit) with "AT+EXCCLK=" on a worker, then tells
  // the result in a message box. A press while a clock exchange (with its
  // message box) is under way is dropped: false.
  bool SetDeviceClock(const QByteArray &clock, OpDone done = {});
  bool ClockBusy() const { return m_operations.ClockBusy(); }

  // Ends every worker quickly: nothing more is written to the device and no
  // wait lasts. The front end stops carrying out host calls first.
  void Shutdown();

  // A pause of the flows that a shutdown cuts short; false when cut short.
  bool Pause(int ms);
  // Runs fn on a worker thread of the controller.
  void StartWorker(std::function<void()> fn);
  // Waits until no worker is running (tests and the CLI); false on time-out.
  bool WaitIdle(int timeoutMs);

  // Loaded-settings hook: the front end may refresh derived state.
  std::function<void()> m_onSettingsLoaded;
  // Port-lost hook (window thread): the log line that said why.
  std::function<void(const QString &why)> m_onPortLost;

private:
  void OnReceive();
  void OnPortLost(const QString &why);
  void AfterOpen(const QString &port, const QString &label, const OpenResult &opened);
  void StartConfigRun(int promptPeriodMs);
  void Log(const QString &text) { m_parts.Log(text); }
  void LogLineNotice();

  DialogHost &m_host;
  PageControls &m_pages;
  CDeviceSession m_session;
  CSerial m_serial;
  CReplyEngine m_engine{m_serial};
  CAtCommand m_at;
  text::CGbkStreamDecoder m_rxDecoder; // window thread only

  std::atomic<bool> m_closing{false};
  CEvent m_shutdownEvent;
  std::atomic<bool> m_opening{false};    // an open in the background is under way
  std::atomic<bool> m_cancelOpen{false}; // and its caller gave up
  // The thread the controller was created on (the window thread).
  std::unique_ptr<CThreadExecutor> m_window = std::make_unique<CThreadExecutor>();
  EOpenError m_lastOpenError = EOpenError::None;

  std::mutex m_workersMutex;
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::list<Worker> m_workers;

  // The flows; every worker they start is joined by Shutdown before they go.
  CFlowParts m_parts;
  CConfigRun m_configRun{m_parts};
  CDeviceOperations m_operations{m_parts};
};
