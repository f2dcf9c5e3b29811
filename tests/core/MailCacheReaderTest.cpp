#include "core/MailCacheReader.h"
#include "core/MailStoreState.h"

#include <QTest>

namespace {

const QDateTime base(QDate(2026, 2, 3), QTime(4, 5, 6, 789), Qt::UTC);

QString withLoneSurrogates()
{
    QString text = QStringLiteral("a");
    text.append(QChar(0xD800));
    text.append(u'b');
    text.append(QChar(0xDC00));
    return text;
}

// Every optional field, text that JSON must escape or that is not plain UTF-8 text, numbers at
// their limits.
std::vector<MailItem> unusual()
{
    MailItem sent;
    sent.accountID = QStringLiteral("ACC");
    sent.uid = 8999999999999999;
    sent.messageID = QStringLiteral("<quote\"backslash\\slash/@x>");
    sent.fromName = QString();
    sent.fromEmail = QStringLiteral("me@own.example");
    sent.subject = QString::fromUtf8("tab\tnew line\nreturn\r\u0001\u001f\u007f end");
    sent.date = QDateTime(QDate(1990, 6, 1), QTime(0, 0, 0, 1), Qt::UTC);
    sent.references = QString(QChar(0)) + "nul";
    sent.mailbox = QStringLiteral("Gesendete Objekte");
    sent.toName = QString::fromUtf8("Zoë \u202Eevil\u202C \u2028\u2029");
    sent.toEmail = QString();

    MailItem received;
    received.accountID = QStringLiteral("ACC");
    received.uid = -3;
    received.messageID = QString();
    received.fromName = QString::fromUtf8("\xF0\x9F\x98\x80 e\u0301 \uFFFE\uFFFF \uFDD0");
    received.fromEmail = QStringLiteral("Sales@Shop.example");
    received.replyTo = QStringLiteral("other@else.example");
    received.subject = withLoneSurrogates();
    received.date = base;
    received.seen = true;
    received.references = QString(3000, u'x');
    received.toName = QString::fromUtf8("日本語");
    received.toEmail = QStringLiteral("me@own.example");
    received.hints = QStringList({"reply-to differs", QString::fromUtf8("look-alike: pаypal.com"), QString()});
    received.ip = QStringLiteral("2001:db8::1");

    MailItem noHints = received;
    noHints.uid = 0;
    noHints.hints = QStringList();
    noHints.ip.reset();
    noHints.toName.reset();
    noHints.toEmail.reset();
    return {sent, received, noHints, received};
}

// One element with every required key, then `more` members; with a key given twice the last
// counts, so `more` can stand in for a member. Keys listed in `without` are left out.
QByteArray element(const QByteArray& more = {}, const QList<QByteArray>& without = {})
{
    const QList<std::pair<QByteArray, QByteArray>> members = {
        {"accountID", "\"ACC\""}, {"uid", "7"}, {"messageID", "\"<m@x>\""}, {"fromName", "\"Zo\\u00eb\""},
        {"fromEmail", "\"z@x.example\""}, {"replyTo", "\"\""}, {"subject", "\"hi\""}, {"date", "1.5"},
        {"seen", "true"}, {"references", "\"\""}};
    QByteArrayList parts;
    for (const auto& [key, value] : members) {
        if (!without.contains(key))
            parts.append('"' + key + "\":" + value);
    }
    if (!more.isEmpty())
        parts.append(more);
    return '{' + parts.join(',') + '}';
}

QByteArray file(const QByteArray& more = {}, const QList<QByteArray>& without = {})
{
    return '[' + element(more, without) + ']';
}

}  // namespace

class MailCacheReaderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsBackWhatWasWritten();
    void files_data();
    void files();
};

// The reader itself takes what the writer wrote; Qt's reader is only for other files.
void MailCacheReaderTest::readsBackWhatWasWritten()
{
    const std::vector<MailItem> items = unusual();
    const QByteArray json = MailCache::encode(items);
    QCOMPARE(MailCacheReader::read(json), items);
    QCOMPARE(MailCache::decode(json), items);
    QCOMPARE(MailCacheReader::read("[]"), std::vector<MailItem>());
}

