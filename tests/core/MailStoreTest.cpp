#include "core/Account.h"
#include "core/AppIdentity.h"
#include "core/MailStore.h"
#include "core/Prefs.h"
#include "support/TemporaryHome.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString accountA = QStringLiteral("AAAA");
const QString accountB = QStringLiteral("BBBB");
const QDateTime base(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);

MailItem received(const QString& key, const QString& from, int minutes, bool seen = false,
                  std::optional<QString> ip = std::nullopt, const QString& account = accountA)
{
    MailItem m;
    m.accountID = account;
    m.uid = minutes + 1;
    m.messageID = "<" + key + "@test>";
    m.fromName = key;
    m.fromEmail = from;
    m.subject = "about " + key;
    m.date = base.addSecs(60 * minutes);
    m.seen = seen;
    m.toName = QString();
    m.toEmail = QStringLiteral("me@own.example");
    m.ip = ip;
    return m;
}

// a and a2 share a sender, a and c a sending server; b is read; s was sent by the user.
std::vector<MailItem> fixture()
{
    MailItem s = received("s", "me@shop.example", 5, true);
    s.mailbox = QStringLiteral("Sent");
    s.ip.reset();
    return {received("a", "Alice@Shop.example", 1, false, "203.0.113.5"), received("a2", "alice@shop.example", 2),
            received("b", "bob@shop.example", 3, true), received("c", "carol@other.example", 4, false, "203.0.113.5"), s};
}

Account account(const QString& id, const QString& email)
{
    return {id, email, "Me", "imap.own.example", 993, email, "smtp.own.example", 465, email};
}

QString dataFile(const QString& name)
{
    return AppIdentity::dataFolder() + "/" + name;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Where each fixture mail shows: its view number, or "-" when only the search finds it.
QString places(const MailStore& store)
{
    QStringList result;
    for (const MailItem& mail : fixture()) {
        QString where = "-";
        for (int view : {0, 1, 2, 3, 4, 5, 8, 9}) {
            const MailList shown = store.items(view);
            if (std::find(shown.begin(), shown.end(), mail) != shown.end())
                where = QString::number(view);
        }
        result.append(mail.fromName + ":" + where);
    }
    return result.join(' ');
}

// Runs "verb mail [argument]" steps, separated by ";", against the fixture.
void run(MailStore& store, const QString& script)
{
    const std::vector<MailItem> mails = fixture();
    const auto find = [&mails](const QString& key) {
        return *std::find_if(mails.begin(), mails.end(), [&key](const MailItem& m) { return m.fromName == key; });
    };
    for (const QString& step : script.split(';', Qt::SkipEmptyParts)) {
        const QStringList words = step.simplified().split(' ');
        const QString& verb = words[0];
        if (verb == "unblock") {
            store.unblock({words[1] == "ip" ? "server ip" : words[1], words[2]});
            continue;
        }
        const MailItem mail = find(words[1]);
        if (verb == "assign")
            store.assign(mail, words[2].toInt());
        else if (verb == "done")
            store.markDone(mail);
        else if (verb == "trust")
            store.trust(mail);
        else if (verb == "scam")
            store.markScam(mail);
        else if (verb == "notScam")
            store.notScam(mail);
        else if (verb == "blockDomain")
            store.blockDomain(mail);
        else if (verb == "blockIP")
            store.blockIP(mail);
        else if (verb == "blockSender")
            store.blockSender(mail);
        else if (verb == "backToIn")
            store.backToIn(mail);
        else
            QFAIL(qPrintable("unknown step " + step));
    }
}

}  // namespace

class MailStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void triage_data();
    void triage();
    void viewsAreNewestFirstAndStable();
    void searchView_data();
    void searchView();
    void accountsFilterAndHide();
    void changeSequenceSavesBeforeTelling();
    void changesOnManyMailsAreOneChange();
    void sharedAndOwnDomainsAreNotBlocked_data();
    void sharedAndOwnDomainsAreNotBlocked();
    void blocksAndCaught();
    void replaceAnnouncesOnlyNewArrivals();
    void loadFile_data();
    void loadFile();

private:
    TemporaryHome m_home;
};

