#include "net/FetchedHeader.h"
#include "net/IMAPClient.h"
#include "net/IMAPParser.h"
#include "net/MailError.h"

#include <QTest>

Q_DECLARE_METATYPE(IMAPResponse)
Q_DECLARE_METATYPE(std::optional<qint64>)

namespace {

IMAPValue A(const char* text) { return IMAPValue::atom(QString::fromUtf8(text)); }
IMAPValue S(const QByteArray& bytes) { return IMAPValue::string(bytes); }
IMAPValue L(std::vector<IMAPValue> items) { return IMAPValue::list(std::move(items)); }
IMAPValue N() { return IMAPValue::null(); }

QByteArray nested(int depth)
{
    return QByteArray(depth, '(') + "x" + QByteArray(depth, ')');
}

}  // namespace

class IMAPParserTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void untagged_data();
    void untagged();
    void valueAndPosition_data();
    void valueAndPosition();
    void text();
    void deepNestingStaysShallow();
    void literalLength_data();
    void literalLength();
    void fetchedHeaders();
    void fetchedHeaderFields_data();
    void fetchedHeaderFields();
    void fetchedHeaderFromBytes_data();
    void fetchedHeaderFromBytes();
    void mailboxDiscovery_data();
    void mailboxDiscovery();
    void quoting_data();
    void quoting();
};

void IMAPParserTest::untagged_data()
{
    QTest::addColumn<QByteArray>("afterStar");
    QTest::addColumn<IMAPResponse>("values");

    QTest::newRow("exists") << QByteArray(" 5 EXISTS") << IMAPResponse{A("5"), A("EXISTS")};
    QTest::newRow("list with special use")
        << QByteArray(R"( LIST (\HasNoChildren \Sent) "/" "Sent Messages")")
        << IMAPResponse{A("LIST"), L({A("\\HasNoChildren"), A("\\Sent")}), S("/"), S("Sent Messages")};
    QTest::newRow("escapes in quoted string") << QByteArray(R"( "a\"b\\c")") << IMAPResponse{S("a\"b\\c")};
    QTest::newRow("backslash as last byte") << QByteArray(" \"ab\\") << IMAPResponse{S("ab\\")};
    QTest::newRow("unterminated string") << QByteArray(" \"abc def") << IMAPResponse{S("abc def")};
    QTest::newRow("unterminated list") << QByteArray(" (a (b c") << IMAPResponse{L({A("a"), L({A("b"), A("c")})})};
    QTest::newRow("stray closing parenthesis") << QByteArray(" a ) b") << IMAPResponse{A("a"), A("b")};
    QTest::newRow("nil in any case") << QByteArray(" nil Nil NIL \"NIL\"") << IMAPResponse{N(), N(), N(), S("NIL")};
    QTest::newRow("tab does not separate") << QByteArray(" a\tb c") << IMAPResponse{A("a\tb"), A("c")};
    QTest::newRow("response code stays whole")
        << QByteArray(" OK [UIDVALIDITY 1796901431] UIDs valid")
        << IMAPResponse{A("OK"), A("[UIDVALIDITY 1796901431]"), A("UIDs"), A("valid")};
    QTest::newRow("section with field list and literal")
        << QByteArray(" 3 FETCH (BODY[HEADER.FIELDS (FROM TO)] {5}\r\nab\r\nc)")
        << IMAPResponse{A("3"), A("FETCH"), L({A("BODY[HEADER.FIELDS (FROM TO)]"), S("ab\r\nc")})};
    QTest::newRow("non-synchronising literal") << QByteArray(" {3+}\r\nabc") << IMAPResponse{S("abc")};
    QTest::newRow("literal longer than the data") << QByteArray(" {10}\r\nabc") << IMAPResponse{S("abc")};
    QTest::newRow("literal without closing brace") << QByteArray(" {12 x") << IMAPResponse{S("")};
    QTest::newRow("literal cut before its first byte") << QByteArray(" {3}\r\n") << IMAPResponse{S("")};
    QTest::newRow("literal length past 64 bits")
        << QByteArray(" {99999999999999999999999}\r\nabc") << IMAPResponse{S("")};
    QTest::newRow("literal of largest length") << QByteArray(" {9223372036854775807}\r\nabc") << IMAPResponse{S("abc")};
    QTest::newRow("unclosed bracket swallows the rest") << QByteArray(" BODY[x (a) b") << IMAPResponse{A("BODY[x (a) b")};
    QTest::newRow("invalid UTF-8 in atom") << QByteArray(" a\xff") << IMAPResponse{A("a\xef\xbf\xbd")};
    QTest::newRow("empty") << QByteArray("") << IMAPResponse{};
}

