#include "core/Account.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto accounts = Account::decodeList(json)) {
        // Whatever decodes must survive its own round trip.
        if (Account::decodeList(Account::encodeList(*accounts)) != accounts)
            __builtin_trap();
    }
    return 0;
}
