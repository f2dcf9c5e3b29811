#include "net/ConnectionPolicy.h"
#include "net/ConnectionTesting.h"

#include <QSslSocket>

#include <mutex>

namespace {

struct Policy {
    std::mutex lock;
    QList<QSslCertificate> testAuthorities;
    std::chrono::milliseconds timeout{std::chrono::seconds(60)};
    // A server that sends a byte now and then never meets the time-out. Half an hour is more
    // than any honest job needs, even all headers of a large mailbox over a slow line.
    std::chrono::milliseconds deadline{std::chrono::minutes(30)};
};

Policy& policy()
{
    static Policy p;
    return p;
}

}  // namespace

namespace ConnectionPolicy {

QSslConfiguration tlsConfiguration()
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    std::lock_guard guard(policy().lock);
    if (!policy().testAuthorities.isEmpty())
        config.setCaCertificates(policy().testAuthorities);
    return config;
}

std::chrono::milliseconds timeout()
{
    std::lock_guard guard(policy().lock);
    return policy().timeout;
}

std::chrono::milliseconds deadline()
{
    std::lock_guard guard(policy().lock);
    return policy().deadline;
}

}  // namespace ConnectionPolicy

namespace ConnectionTesting {

void trustCertificates(const QList<QSslCertificate>& authorities)
{
    std::lock_guard guard(policy().lock);
    policy().testAuthorities += authorities;
}

void setTimeout(std::chrono::milliseconds timeout)
{
    std::lock_guard guard(policy().lock);
    policy().timeout = timeout;
}

void setDeadline(std::chrono::milliseconds deadline)
{
    std::lock_guard guard(policy().lock);
    policy().deadline = deadline;
}

}  // namespace ConnectionTesting
