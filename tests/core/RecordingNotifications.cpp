#include "RecordingNotifications.h"

bool RecordingNotifications::start()
{
    return m_bus.registerObject("/org/freedesktop/Notifications", this, QDBusConnection::ExportScriptableContents)
           && m_bus.registerService("org.freedesktop.Notifications")
           && m_bus.connect(QString(), "/org/lumara/LUMara/launcher", "com.canonical.Unity.LauncherEntry", "Update", this,
                            SLOT(launcherUpdate(QString, QVariantMap)));
}

uint RecordingNotifications::Notify(const QString&, uint replaces, const QString&, const QString& summary,
                                    const QString& body, const QStringList&, const QVariantMap& hints, int)
{
    const uint id = replaces ? replaces : m_next++;
    shown.append({id, replaces, summary, body, hints});
    return id;
}

void RecordingNotifications::click(uint id)
{
    Q_EMIT ActionInvoked(id, "default");
}
