#include "core/Account.h"
#include "core/AppIdentity.h"
#include "core/JsonSettingsFormat.h"
#include "core/Keychain.h"
#include "core/MailStore.h"
#include "core/Prefs.h"
#include "net/ConnectionTesting.h"
#include "support/DovecotServer.h"
#include "support/KeyringSession.h"
#include "support/ScriptedServer.h"
#include "support/TaskRunner.h"
#include "support/TemporaryHome.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

namespace {

QByteArray message(const QString& key)
{
    return QStringLiteral("From: Sender <%1@sender.example>\r\nTo: Me <me@example.org>\r\nSubject: mail %1\r\n"
                          "Message-ID: <%1@lumara.test>\r\n\r\nbody\r\n")
        .arg(key)
        .toUtf8();
}

MailItem oldItem(const QString& accountID)
{
    MailItem m;
    m.accountID = accountID;
    m.uid = 99;
    m.messageID = "<old-" + accountID + "@lumara.test>";
    m.fromEmail = QStringLiteral("old@sender.example");
    m.subject = QStringLiteral("old");
    m.date = QDateTime::currentDateTimeUtc().addDays(-3);
    return m;
}

template <typename Mails>
QStringList subjects(const Mails& items, const QString& accountID = {})
{
    QStringList list;
    for (const MailItem& item : items) {
        if (accountID.isEmpty() || item.accountID == accountID)
            list.append(item.subject);
    }
    list.sort();
    return list;
}

}  // namespace

// The mail check against a private Dovecot, with passwords in a real keyring on a private bus.
class MailStoreRefreshTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void checksAccountAfterAccount();
    void overlappingCheckIsDropped();
    void tricklingServerEndsItsCheck();
    void loadLimit_data();
    void loadLimit();

private:
    Account account(const QString& user) const
    {
        return {"ACC-" + user.toUpper(), user + "@example.org", user, m_dovecot.host(), DovecotServer::tlsPort, user,
                m_dovecot.host(), 465, user};
    }

    TemporaryHome m_home;
    KeyringSession m_keyring{KeyringSession::Keyring::Unlocked};
    DovecotServer m_dovecot;
};

void MailStoreRefreshTest::initTestCase()
{
    const QString failure = m_keyring.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_keyring.busAddress().toUtf8());
    QVERIFY2(m_dovecot.start({{"one", "pw"}, {"two", "pw"}, {"three", "pw"}, {"many", "pw"}}), qPrintable(m_dovecot.error()));
    ConnectionTesting::trustCertificates({m_dovecot.authority()});
    Keychain::set("pw", account("one").id);
    Keychain::set("wrong", account("three").id);
    Keychain::set("pw", account("many").id);
    for (int n = 1; n <= 350; ++n)
        m_dovecot.deliver("many", "INBOX", message("many" + QString::number(n)), false,
                          QDateTime::currentDateTimeUtc().addSecs(n - 400));
}

void MailStoreRefreshTest::init()
{
    Prefs::shared().setAccounts({account("one"), account("two"), account("three")});
}

void MailStoreRefreshTest::checksAccountAfterAccount()
{
    MailStore store;
    store.replace(account("two").id, {oldItem(account("two").id)});
    store.replace(account("three").id, {oldItem(account("three").id)});
    m_dovecot.deliver("one", "INBOX", message("first"));
    m_dovecot.deliver("one", "INBOX", message("read"), true);
    m_dovecot.deliver("one", "Sent", message("sent"), true);
    QSignalSpy announced(&store, &MailStore::newMail);

    QVERIFY(runTask(store.refresh()).finished);
    QCOMPARE(store.problem().value_or("none"),
             QString("two@ no password \u00b7 three@ NO [AUTHENTICATIONFAILED] Authentication failed."));
    QCOMPARE(subjects(store.mails(), account("one").id), QStringList({"mail first", "mail read", "mail sent"}));
    QCOMPARE(subjects(store.mails(), account("two").id), QStringList({"old"}));
    QCOMPARE(subjects(store.mails(), account("three").id), QStringList({"old"}));
    QVERIFY(store.lastCheck());
    QVERIFY(!store.refreshing());
    QCOMPARE(announced.size(), 1);  // the first fetch of an account announces nothing
    QCOMPARE(announced[0][0].value<std::vector<MailItem>>().size(), size_t(0));
    store.finishSaving();
    const std::optional<std::vector<MailItem>> saved = MailCache::decode([] {
        QFile file(AppIdentity::dataFolder() + "/cache.json");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }());
    QVERIFY(saved && saved->size() == store.mails().size());

    const MailItem first = *store.mail(account("one").id + "|<first@lumara.test>");
    store.markDone(first);
    m_dovecot.deliver("one", "INBOX", message("second"));
    m_dovecot.deliver("one", "INBOX", message("second-read"), true);
    QVERIFY(runTask(store.refresh()).finished);
    QCOMPARE(announced.size(), 2);
    QCOMPARE(subjects(announced[1][0].value<std::vector<MailItem>>()), QStringList({"mail second"}));
    QCOMPARE(subjects(store.items(0, account("one").id)), QStringList({"mail read", "mail second", "mail second-read"}));

    Prefs::shared().setAccounts({account("one")});
    QVERIFY(runTask(store.refresh()).finished);
    QCOMPARE(store.problem().value_or("none"), QString("none"));  // the old line is gone
}