void IMAPParserTest::untagged()
{
    QFETCH(QByteArray, afterStar);
    QFETCH(IMAPResponse, values);
    QCOMPARE(IMAPParser::parseUntagged(afterStar), values);
}

void IMAPParserTest::valueAndPosition_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<IMAPResponse>("value");  // empty for none
    QTest::addColumn<qsizetype>("position");

    QTest::newRow("literal stops after its bytes") << QByteArray("{5}\r\nhello world") << IMAPResponse{S("hello")} << qsizetype(10);
    QTest::newRow("closing parenthesis is not consumed") << QByteArray("  ) x") << IMAPResponse{} << qsizetype(2);
    QTest::newRow("atom ends before parenthesis") << QByteArray("abc(d") << IMAPResponse{A("abc")} << qsizetype(3);
    QTest::newRow("only blanks") << QByteArray(" \r\n ") << IMAPResponse{} << qsizetype(4);
}

void IMAPParserTest::valueAndPosition()
{
    QFETCH(QByteArray, bytes);
    QFETCH(IMAPResponse, value);
    QFETCH(qsizetype, position);
    IMAPParser parser(bytes);
    const std::optional<IMAPValue> parsed = parser.parseValue();
    QCOMPARE(parsed.has_value(), !value.empty());
    if (parsed)
        QCOMPARE(*parsed, value.front());
    QCOMPARE(parser.position(), position);
}

void IMAPParserTest::text()
{
    QCOMPARE(A("x").text(), QString("x"));
    QCOMPARE(S("gr\xc3\xbc\xff").text(), QString::fromUtf8("grü\xef\xbf\xbd"));
    QCOMPARE(N().text(), std::nullopt);
    QCOMPARE(L({}).text(), std::nullopt);
    QVERIFY(S("fetch").is(u"FETCH"));
    QVERIFY(!L({A("FETCH")}).is(u"FETCH"));
}

void IMAPParserTest::deepNestingStaysShallow()
{
    // A hostile server must not be able to blow the stack through parsing or destroying the tree.
    const QByteArray bytes = nested(200000);
    const IMAPResponse values = IMAPParser::parseUntagged(bytes);
    int depth = 0;
    const IMAPValue* v = values.empty() ? nullptr : &values.front();
    while (v && v->isList()) {
        ++depth;
        v = v->items().empty() ? nullptr : &v->items().front();
    }
    QVERIFY(depth <= IMAPParser::maxDepth);
    QCOMPARE(depth, IMAPParser::maxDepth);
}

void IMAPParserTest::literalLength_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<std::optional<qint64>>("length");

    const std::optional<qint64> none;
    QTest::newRow("plain") << QByteArray("* 1 FETCH (BODY[] {42}") << std::optional<qint64>(42);
    QTest::newRow("non-synchronising") << QByteArray("a {7+}") << std::optional<qint64>(7);
    QTest::newRow("zero") << QByteArray("{0}") << std::optional<qint64>(0);
    QTest::newRow("letters") << QByteArray("x {abc}") << none;
    QTest::newRow("nothing between braces") << QByteArray("x {}") << none;
    QTest::newRow("negative") << QByteArray("x {-5}") << none;
    QTest::newRow("only a plus") << QByteArray("x {+}") << none;
    QTest::newRow("no opening brace") << QByteArray("x 5}") << none;
    QTest::newRow("brace not last") << QByteArray("x {5} ") << none;
    QTest::newRow("empty line") << QByteArray("") << none;
    QTest::newRow("largest 64-bit") << QByteArray("{9223372036854775807}") << std::optional<qint64>(9223372036854775807);
    QTest::newRow("past 64 bits") << QByteArray("{9223372036854775808}") << none;
    QTest::newRow("far past 64 bits") << QByteArray("{99999999999999999999999999}") << none;
}

