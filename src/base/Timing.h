#pragma once
// Every wait and sleep of the flows goes through here, so tests can run the
// real time-outs and pauses at a small scale. The product runs at scale 1.0.
#include <chrono>

class CTiming {
public:
  static double Scale();
  static void SetScale(double scale);
  // Reads STRELVANE_TIME_SCALE once (used by tests that drive the real programs).
  static void InitFromEnvironment();
  // A duration of ms milliseconds at the current scale; never 0 for ms > 0.
  static int Ms(int ms);
  static void Sleep(int ms);
};
