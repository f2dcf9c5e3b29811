#include "core/MailItem.h"

#include "content/Ascii.h"
#include "content/MIMEHeaders.h"
#include "content/MIMEText.h"
#include "content/SenderChecks.h"
#include "core/Account.h"
#include "net/FetchedHeader.h"

#include <QHash>
#include <QJsonArray>

#include <cmath>

namespace {

// Dates in cache.json count seconds from the start of 2001 (UTC), with fraction.
const QDateTime referenceDate(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);

// Whether a flag lower-cases to \seen; only ASCII letters do (the Kelvin sign's "k" aside).
bool isSeen(const QStringList& flags)
{
    return std::any_of(flags.begin(), flags.end(), [](const QString& flag) {
        return flag.size() == 5 && std::equal(flag.begin(), flag.end(), u"\\seen", [](QChar c, char16_t lower) {
                   return MIME::lowerAscii(c.unicode()) == lower;
               });
    });
}

template <class T> bool read(const QJsonObject& o, const char* key, T& out);

template <> bool read(const QJsonObject& o, const char* key, QString& out)
{
    const QJsonValue v = o.value(QLatin1String(key));
    out = v.toString();
    return v.isString();
}

template <> bool read(const QJsonObject& o, const char* key, bool& out)
{
    const QJsonValue v = o.value(QLatin1String(key));
    out = v.toBool();
    return v.isBool();
}

// Absent is fine; present with another type is not.
bool readOptional(const QJsonObject& o, const char* key, std::optional<QString>& out)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined())
        return true;
    out = v.toString();
    return v.isString();
}

bool readOptional(const QJsonObject& o, const char* key, std::optional<QStringList>& out)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined())
        return true;
    if (!v.isArray())
        return false;
    QStringList list;
    for (const QJsonValue& element : v.toArray()) {
        if (!element.isString())
            return false;
        list.append(element.toString());
    }
    out = list;
    return true;
}

}  // namespace

MailItem MailItem::fromFetched(const Account& account, const FetchedHeader& fetched,
                               const std::optional<QString>& mailbox)
{
    enum Field { From, To, ReplyTo, MessageID, Subject, References };
    // Only these are decoded: the Received lines of a block are most of its bytes.
    static const QList<QByteArrayView> names{"from", "to", "reply-to", "message-id", "subject", "references"};
    const QList<std::optional<QString>> fields = MIME::headerValues(fetched.headers, names);
    const auto valueOf = [&fields](Field field) { return fields[field].value_or(QString()); };
    const MIME::Address from = MIME::address(valueOf(From));
    const MIME::Address to = MIME::address(valueOf(To).section(u',', 0, 0));

    MailItem item;
    item.accountID = account.id;
    item.uid = fetched.uid;
    item.mailbox = mailbox;
    item.messageID = valueOf(MessageID);
    item.fromName = from.name;
    item.fromEmail = from.email;
    item.toName = to.name;
    item.toEmail = to.email;
    item.replyTo = fields[ReplyTo] ? MIME::address(*fields[ReplyTo]).email : QString();
    item.subject = MIME::decodeWords(valueOf(Subject));
    if (fetched.internalDate) {
        item.date = *fetched.internalDate;
    } else {
        static const QList<QByteArrayView> date{"date"};
        item.date = MIME::date(MIME::headerValues(fetched.headers, date).front().value_or(QString()))
                        .value_or(QDateTime::currentDateTimeUtc());
    }
    item.seen = isSeen(fetched.flags);
    item.references = valueOf(References);
    if (!mailbox) {
        const QStringList hints = MIME::entropyHints(fetched.headers, item.fromName, item.fromEmail, item.replyTo, item.subject);
        if (!hints.isEmpty())
            item.hints = hints;
        item.ip = MIME::senderIP(fetched.headers);
    }
    return item;
}

