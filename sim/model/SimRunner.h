#pragma once
// Runs a simulated device on a pseudo-terminal: one thread moves bytes
// between the pty master and the device model and fires its timed events.
// Used by the dtusim program, by tests, and in-process by the tool's demo mode.
#include "model/DeviceModel.h"
#include "model/Pty.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace sim {

struct CSimRunOptions {
  CDeviceOptions device;
  bool powerOnStart = true; // power the device up as soon as the pty exists
  // Called on the runner thread for every command the device received.
  std::function<void(const CCommandRecord &)> onCommand;
};

class CSimRunner {
public:
  CSimRunner() = default;
  ~CSimRunner();
  CSimRunner(const CSimRunner &) = delete;
  CSimRunner &operator=(const CSimRunner &) = delete;

  // Opens the pty and starts the thread; false when the pty cannot be opened
  // or the runner already runs.
  bool Start(CSimRunOptions options);
  // Path of the pty slave a client opens ("/dev/pts/N"); empty when unplugged.
  std::string SlavePath() const;
  // Power cycle: the device starts again from its start-up text.
  void Repower();
  // Power removed until the next Repower.
  void PowerOff();
  // Pulls the cable: closes the pty master, so a client's reads fail. The
  // device keeps running; what it sends is lost.
  void Unplug();
  // Plugs a new cable in: a new pty pair. Returns its slave path (empty on failure).
  std::string Replug();
  // Stops the thread and closes the pty. Safe to call twice.
  void Stop();

  bool Running() const;
  EPowerState State() const;
  // label=value lines of the device's parameters.
  std::string Dump() const;
  // Bytes that reach the device from the line as if the client had sent them:
  // noise on the line, a stray key press.
  void LineNoise(const std::string &bytes);
  // Runs f on the device model under the runner's lock (tests and demo set-up).
  void WithModel(const std::function<void(CDeviceModel &)> &f);

private:
  enum class ERequest { None, Unplug, Replug };

  std::int64_t NowMs() const;
  void Loop();
  void Wake();
  // Runs on the runner thread: the pty changes it alone may make.
  void ServeRequest();
  bool WritePending();

  mutable std::mutex m_mutex; // guards everything below except the thread-owned members
  std::condition_variable m_requestDone;
  std::unique_ptr<CDeviceModel> m_model;
  std::function<void(const CCommandRecord &)> m_onCommand;
  std::string m_slavePath;
  ERequest m_request = ERequest::None;
  bool m_requestOk = false;
  bool m_stop = false;
  bool m_running = false;

  // Owned by the runner thread once it runs (set up before it starts).
  std::unique_ptr<CPty> m_pty;
  std::string m_pending; // output not yet taken by the pty
  int m_wakeRead = -1;
  int m_wakeWrite = -1;
  std::thread m_thread;
  std::chrono::steady_clock::time_point m_epoch;
};

} // namespace sim
