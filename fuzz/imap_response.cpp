// Whole untagged responses and single values: no crash, no read outside the bytes, progress always.
#include "net/IMAPParser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const IMAPResponse values = IMAPParser::parseUntagged(bytes);
    for (const IMAPValue& v : values)
        (void)v.text();

    IMAPParser parser(bytes);
    for (;;) {
        const qsizetype before = parser.position();
        const std::optional<IMAPValue> value = parser.parseValue();
        if (parser.position() > bytes.size())
            std::abort();
        if (!value)
            break;
        if (parser.position() <= before)
            std::abort();  // a value was read without consuming a byte
    }
    return 0;
}
