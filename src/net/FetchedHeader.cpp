#include "net/FetchedHeader.h"

#include "content/InternalDate.h"
#include "content/MIMEHeaders.h"
#include "net/FetchItems.h"

namespace {

QStringList flagsOf(const IMAPValue& value)
{
    QStringList flags;
    for (const IMAPValue& flag : value.items()) {
        if (std::optional<QString> text = flag.text())
            flags.append(*text);
    }
    return flags;
}

FetchedHeader headerOf(const std::vector<FetchItem>& items)
{
    FetchedHeader header;
    for (const FetchItem& item : items) {
        const IMAPValue& value = item.value;
        if (item.name == u"UID") {
            bool ok = false;
            header.uid = value.text().value_or(QString()).toLongLong(&ok);
            if (!ok)
                header.uid = 0;
        } else if (item.name == u"FLAGS") {
            header.flags = flagsOf(value);
        } else if (item.name == u"INTERNALDATE") {
            header.internalDate = MIME::readInternalDate(MIME::trimBlanks(value.text().value_or(QString())));
        } else if (item.name.startsWith(u"BODY[")) {
            header.headers = value.bytes();
        }
    }
    return header;
}

}  // namespace

std::vector<FetchedHeader> FetchedHeader::readAll(const std::vector<IMAPResponse>& responses)
{
    std::vector<FetchedHeader> headers;
    for (const IMAPResponse& response : responses) {
        const std::optional<std::vector<FetchItem>> items = fetchItems(response);
        if (!items)
            continue;
        FetchedHeader header = headerOf(*items);
        if (header.uid > 0)
            headers.push_back(std::move(header));
    }
    return headers;
}
