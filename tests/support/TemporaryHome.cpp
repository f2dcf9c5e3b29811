#include "support/TemporaryHome.h"

#include "core/AppIdentity.h"

#include <QDir>
#include <QFile>

TemporaryHome::TemporaryHome()
{
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    qputenv("XDG_CACHE_HOME", m_root.filePath(QStringLiteral("cache")).toUtf8());
    const QString runtime = m_root.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    AppIdentity::apply();
}
