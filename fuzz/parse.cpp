#include "FuzzInput.h"
#include "content/MIMEParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MIME::parse(fuzzBytes(data, size));
    return 0;
}
