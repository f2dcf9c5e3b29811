#pragma once

#include <QList>
#include <QSslCertificate>

#include <chrono>

// Test-only hooks of the connection layer. The program never calls these: it trusts the
// system's roots, waits 60 seconds per read or write and 30 minutes for a whole conversation,
// and nothing it reads can change that.
namespace ConnectionTesting {

// From now on connections trust these authorities in place of the system's roots (tests reach
// only their own servers on loopback), still verifying every certificate for its host name.
void trustCertificates(const QList<QSslCertificate>& authorities);
void setTimeout(std::chrono::milliseconds timeout);
// For connections created from now on.
void setDeadline(std::chrono::milliseconds deadline);

}  // namespace ConnectionTesting
