#include "content/ICUText.h"
#include "content/MIMEText.h"

#include <QTest>

#include <unicode/regex.h>

#include <memory>

namespace {

// Encoded words found with the patterns of RFC 2047 written for ICU: what the scan must find.
// Each word found is decoded alone.
QString byPatterns(const QString& text)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::RegexPattern> adjacent(icu::RegexPattern::compile(u"\\?=\\s+=\\?", 0, status));
    const std::unique_ptr<icu::RegexPattern> word(icu::RegexPattern::compile(u"=\\?([^?]+)\\?([BbQq])\\?([^?]*)\\?=", 0, status));
    const icu::UnicodeString input = toIcu(text);
    const std::unique_ptr<icu::RegexMatcher> joiner(adjacent->matcher(input, status));
    const icu::UnicodeString joined = joiner->replaceAll(u"?==?", status);
    const std::unique_ptr<icu::RegexMatcher> match(word->matcher(joined, status));
    QString out;
    int32_t copied = 0;
    while (match->find()) {
        out += fromIcu(joined, copied, match->start(status));
        out += MIME::decodeWords(fromIcu(joined, match->start(status), match->end(status)));
        copied = match->end(status);
    }
    return out + fromIcu(joined, copied);
}

}  // namespace

class MIMETextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void qpDecode_data();
    void qpDecode();
    void base64Decode_data();
    void base64Decode();
    void encodingNames_data();
    void encodingNames();
    void decodeText_data();
    void decodeText();
    void decodeWords_data();
    void decodeWords();
    void wordsMatchThePatterns_data();
    void wordsMatchThePatterns();
};

void MIMETextTest::qpDecode_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("underscoreIsSpace");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("escapes in both cases") << QByteArray("a=3D=e4=C3=A4") << false << QByteArray("a=\xe4\xc3\xa4");
    QTest::newRow("soft break LF") << QByteArray("long=\nline") << false << QByteArray("longline");
    QTest::newRow("soft break CR LF") << QByteArray("long=\r\nline\r\n") << false << QByteArray("longline\r\n");
    QTest::newRow("bad escape kept") << QByteArray("=G1=4") << false << QByteArray("=G1=4");
    QTest::newRow("= at the end") << QByteArray("end=") << false << QByteArray("end=");
    QTest::newRow("= and CR at the end") << QByteArray("end=\r") << false << QByteArray("end=\r");
    QTest::newRow("underscore kept in bodies") << QByteArray("a_b") << false << QByteArray("a_b");
    QTest::newRow("underscore in encoded words") << QByteArray("a_b=5F") << true << QByteArray("a b_");
}

void MIMETextTest::qpDecode()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, underscoreIsSpace);
    QFETCH(QByteArray, expected);
    QCOMPARE(MIME::qpDecode(input, underscoreIsSpace), expected);
}

void MIMETextTest::base64Decode_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("lines") << QByteArray("SGVs\r\nbG8g\r\nV29y bGQ=\r\n") << QByteArray("Hello World");
    QTest::newRow("two pads") << QByteArray("YQ==") << QByteArray("a");
    QTest::newRow("unpadded") << QByteArray("YWI") << QByteArray("ab");
    QTest::newRow("characters outside the alphabet") << QByteArray("Y*Q-=\x01=") << QByteArray("a");
    QTest::newRow("one sextet left over") << QByteArray("YWJjZ") << QByteArray();
    QTest::newRow("data after padding") << QByteArray("YQ==YQ==") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void MIMETextTest::base64Decode()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QCOMPARE(MIME::base64Decode(input), expected);
}

