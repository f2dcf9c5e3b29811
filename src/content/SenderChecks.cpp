#include "content/SenderChecks.h"
#include "content/Ascii.h"

#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace MIME {

namespace {

constexpr std::array<QStringView, 12> brands{u"paypal",    u"amazon",    u"apple",   u"icloud",
                                             u"google",    u"microsoft", u"sparkasse", u"dhl",
                                             u"netflix",   u"volksbank", u"postbank",  u"commerzbank"};

constexpr std::array<QStringView, 25> scamPhrases{
    u"verify your account",   u"account suspended",      u"konto gesperrt",
    u"konto wird gesperrt",   u"best\u00e4tigen sie ihr konto", u"passwort l\u00e4uft ab",
    u"password expires",      u"you have won",           u"sie haben gewonnen",
    u"lottery",               u"lotterie",               u"inheritance",
    u"nachlass",              u"erbschaft",              u"beneficiary",
    u"beg\u00fcnstigter",     u"bitcoin",                u"crypto",
    u"urgent transfer",       u"dringende \u00fcberweisung", u"invoice overdue",
    u"zahlung fehlgeschlagen", u"payment failed",        u"gift card",
    u"geschenkkarte"};

// Where `needle` (lower case, beginning with a character that is no letter) begins in ASCII
// text, in any letter case; -1 if nowhere.
qsizetype indexIgnoringCase(QByteArrayView ascii, QByteArrayView needle)
{
    const char* const begin = ascii.data();
    const char* const end = begin + ascii.size();
    for (const char* at = begin; (at = static_cast<const char*>(std::memchr(at, needle[0], size_t(end - at))))
                                 && end - at >= needle.size();
         ++at) {
        if (std::equal(needle.begin() + 1, needle.end(), at + 1,
                       [](char lower, char c) { return lower == lowerAscii(c); }))
            return at - begin;
    }
    return -1;
}

// A text lower-cased as QString::toLower does it; Latin-1 text, nearly every header, without an
// allocation (a check runs this a few times for each of thousands of mails). Latin-1 letters have
// one-letter lower cases, so there a letter at a time is the same as the whole text.
class Lowered {
public:
    explicit Lowered(QStringView text)
    {
        if (!std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; })) {
            lowerOther(text.toString());
            return;
        }
        m_latin1.resize(text.size());
        std::transform(text.begin(), text.end(), m_latin1.begin(), [](QChar c) { return lowerLatin1(c.unicode()); });
        m_view = QStringView(m_latin1.constData(), m_latin1.size());
    }
    // The text QString::fromUtf8 makes of `utf8`, lower-cased; ASCII is read as it stands.
    explicit Lowered(QByteArrayView utf8)
    {
        if (!isAscii(utf8)) {
            lowerOther(QString::fromUtf8(utf8));
            return;
        }
        m_latin1.resize(utf8.size());
        std::transform(utf8.begin(), utf8.end(), m_latin1.begin(),
                       [](char c) { return char16_t(lowerAscii(c)); });
        m_view = QStringView(m_latin1.constData(), m_latin1.size());
    }
    Lowered(const Lowered&) = delete;
    Lowered& operator=(const Lowered&) = delete;

    QStringView view() const { return m_view; }

private:
    static char16_t lowerLatin1(char16_t u)
    {
        return u < 0x80 ? lowerAscii(u) : char16_t(QChar::toLower(char32_t(u)));
    }

    void lowerOther(const QString& text)
    {
        m_other = text.toLower();
        m_view = m_other;
    }

    QVarLengthArray<char16_t, 256> m_latin1;
    QString m_other;
    QStringView m_view;
};

// The empty string is contained in nothing.
bool has(QStringView text, QStringView part)
{
    return !part.isEmpty() && text.contains(part);
}

// For each ASCII character, the words of a list that begin with it, as bits.
template <size_t N>
constexpr std::array<quint32, 128> wordsByFirstLetter(const std::array<QStringView, N>& words)
{
    static_assert(N <= 32);
    std::array<quint32, 128> startingWith{};
    for (size_t w = 0; w < N; ++w) {
        if (words[w].size() < 2 || words[w].front().unicode() >= 128)
            throw "a word of two letters at least, beginning with an ASCII one";  // stops the compiler
        startingWith[words[w].front().unicode()] |= quint32(1) << w;
    }
    return startingWith;
}

