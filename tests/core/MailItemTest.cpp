#include "core/Account.h"
#include "core/MailItem.h"
#include "net/FetchedHeader.h"

#include <QJsonDocument>
#include <QTest>

namespace {

Account account()
{
    Account a;
    a.id = "a4";
    a.email = "me@example.org";
    return a;
}

FetchedHeader fetched(const QByteArray& headers, qint64 uid = 512, const QStringList& flags = {},
                      std::optional<QDateTime> internalDate = std::nullopt)
{
    return {uid, flags, internalDate, headers};
}

MailItem minimal()
{
    MailItem item;
    item.accountID = "a4";
    item.uid = 7;
    return item;
}

}  // namespace

class MailItemTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fields_data();
    void fields();
    void date();
    void senderChecksOnlyForReceivedMail();
    void jsonRoundTrip_data();
    void jsonRoundTrip();
    void jsonRejects_data();
    void jsonRejects();
    void jsonDateCountsFrom2001();
};

void MailItemTest::fields_data()
{
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<QStringList>("flags");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("displayFrom");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<bool>("seen");

    QTest::newRow("no Message-ID: id by UID") << QByteArray("From: a@b.example\r\n") << QStringList() << false
                                             << "a4|uid512" << "a@b.example" << "b.example" << false;
    QTest::newRow("sent copy without Message-ID") << QByteArray("To: x@y.example\r\n") << QStringList() << true
                                                 << "out|a4|uid512" << "→ x@y.example" << "" << false;
    QTest::newRow("Message-ID, name shown") << QByteArray("From: \"Ann Lee\" <ann@Mail.Example>\r\nMessage-ID: <m1@x>\r\n")
                                           << QStringList({"\\SEEN"}) << false << "a4|<m1@x>" << "Ann Lee" << "mail.example" << true;
    QTest::newRow("sent with named recipient, first of two")
        << QByteArray("Message-ID: <m2@x>\r\nTo: Bob <bob@x.example>, Carol <carol@x.example>\r\n")
        << QStringList({"\\Flagged"}) << true << "out|a4|<m2@x>" << "→ Bob" << "" << false;
    QTest::newRow("two at signs: domain after the last") << QByteArray("From: <a@b@C.example>\r\n") << QStringList()
                                                       << false << "a4|uid512" << "a@b@C.example" << "c.example" << false;
    QTest::newRow("seen in any letter case") << QByteArray("From: a@b.example\r\n") << QStringList({"\\Recent", "\\sEEn"})
                                            << false << "a4|uid512" << "a@b.example" << "b.example" << true;
    QTest::newRow("only what lower-cases to \\seen") << QByteArray("From: a@b.example\r\n")
                                                    << QStringList({"\\Seen2", QStringLiteral("\\\u017Feen"), "Seen"}) << false
                                                    << "a4|uid512" << "a@b.example" << "b.example" << false;
    QTest::newRow("no at sign: whole address") << QByteArray("From: Postmaster\r\n") << QStringList() << false << "a4|uid512"
                                             << "Postmaster" << "postmaster" << false;
}

void MailItemTest::fields()
{
    QFETCH(QByteArray, headers);
    QFETCH(QStringList, flags);
    QFETCH(bool, sent);
    QFETCH(QString, id);
    QFETCH(QString, displayFrom);
    QFETCH(QString, domain);
    QFETCH(bool, seen);
    const MailItem item = MailItem::fromFetched(account(), fetched(headers, 512, flags),
                                                sent ? std::optional<QString>("Sent") : std::nullopt);
    QCOMPARE(item.id(), id);
    QCOMPARE(item.displayFrom(), displayFrom);
    QCOMPARE(item.domain(), domain);
    QCOMPARE(item.seen, seen);
}

void MailItemTest::date()
{
    const QDateTime internal(QDate(2024, 7, 17), QTime(8, 1, 2), Qt::UTC);
    const QByteArray dated = "Date: Mon, 1 Jan 2024 10:00:00 +0000\r\n";
    QCOMPARE(MailItem::fromFetched(account(), fetched(dated, 1, {}, internal), std::nullopt).date, internal);
    QCOMPARE(MailItem::fromFetched(account(), fetched(dated), std::nullopt).date,
             QDateTime(QDate(2024, 1, 1), QTime(10, 0), Qt::UTC));
    const QDateTime before = QDateTime::currentDateTimeUtc();
    const QDateTime now = MailItem::fromFetched(account(), fetched("Subject: x\r\n"), std::nullopt).date;
    QVERIFY(now >= before && now <= QDateTime::currentDateTimeUtc());
}

