#include "content/MIMEParser.h"

#include <QTest>

using MIME::Attachment;
using Attachments = QList<Attachment>;
using Parts = QList<QByteArray>;

namespace {

QByteArray crlf(QByteArray text)
{
    return text.replace("\n", "\r\n");
}

// A multipart body with the given parts, each as written (headers, empty line, body).
QByteArray multipart(const QByteArray& type, const QList<QByteArray>& parts, const QByteArray& boundary = "b")
{
    QByteArray message = "Content-Type: multipart/" + type + "; boundary=\"" + boundary + "\"\n\npreamble\n";
    for (const QByteArray& part : parts)
        message += "--" + boundary + "\n" + part + "\n";
    return message + "--" + boundary + "--\nepilogue\n";
}

// `depth` multiparts inside each other around one text part.
QByteArray nested(int depth, const QByteArray& text)
{
    QByteArray entity = "Content-Type: text/plain\n\n" + text;
    for (int level = 0; level < depth; ++level) {
        const QByteArray boundary = "level" + QByteArray::number(level);
        entity = "Content-Type: multipart/mixed; boundary=" + boundary + "\n\n--" + boundary + "\n" + entity + "\n--"
                 + boundary + "--\n";
    }
    return entity;
}

}  // namespace

namespace QTest {
template <>
char* toString(const Attachment& attachment)
{
    return qstrdup(QString("%1 (%2, %3 bytes)").arg(attachment.name, attachment.type).arg(attachment.data.size()).toUtf8());
}
}  // namespace QTest

class MIMEParserTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitMultipart_data();
    void splitMultipart();
    void parse_data();
    void parse();
    void nestingLimit();
    void hostileShapes_data();
    void hostileShapes();
    void sizeText_data();
    void sizeText();
};

void MIMEParserTest::splitMultipart_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<Parts>("expected");

    QTest::newRow("preamble and epilogue ignored") << QByteArray("pre\n--b\nA: 1\n\none\n--b\n\ntwo\n--b--\nafter\n--b\nlost")
                                                   << Parts{"A: 1\n\none", "\ntwo"};
    QTest::newRow("CR LF before the delimiter trimmed once") << crlf("--b\n\none\n\n--b--") << Parts{"\r\none\r\n"};
    QTest::newRow("delimiter inside a line is text") << QByteArray("--b\n\na --b c\n--b--") << Parts{"\na --b c"};
    QTest::newRow("transport padding after the delimiter") << QByteArray("--b  \n\nx\n--b--") << Parts{"\nx"};
    QTest::newRow("no closing delimiter") << QByteArray("--b\n\nx\n--b\n\ny") << Parts{"\nx", "\ny"};
    QTest::newRow("delimiter without line end") << QByteArray("--b\n\nx\n--b") << Parts{"\nx"};
    QTest::newRow("empty part skipped") << QByteArray("--b\n--b\n\nx\n--b--") << Parts{"\nx"};
    QTest::newRow("no delimiter") << QByteArray("just text") << Parts{};
}

void MIMEParserTest::splitMultipart()
{
    QFETCH(QByteArray, body);
    QFETCH(Parts, expected);
    Parts parts;
    for (const QByteArrayView part : MIME::splitMultipart(body, QStringLiteral("b")))
        parts.append(part.toByteArray());
    QCOMPARE(parts, expected);
}

