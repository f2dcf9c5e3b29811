#include "core/MailStoreState.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto mails = MailCache::decode(json)) {
        if (MailCache::decode(MailCache::encode(*mails)) != mails)
            __builtin_trap();
    }
    return 0;
}
