// The dtusim program (and its in-process runner) seen from the serial side:
// a client opens the pty slave in raw mode and talks to the simulated modem.
#include "model/SimRunner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point end) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// The serial side: what a configuration tool opens.
class CClient {
public:
  ~CClient() { Close(); }
  bool Open(const std::string &path) {
    Close();
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
      return false;
    termios tio{};
    tcgetattr(m_fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(m_fd, TCSANOW, &tio);
    return true;
  }
  void Close() {
    if (m_fd >= 0)
      ::close(m_fd);
    m_fd = -1;
  }
  void Write(const std::string &s) { ASSERT_EQ(::write(m_fd, s.data(), s.size()), static_cast<ssize_t>(s.size())); }
  // Reads until done(text) holds or timeoutMs passes; returns what came.
  template <class Done> std::string ReadWhileNot(Done done, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string got;
    while (!done(got)) {
      const int left = MsLeft(end);
      if (left == 0)
        break;
      pollfd pfd{m_fd, POLLIN, 0};
      if (::poll(&pfd, 1, left) <= 0)
        continue;
      char buf[4096];
      const ssize_t n = ::read(m_fd, buf, sizeof buf);
      if (n <= 0) {
        m_failed = true;
        break;
      }
      got.append(buf, static_cast<size_t>(n));
    }
    return got;
  }
  std::string ReadUntil(const std::string &needle, int timeoutMs = 5000) {
    return ReadWhileNot([&](const std::string &t) { return t.find(needle) != std::string::npos; }, timeoutMs);
  }
  // The settings listing, complete by the tool's own rule.
  std::string ReadListing(int timeoutMs = 10000) {
    return ReadWhileNot(
        [](const std::string &t) {
          return t.size() > 2000 && t.find("OK\r\n") != std::string::npos &&
                 t.find("Access Point Name:") != std::string::npos;
        },
        timeoutMs);
  }
  // True when a read reports the line gone (error or end of file) within timeoutMs.
  bool ReadFails(int timeoutMs) {
    m_failed = false;
    ReadWhileNot([](const std::string &) { return false; }, timeoutMs);
    return m_failed;
  }

private:
  int m_fd = -1;
  bool m_failed = false;
};

// One dtusim process with its stdin (control) and stdout.
class CDtusim {
public:
  ~CDtusim() { Quit(); }
  bool Start(const std::vector<std::string> &args) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
      return false;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&fa, out[1], STDOUT_FILENO);
    std::vector<std::string> all{STRELVANE_BIN_DIR "/sim/dtusim"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &a : all)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&m_pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(in[0]);
    ::close(out[1]);
    m_in = in[1];
    m_out = out[0];
    if (rc != 0)
      return false;
    path = ReadLine(5000);
    return !path.empty();
  }
  void Control(const std::string &line) {
    const std::string s = line + "\n";
    ASSERT_EQ(::write(m_in, s.data(), s.size()), static_cast<ssize_t>(s.size()));
  }
  std::string ReadLine(int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t eol;
    while ((eol = m_buffer.find('\n')) == std::string::npos) {
      pollfd pfd{m_out, POLLIN, 0};
      if (::poll(&pfd, 1, MsLeft(end)) <= 0)
        return {};
      char buf[1024];
      const ssize_t n = ::read(m_out, buf, sizeof buf);
      if (n <= 0)
        return {};
      m_buffer.append(buf, static_cast<size_t>(n));
    }
    std::string line = m_buffer.substr(0, eol);
    m_buffer.erase(0, eol + 1);
    return line;
  }
  // Waits for the process to end by itself; false on time-out.
  bool WaitExit(int timeoutMs, int *status = nullptr) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_pid > 0) {
      int st = 0;
      if (::waitpid(m_pid, &st, WNOHANG) == m_pid) {
        m_pid = -1;
        if (status)
          *status = st;
        return true;
      }
      if (MsLeft(end) == 0)
        return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }
  void Quit() {
    if (m_pid > 0) {
      Control("quit");
      if (!WaitExit(5000)) {
        ::kill(m_pid, SIGKILL);
        WaitExit(5000);
      }
    }
    if (m_in >= 0)
      ::close(m_in);
    if (m_out >= 0)
      ::close(m_out);
    m_in = m_out = -1;
  }
  pid_t Pid() const { return m_pid; }

  std::string path;

private:
  pid_t m_pid = -1;
  int m_in = -1;
  int m_out = -1;
  std::string m_buffer;
};

