#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A private D-Bus session bus (nothing is activated on it) with, by choice, a gnome-keyring-daemon
// serving the Secret Service: unlocked, locked, or none at all. Everything lives in a temporary
// folder and ends with the object. start() fails with a reason when a peer cannot be brought up.
class KeyringSession {
public:
    enum class Keyring { Unlocked, Locked, None };

    explicit KeyringSession(Keyring keyring);
    ~KeyringSession();
    KeyringSession(const KeyringSession&) = delete;
    KeyringSession& operator=(const KeyringSession&) = delete;

    // Empty on success, otherwise what went wrong.
    QString start();

    QString busAddress() const { return m_address; }
    // The environment a client process needs to reach this session's bus.
    QProcessEnvironment environment() const;

private:
    QString startBus();
    QString startKeyring(bool unlock);
    void stopKeyring();
    QString waitForCollection(bool expectLocked);
    QProcessEnvironment daemonEnvironment() const;

    Keyring m_keyring;
    QTemporaryDir m_root;
    QString m_address;
    std::unique_ptr<QProcess> m_bus;
    std::unique_ptr<QProcess> m_daemon;
};
