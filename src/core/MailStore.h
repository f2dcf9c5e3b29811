#pragma once

#include "content/MIMEParser.h"
#include "core/MailItem.h"
#include "core/MailList.h"
#include "core/MailSearchIndex.h"
#include "core/MailStoreState.h"
#include "core/NotificationCenter.h"

#include <QByteArray>
#include <QFuture>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>

#include <qcoro/qcorotask.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct Account;

// The one model object: every account's mail items in one list, the user's triage decisions
// about them (kept in state.json, the items in cache.json), the search and body caches and the
// state of the last mail check. Main thread only. Every change of the triage state or the items
// runs the change sequence: save, post `changed`, update the icon badge.
class MailStore : public QObject {
    Q_OBJECT
public:
    // View numbers shared with the main window; 1 to 5 are the drawers. Any other number shows
    // the mails filed under it, which in practice is none.
    enum View : int { inbox = 0, searchView = 7, outView = 8, entropyView = 9 };
    // A block as the settings view lists it: ("address" | "domain" | "server ip", value).
    using Block = std::pair<QString, QString>;

    static MailStore& shared();
    MailStore();  // empty; the application calls load() once
    ~MailStore() override;

    static inline const QString& changed = Notification::storeChanged;

    // state.json and cache.json in the data folder. An unreadable state.json is set aside
    // before the next save replaces it; cache.json is written only when an item changed.
    // save() takes a snapshot and leaves the writing (with its flush to disk) to a writer thread
    // that keeps the order of saves; finishSaving() waits for it, as does the destructor.
    void load();
    void save();
    void finishSaving();

    // The mails of a view, newest first (equal dates in store order); `account` none = all.
    MailList items(int view, const std::optional<QString>& account = std::nullopt) const;
    int unreadCount(int view, const std::optional<QString>& account = std::nullopt) const;
    // What the sidebar shows, in one pass: the unread mails of IN and of each drawer, and all
    // mails of ENTROPY.
    struct Counts {
        std::array<int, 6> unread{};  // 0 IN, 1 to 5 the drawers
        int entropy = 0;
    };
    Counts counts(const std::optional<QString>& account = std::nullopt) const;
    // Unread received mail that is neither done nor scam, all accounts, hidden ones included.
    int newCount() const;
    bool isScam(const MailItem& mail) const;
    // Hides or shows an account's mails; the last visible account cannot be hidden (refused).
    void toggleAccount(const QString& accountID);

    // The mail check, account after account; a call while one runs returns at once.
    QCoro::Task<> refresh();
    // Puts one account's fetched items in place of its old ones; gives the mails that count as
    // newly arrived (none on an account's first fetch).
    std::vector<MailItem> replace(const QString& accountID, std::vector<MailItem> fetched);

    void assign(const MailItem& mail, int view);
    void markDone(const MailItem& mail);
    void trust(const MailItem& mail);
    void markScam(const MailItem& mail);
    void notScam(const MailItem& mail);
    void blockDomain(const MailItem& mail);
    void blockIP(const MailItem& mail);
    // The sender loses its trust and the mail is marked as scam, which blocks the sender.
    void blockSender(const MailItem& mail);
    // Out of ENTROPY (trusting the sender), out of its drawer and no longer done.
    void backToIn(const MailItem& mail);
    // Runs several changes as one: a single save, post and badge update at the end, and none
    // when nothing changed. Nested calls join the outermost.
    void changeAll(const std::function<void()>& changes);
    // False for no domain, a shared mail provider and the user's own domains.
    bool canBlockDomain(const MailItem& mail) const;
    int caughtDomain(const QString& domain) const;  // received items from the domain
    int caughtIP(const QString& ip) const;
    std::vector<Block> blocks() const;
    void unblock(const Block& block);
    std::optional<MailItem> mail(const QString& id) const;
    std::optional<Account> account(const MailItem& mail) const;
    void removeAccount(const Account& account);

    // Moves received mails to their account's Trash; the problems joined by " · ", or none.
    QCoro::Task<std::optional<QString>> deleteMails(std::vector<MailItem> mails);
    // The local search at once, the server search 0.6 s later unless another search came first.
    void search(const QString& text);
    // Fetched once per run; `markSeen` also sets \Seen on the server. Fails with MailError or
    // PlatformError.
    QCoro::Task<MIME::Parsed> body(MailItem mail, bool markSeen);
    // The message exactly as the server sends it; not cached.
    QCoro::Task<QByteArray> raw(MailItem mail);
    // An item for a mail file, kept only in the body and raw caches; none without headers or account.
    std::optional<MailItem> loadFile(const QByteArray& data, const QString& name);

    const std::vector<MailItem>& mails() const { return *m_mails; }
    const MailStoreState& state() const { return m_state; }
    QString query() const { return m_query; }
    const QSet<QString>& serverHits() const { return m_serverHits; }
    bool refreshing() const { return m_refreshing; }
    std::optional<QDateTime> lastCheck() const { return m_lastCheck; }
    std::optional<QString> problem() const { return m_problem; }

Q_SIGNALS:
    // The mails a check found new, as handed to the announcements.
    void newMail(const std::vector<MailItem>& mails);
    // A request was refused without any change; the interface sounds the beep.
    void refused();

private:
    // Where a mail shows, from the triage state; the views only filter by it.
    struct Place {
        enum Kind : quint8 { Done, Sent, Scam, Filed } kind;
        int drawer;  // for Filed: the drawerOf entry, 0 = IN
    };
    // Keys computed once per item, for lookups in the triage sets.
    struct Keys {
        QString id;
        QString sender;  // fromEmail lower-cased
        QString domain;
    };

