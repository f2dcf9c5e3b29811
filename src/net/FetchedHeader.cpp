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

FetchedHeader headerOf(const std::vector<FetchItem>& items, bool& hasHeaders)
{
    FetchedHeader header;
    hasHeaders = false;
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
            hasHeaders = true;
        }
    }
    return header;
}

}  // namespace

std::vector<FetchedHeader> FetchedHeader::readAll(const std::vector<IMAPResponse>& responses, qint64 first, qint64 last)
{
    std::vector<FetchedHeader> headers;
    for (const IMAPResponse& response : responses) {
        const std::optional<std::vector<FetchItem>> items = fetchItems(response);
        if (!items)
            continue;
        bool ok = false;
        const qint64 number = response[0].text().value_or(QString()).toLongLong(&ok);
        if (!ok || number < first || number > last)
            continue;
        bool hasHeaders = false;
        FetchedHeader header = headerOf(*items, hasHeaders);
        if (header.uid > 0 && hasHeaders)
            headers.push_back(std::move(header));
    }
    return headers;
}
