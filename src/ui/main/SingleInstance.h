#pragma once

#include <QLockFile>
#include <QObject>

#include <functional>
#include <memory>

// One running program per user. The first start takes a name on the session bus (or, without
// a bus, a lock file in the data folder); a later start asks the first to show its window.
class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.lumara.LUMara")
public:
    // True when this process is the first; false when another runs (and was asked to show itself).
    bool claim();

    std::function<void()> onActivate;

public Q_SLOTS:
    Q_SCRIPTABLE void Activate();

private:
    std::unique_ptr<QLockFile> m_lock;
};