    void changeSequence();
    void postChanged();
    void updateBadge();
    void announce(const std::vector<MailItem>& fresh);
    void mailsChanged();
    // Which mails a triage change can move besides those with the mail's id.
    enum Reach { sameID = 0, sameSender = 1, sameDomain = 2, sameServer = 4 };
    void placesChanged(const MailItem& mail, int reach);
    void allPlacesChanged()
    {
        m_placesValid = false;
        forgetCounts();
    }
    void forgetCounts()
    {
        m_tally.reset();
        m_newCount.reset();
    }
    const std::vector<Place>& places() const;
    Place placeOf(const MailItem& mail, const Keys& keys) const;
    bool isScam(const MailItem& mail, const Keys& keys) const;
    // The view a mail so placed shows in, if any.
    static std::optional<int> viewOf(const Place& place);
    bool inView(size_t index, int view, const std::optional<QString>& account, const QSet<QString>& hidden) const;
    std::vector<int> searchResults(const std::optional<QString>& account, const QSet<QString>& hidden) const;
    const std::vector<int>& searchMatches() const;
    void keepBody(const QString& id, const MIME::Parsed& body);
    void serverHitsChanged(QSet<QString> hits);
    // For changes to the items: lists handed out keep the snapshot they were taken from.
    std::vector<MailItem>& editMails();
    QCoro::Task<> serverSearch(QString text, quint64 generation);

    std::shared_ptr<std::vector<MailItem>> m_mails = std::make_shared<std::vector<MailItem>>();
    MailStoreState m_state;
    QString m_query;
    QSet<QString> m_serverHits;
    quint64 m_searchGeneration = 0;  // the running server search stops when this moves on
    QHash<QString, MIME::Parsed> m_bodies;
    bool m_refreshing = false;
    int m_holdChanges = 0;       // changeAll calls under way
    bool m_heldChange = false;   // a change sequence waits for the outermost changeAll
    std::optional<QDateTime> m_lastCheck;
    std::optional<QString> m_problem;
    QHash<QString, QByteArray> m_raws;

    // Derived from m_mails (rebuilt by mailsChanged) and from the triage state (places).
    std::vector<Keys> m_keys;
    std::vector<int> m_byDate;  // indexes into m_mails, newest first, stable
    // Mails by a key: the first and last with it, and from each mail the next with the same key
    // (a list per key would cost an allocation per mail).
    class KeyIndex {
    public:
        void reset(size_t mails);
        void add(const QString& key, int mail);  // in increasing order of mail
        bool contains(const QString& key) const { return m_ends.contains(key); }
        std::optional<int> first(const QString& key) const
        {
            const auto ends = m_ends.constFind(key);
            return ends == m_ends.cend() ? std::nullopt : std::optional<int>(ends->first);
        }
        template <class F> void forEach(const QString& key, F&& visit) const
        {
            const auto ends = m_ends.constFind(key);
            for (int mail = ends == m_ends.cend() ? -1 : ends->first; mail >= 0; mail = m_next[size_t(mail)])
                visit(mail);
        }

    private:
        QHash<QString, std::pair<int, int>> m_ends;
        std::vector<int> m_next;
    };
    KeyIndex m_withID, m_withSender, m_withDomain, m_withServer;
    mutable std::vector<Place> m_places;
    mutable bool m_placesValid = false;
    // The sidebar asks every view's count after each change: one pass gives them all, kept
    // until the items or the places change.
    struct Tally {
        std::optional<QString> account;
        QSet<QString> hidden;
        QHash<int, int> unread;  // by view number
        int scam = 0;
    };
    const Tally& tally(const std::optional<QString>& account) const;
    mutable std::optional<Tally> m_tally;
    mutable std::optional<int> m_newCount;
    // The searched fields are folded on a thread of their own whenever the items change, from
    // the snapshot, which nothing changes: neither the start nor the end of a check waits for
    // it, and the first search after takes the result, waiting only if it comes that soon.
    // Then the matches of the last query, newest first, for every account, until the items, the
    // bodies or the server hits change.
    const MailSearchIndex& searchIndex() const;
    mutable MailSearchIndex m_searchIndex;
    mutable QFuture<MailSearchIndex> m_folding;
    mutable QHash<QString, QString> m_foldedBodies;
    mutable std::optional<std::pair<QString, std::vector<int>>> m_searchMatches;
    bool m_cacheDirty = false;     // an item changed since cache.json was written
    bool m_stateUnreadable = false;  // state.json exists but did not decode: keep it
    std::atomic<bool> m_cacheWriteFailed = false;  // set by the writer: try again next save
    QThreadPool m_folder;  // one fold at a time
    QThreadPool m_writer;  // declared last: it finishes its writes before the rest goes
};
