#include "core/Account.h"
#include "core/Keychain.h"
#include "core/MailStore.h"
#include "core/NetworkJobs.h"
#include "core/Prefs.h"
#include "net/IMAPSession.h"

#include <qcoro/qcorofuture.h>

QCoro::Task<> MailStore::refresh()
{
    if (m_refreshing)
        co_return;
    m_refreshing = true;
    postChanged();
    updateBadge();

    QStringList problems;
    const QList<Account> accounts = Prefs::shared().accounts();
    for (qsizetype i = 0; i < accounts.size(); ++i) {
        const Account account = accounts[i];
        const std::optional<QString> password = Keychain::get(account.id);
        if (!password) {
            problems.append(account.shortLabel() + QStringLiteral(" no password"));
            continue;
        }
        const int limit = Prefs::shared().loadLimit();
        QFuture<NetworkJobs::Result<std::vector<MailItem>>> job = NetworkJobs::run(
            [account, password = *password, limit] { return IMAPSession::fetchInbox(account, password, limit); });
        NetworkJobs::Result<std::vector<MailItem>> fetched = co_await job;
        if (fetched.value)
            announce(replace(account.id, std::move(*fetched.value)));
        else
            problems.append(account.shortLabel() + u' ' + NetworkJobs::describe(fetched.error));
    }

    m_refreshing = false;
    m_lastCheck = QDateTime::currentDateTimeUtc();
    m_problem = problems.isEmpty() ? std::nullopt : std::optional<QString>(problems.join(QStringLiteral(" \u00b7 ")));
    changeSequence();
}

std::vector<MailItem> MailStore::replace(const QString& accountID, std::vector<MailItem> fetched)
{
    QSet<QString> known;
    for (size_t i = 0; i < mails().size(); ++i) {
        if (mails()[i].accountID == accountID)
            known.insert(m_keys[i].id);
    }
    std::vector<MailItem> fresh;
    if (!known.isEmpty()) {
        for (const MailItem& mail : fetched) {
            const Keys keys{mail.id(), mail.fromEmail.toLower(), mail.domain()};
            if (!known.contains(keys.id) && !mail.seen && !mail.mailbox && !isScam(mail, keys))
                fresh.push_back(mail);
        }
    }
    std::vector<MailItem>& all = editMails();
    std::erase_if(all, [&accountID](const MailItem& mail) { return mail.accountID == accountID; });
    all.insert(all.end(), std::make_move_iterator(fetched.begin()), std::make_move_iterator(fetched.end()));
    mailsChanged();
    return fresh;
}
