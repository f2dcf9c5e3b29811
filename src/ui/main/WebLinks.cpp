#include "ui/main/WebLinks.h"

namespace {

bool endsAddress(QChar c)
{
    switch (c.unicode()) {
    case u'<':
    case u'>':
    case u'"':
    case u'`':
    case u'{':
    case u'}':
    case u'|':
    case u'\\':
    case u'^':
        return true;
    default:
        break;
    }
    // Format characters include the direction overrides that would let an address show as
    // another one.
    const QChar::Category category = c.category();
    return c.isSpace() || category == QChar::Other_Control || category == QChar::Other_Format;
}

bool trailingPunctuation(QChar c)
{
    switch (c.unicode()) {
    case u'.':
    case u',':
    case u':':
    case u';':
    case u'!':
    case u'?':
    case u'\'':
    case u'*':
        return true;
    default:
        return false;
    }
}

// A closing bracket belongs to the address only when the address opened it.
bool unbalanced(QStringView candidate, QChar close)
{
    const QChar open = close == u')' ? u'(' : u'[';
    return candidate.count(open) < candidate.count(close);
}

qsizetype trimmedEnd(QStringView text, qsizetype start, qsizetype end)
{
    while (end > start) {
        const QChar last = text[end - 1];
        if (trailingPunctuation(last) || ((last == u')' || last == u']') && unbalanced(text.sliced(start, end - start), last)))
            --end;
        else
            break;
    }
    return end;
}

// Letters, digits and the characters that join a word to an address before it.
bool joinsBefore(QChar c, bool web)
{
    if (c.isLetterOrNumber())
        return true;
    if (!web)
        return false;
    switch (c.unicode()) {
    case u'.':
    case u'-':
    case u'_':
    case u'@':
    case u'/':
    case u':':
    case u'%':
    case u'+':
    case u'=':
        return true;
    default:
        return false;
    }
}

bool startsWith(QStringView text, qsizetype at, QLatin1StringView prefix)
{
    return text.size() - at >= prefix.size() && text.sliced(at, prefix.size()).startsWith(prefix, Qt::CaseInsensitive);
}

}  // namespace

QList<WebLinks::Link> WebLinks::find(QStringView text)
{
    static const QLatin1StringView http("http://"), https("https://"), www("www.");
    QList<Link> links;
    qsizetype i = 0;
    while (i < text.size()) {
        const char16_t c = text[i].unicode() | 0x20;  // lower case for the ASCII letters asked for
        qsizetype prefix = 0;
        bool web = false;
        if (c == u'h' && (startsWith(text, i, http) || startsWith(text, i, https)))
            prefix = text[i + 4] == u':' ? http.size() : https.size();
        else if (c == u'w' && startsWith(text, i, www)) {
            prefix = www.size();
            web = true;
        }
        if (prefix == 0 || (i > 0 && joinsBefore(text[i - 1], web))) {
            ++i;
            continue;
        }
        qsizetype end = i + prefix;
        while (end < text.size() && !endsAddress(text[end]))
            ++end;
        end = trimmedEnd(text, i, end);
        if (end - i <= prefix) {
            i += prefix;
            continue;
        }
        const QString written = text.sliced(i, end - i).toString();
        const QUrl url(web ? QStringLiteral("https://") + written : written, QUrl::TolerantMode);
        const QString host = url.host();
        if (url.isValid() && opens(url) && !host.isEmpty() && (!web || host.size() > www.size())) {
            links.append({i, end - i, url});
            i = end;
        } else {
            i += prefix;
        }
    }
    return links;
}

bool WebLinks::opens(const QUrl& url)
{
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == u"http" || scheme == u"https");
}