void MailItemTest::senderChecksOnlyForReceivedMail()
{
    const QByteArray headers = "Received: from mx.evil.example (mx.evil.example [8.8.4.4]) by mx.example.org\r\n"
                               "From: \"PayPal\" <service@paypa1-secure.example>\r\n"
                               "Reply-To: <collect@other.example>\r\n"
                               "To: me@example.org\r\n"
                               "Subject: =?UTF-8?B?VmVyaWZ5IHlvdXIgYWNjb3VudA==?=\r\n";
    const MailItem received = MailItem::fromFetched(account(), fetched(headers), std::nullopt);
    QCOMPARE(received.subject, QString("Verify your account"));
    QCOMPARE(received.replyTo, QString("collect@other.example"));
    QCOMPARE(received.toName, QString(""));
    QCOMPARE(received.toEmail, QString("me@example.org"));
    QVERIFY(received.hints && !received.hints->isEmpty());
    QCOMPARE(received.ip, QString("8.8.4.4"));

    const MailItem sent = MailItem::fromFetched(account(), fetched(headers), QString("Sent"));
    QCOMPARE(sent.hints, std::nullopt);
    QCOMPARE(sent.ip, std::nullopt);

    const MailItem bare = MailItem::fromFetched(account(), fetched("Subject: hi\r\n"), std::nullopt);
    QCOMPARE(bare.toName, QString(""));
    QCOMPARE(bare.toEmail, QString(""));
    QCOMPARE(bare.hints, std::nullopt);
}

void MailItemTest::jsonRoundTrip_data()
{
    QTest::addColumn<MailItem>("item");
    MailItem plain{"a4", 7, "", "", "x@y.example", "", "hello", QDateTime(QDate(2024, 7, 17), QTime(8, 1, 2, 250), Qt::UTC),
                   true, "", std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    QTest::newRow("no optional keys") << plain;
    MailItem full = plain;
    full.mailbox = "Sent";
    full.toName = "";
    full.toEmail = "bob@x.example";
    full.hints = QStringList({"reply goes elsewhere", "ünïcode"});
    full.ip = "8.8.4.4";
    QTest::newRow("every optional key") << full;
    MailItem empty = plain;
    empty.hints = QStringList();
    QTest::newRow("empty hints list stays a list") << empty;
}

void MailItemTest::jsonRoundTrip()
{
    QFETCH(MailItem, item);
    const QByteArray json = QJsonDocument(item.toJson()).toJson(QJsonDocument::Compact);
    const std::optional<MailItem> back = MailItem::fromJson(QJsonDocument::fromJson(json).object());
    QVERIFY(back);
    QCOMPARE(*back, item);
    QCOMPARE(qHash(*back), qHash(item));
    QCOMPARE(json.contains("\"mailbox\""), item.mailbox.has_value());
    QVERIFY(!json.contains("\"id\""));
}

void MailItemTest::jsonRejects_data()
{
    QTest::addColumn<QByteArray>("change");  // a JSON member to put in place of the one with its key, or "-key"
    QTest::newRow("missing seen") << QByteArray("-seen");
    QTest::newRow("missing subject") << QByteArray("-subject");
    QTest::newRow("uid not whole") << QByteArray("\"uid\":1.5");
    QTest::newRow("uid as text") << QByteArray("\"uid\":\"7\"");
    QTest::newRow("uid far too large") << QByteArray("\"uid\":1e300");
    QTest::newRow("date as text") << QByteArray("\"date\":\"today\"");
    QTest::newRow("date far too large") << QByteArray("\"date\":1e300");
    QTest::newRow("hints not strings") << QByteArray("\"hints\":[1]");
    QTest::newRow("mailbox not a string") << QByteArray("\"mailbox\":null");
}

void MailItemTest::jsonRejects()
{
    QFETCH(QByteArray, change);
    QJsonObject object = minimal().toJson();
    if (change.startsWith('-')) {
        object.remove(QString::fromUtf8(change.mid(1)));
    } else {
        const QJsonObject member = QJsonDocument::fromJson("{" + change + "}").object();
        object.insert(member.begin().key(), member.begin().value());
    }
    QCOMPARE(MailItem::fromJson(object), std::nullopt);
}

void MailItemTest::jsonDateCountsFrom2001()
{
    MailItem item = minimal();
    item.date = QDateTime(QDate(2001, 1, 1), QTime(0, 0, 1, 500), Qt::UTC);
    QCOMPARE(item.toJson().value("date").toDouble(), 1.5);
}

QTEST_GUILESS_MAIN(MailItemTest)
#include "MailItemTest.moc"