void IMAPParserTest::literalLength()
{
    QFETCH(QByteArray, line);
    QFETCH(std::optional<qint64>, length);
    QCOMPARE(IMAPClient::literalLength(line), length);
}

void IMAPParserTest::fetchedHeaders()
{
    const QByteArray header = "From: a@example.org\r\nSubject: hi\r\n\r\n";
    const std::vector<IMAPResponse> responses = {
        IMAPParser::parseUntagged(" 7 EXISTS"),
        IMAPParser::parseUntagged(" 1 FETCH (UID 7 FLAGS (\\Seen \\Answered) INTERNALDATE \"17-Jul-2024 10:01:02 +0200\" "
                                  "BODY[HEADER.FIELDS (FROM SUBJECT)] {"
                                  + QByteArray::number(header.size()) + "}\r\n" + header + ")"),
        IMAPParser::parseUntagged(" 2 FETCH (FLAGS (\\Seen) BODY[HEADER] {2}\r\nab)"),  // no UID: dropped
        IMAPParser::parseUntagged(" 3 fetch (uid 9 UID 0 FLAGS () BODY[HEADER] \"\")"),  // later UID 0 wins: dropped
        IMAPParser::parseUntagged(" 3 FETCH (UID 9 FLAGS (\\Flagged))"),  // another client's change: no header block
        IMAPParser::parseUntagged(" 4 FETCH (UID 12 INTERNALDATE NIL BODY[] NIL)"),
        IMAPParser::parseUntagged(" 5 FETCH (UID 13 BODY[HEADER] {2}\r\nab)"),  // not asked for
        IMAPParser::parseUntagged(" x FETCH (UID 14 BODY[HEADER] {2}\r\nab)"),
    };
    const std::vector<FetchedHeader> headers = FetchedHeader::readAll(responses, 1, 4);
    QCOMPARE(headers.size(), size_t(2));
    QCOMPARE(headers[0].uid, 7);
    QCOMPARE(headers[0].flags, QStringList({"\\Seen", "\\Answered"}));
    QCOMPARE(headers[0].internalDate, QDateTime(QDate(2024, 7, 17), QTime(8, 1, 2), Qt::UTC));
    QCOMPARE(headers[0].headers, header);
    QCOMPARE(headers[1].uid, 12);
    QCOMPARE(headers[1].internalDate, std::nullopt);
    QCOMPARE(headers[1].headers, QByteArray());
}

void IMAPParserTest::fetchedHeaderFields_data()
{
    QTest::addColumn<QByteArray>("items");
    QTest::addColumn<qint64>("uid");
    QTest::addColumn<QStringList>("flags");
    QTest::addColumn<bool>("hasDate");
    QTest::addColumn<QByteArray>("headers");

    QTest::newRow("odd item count ignores the last") << QByteArray("UID 5 FLAGS") << qint64(5) << QStringList() << false << QByteArray();
    QTest::newRow("uid not a number") << QByteArray("UID x5") << qint64(0) << QStringList() << false << QByteArray();
    QTest::newRow("flags without list") << QByteArray("UID 5 FLAGS \\Seen") << qint64(5) << QStringList() << false << QByteArray();
    QTest::newRow("flags skip lists and nil")
        << QByteArray("UID 5 FLAGS (\\Seen (x) NIL \"$Junk\")") << qint64(5) << QStringList({"\\Seen", "$Junk"}) << false << QByteArray();
    QTest::newRow("date with space-padded day")
        << QByteArray("UID 5 INTERNALDATE \" 7-Jul-2024 10:01:02 +0000\"") << qint64(5) << QStringList() << true << QByteArray();
    QTest::newRow("unreadable date") << QByteArray("UID 5 INTERNALDATE \"yesterday\"") << qint64(5) << QStringList() << false << QByteArray();
    QTest::newRow("header block as atom") << QByteArray("UID 5 BODY[HEADER] abc") << qint64(5) << QStringList() << false << QByteArray("abc");
    QTest::newRow("later pair overrides") << QByteArray("UID 5 UID 6") << qint64(6) << QStringList() << false << QByteArray();
    QTest::newRow("list as name") << QByteArray("(UID) 5 UID 8") << qint64(8) << QStringList() << false << QByteArray();
}

