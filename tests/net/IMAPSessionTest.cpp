#include "core/Account.h"
#include "net/ConnectionTesting.h"
#include "net/IMAPSession.h"
#include "net/MailError.h"
#include "support/DovecotServer.h"

#include <QTest>

namespace {

QByteArray message(const QString& tag, int n, const QString& word = {})
{
    return QStringLiteral("From: Sender <s%2@example.org>\r\nTo: Me <me@example.org>\r\nSubject: %1 %2\r\n"
                          "Message-ID: <%1-%2@lumara.test>\r\n\r\nbody %3\r\n")
        .arg(tag)
        .arg(n)
        .arg(word)
        .toUtf8();
}

QStringList subjects(const std::vector<MailItem>& items)
{
    QStringList list;
    for (const MailItem& item : items)
        list.append(item.subject);
    return list;
}

QStringList range(const QString& tag, int from, int to)
{
    QStringList list;
    for (int n = from; n <= to; ++n)
        list.append(tag + " " + QString::number(n));
    return list;
}

}  // namespace

class IMAPSessionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void fetchInbox_data();
    void fetchInbox();
    void fetchInboxWithoutSentMailbox();
    void fetchInboxFailsOnWrongPassword();
    void test_data();
    void test();
    void search();

private:
    Account account(const QString& user, const DovecotServer& server) const;

    DovecotServer m_dovecot;
    DovecotServer m_plainDovecot;  // no special-use mailboxes, no Sent
};

void IMAPSessionTest::initTestCase()
{
    QVERIFY2(m_dovecot.start({{"big", "pw"}, {"sender", "pw"}, {"dave@example.org", "pw"}}), qPrintable(m_dovecot.error()));
    QVERIFY2(m_plainDovecot.start({{"plain", "pw"}}, false), qPrintable(m_plainDovecot.error()));
    ConnectionTesting::trustCertificates({m_dovecot.authority(), m_plainDovecot.authority()});
    for (int n = 1; n <= 150; ++n)
        m_dovecot.deliver("big", "INBOX", message("in", n, n == 10 ? "needle" : ""), n <= 100);
    for (int n = 1; n <= 250; ++n)
        m_dovecot.deliver("big", "Sent", message("out", n, n == 42 ? "needle" : ""), true);
    m_dovecot.createMailbox("sender", "INBOX");
    for (int n = 1; n <= 230; ++n)
        m_dovecot.deliver("sender", "Sent", message("out", n), true);
    for (int n = 1; n <= 5; ++n)
        m_plainDovecot.deliver("plain", "INBOX", message("in", n, "needle"));
    m_plainDovecot.createMailbox("plain", "Archive");
}

Account IMAPSessionTest::account(const QString& user, const DovecotServer& server) const
{
    return {"ACC-" + user, user.contains('@') ? user : user + "@example.org", user, server.host(), DovecotServer::tlsPort,
            user, server.host(), 465, user};
}

void IMAPSessionTest::fetchInbox_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QStringList>("inbox");
    QTest::addColumn<QStringList>("sent");

    const QStringList newestSent = range("out", 51, 250);
    QTest::newRow("limit 0 takes all") << "big" << 0 << range("in", 1, 150) << newestSent;
    QTest::newRow("limit 100 takes the newest") << "big" << 100 << range("in", 51, 150) << newestSent;
    QTest::newRow("limit above the count") << "big" << 1000 << range("in", 1, 150) << newestSent;
    QTest::newRow("empty INBOX, full Sent") << "sender" << 100 << QStringList() << range("out", 31, 230);
}

void IMAPSessionTest::fetchInbox()
{
    QFETCH(QString, user);
    QFETCH(int, limit);
    QFETCH(QStringList, inbox);
    QFETCH(QStringList, sent);
    const std::vector<MailItem> items = IMAPSession::fetchInbox(account(user, m_dovecot), "pw", limit);
    QCOMPARE(subjects(items), inbox + sent);
    if (!inbox.isEmpty()) {
        const MailItem& first = items.front();
        QCOMPARE(first.mailbox, std::nullopt);
        QCOMPARE(first.seen, first.uid <= 100);
        QCOMPARE(first.accountID, "ACC-" + user);
        QCOMPARE(first.id(), "ACC-" + user + "|<" + QString(first.subject).replace(' ', '-') + "@lumara.test>");
    }
    const MailItem& last = items.back();
    QCOMPARE(last.mailbox, QString("Sent"));
    QCOMPARE(last.displayFrom(), QString("→ Me"));
    QVERIFY(last.id().startsWith("out|"));
}

void IMAPSessionTest::fetchInboxWithoutSentMailbox()
{
    const std::vector<MailItem> items = IMAPSession::fetchInbox(account("plain", m_plainDovecot), "pw", 0);
    QCOMPARE(subjects(items), range("in", 1, 5));
}

void IMAPSessionTest::fetchInboxFailsOnWrongPassword()
{
    try {
        IMAPSession::fetchInbox(account("big", m_dovecot), "wrong", 0);
        QFAIL("a wrong password fetched mail");
    } catch (const MailError& e) {
        QVERIFY2(e.description().contains("Authentication failed"), qPrintable(e.description()));
    }
}

void IMAPSessionTest::test_data()
{
    QTest::addColumn<QString>("imapUser");
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("worked");  // empty: both fail

    QTest::newRow("user name equals address: one attempt") << "dave@example.org" << "dave@example.org" << "dave@example.org";
    QTest::newRow("only the full address logs in") << "dave" << "dave@example.org" << "dave@example.org";
    QTest::newRow("both refused: second attempt's error") << "nobody" << "nobody@example.org" << "";
}

void IMAPSessionTest::test()
{
    QFETCH(QString, imapUser);
    QFETCH(QString, email);
    QFETCH(QString, worked);
    Account a = account(imapUser, m_dovecot);
    a.email = email;
    try {
        QCOMPARE(IMAPSession::test(a, "pw"), worked);
    } catch (const MailError& e) {
        QVERIFY(worked.isEmpty());
        QVERIFY2(e.description().startsWith("NO"), qPrintable(e.description()));
    }
}

void IMAPSessionTest::search()
{
    using Hits = std::vector<IMAPSession::SearchHit>;
    QCOMPARE(IMAPSession::search(account("big", m_dovecot), "pw", "needle"),
             Hits({{std::nullopt, 10}, {QString("Sent"), 42}}));
    QCOMPARE(IMAPSession::search(account("plain", m_plainDovecot), "pw", "needle").size(), size_t(5));
    QVERIFY(IMAPSession::search(account("big", m_dovecot), "pw", "absent-word").empty());
}

QTEST_GUILESS_MAIN(IMAPSessionTest)
#include "IMAPSessionTest.moc"
