#pragma once

#include <QObject>
#include <QString>

#include <functional>

// The program's notifications: what changed is told by name, observers run on the main thread.
namespace Notification {
// Read the store again (mail store changes, the account list setter).
inline const QString storeChanged = QStringLiteral("LUMaraStoreChanged");
// Re-apply colours and redraw (writes of "dark" and "accountColors").
inline const QString themeChanged = QStringLiteral("LUMaraThemeChanged");
// The language may have changed: re-apply loc to every text, rebuild the menu bar.
inline const QString gameLanguage = QStringLiteral("LUMaraPongLanguage");
// The notes file was saved: notes panels reload.
inline const QString notesChanged = QStringLiteral("LUMaraNotesChanged");
}

class NotificationCenter : public QObject {
    Q_OBJECT
public:
    static NotificationCenter& shared();

    // Observers run synchronously when posted on the main thread, queued to it otherwise.
    void post(const QString& name, QObject* object = nullptr);
    // Calls handler for every post of name until context is destroyed; handler runs in context's thread.
    QMetaObject::Connection observe(const QString& name, const QObject* context, std::function<void(QObject* object)> handler);

Q_SIGNALS:
    void posted(const QString& name, QObject* object);

private:
    NotificationCenter();
};
