#include "net/IMAPClient.h"

#include "net/FetchItems.h"
#include "net/IMAPParser.h"
#include "net/LineBreakGuard.h"
#include "net/MailError.h"

namespace {

const QByteArray headerFields =
    "FROM TO CC SUBJECT DATE MESSAGE-ID IN-REPLY-TO REFERENCES REPLY-TO AUTHENTICATION-RESULTS RECEIVED";

QByteArray uidSet(const std::vector<qint64>& uids)
{
    QByteArray set;
    for (qint64 uid : uids) {
        if (!set.isEmpty())
            set += ',';
        set += QByteArray::number(uid);
    }
    return set;
}

// Whether `response` is the tagged completion for `tag`; fails unless its status is OK
// (in any letter case), carrying the server's words.
bool completes(const QByteArray& response, const QByteArray& tag)
{
    if (!response.startsWith(tag + ' '))
        return false;
    const QByteArrayView status = QByteArrayView(response).sliced(tag.size() + 1);
    if (status.size() < 2 || (status[0] | 0x20) != 'o' || (status[1] | 0x20) != 'k')
        throw MailError::server(QString::fromUtf8(status));
    return true;
}

bool isSearch(const IMAPResponse& response)
{
    return !response.empty() && response[0].is(u"SEARCH");
}

}  // namespace

IMAPClient::IMAPClient(const QString& host, int port)
    : m_conn(host, port)
    , m_port(port)
{
    if (port != 143)
        m_conn.startSecureConnection();
}

std::optional<qint64> IMAPClient::literalLength(QByteArrayView line)
{
    return IMAPParser::literalLength(line);
}

QByteArray IMAPClient::quoted(const QString& text, const QString& what)
{
    refuseLineBreaks(text, what);
    QByteArray bytes = text.toUtf8();
    bytes.replace("\\", "\\\\");
    bytes.replace("\"", "\\\"");
    return '"' + bytes + '"';
}

QByteArray IMAPClient::nextTag()
{
    return "L" + QByteArray::number(++m_tagCounter);
}

QByteArray IMAPClient::readResponse()
{
    QByteArray response = m_conn.readLine();
    qsizetype lineStart = 0, text = response.size();
    while (std::optional<qint64> length = literalLength(QByteArrayView(response).sliced(lineStart))) {
        // Room for a header-sized first literal and the line after it. Not for later ones: an
        // exact reserve each time would undo the array's geometric growth.
        if (lineStart == 0)
            response.reserve(response.size() + 2 + qsizetype(std::min<qint64>(*length, 64 * 1024)) + 256);
        response += "\r\n";
        response += m_conn.readBytes(*length);
        lineStart = response.size();
        response += m_conn.readLine();
        // Literals are mail and may be large; the text between them may not, or a server could
        // grow one response without end from short lines and empty literals.
        text += response.size() - lineStart + 2;
        if (text > StreamConnection::maxLineLength)
            throw MailError::badResponse(QStringLiteral("a response longer than %1 bytes outside its literals").arg(StreamConnection::maxLineLength));
    }
    return response;
}

void IMAPClient::open()
{
    const QByteArray greeting = readResponse();
    if (!greeting.startsWith("* OK") && !greeting.startsWith("* PREAUTH"))
        throw MailError::badResponse(QString::fromUtf8(greeting));
    if (m_port == 143) {
        run(QByteArray("STARTTLS"));
        m_conn.startSecureConnection();
    }
}

std::vector<IMAPResponse> IMAPClient::command(const QString& text)
{
    refuseLineBreaks(text, QStringLiteral("command"));
    return run(text.toUtf8());
}

std::vector<IMAPResponse> IMAPClient::run(const QByteArray& text)
{
    std::vector<IMAPResponse> untagged;
    run(text, [&untagged](QByteArrayView response) { untagged.push_back(IMAPParser::parseUntagged(response)); });
    return untagged;
}

