#pragma once

#include <QString>

// The names under which LU.MARA appears to the desktop and keeps its files.
namespace AppIdentity {

// Folder name for settings and data, and the application name shown to the desktop.
inline const QString name = QStringLiteral("LU.MARA");
// Reverse-DNS identifier: the desktop file name and the keychain service of every secret.
inline const QString id = QStringLiteral("org.lumara.LUMara");

// Sets the application's names so that QStandardPaths finds LU.MARA's folders; the program
// and tests call it before the first settings or notes access.
void apply();

// The data folder, $XDG_DATA_HOME/LU.MARA, created on the way (a failure shows at the next write).
QString dataFolder();

}
