#include "DovecotServer.h"

#include "ChildProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QThread>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

QString dovecotProgram()
{
    // /usr/sbin is not on a normal user's PATH, and sudo may not keep it there either.
    const QString onPath = QStandardPaths::findExecutable("dovecot");
    return onPath.isEmpty() ? QStandardPaths::findExecutable("dovecot", {"/usr/sbin", "/sbin"}) : onPath;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

}  // namespace

DovecotServer::~DovecotServer()
{
    stop();
}

QString DovecotServer::log() const
{
    QFile file(m_dir.filePath("dovecot.log"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void DovecotServer::makeOwnedByMail(const QString& path) const
{
    const passwd* mail = getpwnam("mail");
    if (mail && ::chown(QFile::encodeName(path).constData(), mail->pw_uid, mail->pw_gid) != 0)
        qWarning("chown %s failed", qPrintable(path));
}

bool DovecotServer::writeConfig(const std::vector<User>& users, bool specialUse)
{
    const QString d = m_dir.path();
    const auto server = m_certificates.issue("server", {"IP:" + host(), "DNS:localhost"});
    const auto untrusted = m_certificates.issue("untrusted", {"IP:" + untrustedHost()}, false);
    const auto wrongName = m_certificates.issue("wrongname", {"DNS:mail.elsewhere.example"});
    if (server.certificateFile.isEmpty() || untrusted.certificateFile.isEmpty() || wrongName.certificateFile.isEmpty()) {
        m_error = m_certificates.error();
        return false;
    }
    QByteArray passwords;
    for (const User& user : users)
        passwords += user.name.toUtf8() + ":{PLAIN}" + user.password.toUtf8() + "::::::\n";

    const passwd* mail = getpwnam("mail");
    if (!mail) {
        m_error = "no system user 'mail'";
        return false;
    }
    const QByteArray uid = QByteArray::number(mail->pw_uid);
    const QString specialUseMailboxes = R"(  mailbox Sent {
    special_use = \Sent
    auto = subscribe
  }
  mailbox Trash {
    special_use = \Trash
    auto = subscribe
  }
)";
    const QString local = R"(local %1 {
  ssl_cert = <%2
  ssl_key = <%3
}
)";
    const QString config = QString(R"(base_dir = %1/run
state_dir = %1/state
log_path = %1/dovecot.log
login_greeting = %10
protocols = imap
listen = %2
first_valid_uid = %3
last_valid_uid = %3
ssl = yes
ssl_cert = <%4
ssl_key = <%5
ssl_min_protocol = TLSv1.2
disable_plaintext_auth = yes
auth_mechanisms = plain login
auth_failure_delay = 0
auth_username_chars =
default_internal_user = dovecot
default_login_user = dovenull
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u %1/passwd
}
userdb {
  driver = static
  args = uid=mail gid=mail home=%1/home/%u
}
mail_location = maildir:~/Maildir
namespace inbox {
  inbox = yes
  separator = /
%9}
protocol imap {
  mail_max_userip_connections = 500
}
service imap-login {
  inet_listener imap {
    address = %6
    port = 143
  }
  inet_listener imaps {
    address = %6 %7 %8
    port = 993
    ssl = yes
  }
}
)")
        .arg(d, host(), QString::fromLatin1(uid), server.certificateFile, server.keyFile, host(), untrustedHost(), wrongNameHost(),
             specialUse ? specialUseMailboxes : QString(), QString::fromLatin1(m_greeting))
        + local.arg(untrustedHost(), untrusted.certificateFile, untrusted.keyFile)
        + local.arg(wrongNameHost(), wrongName.certificateFile, wrongName.keyFile);

    // Dovecot's own users must reach the folder; its socket paths must stay short.
    QFile::setPermissions(d, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                 | QFileDevice::ExeGroup | QFileDevice::ExeOther);
    QDir(d).mkpath("run");
    QDir(d).mkpath("state");
    QDir(d).mkpath("home");
    QFile::setPermissions(d + "/run", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                          | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                          | QFileDevice::ExeOther);
    makeOwnedByMail(d + "/home");
    return writeFile(d + "/passwd", passwords) && writeFile(d + "/dovecot.conf", config.toUtf8());
}