void IMAPParserTest::fetchedHeaderFields()
{
    QFETCH(QByteArray, items);
    QFETCH(qint64, uid);
    QFETCH(QStringList, flags);
    QFETCH(bool, hasDate);
    QFETCH(QByteArray, headers);
    const QByteArray response = " 1 FETCH (BODY[HEADER] \"\" " + items + ")";
    const std::vector<FetchedHeader> read = FetchedHeader::readAll({IMAPParser::parseUntagged(response)}, 1, 1);
    QCOMPARE(read.size(), size_t(uid > 0 ? 1 : 0));
    if (read.empty())
        return;
    QCOMPARE(read[0].uid, uid);
    QCOMPARE(read[0].flags, flags);
    QCOMPARE(read[0].internalDate.has_value(), hasDate);
    QCOMPARE(read[0].headers, headers);
}

// The bytes of the usual answer are read without the parser; whatever the shape, the reading
// must be the parser's.
void IMAPParserTest::fetchedHeaderFromBytes_data()
{
    QTest::addColumn<QByteArray>("afterStar");
    QTest::addColumn<qint64>("uid");  // 0 for none

    const QByteArray date = "INTERNALDATE \"17-Jul-2024 10:01:02 +0200\"";
    const QByteArray body = "BODY[HEADER.FIELDS (FROM SUBJECT)] {21}\r\nFrom: a@b\r\nSubject: x";
    const auto fetch = [](const QByteArray& items) { return " 3 FETCH (" + items + ")"; };
    QTest::newRow("usual") << fetch("UID 12 FLAGS (\\Seen $Forwarded) " + date + " " + body) << qint64(12);
    QTest::newRow("other order, no flags") << fetch(body + " FLAGS () " + date + " UID 12") << qint64(12);
    QTest::newRow("numbers with leading zeros") << QByteArray(" 003 FETCH (UID 0012 " + body + ")") << qint64(12);
    QTest::newRow("date with a blank for the day's first digit")
        << fetch("UID 12 INTERNALDATE \" 7-Jul-2024 10:01:02 +0200\" " + body) << qint64(12);
    QTest::newRow("later items override") << fetch("UID 12 FLAGS (a) " + body + " FLAGS (b) UID 13") << qint64(13);
    QTest::newRow("NIL as a flag") << fetch("UID 12 FLAGS (\\Seen nil) " + body) << qint64(12);
    QTest::newRow("quoted flag") << fetch("UID 12 FLAGS (\"$Junk\") " + body) << qint64(12);
    QTest::newRow("brackets in a flag take a blank") << fetch("UID 12 FLAGS (a[b c]) " + body) << qint64(12);
    QTest::newRow("escaped quote in the date") << fetch("UID 12 INTERNALDATE \"1\\\"7\" " + body) << qint64(12);
    QTest::newRow("date NIL") << fetch("UID 12 INTERNALDATE NIL " + body) << qint64(12);
    QTest::newRow("names in lower case") << QByteArray(" 3 fetch (uid 12 body[header] {1}\r\nx)") << qint64(12);
    QTest::newRow("two blanks") << fetch("UID  12 " + body) << qint64(12);
    QTest::newRow("partial body") << fetch("UID 12 BODY[]<0> {1}\r\nx") << qint64(12);
    QTest::newRow("quoted body") << fetch("UID 12 BODY[HEADER] \"x\"") << qint64(12);
    QTest::newRow("literal cut short") << fetch("UID 12 BODY[HEADER] {30}\r\nFrom: a@b") << qint64(12);
    QTest::newRow("literal followed by more") << fetch("UID 12 BODY[HEADER] {1}\r\nxy") << qint64(12);
    QTest::newRow("non-synchronising literal") << fetch("UID 12 BODY[HEADER] {1+}\r\nx") << qint64(12);
    QTest::newRow("another item") << fetch("UID 12 MODSEQ (7) " + body) << qint64(12);
    QTest::newRow("more after the list") << QByteArray(fetch("UID 12 " + body) + " x") << qint64(12);
    QTest::newRow("UID zero") << fetch("UID 00 " + body) << qint64(0);
    QTest::newRow("UID past 64 bits") << fetch("UID 99999999999999999999 " + body) << qint64(0);
    QTest::newRow("message not asked for") << QByteArray(" 10 FETCH (UID 12 " + body + ")") << qint64(0);
    QTest::newRow("no header block") << fetch("UID 12 FLAGS (\\Seen)") << qint64(0);
    QTest::newRow("cut after the number") << QByteArray(" 3") << qint64(0);
}

