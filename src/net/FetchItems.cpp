#include "net/FetchItems.h"

std::optional<std::vector<FetchItem>> fetchItems(const IMAPResponse& response)
{
    if (response.size() < 3 || !response[1].is(u"FETCH"))
        return std::nullopt;
    const std::vector<IMAPValue>& list = response[2].items();
    std::vector<FetchItem> pairs;
    pairs.reserve(list.size() / 2);
    for (size_t i = 0; i + 1 < list.size(); i += 2) {
        const auto* atom = std::get_if<IMAPValue::Atom>(&list[i].value);
        pairs.push_back({atom ? atom->text.toUpper() : list[i].text().value_or(QString()).toUpper(), list[i + 1]});
    }
    return pairs;
}
