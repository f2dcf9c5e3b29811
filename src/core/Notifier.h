#pragma once

#include "core/MailItem.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QSet>

#include <functional>
#include <vector>

// Announces new mail through the desktop's notification service (org.freedesktop.Notifications)
// and keeps the count on the program's icon (com.canonical.Unity.LauncherEntry). Nothing here
// blocks: a missing or silent service only means nothing is shown.
class Notifier : public QObject {
    Q_OBJECT

public:
    static Notifier& shared();
    explicit Notifier(const QDBusConnection& bus, QObject* parent = nullptr);

    // Listens for clicks on our notifications.
    void setup();
    // Up to three mails one by one, four or more as one summary; only while "notify" is on and
    // a notification service answers.
    void announce(const std::vector<MailItem>& items);
    // The icon shows `count` while "badge" is on and count > 0, else nothing.
    void updateBadge(int count);

    // A click on one of our notifications: the owner raises its window.
    std::function<void()> onActivate;

private Q_SLOTS:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);

private:
    struct Request {
        QString identifier;  // the same identifier replaces the earlier notification
        QString title;
        QString body;
    };
    void send(const std::vector<Request>& requests, bool bodyMarkup);
    void sendOne(const Request& request, bool bodyMarkup);

    QDBusConnection m_bus;
    QHash<QString, uint> m_shown;  // request identifier -> the service's notification id
    QSet<uint> m_ours;
    QString m_badgeLabel;
    bool m_listening = false;
};
