#include "core/Account.h"
#include "core/Keychain.h"
#include "core/MailStore.h"
#include "core/NetworkJobs.h"
#include "net/IMAPSession.h"

#include <qcoro/qcorofuture.h>

#include <memory>

QCoro::Task<std::optional<QString>> MailStore::deleteMails(std::vector<MailItem> mails)
{
    // Groups by account in the order the accounts first appear; sent mails stay where they are.
    QStringList order;
    QHash<QString, std::vector<MailItem>> groups;
    for (const MailItem& mail : mails) {
        if (mail.mailbox)
            continue;
        if (!groups.contains(mail.accountID))
            order.append(mail.accountID);
        groups[mail.accountID].push_back(mail);
    }

    QStringList problems;
    for (qsizetype g = 0; g < order.size(); ++g) {
        const std::vector<MailItem> group = groups.value(order[g]);
        const std::optional<Account> account = this->account(group.front());
        if (!account)
            continue;
        const std::optional<QString> password = Keychain::get(account->id);
        if (!password) {
            problems.append(account->email + QStringLiteral(": no password in the keychain"));
            continue;
        }
        std::vector<qint64> uids;
        QSet<QString> ids;
        for (const MailItem& mail : group) {
            uids.push_back(mail.uid);
            ids.insert(mail.id());
        }
        QFuture<NetworkJobs::Result<bool>> job = NetworkJobs::run([login = *account, password = *password, uids] {
            const std::unique_ptr<IMAPClient> client = IMAPSession::connect(login, password);
            client->select(QStringLiteral("INBOX"));
            client->moveToTrash(uids);
            client->logout();
            return true;
        });
        NetworkJobs::Result<bool> moved = co_await job;
        if (!moved.value) {
            problems.append(account->email + QStringLiteral(": ") + NetworkJobs::describe(moved.error));
            continue;
        }
        std::erase_if(editMails(), [&ids](const MailItem& m) { return ids.contains(m.id()); });
        mailsChanged();
        for (const QString& id : ids)
            m_state.scam.remove(id);
        changeSequence();
    }
    if (problems.isEmpty())
        co_return std::nullopt;
    co_return problems.join(QStringLiteral(" \u00b7 "));
}
