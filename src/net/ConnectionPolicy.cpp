#include "net/ConnectionPolicy.h"
#include "net/ConnectionTesting.h"

#include <QSslSocket>

#include <mutex>

namespace {

struct Policy {
    std::mutex lock;
    QList<QSslCertificate> extraAuthorities;
    std::chrono::milliseconds timeout{std::chrono::seconds(60)};
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
    if (!policy().extraAuthorities.isEmpty())
        // Setting any CA list stops Qt's on-demand loading of the system roots, so keep them explicitly.
        config.setCaCertificates(QSslConfiguration::systemCaCertificates() + policy().extraAuthorities);
    return config;
}

std::chrono::milliseconds timeout()
{
    std::lock_guard guard(policy().lock);
    return policy().timeout;
}

}  // namespace ConnectionPolicy

namespace ConnectionTesting {

void trustCertificates(const QList<QSslCertificate>& authorities)
{
    std::lock_guard guard(policy().lock);
    policy().extraAuthorities += authorities;
}

void setTimeout(std::chrono::milliseconds timeout)
{
    std::lock_guard guard(policy().lock);
    policy().timeout = timeout;
}

}  // namespace ConnectionTesting
