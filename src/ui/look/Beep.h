#pragma once

#include <functional>

// The system beep for a refused action. Tests replace it to count beeps.
namespace Beep {

void sound();

// Replaces the beep until called again with an empty function.
void replace(std::function<void()> sink);

}  // namespace Beep
