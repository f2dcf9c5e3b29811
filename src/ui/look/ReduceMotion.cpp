#include "ui/look/ReduceMotion.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QObject>

namespace {

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString interface = QStringLiteral("org.freedesktop.portal.Settings");
const QString group = QStringLiteral("org.gnome.desktop.interface");
const QString key = QStringLiteral("enable-animations");

bool fromPortal = false;  // true when the portal says animations are off
std::optional<bool> replacement;

// ReadOne answers with the value; the older Read with the value wrapped once more.
bool animationsOff(QVariant value)
{
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value.userType() == QMetaType::Bool && !value.toBool();
}

class SettingWatcher : public QObject {
    Q_OBJECT
public Q_SLOTS:
    void settingChanged(const QString& changedGroup, const QString& changedKey, const QDBusVariant& value)
    {
        if (changedGroup == group && changedKey == key)
            fromPortal = animationsOff(value.variant());
    }
};

}  // namespace

bool ReduceMotion::on()
{
    return replacement ? *replacement : fromPortal;
}

void ReduceMotion::replace(std::optional<bool> value)
{
    replacement = value;
}

void ReduceMotion::watch()
{
    static SettingWatcher* watcher = nullptr;
    if (watcher)
        return;
    watcher = new SettingWatcher;  // lives for the run, like the connection it listens on
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(service, path, interface, QStringLiteral("SettingChanged"), watcher,
        SLOT(settingChanged(QString, QString, QDBusVariant)));
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("ReadOne"));
    call << group << key;
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(call), watcher);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, watcher, [](QDBusPendingCallWatcher* answer) {
        const QDBusMessage reply = answer->reply();
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            fromPortal = animationsOff(reply.arguments().constFirst());
        answer->deleteLater();
    });
}

#include "ReduceMotion.moc"
