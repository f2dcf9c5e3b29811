#pragma once

#include <functional>

// The monotonic clock every animation and the game read: seconds since an arbitrary start.
// Tests replace it to step time by hand.
namespace Clock {

double now();

// Replaces the clock until called again with an empty function (the real clock).
void replace(std::function<double()> source);

}  // namespace Clock
