#pragma once

#include <chrono>

// The mail-check timer's interval for the setting "checkMinutes".
namespace CheckInterval {

// Nothing, 0 or less means 3 minutes; the rest is kept within what a QTimer can count (int ms).
std::chrono::milliseconds of(int setting);

}
