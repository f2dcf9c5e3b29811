// The outgoing message format, read back with the program's own MIME reader where that shows
// more than the bytes would.
#include "content/MIME.h"
#include "net/MailError.h"
#include "net/MessageBuilder.h"

#include <QRegularExpression>
#include <QTest>
#include <QTextBoundaryFinder>

namespace {

MessageBuilder::Draft draft()
{
    MessageBuilder::Draft d;
    d.fromEmail = "jane@example.org";
    d.fromName = "Jane Doe";
    d.to = {"bob@example.org", "carol@example.org"};
    d.subject = "Lunch";
    d.body = "See you at noon.";
    return d;
}

MIME::HeaderList headersOf(const QByteArray& message)
{
    return MIME::headers(MIME::splitHeaderBody(message).first);
}

QStringList namesOf(const MIME::HeaderList& fields)
{
    QStringList names;
    for (const MIME::HeaderField& field : fields)
        names.append(field.name);
    return names;
}

QString errorOf(const MessageBuilder::Draft& d)
{
    try {
        MessageBuilder::build(d);
    } catch (const MailError& e) {
        return e.description();
    }
    return {};
}

}  // namespace

class MessageBuilderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void singlePart();
    void optionalHeaders();
    void messageIDDomain_data();
    void messageIDDomain();
    void fromDisplayName_data();
    void fromDisplayName();
    void encodeHeader_data();
    void encodeHeader();
    void qpEncode_data();
    void qpEncode();
    void attachments();
    void longHeadersAreFolded_data();
    void longHeadersAreFolded();
    void unsafeDraftRefused_data();
    void unsafeDraftRefused();
};

void MessageBuilderTest::singlePart()
{
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const MessageBuilder::Message built = MessageBuilder::build(draft());
    const QByteArray expectedStart = "From: Jane Doe <jane@example.org>\r\n"
                                     "To: bob@example.org, carol@example.org\r\n"
                                     "Subject: Lunch\r\n"
                                     "Date: ";
    QVERIFY2(built.data.startsWith(expectedStart), built.data.constData());
    const QByteArray expectedEnd = "\r\nMessage-ID: " + built.messageID.toUtf8()
        + "\r\nMIME-Version: 1.0\r\nX-Mailer: LU.MARA\r\nContent-Type: text/plain; charset=utf-8\r\n"
          "Content-Transfer-Encoding: quoted-printable\r\n\r\nSee you at noon.";
    QVERIFY2(built.data.endsWith(expectedEnd), built.data.constData());
    QCOMPARE(built.data.count("\r\n\r\n"), 1);

    const std::optional<QDateTime> date = MIME::date(MIME::header(headersOf(built.data), "date").value_or(""));
    QVERIFY(date.has_value());
    QVERIFY(*date >= before && *date <= QDateTime::currentDateTime());
}

void MessageBuilderTest::optionalHeaders()
{
    MessageBuilder::Draft d = draft();
    d.to.clear();
    d.cc = {"dave@example.org"};
    d.inReplyTo = "<a@example.org>";
    d.references = "<z@example.org> <a@example.org>";
    const MIME::HeaderList fields = headersOf(MessageBuilder::build(d).data);
    QCOMPARE(namesOf(fields), QStringList({"from", "to", "cc", "subject", "date", "message-id", "in-reply-to",
                                          "references", "mime-version", "x-mailer", "content-type",
                                          "content-transfer-encoding"}));
    QCOMPARE(MIME::header(fields, "to").value_or("-"), "");
    QCOMPARE(MIME::header(fields, "references").value_or(""), *d.references);

    d.inReplyTo = "";
    d.references.reset();
    d.cc.clear();
    QCOMPARE(namesOf(headersOf(MessageBuilder::build(d).data)),
             QStringList({"from", "to", "subject", "date", "message-id", "mime-version", "x-mailer",
                          "content-type", "content-transfer-encoding"}));
}