QString MailItem::id() const
{
    QString id;
    id.reserve(4 + accountID.size() + 1 + (messageID.isEmpty() ? 23 : messageID.size()));
    if (mailbox)
        id += u"out|";
    id += accountID;
    id += u'|';
    if (messageID.isEmpty()) {
        id += u"uid";
        id += QString::number(uid);
    } else {
        id += messageID;
    }
    return id;
}

QString MailItem::displayFrom() const
{
    if (mailbox) {
        const QString recipient = toName && !toName->isEmpty() ? *toName : toEmail.value_or(QString());
        return QStringLiteral("→ ") + recipient;
    }
    return fromName.isEmpty() ? fromEmail : fromName;
}

QString MailItem::domain() const
{
    return domainOf(fromEmail);
}

// The last of the pieces between at signs that is not empty.
QString MailItem::domainOf(const QString& address)
{
    qsizetype end = address.size();
    while (end > 0 && address[end - 1] == u'@')
        --end;
    if (end == 0)
        return QString();
    const qsizetype start = address.lastIndexOf(u'@', end - 1) + 1;
    return address.sliced(start, end - start).toLower();
}

QJsonObject MailItem::toJson() const
{
    QJsonObject o{
        {"accountID", accountID},
        {"uid", uid},
        {"messageID", messageID},
        {"fromName", fromName},
        {"fromEmail", fromEmail},
        {"replyTo", replyTo},
        {"subject", subject},
        {"date", double(referenceDate.msecsTo(date)) / 1000.0},
        {"seen", seen},
        {"references", references},
    };
    if (mailbox)
        o.insert("mailbox", *mailbox);
    if (toName)
        o.insert("toName", *toName);
    if (toEmail)
        o.insert("toEmail", *toEmail);
    if (hints)
        o.insert("hints", QJsonArray::fromStringList(*hints));
    if (ip)
        o.insert("ip", *ip);
    return o;
}

std::optional<MailItem> MailItem::fromJson(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    MailItem item;
    const QJsonValue uid = o.value(QLatin1String("uid"));
    const QJsonValue date = o.value(QLatin1String("date"));
    const bool ok = read(o, "accountID", item.accountID) && read(o, "messageID", item.messageID)
                    && read(o, "fromName", item.fromName) && read(o, "fromEmail", item.fromEmail)
                    && read(o, "replyTo", item.replyTo) && read(o, "subject", item.subject)
                    && read(o, "seen", item.seen) && read(o, "references", item.references)
                    && readOptional(o, "mailbox", item.mailbox) && readOptional(o, "toName", item.toName)
                    && readOptional(o, "toEmail", item.toEmail) && readOptional(o, "hints", item.hints)
                    && readOptional(o, "ip", item.ip) && uid.isDouble() && date.isDouble();
    const std::optional<qint64> uidValue = uidFromJson(uid.toDouble());
    const std::optional<QDateTime> dateValue = dateFromJson(date.toDouble());
    if (!ok || !uidValue || !dateValue)
        return std::nullopt;
    item.uid = *uidValue;
    item.date = *dateValue;
    return item;
}

// Both must fit before converting: converting a double that the integer cannot hold is undefined.
std::optional<qint64> MailItem::uidFromJson(double number)
{
    if (!(std::abs(number) < 9.0e15) || number != std::trunc(number))
        return std::nullopt;
    return qint64(number);
}

std::optional<QDateTime> MailItem::dateFromJson(double seconds)
{
    if (!(std::abs(seconds) < 1.0e12))
        return std::nullopt;
    return referenceDate.addMSecs(std::llround(seconds * 1000.0));
}

size_t qHash(const MailItem& item, size_t seed) noexcept
{
    return qHashMulti(seed, item.accountID, item.uid, item.messageID, item.fromName, item.fromEmail, item.replyTo,
                      item.subject, item.date, item.seen, item.references, item.mailbox.value_or(QString()),
                      item.toName.value_or(QString()), item.toEmail.value_or(QString()),
                      item.hints.value_or(QStringList()), item.ip.value_or(QString()));
}
