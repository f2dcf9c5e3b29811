#include "core/Account.h"

#include <QRegularExpression>
#include <QTest>

class AccountTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void preset_data();
    void preset();
    void presetMakesAFreshCanonicalId();
    void shortLabel_data();
    void shortLabel();
    void listRoundTrip();
    void decodeList_data();
    void decodeList();
};

void AccountTest::preset_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("imapHost");
    QTest::addColumn<QString>("imapUser");
    QTest::addColumn<QString>("smtpHost");

    QTest::newRow("spaces, tab and upper-case domain") << " \tAnna@Example.COM  " << "Anna@Example.COM"
        << "imap.example.com" << "Anna@Example.COM" << "smtp.example.com";
    QTest::newRow("icloud.com") << "jo@icloud.com" << "jo@icloud.com" << "imap.mail.me.com" << "jo" << "smtp.mail.me.com";
    QTest::newRow("me.com in upper case") << "Jo@ME.COM" << "Jo@ME.COM" << "imap.mail.me.com" << "Jo" << "smtp.mail.me.com";
    QTest::newRow("mac.com") << "jo@mac.com" << "jo@mac.com" << "imap.mail.me.com" << "jo" << "smtp.mail.me.com";
    QTest::newRow("no @") << "anna" << "anna" << "" << "anna" << "";
    QTest::newRow("nothing before @") << "@example.com" << "@example.com" << "" << "@example.com" << "";
    QTest::newRow("pieces past the domain ignored") << "a@b.org@c.org" << "a@b.org@c.org" << "imap.b.org" << "a@b.org@c.org" << "smtp.b.org";
    QTest::newRow("icloud look-alike") << "jo@icloud.com.evil.example" << "jo@icloud.com.evil.example"
        << "imap.icloud.com.evil.example" << "jo@icloud.com.evil.example" << "smtp.icloud.com.evil.example";
}

void AccountTest::preset()
{
    QFETCH(QString, typed);
    const Account account = Account::preset(typed);
    QTEST(account.email, "email");
    QTEST(account.imapHost, "imapHost");
    QTEST(account.imapUser, "imapUser");
    QTEST(account.smtpHost, "smtpHost");
    QCOMPARE(account.smtpUser, account.email);
    QCOMPARE(account.imapPort, 993);
    QCOMPARE(account.smtpPort, 587);
    QCOMPARE(account.name, QString());
}

void AccountTest::presetMakesAFreshCanonicalId()
{
    const Account first = Account::preset(QStringLiteral("a@example.com"));
    const Account second = Account::preset(QStringLiteral("a@example.com"));
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$")).match(first.id).hasMatch());
    QVERIFY(first.id != second.id);
    QVERIFY(first != second);
}

void AccountTest::shortLabel_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("label");
    QTest::newRow("icloud in mixed case") << "Jo@iCloud.COM" << "icloud";
    QTest::newRow("me.com") << "jo@me.com" << "icloud";
    QTest::newRow("mac.com") << "jo@mac.com" << "icloud";
    QTest::newRow("other provider, case kept") << "Anna.B@Example.com" << "Anna.B@";
    QTest::newRow("icloud look-alike") << "jo@icloud.com.evil.example" << "jo@";
    QTest::newRow("no @") << "anna" << "anna@";
    QTest::newRow("nothing before @") << "@example.com" << "example.com@";
}

void AccountTest::shortLabel()
{
    QFETCH(QString, email);
    Account account;
    account.email = email;
    QTEST(account.shortLabel(), "label");
}

void AccountTest::listRoundTrip()
{
    Account named = Account::preset(QStringLiteral("anna@example.com"));
    named.name = QStringLiteral("Anna Bärlund");
    const QList<Account> accounts{named, Account::preset(QStringLiteral("jo@icloud.com"))};
    const QByteArray json = Account::encodeList(accounts);
    QVERIFY2(!json.contains('\n') && !json.contains(": "), json.constData());  // compact
    QCOMPARE(Account::decodeList(json), std::optional<QList<Account>>(accounts));
}

void AccountTest::decodeList_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("count");  // -1: does not decode

    const QByteArray members = R"("id":"A","email":"a@b.c","imapHost":"imap.b.c","imapPort":993,"imapUser":"a@b.c","smtpHost":"smtp.b.c","smtpPort":587,"smtpUser":"a@b.c")";
    const QByteArray full = "{" + members + R"(,"name":""})";
    QTest::newRow("one account") << "[" + full + "]" << 1;
    QTest::newRow("extra member ignored") << "[" + full.chopped(1) + R"(,"colour":3})" + "]" << 1;
    QTest::newRow("empty list") << QByteArray("[]") << 0;
    QTest::newRow("one of two lacks name") << "[" + full + ",{" + members + "}]" << -1;
    QTest::newRow("port as string") << "[" + QByteArray(full).replace("993", "\"993\"") + "]" << -1;
    QTest::newRow("port with a fraction") << "[" + QByteArray(full).replace("993", "993.5") + "]" << -1;
    QTest::newRow("name as null") << "[" + QByteArray(full).replace(R"("name":"")", R"("name":null)") + "]" << -1;
    QTest::newRow("object, not a list") << full << -1;
    QTest::newRow("cut short") << "[" + full.chopped(3) << -1;
    QTest::newRow("empty data") << QByteArray() << -1;
}

void AccountTest::decodeList()
{
    QFETCH(QByteArray, json);
    QFETCH(int, count);
    const std::optional<QList<Account>> accounts = Account::decodeList(json);
    QCOMPARE(accounts ? int(accounts->size()) : -1, count);
}

QTEST_GUILESS_MAIN(AccountTest)
#include "AccountTest.moc"