void MessageBuilderTest::messageIDDomain_data()
{
    QTest::addColumn<QString>("fromEmail");
    QTest::addColumn<QString>("domain");

    QTest::newRow("address") << "jane@example.org" << "example.org";
    QTest::newRow("last of several @") << "a@b@mail.example" << "mail.example";
    QTest::newRow("trailing @ ignored") << "jane@" << "jane";
    QTest::newRow("no @: the whole address") << "localonly" << "localonly";
    QTest::newRow("empty: the local host name") << "" << "lumara.local";
}

void MessageBuilderTest::messageIDDomain()
{
    QFETCH(QString, fromEmail);
    QFETCH(QString, domain);
    MessageBuilder::Draft d = draft();
    d.fromEmail = fromEmail;
    const MessageBuilder::Message built = MessageBuilder::build(d);
    const QRegularExpression form("^<[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}@"
                                  + QRegularExpression::escape(domain) + ">$");
    QVERIFY2(form.match(built.messageID).hasMatch(), qPrintable(built.messageID));
    QCOMPARE(MIME::header(headersOf(built.data), "message-id").value_or(""), built.messageID);
    QVERIFY(MessageBuilder::build(d).messageID != built.messageID);
}

void MessageBuilderTest::fromDisplayName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("header");

    QTest::newRow("atoms stay bare") << "Jane Doe" << "Jane Doe <jane@example.org>";
    QTest::newRow("no name: the address alone") << "" << "jane@example.org";
    QTest::newRow("comma is quoted") << "Doe, Jane" << "\"Doe, Jane\" <jane@example.org>";
    QTest::newRow("dot, colon, at are quoted") << "J. Doe: jane@home" << "\"J. Doe: jane@home\" <jane@example.org>";
    QTest::newRow("quotes and backslash are escaped") << "Jane \"JD\" D\\oe" << "\"Jane \\\"JD\\\" D\\\\oe\" <jane@example.org>";
    QTest::newRow("non-ASCII: encoded word") << QString::fromUtf8("Jürgen, Jane") << "=?UTF-8?B?SsO8cmdlbiwgSmFuZQ==?= <jane@example.org>";
    QTest::newRow("line break: encoded, no header added") << "Eve\r\nBcc: x@evil.example" << "=?UTF-8?B?RXZlDQpCY2M6IHhAZXZpbC5leGFtcGxl?= <jane@example.org>";
}

void MessageBuilderTest::fromDisplayName()
{
    QFETCH(QString, name);
    QFETCH(QString, header);
    MessageBuilder::Draft d = draft();
    d.fromName = name;
    const MIME::HeaderList fields = headersOf(MessageBuilder::build(d).data);
    QCOMPARE(MIME::header(fields, "from").value_or(""), header);
    QVERIFY(!MIME::header(fields, "bcc"));
    if (!name.contains(u'\\') && !name.contains(u'"'))  // our reader does not undo escapes
        QCOMPARE(MIME::address(header).name, name);
}

void MessageBuilderTest::encodeHeader_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("words");  // 0: unchanged

    QTest::newRow("ASCII as it is") << "Lunch at 12:30 = fine?" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("one umlaut") << QString::fromUtf8("Grüße") << 1;
    QTest::newRow("tab is a control character") << "a\tb" << 1;
    QTest::newRow("DEL is a control character") << "a\x7f" "b" << 1;
    QTest::newRow("100 non-ASCII letters") << QString(100, QChar(0xE4)) << 5;  // 22 letters of 2 bytes per word
    QTest::newRow("accents never cut from their letters") << QString("e\u0301").repeated(50) << 4;  // 3 bytes each: 15 per word
    QTest::newRow("emoji with skin tone and joiner") << QString::fromUtf8("👩🏽‍💻👩🏽‍💻👩🏽‍💻👩🏽‍💻") << 2;  // 15 bytes each, 3 to a word
    QTest::newRow("one letter under 40 marks, by code point") << "a" + QString(40, QChar(0x0301)) << 2;
}

