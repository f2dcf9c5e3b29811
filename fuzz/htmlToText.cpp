#include "FuzzInput.h"
#include "content/HTMLToText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MIME::htmlToText(fuzzText(data, size));
    return 0;
}
