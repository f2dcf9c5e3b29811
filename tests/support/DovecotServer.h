#pragma once

#include "Loopback.h"
#include "TestCertificates.h"

#include <QDateTime>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A private Dovecot on a loopback block of its own (see Loopback.h):
//   host():          port 993 with TLS at once, port 143 with STARTTLS (plain LOGIN refused there)
//   untrustedHost(): port 993, a certificate from an authority nobody trusts
//   wrongNameHost(): port 993, a trusted certificate issued for another host
// passwd-file users, maildir as the `mail` user, special-use Sent and Trash. Dovecot switches to
// its own users, so the test has to run as root.
class DovecotServer {
public:
    struct User {
        QString name;
        QString password;
    };

    DovecotServer() = default;
    ~DovecotServer();

    // Starts the server and waits until it answers; error() says why not. Without `specialUse`
    // no mailbox carries a special-use flag and none is made on its own.
    bool start(const std::vector<User>& users, bool specialUse = true);
    void stop();
    QString error() const { return m_error; }

    QString host() const { return m_block.address(1); }
    QString untrustedHost() const { return m_block.address(2); }
    QString wrongNameHost() const { return m_block.address(3); }
    static constexpr int tlsPort = 993;
    static constexpr int starttlsPort = 143;
    QSslCertificate authority() const { return m_certificates.authority(); }

    // Puts a message straight into a user's maildir; messages get UIDs in delivery order.
    void deliver(const QString& user, const QString& mailbox, const QByteArray& message, bool seen = false,
                 const QDateTime& internalDate = QDateTime::currentDateTimeUtc());
    // Creates an empty mailbox without special-use flag.
    void createMailbox(const QString& user, const QString& mailbox);
    QString log() const;

private:
    bool writeConfig(const std::vector<User>& users, bool specialUse);
    bool waitUntilListening();
    QString maildir(const QString& user, const QString& mailbox) const;
    void makeOwnedByMail(const QString& path) const;

    QTemporaryDir m_dir{"/tmp/lmd-XXXXXX"};
    TestCertificates m_certificates;
    LoopbackBlock m_block;
    QByteArray m_greeting;
    std::unique_ptr<QProcess> m_process;
    QString m_error;
    int m_delivered = 0;
};
