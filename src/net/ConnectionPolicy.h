#pragma once

#include <QSslConfiguration>

#include <chrono>

// What every new connection uses: the TLS configuration, the time-out per read or write, and
// the deadline of the whole conversation.
namespace ConnectionPolicy {

QSslConfiguration tlsConfiguration();
std::chrono::milliseconds timeout();
std::chrono::milliseconds deadline();

}  // namespace ConnectionPolicy
