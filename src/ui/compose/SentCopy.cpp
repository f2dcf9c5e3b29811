#include "ui/compose/SentCopy.h"

#include "core/MailStore.h"
#include "core/NetworkJobs.h"
#include "net/IMAPSession.h"

#include <qcoro/qcorofuture.h>
#include <qcoro/qcorotimer.h>

#include <memory>

namespace SentCopy {

namespace {
int jobs = 0;
}

int running()
{
    return jobs;
}

bool fileNow(const Account& account, const QString& password, const QByteArray& message, const QString& messageID)
{
    std::unique_ptr<IMAPClient> client;
    try {
        client = IMAPSession::connect(account, password);
    } catch (...) {
        return false;
    }
    bool appended = false;
    try {
        const std::optional<QString> sent = client->sentMailbox();
        if (sent) {
            client->select(*sent);
            bool held = false;
            try {
                held = client->searchMessageID(messageID);
            } catch (...) {
                // A server that cannot search gets the copy: two are better than none.
            }
            if (!held) {
                client->append(*sent, message);
                appended = true;
            }
        }
    } catch (...) {
    }
    client->logout();
    return appended;
}

QCoro::Task<> file(Account account, QString password, QByteArray message, QString messageID, std::chrono::milliseconds wait)
{
    ++jobs;
    co_await QCoro::sleepFor(wait);
    QFuture<NetworkJobs::Result<bool>> job = NetworkJobs::run([account, password, message, messageID] {
        return fileNow(account, password, message, messageID);
    });
    NetworkJobs::Result<bool> done = co_await job;
    Q_UNUSED(done);
    --jobs;
    MailStore::shared().refresh();
}

}  // namespace SentCopy
