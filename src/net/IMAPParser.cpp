#include "net/IMAPParser.h"

#include <limits>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\r' || c == '\n'; }

// Decimal digits from `at`; none on overflow. `end` is set past the last digit.
std::optional<qint64> readDecimal(QByteArrayView bytes, qsizetype at, qsizetype& end)
{
    qint64 n = 0;
    end = at;
    while (end < bytes.size() && bytes[end] >= '0' && bytes[end] <= '9') {
        const int digit = bytes[end] - '0';
        if (n > (std::numeric_limits<qint64>::max() - digit) / 10)
            return std::nullopt;
        n = n * 10 + digit;
        ++end;
    }
    return n;
}

}  // namespace

void IMAPParser::skipBlanks()
{
    while (m_pos < m_bytes.size() && isBlank(m_bytes[m_pos]))
        ++m_pos;
}

std::optional<IMAPValue> IMAPParser::parseValue()
{
    return parseValue(0);
}

std::optional<IMAPValue> IMAPParser::parseValue(int depth)
{
    skipBlanks();
    if (m_pos >= m_bytes.size())
        return std::nullopt;
    switch (m_bytes[m_pos]) {
    case '"':
        return quoted();
    case '(':
        if (depth >= maxDepth)
            return std::nullopt;  // the caller skips the byte
        return list(depth + 1);
    case ')':
        return std::nullopt;
    case '{':
        return literal();
    default:
        return atom();
    }
}

IMAPValue IMAPParser::quoted()
{
    QByteArray collected;
    ++m_pos;
    while (m_pos < m_bytes.size()) {
        qsizetype run = m_pos;
        while (run < m_bytes.size() && m_bytes[run] != '"' && m_bytes[run] != '\\')
            ++run;
        collected.append(m_bytes.sliced(m_pos, run - m_pos));
        m_pos = run;
        if (m_pos >= m_bytes.size())
            break;
        if (m_bytes[m_pos] == '"') {
            ++m_pos;
            break;
        }
        // A backslash takes the next byte literally; as the very last byte it stands for itself.
        if (m_pos + 1 < m_bytes.size())
            ++m_pos;
        collected.append(m_bytes[m_pos]);
        ++m_pos;
    }
    return IMAPValue::string(std::move(collected));
}

IMAPValue IMAPParser::list(int depth)
{
    std::vector<IMAPValue> items;
    items.reserve(8);  // a FETCH item list has eight; fewer regrowths pay for the slack
    ++m_pos;
    for (;;) {
        skipBlanks();
        if (m_pos >= m_bytes.size())
            break;
        if (m_bytes[m_pos] == ')') {
            ++m_pos;
            break;
        }
        if (std::optional<IMAPValue> v = parseValue(depth))
            items.push_back(std::move(*v));
        else
            ++m_pos;
    }
    return IMAPValue::list(std::move(items));
}

IMAPValue IMAPParser::literal()
{
    qsizetype digitsEnd = 0;
    const std::optional<qint64> length = readDecimal(m_bytes, m_pos + 1, digitsEnd);
    const qsizetype close = m_bytes.indexOf('}', digitsEnd);
    // A length past 64 bits is read like a missing closing brace.
    if (!length || close < 0) {
        m_pos = m_bytes.size();
        return IMAPValue::string({});
    }
    qsizetype start = close + 1;
    if (start < m_bytes.size() && m_bytes[start] == '\r')
        ++start;
    if (start < m_bytes.size() && m_bytes[start] == '\n')
        ++start;
    if (start >= m_bytes.size()) {
        m_pos = m_bytes.size();
        return IMAPValue::string({});
    }
    const qsizetype taken = qsizetype(std::min<qint64>(*length, m_bytes.size() - start));
    m_pos = start + taken;
    return IMAPValue::string(m_bytes.sliced(start, taken).toByteArray());
}

IMAPValue IMAPParser::atom()
{
    const qsizetype start = m_pos;
    int brackets = 0;
    for (; m_pos < m_bytes.size(); ++m_pos) {
        const char c = m_bytes[m_pos];
        if (c == '[') {
            ++brackets;
        } else if (c == ']') {
            brackets = std::max(brackets - 1, 0);
        } else if (brackets == 0 && (isBlank(c) || c == '(' || c == ')')) {
            break;
        }
    }
    QString text = QString::fromUtf8(m_bytes.sliced(start, m_pos - start));
    if (text.compare(QLatin1String("NIL"), Qt::CaseInsensitive) == 0)
        return IMAPValue::null();
    return IMAPValue::atom(std::move(text));
}

IMAPResponse IMAPParser::parseUntagged(QByteArrayView afterStar)
{
    IMAPResponse values;
    IMAPParser parser(afterStar);
    for (;;) {
        parser.skipBlanks();
        if (parser.m_pos >= afterStar.size())
            break;
        if (std::optional<IMAPValue> v = parser.parseValue())
            values.push_back(std::move(*v));
        else
            ++parser.m_pos;
    }
    return values;
}

std::optional<qint64> IMAPParser::literalLength(QByteArrayView line)
{
    if (line.isEmpty() || line.back() != '}')
        return std::nullopt;
    const qsizetype open = line.lastIndexOf('{');
    if (open < 0)
        return std::nullopt;
    QByteArray digits = line.sliced(open + 1, line.size() - open - 2).toByteArray();
    digits.replace("+", "");
    if (digits.isEmpty())
        return std::nullopt;
    qsizetype end = 0;
    const std::optional<qint64> n = readDecimal(digits, 0, end);
    if (!n || end != digits.size())
        return std::nullopt;
    return n;
}