void MessageBuilderTest::encodeHeader()
{
    QFETCH(QString, text);
    QFETCH(int, words);
    const QString encoded = MessageBuilder::encodeHeader(text);
    if (words == 0) {
        QCOMPARE(encoded, text);
        return;
    }
    const QStringList list = encoded.split("\r\n ");
    QCOMPARE(list.size(), words);
    QString decoded;
    for (const QString& word : list) {
        QVERIFY2(word.startsWith("=?UTF-8?B?") && word.endsWith("?=") && word.size() <= 72, qPrintable(word));
        const QByteArray bytes = QByteArray::fromBase64(word.mid(10, word.size() - 12).toLatin1());
        QVERIFY(bytes.size() <= 45);
        QCOMPARE(QString::fromUtf8(bytes).toUtf8(), bytes);  // whole code points only
        decoded += QString::fromUtf8(bytes);
        if (!text.startsWith(u'a')) {  // words end on character boundaries, except in the one giant cluster
            QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
            finder.setPosition(decoded.size());
            QVERIFY(finder.isAtBoundary());
        }
    }
    QCOMPARE(decoded, text);
    QCOMPARE(MIME::decodeWords(encoded), text);
}

void MessageBuilderTest::qpEncode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("encoded");

    const QByteArray x75(75, 'x');
    QTest::newRow("200 letters: soft breaks at 76") << QString(200, u'x')
                                                    << x75 + "=\r\n" + x75 + "=\r\n" + QByteArray(50, 'x');
    QTest::newRow("76 letters break, 75 do not") << QString(76, u'x') << x75 + "=\r\nx";
    QTest::newRow("75 letters fit") << QString(75, u'x') << x75;
    QTest::newRow("escape never split by a soft break") << QString(74, u'x') + QChar(0xE4)
                                                        << QByteArray(74, 'x') + "=\r\n=C3=A4";
    QTest::newRow("trailing space encoded, inner kept") << "a b " << QByteArray("a b=20");
    QTest::newRow("trailing tab encoded") << "a\tb\t\nc" << QByteArray("a\tb=09\r\nc");
    QTest::newRow("equals sign always encoded") << "a=b=" << QByteArray("a=3Db=3D");
    QTest::newRow("control bytes and DEL") << QString("a\x01\x7f") << QByteArray("a=01=7F");
    QTest::newRow("lone CR encoded") << "a\rb" << QByteArray("a=0Db");
    QTest::newRow("LF and CR LF both end lines") << "a\nb\r\nc" << QByteArray("a\r\nb\r\nc");
    QTest::newRow("empty lines and final line break kept") << "a\n\nb\n" << QByteArray("a\r\n\r\nb\r\n");
    QTest::newRow("lines starting with a dot stay") << ".\n..x" << QByteArray(".\r\n..x");
    QTest::newRow("empty") << "" << QByteArray();
}

void MessageBuilderTest::qpEncode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, encoded);
    QCOMPARE(MessageBuilder::qpEncode(text), encoded);
    QCOMPARE(MIME::qpDecode(encoded), text.toUtf8().replace("\r\n", "\n").replace("\n", "\r\n"));
}

void MessageBuilderTest::attachments()
{
    MessageBuilder::Draft d = draft();
    QByteArray pdf;
    for (int i = 0; i < 1000; ++i)
        pdf += char(i % 251);
    d.attachments = {{"say \"cheese\".jpg", "image/jpeg", "JPEG"},
                     {QString::fromUtf8("Präsentation für den Vorstand über das Geschäftsjahr.pdf"), "application/pdf", pdf},
                     {"data", "", QByteArray()}};
    const MessageBuilder::Message built = MessageBuilder::build(d);

    const MIME::HeaderList fields = headersOf(built.data);
    const MIME::Params type = MIME::params(MIME::header(fields, "content-type").value_or(""));
    QCOMPARE(type.main, "multipart/mixed");
    const QString boundary = type.params.value("boundary");
    QVERIFY2(QRegularExpression("^lumara-[0-9a-f-]{36}$").match(boundary).hasMatch(), qPrintable(boundary));
    QVERIFY(!built.messageID.contains(boundary.mid(7)));
    QVERIFY(built.data.endsWith("--" + boundary.toLatin1() + "--\r\n"));
    QVERIFY(built.data.contains("Content-Type: image/jpeg; name=\"say 'cheese'.jpg\"\r\n"
                                "Content-Transfer-Encoding: base64\r\n"
                                "Content-Disposition: attachment; filename=\"say 'cheese'.jpg\"\r\n\r\nSlBFRw==\r\n"));
    QVERIFY(built.data.contains("Content-Type: application/octet-stream; name=\"data\"\r\n"));
    const QByteArray base64 = pdf.toBase64();
    QVERIFY(built.data.contains("\r\n\r\n" + base64.first(76) + "\r\n" + base64.sliced(76, 76) + "\r\n"));

    const MIME::Parsed parsed = MIME::parse(built.data);
    QCOMPARE(parsed.text, d.body);
    QCOMPARE(parsed.attachments.size(), 3);
    QCOMPARE(parsed.attachments[0].name, "say 'cheese'.jpg");
    QCOMPARE(parsed.attachments[1].name, d.attachments[1].name);
    QCOMPARE(parsed.attachments[1].data, pdf);
    QCOMPARE(parsed.attachments[2].type, "application/octet-stream");
}