std::string TempDir() {
  char tmpl[] = "/tmp/dtusim-e2e-XXXXXX";
  const char *dir = ::mkdtemp(tmpl);
  return dir ? dir : "";
}

bool Has(const std::string &text, const std::string &needle) { return text.find(needle) != std::string::npos; }

} // namespace

TEST(DtusimE2E, ConfigurationSessionOverThePty) {
  struct Case {
    const char *name;
    std::vector<std::string> options;
  };
  const Case cases[] = {
      {"plain", {}},
      {"chunked, noisy, slow", {"--chunked", "7", "--noise", "--delay-ms", "40"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = TempDir();
    const std::string log = dir + "/commands.jsonl";
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"--log", log});
    CDtusim sim;
    ASSERT_TRUE(sim.Start(args));
    EXPECT_EQ(sim.path.rfind("/dev/pts/", 0), 0u) << sim.path;

    CClient client;
    ASSERT_TRUE(client.Open(sim.path));
    EXPECT_TRUE(Has(client.ReadUntil("Press 's' key"), "Press 's' key"));
    client.Write("s");
    EXPECT_TRUE(Has(client.ReadUntil("AT+LIST"), "AT+LIST"));
    client.ReadUntil("with CR.\r\n", 2000); // rest of the menu
    client.Write("at\r");
    EXPECT_TRUE(Has(client.ReadUntil("OK"), "OK"));
    client.Write("at+noecho\r");
    EXPECT_TRUE(Has(client.ReadUntil("OK\r\n"), "OK"));

    client.Write("at+show\r");
    std::string listing = client.ReadListing();
    EXPECT_GT(listing.size(), 2000u);
    EXPECT_LT(listing.size(), 4096u);
    // The device's own listing up to its running clock, byte for byte.
    const std::string plain = sim::CSimParamStore().Listing();
    EXPECT_TRUE(Has(listing, plain.substr(0, plain.find("Time:")))) << listing;
    for (int i = 0; i < sim::SIM_PARAM_COUNT; ++i)
      EXPECT_TRUE(Has(listing, "\r\n" + sim::ListingLabel(i))) << sim::ListingLabel(i);

    client.Write("at+apn=e2e.example\r");
    EXPECT_TRUE(Has(client.ReadUntil("OK\r\n"), "OK"));
    client.Write("at+show\r");
    listing = client.ReadListing();
    const size_t apn = listing.find("Access Point Name:");
    ASSERT_NE(apn, std::string::npos);
    EXPECT_EQ(listing.substr(apn, listing.find("\r\n", apn) - apn).find("e2e.example"), 34u - 0u);

    client.Write("at+reset\r");
    const std::string restart = client.ReadUntil("Press 's' key", 5000);
    EXPECT_TRUE(Has(restart, "configure program."));
    EXPECT_TRUE(Has(restart, "Press 's' key")) << "powers up again";

    sim.Quit();
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_TRUE(Has(lines[0], "\"command\":\"at\",\"result\":\"OK\""));
    EXPECT_TRUE(Has(lines[3], "\"command\":\"at+apn=e2e.example\""));
    EXPECT_TRUE(Has(lines[5], "\"result\":\"RESTART\""));
    std::remove(log.c_str());
    ::rmdir(dir.c_str());
  }
}

TEST(DtusimE2E, UnplugMakesTheClientReadFailAndPlugGivesANewLine) {
  CDtusim sim;
  ASSERT_TRUE(sim.Start({"--boot-ms", "60000"}));
  CClient client;
  ASSERT_TRUE(client.Open(sim.path));
  ASSERT_TRUE(Has(client.ReadUntil("Press 's' key"), "Press 's' key"));
  sim.Control("unplug");
  EXPECT_TRUE(client.ReadFails(3000));

  sim.Control("plug");
  const std::string path = sim.ReadLine(5000);
  ASSERT_FALSE(path.empty());
  CClient second;
  ASSERT_TRUE(second.Open(path));
  sim.Control("power");
  EXPECT_TRUE(Has(second.ReadUntil("Press 's' key"), "Press 's' key"));
}

TEST(DtusimE2E, Sigusr1RepowersFromCommunicationState) {
  CDtusim sim;
  ASSERT_TRUE(sim.Start({"--boot-ms", "300"}));
  CClient client;
  ASSERT_TRUE(client.Open(sim.path));
  ASSERT_TRUE(Has(client.ReadUntil("Enter communication state.\r\n"), "communication state"));
  client.Write("hello\r\n");
  EXPECT_TRUE(Has(client.ReadUntil("hello\r\n", 3000), "hello\r\n")); // loopback

  ASSERT_EQ(::kill(sim.Pid(), SIGUSR1), 0);
  EXPECT_TRUE(Has(client.ReadUntil("Press 's' key"), "Press 's' key"));
  client.Write("s");
  EXPECT_TRUE(Has(client.ReadUntil("AT+LIST"), "AT+LIST"));
}