void MIMETextTest::encodingNames_data()
{
    QTest::addColumn<QString>("charset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    // The families mail arrives in, each by an IANA name, with a word in it.
    QTest::newRow("UTF-8") << "UTF-8" << QByteArray("\xc3\xa4") << QStringLiteral("\u00e4");
    QTest::newRow("US-ASCII") << "us-ascii" << QByteArray("plain") << "plain";
    QTest::newRow("ISO-8859-1") << "iso-8859-1" << QByteArray("\xe4") << QStringLiteral("\u00e4");
    QTest::newRow("ISO-8859-2") << "ISO-8859-2" << QByteArray("\xb1") << QStringLiteral("\u0105");
    QTest::newRow("ISO-8859-5") << "iso-8859-5" << QByteArray("\xd0") << QStringLiteral("\u0430");
    QTest::newRow("ISO-8859-7") << "iso-8859-7" << QByteArray("\xe1") << QStringLiteral("\u03b1");
    QTest::newRow("ISO-8859-15") << "ISO-8859-15" << QByteArray("\xa4") << QStringLiteral("\u20ac");
    QTest::newRow("Windows-1250") << "windows-1250" << QByteArray("\x9a") << QStringLiteral("\u0161");
    QTest::newRow("Windows-1251") << "windows-1251" << QByteArray("\xc4\xe0") << QStringLiteral("\u0414\u0430");
    QTest::newRow("Windows-1252") << "Windows-1252" << QByteArray("\x80") << QStringLiteral("\u20ac");
    QTest::newRow("KOI8-R") << "koi8-r" << QByteArray("\xc4\xc1") << QStringLiteral("\u0434\u0430");
    QTest::newRow("KOI8-U") << "koi8-u" << QByteArray("\xa4") << QStringLiteral("\u0454");
    QTest::newRow("Shift_JIS") << "Shift_JIS" << QByteArray("\x93\xfa\x96\x7b") << QStringLiteral("\u65e5\u672c");
    QTest::newRow("EUC-JP") << "euc-jp" << QByteArray("\xc6\xfc\xcb\xdc") << QStringLiteral("\u65e5\u672c");
    QTest::newRow("ISO-2022-JP") << "iso-2022-jp" << QByteArray("\x1b$BF|K\\\x1b(B") << QStringLiteral("\u65e5\u672c");
    QTest::newRow("GB2312") << "gb2312" << QByteArray("\xd6\xd0\xce\xc4") << QStringLiteral("\u4e2d\u6587");
    QTest::newRow("GBK") << "GBK" << QByteArray("\xd6\xd0\xce\xc4") << QStringLiteral("\u4e2d\u6587");
    QTest::newRow("GB18030") << "GB18030" << QByteArray("\xd6\xd0\xce\xc4") << QStringLiteral("\u4e2d\u6587");
    QTest::newRow("Big5") << "big5" << QByteArray("\xa4\xa4\xa4\xe5") << QStringLiteral("\u4e2d\u6587");
    QTest::newRow("EUC-KR") << "euc-kr" << QByteArray("\xc7\xd1\xb1\xdb") << QStringLiteral("\ud55c\uae00");
    QTest::newRow("RFC 2231 language suffix") << "iso-8859-1*de" << QByteArray("\xe4") << QStringLiteral("\u00e4");
}

void MIMETextTest::encodingNames()
{
    QFETCH(QString, charset);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const std::optional<MIME::TextEncoding> known = MIME::encoding(charset);
    QVERIFY2(known, qPrintable(charset));
    QCOMPARE(known->decode(bytes), std::optional<QString>(text));
    QVERIFY(!MIME::encoding(QStringLiteral("x-no-such-charset")));
}

void MIMETextTest::decodeText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("charset");
    QTest::addColumn<QString>("expected");

    QTest::newRow("declared charset") << QByteArray("\xe4") << "iso-8859-1" << QStringLiteral("\u00e4");
    QTest::newRow("invalid in declared charset, valid UTF-8") << QByteArray("\xc3\xa4") << "us-ascii"
                                                              << QStringLiteral("\u00e4");
    QTest::newRow("unknown charset, UTF-8") << QByteArray("\xc3\xa4") << "x-unknown" << QStringLiteral("\u00e4");
    QTest::newRow("unknown charset, not UTF-8") << QByteArray("\xe4\x80") << "x-unknown" << QStringLiteral("\u00e4\u20ac");
    QTest::newRow("no charset") << QByteArray("caf\xc3\xa9") << "" << QStringLiteral("caf\u00e9");
    QTest::newRow("truncated multi-byte in declared charset") << QByteArray("\x93") << "shift_jis" << QStringLiteral("\u201c");
    QTest::newRow("UTF-16 with BOM") << QByteArray("\xff\xfeh\0i\0", 6) << "utf-16" << "hi";
}