void IMAPParserTest::fetchedHeaderFromBytes()
{
    QFETCH(QByteArray, afterStar);
    QFETCH(qint64, uid);
    const std::optional<FetchedHeader> read = FetchedHeader::read(QByteArrayView(afterStar), 1, 9);
    QCOMPARE(read, FetchedHeader::read(IMAPParser::parseUntagged(afterStar), 1, 9));
    QCOMPARE(read ? read->uid : 0, uid);
}

void IMAPParserTest::mailboxDiscovery_data()
{
    QTest::addColumn<QByteArray>("listing");  // LIST responses, one a line
    QTest::addColumn<QString>("found");       // empty for none

    QTest::newRow("first special use in server order")
        << QByteArray("LIST (\\Sent) \"/\" Outbox\nLIST (\\HasNoChildren \\SENT) \"/\" Sent") << "Outbox";
    QTest::newRow("common names by preference, server spelling")
        << QByteArray("LIST () \"/\" \"Sent Items\"\nLIST () \"/\" \"sent messages\"") << "sent messages";
    QTest::newRow("special use beats common name")
        << QByteArray("LIST () \"/\" Sent\nLIST (\\Sent) \"/\" Gesendet") << "Gesendet";
    QTest::newRow("nil name skipped") << QByteArray("LIST (\\Sent) \"/\" NIL\nLIST () \"/\" INBOX.Sent") << "INBOX.Sent";
    QTest::newRow("attributes not a list") << QByteArray("LIST \\Sent \"/\" Box") << "";
    QTest::newRow("too few values") << QByteArray("LIST (\\Sent) Sent") << "";
    QTest::newRow("not a LIST") << QByteArray("LSUB (\\Sent) \"/\" Sent") << "";
    QTest::newRow("nothing") << QByteArray("") << "";
}

void IMAPParserTest::mailboxDiscovery()
{
    QFETCH(QByteArray, listing);
    QFETCH(QString, found);
    std::vector<IMAPResponse> responses;
    for (const QByteArray& line : listing.split('\n'))
        responses.push_back(IMAPParser::parseUntagged(line));
    const QStringList common = {"Sent Messages", "Sent", "Gesendet", "INBOX.Sent", "Sent Items"};
    QCOMPARE(IMAPClient::findMailbox(responses, "\\sent", common).value_or(QString()), found);
}

void IMAPParserTest::quoting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("quoted");  // empty: refused

    QTest::newRow("plain") << "INBOX" << QByteArray("\"INBOX\"");
    QTest::newRow("quote and backslash") << "pa\"ss\\word" << QByteArray(R"("pa\"ss\\word")");
    QTest::newRow("non-ASCII as UTF-8") << QString::fromUtf8("jürgen") << QByteArray("\"j\xc3\xbcrgen\"");
    QTest::newRow("line feed") << "Sent\n" << QByteArray();
    QTest::newRow("carriage return") << "a\rL2 DELETE INBOX" << QByteArray();
    QTest::newRow("NUL") << QString("a") + QChar(0) + "b" << QByteArray();
}

void IMAPParserTest::quoting()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, quoted);
    try {
        QCOMPARE(IMAPClient::quoted(text, "mailbox name"), quoted);
        QVERIFY(!quoted.isEmpty());
    } catch (const MailError& e) {
        QVERIFY(quoted.isEmpty());
        QVERIFY(std::holds_alternative<MailError::Refused>(e.which()));
        QVERIFY(e.description().contains("mailbox name"));
    }
}

QTEST_GUILESS_MAIN(IMAPParserTest)
#include "IMAPParserTest.moc"
