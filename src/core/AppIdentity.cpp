#include "core/AppIdentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

void AppIdentity::apply()
{
    // No organisation: the settings folder is then exactly $XDG_CONFIG_HOME/LU.MARA.
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationName(name);
}

QString AppIdentity::dataFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u'/' + name;
    QDir().mkpath(folder);
    return folder;
}
