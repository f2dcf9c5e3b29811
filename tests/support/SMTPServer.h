#pragma once

#include "TestCertificates.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A submission server on aiosmtpd (smtp_server.py beside this file) on a loopback address of
// its own (see Loopback.h); port 465 needs root:
//   port 465 with TLS at once, starttlsPort() with STARTTLS, noTlsPort() answering STARTTLS with 454.
// AUTH PLAIN for the given users (535 for a wrong password); RCPT of nobody@... gets 550, of
// ...@forward.example 251. It records every command and every accepted message.
class SMTPServer {
public:
    struct User {
        QString name;
        QString password;
    };
    struct Command {
        int connection;
        bool secure;    // sent over TLS
        QString line;   // verb in upper case, then the argument
    };
    struct Message {
        int connection;
        QString from;
        QStringList recipients;
        QByteArray data;  // as the server took it: dot-stuffing undone, the final ".\r\n" gone
    };

    SMTPServer() = default;
    ~SMTPServer();

    bool start(const std::vector<User>& users);
    QString error() const { return m_error; }

    QString host() const { return m_host; }
    static constexpr int tlsPort = 465;
    int starttlsPort() const { return m_starttlsPort; }
    int noTlsPort() const { return m_noTlsPort; }
    QSslCertificate authority() const { return m_certificates.authority(); }

    // What the server recorded so far, in order.
    QList<Command> commands() const;
    QList<Message> messages() const;
    // The command lines of one connection, the newest connection when `connection` is 0.
    QStringList lines(int connection = 0) const;

private:
    QList<QJsonObject> journal() const;

    QTemporaryDir m_dir;
    TestCertificates m_certificates;
    QString m_host;
    int m_starttlsPort = 0;
    int m_noTlsPort = 0;
    std::unique_ptr<QProcess> m_process;
    QString m_error;
};
