#include "ui/main/CheckInterval.h"

#include <algorithm>
#include <limits>

std::chrono::milliseconds CheckInterval::of(int setting)
{
    using std::chrono::duration_cast;
    constexpr auto longest = duration_cast<std::chrono::minutes>(std::chrono::milliseconds(std::numeric_limits<int>::max()));
    const long long chosen = setting <= 0 ? 3 : std::min<long long>(setting, longest.count());
    return duration_cast<std::chrono::milliseconds>(std::chrono::minutes(chosen));
}
