#include "content/HTMLToText.h"
#include "content/ICUText.h"

#include <QTest>

#include <unicode/regex.h>

#include <memory>

namespace {

// The replacement chain written with ICU's own patterns: the meaning the scans must keep.
QString byPatterns(const QString& html)
{
    const std::pair<const char16_t*, const char16_t*> steps[] = {
        {u"(?is)<head.*?</head>", u""},
        {u"(?is)<style.*?</style>", u""},
        {u"(?is)<script.*?</script>", u""},
        {u"(?is)<!--.*?-->", u""},
        {u"(?i)<br\\s*/?>", u"\n"},
        {u"(?i)</(p|div|tr|li|h[1-6]|table|blockquote)>", u"\n"},
        {u"(?i)<li[^>]*>", u"\u00b7 "},
        {u"<[^>]+>", u""},
    };
    icu::UnicodeString text = toIcu(html);
    for (const auto& [pattern, replacement] : steps) {
        UErrorCode status = U_ZERO_ERROR;
        const std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(pattern, 0, status));
        const std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(text, status));
        const icu::UnicodeString replaced = matcher->replaceAll(replacement, status);
        text = replaced;
    }
    return fromIcu(text);
}

}  // namespace

class HTMLToTextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void convert_data();
    void convert();
    void tagStepsMatchThePatterns_data();
    void tagStepsMatchThePatterns();
};

void HTMLToTextTest::convert_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("text");

    QTest::newRow("only a head") << "<html><HEAD><title>t</title></head></html>" << "";
    QTest::newRow("paragraphs") << "<p>one</p><p>two</p>" << "one\ntwo\n";
    QTest::newRow("list items") << "<ul><li>a</li><LI class=x>b</li></ul>" << "\u00b7 a\n\u00b7 b\n";
    QTest::newRow("link tag gives a bullet") << "<link rel=x>text" << "\u00b7 text";
    QTest::newRow("upper-case BR with slash") << "a<BR />b<br>c" << "a\nb\nc";
    QTest::newRow("style, script, comment") << "<style>p{}</style>a<script>x<y</script><!-- c --><!--[if mso]>z<![endif]-->b"
                                             << "ab";
    QTest::newRow("tag over several lines") << "a<span\nclass='x'\n>b" << "ab";
    QTest::newRow("numeric references") << "&#228;&#xE4;&#xe4;&#12a;" << QStringLiteral("\u00e4\u00e4\u00e4");
    QTest::newRow("references outside Unicode removed") << "a&#xD800;&#x110000;&#99999999999;b" << "ab";
    QTest::newRow("astral reference") << "&#x1F600;" << QStringLiteral("\U0001F600");
    QTest::newRow("not references") << "&#;&#x;&#X41;&#65" << "&#;&#x;&#X41;&#65";
    QTest::newRow("named entities") << "&lt;a&gt; &amp; &quot;q&quot; &#39;&apos; &nbsp;&ndash;&mdash;&hellip;&euro;"
                                    << "<a> & \"q\" ''  \u2013\u2014\u2026\u20ac";
    QTest::newRow("umlauts") << "&auml;&ouml;&uuml;&Auml;&Ouml;&Uuml;&szlig;" << "\u00e4\u00f6\u00fc\u00c4\u00d6\u00dc\u00df";
    QTest::newRow("capital entities stay") << "&AMP; &LT; &copy;" << "&AMP; &LT; &copy;";
    QTest::newRow("unclosed head keeps the rest") << "<head>a<p>b" << "ab";
    QTest::newRow("unclosed tag stays") << "a < b" << "a < b";
}

void HTMLToTextTest::convert()
{
    QFETCH(QString, html);
    QFETCH(QString, text);
    QCOMPARE(MIME::htmlToText(html), text);
}

void HTMLToTextTest::tagStepsMatchThePatterns_data()
{
    QTest::addColumn<QString>("html");

    QTest::newRow("head then header") << "<header>x</header>y</head>z<head>w</HEAD>";
    QTest::newRow("many openings, no closing") << QString("<head><style><script><!--").repeated(50) + "text";
    QTest::newRow("closing before opening") << "</head><head>a</head>";
    QTest::newRow("comment edge") << "<!-->a-->b<!--->c-->";
    QTest::newRow("nested angle brackets") << "<a<b>c<<d>>e<>f>";
    QTest::newRow("br variants") << "<br\t\n/><br//><brx><br\u2003>";
    QTest::newRow("block ends") << "</P></h7></h6></blockquote ></table></li></LIST>";
    QTest::newRow("li without end") << "<li>a<li";
    QTest::newRow("tags in a list item's tag") << "<li <br> x><li </p> y>";
    QTest::newRow("matches side by side, first and last") << "<br><br></p></p><li><li><x><y>";
    QTest::newRow("letters that fold to ASCII ones") << QString("<\u017Ftyle>x</STYLE>a</bloc\u212Aquote><SCRIPT>y</\u017Fcript>b");
    QTest::newRow("nothing to replace") << "plain text > with & signs";
    QTest::newRow("mixed document") << "<html><head><meta x></head><body><div>A<br>B</div><ul><li>1</ul>"
                                       "<table><tr><td>x</td></tr></table><!-- c --></body></html>";
}

void HTMLToTextTest::tagStepsMatchThePatterns()
{
    QFETCH(QString, html);
    QCOMPARE(MIME::htmlToText(html), byPatterns(html));
}

QTEST_GUILESS_MAIN(HTMLToTextTest)
#include "HTMLToTextTest.moc"
