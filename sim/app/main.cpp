// dtusim: a simulated IP Modem on a pseudo-terminal.
#include "model/SimRunner.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

const char *const USAGE = R"(Usage: dtusim [--link PATH] [options]

Simulates a Tavrenholt IP Modem on a pseudo-terminal. The first line on
stdout is the path of the pty slave to open as the modem's serial port; the
device is then powered up: it prints its start-up text and the line
"Press 's' key ..." during its boot window. The byte "s" within the window
opens the configuration menu (configuration state, AT commands ended by CR);
otherwise the device enters communication state and echoes what it receives.

Options (all times in milliseconds):
  --link PATH             make PATH a symlink to the slave (replaced if it exists)
  --boot-ms N             boot window (default 3000)
  --prompt-interval-ms N  repeat period of the "Press 's' key" line (default 500)
  --power-delay-ms N      silence between power-up and the start-up text (default 0)
  --restart-delay-ms N    silence between the at+reset text and the new start-up (default 300)
  --delay-ms N            delay of every command reply (default 0)
  --periodic-ms N         communication state: send a line every N ms (default off)
  --chunked N             send output in random chunks of 1..N bytes with 1..3 ms gaps
  --noise                 an unsolicited line (+CREG: 1, ...) before every reply
  --strict-line           bytes before the "AT" of a command are not ignored: such a
                          line is answered ERROR
  --order ORDER           line order of the at+show listing: standard (default) or
                          longer-first ("Secondary Server's Ip" before "Server's Ip" ...)
  --filler STYLE          between label and value: column (default, spaces to column 34),
                          one-space, wide-spaces, tab, dots
  --vendor-head N         N vendor lines before the first section of the listing
  --vendor-tail N         N vendor lines after the last parameter of the listing
  --error CMD             answer the command named CMD with ERROR (repeatable)
  --silent CMD            never answer the command named CMD (repeatable)
                          CMD is the command up to "=", any case: at+apn, at+port3,
                          AT+IPR?, ati, at+show ...
  --no-gps                device without the GPS parameters
  --no-alarm              device without the power on/off schedule (RTC alarm) groups
  --gbk                   Chinese (GBK) factory values for the packets and passwords
  --bad-gbk               factory packets and passwords holding bytes that are no valid GBK
  --module NAME           answer of "ati" (default SIMCOM_SIM700); DATANG answers
                          "ati" with ERROR and "AT+CGMR" with DTM6211_V2.1.3
  --clock CLOCK           device clock at start, as "YYYY/MM/DD,hh:mm:ss" (default: now)
  --seed N                seed of the chunk sizes (default 1)
  --log FILE              append one JSON line per command received:
                          {"t_ms":N,"command":"...","result":"OK|ERROR|SILENT|RESTART|SHUTDOWN"}
  --control FIFO          read control commands from FIFO too (created if missing)
  --help                  this text

Control commands, one per line on stdin or the control FIFO:
  power    re-power the device (also SIGUSR1)
  off      remove power until the next "power"
  unplug   close the pty master: the client's reads fail
  plug     open a new pty; its slave path is printed on stdout (and linked)
  dump     print the parameters as label=value lines, then an empty line
  quit     end the program (also SIGTERM, SIGINT; end of stdin does not quit)
)";

int g_signalPipe[2] = {-1, -1};

void OnSignal(int sig) {
  const char b = static_cast<char>(sig);
  [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &b, 1);
}

bool ParseMs(const char *text, int &out) {
  char *end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < 0 || v > 24L * 3600 * 1000)
    return false;
  out = static_cast<int>(v);
  return true;
}

bool ParseFiller(const std::string &text, sim::EListingFiller &out) {
  static const std::pair<const char *, sim::EListingFiller> NAMES[] = {
      {"column", sim::EListingFiller::Column},
      {"one-space", sim::EListingFiller::OneSpace},
      {"wide-spaces", sim::EListingFiller::WideSpaces},
      {"tab", sim::EListingFiller::Tab},
      {"dots", sim::EListingFiller::Dots},
  };
  for (const auto &[name, filler] : NAMES)
    if (text == name) {
      out = filler;
      return true;
    }
  return false;
}

