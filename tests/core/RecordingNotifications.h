#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// A notification service that records what it is asked to show, on a bus of the test's own.
class RecordingNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown {
        uint id;
        uint replaces;
        QString summary;
        QString body;
        QVariantMap hints;
    };

    explicit RecordingNotifications(const QDBusConnection& bus, QStringList capabilities = {})
        : m_bus(bus), m_capabilities(std::move(capabilities)) {}
    bool start();

    QList<Shown> shown;
    QList<QVariantMap> badges;  // every icon update seen on the bus

    void click(uint id);

public Q_SLOTS:
    Q_SCRIPTABLE QStringList GetCapabilities() { return m_capabilities; }
    Q_SCRIPTABLE uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                             const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout);
    void launcherUpdate(const QString& app, const QVariantMap& properties) { badges.append(properties); Q_UNUSED(app) }

Q_SIGNALS:
    Q_SCRIPTABLE void ActionInvoked(uint id, const QString& action);

private:
    QDBusConnection m_bus;
    QStringList m_capabilities;
    uint m_next = 1;
};
