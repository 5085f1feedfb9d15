#include "base/Timing.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>

namespace {
std::atomic<double> s_scale{1.0};
}

double CTiming::Scale() { return s_scale.load(std::memory_order_relaxed); }

void CTiming::SetScale(double scale) {
  if (scale > 0 && std::isfinite(scale))
    s_scale.store(scale, std::memory_order_relaxed);
}

void CTiming::InitFromEnvironment() {
  if (const char *v = std::getenv("STRELVANE_TIME_SCALE"))
    SetScale(std::atof(v));
}

int CTiming::Ms(int ms) {
  if (ms <= 0)
    return ms;
  const double scaled = ms * Scale();
  return scaled < 1.0 ? 1 : static_cast<int>(std::lround(scaled));
}

void CTiming::Sleep(int ms) {
  if (ms > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(Ms(ms)));
}