std::int64_t LocalNowSecs() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  sim::CSimDateTime d{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  return sim::ToEpoch(d);
}

void Link(const std::string &link, const std::string &target) {
  if (link.empty() || target.empty())
    return;
  struct stat st {};
  if (::lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
    ::unlink(link.c_str());
  if (::symlink(target.c_str(), link.c_str()) != 0)
    std::fprintf(stderr, "dtusim: cannot link %s: %s\n", link.c_str(), std::strerror(errno));
}

struct LineSource {
  int fd = -1;
  std::string buffer;
};

} // namespace

int main(int argc, char **argv) {
  sim::CSimRunOptions run;
  run.device.clockSecs = LocalNowSecs();
  std::string linkPath, logPath, controlPath;

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> const char * {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "dtusim: %s needs a value\n", arg.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    auto ms = [&](int &out) {
      const char *v = value();
      if (!ParseMs(v, out)) {
        std::fprintf(stderr, "dtusim: bad value for %s: %s\n", arg.c_str(), v);
        std::exit(2);
      }
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(USAGE, stdout);
      return 0;
    } else if (arg == "--link") {
      linkPath = value();
    } else if (arg == "--boot-ms") {
      ms(run.device.bootMs);
    } else if (arg == "--prompt-interval-ms") {
      ms(run.device.promptIntervalMs);
    } else if (arg == "--power-delay-ms") {
      ms(run.device.powerDelayMs);
    } else if (arg == "--restart-delay-ms") {
      ms(run.device.restartDelayMs);
    } else if (arg == "--delay-ms") {
      ms(run.device.replyDelayMs);
    } else if (arg == "--periodic-ms") {
      ms(run.device.periodicMs);
    } else if (arg == "--chunked") {
      ms(run.device.chunkMax);
    } else if (arg == "--noise") {
      run.device.noise = true;
    } else if (arg == "--strict-line") {
      run.device.strictLine = true;
    } else if (arg == "--order") {
      const std::string v = value();
      if (v != "standard" && v != "longer-first") {
        std::fprintf(stderr, "dtusim: bad value for --order: %s\n", v.c_str());
        return 2;
      }
      run.device.listing.order = v == "standard" ? sim::EListingOrder::Standard : sim::EListingOrder::LongerFirst;
    } else if (arg == "--filler") {
      if (!ParseFiller(value(), run.device.listing.filler)) {
        std::fprintf(stderr, "dtusim: bad value for --filler (see --help)\n");
        return 2;
      }
    } else if (arg == "--vendor-head") {
      ms(run.device.listing.vendorHeadLines);
    } else if (arg == "--vendor-tail") {
      ms(run.device.listing.vendorTailLines);
    } else if (arg == "--error") {
      run.device.errorCommands.insert(sim::CommandName(value()));
    } else if (arg == "--silent") {
      run.device.silentCommands.insert(sim::CommandName(value()));
    } else if (arg == "--no-gps") {
      run.device.features.gps = false;
    } else if (arg == "--no-alarm") {
      run.device.features.alarm = false;
    } else if (arg == "--gbk") {
      run.device.features.gbk = true;
    } else if (arg == "--bad-gbk") {
      run.device.features.badGbk = true;
    } else if (arg == "--module") {
      run.device.module = value();
    } else if (arg == "--clock") {
      std::int64_t secs = 0;
      const std::string clock = std::string("\"") + value() + "\",0";
      if (!sim::ParseClockString(clock, secs)) {
        std::fprintf(stderr, "dtusim: bad clock (want YYYY/MM/DD,hh:mm:ss)\n");
        return 2;
      }
      run.device.clockSecs = secs;
    } else if (arg == "--seed") {
      int seed = 0;
      ms(seed);
      run.device.seed = static_cast<std::uint32_t>(seed);
    } else if (arg == "--log") {
      logPath = value();
    } else if (arg == "--control") {
      controlPath = value();
    } else {
      std::fprintf(stderr, "dtusim: unknown option %s (see --help)\n", arg.c_str());
      return 2;
    }
  }

  std::FILE *log = nullptr;
  if (!logPath.empty()) {
    log = std::fopen(logPath.c_str(), "a");
    if (!log) {
      std::fprintf(stderr, "dtusim: cannot open %s: %s\n", logPath.c_str(), std::strerror(errno));
      return 1;
    }
    run.onCommand = [log](const sim::CCommandRecord &r) {
      std::fputs(sim::CommandRecordJson(r).c_str(), log);
      std::fflush(log);
    };
  }

  LineSource control;
  if (!controlPath.empty()) {
    if (::mkfifo(controlPath.c_str(), 0600) != 0 && errno != EEXIST) {
      std::fprintf(stderr, "dtusim: cannot create %s: %s\n", controlPath.c_str(), std::strerror(errno));
      return 1;
    }
    // Opened for writing too, so the FIFO never reports end-of-file between writers.
    control.fd = ::open(controlPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (control.fd < 0) {
      std::fprintf(stderr, "dtusim: cannot open %s: %s\n", controlPath.c_str(), std::strerror(errno));
      return 1;
    }
  }

  if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
    return 1;
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGUSR1, SIGTERM, SIGINT, SIGHUP})
    ::sigaction(sig, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  // The runner powers up only after the path is out, so a client never misses
  // the start-up text for want of the path.
  run.powerOnStart = false;
  sim::CSimRunner runner;
  if (!runner.Start(run)) {
    std::fprintf(stderr, "dtusim: cannot open a pseudo-terminal: %s\n", std::strerror(errno));
    return 1;
  }
  std::string slave = runner.SlavePath();
  Link(linkPath, slave);
  std::printf("%s\n", slave.c_str());
  std::fflush(stdout);
  runner.Repower();

  LineSource input{STDIN_FILENO, {}};
  bool quit = false;
  auto handle = [&](const std::string &cmd) {
    if (cmd == "power") {
      runner.Repower();
    } else if (cmd == "off") {
      runner.PowerOff();
    } else if (cmd == "unplug") {
      runner.Unplug();
    } else if (cmd == "plug") {
      slave = runner.Replug();
      Link(linkPath, slave);
      std::printf("%s\n", slave.c_str());
      std::fflush(stdout);
    } else if (cmd == "dump") {
      std::printf("%s\n", runner.Dump().c_str());
      std::fflush(stdout);
    } else if (cmd == "quit") {
      quit = true;
    } else if (!cmd.empty()) {
      std::fprintf(stderr, "dtusim: unknown control command '%s'\n", cmd.c_str());
    }
  };
  auto readLines = [&](LineSource &src) {
    char buf[512];
    const ssize_t n = ::read(src.fd, buf, sizeof buf);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
      src.fd = -1; // end of stdin: keep running, the signals still work
      return;
    }
    if (n < 0)
      return;
    src.buffer.append(buf, static_cast<size_t>(n));
    size_t eol;
    while ((eol = src.buffer.find('\n')) != std::string::npos) {
      std::string line = src.buffer.substr(0, eol);
      src.buffer.erase(0, eol + 1);
      while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
      handle(line);
    }
  };

  while (!quit) {
    pollfd fds[3] = {{g_signalPipe[0], POLLIN, 0}, {input.fd, POLLIN, 0}, {control.fd, POLLIN, 0}};
    if (::poll(fds, 3, -1) < 0) {
      if (errno == EINTR)
        continue;
      break;
    }
    if (fds[0].revents & POLLIN) {
      char sig = 0;
      while (::read(g_signalPipe[0], &sig, 1) == 1) {
        if (sig == SIGUSR1)
          runner.Repower();
        else
          quit = true;
      }
    }
    if (input.fd >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
      readLines(input);
    if (control.fd >= 0 && (fds[2].revents & POLLIN))
      readLines(control);
  }

  runner.Stop();
  if (log)
    std::fclose(log);
  if (!linkPath.empty()) {
    char target[256] = {};
    if (::readlink(linkPath.c_str(), target, sizeof target - 1) > 0 && slave == target)
      ::unlink(linkPath.c_str());
  }
  if (control.fd >= 0)
    ::close(control.fd);
  return 0;
}
