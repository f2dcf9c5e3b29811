#include "content/MIMEFormats.h"
#include "content/MIMEHeaders.h"

#include <QRegularExpression>
#include <QTest>

using MIME::HeaderList;
using ParamMap = QMap<QString, QString>;

class MIMEHeadersTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitHeaderBody_data();
    void splitHeaderBody();
    void headers_data();
    void headers();
    void firstHeaderWins();
    void headerValuesAsHeaders_data();
    void headerValuesAsHeaders();
    void params_data();
    void params();
    void address_data();
    void address();
    void date_data();
    void date();
    void outgoingDateReadsBack();
};

void MIMEHeadersTest::splitHeaderBody_data()
{
    QTest::addColumn<QByteArray>("entity");
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("CR LF") << QByteArray("A: 1\r\nB: 2\r\n\r\nbody\r\n\r\nmore") << QByteArray("A: 1\r\nB: 2")
                           << QByteArray("body\r\n\r\nmore");
    QTest::newRow("LF only") << QByteArray("A: 1\n\nbody\n\nmore") << QByteArray("A: 1") << QByteArray("body\n\nmore");
    QTest::newRow("CR LF wins over an earlier LF LF") << QByteArray("A: 1\n\nx\r\n\r\ny") << QByteArray("A: 1\n\nx")
                                                      << QByteArray("y");
    QTest::newRow("no empty line") << QByteArray("A: 1\r\nB: 2") << QByteArray("A: 1\r\nB: 2") << QByteArray();
    QTest::newRow("starts with the empty line") << QByteArray("\r\ntext\r\n\r\nmore") << QByteArray()
                                                << QByteArray("text\r\n\r\nmore");
    QTest::newRow("starts with an LF") << QByteArray("\ntext\n\nmore") << QByteArray() << QByteArray("text\n\nmore");
    QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray();
}

void MIMEHeadersTest::splitHeaderBody()
{
    QFETCH(QByteArray, entity);
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, body);
    const auto [headerPart, bodyPart] = MIME::splitHeaderBody(entity);
    QCOMPARE(headerPart.toByteArray(), header);
    QCOMPARE(bodyPart.toByteArray(), body);
}

void MIMEHeadersTest::headers_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<HeaderList>("expected");

    QTest::newRow("names lower-cased, values trimmed")
        << QByteArray("Subject:  Hello \r\nX-Mixed-Case :\tv\t\r\n")
        << HeaderList{{"subject", "Hello"}, {"x-mixed-case", "v"}};
    QTest::newRow("folded with tab and spaces")
        << QByteArray("Subject: one\r\n\ttwo\r\n   three  \r\nTo: a@b")
        << HeaderList{{"subject", "one two three"}, {"to", "a@b"}};
    QTest::newRow("line without colon dropped") << QByteArray("garbage line\nA: 1") << HeaderList{{"a", "1"}};
    QTest::newRow("continuation before any header dropped") << QByteArray(" lost\nA: 1") << HeaderList{{"a", "1"}};
    QTest::newRow("duplicates kept in order")
        << QByteArray("Received: one\nReceived: two") << HeaderList{{"received", "one"}, {"received", "two"}};
    QTest::newRow("colon inside the value") << QByteArray("Date: 10:00:00") << HeaderList{{"date", "10:00:00"}};
    QTest::newRow("invalid UTF-8 read lossily")
        << QByteArray("Subject: caf\xe9") << HeaderList{{"subject", QStringLiteral("caf\ufffd")}};
    QTest::newRow("UTF-8") << QByteArray("Subject: caf\xc3\xa9") << HeaderList{{"subject", QStringLiteral("caf\u00e9")}};
    QTest::newRow("names with other than ASCII letters")
        << QByteArray("X-\xc3\x9c" "ber: v\nX-\xc4\xb0: w") << HeaderList{{QStringLiteral("x-\u00fcber"), "v"}, {QStringLiteral("x-i\u0307"), "w"}};
    QTest::newRow("invalid UTF-8 at a fold")
        << QByteArray("Subject: a\xc3\r\n \xa9" "b\xe2\n\t\xf0\x9f\x98\x80")
        << HeaderList{{"subject", QStringLiteral("a\ufffd \ufffd" "b\ufffd \U0001F600")}};
}

void MIMEHeadersTest::headers()
{
    QFETCH(QByteArray, block);
    QFETCH(HeaderList, expected);
    QCOMPARE(MIME::headers(block), expected);
}

