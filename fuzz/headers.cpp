#include "FuzzInput.h"
#include "content/MIMEHeaders.h"
#include "content/MIMEText.h"
#include "content/SenderChecks.h"

// The header functions a mail check runs on every fetched header block.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const MIME::HeaderList fields = MIME::headers(MIME::splitHeaderBody(fuzzBytes(data, size)).first);
    const MIME::Address from = MIME::address(MIME::header(fields, QStringLiteral("from")).value_or(QString()));
    const MIME::Address replyTo = MIME::address(MIME::header(fields, QStringLiteral("reply-to")).value_or(QString()));
    MIME::entropyHints(fields, from.name, from.email, replyTo.email,
                       MIME::decodeWords(MIME::header(fields, QStringLiteral("subject")).value_or(QString())));
    MIME::senderIP(fields);
    return 0;
}