void MailStoreTest::initTestCase()
{
    QVERIFY(m_home.isValid());
}

// Server searches started by the search rows end on their own once their store is gone.
void MailStoreTest::cleanupTestCase()
{
    QTest::qWait(800);
}

void MailStoreTest::init()
{
    Prefs::shared().setAccounts({account(accountA, "me@own.example"), account(accountB, "second@own.example")});
    Prefs::shared().setHiddenAccounts({});
    QFile::remove(dataFile("state.json"));
    QFile::remove(dataFile("cache.json"));
}

void MailStoreTest::triage_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("places");
    QTest::addColumn<int>("newCount");

    QTest::newRow("untouched") << "" << "a:0 a2:0 b:0 c:0 s:8" << 3;
    QTest::newRow("done hides") << "done a" << "a:- a2:0 b:0 c:0 s:8" << 2;
    QTest::newRow("done mail assigned comes back") << "done a; assign a 2" << "a:2 a2:0 b:0 c:0 s:8" << 3;
    QTest::newRow("assign 0 files back into IN") << "assign a 4; assign a 0" << "a:0 a2:0 b:0 c:0 s:8" << 3;
    QTest::newRow("scam loses its drawer") << "assign a 3; scam a" << "a:9 a2:9 b:0 c:0 s:8" << 1;
    QTest::newRow("not scam returns to IN") << "assign a 3; scam a; notScam a" << "a:0 a2:0 b:0 c:0 s:8" << 3;
    QTest::newRow("assign keeps the scam mark") << "scam a; assign a 2" << "a:9 a2:9 b:0 c:0 s:8" << 1;
    QTest::newRow("scam sender outranks trust") << "scam a; trust a2" << "a:9 a2:9 b:0 c:0 s:8" << 1;
    QTest::newRow("blocked domain through another mail")
        << "assign a 3; blockDomain b" << "a:9 a2:9 b:9 c:0 s:8" << 1;
    QTest::newRow("unblocked domain restores the drawer")
        << "assign a 3; blockDomain b; unblock domain shop.example" << "a:3 a2:0 b:0 c:0 s:8" << 3;
    QTest::newRow("trust outranks a blocked domain") << "trust a; blockDomain b" << "a:0 a2:0 b:9 c:0 s:8" << 3;
    QTest::newRow("not scam trusts a domain-caught sender")
        << "blockDomain b; notScam a" << "a:0 a2:0 b:9 c:0 s:8" << 3;
    QTest::newRow("blocked server catches every mail from it") << "blockIP c" << "a:9 a2:0 b:0 c:9 s:8" << 1;
    QTest::newRow("trust outranks a blocked server") << "trust a; blockIP c" << "a:0 a2:0 b:0 c:9 s:8" << 2;
    QTest::newRow("unblocked server clears its marks") << "blockIP c; unblock ip 203.0.113.5" << "a:0 a2:0 b:0 c:0 s:8" << 3;
    QTest::newRow("sent mail stays in OUT whatever is blocked") << "blockDomain a; scam s" << "a:9 a2:9 b:9 c:0 s:8" << 1;
    QTest::newRow("without a known server nothing is blocked") << "blockIP a2; blockIP s" << "a:0 a2:0 b:0 c:0 s:8" << 3;
    QTest::newRow("blocking a trusted sender takes the trust") << "trust a; blockSender a2" << "a:9 a2:9 b:0 c:0 s:8" << 1;
    QTest::newRow("back to IN from a drawer") << "assign a 3; backToIn a" << "a:0 a2:0 b:0 c:0 s:8" << 3;
    QTest::newRow("back to IN of a done mail") << "done b; backToIn b" << "a:0 a2:0 b:0 c:0 s:8" << 3;
    QTest::newRow("back to IN from ENTROPY trusts the sender")
        << "blockDomain b; backToIn b" << "a:9 a2:9 b:0 c:0 s:8" << 1;
}

