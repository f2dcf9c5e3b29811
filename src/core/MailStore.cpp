#include "core/MailStore.h"

#include "content/MIMEHeaders.h"
#include "core/Account.h"
#include "core/Notifier.h"
#include "core/Prefs.h"

#include <QScopeGuard>

#include <algorithm>
#include <utility>

#include <QtConcurrent/QtConcurrentRun>

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

}  // namespace

MailStore& MailStore::shared()
{
    static MailStore instance;
    return instance;
}

MailStore::MailStore()
{
    m_writer.setMaxThreadCount(1);  // one writer keeps the saves in order
    m_folder.setMaxThreadCount(1);
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
    forgetCounts();
    if (!m_placesValid)
        return;
    const auto again = [this](const KeyIndex& index, const QString& key) {
        index.forEach(key, [this](int i) { m_places[size_t(i)] = placeOf(mails()[size_t(i)], m_keys[size_t(i)]); });
    };
    again(m_withID, mail.id());
    if (reach & sameSender)
        again(m_withSender, mail.fromEmail.toLower());
    if (reach & sameDomain)
        again(m_withDomain, mail.domain());
    if ((reach & sameServer) && mail.ip)
        again(m_withServer, *mail.ip);
}

std::optional<int> MailStore::viewOf(const Place& place)
{
    switch (place.kind) {
    case Place::Done: return std::nullopt;
    case Place::Sent: return outView;
    case Place::Scam: return entropyView;
    case Place::Filed:
        // A drawer numbered like OUT or ENTROPY shows nowhere.
        if (place.drawer == outView || place.drawer == entropyView)
            return std::nullopt;
        return place.drawer;
    }
    return std::nullopt;
}

bool MailStore::inView(size_t index, int view, const std::optional<QString>& account, const QSet<QString>& hidden) const
{
    return viewOf(m_places[index]) == view && accountMatches(mails()[index], account, hidden);
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
    std::vector<int> rows;
    for (const int index : searchMatches()) {
        if (accountMatches(mails()[size_t(index)], account, hidden))
            rows.push_back(index);
    }
    return rows;
}

const std::vector<int>& MailStore::searchMatches() const
{
    const QString q = MailSearchIndex::fold(MIME::trimBlanks(m_query));
    if (m_searchMatches && m_searchMatches->first == q)
        return m_searchMatches->second;
    m_searchMatches.emplace(q, std::vector<int>());
    if (q.isEmpty())
        return m_searchMatches->second;
    std::vector<bool> found = searchIndex().matches(q);
    const auto foundAll = [this, &found](const QString& id) {
        m_withID.forEach(id, [&found](int index) { found[size_t(index)] = true; });
    };
    for (const QString& id : m_serverHits)
        foundAll(id);
    for (auto body = m_bodies.cbegin(); body != m_bodies.cend(); ++body) {
        if (!m_withID.contains(body.key()))
            continue;
        auto folded = m_foldedBodies.constFind(body.key());
        if (folded == m_foldedBodies.cend())
            folded = m_foldedBodies.insert(body.key(), MailSearchIndex::fold(body->text));
        if (folded->contains(q))
            foundAll(body.key());
    }
    std::vector<int>& rows = m_searchMatches->second;
    for (const int index : m_byDate) {
        if (found[size_t(index)])
            rows.push_back(index);
    }
    return rows;
}

const MailSearchIndex& MailStore::searchIndex() const
{
    if (m_folding.isValid()) {
        m_searchIndex = m_folding.takeResult();
        m_folding = {};
    }
    return m_searchIndex;
}

void MailStore::keepBody(const QString& id, const MIME::Parsed& body)
{
    m_bodies.insert(id, body);
    m_foldedBodies.remove(id);
    m_searchMatches.reset();
}

void MailStore::serverHitsChanged(QSet<QString> hits)
{
    m_serverHits = std::move(hits);
    m_searchMatches.reset();
}

