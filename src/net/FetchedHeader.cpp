#include "net/FetchedHeader.h"

#include "content/InternalDate.h"
#include "content/MIMEHeaders.h"
#include "net/FetchItems.h"
#include "net/IMAPParser.h"

#include <QVarLengthArray>

#include <array>

namespace {

QStringList flagsOf(const IMAPValue& value)
{
    QStringList flags;
    for (const IMAPValue& flag : value.items()) {
        if (std::optional<QString> text = flag.text())
            flags.append(*text);
    }
    return flags;
}

FetchedHeader headerOf(const std::vector<FetchItem>& items, bool& hasHeaders)
{
    FetchedHeader header;
    hasHeaders = false;
    for (const FetchItem& item : items) {
        const IMAPValue& value = item.value;
        if (item.name == u"UID") {
            bool ok = false;
            header.uid = value.text().value_or(QString()).toLongLong(&ok);
            if (!ok)
                header.uid = 0;
        } else if (item.name == u"FLAGS") {
            header.flags = flagsOf(value);
        } else if (item.name == u"INTERNALDATE") {
            header.internalDate = MIME::readInternalDate(MIME::trimBlanks(value.text().value_or(QString())));
        } else if (item.name.startsWith(u"BODY[")) {
            header.headers = value.bytes();
            hasHeaders = true;
        }
    }
    return header;
}

// The answer to a header fetch as servers send it, read byte by byte without a value tree:
//   " 12 FETCH (UID 1012 FLAGS (\Seen) INTERNALDATE "17-Jul-2024 10:01:02 +0200" BODY[...] {n}\r\n...)"
// with its items in any order. It reads only what it is sure the parser would read alike, and
// gives up on anything else: another spacing, NIL, quoted bodies, other items, brackets in flags.
class UsualFetch {
public:
    explicit UsualFetch(QByteArrayView bytes) : m_bytes(bytes) {}

    std::optional<FetchedHeader> read(qint64 first, qint64 last)
    {
        const std::optional<qint64> number = take(" ") ? decimal() : std::nullopt;
        if (!number || *number < first || *number > last || !take(" FETCH ("))
            return std::nullopt;
        FetchedHeader header;
        bool hasHeaders = false;
        do {
            const bool item = take("UID ")            ? readUID(header.uid)
                              : take("FLAGS (")       ? readFlags(header.flags)
                              : take("INTERNALDATE ") ? readInternalDate(header.internalDate)
                              : take("BODY[")         ? (hasHeaders = readBody(header.headers))
                                                      : false;
            if (!item)
                return std::nullopt;
        } while (take(" "));
        if (!take(")") || m_pos != m_bytes.size() || header.uid <= 0 || !hasHeaders)
            return std::nullopt;
        return header;
    }

private:
    bool take(QByteArrayView expected)
    {
        if (!m_bytes.sliced(m_pos).startsWith(expected))
            return false;
        m_pos += expected.size();
        return true;
    }

    char peek() const { return m_pos < m_bytes.size() ? m_bytes[m_pos] : '\0'; }

    // 1 to 18 digits, which no 64-bit number overflows.
    std::optional<qint64> digits()
    {
        qint64 value = 0;
        const qsizetype start = m_pos;
        for (; peek() >= '0' && peek() <= '9'; ++m_pos) {
            if (m_pos - start == 18)
                return std::nullopt;
            value = value * 10 + (peek() - '0');
        }
        if (m_pos == start)
            return std::nullopt;
        return value;
    }

    // Digits ending where an atom ends.
    std::optional<qint64> decimal()
    {
        const std::optional<qint64> value = digits();
        if (peek() != ' ' && peek() != ')')
            return std::nullopt;
        return value;
    }

    bool readUID(qint64& uid)
    {
        const std::optional<qint64> value = decimal();
        uid = value.value_or(0);
        return value.has_value();
    }

