#pragma once

#include "core/MailItem.h"
#include "net/IMAPClient.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct Account;

// Account-level IMAP jobs: each opens its own conversation, works, logs out and returns.
// Blocking; run them on a worker. The caller supplies the password.
namespace IMAPSession {

// A hit of a server search: the mailbox (none for the INBOX) and the UID in it.
using SearchHit = std::pair<std::optional<QString>, qint64>;

// A logged-in client; the caller logs it out.
std::unique_ptr<IMAPClient> connect(const Account& account, const QString& password);
// The user name that logged in: the account's user name, else its address.
QString test(const Account& account, const QString& password);
// The newest `limit` INBOX mails (all when `limit` < 1), then the newest 200 of the Sent mailbox.
std::vector<MailItem> fetchInbox(const Account& account, const QString& password, int limit);
// Hits in the INBOX first, then in the Sent mailbox; a refused search gives no hits.
std::vector<SearchHit> search(const Account& account, const QString& password, const QString& text);

}  // namespace IMAPSession