// Broken and odd files give what Qt's reader gives: its leniencies read, its refusals lose the file.
void MailCacheReaderTest::files_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("subjects");  // one per item read; "unreadable" when the file is refused

    const QStringList hi{"hi"}, unreadable{"unreadable"};
    QTest::newRow("every required key") << file() << hi;
    QTest::newRow("empty list") << QByteArray(" [ ] \r\n\t") << QStringList();
    QTest::newRow("not JSON") << QByteArray("[{\"accountID\":") << unreadable;
    QTest::newRow("empty file") << QByteArray() << unreadable;
    QTest::newRow("an object, not a list") << element() << unreadable;
    QTest::newRow("an element not an object") << QByteArray("[" + element() + ",1]") << unreadable;
    QTest::newRow("two items") << QByteArray("[" + element() + "," + element("\"subject\":\"two\"") + "]")
                               << QStringList({"hi", "two"});

    QTest::newRow("required key missing") << file({}, {"seen"}) << unreadable;
    QTest::newRow("uid as text") << file("\"uid\":\"7\"") << unreadable;
    QTest::newRow("uid not whole") << file("\"uid\":7.5") << unreadable;
    QTest::newRow("uid too large") << file("\"uid\":9e15") << unreadable;
    QTest::newRow("uid far beyond 64 bits") << file("\"uid\":123456789012345678901234567890") << unreadable;
    QTest::newRow("seen as a number") << file("\"seen\":1") << unreadable;
    QTest::newRow("mailbox null") << file("\"mailbox\":null") << unreadable;
    QTest::newRow("recipient as a number") << file("\"toName\":5") << unreadable;
    QTest::newRow("hints not strings") << file("\"hints\":[\"a\",1]") << unreadable;
    QTest::newRow("hints not a list") << file("\"hints\":\"a\"") << unreadable;
    QTest::newRow("date too large") << file("\"date\":1e300") << unreadable;
    QTest::newRow("date that underflows") << file("\"date\":1e-400") << unreadable;
    QTest::newRow("date zero with an exponent") << file("\"date\":0e5") << hi;

    QTest::newRow("a key twice: the last counts") << file("\"subject\":\"second\"") << QStringList({"second"});
    QTest::newRow("wrong type, then right") << file("\"seen\":1,\"seen\":false") << hi;
    QTest::newRow("right type, then wrong") << file("\"seen\":false,\"seen\":\"no\"") << unreadable;
    QTest::newRow("key spelt with an escape") << file("\"subj\\u0065ct\":\"escaped key\"") << QStringList({"escaped key"});
    QTest::newRow("unknown keys of every kind")
        << file(R"("x":[1,-0.5e3,{"y":null,"z":[true,false]}],"big":123456789012345678901234567890,"s":"\ud800")") << hi;
    QTest::newRow("unknown key, broken literal") << file("\"x\":tru") << unreadable;
    QTest::newRow("unknown key, number out of range") << file("\"x\":1e400") << unreadable;
    QTest::newRow("unknown key, number that underflows") << file("\"x\":-2e-400") << unreadable;
    QTest::newRow("unknown key, deep") << file("\"x\":" + QByteArray(500, '[') + QByteArray(500, ']')) << hi;
    QTest::newRow("unknown key, too deep") << file("\"x\":" + QByteArray(1100, '[') + QByteArray(1100, ']'))
                                           << unreadable;

    QTest::newRow("escapes") << file(R"("subject":"\"\\\/\b\f\n\r\t\u00e9\uD83D\uDE00")")
                             << QStringList({QString::fromUtf8("\"\\/\b\f\n\r\t\u00e9\U0001F600")});
    QTest::newRow("lone surrogate escapes") << file(R"("subject":"a\ud800b\udc00")") << QStringList({withLoneSurrogates()});
    QTest::newRow("an unknown escape stands for its letter") << file(R"("subject":"\x41")") << QStringList({"x41"});
    QTest::newRow("short unicode escape") << file(R"("subject":"\u12")") << unreadable;
    QTest::newRow("raw control character") << file("\"subject\":\"a\x01z\"") << QStringList({"a\x01z"});
    QTest::newRow("invalid UTF-8") << file("\"subject\":\"a\xFFz\"") << unreadable;
    QTest::newRow("UTF-8 of a surrogate") << file("\"subject\":\"a\xED\xA0\x80z\"") << unreadable;

    QTest::newRow("number without digits after the point") << file("\"uid\":7.,\"date\":.5") << hi;
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF" + file()) << hi;
    QTest::newRow("text after the list") << QByteArray(file() + " x") << unreadable;
    QTest::newRow("a second list") << QByteArray(file() + "[]") << unreadable;
    QTest::newRow("one bracket too many") << QByteArray(file() + "]") << unreadable;
    QTest::newRow("NUL after the list") << QByteArray(file() + '\0') << unreadable;
    QTest::newRow("unclosed list") << file().chopped(1) << unreadable;
    QTest::newRow("unclosed text") << QByteArray("[{\"accountID\":\"ACC") << unreadable;
    QTest::newRow("unclosed text ending in a backslash") << QByteArray("[{\"accountID\":\"ACC\\") << unreadable;
    QTest::newRow("comma before the end") << QByteArray("[" + element() + ",]") << unreadable;
}

void MailCacheReaderTest::files()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, subjects);
    const std::optional<std::vector<MailItem>> mails = MailCache::decode(json);
    QStringList read;
    if (mails) {
        for (const MailItem& mail : *mails)
            read.append(mail.subject);
    } else {
        read.append("unreadable");
    }
    QCOMPARE(read, subjects);
}

QTEST_GUILESS_MAIN(MailCacheReaderTest)
#include "MailCacheReaderTest.moc"
