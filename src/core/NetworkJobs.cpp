#include "core/NetworkJobs.h"

#include "net/MailError.h"
#include "net/PlatformError.h"

#include <openssl/crypto.h>

namespace NetworkJobs {

QThreadPool& pool()
{
    static QThreadPool jobs;
    static const bool configured = [] {
        jobs.setMaxThreadCount(64);  // more than the jobs that ever run at once
        return true;
    }();
    Q_UNUSED(configured);
    return jobs;
}

void releaseThreadTLS()
{
    OPENSSL_thread_stop();
}

QString describe(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const MailError& e) {
        return e.description();
    } catch (const PlatformError& e) {
        return e.description();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("unknown error");
    }
}

}  // namespace NetworkJobs
