#include "content/SenderChecks.h"

#include <QTest>

class SenderChecksTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void entropyHints_data();
    void entropyHints();
    void senderIP_data();
    void senderIP();
    void isPublicIP_data();
    void isPublicIP();
};

void SenderChecksTest::entropyHints_data()
{
    QTest::addColumn<QByteArray>("headerBlock");
    QTest::addColumn<QString>("fromName");
    QTest::addColumn<QString>("fromEmail");
    QTest::addColumn<QString>("replyTo");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QStringList>("hints");

    const QByteArray none;
    QTest::newRow("ordinary mail") << none << "Jane Doe" << "jane@example.org" << "" << "Lunch?" << QStringList{};
    QTest::newRow("SPF pass, DKIM fail")
        << QByteArray("Authentication-Results: mx.example.org; spf=pass; DKIM=FAIL header.d=x") << "" << "a@example.org" << ""
        << "" << QStringList{"sender not verified"};
    QTest::newRow("failure only in the second result")
        << QByteArray("Authentication-Results: mx; dmarc=pass\nAuthentication-Results: other; dmarc=fail") << ""
        << "a@example.org" << "" << "" << QStringList{};
    QTest::newRow("punycode with a look-alike brand") << none << "" << "x@xn--paypa1-abc.com" << "" << ""
                                                      << QStringList{"disguised domain", "look-alike domain"};
    QTest::newRow("paypal with the digit one") << none << "" << "service@paypa1.com" << "" << ""
                                               << QStringList{"look-alike domain"};
    QTest::newRow("paypal written right") << none << "" << "service@paypal.com" << "" << "" << QStringList{};
    QTest::newRow("digits without a brand") << none << "" << "a@shop24.de" << "" << "" << QStringList{};
    QTest::newRow("name names a brand") << none << "PayPal Service" << "info@mailer.example" << "" << ""
                                        << QStringList{"name says paypal, address does not"};
    QTest::newRow("name names the sender's brand") << none << "PayPal Service" << "info@mail.paypal.de" << "" << ""
                                                   << QStringList{};
    QTest::newRow("first brand in list order decides") << none << "Google and Apple" << "news@google.com" << "" << ""
                                                       << QStringList{"name says apple, address does not"};
    QTest::newRow("name shows another address") << none << "support@bank.example" << "x@spam.example" << "" << ""
                                                << QStringList{"name shows another address"};
    QTest::newRow("name is the sender's address") << none << "Jane@Example.org" << "jane@example.org" << "" << ""
                                                  << QStringList{};
    QTest::newRow("name with @ and no sender domain") << none << "a@b" << "" << "" << "" << QStringList{"name shows another address"};
    QTest::newRow("reply-to at a subdomain") << none << "" << "a@example.org" << "b@lists.example.org" << ""
                                             << QStringList{};
    QTest::newRow("sender at a subdomain of reply-to") << none << "" << "a@mail.example.org" << "b@example.org" << ""
                                                       << QStringList{};
    QTest::newRow("reply-to elsewhere") << none << "" << "a@example.org" << "b@Other.example" << ""
                                        << QStringList{"replies go elsewhere"};
    QTest::newRow("reply-to look-alike suffix") << none << "" << "a@example.org" << "b@badexample.org" << ""
                                                << QStringList{"replies go elsewhere"};
    QTest::newRow("scam wording in capitals") << none << "" << "a@example.org" << "" << "YOUR ACCOUNT SUSPENDED!"
                                              << QStringList{"typical scam wording"};
    QTest::newRow("German scam wording") << none << "" << "a@example.org" << "" << QStringLiteral("Passwort L\u00c4UFT AB")
                                         << QStringList{"typical scam wording"};
    QTest::newRow("scam wording beside other scripts")
        << none << "" << "a@example.org" << "" << QStringLiteral("\u0412\u0410\u0416\u041d\u041e: PAYMENT FAILED \u2713")
        << QStringList{"typical scam wording"};
    QTest::newRow("brand in a name beside other scripts and capital umlauts")
        << QByteArray("Authentication-Results: mx; SPF=FAIL \xe2\x9c\x93") << QStringLiteral("\u00c4RGER MIT PAYPAL \u2713")
        << "a@example.org" << "" << "" << QStringList{"sender not verified", "name says paypal, address does not"};
    QTest::newRow("all seven")
        << QByteArray("Authentication-Results: mx; dmarc=fail") << "Amazon <help@amaz0n.example>"
        << "help@xn--amaz0n-9ta.com" << "x@collect.example" << "Gift Card waiting"
        << QStringList{"sender not verified",         "disguised domain",
                       "look-alike domain",           "name shows another address",
                       "name says amazon, address does not", "replies go elsewhere",
                       "typical scam wording"};
}

