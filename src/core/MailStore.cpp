#include "core/MailStore.h"

#include "content/MIMEHeaders.h"
#include "core/Account.h"
#include "core/Notifier.h"
#include "core/Prefs.h"

#include <QScopeGuard>

#include <algorithm>
#include <utility>

namespace {

QSet<QString> hiddenAccounts()
{
    const QStringList ids = Prefs::shared().hiddenAccounts();
    return QSet<QString>(ids.begin(), ids.end());
}

bool accountMatches(const MailItem& mail, const std::optional<QString>& account, const QSet<QString>& hidden)
{
    return (!account || mail.accountID == *account) && !hidden.contains(mail.accountID);
}

// For matching that ignores letter case and diacritics: decomposed, marks dropped, case-folded.
QString folded(const QString& text)
{
    QString result;
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    result.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            result.append(c);
    }
    return result.toCaseFolded();
}

}  // namespace

MailStore& MailStore::shared()
{
    static MailStore instance;
    return instance;
}

MailStore::MailStore()
{
    m_writer.setMaxThreadCount(1);  // one writer keeps the saves in order
}

MailStore::~MailStore()
{
    finishSaving();
}

bool MailStore::isScam(const MailItem& mail) const
{
    return isScam(mail, Keys{mail.id(), mail.fromEmail.toLower(), mail.domain()});
}

bool MailStore::isScam(const MailItem& mail, const Keys& keys) const
{
    if (m_state.scam.contains(keys.id))
        return true;
    if (mail.mailbox)
        return false;
    if (m_state.scamSenders.contains(keys.sender))
        return true;
    if (m_state.trusted.contains(keys.sender))
        return false;
    return m_state.blockedDomains.contains(keys.domain) || (mail.ip && m_state.blockedIPs.contains(*mail.ip));
}

MailStore::Place MailStore::placeOf(const MailItem& mail, const Keys& keys) const
{
    if (m_state.done.contains(keys.id))
        return {Place::Done, 0};
    if (mail.mailbox)
        return {Place::Sent, 0};
    if (isScam(mail, keys))
        return {Place::Scam, 0};
    return {Place::Filed, m_state.drawerOf.value(keys.id, 0)};
}

const std::vector<MailStore::Place>& MailStore::places() const
{
    if (!m_placesValid) {
        m_places.resize(mails().size());
        for (size_t i = 0; i < mails().size(); ++i)
            m_places[i] = placeOf(mails()[i], m_keys[i]);
        m_placesValid = true;
    }
    return m_places;
}

// A triage key must not cost a pass over every mail: only those it can move are placed again.
void MailStore::placesChanged(const MailItem& mail, int reach)
{
    if (!m_placesValid)
        return;
    const auto again = [this](const QHash<QString, std::vector<int>>& index, const QString& key) {
        for (const int i : index.value(key))
            m_places[size_t(i)] = placeOf(mails()[size_t(i)], m_keys[size_t(i)]);
    };
    again(m_withID, mail.id());
    if (reach & sameSender)
        again(m_withSender, mail.fromEmail.toLower());
    if (reach & sameDomain)
        again(m_withDomain, mail.domain());
    if ((reach & sameServer) && mail.ip)
        again(m_withServer, *mail.ip);
}

bool MailStore::inView(size_t index, int view, const std::optional<QString>& account, const QSet<QString>& hidden) const
{
    const Place& place = m_places[index];
    bool shown = false;
    switch (place.kind) {
    case Place::Done:
        return false;
    case Place::Sent:
        shown = view == outView;
        break;
    case Place::Scam:
        shown = view == entropyView;
        break;
    case Place::Filed:
        shown = view != outView && view != entropyView && place.drawer == view;
        break;
    }
    return shown && accountMatches(mails()[index], account, hidden);
}

MailList MailStore::items(int view, const std::optional<QString>& account) const
{
    const QSet<QString> hidden = hiddenAccounts();
    if (view == searchView)
        return MailList(m_mails, searchResults(account, hidden));
    places();
    std::vector<int> rows;
    rows.reserve(mails().size());
    for (const int index : m_byDate) {
        if (inView(size_t(index), view, account, hidden))
            rows.push_back(index);
    }
    return MailList(m_mails, std::move(rows));
}

std::vector<int> MailStore::searchResults(const std::optional<QString>& account, const QSet<QString>& hidden) const
{
    const QString q = folded(MIME::trimBlanks(m_query));
    if (q.isEmpty())
        return {};
    const auto matches = [&q](const QString& field) { return folded(field).contains(q); };
    std::vector<int> rows;
    for (const int index : m_byDate) {
        const MailItem& mail = mails()[size_t(index)];
        if (!accountMatches(mail, account, hidden))
            continue;
        const QString& id = m_keys[size_t(index)].id;
        const auto body = m_bodies.constFind(id);
        if (m_serverHits.contains(id) || matches(mail.subject) || matches(mail.fromName) || matches(mail.fromEmail)
            || matches(mail.toName.value_or(QString())) || matches(mail.toEmail.value_or(QString()))
            || (body != m_bodies.cend() && matches(body->text)))
            rows.push_back(index);
    }
    return rows;
}

