#include "ProgramUnderTest.h"

#include "support/ChildProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

Profile::Profile()
    : m_root(QDir::tempPath() + QStringLiteral("/lumara-e2e-XXXXXX"))
{
    for (const char* folder : {"home", "config/LU.MARA", "data/LU.MARA", "cache", "runtime", "tmp"})
        QDir().mkpath(path(QString::fromLatin1(folder)));
    QFile::setPermissions(path(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString TrustedRoots::make(const QList<QSslCertificate>& authorities)
{
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder for the certificates");
    QProcess copy;
    copy.start(QStringLiteral("cp"), {QStringLiteral("-a"), QStringLiteral("/etc/ssl/certs/."), m_dir.path()});
    if (!copy.waitForFinished(30000) || copy.exitCode() != 0)
        return QStringLiteral("cannot copy /etc/ssl/certs: ") + QString::fromUtf8(copy.readAllStandardError());
    QFile bundle(m_dir.filePath(QStringLiteral("ca-certificates.crt")));
    if (!bundle.open(QIODevice::Append))
        return QStringLiteral("cannot extend the certificate bundle");
    for (qsizetype i = 0; i < authorities.size(); ++i) {
        const QByteArray pem = authorities[i].toPem();
        const QString name = QStringLiteral("lumara-test-%1.pem").arg(i);
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(pem) != pem.size())
            return QStringLiteral("cannot write ") + name;
        file.close();
        bundle.write(pem);
        // OpenSSL finds a root in a folder by the hash of its subject: <hash>.0, .1, ...
        QProcess hash;
        hash.start(QStringLiteral("openssl"), {QStringLiteral("x509"), QStringLiteral("-hash"), QStringLiteral("-noout"),
                                                  QStringLiteral("-in"), file.fileName()});
        if (!hash.waitForFinished(10000) || hash.exitCode() != 0)
            return QStringLiteral("openssl cannot hash ") + name;
        const QString subject = QString::fromLatin1(hash.readAllStandardOutput()).trimmed();
        int n = 0;
        while (QFile::exists(m_dir.filePath(subject + u'.' + QString::number(n))))
            ++n;
        if (!QFile::link(name, m_dir.filePath(subject + u'.' + QString::number(n))))
            return QStringLiteral("cannot link ") + name;
    }
    return {};
}

ProgramUnderTest::~ProgramUnderTest()
{
    if (m_process && m_process->state() != QProcess::NotRunning)
        stopChild(*m_process);
}

bool ProgramUnderTest::start(const QString& program, const Profile& profile, const QString& busAddress, const QString& certificates,
    const QProcessEnvironment& display)
{
    m_busAddress = busAddress;
    m_process = std::make_unique<QProcess>();
    dieWithTest(*m_process, SIGTERM);
    QProcessEnvironment environment;
    for (const char* kept : {"PATH", "LANG", "LC_ALL", "ASAN_SYMBOLIZER_PATH"}) {
        if (qEnvironmentVariableIsSet(kept))
            environment.insert(QString::fromLatin1(kept), qEnvironmentVariable(kept));
    }
    environment.insert(QStringLiteral("HOME"), profile.path(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), profile.path(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), profile.path(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), profile.path(QStringLiteral("cache")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), profile.path(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("TMPDIR"), profile.path(QStringLiteral("tmp")));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    environment.insert(display);
    m_process->setProcessEnvironment(environment);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(m_process.get(), &QProcess::readyRead, m_process.get(),
        [this] { m_output += QString::fromUtf8(m_process->readAll()); });
    // unshare makes the mount namespace and execs sh, which execs the program: one process.
    m_process->start(QStringLiteral("unshare"),
        {QStringLiteral("--mount"), QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
            QStringLiteral("mount --bind \"$1\" /etc/ssl/certs && exec \"$2\""), QStringLiteral("sh"), certificates,
            program});
    return m_process->waitForStarted(10000);
}

bool ProgramUnderTest::waitUntilRunning(int waitMs)
{
    const QDeadlineTimer deadline(waitMs);
    while (!deadline.hasExpired()) {
        if (!running())
            return false;
        QProcess ask;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_busAddress);
        ask.setProcessEnvironment(environment);
        ask.start(QStringLiteral("dbus-send"), {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                                                  QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/"),
                                                  QStringLiteral("org.freedesktop.DBus.NameHasOwner"), QStringLiteral("string:org.lumara.LUMara")});
        ask.waitForFinished(5000);
        if (ask.readAllStandardOutput().contains("boolean true"))
            return true;
        m_process->waitForReadyRead(100);
    }
    return false;
}

QString ProgramUnderTest::output()
{
    if (m_process)
        m_output += QString::fromUtf8(m_process->readAll());
    return m_output;
}

bool ProgramUnderTest::waitForExit(int waitMs)
{
    if (!m_process)
        return false;
    const bool ended = m_process->state() == QProcess::NotRunning || m_process->waitForFinished(waitMs);
    output();
    return ended && m_process->exitStatus() == QProcess::NormalExit;
}

void ProgramUnderTest::terminate()
{
    if (m_process && m_process->state() == QProcess::Running)
        m_process->terminate();
}