constexpr std::array<quint32, 128> brandsByFirstLetter = wordsByFirstLetter(brands);
constexpr std::array<quint32, 128> scamPhrasesByFirstLetter = wordsByFirstLetter(scamPhrases);

// The first of `words` (lower case, each beginning with an ASCII letter), in their order, that
// `text` contains; one pass over the text, looking only at words that begin with the letter there.
template <size_t N>
std::optional<size_t> firstContained(QStringView text, const std::array<QStringView, N>& words,
                                     const std::array<quint32, 128>& startingWith)
{
    quint32 found = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 128)
            continue;
        for (quint32 candidates = startingWith[c] & ~found; candidates; candidates &= candidates - 1) {
            const int w = std::countr_zero(candidates);
            const QStringView word = words[size_t(w)];  // two letters at least
            if (text.size() - i >= word.size() && text[i + 1] == word[1] && text.sliced(i, word.size()) == word)
                found |= quint32(1) << w;
        }
    }
    if (!found)
        return std::nullopt;
    return size_t(std::countr_zero(found));
}

// The last of the pieces between at signs that is not empty, lower-cased.
QString domainOf(const QString& address)
{
    qsizetype end = address.size();
    while (end > 0 && address[end - 1] == u'@')
        --end;
    if (end == 0)
        return QString{};
    const qsizetype start = address.lastIndexOf(u'@', end - 1) + 1;
    return address.sliced(start, end - start).toLower();
}

// Brand names written with digits for letters, such as paypa1.
QString withLettersForDigits(QString domain)
{
    return domain.replace(u'0', u'o').replace(u'1', u'l').replace(u'3', u'e').replace(u'5', u's');
}

// What the first Authentication-Results field says.
bool failedAuthentication(QByteArrayView headerBlock)
{
    bool failed = false;
    forEachHeaderValue(headerBlock, "authentication-results", [&failed](QByteArrayView value) {
        if (isAscii(value) && indexIgnoringCase(value, "=fail") < 0)
            return false;  // the usual answer, told without lower-casing it
        const Lowered results(value);
        // Most results report no failure at all: one search tells.
        failed = has(results.view(), u"=fail")
                 && (has(results.view(), u"dmarc=fail") || has(results.view(), u"spf=fail")
                     || has(results.view(), u"dkim=fail"));
        return false;
    });
    return failed;
}

std::optional<QStringView> firstBrandIn(QStringView text)
{
    if (const std::optional<size_t> brand = firstContained(text, brands, brandsByFirstLetter))
        return brands[*brand];
    return std::nullopt;
}

bool repliesElsewhere(const QString& replyTo, const QString& senderDomain)
{
    if (replyTo.isEmpty())
        return false;
    const QString replyDomain = domainOf(replyTo);
    return !replyDomain.isEmpty() && replyDomain != senderDomain && !replyDomain.endsWith(u'.' + senderDomain)
           && !senderDomain.endsWith(u'.' + replyDomain);
}

bool hasScamWording(const QString& subject)
{
    return firstContained(Lowered(subject).view(), scamPhrases, scamPhrasesByFirstLetter).has_value();
}