void MailStoreRefreshTest::overlappingCheckIsDropped()
{
    MailStore store;
    QCoro::Task<> running = store.refresh();
    QVERIFY(store.refreshing());
    QVERIFY(runTask(store.refresh(), 1000).finished);  // returns at once
    QVERIFY(store.refreshing());
    QVERIFY(!store.lastCheck());
    QVERIFY(runTask(std::move(running)).finished);
    QVERIFY(!store.refreshing());
    QVERIFY(store.lastCheck());
}

void MailStoreRefreshTest::tricklingServerEndsItsCheck()
{
    // A byte now and then keeps every read inside its time-out; the check must still end, or
    // every later check would be dropped as overlapping.
    TestCertificates certificates;
    QVERIFY2(certificates.isValid(), qPrintable(certificates.error()));
    ConnectionTesting::trustCertificates({certificates.authority()});
    ScriptedServer server([](ScriptedPeer& peer) {
        peer.send("* OK hi\r\n");
        peer.readLine();
        for (int n = 0; n < 200 && peer.send("*"); ++n)
            peer.pause(100);
    }, {certificates.issue("trickle", {"IP:127.0.0.1"}), true});
    const Account trickle{"ACC-TRICKLE", "trickle@example.org", "", server.host(), server.port(), "trickle",
                          server.host(), 465, "trickle"};
    Keychain::set("pw", trickle.id);
    Prefs::shared().setAccounts({trickle, account("one")});
    MailStore store;
    ConnectionTesting::setDeadline(std::chrono::milliseconds(1500));
    QElapsedTimer timer;
    timer.start();
    const bool finished = runTask(store.refresh(), 30000).finished;
    ConnectionTesting::setDeadline(std::chrono::minutes(30));
    QVERIFY(finished);
    QVERIFY(timer.elapsed() < 10000);
    QCOMPARE(store.problem().value_or("none"), QString("trickle@ unexpected answer: the server did not finish in time"));
    QVERIFY(!store.refreshing());
    QVERIFY(store.lastCheck());
}

void MailStoreRefreshTest::loadLimit_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("fetched");

    QTest::newRow("300") << QVariant(300) << 300;
    QTest::newRow("0 means all") << QVariant(0) << 350;
    QTest::newRow("not an integer: 1000") << QVariant("300") << 350;
}

void MailStoreRefreshTest::loadLimit()
{
    QFETCH(QVariant, stored);
    QFETCH(int, fetched);
    QSettings settings(Prefs::defaultFilePath(), JsonSettingsFormat::format());
    settings.setValue("loadLimit", stored);
    settings.sync();
    Prefs::shared().setAccounts({account("many")});
    MailStore store;
    store.replace(account("many").id, {oldItem(account("many").id)});
    QVERIFY(runTask(store.refresh()).finished);
    QCOMPARE(store.problem().value_or("none"), QString("none"));
    QCOMPARE(store.mails().size(), size_t(fetched));
    QCOMPARE(store.items(0).front().subject, QString("mail many350"));
}

QTEST_GUILESS_MAIN(MailStoreRefreshTest)
#include "MailStoreRefreshTest.moc"
