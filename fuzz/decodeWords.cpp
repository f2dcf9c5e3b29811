#include "FuzzInput.h"
#include "content/MIMEText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MIME::decodeWords(fuzzText(data, size));
    return 0;
}
