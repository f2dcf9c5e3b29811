#include "net/SMTPClient.h"

#include "net/LineBreakGuard.h"
#include "net/MailError.h"

#include <QSet>

#include <algorithm>

namespace {

int replyCode(QByteArrayView line)
{
    if (line.size() < 3 || !std::all_of(line.begin(), line.begin() + 3, [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

// An address goes out between "<" and ">" (RFC 5321 §4.1.2): an angle bracket, a space or a
// control character in it would close the path early and add parameters of the sender's choice
// ("bob@example.test> NOTIFY=NEVER").
void refuseUnsafeAddress(const QString& address, const QString& what)
{
    refuseLineBreaks(address, what);
    for (const QChar c : address) {
        if (c == u'<' || c == u'>' || c.isSpace() || c.category() == QChar::Other_Control)
            throw MailError::refused(QStringLiteral("not sent: the %1 contains a space, an angle bracket or a control character").arg(what));
    }
}

QStringList withoutDuplicates(const QStringList& addresses)
{
    QStringList unique;
    QSet<QString> seen;
    for (const QString& address : addresses) {
        const QString key = address.toLower();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        unique.append(address);
    }
    return unique;
}

}  // namespace

SMTPClient::SMTPClient(const QString& host, int port)
    : m_conn(host, port)
    , m_port(port)
{
    if (port == 465)
        m_conn.startSecureConnection();
}

SMTPClient::~SMTPClient()
{
    m_conn.close();
}

void SMTPClient::send(const Account& account, const QString& password, const QString& from,
                      const QStringList& recipients, const QByteArray& message)
{
    refuseUnsafeAddress(from, QStringLiteral("sender address"));
    for (const QString& recipient : recipients)
        refuseUnsafeAddress(recipient, QStringLiteral("recipient address"));
    // A NUL would give AUTH PLAIN a field of its own (RFC 4616 §2).
    refuseLineBreaks(account.smtpUser, QStringLiteral("user name"));
    refuseLineBreaks(password, QStringLiteral("password"));
    SMTPClient client(account.smtpHost, account.smtpPort);
    client.run(account.smtpUser, password, from, withoutDuplicates(recipients), message);
}

void SMTPClient::run(const QString& user, const QString& password, const QString& from,
                     const QStringList& recipients, const QByteArray& message)
{
    expect(reply(), {220});
    const QByteArray ehlo = "EHLO " + localHostName.toUtf8();
    say(ehlo, {250});
    if (m_port != 465) {
        say("STARTTLS", {220});
        m_conn.startSecureConnection();
        say(ehlo, {250});
    }
    // RFC 4616: an empty authorisation identity, then the user and the password.
    const QByteArray credentials = '\0' + user.toUtf8() + '\0' + password.toUtf8();
    say("AUTH PLAIN " + credentials.toBase64(), {235});
    say("MAIL FROM:<" + from.toUtf8() + '>', {250});
    for (const QString& recipient : recipients)
        say("RCPT TO:<" + recipient.toUtf8() + '>', {250, 251});
    say("DATA", {354});
    m_conn.write(dotStuffed(message) + ".\r\n");
    expect(reply(), {250});
    try {
        m_conn.write("QUIT\r\n");
    } catch (const std::exception&) {
        // The server took the mail with its 250; whatever happens to QUIT does not matter.
    }
}

SMTPClient::Reply SMTPClient::reply()
{
    Reply result;
    qsizetype size = 0;
    for (;;) {
        const QByteArray line = m_conn.readLine(maxReplySize);
        size += line.size() + 1;
        if (size > maxReplySize)
            throw MailError::badResponse(QStringLiteral("a server reply longer than %1 bytes").arg(maxReplySize));
        result.text += QString::fromUtf8(line) + u'\n';
        result.code = replyCode(line);
        if (line.size() <= 3 || line[3] != '-')
            return result;
    }
}

void SMTPClient::expect(const Reply& reply, std::initializer_list<int> codes) const
{
    if (std::find(codes.begin(), codes.end(), reply.code) == codes.end())
        throw MailError::server(reply.text);
}

void SMTPClient::say(const QByteArray& command, std::initializer_list<int> codes)
{
    m_conn.write(command + "\r\n");
    expect(reply(), codes);
}

QByteArray SMTPClient::dotStuffed(QByteArrayView message)
{
    QByteArray out;
    out.reserve(message.size() + message.size() / 32 + 2);
    qsizetype start = 0;
    while (start < message.size()) {
        qsizetype end = message.indexOf('\n', start);
        const bool lastLine = end < 0;
        if (lastLine)
            end = message.size();
        QByteArrayView line = message.sliced(start, end - start);
        if (!lastLine && line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith('.'))
            out += '.';
        out += line;
        out += "\r\n";
        start = end + 1;
    }
    return out;
}
