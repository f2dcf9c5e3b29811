#include "core/Account.h"

#include "content/MIMEHeaders.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

#include <algorithm>
#include <array>
#include <limits>

namespace {

// The address domains under which iCloud issues addresses, in the order they are tested.
const std::array<QString, 3> icloudDomains = {
    QStringLiteral("icloud.com"), QStringLiteral("me.com"), QStringLiteral("mac.com")};
const QString icloudImapHost = QStringLiteral("imap.mail.me.com");
const QString icloudSmtpHost = QStringLiteral("smtp.mail.me.com");

bool isIcloudDomain(const QString& domain)
{
    return std::find(icloudDomains.begin(), icloudDomains.end(), domain) != icloudDomains.end();
}

std::optional<QString> stringMember(const QJsonObject& object, const char* key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<int> portMember(const QJsonObject& object, const char* key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isDouble())
        return std::nullopt;
    constexpr qint64 none = std::numeric_limits<qint64>::min();
    const qint64 number = value.toInteger(none);
    if (number == none || number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(number);
}

}

Account Account::preset(const QString& typed)
{
    Account account;
    account.email = MIME::trimBlanks(typed);
    const QStringList pieces = account.email.split(u'@', Qt::SkipEmptyParts);
    const QString local = pieces.isEmpty() ? account.email : pieces[0];
    const QString domain = pieces.size() >= 2 ? pieces[1].toLower() : QString();

    account.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    account.imapPort = 993;
    account.smtpPort = 587;
    account.smtpUser = account.email;
    account.imapUser = account.email;
    if (!domain.isEmpty()) {
        account.imapHost = QStringLiteral("imap.") + domain;
        account.smtpHost = QStringLiteral("smtp.") + domain;
    }
    if (isIcloudDomain(domain)) {
        account.imapHost = icloudImapHost;
        account.smtpHost = icloudSmtpHost;
        account.imapUser = local;
    }
    return account;
}

QString Account::shortLabel() const
{
    const QString lower = email.toLower();
    for (const QString& domain : icloudDomains) {
        if (lower.endsWith(u'@' + domain))
            return QStringLiteral("icloud");
    }
    const QStringList pieces = email.split(u'@', Qt::SkipEmptyParts);
    return (pieces.isEmpty() ? email : pieces[0]) + u'@';
}

QJsonObject Account::toJson() const
{
    return QJsonObject{
        {QStringLiteral("id"), id},
        {QStringLiteral("email"), email},
        {QStringLiteral("name"), name},
        {QStringLiteral("imapHost"), imapHost},
        {QStringLiteral("imapPort"), imapPort},
        {QStringLiteral("imapUser"), imapUser},
        {QStringLiteral("smtpHost"), smtpHost},
        {QStringLiteral("smtpPort"), smtpPort},
        {QStringLiteral("smtpUser"), smtpUser},
    };
}

std::optional<Account> Account::fromJson(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto id = stringMember(object, "id");
    const auto email = stringMember(object, "email");
    const auto name = stringMember(object, "name");
    const auto imapHost = stringMember(object, "imapHost");
    const auto imapPort = portMember(object, "imapPort");
    const auto imapUser = stringMember(object, "imapUser");
    const auto smtpHost = stringMember(object, "smtpHost");
    const auto smtpPort = portMember(object, "smtpPort");
    const auto smtpUser = stringMember(object, "smtpUser");
    if (!id || !email || !name || !imapHost || !imapPort || !imapUser || !smtpHost || !smtpPort || !smtpUser)
        return std::nullopt;
    return Account{*id, *email, *name, *imapHost, *imapPort, *imapUser, *smtpHost, *smtpPort, *smtpUser};
}

QByteArray Account::encodeList(const QList<Account>& accounts)
{
    QJsonArray array;
    for (const Account& account : accounts)
        array.append(account.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<Account>> Account::decodeList(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<Account> accounts;
    for (const QJsonValue& value : document.array()) {
        std::optional<Account> account = Account::fromJson(value);
        if (!account)
            return std::nullopt;
        accounts.append(*account);
    }
    return accounts;
}
