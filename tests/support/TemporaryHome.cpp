#include "support/TemporaryHome.h"

#include "core/AppIdentity.h"

TemporaryHome::TemporaryHome()
{
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    qputenv("XDG_CACHE_HOME", m_root.filePath(QStringLiteral("cache")).toUtf8());
    AppIdentity::apply();
}