int MailStore::unreadCount(int view, const std::optional<QString>& account) const
{
    if (view == searchView) {
        const MailList found = items(view, account);
        return int(std::count_if(found.begin(), found.end(), [](const MailItem& m) { return !m.seen; }));
    }
    const QSet<QString> hidden = hiddenAccounts();
    places();
    int count = 0;
    for (size_t i = 0; i < mails().size(); ++i) {
        if (!mails()[i].seen && inView(i, view, account, hidden))
            ++count;
    }
    return count;
}

MailStore::Counts MailStore::counts(const std::optional<QString>& account) const
{
    const QSet<QString> hidden = hiddenAccounts();
    const std::vector<Place>& all = places();
    Counts counts;
    for (size_t i = 0; i < mails().size(); ++i) {
        const Place& place = all[i];
        const bool entropy = place.kind == Place::Scam;
        const bool unreadFiled = place.kind == Place::Filed && !mails()[i].seen && place.drawer >= 0 && place.drawer <= 5;
        if ((entropy || unreadFiled) && accountMatches(mails()[i], account, hidden)) {
            if (entropy)
                ++counts.entropy;
            else
                ++counts.unread[size_t(place.drawer)];
        }
    }
    return counts;
}

// Equal to the unread received mails that are neither done nor scam.
int MailStore::newCount() const
{
    const std::vector<Place>& all = places();
    int count = 0;
    for (size_t i = 0; i < mails().size(); ++i) {
        if (!mails()[i].seen && all[i].kind == Place::Filed)
            ++count;
    }
    return count;
}

void MailStore::toggleAccount(const QString& accountID)
{
    QStringList hidden = Prefs::shared().hiddenAccounts();
    if (hidden.contains(accountID)) {
        hidden.removeAll(accountID);
    } else {
        const QList<Account> accounts = Prefs::shared().accounts();
        const auto visible = std::count_if(accounts.begin(), accounts.end(),
                                           [&hidden](const Account& a) { return !hidden.contains(a.id); });
        if (visible < 2) {
            Q_EMIT refused();
            return;
        }
        hidden.append(accountID);
    }
    Prefs::shared().setHiddenAccounts(hidden);
    postChanged();
    updateBadge();
}

std::vector<MailItem>& MailStore::editMails()
{
    if (m_mails.use_count() > 1)  // a list or a pending save still reads the old items
        m_mails = std::make_shared<std::vector<MailItem>>(*m_mails);
    return *m_mails;
}

void MailStore::mailsChanged()
{
    m_keys.clear();
    m_keys.reserve(mails().size());
    m_withID.clear();
    m_withSender.clear();
    m_withDomain.clear();
    m_withServer.clear();
    for (size_t i = 0; i < mails().size(); ++i) {
        const MailItem& mail = mails()[i];
        const Keys& keys = m_keys.emplace_back(Keys{mail.id(), mail.fromEmail.toLower(), mail.domain()});
        m_withID[keys.id].push_back(int(i));
        m_withSender[keys.sender].push_back(int(i));
        m_withDomain[keys.domain].push_back(int(i));
        if (mail.ip)
            m_withServer[*mail.ip].push_back(int(i));
    }
    m_byDate.resize(mails().size());
    for (size_t i = 0; i < m_byDate.size(); ++i)
        m_byDate[i] = int(i);
    std::vector<qint64> times;
    times.reserve(mails().size());
    for (const MailItem& mail : mails())
        times.push_back(mail.date.toMSecsSinceEpoch());
    std::stable_sort(m_byDate.begin(), m_byDate.end(), [&times](int a, int b) { return times[size_t(a)] > times[size_t(b)]; });
    m_cacheDirty = true;
    m_placesValid = false;
}

void MailStore::changeSequence()
{
    if (m_holdChanges > 0) {
        m_heldChange = true;
        return;
    }
    save();
    postChanged();
    updateBadge();
}

void MailStore::changeAll(const std::function<void()>& changes)
{
    ++m_holdChanges;
    // Released also when a change throws, so that the store does not stay silent.
    const auto release = qScopeGuard([this] {
        if (--m_holdChanges == 0 && std::exchange(m_heldChange, false))
            changeSequence();
    });
    changes();
}

void MailStore::postChanged()
{
    NotificationCenter::shared().post(changed);
}

void MailStore::updateBadge()
{
    Notifier::shared().updateBadge(newCount());
}

void MailStore::announce(const std::vector<MailItem>& fresh)
{
    Q_EMIT newMail(fresh);
    Notifier::shared().announce(fresh);
}
