#include "net/IMAPValue.h"

std::optional<QString> IMAPValue::text() const
{
    if (const auto* a = std::get_if<Atom>(&value))
        return a->text;
    if (const auto* s = std::get_if<String>(&value))
        return QString::fromUtf8(s->bytes);
    return std::nullopt;
}

bool IMAPValue::is(QStringView keyword) const
{
    if (const auto* a = std::get_if<Atom>(&value))
        return a->text.compare(keyword, Qt::CaseInsensitive) == 0;
    const std::optional<QString> t = text();
    return t && t->compare(keyword, Qt::CaseInsensitive) == 0;
}

const std::vector<IMAPValue>& IMAPValue::items() const
{
    static const std::vector<IMAPValue> none;
    const auto* l = std::get_if<List>(&value);
    return l ? l->items : none;
}

QByteArray IMAPValue::bytes() const
{
    if (const auto* s = std::get_if<String>(&value))
        return s->bytes;
    if (const auto* a = std::get_if<Atom>(&value))
        return a->text.toUtf8();
    return {};
}
