#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

struct Account;
struct FetchedHeader;

// One mail without its body. `id` is the key of every piece of triage state.
struct MailItem {
    QString accountID;
    qint64 uid = 0;             // 0 for a mail opened from a file
    QString messageID;          // as sent, angle brackets included
    QString fromName;
    QString fromEmail;
    QString replyTo;            // the Reply-To address
    QString subject;
    QDateTime date;
    bool seen = false;
    QString references;
    std::optional<QString> mailbox;  // the Sent mailbox for mail the user sent; none for the INBOX
    std::optional<QString> toName;   // present, maybe empty, for fetched mail
    std::optional<QString> toEmail;
    std::optional<QStringList> hints;  // sender-check reasons; never for sent mail
    std::optional<QString> ip;         // the sending server's public address; never for sent mail

    bool operator==(const MailItem&) const = default;

    // From one fetched header block, with the sender checks; `mailbox` is none for the INBOX.
    static MailItem fromFetched(const Account& account, const FetchedHeader& fetched,
                                const std::optional<QString>& mailbox);

    QString id() const;           // "[out|]account|Message-ID", or "…|uid<n>" without one
    QString displayFrom() const;  // the sender, or "→ " and the recipient for sent mail
    QString domain() const;       // the sender's domain, lower-cased
    static QString domainOf(const QString& address);

    // One element of cache.json. Reading needs every required key with its type.
    QJsonObject toJson() const;
    static std::optional<MailItem> fromJson(const QJsonValue& value);
    // Its numbers, which JSON carries as doubles: a whole UID, and seconds since 2001; each in range.
    static std::optional<qint64> uidFromJson(double number);
    static std::optional<QDateTime> dateFromJson(double seconds);
};

size_t qHash(const MailItem& item, size_t seed = 0) noexcept;
