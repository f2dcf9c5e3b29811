#include "ui/look/MailDrag.h"

#include "core/AppIdentity.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMimeData>

QString MailDrag::type()
{
    return AppIdentity::id + QStringLiteral(".mail");
}

QMimeData* MailDrag::make(const QStringList& ids)
{
    auto* data = new QMimeData;
    data->setData(type(), QJsonDocument(QJsonArray::fromStringList(ids)).toJson(QJsonDocument::Compact));
    return data;
}

QStringList MailDrag::ids(const QMimeData* data)
{
    if (!data || !data->hasFormat(type()))
        return {};
    QStringList result;
    const QJsonArray array = QJsonDocument::fromJson(data->data(type())).array();
    for (const QJsonValue& value : array)
        if (value.isString())
            result << value.toString();
    return result;
}
