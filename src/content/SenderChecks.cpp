#include "content/SenderChecks.h"

#include <array>

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

// The empty string is contained in nothing.
bool has(const QString& text, QStringView part)
{
    return !part.isEmpty() && text.contains(part);
}

QString domainOf(const QString& address)
{
    const QStringList pieces = address.split(u'@', Qt::SkipEmptyParts);
    return pieces.isEmpty() ? QString{} : pieces.last().toLower();
}

// Brand names written with digits for letters, such as paypa1.
QString withLettersForDigits(QString domain)
{
    return domain.replace(u'0', u'o').replace(u'1', u'l').replace(u'3', u'e').replace(u'5', u's');
}

bool failedAuthentication(const HeaderList& fields)
{
    const QString results = header(fields, QStringLiteral("authentication-results")).value_or(QString{}).toLower();
    return has(results, u"dmarc=fail") || has(results, u"spf=fail") || has(results, u"dkim=fail");
}

std::optional<QStringView> firstBrandIn(const QString& text)
{
    for (const QStringView brand : brands) {
        if (has(text, brand))
            return brand;
    }
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
    const QString lower = subject.toLower();
    for (const QStringView phrase : scamPhrases) {
        if (has(lower, phrase))
            return true;
    }
    return false;
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

bool isPublicIPv4(const QList<qint64>& n)
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
    const QString normalised = withLettersForDigits(domain);
    if (normalised != domain && firstBrandIn(normalised))
        hints.append(QStringLiteral("look-alike domain"));

    const QString name = fromName.toLower();
    if (name.contains(u'@') && !has(name, domain))
        hints.append(QStringLiteral("name shows another address"));
    if (const std::optional<QStringView> brand = firstBrandIn(name); brand && !has(domain, *brand))
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
        const QString lower = field.value.toLower();
        const qsizetype by = lower.indexOf(u" by ");
        const QStringView fromClause = QStringView(lower).first(by < 0 ? lower.size() : by);
        if (!fromClause.startsWith(u"from"))
            continue;
        for (qsizetype open = fromClause.indexOf(u'['); open >= 0; open = fromClause.indexOf(u'[', open + 1)) {
            const qsizetype close = fromClause.indexOf(u']', open + 1);
            if (close < 0)
                break;
            QStringView candidate = fromClause.sliced(open + 1, close - open - 1);
            if (candidate.startsWith(u"ipv6:"))
                candidate = candidate.sliced(5);
            if (isPublicIP(candidate.toString()))
                return candidate.toString();
            open = close;
        }
    }
    return std::nullopt;
}

bool isPublicIP(const QString& address)
{
    QList<qint64> numbers;
    for (const QStringView piece : QStringView(address).split(u'.', Qt::SkipEmptyParts)) {
        if (const std::optional<qint64> number = decimalNumber(piece))
            numbers.append(*number);
    }
    if (numbers.size() == 4)
        return isPublicIPv4(numbers);
    if (!address.contains(u':'))
        return false;
    const QString lower = address.toLower();
    return lower != u"::1" && !lower.startsWith(u"fe80") && !lower.startsWith(u"fc") && !lower.startsWith(u"fd");
}

}  // namespace MIME