bool DovecotServer::start(const std::vector<User>& users, bool specialUse)
{
    const QString program = dovecotProgram();
    if (program.isEmpty()) {
        m_error = "dovecot is not installed (scripts/setup installs it)";
        return false;
    }
    if (::geteuid() != 0) {
        m_error = "Dovecot has to start as root to switch to its own users: run the tests as root or through scripts/test";
        return false;
    }
    m_block = freeLoopbackBlock({{1, starttlsPort}, {1, tlsPort}, {2, tlsPort}, {3, tlsPort}});
    if (!m_block.error.isEmpty()) {
        m_error = m_block.error;
        return false;
    }
    // Only this server greets with this line, so a test never goes on with another server.
    m_greeting = "LU.MARA test server " + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
    if (!m_dir.isValid() || !m_certificates.isValid()) {
        m_error = "no temporary folder or certificates: " + m_certificates.error();
        return false;
    }
    if (!writeConfig(users, specialUse))
        return false;
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    // SIGTERM lets the master end its own children.
    dieWithTest(*m_process, SIGTERM);
    m_process->start(program, {"-F", "-c", m_dir.filePath("dovecot.conf")});
    if (!m_process->waitForStarted(10000)) {
        m_error = "dovecot did not start: " + m_process->errorString();
        return false;
    }
    return waitUntilListening();
}

bool DovecotServer::waitUntilListening()
{
    // Listening is not enough: the first greeting may still wait for the auth process.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (m_process->state() != QProcess::Running) {
            m_error = "dovecot exited: " + QString::fromUtf8(m_process->readAll()) + log();
            return false;
        }
        QTcpSocket probe;
        probe.connectToHost(host(), starttlsPort);
        if (probe.waitForConnected(200)) {
            while (!probe.canReadLine() && probe.waitForReadyRead(2000)) {
            }
            const QByteArray greeting = probe.readLine();
            if (greeting.contains(m_greeting))
                return true;
            if (!greeting.isEmpty()) {
                m_error = "another server than this test's Dovecot answers on " + host() + ":" + QString::number(starttlsPort);
                return false;
            }
        }
        QThread::msleep(100);
    }
    m_error = "dovecot does not answer on " + host() + ": " + log();
    return false;
}

void DovecotServer::stop()
{
    if (!m_process)
        return;
    stopChild(*m_process);
    m_process.reset();
}

QString DovecotServer::maildir(const QString& user, const QString& mailbox) const
{
    QString path = m_dir.filePath("home/" + user + "/Maildir");
    if (mailbox.compare("INBOX", Qt::CaseInsensitive) != 0)
        path += "/." + QString(mailbox).replace(u'/', u'.');
    return path;
}

void DovecotServer::createMailbox(const QString& user, const QString& mailbox)
{
    const QString dir = maildir(user, mailbox);
    QString path = m_dir.filePath("home");
    for (const QString& part : dir.mid(path.size() + 1).split(u'/')) {
        path += "/" + part;
        QDir().mkpath(path);
        makeOwnedByMail(path);
    }
    for (const char* sub : {"cur", "new", "tmp"}) {
        QDir().mkpath(dir + "/" + sub);
        makeOwnedByMail(dir + "/" + sub);
    }
}

void DovecotServer::deliver(const QString& user, const QString& mailbox, const QByteArray& message, bool seen,
                            const QDateTime& internalDate)
{
    createMailbox(user, mailbox);
    // Dovecot numbers new maildir files in name order; the zero-padded counter keeps delivery order.
    ++m_delivered;
    const QString name = QStringLiteral("%1.M%2P%3.lumara,S=%4:2,%5")
                             .arg(1000000000 + m_delivered)
                             .arg(m_delivered)
                             .arg(QCoreApplication::applicationPid())
                             .arg(message.size())
                             .arg(seen ? "S" : "");
    const QString path = maildir(user, mailbox) + "/cur/" + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(message) != message.size())
        qWarning("cannot deliver to %s", qPrintable(path));
    file.flush();
    file.setFileTime(internalDate, QFileDevice::FileModificationTime);
    file.close();
    makeOwnedByMail(path);
}
