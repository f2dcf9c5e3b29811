#include "content/HTMLToText.h"

#include <QStringView>

#include <array>
#include <utility>

namespace MIME {

namespace {

constexpr qsizetype noMoreMatches = -1;

// Replaces every match, left to right and without overlap. `matchAt` gives the length of the
// match that begins at a '<' or '&', 0 for none there, or noMoreMatches when none can follow:
// that is what keeps each step one scan where a lazy pattern would try every opening again.
template <typename MatchAt>
QString replaceEach(const QString& text, QChar opening, QStringView replacement, MatchAt matchAt)
{
    QString out;
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(opening); at >= 0;) {
        const qsizetype length = matchAt(QStringView(text), at);
        if (length == noMoreMatches)
            break;
        if (length == 0) {
            at = text.indexOf(opening, at + 1);
            continue;
        }
        if (out.isNull())
            out.reserve(text.size());
        out += QStringView(text).sliced(copied, at - copied);
        out += replacement;
        copied = at + length;
        at = text.indexOf(opening, copied);
    }
    if (out.isNull())
        return text;
    out += QStringView(text).sliced(copied);
    return out;
}

bool startsWithAt(QStringView text, qsizetype at, QStringView word)
{
    return text.sliced(at).startsWith(word, Qt::CaseInsensitive);
}

// "(?is)<name.*?</name>" and "(?s)<!--.*?-->": an opening up to the first closing after it.
QString removeBlocks(const QString& text, QStringView opening, QStringView closing)
{
    return replaceEach(text, u'<', {}, [&](QStringView view, qsizetype at) -> qsizetype {
        if (!startsWithAt(view, at, opening))
            return 0;
        const qsizetype close = view.indexOf(closing, at + opening.size(), Qt::CaseInsensitive);
        return close < 0 ? noMoreMatches : close + closing.size() - at;
    });
}

// "(?i)<br\s*/?>"
qsizetype lineBreakTag(QStringView view, qsizetype at)
{
    if (!startsWithAt(view, at, u"<br"))
        return 0;
    qsizetype i = at + 3;
    while (i < view.size() && view[i].isSpace())
        ++i;
    if (i < view.size() && view[i] == u'/')
        ++i;
    return i < view.size() && view[i] == u'>' ? i + 1 - at : 0;
}

// "(?i)</(p|div|tr|li|h[1-6]|table|blockquote)>"
qsizetype blockEndTag(QStringView view, qsizetype at)
{
    if (!startsWithAt(view, at, u"</"))
        return 0;
    static constexpr std::array<QStringView, 12> names{u"p>", u"div>", u"tr>", u"li>", u"h1>", u"h2>",
                                                       u"h3>", u"h4>", u"h5>", u"h6>", u"table>", u"blockquote>"};
    for (const QStringView name : names) {
        if (startsWithAt(view, at + 2, name))
            return 2 + name.size();
    }
    return 0;
}

// "(?i)<li[^>]*>"
qsizetype listItemTag(QStringView view, qsizetype at)
{
    if (!startsWithAt(view, at, u"<li"))
        return 0;
    const qsizetype close = view.indexOf(u'>', at + 3);
    return close < 0 ? noMoreMatches : close + 1 - at;
}

// "<[^>]+>"
qsizetype anyTag(QStringView view, qsizetype at)
{
    if (at + 1 >= view.size() || view[at + 1] == u'>')
        return 0;
    const qsizetype close = view.indexOf(u'>', at + 2);
    return close < 0 ? noMoreMatches : close + 1 - at;
}

// One pass over the text: doubly escaped input ("&amp;lt;") loses one level only.
QString decodeNamedEntities(const QString& text)
{
    static const std::array<std::pair<QStringView, QStringView>, 18> entities{{
        {u"&nbsp;", u" "},      {u"&amp;", u"&"},       {u"&lt;", u"<"},        {u"&gt;", u">"},
        {u"&quot;", u"\""},     {u"&#39;", u"'"},       {u"&apos;", u"'"},      {u"&ndash;", u"\u2013"},
        {u"&mdash;", u"\u2014"}, {u"&hellip;", u"\u2026"}, {u"&euro;", u"\u20ac"}, {u"&auml;", u"\u00e4"},
        {u"&ouml;", u"\u00f6"}, {u"&uuml;", u"\u00fc"}, {u"&Auml;", u"\u00c4"}, {u"&Ouml;", u"\u00d6"},
        {u"&Uuml;", u"\u00dc"}, {u"&szlig;", u"\u00df"},
    }};
    QString out;
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(u'&'); at >= 0; at = text.indexOf(u'&', at + 1)) {
        const QStringView rest = QStringView(text).sliced(at);
        for (const auto& [entity, character] : entities) {
            if (!rest.startsWith(entity))
                continue;
            if (out.isNull())
                out.reserve(text.size());
            out += QStringView(text).sliced(copied, at - copied);
            out += character;
            copied = at + entity.size();
            at = copied - 1;
            break;
        }
    }
    if (out.isNull())
        return text;
    out += QStringView(text).sliced(copied);
    return out;
}

int hexDigit(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - '0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - 'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - 'A' + 10;
    return -1;
}

// "&#(x?)([0-9a-fA-F]+);": the character, or nothing when the number is no Unicode scalar value.
QString decodeNumericReferences(const QString& text)
{
    QString out;
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(u"&#"); at >= 0; at = text.indexOf(u"&#", at + 1)) {
        const bool hex = at + 2 < text.size() && text[at + 2] == u'x';
        const qsizetype digitsFrom = at + (hex ? 3 : 2);
        qsizetype end = digitsFrom;
        bool decimal = true;
        quint64 value = 0;
        for (; end < text.size(); ++end) {
            const int digit = hexDigit(text[end]);
            if (digit < 0)
                break;
            decimal = decimal && digit < 10;
            value = std::min<quint64>(value * (hex ? 16 : 10) + quint64(digit), quint64(1) << 33);
        }
        if (end == digitsFrom || end >= text.size() || text[end] != u';')
            continue;
        if (out.isNull())
            out.reserve(text.size());
        out += QStringView(text).sliced(copied, at - copied);
        const bool scalar = value <= 0x10ffff && !(value >= 0xd800 && value <= 0xdfff);
        if ((hex || decimal) && scalar) {
            const char32_t character = char32_t(value);
            out += QString::fromUcs4(&character, 1);
        }
        copied = end + 1;
        at = end;
    }
    if (out.isNull())
        return text;
    out += QStringView(text).sliced(copied);
    return out;
}

}  // namespace

QString htmlToText(const QString& html)
{
    QString text = removeBlocks(html, u"<head", u"</head>");
    text = removeBlocks(text, u"<style", u"</style>");
    text = removeBlocks(text, u"<script", u"</script>");
    text = removeBlocks(text, u"<!--", u"-->");
    text = replaceEach(text, u'<', u"\n", lineBreakTag);
    text = replaceEach(text, u'<', u"\n", blockEndTag);
    text = replaceEach(text, u'<', u"\u00b7 ", listItemTag);
    text = replaceEach(text, u'<', {}, anyTag);
    return decodeNumericReferences(decodeNamedEntities(text));
}

}  // namespace MIME