void MIMEParserTest::parse_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Attachments>("attachments");

    const QByteArray plain = "Content-Type: text/plain; charset=utf-8\n\nplain text";
    const QByteArray html = "Content-Type: text/html\n\n<p>html&amp;text</p>";

    QTest::newRow("LF only") << QByteArray("Subject: s\n\nline one\nline two\n") << "line one\nline two" << Attachments{};
    QTest::newRow("no empty line") << QByteArray("Subject: s\nFrom: a") << "" << Attachments{};
    QTest::newRow("no headers at all") << QByteArray("\r\njust text\r\n") << "just text" << Attachments{};
    QTest::newRow("text cleaned") << crlf("\n\n  a  \t\nb\n\n\n\n \nc \n\n") << "a\nb\n\nc" << Attachments{};
    QTest::newRow("lone CR is text") << QByteArray("\na \r b \nc\t\r\n\r\n\t\r\n \r\nd") << "a \r b\nc\n\nd" << Attachments{};
    QTest::newRow("charset and quoted-printable")
        << QByteArray("Content-Type: text/plain; charset=iso-8859-1\nContent-Transfer-Encoding: Quoted-Printable\n\n"
                      "Gr=FC=DFe, soft=\nbreak")
        << QStringLiteral("Gr\u00fc\u00dfe, softbreak") << Attachments{};
    QTest::newRow("alternative takes the plain part") << multipart("alternative", {plain, html}) << "plain text"
                                                     << Attachments{};
    QTest::newRow("HTML only") << multipart("alternative", {html}) << "html&text" << Attachments{};
    QTest::newRow("blank plain part does not hide the HTML")
        << multipart("alternative", {"Content-Type: text/plain\n\n \r\n\t\n", html}) << "html&text" << Attachments{};
    QTest::newRow("part without headers is plain text")
        << crlf(multipart("mixed", {"\nfirst line\n\nsecond paragraph"})) << "first line\n\nsecond paragraph"
        << Attachments{};
    QTest::newRow("second plain part dropped") << multipart("mixed", {plain, "\nforwarded text"}) << "plain text"
                                               << Attachments{};
    QTest::newRow("attachments named, typed and decoded")
        << multipart("mixed", {plain,
                               "Content-Type: text/plain\nContent-Disposition: attachment; filename=\"notes.txt\"\n\nn",
                               "Content-Type: text/plain\nContent-Disposition: attachment\n\nx",
                               "Content-Type: IMAGE/PNG\nContent-Transfer-Encoding: base64\n\niVBO\nRw==",
                               "Content-Type: application/octet-stream; name==?utf-8?Q?r=C3=A9sum=C3=A9.pdf?=\n\n%PDF",
                               "Content-Type: text/calendar; name=invite.ics\n\nBEGIN",
                               "Content-Type: /\n\n?",
                               "Content-Type: multipart/mixed\n\nno boundary"})
        << "plain text"
        << Attachments{{"notes.txt", "text/plain", "n"},
                       {"file.plain", "text/plain", "x"},
                       {"file.png", "image/png", QByteArray("\x89PNG", 4)},
                       {QStringLiteral("r\u00e9sum\u00e9.pdf"), "application/octet-stream", "%PDF"},
                       {"invite.ics", "text/calendar", "BEGIN"},
                       {"file.bin", "/", "?"},
                       {"file.mixed", "multipart/mixed", "no boundary"}};
    QTest::newRow("text part with file name inline is text")
        << multipart("mixed", {"Content-Type: text/plain; name=a.txt\n\ninline text"}) << "inline text" << Attachments{};
    QTest::newRow("invalid base64 attachment is empty")
        << multipart("mixed", {"Content-Type: application/pdf\nContent-Transfer-Encoding: base64\n\nA"}) << ""
        << Attachments{{"file.pdf", "application/pdf", ""}};
    QTest::newRow("forwarded message fills an empty slot, its files join")
        << multipart("mixed", {"Content-Type: message/rfc822\n\n" + multipart("mixed", {plain, "Content-Type: image/gif\n\nGIF"}, "inner"),
                               "Content-Type: application/zip\n\nPK"})
        << "plain text" << Attachments{{"file.gif", "image/gif", "GIF"}, {"file.zip", "application/zip", "PK"}};
    QTest::newRow("forwarded message after the text adds no text")
        << multipart("mixed", {"\nown words", "Content-Type: message/rfc822\n\nSubject: fw\n\nforwarded words"})
        << "own words" << Attachments{};
}

void MIMEParserTest::parse()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, text);
    QFETCH(Attachments, attachments);
    const MIME::Parsed parsed = MIME::parse(message);
    QCOMPARE(parsed.text, text);
    QCOMPARE(parsed.attachments, attachments);
}

void MIMEParserTest::nestingLimit()
{
    QCOMPARE(MIME::parse(nested(11, "deep")).text, QStringLiteral("deep"));
    QCOMPARE(MIME::parse(nested(12, "too deep")).text, QString());
    QCOMPARE(MIME::parse(nested(200, "far too deep")).text, QString());
}

