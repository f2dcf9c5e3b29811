#include "FuzzInput.h"
#include "content/MIMEParser.h"

// The first line is the boundary, the rest the body.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView input = fuzzBytes(data, size);
    const qsizetype lineEnd = input.indexOf('\n');
    if (lineEnd < 0)
        return 0;
    const QString boundary = QString::fromUtf8(input.first(lineEnd));
    for (const QByteArrayView part : MIME::splitMultipart(input.sliced(lineEnd + 1), boundary))
        (void)part.size();
    return 0;
}
