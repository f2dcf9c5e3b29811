#include "net/IMAPSession.h"

#include "core/Account.h"

#include <algorithm>

namespace {

constexpr int sentLimit = 200;

std::unique_ptr<IMAPClient> logIn(const Account& account, const QString& user, const QString& password)
{
    auto client = std::make_unique<IMAPClient>(account.imapHost, account.imapPort);
    client->open();
    client->login(user, password);
    return client;
}

// Everything about the Sent mailbox is optional: a failure there skips it.
void appendSentItems(IMAPClient& client, const Account& account, std::vector<MailItem>& items)
{
    try {
        const std::optional<QString> sent = client.sentMailbox();
        if (!sent)
            return;
        const qint64 count = client.select(*sent);
        std::vector<MailItem> sentItems;  // a failure part-way leaves the Sent part out whole
        client.fetchHeaders(sentLimit, count, [&](FetchedHeader&& header) {
            sentItems.push_back(MailItem::fromFetched(account, header, sent));
        });
        items.insert(items.end(), std::make_move_iterator(sentItems.begin()), std::make_move_iterator(sentItems.end()));
    } catch (const std::exception&) {
    }
}

void appendHits(IMAPClient& client, const QString& mailbox, const std::optional<QString>& label,
                const QString& text, std::vector<IMAPSession::SearchHit>& hits)
{
    try {
        client.select(mailbox);
        for (qint64 uid : client.searchText(text))
            hits.emplace_back(label, uid);
    } catch (const std::exception&) {
    }
}

}  // namespace

namespace IMAPSession {

std::unique_ptr<IMAPClient> connect(const Account& account, const QString& password)
{
    return logIn(account, account.imapUser, password);
}

QString test(const Account& account, const QString& password)
{
    QStringList candidates = {account.imapUser};
    if (account.email != account.imapUser)
        candidates.append(account.email);
    std::exception_ptr last;
    for (const QString& user : candidates) {
        try {
            logIn(account, user, password)->logout();
            return user;
        } catch (...) {
            last = std::current_exception();
        }
    }
    std::rethrow_exception(last);
}

std::vector<MailItem> fetchInbox(const Account& account, const QString& password, int limit)
{
    const std::unique_ptr<IMAPClient> client = connect(account, password);
    // A failure in the INBOX steps drops the conversation without LOGOUT.
    const qint64 count = client->select(QStringLiteral("INBOX"));
    const qint64 asked = limit > 0 ? std::min<qint64>(limit, count) : count;
    std::vector<MailItem> items;
    // Room for them all saves moving every item made so far each time the list grows; a server
    // may claim any count, and what it claims beyond this grows as it arrives.
    items.reserve(size_t(std::clamp<qint64>(asked, 0, 100000)) + sentLimit);
    // Each item is made while the server sends the next headers.
    client->fetchHeaders(limit > 0 ? limit : count, count, [&](FetchedHeader&& header) {
        items.push_back(MailItem::fromFetched(account, header, std::nullopt));
    });
    appendSentItems(*client, account, items);
    client->logout();
    return items;
}

std::vector<SearchHit> search(const Account& account, const QString& password, const QString& text)
{
    const std::unique_ptr<IMAPClient> client = connect(account, password);
    std::vector<SearchHit> hits;
    appendHits(*client, QStringLiteral("INBOX"), std::nullopt, text, hits);
    std::optional<QString> sent;
    try {
        sent = client->sentMailbox();
    } catch (const std::exception&) {
    }
    if (sent)
        appendHits(*client, *sent, sent, text, hits);
    client->logout();
    return hits;
}

}  // namespace IMAPSession