void MIMEHeadersTest::firstHeaderWins()
{
    const HeaderList fields = MIME::headers("Received: one\nReceived: two\nSubject: s");
    QCOMPARE(MIME::header(fields, "received"), std::optional<QString>("one"));
    QCOMPARE(MIME::header(fields, "to"), std::nullopt);
}

void MIMEHeadersTest::params_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("main");
    QTest::addColumn<ParamMap>("expected");

    QTest::newRow("plain") << "text/plain; charset=utf-8; Format=\"flowed\"" << "text/plain"
                           << ParamMap{{"charset", "utf-8"}, {"format", "flowed"}};
    QTest::newRow("quoted semicolon stays whole") << "attachment; filename=\"a;b.pdf\"" << "attachment"
                                                  << ParamMap{{"filename", "a;b.pdf"}};
    QTest::newRow("RFC 2231 UTF-8") << "attachment; filename*=utf-8''Gr%C3%BC%C3%9Fe.txt" << "attachment"
                                    << ParamMap{{"filename", QStringLiteral("Gr\u00fc\u00dfe.txt")}};
    QTest::newRow("RFC 2231 with a language") << "attachment; filename*=UTF-8'de'%E2%82%AC.txt" << "attachment"
                                              << ParamMap{{"filename", QStringLiteral("\u20ac.txt")}};
    QTest::newRow("RFC 2231 in Latin-1") << "attachment; filename*=iso-8859-1''%E4.txt" << "attachment"
                                         << ParamMap{{"filename", QStringLiteral("\u00e4.txt")}};
    QTest::newRow("RFC 2231 broken escape kept") << "attachment; filename*=utf-8''a%2" << "attachment"
                                                 << ParamMap{{"filename", "utf-8''a%2"}};
    QTest::newRow("RFC 2231 invalid UTF-8 kept") << "attachment; filename*=x-unknown''%FF" << "attachment"
                                                 << ParamMap{{"filename", "x-unknown''%FF"}};
    QTest::newRow("RFC 2231 without quotes kept") << "attachment; filename*=plain.txt" << "attachment"
                                                  << ParamMap{{"filename", "plain.txt"}};
    QTest::newRow("continuations not joined") << "attachment; filename*0=\"a\"; filename*1=\"b\"" << "attachment"
                                              << ParamMap{{"filename*0", "a"}, {"filename*1", "b"}};
    QTest::newRow("segment without = skipped, later duplicate wins")
        << "multipart/mixed; junk; boundary=one; BOUNDARY=two" << "multipart/mixed" << ParamMap{{"boundary", "two"}};
    QTest::newRow("trailing semicolon") << " text/html ;" << "text/html" << ParamMap{};
    QTest::newRow("lone quote") << "\"" << "\"" << ParamMap{};
    QTest::newRow("empty") << "" << "" << ParamMap{};
}

void MIMEHeadersTest::params()
{
    QFETCH(QString, value);
    QFETCH(QString, main);
    QFETCH(ParamMap, expected);
    const MIME::Params parsed = MIME::params(value);
    QCOMPARE(parsed.main, main);
    QCOMPARE(parsed.params, expected);
}

void MIMEHeadersTest::address_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("email");

    QTest::newRow("quoted name with comma") << "\"Doe, Jane\" <jane@example.org>" << "Doe, Jane" << "jane@example.org";
    QTest::newRow("bare address") << "  Jane@Example.org\t" << "" << "Jane@Example.org";
    QTest::newRow("encoded name") << "=?utf-8?Q?J=C3=BCrgen?= < j@example.org >" << QStringLiteral("J\u00fcrgen")
                                  << "j@example.org";
    QTest::newRow("last brackets count") << "a <b> <c@example.org>" << "a <b>" << "c@example.org";
    QTest::newRow("brackets reversed") << "x> <y" << "" << "x> <y";
    QTest::newRow("empty") << "" << "" << "";
}

void MIMEHeadersTest::address()
{
    QFETCH(QString, value);
    QFETCH(QString, name);
    QFETCH(QString, email);
    QCOMPARE(MIME::address(value), (MIME::Address{name, email}));
}

