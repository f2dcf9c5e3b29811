#include "net/ConnectionPolicy.h"
#include "net/ConnectionTesting.h"

#include <QSslSocket>

#include <mutex>

namespace {

struct Policy {
    std::mutex lock;
    QList<QSslCertificate> testAuthorities;
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
    if (!policy().testAuthorities.isEmpty())
        config.setCaCertificates(policy().testAuthorities);
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
    policy().testAuthorities += authorities;
}

void setTimeout(std::chrono::milliseconds timeout)
{
    std::lock_guard guard(policy().lock);
    policy().timeout = timeout;
}

}  // namespace ConnectionTesting
