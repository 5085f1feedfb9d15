#pragma once
// Small helpers shared by the tests. Both wait in a real event loop (no spinning).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

// Runs the event loop until pred holds or timeoutMs passes; returns pred().
inline bool PumpUntil(const std::function<bool()> &pred, int timeoutMs = 5000) {
  if (pred())
    return true;
  QEventLoop loop;
  QElapsedTimer t;
  t.start();
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (pred() || t.elapsed() > timeoutMs)
      loop.quit();
  });
  poll.start(2);
  loop.exec();
  return pred();
}

// Runs the event loop for ms milliseconds.
inline void PumpFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}
