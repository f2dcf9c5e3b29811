#pragma once

#include "content/MIMEHeaders.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace MIME {

// Signs of fraud in a header block, as short English reasons in a fixed order, each at most once.
// `fromName` and `subject` are decoded; `replyTo` is the Reply-To address or empty.
QStringList entropyHints(QByteArrayView headerBlock, const QString& fromName, const QString& fromEmail,
                         const QString& replyTo, const QString& subject);

// The public address, in brackets in the "from" clause of the newest Received header that has
// one, of the server that handed the mail over.
std::optional<QString> senderIP(QByteArrayView headerBlock);

bool isPublicIP(const QString& address);

}  // namespace MIME
