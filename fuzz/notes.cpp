#include "notes/NotesStore.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto notes = NotesStore::decode(json)) {
        if (NotesStore::decode(NotesStore::encode(*notes)) != notes)
            __builtin_trap();
    }
    return 0;
}