void MIMETextTest::decodeText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, charset);
    QFETCH(QString, expected);
    QCOMPARE(MIME::decodeText(bytes, charset), expected);
}

void MIMETextTest::decodeWords_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no encoded word") << "plain = text?" << "plain = text?";
    QTest::newRow("adjacent B words joined") << "=?UTF-8?B?SGVsbG8s?= \r\n =?UTF-8?B?IFdvcmxk?=" << "Hello, World";
    QTest::newRow("Q word with underscore") << "=?iso-8859-1?q?M=E4dchen_f=FCr?= alles"
                                            << QStringLiteral("M\u00e4dchen f\u00fcr alles");
    QTest::newRow("text between words kept") << "Re: =?utf-8?Q?caf=C3=A9?= and more" << QStringLiteral("Re: caf\u00e9 and more");
    QTest::newRow("unknown charset read as UTF-8") << "=?x-bogus?Q?=C3=A4?=" << QStringLiteral("\u00e4");
    QTest::newRow("unknown charset, not UTF-8") << "=?x-bogus?Q?=E4?=" << QStringLiteral("\u00e4");
    QTest::newRow("RFC 2231 language in the charset") << "=?ISO-8859-1*de?Q?=E4?=" << QStringLiteral("\u00e4");
    QTest::newRow("invalid base64 gives nothing") << "a=?utf-8?B?Y?=b" << "ab";
    QTest::newRow("unknown encoding letter stays") << "=?utf-8?X?abc?=" << "=?utf-8?X?abc?=";
    QTest::newRow("unclosed word stays") << "=?utf-8?Q?abc" << "=?utf-8?Q?abc";
    QTest::newRow("empty text") << "=?utf-8?Q?" "?=" << "";
}

void MIMETextTest::decodeWords()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(MIME::decodeWords(input), expected);
}

void MIMETextTest::wordsMatchThePatterns_data()
{
    QTest::addColumn<QString>("input");

    QTest::newRow("joins that would overlap") << "=?a?Q?x?= =?= =?a?Q?y?=";
    QTest::newRow("white space of every kind") << QString("=?a?Q?x?=\u00a0=?a?Q?y?=\u000b=?a?Q?z?=\u0085=?a?Q?w?=\u3000=?a?Q?v?=");
    QTest::newRow("not white space") << QString("=?a?Q?x?=\u200b=?a?Q?y?=\u180e=?a?Q?z?=");
    QTest::newRow("charset of odd characters") << "=?=?B?QQ==?= =?a\nb?Q?x?= =?\u00e4 ?q?y?=";
    QTest::newRow("empty charset") << "=??Q?a?=";
    QTest::newRow("question mark inside the text") << "=?utf-8?Q?a?b?= =?utf-8?Q?c?=";
    QTest::newRow("openings in a row") << "==?=?=?=?Q?a?=?=?=";
    QTest::newRow("an equals sign as the text") << "=?utf-8?q?=?=";
    QTest::newRow("words and text mixed") << "a =?x?Q?a?= \t =?x?Q?b?= c =?x?B?Yw==?=d?=";
    QTest::newRow("beside characters beyond the first plane") << QString::fromUtf8("\U0001F600=?utf-8?Q?=F0=9F=98=80?=\U0001F600");
    QTest::newRow("unclosed at the end") << "=?a?Q?x?= =?a?Q?y? =?a?";
}

void MIMETextTest::wordsMatchThePatterns()
{
    QFETCH(QString, input);
    QCOMPARE(MIME::decodeWords(input), byPatterns(input));
}

QTEST_GUILESS_MAIN(MIMETextTest)
#include "MIMETextTest.moc"
