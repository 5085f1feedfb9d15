// bench_feed: feeds a pty and times the program that reads it.
//
//   bench_feed [--mode text|hex|gbk] [--bytes N] -- PROGRAM ARGS...
//
// "{}" in the arguments is replaced by the pty's slave path. The program's
// stdout is read through a pipe (its stdin is a pty of its own, for terminal
// programs that insist on one). A probe byte is written until the program shows
// output, so timing starts only once it has the port open; then N bytes go to
// the pty as fast as it takes them, and the run ends when the output has all
// arrived (or nothing more comes for 3 s). Prints key=value lines:
//   rate_mbs   input bytes per second (MiB) up to the last output byte
//   complete   output received / output expected
// Mode gbk writes a Chinese GBK text in pieces of 1..5 bytes and prints
// gbk_ok=1 when the output is exactly its UTF-8 form.
#include "model/Pty.h"
#include "text/Gbk.h"

#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::string TextData(size_t n) {
  std::string s;
  s.reserve(n);
  const char *alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,;:-+=";
  const size_t len = std::strlen(alphabet);
  size_t i = 0;
  while (s.size() < n) {
    s += (s.size() % 80 == 79) ? '\n' : alphabet[i++ % len];
  }
  return s;
}
} // namespace

int main(int argc, char **argv) {
  std::string mode = "text";
  size_t bytes = 16u << 20;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--mode" && i + 1 < argc)
      mode = argv[++i];
    else if (a == "--bytes" && i + 1 < argc)
      bytes = std::stoul(argv[++i]);
    else if (a == "--") {
      ++i;
      break;
    } else {
      std::fprintf(stderr, "usage: bench_feed [--mode text|hex|gbk] [--bytes N] -- PROGRAM ARGS...\n");
      return 2;
    }
  }
  if (i >= argc) {
    std::fprintf(stderr, "bench_feed: no program\n");
    return 2;
  }
  std::signal(SIGPIPE, SIG_IGN);
  CPty line;
  CPty console;
  if (!line.Open() || !console.Open()) {
    std::perror("bench_feed: pty");
    return 1;
  }
  std::vector<std::string> args;
  for (int k = i; k < argc; ++k) {
    std::string a = argv[k];
    if (const auto at = a.find("{}"); at != std::string::npos)
      a.replace(at, 2, line.SlavePath());
    args.push_back(a);
  }
  const pid_t child = ::fork();
  if (child == 0) {
    const int in = ::open(console.SlavePath().c_str(), O_RDWR);
    const int null = ::open("/dev/null", O_WRONLY);
    ::setsid();
    ::dup2(in, 0);
    ::dup2(in, 1);
    ::dup2(null, 2);
    std::vector<char *> av;
    for (auto &a : args)
      av.push_back(a.data());
    av.push_back(nullptr);
    ::execvp(av[0], av.data());
    _exit(127);
  }
  console.CloseSlave();
  const int rd = console.MasterFd();
  std::vector<char> buf(1 << 16);
  auto readFor = [&](int ms, std::string *keep) -> size_t {
    size_t got = 0;
    pollfd p{rd, POLLIN, 0};
    while (::poll(&p, 1, ms) > 0) {
      const ssize_t n = ::read(rd, buf.data(), buf.size());
      if (n <= 0)
        break;
      got += static_cast<size_t>(n);
      if (keep)
        keep->append(buf.data(), static_cast<size_t>(n));
      ms = 0;
    }
    return got;
  };

  // Wait until the program echoes a probe: the port is open and read.
  bool ready = false;
  for (int t = 0; t < 100 && !ready; ++t) {
    line.WriteAll("\n");
    ready = readFor(100, nullptr) > 0;
  }
  if (!ready) {
    std::printf("error=no output from the program\n");
    ::kill(child, SIGTERM);
    ::waitpid(child, nullptr, 0);
    return 1;
  }
  while (readFor(200, nullptr) > 0) {
  }

  std::string data;
  std::string expected;
  double factor = 1;
  if (mode == "gbk") {
    const QString zh = QStringLiteral("串口数据：中文字符跨读取边界，一个解码器对应一个数据流。");
    QString all;
    for (int k = 0; k < 40; ++k)
      all += zh + QStringLiteral("\n");
    data = text::ToGbk(all).toStdString();
    expected = all.toUtf8().toStdString();
  } else {
    data = TextData(bytes);
    factor = mode == "hex" ? 3 : 1;
  }
  const size_t expectOut =
      mode == "gbk" ? expected.size() : static_cast<size_t>(static_cast<double>(data.size()) * factor);

  const auto start = Clock::now();
  std::thread writer([&] {
    if (mode == "gbk") {
      size_t at = 0;
      int piece = 1;
      while (at < data.size()) {
        const size_t n = std::min<size_t>(static_cast<size_t>(piece), data.size() - at);
        line.WriteAll(data.data() + at, n);
        at += n;
        piece = piece % 5 + 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    } else {
      line.WriteAll(data.data(), data.size());
    }
  });
  size_t received = 0;
  std::string kept;
  auto last = start;
  // Ends at the expected size (a few bytes of the program's own may be mixed in) or after 3 s of silence.
  while (received < expectOut) {
    const size_t n = readFor(3000, mode == "gbk" ? &kept : nullptr);
    if (n == 0)
      break;
    received += n;
    last = Clock::now();
  }
  writer.join();
  ::kill(child, SIGTERM);
  ::waitpid(child, nullptr, 0);

  const double secs = Seconds(last - start);
  std::printf("bytes=%zu\nseconds=%.4f\n", data.size(), secs);
  std::printf("rate_mbs=%.3f\n", secs > 0 ? static_cast<double>(data.size()) / secs / (1 << 20) : 0.0);
  std::printf("complete=%.4f\n", static_cast<double>(received) / static_cast<double>(expectOut));
  if (mode == "gbk")
    std::printf("gbk_ok=%d\n", kept.find(expected) != std::string::npos ? 1 : 0);
  return 0;
}
