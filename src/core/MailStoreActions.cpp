#include "core/Account.h"
#include "core/Keychain.h"
#include "core/MailStore.h"
#include "core/Prefs.h"
#include "core/SharedProviders.h"

#include <algorithm>

namespace {

QString senderOf(const MailItem& mail)
{
    return mail.fromEmail.toLower();
}

QStringList sorted(const QSet<QString>& set)
{
    QStringList list(set.begin(), set.end());
    list.sort();
    return list;
}

}  // namespace

void MailStore::assign(const MailItem& mail, int view)
{
    const QString id = mail.id();
    m_state.done.remove(id);
    if (view != inbox)
        m_state.drawerOf.insert(id, view);
    else
        m_state.drawerOf.remove(id);
    placesChanged(mail, sameID);
    changeSequence();
}

void MailStore::markDone(const MailItem& mail)
{
    const QString id = mail.id();
    m_state.done.insert(id);
    m_state.drawerOf.remove(id);
    placesChanged(mail, sameID);
    changeSequence();
}

void MailStore::trust(const MailItem& mail)
{
    m_state.trusted.insert(senderOf(mail));
    placesChanged(mail, sameSender);
    changeSequence();
}

void MailStore::markScam(const MailItem& mail)
{
    const QString id = mail.id();
    m_state.scam.insert(id);
    if (!mail.fromEmail.isEmpty())
        m_state.scamSenders.insert(senderOf(mail));
    m_state.drawerOf.remove(id);
    placesChanged(mail, sameSender);
    changeSequence();
}

void MailStore::notScam(const MailItem& mail)
{
    const QString id = mail.id();
    m_state.scam.remove(id);
    m_state.scamSenders.remove(senderOf(mail));
    m_state.trusted.insert(senderOf(mail));
    m_state.drawerOf.remove(id);
    placesChanged(mail, sameSender);
    changeSequence();
}

void MailStore::blockDomain(const MailItem& mail)
{
    if (!canBlockDomain(mail))
        return;
    const QString id = mail.id();
    m_state.blockedDomains.insert(mail.domain());
    m_state.trusted.remove(senderOf(mail));
    m_state.scam.insert(id);
    m_state.drawerOf.remove(id);
    placesChanged(mail, sameSender | sameDomain);
    changeSequence();
}

void MailStore::blockIP(const MailItem& mail)
{
    if (!mail.ip)
        return;
    const QString id = mail.id();
    m_state.blockedIPs.insert(*mail.ip);
    m_state.scam.insert(id);
    m_state.drawerOf.remove(id);
    placesChanged(mail, sameServer);
    changeSequence();
}

void MailStore::blockSender(const MailItem& mail)
{
    changeAll([&] {
        m_state.trusted.remove(senderOf(mail));
        markScam(mail);
    });
}

void MailStore::backToIn(const MailItem& mail)
{
    changeAll([&] {
        if (isScam(mail))
            notScam(mail);
        assign(mail, inbox);
    });
}

bool MailStore::canBlockDomain(const MailItem& mail) const
{
    const QString domain = mail.domain();
    if (domain.isEmpty() || SharedProviders::contains(domain))
        return false;
    const QString own = u'@' + domain;
    const QList<Account> accounts = Prefs::shared().accounts();
    return std::none_of(accounts.begin(), accounts.end(), [&own](const Account& a) { return a.email.toLower().endsWith(own); });
}

int MailStore::caughtDomain(const QString& domain) const
{
    int count = 0;
    for (size_t i = 0; i < mails().size(); ++i)
        count += !mails()[i].mailbox && m_keys[i].domain == domain;
    return count;
}

int MailStore::caughtIP(const QString& ip) const
{
    return int(std::count_if(mails().begin(), mails().end(), [&ip](const MailItem& m) { return !m.mailbox && m.ip == ip; }));
}

std::vector<MailStore::Block> MailStore::blocks() const
{
    std::vector<Block> list;
    for (const QString& address : sorted(m_state.scamSenders))
        list.emplace_back(QStringLiteral("address"), address);
    for (const QString& domain : sorted(m_state.blockedDomains))
        list.emplace_back(QStringLiteral("domain"), domain);
    for (const QString& ip : sorted(m_state.blockedIPs))
        list.emplace_back(QStringLiteral("server ip"), ip);
    return list;
}

void MailStore::unblock(const Block& block)
{
    const QString& kind = block.first;
    const QString& value = block.second;
    const bool address = kind == u"address", domain = kind == u"domain";
    if (address)
        m_state.scamSenders.remove(value);
    else if (domain)
        m_state.blockedDomains.remove(value);
    else
        m_state.blockedIPs.remove(value);
    // The marks the block set on mails go with it, as far as those mails are still here.
    QHash<QString, size_t> firstWithID;
    for (size_t i = m_keys.size(); i-- > 0;)
        firstWithID.insert(m_keys[i].id, i);
    m_state.scam.removeIf([&](const QString& id) {
        const auto first = firstWithID.constFind(id);
        if (first == firstWithID.cend())
            return false;
        if (address)
            return m_keys[*first].sender == value;
        if (domain)
            return m_keys[*first].domain == value;
        return mails()[*first].ip == value;
    });
    allPlacesChanged();
    changeSequence();
}

std::optional<MailItem> MailStore::mail(const QString& id) const
{
    // Indexes are kept in store order, so the first is the first item with the id.
    const std::optional<int> found = m_withID.first(id);
    if (!found)
        return std::nullopt;
    return mails()[size_t(*found)];
}

std::optional<Account> MailStore::account(const MailItem& mail) const
{
    const QList<Account> accounts = Prefs::shared().accounts();
    const auto found = std::find_if(accounts.begin(), accounts.end(), [&mail](const Account& a) { return a.id == mail.accountID; });
    if (found == accounts.end())
        return std::nullopt;
    return *found;
}

void MailStore::removeAccount(const Account& account)
{
    Keychain::remove(account.id);
    QList<Account> accounts = Prefs::shared().accounts();
    accounts.removeIf([&account](const Account& a) { return a.id == account.id; });
    Prefs::shared().setAccounts(accounts);
    std::erase_if(editMails(), [&account](const MailItem& m) { return m.accountID == account.id; });
    mailsChanged();
    changeSequence();
}