void MailStoreTest::triage()
{
    QFETCH(QString, script);
    QFETCH(QString, places);
    QFETCH(int, newCount);
    MailStore store;
    store.replace(accountA, fixture());
    QCOMPARE(store.unreadCount(0) + store.unreadCount(9), 3);  // counts taken before the steps must not outlive them
    run(store, script);
    QCOMPARE(::places(store), places);
    QCOMPARE(store.newCount(), newCount);
    int unreadFiled = 0;
    const MailStore::Counts counts = store.counts();
    for (int drawer = 0; drawer <= 5; ++drawer) {
        unreadFiled += store.unreadCount(drawer);
        QCOMPARE(counts.unread[size_t(drawer)], store.unreadCount(drawer));
    }
    QCOMPARE(counts.entropy, int(store.items(MailStore::entropyView).size()));
    QCOMPARE(unreadFiled, newCount);
    for (const MailItem& mail : store.mails()) {
        if (!mail.mailbox)
            QCOMPARE(store.isScam(mail), places.contains(mail.fromName + ":9"));
    }
}

void MailStoreTest::viewsAreNewestFirstAndStable()
{
    MailStore store;
    std::vector<MailItem> mails = {received("old", "x@a.example", 1), received("tie1", "x@a.example", 7),
                                   received("new", "x@a.example", 9), received("tie2", "x@a.example", 7)};
    store.replace(accountA, mails);
    const MailList shown = store.items(0);
    const auto names = [](const MailList& list) {
        QStringList order;
        for (const MailItem& mail : list)
            order.append(mail.fromName);
        return order;
    };
    QCOMPARE(names(shown), QStringList({"new", "tie1", "tie2", "old"}));

    // A list on screen is not changed under the window's feet by the next check.
    store.replace(accountA, {received("other", "y@b.example", 3)});
    QCOMPARE(names(shown), QStringList({"new", "tie1", "tie2", "old"}));
    QCOMPARE(names(store.items(0)), QStringList({"other"}));
}

void MailStoreTest::searchView_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("found");
    // After a body was loaded and the next check replaced the items, without a new search.
    QTest::addColumn<QStringList>("foundLater");

    const QStringList all = {"s", "c", "b", "a2", "a", "zoë"};
    QTest::newRow("empty") << "" << QStringList() << QStringList();
    QTest::newRow("only blanks") << " \t " << QStringList() << QStringList();
    QTest::newRow("a lone accent folds to nothing") << QString(QChar(0x0308)) << QStringList() << QStringList();
    QTest::newRow("case and diacritics ignored") << "  ZOE " << QStringList({"zoë"}) << QStringList({"zoë"});
    QTest::newRow("decomposed query") << QString("zoe") + QChar(0x0308) << QStringList({"zoë"}) << QStringList({"zoë"});
    QTest::newRow("accented query, plain text") << "ÀBOUT Ç" << QStringList({"c"}) << QStringList();
    QTest::newRow("dotted capital I") << "istanbul" << QStringList() << QStringList({"d"});
    QTest::newRow("compatibility ligature") << QString(QChar(0xFB01)) + "nal" << QStringList() << QStringList({"d"});
    QTest::newRow("sharp s") << "STRASSE" << QStringList() << QStringList();
    QTest::newRow("sharp s in capitals") << "STRAẞE" << QStringList() << QStringList({"d"});
    QTest::newRow("sender address") << "other.example" << QStringList({"c"}) << QStringList();
    QTest::newRow("recipient") << "ME@OWN" << all << QStringList({"d", "s", "b", "a2", "a", "zoë"});
    QTest::newRow("done and sent mails are found") << "about" << all << QStringList({"d", "s", "b", "a2", "a", "zoë"});
    QTest::newRow("not across two fields") << "about aa" << QStringList() << QStringList();
    QTest::newRow("a loaded body is searched") << "attachment" << QStringList() << QStringList({"b"});
    QTest::newRow("hidden account") << "hidden" << QStringList() << QStringList();
}

