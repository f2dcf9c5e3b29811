#include "core/NotificationCenter.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

NotificationCenter& NotificationCenter::shared()
{
    static NotificationCenter instance;
    return instance;
}

// Observers are told on the main thread, whichever thread asked first.
NotificationCenter::NotificationCenter()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        moveToThread(app->thread());
}

void NotificationCenter::post(const QString& name, QObject* object)
{
    if (QThread::currentThread() == thread()) {
        Q_EMIT posted(name, object);
        return;
    }
    QMetaObject::invokeMethod(this, [this, name, sender = QPointer<QObject>(object)] {
        Q_EMIT posted(name, sender.data());
    }, Qt::QueuedConnection);
}

QMetaObject::Connection NotificationCenter::observe(const QString& name, const QObject* context,
    std::function<void(QObject* object)> handler)
{
    return connect(this, &NotificationCenter::posted, context,
        [name, handler = std::move(handler)](const QString& posted, QObject* object) {
            if (posted == name)
                handler(object);
        });
}
