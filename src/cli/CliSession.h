#pragma once
// What every device command of strelvane-cli does around its operation: take
// the program-wide options, open the port (starting the simulated device for
// --demo), wait for the start-up into configuration state and the load, run
// one operation to its end, and stop everything on the way out.
#include "cli/CliCommands.h"
#include "device/DeviceController.h"
#include "host/ConsoleHost.h"
#include "app/DemoDevice.h"
#include "params/PageModel.h"

#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

inline constexpr CMsg MSG_BAD_NUMBER{"选项 --%1 需要一个正数，而不是“%2”",
                                     "option --%1 needs a positive number, not \"%2\""};

namespace cli {

// One line on stderr.
void Fail(CCliContext &ctx, const QString &text);
// Runs the event loop until pred holds, timeoutMs passes (< 0: never) or
// SIGINT/SIGTERM arrives; returns pred().
bool Pump(const std::function<bool()> &pred, qint64 timeoutMs = -1);
// True once SIGINT or SIGTERM arrived during a session.
bool Interrupted();
// From now on SIGINT and SIGTERM set Interrupted() instead of ending the program.
void CatchInterrupts();
// A number above 0 (and not absurdly large) for --baud, --wait, --every, --for.
std::optional<double> PositiveNumber(const QString &text);

} // namespace cli

class CCliSession {
public:
  CCliSession(CCliContext &ctx, const CliInvocation &inv);
  ~CCliSession() { End(); }
  CCliSession(const CCliSession &) = delete;
  CCliSession &operator=(const CCliSession &) = delete;

  // The program-wide options; 0 or the exit status.
  int Prepare();
  // Starts the simulated device when asked and opens the port; 0 or CLI_EXIT_PORT.
  int Open();
  // Waits for the configuration-state entry to load the device; 0 or 1.
  int AwaitLoad();
  // Prepare, open and load: the common start of every device command.
  int Begin();
  // Starts an operation and waits for its end; 0 when it did what was asked.
  int RunOp(const std::function<void(CDeviceController::OpDone)> &start);
  // The port went away under an operation (the log has said why).
  bool PortLost() const { return !m_device->Serial().IsOpen(); }
  void PrintTable();
  // Nothing more reaches the device; workers end; the simulated device stops.
  void End();

  CDeviceController &Device() { return *m_device; }
  CPageModel &Pages() { return m_pages; }
  CConsoleHost &Host() { return m_host; }

private:
  int Interrupted();

  CCliContext &m_ctx;
  const CliInvocation &m_inv;
  std::unique_ptr<CDemoDevice> m_demoDevice; // outlives the controller whose port is its pty
  CConsoleHost m_host;
  CPageModel m_pages;
  std::unique_ptr<CDeviceController> m_device;
  std::shared_ptr<std::atomic<bool>> m_loaded = std::make_shared<std::atomic<bool>>(false);
  QTimer m_demoTimer;
  bool m_demo = false;
  QString m_port;
  QString m_baud = QStringLiteral("115200");
  double m_waitSeconds = 60;
};