void MIMEHeadersTest::date_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QDateTime>("expected");

    const QDateTime none;
    const auto utc = [](int y, int mo, int d, int h, int mi, int s) { return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC); };
    QTest::newRow("weekday and zone comment") << "Tue, 16 Jul 2024 10:01:02 +0200 (CEST)" << utc(2024, 7, 16, 8, 1, 2);
    QTest::newRow("no seconds") << "2 Jan 2024 10:00 -0100" << utc(2024, 1, 2, 11, 0, 0);
    QTest::newRow("two-digit year") << "Mon, 1 Jan 24 10:00:00 +0000" << utc(2024, 1, 1, 10, 0, 0);
    QTest::newRow("two-digit year last century") << "1 Jan 99 10:00:00 +0000" << utc(1999, 1, 1, 10, 0, 0);
    QTest::newRow("zone name") << "1 Jan 2024 10:00:00 GMT" << utc(2024, 1, 1, 10, 0, 0);
    QTest::newRow("zone abbreviation") << "1 Jan 2024 10:00:00 EST" << utc(2024, 1, 1, 15, 0, 0);
    QTest::newRow("no seconds, no zone") << "1 Jan 2024 10:00" << none;
    QTest::newRow("trailing words") << "1 Jan 2024 10:00:00 +0000 extra" << none;
    QTest::newRow("garbage") << "yesterday" << none;
    QTest::newRow("empty") << "" << none;
}

void MIMEHeadersTest::date()
{
    QFETCH(QString, value);
    QFETCH(QDateTime, expected);
    const std::optional<QDateTime> parsed = MIME::date(value);
    QCOMPARE(parsed.has_value(), expected.isValid());
    if (parsed)
        QCOMPARE(parsed->toUTC(), expected);
}

void MIMEHeadersTest::outgoingDateReadsBack()
{
    // A sent mail's Date header must read back to the same second.
    const QDateTime now = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
    const QString text = MIME::rfc2822Out().format(now);
    QVERIFY2(QRegularExpression("^[A-Z][a-z]{2}, \\d{2} [A-Z][a-z]{2} \\d{4} \\d{2}:\\d{2}:\\d{2} [+-]\\d{4}$")
                 .match(text)
                 .hasMatch(),
             qPrintable(text));
    QCOMPARE(MIME::date(text), std::optional<QDateTime>(now));
}

void MIMEHeadersTest::headerValuesAsHeaders_data()
{
    QTest::addColumn<QByteArray>("block");

    QTest::newRow("plain") << QByteArray("Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n");
    QTest::newRow("case and blanks around the name") << QByteArray("  CONTENT-type \t: \t text/html \t\nX: 1");
    QTest::newRow("first of two wins, its folding too")
        << QByteArray("Content-Type: a;\n b=1\nContent-Type: c\n d=2\nContent-Disposition: x\n\n\n\ty");
    QTest::newRow("folding of another field is not taken")
        << QByteArray("Subject: s\n more\nContent-Type: t\nTo: u\n\tfolded to To");
    QTest::newRow("folding after a line without colon") << QByteArray("Content-Type: t\nno colon\n folded\r\n");
    QTest::newRow("folding before any field") << QByteArray("\tlost\nContent-Type: t");
    QTest::newRow("name only like it") << QByteArray("Content-Typo: a\nContent-Type-X: b\nC\xc3\xb6ntent-Type: c\nContent-Type");
    QTest::newRow("empty value") << QByteArray("Content-Type:\r\nContent-Disposition:   \r\n");
    QTest::newRow("invalid UTF-8 at line ends and in folds")
        << QByteArray("Content-Type: caf\xe9\xe2\x82\r\n \xf0\x9f\x98 x \xc3\r\nContent-Disposition: \xff");
    QTest::newRow("lone CR and NUL inside") << QByteArray("Content-Type: a\rb\0c\r\r\n", 21);
    QTest::newRow("no line break at the end") << QByteArray("Content-Transfer-Encoding: 8bit");
    QTest::newRow("empty") << QByteArray();
}

// The part walk reads only the fields it needs; it must read them as the full header list does.
void MIMEHeadersTest::headerValuesAsHeaders()
{
    QFETCH(QByteArray, block);
    const QList<QByteArrayView> names = {"content-type", "content-transfer-encoding", "content-disposition"};
    const QList<std::optional<QString>> values = MIME::headerValues(block, names);
    const HeaderList fields = MIME::headers(block);
    for (qsizetype i = 0; i < names.size(); ++i)
        QCOMPARE(values[i], MIME::header(fields, names[i].toByteArray()));
}

QTEST_GUILESS_MAIN(MIMEHeadersTest)
#include "MIMEHeadersTest.moc"
