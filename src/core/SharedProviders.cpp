#include "core/SharedProviders.h"

#include <QSet>

namespace SharedProviders {

bool contains(const QString& domain)
{
    static const QSet<QString> domains = {
        // international
        "gmail.com", "googlemail.com", "outlook.com", "hotmail.com", "live.com", "msn.com", "yahoo.com",
        "ymail.com", "aol.com", "icloud.com", "me.com", "mac.com", "proton.me", "protonmail.com",
        // Germany, Austria, Switzerland
        "gmx.de", "gmx.net", "gmx.at", "gmx.ch", "web.de", "t-online.de", "freenet.de", "posteo.de", "mailbox.org",
        // Russia, France, Italy, Czechia
        "yandex.ru", "mail.ru", "orange.fr", "free.fr", "laposte.net", "libero.it", "virgilio.it", "seznam.cz",
        // United Kingdom, United States
        "btinternet.com", "comcast.net", "verizon.net", "att.net",
        // China, Korea
        "qq.com", "163.com", "naver.com",
    };
    return domains.contains(domain);
}

}  // namespace SharedProviders