void IMAPClient::run(const QByteArray& text, const std::function<void(QByteArrayView)>& untagged)
{
    const QByteArray tag = nextTag();
    m_conn.write(tag + ' ' + text + "\r\n");
    for (;;) {
        const QByteArray response = readResponse();
        if (completes(response, tag))
            return;
        if (response.startsWith('*'))
            untagged(QByteArrayView(response).sliced(1));
    }
}

void IMAPClient::login(const QString& user, const QString& password)
{
    run("LOGIN " + quoted(user, QStringLiteral("user name")) + ' ' + quoted(password, QStringLiteral("password")));
}

qint64 IMAPClient::select(const QString& mailbox)
{
    for (const IMAPResponse& response : run("SELECT " + quoted(mailbox, QStringLiteral("mailbox name")))) {
        if (response.size() < 2 || !response[1].is(u"EXISTS"))
            continue;
        bool ok = false;
        const qint64 count = response[0].text().value_or(QString()).toLongLong(&ok);
        if (ok)
            return count;
    }
    return 0;
}

std::vector<FetchedHeader> IMAPClient::fetchHeaders(qint64 last, qint64 exists)
{
    std::vector<FetchedHeader> headers;
    fetchHeaders(last, exists, [&headers](FetchedHeader&& header) { headers.push_back(std::move(header)); });
    return headers;
}

void IMAPClient::fetchHeaders(qint64 last, qint64 exists, const std::function<void(FetchedHeader&&)>& each)
{
    if (exists < 1 || last < 1)
        return;
    const qint64 start = std::max<qint64>(exists - last + 1, 1);
    run("FETCH " + QByteArray::number(start) + ':' + QByteArray::number(exists) + " (UID FLAGS INTERNALDATE BODY.PEEK[HEADER.FIELDS ("
            + headerFields + ")])",
        [&](QByteArrayView response) {
            if (std::optional<FetchedHeader> header = FetchedHeader::read(response, start, exists))
                each(std::move(*header));
        });
}

QByteArray IMAPClient::fetchMessage(qint64 uid)
{
    // RFC 3501 §6.4.8: every answer to a UID FETCH names its UID. Answers for other messages
    // (unasked, or a hostile server's) come first at times and are not this message.
    for (const IMAPResponse& response : run("UID FETCH " + QByteArray::number(uid) + " (BODY.PEEK[])")) {
        const std::optional<std::vector<FetchItem>> items = fetchItems(response);
        if (!items)
            continue;
        const IMAPValue* body = nullptr;
        bool forThisMessage = false;
        for (const FetchItem& item : *items) {
            if (item.name == u"UID") {
                bool ok = false;
                forThisMessage = item.value.get().text().value_or(QString()).toLongLong(&ok) == uid && ok;
            }
            else if (!body && item.name.startsWith(u"BODY["))
                body = &item.value.get();
        }
        if (body && forThisMessage)
            return body->bytes();
    }
    throw MailError::badResponse(QStringLiteral("message %1 not found").arg(uid));
}

void IMAPClient::markSeen(qint64 uid)
{
    run("UID STORE " + QByteArray::number(uid) + " +FLAGS.SILENT (\\Seen)");
}

std::optional<QString> IMAPClient::findMailbox(const std::vector<IMAPResponse>& listResponses,
                                               const QString& specialUse, const QStringList& commonNames)
{
    std::vector<QString> names;
    for (const IMAPResponse& response : listResponses) {
        if (response.size() < 4 || !response[0].is(u"LIST"))
            continue;
        const std::optional<QString> name = response[3].text();
        if (!name)
            continue;
        for (const IMAPValue& attribute : response[1].items()) {
            if (attribute.text().value_or(QString()).toLower() == specialUse)
                return name;
        }
        names.push_back(*name);
    }
    for (const QString& common : commonNames) {
        for (const QString& name : names) {
            if (name.compare(common, Qt::CaseInsensitive) == 0)
                return name;
        }
    }
    return std::nullopt;
}

