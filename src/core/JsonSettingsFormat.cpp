#include "core/JsonSettingsFormat.h"

#include <QFileDevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

namespace {

// JSON has strings and one kind of number: bytes and whole-valued doubles are wrapped in an
// object with one tagged member. Other Qt types are not kept: reading them back would run Qt's
// binary deserialisers on whatever the file holds, and those crash on crafted input.
const QString bytesTag = QStringLiteral("@bytes");
const QString doubleTag = QStringLiteral("@double");

bool isTag(const QString& key)
{
    return key == bytesTag || key == doubleTag;
}

QJsonObject tagged(const QString& tag, const QJsonValue& value)
{
    return QJsonObject{{tag, value}};
}

QJsonValue toJson(const QVariant& value);

QJsonArray listToJson(const QVariantList& list)
{
    QJsonArray array;
    for (const QVariant& item : list)
        array.append(toJson(item));
    return array;
}

QJsonValue doubleToJson(double number)
{
    if (!std::isfinite(number))
        return QJsonValue::Undefined;
    if (number == std::trunc(number))
        return tagged(doubleTag, number);
    return number;
}

QJsonValue toJson(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return QJsonValue::Null;
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::Double:
    case QMetaType::Float:
        if (QJsonValue json = doubleToJson(value.toDouble()); !json.isUndefined())
            return json;
        break;
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QByteArray:
        return tagged(bytesTag, QString::fromLatin1(value.toByteArray().toBase64()));
    case QMetaType::QStringList:
    case QMetaType::QVariantList:
        return listToJson(value.toList());
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        QJsonObject object;
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            object.insert(it.key(), toJson(it.value()));
        return object;
    }
    default:
        break;
    }
    return QJsonValue::Null;
}

QVariant fromJson(const QJsonValue& json);

QVariant fromTagged(const QJsonObject& object)
{
    const QString tag = object.begin().key();
    const QJsonValue value = object.begin().value();
    if (tag == doubleTag && value.isDouble())
        return value.toDouble();
    if (!value.isString())
        return {};
    const auto decoded = QByteArray::fromBase64Encoding(value.toString().toLatin1());
    if (!decoded)
        return {};
    return *decoded;
}

QVariant numberFromJson(const QJsonValue& json)
{
    const QVariant number = json.toVariant();  // qlonglong when the text had no fraction
    if (number.typeId() != QMetaType::LongLong)
        return number.toDouble();
    const qlonglong whole = number.toLongLong();
    if (whole >= std::numeric_limits<int>::min() && whole <= std::numeric_limits<int>::max())
        return int(whole);
    return whole;
}

QVariant fromJson(const QJsonValue& json)
{
    switch (json.type()) {
    case QJsonValue::Bool:
        return json.toBool();
    case QJsonValue::Double:
        return numberFromJson(json);
    case QJsonValue::String:
        return json.toString();
    case QJsonValue::Array: {
        QVariantList list;
        for (const QJsonValue& item : json.toArray())
            list.append(fromJson(item));
        return list;
    }
    case QJsonValue::Object: {
        const QJsonObject object = json.toObject();
        if (object.size() == 1 && isTag(object.begin().key()))
            return fromTagged(object);
        QVariantMap map;
        for (auto it = object.begin(); it != object.end(); ++it)
            map.insert(it.key(), fromJson(it.value()));
        return map;
    }
    default:
        return {};
    }
}

}

QSettings::Format JsonSettingsFormat::format()
{
    static const QSettings::Format registered = QSettings::registerFormat(QStringLiteral("json"), read, write);
    return registered;
}

bool JsonSettingsFormat::read(QIODevice& device, QSettings::SettingsMap& map)
{
    const QByteArray bytes = device.readAll();
    if (bytes.trimmed().isEmpty())
        return true;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it)
        map.insert(it.key(), fromJson(it.value()));
    return true;
}

bool JsonSettingsFormat::write(QIODevice& device, const QSettings::SettingsMap& map)
{
    QJsonObject object;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        object.insert(it.key(), toJson(it.value()));
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    if (device.write(bytes) != bytes.size())
        return false;
    // QSettings commits its save file when this says true, and a buffered write only fails at
    // the flush: on a full disk the settings would be replaced by an empty file.
    auto* file = qobject_cast<QFileDevice*>(&device);
    return !file || file->flush();
}
