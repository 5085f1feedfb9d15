#pragma once
// The shipped programs honour STRELVANE_TIME_SCALE so tests can drive them
// fast; on a real device a stray value shortens every time-out, so they say so.
#include <QString>

// A log line (in the interface language) naming the scale in force, or an
// empty string at scale 1.
QString TimeScaleWarning();
