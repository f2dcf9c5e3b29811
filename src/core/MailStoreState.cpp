#include "core/MailStoreState.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

QJsonArray toArray(const QSet<QString>& set)
{
    QJsonArray array;
    for (const QString& value : set)
        array.append(value);
    return array;
}

// Absent reads as empty; present it must be an array of strings.
bool readSet(const QJsonObject& object, const char* key, QSet<QString>& out)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined())
        return true;
    if (!value.isArray())
        return false;
    for (const QJsonValue& element : value.toArray()) {
        if (!element.isString())
            return false;
        out.insert(element.toString());
    }
    return true;
}

bool isWholeNumber(const QJsonValue& value)
{
    // In range before any conversion: converting a double that int cannot hold is undefined.
    const double number = value.toDouble();
    return value.isDouble() && number >= -2147483648.0 && number <= 2147483647.0 && number == std::trunc(number);
}

std::optional<QJsonDocument> parse(const QByteArray& json)
{
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    return document;
}

}  // namespace

QByteArray MailStoreState::encode() const
{
    // Sorted first: inserting into a QJsonObject one by one costs a move of all later keys.
    QVariantMap sorted;
    for (auto it = drawerOf.cbegin(); it != drawerOf.cend(); ++it)
        sorted.insert(it.key(), it.value());
    const QJsonObject drawers = QJsonObject::fromVariantMap(sorted);
    const QJsonObject object{
        {"drawerOf", drawers},
        {"done", toArray(done)},
        {"scam", toArray(scam)},
        {"scamSenders", toArray(scamSenders)},
        {"trusted", toArray(trusted)},
        {"blockedDomains", toArray(blockedDomains)},
        {"blockedIPs", toArray(blockedIPs)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<MailStoreState> MailStoreState::decode(const QByteArray& json)
{
    const std::optional<QJsonDocument> document = parse(json);
    if (!document || !document->isObject())
        return std::nullopt;
    const QJsonObject object = document->object();
    const QJsonValue drawers = object.value(QLatin1String("drawerOf"));
    if (!drawers.isObject() || !object.value(QLatin1String("done")).isArray())
        return std::nullopt;
    MailStoreState state;
    const QJsonObject drawerObject = drawers.toObject();
    for (auto it = drawerObject.begin(); it != drawerObject.end(); ++it) {
        if (!isWholeNumber(it.value()))
            return std::nullopt;
        state.drawerOf.insert(it.key(), int(it.value().toDouble()));
    }
    const bool ok = readSet(object, "done", state.done) && readSet(object, "scam", state.scam)
                    && readSet(object, "scamSenders", state.scamSenders) && readSet(object, "trusted", state.trusted)
                    && readSet(object, "blockedDomains", state.blockedDomains)
                    && readSet(object, "blockedIPs", state.blockedIPs);
    if (!ok)
        return std::nullopt;
    return state;
}

namespace MailCache {

QByteArray encode(const std::vector<MailItem>& mails)
{
    QJsonArray array;
    for (const MailItem& mail : mails)
        array.append(mail.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<std::vector<MailItem>> decode(const QByteArray& json)
{
    const std::optional<QJsonDocument> document = parse(json);
    if (!document || !document->isArray())
        return std::nullopt;
    const QJsonArray array = document->array();
    std::vector<MailItem> mails;
    mails.reserve(array.size());
    for (const QJsonValue& element : array) {
        std::optional<MailItem> mail = MailItem::fromJson(element);
        if (!mail)
            return std::nullopt;
        mails.push_back(std::move(*mail));
    }
    return mails;
}

}  // namespace MailCache
