#include "content/MIMEFormats.h"

namespace MIME {

const DateFormat& internalFormat()
{
    static const DateFormat format(QStringLiteral("d-MMM-yyyy HH:mm:ss Z"));
    return format;
}

}  // namespace MIME