void MIMEParserTest::hostileShapes_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("attachments");  // name, type and size of each

    const auto withBoundary = [](const QByteArray& boundary) {
        return crlf(multipart("mixed", {"\nthe text", "Content-Type: application/pdf\n\n%PDF"}, boundary));
    };
    const QStringList pdf{"file.pdf application/pdf 4"};
    QTest::newRow("boundary of one repeated letter") << withBoundary(QByteArray(70, 'x')) << "the text" << pdf;
    QTest::newRow("boundary as long as a line holds") << withBoundary(QByteArray(996, 'x')) << "the text" << pdf;
    // Longer than a line: the multipart stays whole (its body one attachment), as one without a boundary does.
    const auto whole = [](const QByteArray& message) {
        return QStringList("file.mixed multipart/mixed " + QString::number(message.size() - message.indexOf("\r\n\r\n") - 4));
    };
    const QByteArray tooLong = withBoundary(QByteArray(997, 'x'));
    QTest::newRow("boundary longer than a line") << tooLong << "" << whole(tooLong);
    const QByteArray farTooLong = withBoundary(QByteArray(200000, 'x'));
    QTest::newRow("boundary of 200,000 letters") << farTooLong << "" << whole(farTooLong);

    QList<QByteArray> parts(5000, "Content-Type: image/gif\n\nGIF");
    parts.prepend("\nthe text");
    QStringList gifs(5000, "file.gif image/gif 3");
    QTest::newRow("5,000 parts") << multipart("mixed", parts) << "the text" << gifs;

    QTest::newRow("header line of a megabyte")
        << QByteArray("Subject: " + QByteArray("=?utf-8?q?a?= ").repeated(1 << 16) + "\nX-Junk: " + QByteArray(1 << 20, 'j')
                      + "\nContent-Type: text/plain\n\nhello")
        << "hello" << QStringList();
    QTest::newRow("content type folded over 50,000 lines")
        << QByteArray("Content-Type: application/zip;" + QByteArray("\r\n x=1;").repeated(50000) + "\r\n\tname=a.zip\r\n\r\nPK")
        << "" << QStringList("a.zip application/zip 2");
    QByteArray flood;
    for (int i = 0; i < 20000; ++i)
        flood += "; p" + QByteArray::number(i) + "=\"v;" + QByteArray::number(i) + "\"";
    QTest::newRow("parameter flood") << QByteArray("Content-Type: application/zip" + flood + "; name=last.zip\n\nPK") << ""
                                     << QStringList("last.zip application/zip 2");
    QTest::newRow("base64 junk")
        << QByteArray("Content-Type: application/zip\nContent-Transfer-Encoding: base64\n\n" + QByteArray("QUJD!@#$%^&*()\r\n").repeated(50000))
        << "" << QStringList("file.zip application/zip 150000");
    QByteArray deep = "Content-Type: text/plain\n\ndeep text";
    for (int level = 0; level < 11; ++level) {
        const QByteArray boundary = "level" + QByteArray::number(level);
        deep = level % 2 ? "Content-Type: message/rfc822\n\n" + deep
                         : "Content-Type: multipart/mixed; boundary=" + boundary + "\n\n--" + boundary + "\n" + deep + "\n--"
                               + boundary + "--\n";
    }
    QTest::newRow("multipart and forwarded mail nested eleven deep") << deep << "deep text" << QStringList();
    QTest::newRow("twelve deep") << QByteArray("Content-Type: message/rfc822\n\n" + deep) << "" << QStringList();
}

// Shapes built to make a parser slow: what they give, found in time linear in their size.
void MIMEParserTest::hostileShapes()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, text);
    QFETCH(QStringList, attachments);
    const MIME::Parsed parsed = MIME::parse(message);
    QCOMPARE(parsed.text, text);
    QStringList found;
    for (const Attachment& attachment : parsed.attachments)
        found.append(QString("%1 %2 %3").arg(attachment.name, attachment.type).arg(attachment.data.size()));
    QCOMPARE(found, attachments);
}

void MIMEParserTest::sizeText_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << 0 << "1 kb";
    QTest::newRow("tiny") << 100 << "1 kb";
    QTest::newRow("half rounds to even") << 2560 << "2 kb";
    QTest::newRow("just under a megabyte") << 1048575 << "1024 kb";
    QTest::newRow("one megabyte") << 1048576 << "1.0 mb";
    QTest::newRow("one and a half") << 1572864 << "1.5 mb";
}

void MIMEParserTest::sizeText()
{
    QFETCH(int, bytes);
    QFETCH(QString, text);
    QCOMPARE((Attachment{"f", "application/octet-stream", QByteArray(bytes, 'x')}.sizeText()), text);
}

QTEST_GUILESS_MAIN(MIMEParserTest)
#include "MIMEParserTest.moc"
