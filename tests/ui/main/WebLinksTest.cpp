#include "ui/main/WebLinks.h"

#include <QTest>

// Web addresses found in plain mail text: where they begin and end, and what never is one.
class WebLinksTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void find_data();
    void find();
    void onlyWebAddressesOpen_data();
    void onlyWebAddressesOpen();
};

void WebLinksTest::find_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("linked");  // the linked text of each link, in order
    QTest::addColumn<QStringList>("urls");

    QTest::newRow("https in a sentence") << "see https://example.com/a?b=1&c=2 now" << QStringList{"https://example.com/a?b=1&c=2"}
                                         << QStringList{"https://example.com/a?b=1&c=2"};
    QTest::newRow("scheme in capitals") << "HTTP://Example.COM/Path" << QStringList{"HTTP://Example.COM/Path"}
                                        << QStringList{"http://example.com/Path"};
    QTest::newRow("www opens as https") << "at www.example.org, then" << QStringList{"www.example.org"}
                                        << QStringList{"https://www.example.org"};
    QTest::newRow("full stop after it") << "go to http://example.com/x." << QStringList{"http://example.com/x"}
                                        << QStringList{"http://example.com/x"};
    QTest::newRow("punctuation run") << "really http://example.com/?!'.;" << QStringList{"http://example.com/"}
                                     << QStringList{"http://example.com/"};
    QTest::newRow("inside parentheses") << "(see http://example.com/a)" << QStringList{"http://example.com/a"}
                                        << QStringList{"http://example.com/a"};
    QTest::newRow("parentheses of its own") << "(http://example.com/wiki/A_(b))." << QStringList{"http://example.com/wiki/A_(b)"}
                                            << QStringList{"http://example.com/wiki/A_(b)"};
    QTest::newRow("in angle brackets") << "<https://example.com/x>" << QStringList{"https://example.com/x"}
                                       << QStringList{"https://example.com/x"};
    QTest::newRow("in quotes") << "href=\"http://example.com\"" << QStringList{"http://example.com"}
                               << QStringList{"http://example.com"};
    QTest::newRow("two on a line") << "http://a.example and www.b.example" << QStringList{"http://a.example", "www.b.example"}
                                   << QStringList{"http://a.example", "https://www.b.example"};
    QTest::newRow("ends at a line break") << "http://example.com/a\nb" << QStringList{"http://example.com/a"}
                                          << QStringList{"http://example.com/a"};
    QTest::newRow("ends at a direction override") << QString("http://example.com/\u202Egpj.exe") << QStringList{"http://example.com/"}
                                                  << QStringList{"http://example.com/"};
    QTest::newRow("international host") << QString("http://b\u00fccher.example/") << QStringList{QString("http://b\u00fccher.example/")}
                                        << QStringList{"http://xn--bcher-kva.example/"};

    QTest::newRow("file") << "file:///etc/passwd" << QStringList{} << QStringList{};
    QTest::newRow("javascript") << "javascript:alert(document.cookie)" << QStringList{} << QStringList{};
    QTest::newRow("data") << "data:text/html,<script>alert(1)</script>" << QStringList{} << QStringList{};
    QTest::newRow("mailto") << "mailto:someone@example.com" << QStringList{} << QStringList{};
    QTest::newRow("ftp www") << "ftp://www.example.com/file" << QStringList{} << QStringList{};
    QTest::newRow("scheme inside a word") << "xhttp://example.com" << QStringList{} << QStringList{};
    QTest::newRow("www after an at sign") << "me@www.example.com" << QStringList{} << QStringList{};
    QTest::newRow("scheme without host") << "http:// and https://." << QStringList{} << QStringList{};
    QTest::newRow("bare www") << "www. www.." << QStringList{} << QStringList{};
}

void WebLinksTest::find()
{
    QFETCH(QString, text);
    QFETCH(QStringList, linked);
    QFETCH(QStringList, urls);
    const QList<WebLinks::Link> links = WebLinks::find(text);
    QStringList foundText, foundUrls;
    for (const WebLinks::Link& link : links) {
        foundText << text.sliced(link.start, link.length);
        foundUrls << link.url.toString(QUrl::FullyEncoded);
    }
    QCOMPARE(foundText, linked);
    QCOMPARE(foundUrls, urls);
}

void WebLinksTest::onlyWebAddressesOpen_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("opens");
    QTest::newRow("http") << "http://example.com" << true;
    QTest::newRow("https") << "https://example.com/x" << true;
    QTest::newRow("file") << "file:///home/me/.ssh/id_ed25519" << false;
    QTest::newRow("javascript") << "javascript:alert(1)" << false;
    QTest::newRow("data") << "data:text/plain,x" << false;
    QTest::newRow("mailto") << "mailto:a@example.com" << false;
    QTest::newRow("relative") << "example.com" << false;
}

void WebLinksTest::onlyWebAddressesOpen()
{
    QFETCH(QString, url);
    QTEST(WebLinks::opens(QUrl(url)), "opens");
}

QTEST_GUILESS_MAIN(WebLinksTest)
#include "WebLinksTest.moc"
