#pragma once
// A device played by a test on a raw pty: before its menu it counts the "s"
// presses, after it answers each command line (ended by CR) with what
// reply() gives.
#include "model/Pty.h"

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CScriptedDevice {
public:
  // inMenu: the device is in its menu from the start (answers at once).
  explicit CScriptedDevice(std::function<std::string(const std::string &)> reply, bool inMenu = false)
      : m_reply(std::move(reply)), m_menu(inMenu) {}
  ~CScriptedDevice() { Stop(); }
  bool Start() {
    if (!m_pty.Open())
      return false;
    m_thread = std::thread([this] { Loop(); });
    return true;
  }
  void Stop() {
    m_stop.store(true);
    if (m_thread.joinable())
      m_thread.join();
  }
  QString Path() const { return QString::fromStdString(m_pty.SlavePath()); }
  void ShowMenu() { m_menuRequested.store(true); }
  // Text from the device before its menu (the device thread writes nothing then).
  void Say(const std::string &text) { m_pty.WriteAll(text); }
  int Presses() const { return m_presses.load(); }
  std::vector<std::string> Lines() {
    std::lock_guard lock(m_mutex);
    return m_lines;
  }
  int Count(const std::string &line) {
    int n = 0;
    for (const auto &l : Lines())
      n += l == line ? 1 : 0;
    return n;
  }

private:
  void Loop() {
    std::string pending;
    while (!m_stop.load()) {
      if (m_menuRequested.exchange(false)) {
        m_menu = true;
        m_pty.WriteAll(std::string("Menu\r\nAT+LIST ...\r\n"));
      }
      const std::string got = m_pty.ReadSome(10);
      for (char c : got) {
        if (!m_menu) {
          m_presses += c == 's' ? 1 : 0;
          continue;
        }
        if (c != '\r') {
          pending += c;
          continue;
        }
        // A press still in flight when the menu came, or the LF of a command
        // ended by CR LF, may stand before a command.
        const size_t start = pending.find_first_not_of("s\n");
        const std::string line = start == std::string::npos ? std::string() : pending.substr(start);
        pending.clear();
        {
          std::lock_guard lock(m_mutex);
          m_lines.push_back(line);
        }
        const std::string answer = m_reply(line);
        if (!answer.empty())
          m_pty.WriteAll(answer);
      }
    }
  }

  std::function<std::string(const std::string &)> m_reply;
  bool m_menu = false; // device thread only, once started
  CPty m_pty;
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_menuRequested{false};
  std::atomic<int> m_presses{0};
  std::mutex m_mutex;
  std::vector<std::string> m_lines;
};
