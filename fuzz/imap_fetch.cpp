// The readers over parsed responses: FETCH item pairs, header fetches and LIST discovery.
// Input: responses separated by LF, each without its leading "*".
#include "net/FetchItems.h"
#include "net/FetchedHeader.h"
#include "net/IMAPClient.h"
#include "net/IMAPParser.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<IMAPResponse> responses;
    for (const QByteArray& part : bytes.split('\n'))
        responses.push_back(IMAPParser::parseUntagged(part));
    for (const IMAPResponse& r : responses)
        (void)fetchItems(r);
    (void)FetchedHeader::readAll(responses, 1, 1000);
    (void)IMAPClient::findMailbox(responses, QStringLiteral("\\trash"), {QStringLiteral("Trash")});
    return 0;
}
