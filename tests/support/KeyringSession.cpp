#include "support/KeyringSession.h"

#include "support/ChildProcess.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

namespace {

const QString secretsName = QStringLiteral("org.freedesktop.secrets");
const QString loginCollection = QStringLiteral("/org/freedesktop/secrets/collection/login");
const QByteArray keyringPassword = "lumara-test";
constexpr int startMilliseconds = 15000;

// No service directories: a name that nobody owns stays unowned instead of being activated.
QByteArray busConfig(const QString& socketDir)
{
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><keep_umask/>"
           "<listen>unix:dir=" + socketDir.toUtf8() + "</listen><auth>EXTERNAL</auth>"
           "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
           "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
}

void stop(std::unique_ptr<QProcess>& process)
{
    if (!process)
        return;
    process->terminate();
    if (!process->waitForFinished(5000)) {
        process->kill();
        process->waitForFinished(5000);
    }
    process.reset();
}

}

KeyringSession::KeyringSession(Keyring keyring)
    : m_keyring(keyring)
    , m_root(QDir::tempPath() + QStringLiteral("/lumara-keyring-XXXXXX"))
{
}

KeyringSession::~KeyringSession()
{
    stopKeyring();
    stop(m_bus);
}

QString KeyringSession::start()
{
    if (!m_root.isValid())
        return QStringLiteral("cannot create a temporary folder");
    for (const char* sub : {"home", "data", "run"}) {
        if (!QDir(m_root.path()).mkpath(QString::fromLatin1(sub)))
            return QStringLiteral("cannot create %1").arg(QString::fromLatin1(sub));
    }
    QFile::setPermissions(m_root.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (QString failure = startBus(); !failure.isEmpty())
        return failure;
    switch (m_keyring) {
    case Keyring::None:
        return {};
    case Keyring::Unlocked:
        return startKeyring(true);
    case Keyring::Locked:
        // A keyring with a password must exist before a daemon can hold it locked.
        if (QString failure = startKeyring(true); !failure.isEmpty())
            return failure;
        stopKeyring();
        return startKeyring(false);
    }
    return {};
}

QProcessEnvironment KeyringSession::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    return env;
}

QProcessEnvironment KeyringSession::daemonEnvironment() const
{
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("HOME"), m_root.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_root.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_root.filePath(QStringLiteral("run")));
    return env;
}

QString KeyringSession::startBus()
{
    const QString configPath = m_root.filePath(QStringLiteral("bus.conf"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly) || config.write(busConfig(m_root.filePath(QStringLiteral("run")))) < 0)
        return QStringLiteral("cannot write the bus configuration");
    config.close();

    m_bus = std::make_unique<QProcess>();
    m_bus->setProcessChannelMode(QProcess::SeparateChannels);
    dieWithTest(*m_bus);
    m_bus->start(QStringLiteral("dbus-daemon"),
        {QStringLiteral("--config-file=") + configPath, QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!m_bus->waitForStarted(startMilliseconds))
        return QStringLiteral("dbus-daemon does not start: ") + m_bus->errorString();
    const QDeadlineTimer deadline(startMilliseconds);
    while (!m_bus->canReadLine() && !deadline.hasExpired() && m_bus->state() == QProcess::Running)
        m_bus->waitForReadyRead(100);
    if (!m_bus->canReadLine())
        return QStringLiteral("dbus-daemon gave no address: ") + QString::fromLocal8Bit(m_bus->readAllStandardError());
    m_address = QString::fromUtf8(m_bus->readLine().trimmed());
    return {};
}

QString KeyringSession::startKeyring(bool unlock)
{
    m_daemon = std::make_unique<QProcess>();
    m_daemon->setProcessEnvironment(daemonEnvironment());
    m_daemon->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    dieWithTest(*m_daemon);
    QStringList arguments{QStringLiteral("--foreground"), QStringLiteral("--components=secrets")};
    if (unlock)
        arguments << QStringLiteral("--unlock");
    m_daemon->start(QStringLiteral("gnome-keyring-daemon"), arguments);
    if (!m_daemon->waitForStarted(startMilliseconds))
        return QStringLiteral("gnome-keyring-daemon does not start: ") + m_daemon->errorString();
    // The daemon reads the password until end of input; nothing flushes it here but an explicit wait.
    if (unlock) {
        m_daemon->write(keyringPassword);
        m_daemon->waitForBytesWritten(startMilliseconds);
    }
    m_daemon->closeWriteChannel();
    return waitForCollection(!unlock);
}

// The daemon is ready when it owns the Secret Service name and its login collection is in the
// expected state (created and unlocked by --unlock, or still locked without it).
QString KeyringSession::waitForCollection(bool expectLocked)
{
    const QString connectionName = QStringLiteral("keyring-session-%1").arg(quintptr(this));
    QString failure;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, connectionName);
        const QDeadlineTimer deadline(startMilliseconds);
        failure = QStringLiteral("gnome-keyring-daemon never served an %1 login collection")
                      .arg(expectLocked ? QStringLiteral("locked") : QStringLiteral("unlocked"));
        while (!deadline.hasExpired() && m_daemon->state() == QProcess::Running) {
            if (bus.interface()->isServiceRegistered(secretsName)) {
                QDBusMessage get = QDBusMessage::createMethodCall(secretsName, loginCollection,
                    QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
                get << QStringLiteral("org.freedesktop.Secret.Collection") << QStringLiteral("Locked");
                const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
                const QVariant locked = reply.arguments().value(0).value<QDBusVariant>().variant();
                if (reply.type() == QDBusMessage::ReplyMessage && locked.toBool() == expectLocked) {
                    failure.clear();
                    break;
                }
            }
            QThread::msleep(50);
        }
    }
    QDBusConnection::disconnectFromBus(connectionName);
    return failure;
}

void KeyringSession::stopKeyring()
{
    stop(m_daemon);
}