int MailStore::unreadCount(int view, const std::optional<QString>& account) const
{
    if (view == searchView) {
        const std::vector<int> found = searchResults(account, hiddenAccounts());
        return int(std::count_if(found.begin(), found.end(), [this](int index) { return !mails()[size_t(index)].seen; }));
    }
    return tally(account).unread.value(view);
}

MailStore::Counts MailStore::counts(const std::optional<QString>& account) const
{
    const Tally& all = tally(account);
    Counts counts;
    for (size_t drawer = 0; drawer < counts.unread.size(); ++drawer)
        counts.unread[drawer] = all.unread.value(int(drawer));
    counts.entropy = all.scam;
    return counts;
}

const MailStore::Tally& MailStore::tally(const std::optional<QString>& account) const
{
    const QSet<QString> hidden = hiddenAccounts();
    if (m_tally && m_tally->account == account && m_tally->hidden == hidden)
        return *m_tally;
    const std::vector<Place>& all = places();
    Tally tally{account, hidden, {}, 0};
    for (size_t i = 0; i < mails().size(); ++i) {
        const MailItem& mail = mails()[i];
        if (!accountMatches(mail, account, hidden))
            continue;
        if (all[i].kind == Place::Scam)
            ++tally.scam;
        if (const std::optional<int> view = viewOf(all[i]); view && !mail.seen)
            ++tally.unread[*view];
    }
    return m_tally.emplace(std::move(tally));
}

// Equal to the unread received mails that are neither done nor scam.
int MailStore::newCount() const
{
    if (!m_newCount) {
        const std::vector<Place>& all = places();
        int count = 0;
        for (size_t i = 0; i < mails().size(); ++i) {
            if (!mails()[i].seen && all[i].kind == Place::Filed)
                ++count;
        }
        m_newCount = count;
    }
    return *m_newCount;
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
    forgetCounts();
    if (m_mails.use_count() > 1)  // a list or a pending save still reads the old items
        m_mails = std::make_shared<std::vector<MailItem>>(*m_mails);
    return *m_mails;
}

void MailStore::KeyIndex::reset(size_t mails)
{
    m_ends.clear();
    m_next.assign(mails, -1);
}

void MailStore::KeyIndex::add(const QString& key, int mail)
{
    auto ends = m_ends.find(key);
    if (ends == m_ends.end()) {
        m_ends.insert(key, {mail, mail});
    } else {
        m_next[size_t(ends->second)] = mail;
        ends->second = mail;
    }
}

// One pass per index: each table stays in the cache while it fills.
void MailStore::mailsChanged()
{
    m_keys.clear();
    m_keys.reserve(mails().size());
    for (const MailItem& mail : mails()) {
        QString sender = mail.fromEmail.toLower();
        QString domain = MailItem::domainOf(sender);
        m_keys.push_back(Keys{mail.id(), std::move(sender), std::move(domain)});
    }
    for (KeyIndex* index : {&m_withID, &m_withSender, &m_withDomain, &m_withServer})
        index->reset(mails().size());
    for (size_t i = 0; i < m_keys.size(); ++i)
        m_withID.add(m_keys[i].id, int(i));
    for (size_t i = 0; i < m_keys.size(); ++i)
        m_withSender.add(m_keys[i].sender, int(i));
    for (size_t i = 0; i < m_keys.size(); ++i)
        m_withDomain.add(m_keys[i].domain, int(i));
    for (size_t i = 0; i < mails().size(); ++i) {
        if (const std::optional<QString>& ip = mails()[i].ip)
            m_withServer.add(*ip, int(i));
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
    allPlacesChanged();
    m_folding.cancel();  // one still waiting behind another never starts
    m_folding = QtConcurrent::run(&m_folder, [snapshot = MailList::Snapshot(m_mails)] {
        MailSearchIndex index;
        index.build(*snapshot);
        return index;
    });
    m_searchMatches.reset();
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
