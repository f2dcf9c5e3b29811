#pragma once

#include "core/MailItem.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

// The triage state as kept in state.json: drawers and done marks by mail id, decisions about
// senders by lower-case address, domain or server address.
struct MailStoreState {
    QHash<QString, int> drawerOf;
    QSet<QString> done;
    QSet<QString> scam;
    QSet<QString> scamSenders;
    QSet<QString> trusted;
    QSet<QString> blockedDomains;
    QSet<QString> blockedIPs;

    bool operator==(const MailStoreState&) const = default;

    // Compact JSON, every key written. Reading needs "drawerOf" and "done"; absent sets are empty.
    QByteArray encode() const;
    static std::optional<MailStoreState> decode(const QByteArray& json);
};

// cache.json: the mail items in store order. One undecodable element loses the whole list.
// Reading is quicker with MailCacheReader::padding bytes of room after the text.
namespace MailCache {
QByteArray encode(const std::vector<MailItem>& mails);
std::optional<std::vector<MailItem>> decode(const QByteArray& json);
}