std::optional<QString> IMAPClient::listMailbox(const QString& specialUse, const QStringList& commonNames)
{
    return findMailbox(run(QByteArray("LIST \"\" \"*\"")), specialUse, commonNames);
}

std::optional<QString> IMAPClient::sentMailbox()
{
    static const QStringList common = {
        QStringLiteral("Sent Messages"), QStringLiteral("Sent"), QStringLiteral("Gesendet"),
        QStringLiteral("Gesendete Objekte"), QStringLiteral("INBOX.Sent"), QStringLiteral("Sent Items"),
    };
    return listMailbox(QStringLiteral("\\sent"), common);
}

std::optional<QString> IMAPClient::trashMailbox()
{
    static const QStringList common = {
        QStringLiteral("Deleted Messages"), QStringLiteral("Trash"), QStringLiteral("Papierkorb"),
        QStringLiteral("Gelöschte Objekte"), QStringLiteral("[Gmail]/Trash"), QStringLiteral("INBOX.Trash"),
        QStringLiteral("Deleted Items"),
    };
    return listMailbox(QStringLiteral("\\trash"), common);
}

void IMAPClient::expunge(const QByteArray& set)
{
    run("UID STORE " + set + " +FLAGS.SILENT (\\Deleted)");
    // RFC 4315 §2.1: UID EXPUNGE removes only this set, not mail other clients flagged \Deleted.
    try {
        run("UID EXPUNGE " + set);
    } catch (const MailError& e) {
        if (!std::holds_alternative<MailError::Server>(e.which()))
            throw;
        run(QByteArray("EXPUNGE"));
    }
}

void IMAPClient::moveToTrash(const std::vector<qint64>& uids)
{
    if (uids.empty())
        return;
    const QByteArray set = uidSet(uids);
    const std::optional<QString> trash = trashMailbox();
    if (!trash) {
        expunge(set);
        return;
    }
    const QByteArray target = quoted(*trash, QStringLiteral("mailbox name"));
    try {
        run("UID MOVE " + set + ' ' + target);
        return;
    } catch (const std::exception&) {
        // Servers without MOVE (RFC 6851) answer BAD; copy and expunge instead.
    }
    run("UID COPY " + set + ' ' + target);
    expunge(set);
}

std::vector<qint64> IMAPClient::searchText(const QString& text)
{
    std::vector<qint64> uids;
    for (const IMAPResponse& response : run("UID SEARCH TEXT " + quoted(text, QStringLiteral("search text")))) {
        if (!isSearch(response))
            continue;
        for (size_t i = 1; i < response.size(); ++i) {
            bool ok = false;
            const qint64 uid = response[i].text().value_or(QString()).toLongLong(&ok);
            if (ok)
                uids.push_back(uid);
        }
    }
    return uids;
}

bool IMAPClient::searchMessageID(const QString& messageID)
{
    const QByteArray id = quoted(messageID, QStringLiteral("Message-ID"));
    for (const IMAPResponse& response : run("UID SEARCH HEADER MESSAGE-ID " + id)) {
        if (isSearch(response) && response.size() > 1)
            return true;
    }
    return false;
}

void IMAPClient::append(const QString& mailbox, const QByteArray& message)
{
    const QByteArray name = quoted(mailbox, QStringLiteral("mailbox name"));
    const QByteArray tag = nextTag();
    m_conn.write(tag + " APPEND " + name + " (\\Seen) {" + QByteArray::number(message.size()) + "}\r\n");
    bool sent = false;
    for (;;) {
        const QByteArray response = readResponse();
        if (!sent && response.startsWith('+')) {
            m_conn.write(message);
            m_conn.write("\r\n");
            sent = true;
        } else if (completes(response, tag)) {
            return;
        }
    }
}

void IMAPClient::logout() noexcept
{
    try {
        run(QByteArray("LOGOUT"));
    } catch (...) {
        // BYE, a closed stream or a time-out: the conversation is over either way.
    }
    m_conn.close();
}
