#pragma once

#include <optional>

// The desktop's wish for less motion: its "enable-animations" setting, read through the XDG
// settings portal. Without a portal, or until it answers, motion is allowed.
namespace ReduceMotion {

bool on();

// Reads the setting once and follows its changes; the program calls it at start.
void watch();

// Fixes the answer until called again with nothing (the portal's answer); for tests.
void replace(std::optional<bool> value);

}  // namespace ReduceMotion