    static bool isFlagByte(char c)
    {
        return c > ' ' && c < 0x7f && c != '(' && c != ')' && c != '"' && c != '{' && c != '[' && c != ']';
    }

    // Shared rather than made anew for every message.
    static QString flagText(QByteArrayView flag)
    {
        static const std::array<QString, 6> common{QStringLiteral("\\Seen"),    QStringLiteral("\\Answered"),
                                                   QStringLiteral("\\Flagged"), QStringLiteral("\\Deleted"),
                                                   QStringLiteral("\\Draft"),   QStringLiteral("\\Recent")};
        const QLatin1StringView text(flag);
        for (const QString& known : common) {
            if (known == text)
                return known;
        }
        return text.toString();
    }

    bool readFlags(QStringList& flags)
    {
        flags.clear();
        while (peek() != ')') {
            const qsizetype start = m_pos;
            while (isFlagByte(peek()))
                ++m_pos;
            const QByteArrayView flag = m_bytes.sliced(start, m_pos - start);
            // The parser reads NIL as no value at all.
            if (flag.isEmpty() || flag.compare("NIL", Qt::CaseInsensitive) == 0)
                return false;
            flags.append(flagText(flag));
            if (peek() == ' ' && m_pos + 1 < m_bytes.size() && m_bytes[m_pos + 1] != ')')
                ++m_pos;
            else if (peek() != ')')
                return false;
        }
        ++m_pos;
        return true;
    }

    bool readInternalDate(std::optional<QDateTime>& date)
    {
        if (!take("\""))
            return false;
        QVarLengthArray<char16_t, 32> text;
        for (; peek() != '"'; ++m_pos) {
            const char c = peek();
            if (c < ' ' || c >= 0x7f || c == '\\')
                return false;
            text.append(char16_t(c));
        }
        ++m_pos;
        date = MIME::readInternalDate(MIME::blanksTrimmed(QStringView(text.constData(), text.size())));
        return true;
    }

    // The section up to its "]", then a literal that arrived whole.
    bool readBody(QByteArray& headers)
    {
        const qsizetype close = m_bytes.indexOf(']', m_pos);
        if (close < 0 || m_bytes.sliced(m_pos, close - m_pos).contains('['))
            return false;
        m_pos = close + 1;
        if (!take(" {"))
            return false;
        const std::optional<qint64> length = digits();
        if (!length || !take("}\r\n") || *length > m_bytes.size() - m_pos)
            return false;
        headers = m_bytes.sliced(m_pos, qsizetype(*length)).toByteArray();
        m_pos += qsizetype(*length);
        return peek() == ' ' || peek() == ')';
    }

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

}  // namespace

std::vector<FetchedHeader> FetchedHeader::readAll(const std::vector<IMAPResponse>& responses, qint64 first, qint64 last)
{
    std::vector<FetchedHeader> headers;
    for (const IMAPResponse& response : responses) {
        if (std::optional<FetchedHeader> header = read(response, first, last))
            headers.push_back(std::move(*header));
    }
    return headers;
}

std::optional<FetchedHeader> FetchedHeader::read(const IMAPResponse& response, qint64 first, qint64 last)
{
    const std::optional<std::vector<FetchItem>> items = fetchItems(response);
    if (!items)
        return std::nullopt;
    bool ok = false;
    const qint64 number = response[0].text().value_or(QString()).toLongLong(&ok);
    if (!ok || number < first || number > last)
        return std::nullopt;
    bool hasHeaders = false;
    FetchedHeader header = headerOf(*items, hasHeaders);
    if (header.uid > 0 && hasHeaders)
        return header;
    return std::nullopt;
}

std::optional<FetchedHeader> FetchedHeader::read(QByteArrayView afterStar, qint64 first, qint64 last)
{
    if (std::optional<FetchedHeader> header = UsualFetch(afterStar).read(first, last))
        return header;
    return read(IMAPParser::parseUntagged(afterStar), first, last);
}
