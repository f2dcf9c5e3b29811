#include "content/HTMLToText.h"
#include "content/Ascii.h"
#include "content/HexDigit.h"

#include <QStringView>

#include <algorithm>
#include <array>
#include <utility>

namespace MIME {

namespace {

constexpr qsizetype noMoreMatches = -1;

// Replaces every match, left to right and without overlap, in place: no replacement is longer
// than its match, so the text is written behind the place it is read, and all steps share the
// one copy made at the first match (past 16 MB of HTML every copy is fresh memory). `matchAt`
// gives the length of the match that begins at a '<' or '&', 0 for none there, or noMoreMatches
// when none can follow: that is what keeps each step one scan where a lazy pattern would try
// every opening again. It reads only at and after the place it is given.
template <typename MatchAt>
void replaceEach(QString& text, QStringView opening, MatchAt matchAt)
{
    const auto next = [&](qsizetype from) {
        return opening.size() == 1 ? text.indexOf(opening.front(), from) : text.indexOf(opening, from);
    };
    qsizetype at = next(0);
    char16_t* data = nullptr;  // taken at the first match, when the text must change
    qsizetype copied = 0, written = 0;
    while (at >= 0) {
        QStringView replacement;
        const qsizetype length = matchAt(QStringView(text), at, replacement);
        if (length == noMoreMatches)
            break;
        if (length == 0) {
            at = next(at + 1);
            continue;
        }
        Q_ASSERT(replacement.size() <= length);
        if (!data)
            data = reinterpret_cast<char16_t*>(text.data());
        std::copy(data + copied, data + at, data + written);
        written += at - copied;
        std::copy(replacement.utf16(), replacement.utf16() + replacement.size(), data + written);
        written += replacement.size();
        copied = at + length;
        at = next(copied);
    }
    if (!data)
        return;
    std::copy(data + copied, data + text.size(), data + written);
    text.truncate(written + text.size() - copied);
}

// The same with one replacement for every match.
template <typename MatchAt>
void replaceEach(QString& text, QStringView opening, QStringView replacement, MatchAt matchAt)
{
    replaceEach(text, opening, [&](QStringView view, qsizetype at, QStringView& with) {
        with = replacement;
        return matchAt(view, at);
    });
}

// Ignoring case as Qt does; `word` is lower case. ASCII is compared here, and the rare text with
// other characters (some fold to ASCII letters, the Kelvin sign to "k") is left to Qt.
bool startsWithAt(QStringView text, qsizetype at, QStringView word)
{
    if (text.size() - at < word.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char16_t c = text[at + i].unicode();
        if (c >= 0x80)
            return text.sliced(at).startsWith(word, Qt::CaseInsensitive);
        if (lowerAscii(c) != word[i].unicode())
            return false;
    }
    return true;
}

// The first `word` at or after `from`, ignoring case. Its first character is one no other
// character folds to ('<' or '-'), so only those places need comparing.
qsizetype findWord(QStringView text, qsizetype from, QStringView word)
{
    for (qsizetype at = text.indexOf(word.front(), from); at >= 0; at = text.indexOf(word.front(), at + 1)) {
        if (startsWithAt(text, at, word))
            return at;
    }
    return -1;
}

// "(?is)<name.*?</name>" and "(?s)<!--.*?-->": an opening up to the first closing after it.
void removeBlocks(QString& text, QStringView opening, QStringView closing)
{
    replaceEach(text, u"<", {}, [&](QStringView view, qsizetype at) -> qsizetype {
        if (!startsWithAt(view, at, opening))
            return 0;
        const qsizetype close = findWord(view, at + opening.size(), closing);
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
qsizetype namedEntity(QStringView view, qsizetype at, QStringView& character)
{
    static const std::array<std::pair<QStringView, QStringView>, 18> entities{{
        {u"&nbsp;", u" "},      {u"&amp;", u"&"},       {u"&lt;", u"<"},        {u"&gt;", u">"},
        {u"&quot;", u"\""},     {u"&#39;", u"'"},       {u"&apos;", u"'"},      {u"&ndash;", u"\u2013"},
        {u"&mdash;", u"\u2014"}, {u"&hellip;", u"\u2026"}, {u"&euro;", u"\u20ac"}, {u"&auml;", u"\u00e4"},
        {u"&ouml;", u"\u00f6"}, {u"&uuml;", u"\u00fc"}, {u"&Auml;", u"\u00c4"}, {u"&Ouml;", u"\u00d6"},
        {u"&Uuml;", u"\u00dc"}, {u"&szlig;", u"\u00df"},
    }};
    const QStringView rest = view.sliced(at);
    for (const auto& [entity, replacement] : entities) {
        if (rest.size() >= entity.size() && std::equal(entity.begin(), entity.end(), rest.begin())) {
            character = replacement;
            return entity.size();
        }
    }
    return 0;
}

// "&#(x?)([0-9a-fA-F]+);": its length, and the character, or nothing when the number is no
// Unicode scalar value.
qsizetype numericReference(QStringView text, qsizetype at, char16_t (&character)[2], qsizetype& characterSize)
{
    if (at + 1 >= text.size() || text[at] != u'&' || text[at + 1] != u'#')
        return 0;
    const bool hex = at + 2 < text.size() && text[at + 2] == u'x';
    const qsizetype digitsFrom = at + (hex ? 3 : 2);
    qsizetype end = digitsFrom;
    bool decimal = true;
    quint64 value = 0;
    for (; end < text.size(); ++end) {
        const int digit = hexDigitValue(text[end].unicode());
        if (digit < 0)
            break;
        decimal = decimal && digit < 10;
        value = std::min<quint64>(value * (hex ? 16 : 10) + quint64(digit), quint64(1) << 33);
    }
    if (end == digitsFrom || end >= text.size() || text[end] != u';')
        return 0;
    characterSize = 0;
    const bool scalar = value <= 0x10ffff && !(value >= 0xd800 && value <= 0xdfff);
    if ((hex || decimal) && scalar) {
        if (value > 0xffff) {
            character[0] = QChar::highSurrogate(char32_t(value));
            character[1] = QChar::lowSurrogate(char32_t(value));
            characterSize = 2;
        } else {
            character[0] = char16_t(value);
            characterSize = 1;
        }
    }
    return end + 1 - at;
}

}  // namespace

QString htmlToText(QString text)
{
    removeBlocks(text, u"<head", u"</head>");
    removeBlocks(text, u"<style", u"</style>");
    removeBlocks(text, u"<script", u"</script>");
    removeBlocks(text, u"<!--", u"-->");
    replaceEach(text, u"<", u"\n", lineBreakTag);
    replaceEach(text, u"<", u"\n", blockEndTag);
    replaceEach(text, u"<", u"\u00b7 ", listItemTag);
    replaceEach(text, u"<", {}, anyTag);
    replaceEach(text, u"&", namedEntity);
    char16_t character[2];
    replaceEach(text, u"&#", [&character](QStringView view, qsizetype at, QStringView& replacement) {
        qsizetype size = 0;
        const qsizetype length = numericReference(view, at, character, size);
        replacement = QStringView(character, size);
        return length;
    });
    return text;
}

}  // namespace MIME
