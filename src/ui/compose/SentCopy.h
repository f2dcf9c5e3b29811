#pragma once

#include "core/Account.h"

#include <QByteArray>
#include <QString>

#include <qcoro/qcorotask.h>

#include <chrono>

// Files a sent message in the account's Sent mailbox, unless the server has already put it
// there (found by its Message-ID), then asks the store for a mail check. Runs on its own, after
// the window that sent it may have closed; a failure only ends it early and is never shown.
namespace SentCopy {

// How long a server that files sent mail itself gets to do so.
inline constexpr std::chrono::milliseconds serverGrace{3000};

QCoro::Task<> file(Account account, QString password, QByteArray message, QString messageID,
    std::chrono::milliseconds wait = serverGrace);

// Filing jobs started and not yet finished.
int running();

// The blocking part, on a network worker: true when the copy was appended.
bool fileNow(const Account& account, const QString& password, const QByteArray& message, const QString& messageID);

}  // namespace SentCopy
