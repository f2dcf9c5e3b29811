#include "content/SenderChecks.h"

#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <bit>

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

// A text lower-cased as QString::toLower does it; Latin-1 text, nearly every header, without an
// allocation (a check runs this a few times for each of thousands of mails). Latin-1 letters have
// one-letter lower cases, so there a letter at a time is the same as the whole text.
class Lowered {
public:
    explicit Lowered(QStringView text)
    {
        if (!std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; })) {
            m_other = text.toString().toLower();
            m_view = m_other;
            return;
        }
        m_latin1.resize(text.size());
        std::transform(text.begin(), text.end(), m_latin1.begin(), [](QChar c) {
            const char16_t u = c.unicode();
            return u < 0x80 ? char16_t(u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u) : char16_t(QChar::toLower(char32_t(u)));
        });
        m_view = QStringView(m_latin1.constData(), m_latin1.size());
    }
    Lowered(const Lowered&) = delete;
    Lowered& operator=(const Lowered&) = delete;

    QStringView view() const { return m_view; }

private:
    QVarLengthArray<char16_t, 256> m_latin1;
    QString m_other;
    QStringView m_view;
};

// The empty string is contained in nothing.
bool has(QStringView text, QStringView part)
{
    return !part.isEmpty() && text.contains(part);
}

// The first of `words` (lower case, each beginning with an ASCII letter), in their order, that
// `text` contains; one pass over the text, looking only at words that begin with the letter there.
template <size_t N>
std::optional<size_t> firstContained(QStringView text, const std::array<QStringView, N>& words)
{
    static_assert(N <= 32);
    std::array<quint32, 128> startingWith{};
    for (size_t w = 0; w < N; ++w)
        startingWith[words[w].front().unicode()] |= quint32(1) << w;
    quint32 found = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 128)
            continue;
        for (quint32 candidates = startingWith[c] & ~found; candidates; candidates &= candidates - 1) {
            const int w = std::countr_zero(candidates);
            if (text.sliced(i).startsWith(words[size_t(w)]))
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

bool failedAuthentication(const HeaderList& fields)
{
    const Lowered results(header(fields, QStringLiteral("authentication-results")).value_or(QString{}));
    // Most results report no failure at all: one search tells.
    return has(results.view(), u"=fail")
           && (has(results.view(), u"dmarc=fail") || has(results.view(), u"spf=fail") || has(results.view(), u"dkim=fail"));
}

std::optional<QStringView> firstBrandIn(QStringView text)
{
    if (const std::optional<size_t> brand = firstContained(text, brands))
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
    return firstContained(Lowered(subject).view(), scamPhrases).has_value();
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

}  // namespace

QStringList entropyHints(const HeaderList& fields, const QString& fromName, const QString& fromEmail,
                         const QString& replyTo, const QString& subject)
{
    QStringList hints;
    if (failedAuthentication(fields))
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

std::optional<QString> senderIP(const HeaderList& fields)
{
    for (const HeaderField& field : fields) {
        if (field.name != u"received")
            continue;
        const Lowered lower(field.value);
        const qsizetype by = lower.view().indexOf(u" by ");
        const QStringView fromClause = lower.view().first(by < 0 ? lower.view().size() : by);
        if (!fromClause.startsWith(u"from"))
            continue;
        for (qsizetype open = fromClause.indexOf(u'['); open >= 0; open = fromClause.indexOf(u'[', open + 1)) {
            const qsizetype close = fromClause.indexOf(u']', open + 1);
            if (close < 0)
                break;
            QStringView candidate = fromClause.sliced(open + 1, close - open - 1);
            if (candidate.startsWith(u"ipv6:"))
                candidate = candidate.sliced(5);
            if (isPublic(candidate))
                return candidate.toString();
            open = close;
        }
    }
    return std::nullopt;
}

bool isPublicIP(const QString& address)
{
    return isPublic(address);
}

}  // namespace MIME
