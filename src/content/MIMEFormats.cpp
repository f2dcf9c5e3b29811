#include "content/MIMEFormats.h"

namespace MIME {

const DateFormat& rfc2822Out()
{
    static const DateFormat format(QStringLiteral("EEE, dd MMM yyyy HH:mm:ss Z"));
    return format;
}

const DateFormat& internalFormat()
{
    static const DateFormat format(QStringLiteral("d-MMM-yyyy HH:mm:ss Z"));
    return format;
}

const std::array<const DateFormat*, 5>& dateFormats()
{
    static const DateFormat seconds(QStringLiteral("d MMM yyyy HH:mm:ss Z"));
    static const DateFormat minutes(QStringLiteral("d MMM yyyy HH:mm Z"));
    static const DateFormat shortYear(QStringLiteral("d MMM yy HH:mm:ss Z"));
    static const DateFormat zoneName(QStringLiteral("d MMM yyyy HH:mm:ss zzz"));
    static const DateFormat localTime(QStringLiteral("d MMM yyyy HH:mm:ss"));
    static const std::array<const DateFormat*, 5> formats{&seconds, &minutes, &shortYear, &zoneName, &localTime};
    return formats;
}

}  // namespace MIME
