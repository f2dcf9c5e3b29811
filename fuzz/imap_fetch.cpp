// The readers over parsed responses: FETCH item pairs, header fetches (also read straight from
// the bytes) and LIST discovery.
// Input: responses separated by LF, each without its leading "*"; or one whole answer.
#include "net/FetchItems.h"
#include "net/FetchedHeader.h"
#include "net/IMAPClient.h"
#include "net/IMAPParser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<IMAPResponse> responses;
    for (const QByteArray& part : bytes.split('\n'))
        responses.push_back(IMAPParser::parseUntagged(part));
    // Read straight from the bytes, the whole input as one answer (its literals hold line
    // breaks), the reading must be the parser's.
    if (FetchedHeader::read(QByteArrayView(bytes), 1, 1000) != FetchedHeader::read(IMAPParser::parseUntagged(bytes), 1, 1000))
        std::abort();
    for (const IMAPResponse& r : responses)
        (void)fetchItems(r);
    (void)FetchedHeader::readAll(responses, 1, 1000);
    (void)IMAPClient::findMailbox(responses, QStringLiteral("\\trash"), {QStringLiteral("Trash")});
    return 0;
}