void MailStoreTest::searchView()
{
    QFETCH(QString, query);
    QFETCH(QStringList, found);
    QFETCH(QStringList, foundLater);
    Prefs::shared().setHiddenAccounts({accountB});
    MailStore store;
    std::vector<MailItem> mails = fixture();
    mails.push_back(received("zoë", "z@elsewhere.example", 0));
    store.replace(accountA, mails);
    store.replace(accountB, {received("hidden", "h@elsewhere.example", 6, false, std::nullopt, accountB)});
    store.markDone(mails[0]);
    store.search(query);
    const auto names = [&store] {
        QStringList shown;
        int unread = 0;
        for (const MailItem& mail : store.items(MailStore::searchView)) {
            shown.append(mail.fromName);
            unread += !mail.seen;
        }
        // The unread count is of the same mails, and the account filter keeps account A's.
        if (store.unreadCount(MailStore::searchView) != unread || store.unreadCount(MailStore::searchView, accountA) != unread
            || !store.items(MailStore::searchView, accountB).empty())
            shown.append("<counts differ>");
        return shown;
    };
    QCOMPARE(names(), found);

    const MailItem b = mails[2];
    QVERIFY(store.loadFile("Message-ID: " + b.messageID.toUtf8() + "\r\n\r\nsee the Attachment\r\n", "b.eml"));
    std::erase_if(mails, [](const MailItem& m) { return m.fromName == "c"; });
    MailItem d = received("d", "dora@İstanbul.example", 7);
    d.subject = "about the ﬁnal STRAẞE";
    mails.push_back(d);
    store.replace(accountA, mails);
    QCOMPARE(names(), foundLater);
}

void MailStoreTest::accountsFilterAndHide()
{
    MailStore store;
    store.replace(accountA, {received("a", "x@a.example", 1)});
    store.replace(accountB, {received("b", "y@b.example", 2, false, std::nullopt, accountB)});
    QCOMPARE(store.items(0, accountB).size(), size_t(1));
    QCOMPARE(store.unreadCount(0, accountB), 1);
    QSignalSpy refused(&store, &MailStore::refused);

    store.toggleAccount(accountB);
    QCOMPARE(Prefs::shared().hiddenAccounts(), QStringList({accountB}));
    QCOMPARE(store.items(0).size(), size_t(1));
    QCOMPARE(store.unreadCount(0, accountB), 0);
    QCOMPARE(store.counts().unread[0], 1);  // the sidebar leaves hidden mail out too
    QCOMPARE(store.newCount(), 2);  // hidden mail still counts on the badge

    store.toggleAccount(accountA);  // the last visible one
    QCOMPARE(refused.size(), 1);
    QCOMPARE(Prefs::shared().hiddenAccounts(), QStringList({accountB}));

    store.toggleAccount(accountB);
    QCOMPARE(Prefs::shared().hiddenAccounts(), QStringList());
    QCOMPARE(store.items(0).size(), size_t(2));
}

void MailStoreTest::changeSequenceSavesBeforeTelling()
{
    MailStore store;
    store.replace(accountA, fixture());
    QByteArray seenOnDisk;
    QObject context;
    NotificationCenter::shared().observe(MailStore::changed, &context,
                                         [&seenOnDisk, &store](QObject*) {
                                             store.finishSaving();  // the save was under way already
                                             seenOnDisk = readAll(dataFile("state.json"));
                                         });
    store.assign(fixture()[2], 5);
    QVERIFY2(seenOnDisk.contains("\"AAAA|<b@test>\":5"), seenOnDisk.constData());
}

void MailStoreTest::changesOnManyMailsAreOneChange()
{
    MailStore store;
    store.replace(accountA, fixture());
    int posts = 0;
    QObject context;
    NotificationCenter::shared().observe(MailStore::changed, &context, [&posts](QObject*) { ++posts; });
    const std::vector<MailItem> mails = fixture();
    store.changeAll([&] {
        for (const MailItem& mail : mails)
            store.assign(mail, 2);
        store.changeAll([&] { store.markDone(mails[0]); });
        QCOMPARE(posts, 0);  // nothing is told before the whole change is made
    });
    QCOMPARE(posts, 1);
    QCOMPARE(store.items(2).size(), size_t(3));
    store.finishSaving();
    QVERIFY(readAll(dataFile("state.json")).contains("\"AAAA|<c@test>\":2"));

    store.changeAll([&] { store.blockIP(mails[1]); });  // no server known: nothing changes
    QCOMPARE(posts, 1);
    store.blockSender(mails[2]);
    store.backToIn(mails[2]);
    QCOMPARE(posts, 3);  // each a single change
}

