#include "net/ConnectionTesting.h"
#include "net/IMAPClient.h"
#include "net/MailError.h"
#include "net/PlatformError.h"
#include "support/DovecotServer.h"

#include <QTest>

namespace {

const QString alicePassword = "pa\"ss\\word";
constexpr int inboxSize = 30;

QByteArray message(int n)
{
    return QStringLiteral("Received: from mx.example.org by imap.example.org\r\n"
                          "From: Sender %1 <sender%1@example.org>\r\n"
                          "To: alice@example.org\r\n"
                          "Subject: message %1\r\n"
                          "Message-ID: <m%1@lumara.test>\r\n"
                          "X-Not-Fetched: %1\r\n"
                          "\r\n"
                          "body word%1x\r\n.line with a dot\r\n")
        .arg(n)
        .toUtf8();
}

QStringList subjects(const std::vector<FetchedHeader>& headers)
{
    QStringList list;
    for (const FetchedHeader& h : headers) {
        const qsizetype at = h.headers.indexOf("Subject: ");
        list.append(QString::fromUtf8(h.headers.mid(at + 9, h.headers.indexOf('\r', at) - at - 9)));
    }
    return list;
}

}  // namespace

class IMAPClientTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void login_data();
    void login();
    void starttlsListenerRefusesPlainLogin();
    void untrustedCertificates_data();
    void untrustedCertificates();
    void fetchNewestHeaders_data();
    void fetchNewestHeaders();
    void fetchHeadersOfEmptyMailbox();
    void fetchWholeMessage();
    void fetchMissingMessage();
    void seenOnlyAfterMarkSeen();
    void mailboxDiscovery();
    void search();
    void moveToTrash();
    void append();
    void appendToMissingMailbox();
    void logoutNeverFails();

private:
    std::unique_ptr<IMAPClient> connect(const QString& user, const QString& password, int port = DovecotServer::tlsPort);
    QStringList flagsFromSecondConnection(const QString& user, const QString& password, qint64 uid);

    DovecotServer m_dovecot;
};

void IMAPClientTest::initTestCase()
{
    QVERIFY2(m_dovecot.start({{"alice", alicePassword}, {"carol", "carol-pw"}, {QString::fromUtf8("jürgen"), "j"}}),
             qPrintable(m_dovecot.error()));
    ConnectionTesting::trustCertificates({m_dovecot.authority()});
    const QDateTime base(QDate(2024, 7, 17), QTime(8, 0), Qt::UTC);
    for (int n = 1; n <= inboxSize; ++n)
        m_dovecot.deliver("alice", "INBOX", message(n), n % 2 == 0, base.addSecs(n * 60));
    m_dovecot.deliver("alice", "Sent", message(100), true);
    m_dovecot.createMailbox("alice", "Gesendet");
    m_dovecot.createMailbox("alice", "Empty");
    for (int n = 1; n <= 3; ++n)
        m_dovecot.deliver("carol", "INBOX", message(n));
}

void IMAPClientTest::cleanupTestCase()
{
    m_dovecot.stop();
}

std::unique_ptr<IMAPClient> IMAPClientTest::connect(const QString& user, const QString& password, int port)
{
    auto client = std::make_unique<IMAPClient>(m_dovecot.host(), port);
    client->open();
    client->login(user, password);
    return client;
}

QStringList IMAPClientTest::flagsFromSecondConnection(const QString& user, const QString& password, qint64 uid)
{
    auto other = connect(user, password);
    other->select("INBOX");
    QStringList flags;
    for (const IMAPResponse& r : other->command(QStringLiteral("UID FETCH %1 (FLAGS)").arg(uid))) {
        if (r.size() >= 3 && r[1].is(u"FETCH")) {
            for (size_t i = 0; i + 1 < r[2].items().size(); i += 2) {
                if (r[2].items()[i].is(u"FLAGS")) {
                    for (const IMAPValue& f : r[2].items()[i + 1].items())
                        flags.append(f.text().value_or(QString()));
                }
            }
        }
    }
    other->logout();
    return flags;
}

