#include "content/MIMEHeaders.h"
#include "core/Account.h"
#include "core/Keychain.h"
#include "core/MailStore.h"
#include "core/NetworkJobs.h"
#include "core/Prefs.h"
#include "net/IMAPSession.h"
#include "net/MailError.h"

#include <qcoro/qcorofuture.h>

#include <memory>

namespace {

QString mailboxOf(const MailItem& mail)
{
    return mail.mailbox.value_or(QStringLiteral("INBOX"));
}

// The header block ends after the first line break of the first empty line.
QByteArrayView headerBlock(const QByteArray& data)
{
    for (qsizetype i = 0; i + 1 < data.size(); ++i) {
        if (data[i] == '\n' && data[i + 1] == '\n')
            return QByteArrayView(data).first(i + 1);
        if (data[i] == '\r' && data.mid(i, 4) == "\r\n\r\n")
            return QByteArrayView(data).first(i + 2);
    }
    return data;
}

struct Login {
    Account account;
    QString password;
};

// Both checks come first, even for a body already loaded: a removed account shows as such.
Login loginFor(const MailStore& store, const MailItem& mail)
{
    const std::optional<Account> account = store.account(mail);
    if (!account)
        throw MailError::badResponse(QStringLiteral("account missing"));
    const std::optional<QString> password = Keychain::get(account->id);
    if (!password)
        throw MailError::noPassword();
    return {*account, *password};
}

}  // namespace

QCoro::Task<MIME::Parsed> MailStore::body(MailItem mail, bool markSeen)
{
    const QString id = mail.id();
    const std::optional<MIME::Parsed> cached =
        m_bodies.contains(id) ? std::optional<MIME::Parsed>(m_bodies.value(id)) : std::nullopt;
    const Login login = loginFor(*this, mail);
    const std::optional<MailItem> current = this->mail(id);
    const bool setSeen = markSeen && !(current ? current->seen : mail.seen) && !mail.mailbox;

    MIME::Parsed parsed;
    if (cached) {
        parsed = *cached;
        if (setSeen) {
            QFuture<NetworkJobs::Result<bool>> job = NetworkJobs::run([login, uid = mail.uid] {
                const std::unique_ptr<IMAPClient> client = IMAPSession::connect(login.account, login.password);
                client->select(QStringLiteral("INBOX"));
                client->markSeen(uid);
                client->logout();
                return true;
            });
            NetworkJobs::Result<bool> ignored = co_await job;
            Q_UNUSED(ignored);
        }
    } else {
        QFuture<NetworkJobs::Result<MIME::Parsed>> job = NetworkJobs::run([login, mailbox = mailboxOf(mail), uid = mail.uid, setSeen] {
            const std::unique_ptr<IMAPClient> client = IMAPSession::connect(login.account, login.password);
            client->select(mailbox);
            const QByteArray message = client->fetchMessage(uid);
            if (setSeen) {
                try {
                    client->markSeen(uid);
                } catch (const std::exception&) {
                }
            }
            client->logout();
            return MIME::parse(message);
        });
        NetworkJobs::Result<MIME::Parsed> fetched = co_await job;
        if (!fetched.value)
            std::rethrow_exception(fetched.error);
        parsed = *fetched.value;
    }

    keepBody(id, parsed);
    if (markSeen) {
        const auto first = std::find_if(m_keys.begin(), m_keys.end(), [&id](const Keys& k) { return k.id == id; });
        MailItem* stored = first == m_keys.end() ? nullptr : &editMails()[size_t(first - m_keys.begin())];
        if (stored && !stored->seen) {
            stored->seen = true;
            m_cacheDirty = true;  // written with the next save
            postChanged();
            updateBadge();
        }
    }
    co_return parsed;
}

QCoro::Task<QByteArray> MailStore::raw(MailItem mail)
{
    if (const auto file = m_raws.constFind(mail.id()); file != m_raws.cend())
        co_return *file;
    const Login login = loginFor(*this, mail);
    QFuture<NetworkJobs::Result<QByteArray>> job = NetworkJobs::run([login, mailbox = mailboxOf(mail), uid = mail.uid] {
        const std::unique_ptr<IMAPClient> client = IMAPSession::connect(login.account, login.password);
        client->select(mailbox);
        QByteArray message = client->fetchMessage(uid);
        client->logout();
        return message;
    });
    NetworkJobs::Result<QByteArray> fetched = co_await job;
    if (!fetched.value)
        std::rethrow_exception(fetched.error);
    co_return *fetched.value;
}

std::optional<MailItem> MailStore::loadFile(const QByteArray& data, const QString& name)
{
    const QList<Account> accounts = Prefs::shared().accounts();
    if (accounts.isEmpty())
        return std::nullopt;
    const QByteArrayView block = headerBlock(data);
    if (MIME::headers(block).isEmpty())
        return std::nullopt;
    FetchedHeader header{0, {QStringLiteral("\\Seen")}, std::nullopt, block.toByteArray()};
    MailItem item = MailItem::fromFetched(accounts.first(), header, std::nullopt);
    item.seen = true;
    if (item.messageID.isEmpty())
        item.messageID = QStringLiteral("file:") + name;
    const QString id = item.id();
    m_raws.insert(id, data);
    keepBody(id, MIME::parse(data));
    return item;
}
