#pragma once

#include <QSslConfiguration>

#include <chrono>

// What every new connection uses: the TLS configuration and the time-out per read or write.
namespace ConnectionPolicy {

QSslConfiguration tlsConfiguration();
std::chrono::milliseconds timeout();

}  // namespace ConnectionPolicy