void IMAPClientTest::login_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("error");

    QTest::newRow("quote and backslash in password, TLS at once") << "alice" << alicePassword << 993 << "";
    QTest::newRow("after STARTTLS on 143") << "alice" << alicePassword << 143 << "";
    QTest::newRow("non-ASCII user name") << QString::fromUtf8("jürgen") << "j" << 993 << "";
    QTest::newRow("wrong password") << "alice" << "wrong" << 993 << "NO [AUTHENTICATIONFAILED] Authentication failed.";
}

void IMAPClientTest::login()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(int, port);
    QFETCH(QString, error);
    IMAPClient client(m_dovecot.host(), port);
    client.open();
    try {
        client.login(user, password);
        QVERIFY2(error.isEmpty(), "login succeeded with a wrong password");
        QCOMPARE(client.select("INBOX"), user == "alice" ? qint64(inboxSize) : 0);
    } catch (const MailError& e) {
        QCOMPARE(e.description(), error);
        // A refused command leaves the conversation usable.
        client.command("NOOP");
    }
    client.logout();
}

void IMAPClientTest::starttlsListenerRefusesPlainLogin()
{
    // Proves that the STARTTLS rows above really upgraded: this listener will not take a plain LOGIN.
    StreamConnection plain(m_dovecot.host(), DovecotServer::starttlsPort);
    QVERIFY(plain.readLine().contains("LOGINDISABLED"));
}

void IMAPClientTest::untrustedCertificates_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("reason");
    QTest::newRow("unknown authority") << m_dovecot.untrustedHost() << "issuer";
    QTest::newRow("certificate for another host") << m_dovecot.wrongNameHost() << "host name";
}

void IMAPClientTest::untrustedCertificates()
{
    QFETCH(QString, host);
    QFETCH(QString, reason);
    IMAPClient client(host, DovecotServer::tlsPort);
    try {
        client.open();
        QFAIL("an untrusted server was accepted");
    } catch (const PlatformError& e) {
        QVERIFY2(e.description().contains(reason, Qt::CaseInsensitive), qPrintable(e.description()));
    }
    QVERIFY_THROWS_EXCEPTION(std::exception, client.login("alice", alicePassword));
}

void IMAPClientTest::fetchNewestHeaders_data()
{
    QTest::addColumn<qint64>("last");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("newest 3") << qint64(3) << QStringList({"message 28", "message 29", "message 30"});
    QStringList all;
    for (int n = 1; n <= inboxSize; ++n)
        all.append(QStringLiteral("message %1").arg(n));
    QTest::newRow("more than the mailbox holds") << qint64(50) << all;
    QTest::newRow("exactly all") << qint64(inboxSize) << all;
}

void IMAPClientTest::fetchNewestHeaders()
{
    QFETCH(qint64, last);
    QFETCH(QStringList, expected);
    auto client = connect("alice", alicePassword);
    const qint64 exists = client->select("INBOX");
    const std::vector<FetchedHeader> headers = client->fetchHeaders(last, exists);
    client->logout();

    QCOMPARE(subjects(headers), expected);
    const FetchedHeader& newest = headers.back();
    QCOMPARE(newest.uid, qint64(inboxSize));
    QVERIFY(newest.flags.contains("\\Seen"));
    QVERIFY(!headers[headers.size() - 2].flags.contains("\\Seen"));
    QCOMPARE(newest.internalDate, QDateTime(QDate(2024, 7, 17), QTime(8, inboxSize), Qt::UTC));
    QVERIFY(newest.headers.startsWith("Received: from mx.example.org"));
    QVERIFY(newest.headers.contains("Message-ID: <m30@lumara.test>"));
    QVERIFY(!newest.headers.contains("X-Not-Fetched"));
}

void IMAPClientTest::fetchHeadersOfEmptyMailbox()
{
    auto client = connect("alice", alicePassword);
    QCOMPARE(client->select("Empty"), qint64(0));
    QVERIFY(client->fetchHeaders(100, 0).empty());
    client->logout();
}

void IMAPClientTest::fetchWholeMessage()
{
    auto client = connect("alice", alicePassword);
    client->select("INBOX");
    QCOMPARE(client->fetchMessage(7), message(7));
    client->logout();
}

