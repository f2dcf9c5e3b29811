#include "FuzzInput.h"
#include "content/MIMEHeaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MIME::date(fuzzText(data, size));
    return 0;
}
