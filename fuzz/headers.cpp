#include "FuzzInput.h"
#include "content/MIMEHeaders.h"
#include "content/MIMEText.h"
#include "content/SenderChecks.h"

// The header functions a mail check runs on every fetched header block.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView block = MIME::splitHeaderBody(fuzzBytes(data, size)).first;
    const MIME::HeaderList fields = MIME::headers(block);
    const MIME::Address from = MIME::address(MIME::header(fields, QStringLiteral("from")).value_or(QString()));
    const MIME::Address replyTo = MIME::address(MIME::header(fields, QStringLiteral("reply-to")).value_or(QString()));
    MIME::entropyHints(block, from.name, from.email, replyTo.email,
                       MIME::decodeWords(MIME::header(fields, QStringLiteral("subject")).value_or(QString())));
    MIME::senderIP(block);
    return 0;
}
