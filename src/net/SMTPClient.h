#pragma once

#include "core/Account.h"
#include "net/StreamConnection.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <initializer_list>

// Submits one finished message (RFC 6409): implicit TLS on port 465, STARTTLS on every other
// port, AUTH PLAIN, the envelope, DATA, QUIT. One connection per call, closed on every way out.
// Blocking; fails with MailError (a refused step carries the server's own text) and PlatformError.
class SMTPClient {
public:
    // The EHLO name: made up, so the machine's own name never leaves it. Also the
    // builder's fall-back Message-ID domain.
    static inline const QString localHostName = QStringLiteral("lumara.local");
    // A reply is never longer than this; a server that keeps talking is cut off.
    static constexpr qsizetype maxReplySize = 64 * 1024;

    // Envelope addresses holding an angle bracket, a space or a control character, and a user
    // name or password holding CR, LF or NUL, are refused before connecting; a recipient listed
    // twice (in any letter case) gets one RCPT.
    static void send(const Account& account, const QString& password, const QString& from,
                     const QStringList& recipients, const QByteArray& message);

    // RFC 5321 §4.5.2: every line end becomes CR LF and a line beginning with "." gets another;
    // the result ends with CR LF, ready for the terminating ".".
    static QByteArray dotStuffed(QByteArrayView message);

private:
    struct Reply {
        int code = 0;
        QString text;  // every line read, each followed by LF
    };

    SMTPClient(const QString& host, int port);
    ~SMTPClient();

    void run(const QString& user, const QString& password, const QString& from,
             const QStringList& recipients, const QByteArray& message);
    Reply reply();
    void expect(const Reply& reply, std::initializer_list<int> codes) const;
    void say(const QByteArray& command, std::initializer_list<int> codes);

    StreamConnection m_conn;
    int m_port;
};
