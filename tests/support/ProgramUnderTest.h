#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QSslCertificate>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A throw-away user of the program: home, XDG folders and TMPDIR of its own.
class Profile {
public:
    Profile();
    bool isValid() const { return m_root.isValid(); }
    QString path(const QString& relative) const { return m_root.filePath(relative); }
    QString settingsFile() const { return path(QStringLiteral("config/LU.MARA/settings.json")); }
    QString dataFile(const QString& name) const { return path(QStringLiteral("data/LU.MARA/") + name); }

private:
    QTemporaryDir m_root;
};

// The system's certificate folder as it is, plus the given authorities (file, hash link and an
// entry in the bundle), for a program that trusts only the system's roots.
class TrustedRoots {
public:
    // Empty on success, otherwise what went wrong.
    QString make(const QList<QSslCertificate>& authorities);
    QString folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// The lumara executable started as a user starts it, on a given session bus, in a mount namespace
// of its own where /etc/ssl/certs is the folder of TrustedRoots (so it runs as root). Nothing in
// its settings or environment tells it about the test's authorities.
class ProgramUnderTest {
public:
    ~ProgramUnderTest();

    // `display` holds what reaches the display server (DISPLAY, QT_QPA_PLATFORM, ...) and anything
    // else the caller wants to add; the rest of the environment is the profile's and the bus's.
    bool start(const QString& program, const Profile& profile, const QString& busAddress, const QString& certificates,
        const QProcessEnvironment& display);
    // It owns its name on the bus and shows its main window.
    bool waitUntilRunning(int waitMs = 30000);
    // Its output so far (standard error and output together).
    QString output();
    bool running() const { return m_process && m_process->state() == QProcess::Running; }
    // Waits for the end; false when it did not end in time or did not end by itself.
    bool waitForExit(int waitMs = 20000);
    int exitCode() const { return m_process ? m_process->exitCode() : -1; }
    void terminate();

private:
    std::unique_ptr<QProcess> m_process;
    QString m_busAddress;
    QString m_output;
};
