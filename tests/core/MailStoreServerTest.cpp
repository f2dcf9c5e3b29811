#include "core/Account.h"
#include "core/Keychain.h"
#include "core/MailStore.h"
#include "core/Prefs.h"
#include "net/ConnectionTesting.h"
#include "net/IMAPSession.h"
#include "support/DovecotServer.h"
#include "support/KeyringSession.h"
#include "support/TaskRunner.h"
#include "support/TemporaryHome.h"

#include <QTest>

namespace {

QByteArray message(const QString& key, const QString& body = QStringLiteral("hello"))
{
    return QStringLiteral("From: Sender <%1@sender.example>\r\nTo: Me <me@example.org>\r\nSubject: mail %1\r\n"
                          "Message-ID: <%1@lumara.test>\r\n\r\n%2\r\n")
        .arg(key, body)
        .toUtf8();
}

}  // namespace

// Deleting, reading and searching on a private Dovecot, each result also seen from a second
// connection of its own.
class MailStoreServerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void deleteMovesIntoTheTrash();
    void bodySetsSeenOnlyWhenAsked();
    void rawGivesTheExactBytes();
    void serverSearchFindsBodyWords();
    void bodyFailures_data();
    void bodyFailures();

private:
    Account account(const QString& user) const
    {
        return {"ACC-" + user.toUpper(), user + "@example.org", user, m_dovecot.host(), DovecotServer::tlsPort, user,
                m_dovecot.host(), 465, user};
    }
    MailItem stored(const QString& user, const QString& key) const
    {
        return m_store.mail(account(user).id + "|<" + key + "@lumara.test>").value_or(MailItem());
    }
    qint64 count(const QString& user, const QString& mailbox);
    bool seenOnServer(const QString& user, const QString& key);

    TemporaryHome m_home;
    KeyringSession m_keyring{KeyringSession::Keyring::Unlocked};
    DovecotServer m_dovecot;
    MailStore m_store;
    QByteArray m_readerMail = message("letter", "a needle in the body");
};

void MailStoreServerTest::initTestCase()
{
    const QString failure = m_keyring.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_keyring.busAddress().toUtf8());
    QVERIFY2(m_dovecot.start({{"del", "pw"}, {"nopw", "pw"}, {"reader", "pw"}}), qPrintable(m_dovecot.error()));
    ConnectionTesting::trustCertificates({m_dovecot.authority()});
    Keychain::set("pw", account("del").id);
    Keychain::set("pw", account("reader").id);
    m_dovecot.deliver("del", "INBOX", message("d1"));
    m_dovecot.deliver("del", "INBOX", message("d2"));
    m_dovecot.deliver("del", "INBOX", message("kept"));
    m_dovecot.deliver("del", "Sent", message("sent"), true);
    m_dovecot.deliver("nopw", "INBOX", message("n1"));
    m_dovecot.deliver("reader", "INBOX", m_readerMail);
    m_dovecot.deliver("reader", "INBOX", message("other"));
    m_dovecot.deliver("reader", "INBOX", message("hidden", "only a zebra in here"));

    Prefs::shared().setAccounts({account("del"), account("nopw"), account("reader")});
    for (const QString user : {"del", "reader"})
        m_store.replace(account(user).id, IMAPSession::fetchInbox(account(user), "pw", 0));
    m_store.replace(account("nopw").id, {MailItem::fromFetched(account("nopw"), {1, {}, std::nullopt, message("n1")}, std::nullopt)});
}

qint64 MailStoreServerTest::count(const QString& user, const QString& mailbox)
{
    const std::unique_ptr<IMAPClient> client = IMAPSession::connect(account(user), "pw");
    const qint64 exists = client->select(mailbox);
    client->logout();
    return exists;
}

bool MailStoreServerTest::seenOnServer(const QString& user, const QString& key)
{
    for (const MailItem& item : IMAPSession::fetchInbox(account(user), "pw", 0)) {
        if (item.subject == "mail " + key)
            return item.seen;
    }
    return false;
}

