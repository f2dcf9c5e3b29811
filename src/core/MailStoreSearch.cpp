#include "content/MIMEHeaders.h"
#include "core/Account.h"
#include "core/Keychain.h"
#include "core/MailStore.h"
#include "core/NetworkJobs.h"
#include "core/Prefs.h"
#include "net/IMAPSession.h"

#include <QPointer>

#include <qcoro/qcorofuture.h>
#include <qcoro/qcorotimer.h>

#include <chrono>

namespace {

// Typing would otherwise start one IMAP search per key.
constexpr std::chrono::milliseconds serverSearchDelay{600};

bool wantsServerSearch(const QString& q)
{
    return q.size() >= 2 && std::all_of(q.begin(), q.end(), [](QChar c) { return c.unicode() <= 127; });
}

}  // namespace

void MailStore::search(const QString& text)
{
    m_query = text;
    serverHitsChanged({});
    const quint64 generation = ++m_searchGeneration;
    postChanged();
    updateBadge();
    const QString q = MIME::trimBlanks(text);
    if (wantsServerSearch(q))
        serverSearch(q, generation);
}

QCoro::Task<> MailStore::serverSearch(QString text, quint64 generation)
{
    const QPointer<MailStore> self(this);  // nobody waits for this task: the store may be gone
    co_await QCoro::sleepFor(serverSearchDelay);
    if (!self || generation != m_searchGeneration)
        co_return;
    QSet<QString> hits;
    const QList<Account> accounts = Prefs::shared().accounts();
    for (qsizetype i = 0; i < accounts.size(); ++i) {
        const Account account = accounts[i];
        const std::optional<QString> password = Keychain::get(account.id);
        if (!password)
            continue;
        QFuture<NetworkJobs::Result<std::vector<IMAPSession::SearchHit>>> job = NetworkJobs::run(
            [account, password = *password, text] { return IMAPSession::search(account, password, text); });
        NetworkJobs::Result<std::vector<IMAPSession::SearchHit>> found = co_await job;
        if (!self || generation != m_searchGeneration)
            co_return;
        if (!found.value)
            continue;
        for (const auto& [mailbox, uid] : *found.value) {
            for (size_t m = 0; m < mails().size(); ++m) {
                const MailItem& mail = mails()[m];
                if (mail.accountID == account.id && mail.uid == uid && mail.mailbox == mailbox) {
                    hits.insert(m_keys[m].id);
                    break;
                }
            }
        }
    }
    if (generation != m_searchGeneration)
        co_return;
    serverHitsChanged(std::move(hits));
    postChanged();
    updateBadge();
}
