#pragma once

#include "net/MailError.h"
#include "net/PlatformError.h"

#include <QString>

#include <functional>

// The text a failing step would show the user; empty when the step succeeds.
inline QString errorOf(const std::function<void()>& step)
{
    try {
        step();
    } catch (const MailError& e) {
        return e.description();
    } catch (const PlatformError& e) {
        return e.description();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}
