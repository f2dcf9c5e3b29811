#include "net/FetchItems.h"

#include <algorithm>

namespace {

// Servers send the names in capitals already: those are taken as they are.
QString upperCased(const QString& name)
{
    const bool upper = std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80 && !(c >= u'a' && c <= u'z'); });
    return upper ? name : name.toUpper();
}

}  // namespace

std::optional<std::vector<FetchItem>> fetchItems(const IMAPResponse& response)
{
    if (response.size() < 3 || !response[1].is(u"FETCH"))
        return std::nullopt;
    const std::vector<IMAPValue>& list = response[2].items();
    std::vector<FetchItem> pairs;
    pairs.reserve(list.size() / 2);
    for (size_t i = 0; i + 1 < list.size(); i += 2) {
        const auto* atom = std::get_if<IMAPValue::Atom>(&list[i].value);
        pairs.push_back({upperCased(atom ? atom->text : list[i].text().value_or(QString())), list[i + 1]});
    }
    return pairs;
}
