#pragma once

#include <QString>

// Who made the program and where to find them, shown in About and the settings' signature.
namespace Credits {

inline const QString webSite = QStringLiteral("lumara.org");
inline const QString donation = QStringLiteral("lumara.org/donate");

}
