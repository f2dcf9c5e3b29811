#pragma once

#include "core/NetworkJobs.h"

#include <QString>

#include <functional>

// The text a failing step would show the user; empty when the step succeeds.
inline QString errorOf(const std::function<void()>& step)
{
    try {
        step();
    } catch (...) {
        return NetworkJobs::describe(std::current_exception());
    }
    return {};
}