void MailStoreTest::sharedAndOwnDomainsAreNotBlocked_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<bool>("blockable");

    QTest::newRow("ordinary domain") << "sales@shop.example" << true;
    QTest::newRow("shared provider") << "someone@GMAIL.com" << false;
    QTest::newRow("german provider") << "someone@web.de" << false;
    QTest::newRow("own domain") << "colleague@own.example" << false;
    QTest::newRow("no address") << "" << false;
}

void MailStoreTest::sharedAndOwnDomainsAreNotBlocked()
{
    QFETCH(QString, from);
    QFETCH(bool, blockable);
    MailStore store;
    const MailItem mail = received("m", from, 1);
    store.replace(accountA, {mail});
    store.save();
    store.finishSaving();
    const QByteArray before = readAll(dataFile("state.json"));
    QCOMPARE(store.canBlockDomain(mail), blockable);
    store.blockDomain(mail);
    store.finishSaving();
    QCOMPARE(store.isScam(mail), blockable);
    if (!blockable)
        QCOMPARE(readAll(dataFile("state.json")), before);
}

void MailStoreTest::blocksAndCaught()
{
    MailStore store;
    store.replace(accountA, fixture());
    const std::vector<MailItem> mails = fixture();
    store.blockIP(mails[3]);
    store.blockDomain(mails[2]);
    store.markScam(mails[3]);
    using Block = MailStore::Block;
    QCOMPARE(store.blocks(), std::vector<Block>({{"address", "carol@other.example"}, {"domain", "shop.example"},
                                                 {"server ip", "203.0.113.5"}}));
    QCOMPARE(store.caughtDomain("shop.example"), 3);  // the sent mail does not count
    QCOMPARE(store.caughtIP("203.0.113.5"), 2);
    store.unblock({"domain", "shop.example"});
    QCOMPARE(store.state().scam, QSet<QString>({mails[3].id()}));
}

void MailStoreTest::replaceAnnouncesOnlyNewArrivals()
{
    MailStore store;
    QCOMPARE(store.replace(accountA, fixture()).size(), size_t(0));  // first fetch: nothing is new
    store.blockDomain(fixture()[0]);
    store.trust(fixture()[3]);

    std::vector<MailItem> next = fixture();
    next.push_back(received("new", "fresh@new.example", 10));
    next.push_back(received("read", "fresh@new.example", 11, true));
    next.push_back(received("blocked", "eve@shop.example", 12));
    next.push_back(received("trusted", "carol@other.example", 13));
    MailItem sent = received("sent", "me@own.example", 14);
    sent.mailbox = QStringLiteral("Sent");
    next.push_back(sent);
    QStringList announced;
    for (const MailItem& mail : store.replace(accountA, next))
        announced.append(mail.fromName);
    QCOMPARE(announced, QStringList({"new", "trusted"}));
    QCOMPARE(store.mails().size(), next.size());
}

void MailStoreTest::loadFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("id");  // empty: no item

    QTest::newRow("with Message-ID") << QByteArray("From: A <a@x.example>\r\nMessage-ID: <m1@x>\r\nSubject: hi\r\n\r\nbody\r\n")
                                     << "AAAA|<m1@x>";
    QTest::newRow("without Message-ID") << QByteArray("From: a@x.example\nSubject: hi\n\nbody\n") << "AAAA|file:saved.eml";
    QTest::newRow("no header line") << QByteArray("just some text\nwithout colon\n\nmore: text\n") << "";
    QTest::newRow("starts with a blank line") << QByteArray("\n\nFrom: a@x.example\n") << "";
}

void MailStoreTest::loadFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, id);
    MailStore store;
    const std::optional<MailItem> item = store.loadFile(file, "saved.eml");
    QCOMPARE(item ? item->id() : QString(), id);
    if (item) {
        QVERIFY(item->seen);
        QVERIFY(store.mails().empty());
    }
}

QTEST_GUILESS_MAIN(MailStoreTest)
#include "MailStoreTest.moc"
