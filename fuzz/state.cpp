#include "core/MailStoreState.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto state = MailStoreState::decode(json)) {
        // What state.json gives must come back whole from the next save.
        if (MailStoreState::decode(state->encode()) != state)
            __builtin_trap();
    }
    return 0;
}
