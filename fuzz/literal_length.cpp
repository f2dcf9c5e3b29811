#include "net/IMAPParser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView line(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<qint64> length = IMAPParser::literalLength(line);
    if (length && (*length < 0 || line.back() != '}'))
        std::abort();
    return 0;
}