void SenderChecksTest::entropyHints()
{
    QFETCH(QByteArray, headerBlock);
    QFETCH(QString, fromName);
    QFETCH(QString, fromEmail);
    QFETCH(QString, replyTo);
    QFETCH(QString, subject);
    QFETCH(QStringList, hints);
    QCOMPARE(MIME::entropyHints(headerBlock, fromName, fromEmail, replyTo, subject), hints);
}

void SenderChecksTest::senderIP_data()
{
    QTest::addColumn<QByteArray>("headerBlock");
    QTest::addColumn<QString>("ip");

    QTest::newRow("private then public in the from clause")
        << QByteArray("Received: from mail.example (host [10.0.0.1]) (relay [203.0.113.5])\n by mx.local with ESMTP")
        << "203.0.113.5";
    QTest::newRow("address only after by") << QByteArray("Received: from relay by mx.local [203.0.113.5]") << "";
    QTest::newRow("IPv6 prefix in capitals") << QByteArray("Received: from h (h [IPv6:2001:DB8::1]) by mx") << "2001:db8::1";
    QTest::newRow("newest with a public address wins")
        << QByteArray("Received: from internal [192.168.1.2] by mx\nReceived: from out [198.51.100.7] by internal\n"
                      "Received: from first [203.0.113.9] by out")
        << "198.51.100.7";
    QTest::newRow("not a from clause skipped") << QByteArray("Received: by mx from x [203.0.113.5]") << "";
    QTest::newRow("unclosed bracket") << QByteArray("Received: from x [203.0.113.5") << "";
    QTest::newRow("address in a folded line") << QByteArray("Received: from x\r\n\t(x [203.0.113.5])\r\n\tby y") << "203.0.113.5";
    QTest::newRow("from clause ends at BY in capitals") << QByteArray("Received: FROM x BY y [203.0.113.5]") << "";
    QTest::newRow("other scripts in the value")
        << QByteArray("Received: from h\xc3\xb6st (h\xc3\xb6st [IPV6:2001:DB8::2]) by mx") << "2001:db8::2";
    QTest::newRow("other headers ignored") << QByteArray("X-Received: from x [203.0.113.5] by y") << "";
}

void SenderChecksTest::senderIP()
{
    QFETCH(QByteArray, headerBlock);
    QFETCH(QString, ip);
    QCOMPARE(MIME::senderIP(headerBlock).value_or(QString{}), ip);
}

void SenderChecksTest::isPublicIP_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("isPublic");

    for (const char* privateAddress : {"10.1.2.3", "172.20.0.1", "192.168.0.1", "169.254.1.1", "100.64.0.1", "127.0.0.1",
                                       "0.1.2.3", "::1", "fe80::1", "FD00::1", "fc00::2", "1.2.3.256", "", "localhost",
                                       "1.2.3", "-1.2.3.4"})
        QTest::newRow(privateAddress) << privateAddress << false;
    for (const char* publicAddress :
         {"203.0.113.5", "172.32.0.1", "100.128.0.1", "169.253.0.1", "2001:db8::1", "172.15.255.255", "1.2..3.4"})
        QTest::newRow(publicAddress) << publicAddress << true;
}

void SenderChecksTest::isPublicIP()
{
    QFETCH(QString, address);
    QFETCH(bool, isPublic);
    QCOMPARE(MIME::isPublicIP(address), isPublic);
}

QTEST_GUILESS_MAIN(SenderChecksTest)
#include "SenderChecksTest.moc"
