#pragma once

#include "content/MIMEParser.h"
#include "core/MailItem.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The texts a compose window makes from the mail it answers or forwards, and from what the user
// typed into its fields. Pure.
namespace ComposeText {

// The subject kept when it already carries a prefix ("re:"; "fwd:", "fw:", "wg:"), in any case.
QString replySubject(const QString& subject);
QString forwardSubject(const QString& subject);

// Two empty lines, then, with a quote, the attribution line and the first 80 lines quoted.
QString replyBody(const MailItem& mail, const std::optional<QString>& quoted);
// The "— forwarded —" block, ending in two line feeds.
QString forwardHeader(const MailItem& mail);

// The addresses of a recipient field: pieces between "," and ";" that hold an "@", in order.
QStringList addresses(const QString& field);
// To, then Cc, then Bcc, each address once (exact text).
QStringList envelope(const QStringList& to, const QStringList& cc, const QStringList& bcc);
// In-Reply-To and References of a reply: the mail's Message-ID, after its own chain when it has one.
std::optional<QString> inReplyTo(const MailItem& reply);
std::optional<QString> references(const MailItem& reply);

qint64 totalSize(const QList<MIME::Attachment>& files);
// "+ add", or "3 · 24.0 mb · a.pdf, b.pdf, c.pdf   ⌄".
QString filesTitle(const QList<MIME::Attachment>& files);
// "12 kb" below one megabyte (at least 1 kb), else "1.5 mb".
QString sizeText(qint64 bytes);

// Spaces, tabs and line breaks off both ends; other white space is text.
QString trimLineSpace(const QString& text);

}  // namespace ComposeText
