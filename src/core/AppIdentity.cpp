#include "core/AppIdentity.h"

#include <QCoreApplication>

void AppIdentity::apply()
{
    // No organisation: the settings folder is then exactly $XDG_CONFIG_HOME/LU.MARA.
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationName(name);
}
