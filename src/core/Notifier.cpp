#include "core/Notifier.h"

#include "core/AppIdentity.h"
#include "core/Prefs.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QUuid>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
const QString launcherPath = QStringLiteral("/org/lumara/LUMara/launcher");
constexpr int summaryFrom = 4;

QDBusMessage call(const QString& method)
{
    return QDBusMessage::createMethodCall(service, path, interface, method);
}

}  // namespace

Notifier& Notifier::shared()
{
    static Notifier instance(QDBusConnection::sessionBus());
    return instance;
}

Notifier::Notifier(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
{
}

void Notifier::setup()
{
    if (m_listening)
        return;
    m_listening = m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                                SLOT(actionInvoked(uint, QString)))
                  && m_bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                                   SLOT(notificationClosed(uint, uint)));
}

void Notifier::announce(const std::vector<MailItem>& items)
{
    if (items.empty() || !Prefs::shared().notify())
        return;
    std::vector<Request> requests;
    if (items.size() >= summaryFrom) {
        requests.push_back({QUuid::createUuid().toString(QUuid::WithoutBraces), QStringLiteral("LU.MARA"),
                            QString::number(items.size()) + QStringLiteral(" new mails")});
    } else {
        for (const MailItem& item : items)
            requests.push_back({item.id(), item.displayFrom(),
                                item.subject.isEmpty() ? QStringLiteral("(no subject)") : item.subject});
    }
    // "Authorised" means a service answers; its capabilities also say whether bodies are markup.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call(QStringLiteral("GetCapabilities"))), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, requests](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<QStringList> reply = *w;
        w->deleteLater();
        if (!reply.isError())
            send(requests, reply.value().contains(QStringLiteral("body-markup")));
    });
}

void Notifier::send(const std::vector<Request>& requests, bool bodyMarkup)
{
    setup();
    for (const Request& request : requests)
        sendOne(request, bodyMarkup);
}

void Notifier::sendOne(const Request& request, bool bodyMarkup)
{
    // Subjects and names come from strangers: a service that reads markup must not get theirs.
    const QString body = bodyMarkup ? request.body.toHtmlEscaped() : request.body;
    QDBusMessage message = call(QStringLiteral("Notify"));
    const QVariantMap hints{
        {QStringLiteral("category"), QStringLiteral("email.arrived")},
        {QStringLiteral("desktop-entry"), AppIdentity::id},
        {QStringLiteral("x-lumara-thread"), QStringLiteral("mail")},
    };
    message << AppIdentity::name << m_shown.value(request.identifier, 0u) << QStringLiteral("mail-unread")
            << request.title << body << QStringList{QStringLiteral("default"), QStringLiteral("Open")} << hints
            << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    const QString identifier = request.identifier;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, identifier](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reply = *w;
        w->deleteLater();
        if (reply.isError())
            return;
        m_shown.insert(identifier, reply.value());
        m_ours.insert(reply.value());
    });
}

void Notifier::actionInvoked(uint id, const QString& action)
{
    if (action == u"default" && m_ours.contains(id) && onActivate)
        onActivate();
}

void Notifier::notificationClosed(uint id, uint)
{
    m_ours.remove(id);
    for (auto it = m_shown.begin(); it != m_shown.end(); ++it) {
        if (it.value() == id) {
            m_shown.erase(it);
            break;
        }
    }
}

void Notifier::updateBadge(int count)
{
    const QString label = Prefs::shared().badge() && count > 0 ? QString::number(count) : QString();
    if (label == m_badgeLabel)
        return;
    m_badgeLabel = label;
    QDBusMessage signal = QDBusMessage::createSignal(launcherPath, QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                     QStringLiteral("Update"));
    signal << QStringLiteral("application://") + AppIdentity::id + QStringLiteral(".desktop")
           << QVariantMap{{QStringLiteral("count"), qint64(label.isEmpty() ? 0 : count)},
                          {QStringLiteral("count-visible"), !label.isEmpty()}};
    m_bus.send(signal);
}