void MessageBuilderTest::longHeadersAreFolded_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");

    QStringList words;
    for (int i = 0; i < 120; ++i)
        words << QStringLiteral("word%1").arg(i);
    QStringList addresses;
    for (int i = 0; i < 30; ++i)
        addresses << QStringLiteral("person%1@example.org").arg(i);
    QStringList ids;
    for (int i = 0; i < 20; ++i)
        ids << QStringLiteral("<%1.thread@mail.example.org>").arg(i);
    QTest::newRow("subject of 120 words") << "subject" << words.join(' ');
    QTest::newRow("30 recipients") << "to" << addresses.join(", ");
    QTest::newRow("long References chain") << "references" << ids.join(' ');
    QTest::newRow("quoted display name") << "from" << "\"" + words.mid(0, 40).join(", ") + "\" <jane@example.org>";
}

void MessageBuilderTest::longHeadersAreFolded()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    MessageBuilder::Draft d = draft();
    if (field == "subject")
        d.subject = value;
    else if (field == "to")
        d.to = value.split(", ");
    else if (field == "references")
        d.references = value;
    else
        d.fromName = MIME::address(value).name;
    const QByteArray message = MessageBuilder::build(d).data;
    const QByteArray header = MIME::splitHeaderBody(message).first.toByteArray();
    for (const QByteArray& line : header.split('\n'))
        QVERIFY2(line.size() <= 79, line.constData());
    QVERIFY(header.count("\r\n ") > 2);
    QCOMPARE(MIME::header(MIME::headers(header), field).value_or(""), value);
}

void MessageBuilderTest::unsafeDraftRefused_data()
{
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("error");

    QTest::newRow("sender") << "fromEmail" << "not sent: the sender address contains a line break or a NUL character";
    QTest::newRow("To") << "to" << "not sent: the recipient address contains a line break or a NUL character";
    QTest::newRow("Cc") << "cc" << "not sent: the recipient address contains a line break or a NUL character";
    QTest::newRow("In-Reply-To") << "inReplyTo" << "not sent: the In-Reply-To header contains a line break or a NUL character";
    QTest::newRow("References") << "references" << "not sent: the References header contains a line break or a NUL character";
    QTest::newRow("attachment type") << "type" << "not sent: the type of the attachment a.txt contains a line break or a NUL character";
}

void MessageBuilderTest::unsafeDraftRefused()
{
    QFETCH(QString, part);
    QFETCH(QString, error);
    const QString injected = "x@example.org\r\nBcc: eve@evil.example";
    MessageBuilder::Draft d = draft();
    if (part == "fromEmail")
        d.fromEmail = injected;
    else if (part == "to")
        d.to.append(injected);
    else if (part == "cc")
        d.cc = {QString(injected).remove(u'\r')};
    else if (part == "inReplyTo")
        d.inReplyTo = injected;
    else if (part == "references")
        d.references = QString(injected).remove(u'\n');
    else
        d.attachments = {{"a.txt", "text/plain\r\nBcc: eve@evil.example", "a"}};
    QCOMPARE(errorOf(d), error);
}

QTEST_GUILESS_MAIN(MessageBuilderTest)
#include "MessageBuilderTest.moc"