TEST(DtusimE2E, LinkControlFifoAndDump) {
  const std::string dir = TempDir();
  ASSERT_FALSE(dir.empty());
  const std::string link = dir + "/ttyDTU";
  const std::string fifo = dir + "/control";
  CDtusim sim;
  ASSERT_TRUE(sim.Start({"--link", link, "--control", fifo, "--module", "DATANG", "--no-gps"}));
  char target[256] = {};
  ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(sim.path, target);

  CClient client;
  ASSERT_TRUE(client.Open(link));
  client.ReadUntil("Press 's' key");
  client.Write("s");
  client.ReadUntil("with CR.\r\n");
  client.Write("at+noecho\r");
  client.ReadUntil("OK\r\n");
  client.Write("ati\r");
  EXPECT_TRUE(Has(client.ReadUntil("ERROR"), "ERROR"));
  client.Write("AT+CGMR\r");
  EXPECT_TRUE(Has(client.ReadUntil("OK\r\n"), "DTM6211"));
  client.Write("at+idnt=87654321\r");
  EXPECT_TRUE(Has(client.ReadUntil("OK\r\n"), "OK"));

  const int ctl = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(ctl, 0);
  const std::string dump = "dump\n";
  ASSERT_EQ(::write(ctl, dump.data(), dump.size()), static_cast<ssize_t>(dump.size()));
  std::vector<std::string> lines;
  for (std::string line = sim.ReadLine(5000); !line.empty(); line = sim.ReadLine(5000))
    lines.push_back(line);
  EXPECT_EQ(lines.size(), 58u); // 69 less the 11 GPS parameters
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Modem's ID number=87654321"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Access Point Name:=CMNET"), lines.end());

  const std::string quit = "quit\n";
  ASSERT_EQ(::write(ctl, quit.data(), quit.size()), static_cast<ssize_t>(quit.size()));
  ::close(ctl);
  int status = -1;
  EXPECT_TRUE(sim.WaitExit(5000, &status));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  struct stat st {};
  EXPECT_NE(::lstat(link.c_str(), &st), 0) << "link removed on exit";
  ::unlink(fifo.c_str());
  ::rmdir(dir.c_str());
}

TEST(SimRunnerE2E, InProcessRunnerRepowersUnplugsAndReplugs) {
  std::atomic<int> commands{0};
  sim::CSimRunOptions options;
  options.device.bootMs = 60000;
  options.device.promptIntervalMs = 100;
  options.onCommand = [&](const sim::CCommandRecord &) { ++commands; };
  sim::CSimRunner runner;
  ASSERT_TRUE(runner.Start(options));
  EXPECT_FALSE(runner.Start(options)) << "already running";

  CClient client;
  ASSERT_TRUE(client.Open(runner.SlavePath()));
  ASSERT_TRUE(Has(client.ReadUntil("Press 's' key"), "Press 's' key"));
  client.Write("s");
  client.ReadUntil("with CR.\r\n");
  EXPECT_EQ(runner.State(), sim::EPowerState::Config);

  // Repower and dump from other threads while the client talks.
  std::thread other([&] {
    for (int i = 0; i < 20; ++i)
      EXPECT_FALSE(runner.Dump().empty());
  });
  client.Write("at\r");
  EXPECT_TRUE(Has(client.ReadUntil("OK\r\n"), "OK"));
  other.join();
  std::thread repower([&] { runner.Repower(); });
  repower.join();
  EXPECT_TRUE(Has(client.ReadUntil("Press 's' key"), "Press 's' key"));
  EXPECT_EQ(commands.load(), 1);

  runner.Unplug();
  EXPECT_TRUE(runner.SlavePath().empty());
  EXPECT_TRUE(client.ReadFails(3000));
  const std::string path = runner.Replug();
  ASSERT_FALSE(path.empty());
  CClient second;
  ASSERT_TRUE(second.Open(path));
  runner.Repower();
  EXPECT_TRUE(Has(second.ReadUntil("Press 's' key"), "Press 's' key"));
  runner.Stop();
  runner.Stop();
  EXPECT_FALSE(runner.Running());
}
