#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT end the program as closing its window does. The handler only writes
// a byte to a pipe; the event loop reads it and runs onQuit.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(std::function<void()> onQuit, QObject* parent = nullptr);
    ~QuitSignals() override;

private:
    std::function<void()> m_onQuit;
    QSocketNotifier* m_notifier = nullptr;
};