void MailStoreServerTest::deleteMovesIntoTheTrash()
{
    m_store.markScam(stored("del", "d1"));
    const std::vector<MailItem> chosen = {stored("del", "d1"), stored("nopw", "n1"),
                                          *m_store.mail("out|" + account("del").id + "|<sent@lumara.test>"),
                                          stored("del", "d2")};
    const TaskOutcome<std::optional<QString>> outcome = runTask(m_store.deleteMails(chosen));
    QVERIFY(outcome.finished);
    QCOMPARE(outcome.value->value_or("none"), QString("nopw@example.org: no password in the keychain"));
    QVERIFY(!m_store.mail(stored("del", "d1").id()) && !m_store.mail(account("del").id + "|<d2@lumara.test>"));
    QVERIFY(m_store.mail(stored("nopw", "n1").id()));
    QVERIFY(m_store.mail("out|" + account("del").id + "|<sent@lumara.test>"));
    QVERIFY(!m_store.state().scam.contains(account("del").id + "|<d1@lumara.test>"));
    QCOMPARE(count("del", "INBOX"), 1);
    QCOMPARE(count("del", "Trash"), 2);
    QCOMPARE(count("del", "Sent"), 1);
}

void MailStoreServerTest::bodySetsSeenOnlyWhenAsked()
{
    const MailItem letter = stored("reader", "letter");
    const TaskOutcome<MIME::Parsed> preview = runTask(m_store.body(letter, false));
    QCOMPARE(preview.error, QString());
    QCOMPARE(preview.value->text.trimmed(), QString("a needle in the body"));
    QVERIFY(!seenOnServer("reader", "letter"));
    QVERIFY(!stored("reader", "letter").seen);
    const int unread = m_store.newCount();

    const TaskOutcome<MIME::Parsed> reading = runTask(m_store.body(letter, true));
    QCOMPARE(reading.value->text, preview.value->text);
    QVERIFY(seenOnServer("reader", "letter"));
    QVERIFY(stored("reader", "letter").seen);
    QCOMPARE(m_store.newCount(), unread - 1);
}

void MailStoreServerTest::rawGivesTheExactBytes()
{
    const TaskOutcome<QByteArray> raw = runTask(m_store.raw(stored("reader", "letter")));
    QCOMPARE(raw.error, QString());
    QCOMPARE(*raw.value, m_readerMail);
}

void MailStoreServerTest::serverSearchFindsBodyWords()
{
    m_store.search("zebra");
    QVERIFY(m_store.items(MailStore::searchView).empty());  // the body was never loaded
    QVERIFY(QTest::qWaitFor([this] { return !m_store.serverHits().isEmpty(); }, 20000));
    const MailList found = m_store.items(MailStore::searchView);
    QCOMPARE(found.size(), size_t(1));
    QCOMPARE(found[0].subject, QString("mail hidden"));

    m_store.search("zebra");
    m_store.search(QString::fromUtf8("nädel"));  // local only, and it cancels the search before
    QTest::qWait(1500);
    QVERIFY(m_store.serverHits().isEmpty());
    QVERIFY(m_store.items(MailStore::searchView).empty());
}

void MailStoreServerTest::bodyFailures_data()
{
    QTest::addColumn<QString>("accountID");
    QTest::addColumn<qint64>("uid");
    QTest::addColumn<QString>("error");

    QTest::newRow("account gone") << "GONE" << qint64(1) << "unexpected answer: account missing";
    QTest::newRow("no password") << account("nopw").id << qint64(1) << "no password in keychain";
    QTest::newRow("vanished message") << account("reader").id << qint64(999) << "unexpected answer: message 999 not found";
}

void MailStoreServerTest::bodyFailures()
{
    QFETCH(QString, accountID);
    QFETCH(qint64, uid);
    QFETCH(QString, error);
    MailItem mail = stored("reader", "other");
    mail.accountID = accountID;
    mail.uid = uid;
    const TaskOutcome<MIME::Parsed> body = runTask(m_store.body(mail, true));
    QVERIFY(body.finished);
    QCOMPARE(body.error, error);
    const TaskOutcome<QByteArray> raw = runTask(m_store.raw(mail));
    QCOMPARE(raw.error, error);
}

QTEST_GUILESS_MAIN(MailStoreServerTest)
#include "MailStoreServerTest.moc"
