#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// One mail account. Its password lives in the keychain under id.
struct Account {
    QString id;  // canonical upper-case UUID, made once; the key of the account everywhere
    QString email;
    QString name;
    QString imapHost;
    int imapPort = 0;
    QString imapUser;
    QString smtpHost;
    int smtpPort = 0;
    QString smtpUser;

    bool operator==(const Account&) const = default;

    // A first proposal of every server setting from a typed address, with a fresh id.
    static Account preset(const QString& email);
    // A short label for problem lines: "icloud" or the local part followed by "@".
    // (`short` itself is a C++ keyword.)
    QString shortLabel() const;

    QJsonObject toJson() const;
    // Needs all nine members with their JSON types; extra members are ignored.
    static std::optional<Account> fromJson(const QJsonValue& value);

    // The stored list: a compact JSON array of accounts. Decoding fails as a whole on any bad account.
    static QByteArray encodeList(const QList<Account>& accounts);
    static std::optional<QList<Account>> decodeList(const QByteArray& json);
};
