#pragma once
// The far end of a network port in a test: a plain TCP listener on loopback
// (a free port chosen by the system) whose accepted connections are served
// one after another on a thread of their own by a script.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class CTcpPeer {
public:
  using Script = std::function<void(int fd)>;

  // Each accepted connection runs script, then is closed.
  explicit CTcpPeer(Script script) : m_script(std::move(script)) {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
        ::listen(m_listen, 4) != 0 || ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len) != 0)
      return;
    m_port = ntohs(a.sin_port);
    m_thread = std::thread([this] { Run(); });
  }
  ~CTcpPeer() {
    m_stop.store(true);
    if (m_thread.joinable())
      m_thread.join();
    if (m_listen >= 0)
      ::close(m_listen);
  }
  CTcpPeer(const CTcpPeer &) = delete;
  CTcpPeer &operator=(const CTcpPeer &) = delete;

  std::uint16_t Port() const { return m_port; }
  int Accepted() const { return m_accepted.load(); }
  // For scripts: true until the test ends the peer.
  bool Running() const { return !m_stop.load(); }

  // What arrives on fd within ms, or until stop() holds for what came so far.
  // eof, if given, is set once the other end has closed.
  static std::string Read(int fd, int ms, const std::function<bool(const std::string &)> &stop = {},
                          bool *eof = nullptr) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!stop || !stop(got)) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
      if (left <= 0)
        break;
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left)) <= 0)
        continue;
      char buf[4096];
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n <= 0) {
        if (eof)
          *eof = true;
        break;
      }
      got.append(buf, static_cast<size_t>(n));
    }
    return got;
  }
  static bool Write(int fd, const std::string &bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n <= 0)
        return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }

private:
  void Run() {
    while (!m_stop.load()) {
      pollfd p{m_listen, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0)
        continue;
      const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0)
        continue;
      m_accepted.fetch_add(1);
      m_script(fd);
      ::close(fd);
    }
  }

  Script m_script;
  int m_listen = -1;
  std::uint16_t m_port = 0;
  std::atomic<bool> m_stop{false};
  std::atomic<int> m_accepted{0};
  std::thread m_thread;
};

// A loopback address that takes no more connections and never refuses: its
// listener accepts nothing and its backlog is filled, so a new connection
// waits in the handshake the way one to a host that does not answer does.
class CUnansweredAddress {
public:
  CUnansweredAddress() {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
        ::listen(m_listen, 0) != 0 || ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len) != 0)
      return;
    // Connect until one is left waiting: from then on the port answers nobody.
    for (int i = 0; i < 16; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
      m_fillers.push_back(fd);
      ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, 200) == 0) {
        m_port = ntohs(a.sin_port);
        return;
      }
    }
  }
  ~CUnansweredAddress() {
    for (int fd : m_fillers)
      ::close(fd);
    if (m_listen >= 0)
      ::close(m_listen);
  }
  CUnansweredAddress(const CUnansweredAddress &) = delete;
  CUnansweredAddress &operator=(const CUnansweredAddress &) = delete;

  // 0 when the backlog could not be made to hold a connection back.
  std::uint16_t Port() const { return m_port; }

private:
  int m_listen = -1;
  std::uint16_t m_port = 0;
  std::vector<int> m_fillers;
};
