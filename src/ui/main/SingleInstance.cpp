#include "ui/main/SingleInstance.h"

#include "core/AppIdentity.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>

namespace {
const QString objectPath = QStringLiteral("/org/lumara/LUMara");
}

bool SingleInstance::claim()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        if (bus.registerService(AppIdentity::id)) {
            bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots);
            return true;
        }
        QDBusMessage activate = QDBusMessage::createMethodCall(AppIdentity::id, objectPath, AppIdentity::id, QStringLiteral("Activate"));
        bus.call(activate, QDBus::Block, 2000);
        return false;
    }
    const QString folder = AppIdentity::dataFolder();
    QDir().mkpath(folder);
    m_lock = std::make_unique<QLockFile>(folder + QStringLiteral("/running.lock"));
    m_lock->setStaleLockTime(0);
    return m_lock->tryLock(0);
}

void SingleInstance::Activate()
{
    if (onActivate)
        onActivate();
}
