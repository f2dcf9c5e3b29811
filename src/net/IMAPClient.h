#pragma once

#include "net/FetchedHeader.h"
#include "net/IMAPValue.h"
#include "net/StreamConnection.h"

#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// One IMAP conversation (RFC 3501) over one connection, one command at a time, each awaiting its
// tagged completion. Blocking; use it from one thread. Fails with MailError and PlatformError;
// after a NO or BAD the conversation stays usable, after a stream error it does not.
class IMAPClient {
public:
    // Starts TLS at once unless the port is 143, where open() upgrades with STARTTLS.
    IMAPClient(const QString& host, int port);

    void open();
    std::vector<IMAPResponse> command(const QString& text);
    void login(const QString& user, const QString& password);
    qint64 select(const QString& mailbox);  // the number of messages (EXISTS)
    // The newest `last` messages by sequence number, or all when the mailbox holds fewer.
    std::vector<FetchedHeader> fetchHeaders(qint64 last, qint64 exists);
    // The same, each handed to `each` as it arrives, so the work on it overlaps the server's
    // on the next ones.
    void fetchHeaders(qint64 last, qint64 exists, const std::function<void(FetchedHeader&&)>& each);
    QByteArray fetchMessage(qint64 uid);
    void markSeen(qint64 uid);
    std::optional<QString> sentMailbox();
    std::optional<QString> trashMailbox();
    void moveToTrash(const std::vector<qint64>& uids);
    std::vector<qint64> searchText(const QString& text);
    bool searchMessageID(const QString& messageID);
    void append(const QString& mailbox, const QByteArray& message);
    void logout() noexcept;

    static std::optional<qint64> literalLength(QByteArrayView line);
    // Q(x): x in double quotes with backslash and quote escaped. CR, LF and NUL cannot be
    // quoted safely; they fail with MailError::refused naming `what`.
    static QByteArray quoted(const QString& text, const QString& what);
    // The mailbox a LIST answer marks with `specialUse`, else the first common name listed.
    static std::optional<QString> findMailbox(const std::vector<IMAPResponse>& listResponses,
                                              const QString& specialUse, const QStringList& commonNames);

private:
    QByteArray readResponse();
    QByteArray nextTag();
    std::vector<IMAPResponse> run(const QByteArray& text);  // `text` is already safe to send
    // Each untagged response as the bytes after its "*".
    void run(const QByteArray& text, const std::function<void(QByteArrayView)>& untagged);
    std::optional<QString> listMailbox(const QString& specialUse, const QStringList& commonNames);
    void expunge(const QByteArray& set);

    StreamConnection m_conn;
    int m_port;
    int m_tagCounter = 0;
};