std::optional<qint64> decimalNumber(QStringView piece)
{
    if (piece.isEmpty() || piece.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : piece) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

bool isPublicIPv4(const std::array<qint64, 4>& n)
{
    for (const qint64 number : n) {
        if (number > 255)
            return false;
    }
    const bool isPrivate = n[0] == 0 || n[0] == 10 || n[0] == 127 || (n[0] == 100 && n[1] >= 64 && n[1] <= 127)
                           || (n[0] == 169 && n[1] == 254) || (n[0] == 172 && n[1] >= 16 && n[1] <= 31)
                           || (n[0] == 192 && n[1] == 168);
    return !isPrivate;
}

bool isPublic(QStringView address)
{
    std::array<qint64, 4> numbers{};
    qsizetype count = 0;
    for (qsizetype start = 0; start <= address.size();) {
        qsizetype dot = address.indexOf(u'.', start);
        if (dot < 0)
            dot = address.size();
        if (const std::optional<qint64> number = decimalNumber(address.sliced(start, dot - start))) {
            if (count < 4)
                numbers[size_t(count)] = *number;
            ++count;
        }
        start = dot + 1;
    }
    if (count == 4)
        return isPublicIPv4(numbers);
    if (!address.contains(u':'))
        return false;
    const Lowered lower(address);
    return lower.view() != u"::1" && !lower.view().startsWith(u"fe80") && !lower.view().startsWith(u"fc")
           && !lower.view().startsWith(u"fd");
}

// A bracketed address taken from a Received line, lower-cased, if it is public.
std::optional<QString> publicAddress(QStringView candidate)
{
    if (candidate.startsWith(u"ipv6:"))
        candidate = candidate.sliced(5);
    if (isPublic(candidate))
        return candidate.toString();
    return std::nullopt;
}

// The first public address in brackets in a from clause; `check` tells for each candidate.
template <class Text, class Check>
std::optional<QString> firstPublicInBrackets(Text clause, Check&& check)
{
    using Char = typename Text::value_type;
    for (qsizetype open = clause.indexOf(Char(u'[')); open >= 0; open = clause.indexOf(Char(u'['), open + 1)) {
        const qsizetype close = clause.indexOf(Char(u']'), open + 1);
        if (close < 0)
            break;
        if (std::optional<QString> address = check(clause.sliced(open + 1, close - open - 1)))
            return address;
        open = close;
    }
    return std::nullopt;
}

// The first public address in brackets in the "from" clause of a Received value.
std::optional<QString> publicAddressFrom(QByteArrayView received)
{
    // The usual ASCII value is read on its bytes, and only its candidates are lower-cased.
    if (isAscii(received)) {
        if (received.size() < 4 || received.first(4).compare("from", Qt::CaseInsensitive) != 0)
            return std::nullopt;
        const qsizetype by = indexIgnoringCase(received, " by ");
        return firstPublicInBrackets(received.first(by < 0 ? received.size() : by),
                                     [](QByteArrayView candidate) { return publicAddress(Lowered(candidate).view()); });
    }
    const Lowered lower(received);
    const qsizetype by = lower.view().indexOf(u" by ");
    const QStringView fromClause = lower.view().first(by < 0 ? lower.view().size() : by);
    if (!fromClause.startsWith(u"from"))
        return std::nullopt;
    return firstPublicInBrackets(fromClause, publicAddress);
}

}  // namespace

QStringList entropyHints(QByteArrayView headerBlock, const QString& fromName, const QString& fromEmail,
                         const QString& replyTo, const QString& subject)
{
    QStringList hints;
    if (failedAuthentication(headerBlock))
        hints.append(QStringLiteral("sender not verified"));

    const QString domain = domainOf(fromEmail);
    if (has(domain, u"xn--"))
        hints.append(QStringLiteral("disguised domain"));
    const bool digits = std::any_of(domain.begin(), domain.end(), [](QChar c) { return c == u'0' || c == u'1' || c == u'3' || c == u'5'; });
    if (digits) {  // without these the normalised domain is the domain itself
        const QString normalised = withLettersForDigits(domain);
        if (normalised != domain && firstBrandIn(normalised))
            hints.append(QStringLiteral("look-alike domain"));
    }

    const Lowered name(fromName);
    if (name.view().contains(u'@') && !has(name.view(), domain))
        hints.append(QStringLiteral("name shows another address"));
    if (const std::optional<QStringView> brand = firstBrandIn(name.view()); brand && !has(domain, *brand))
        hints.append(QStringLiteral("name says ") + brand->toString() + QStringLiteral(", address does not"));

    if (repliesElsewhere(replyTo, domain))
        hints.append(QStringLiteral("replies go elsewhere"));
    if (hasScamWording(subject))
        hints.append(QStringLiteral("typical scam wording"));
    return hints;
}

std::optional<QString> senderIP(QByteArrayView headerBlock)
{
    std::optional<QString> found;
    forEachHeaderValue(headerBlock, "received", [&found](QByteArrayView received) {
        found = publicAddressFrom(received);
        return !found;
    });
    return found;
}

bool isPublicIP(const QString& address)
{
    return isPublic(address);
}

}  // namespace MIME