void IMAPClientTest::fetchMissingMessage()
{
    auto client = connect("alice", alicePassword);
    client->select("INBOX");
    try {
        client->fetchMessage(9999);
        QFAIL("a missing message was delivered");
    } catch (const MailError& e) {
        QCOMPARE(e.description(), QString("unexpected answer: message 9999 not found"));
    }
    client->logout();
}

void IMAPClientTest::seenOnlyAfterMarkSeen()
{
    auto client = connect("alice", alicePassword);
    client->select("INBOX");
    client->fetchMessage(5);
    client->fetchHeaders(30, 30);
    QVERIFY(!flagsFromSecondConnection("alice", alicePassword, 5).contains("\\Seen"));
    client->markSeen(5);
    QVERIFY(flagsFromSecondConnection("alice", alicePassword, 5).contains("\\Seen"));
    client->logout();
}

void IMAPClientTest::mailboxDiscovery()
{
    auto client = connect("alice", alicePassword);
    QCOMPARE(client->sentMailbox(), QString("Sent"));
    QCOMPARE(client->trashMailbox(), QString("Trash"));
    const auto listing = client->command("LIST \"\" \"*\"");
    QVERIFY(std::any_of(listing.begin(), listing.end(), [](const IMAPResponse& r) {
        return r.size() >= 4 && r[3].is(u"Gesendet");
    }));
    client->logout();
}

void IMAPClientTest::search()
{
    auto client = connect("alice", alicePassword);
    client->select("INBOX");
    QCOMPARE(client->searchText("word17x"), std::vector<qint64>({17}));
    QCOMPARE(client->searchText("message 30"), std::vector<qint64>({30}));
    QVERIFY(client->searchText("nowhere-to-be-found").empty());
    QVERIFY(client->searchMessageID("<m12@lumara.test>"));
    QVERIFY(!client->searchMessageID("<unknown@lumara.test>"));
    client->logout();
}

void IMAPClientTest::moveToTrash()
{
    auto client = connect("carol", "carol-pw");
    QCOMPARE(client->select("INBOX"), qint64(3));
    client->moveToTrash({3, 1});
    client->moveToTrash({});
    client->logout();

    auto other = connect("carol", "carol-pw");
    QCOMPARE(other->select("INBOX"), qint64(1));
    QCOMPARE(subjects(other->fetchHeaders(10, 1)), QStringList({"message 2"}));
    const qint64 inTrash = other->select("Trash");
    QCOMPARE(subjects(other->fetchHeaders(10, inTrash)), QStringList({"message 1", "message 3"}));
    other->logout();
}

void IMAPClientTest::append()
{
    const QByteArray draft = "From: carol@example.org\r\nSubject: filed copy\r\nMessage-ID: <a1@lumara.test>\r\n\r\nhi\r\n";
    auto client = connect("carol", "carol-pw");
    client->append("Sent", draft);
    const qint64 count = client->select("Sent");
    QVERIFY(client->searchMessageID("<a1@lumara.test>"));
    const std::vector<FetchedHeader> headers = client->fetchHeaders(1, count);
    QCOMPARE(headers.size(), size_t(1));
    QVERIFY(headers[0].flags.contains("\\Seen"));
    QCOMPARE(client->fetchMessage(headers[0].uid), draft);
    client->logout();
}

void IMAPClientTest::appendToMissingMailbox()
{
    auto client = connect("carol", "carol-pw");
    try {
        client->append("No Such Box", "Subject: x\r\n\r\n");
        QFAIL("append to a missing mailbox succeeded");
    } catch (const MailError& e) {
        QVERIFY2(e.description().startsWith("NO"), qPrintable(e.description()));
    }
    QCOMPARE(client->select("INBOX") >= 0, true);
    client->logout();
}

void IMAPClientTest::logoutNeverFails()
{
    auto client = connect("alice", alicePassword);
    client->logout();
    client->logout();
    QVERIFY_THROWS_EXCEPTION(std::exception, client->select("INBOX"));
}

QTEST_GUILESS_MAIN(IMAPClientTest)
#include "IMAPClientTest.moc"
