#include "ui/compose/ComposeText.h"

#include "content/MIMEHeaders.h"

#include <QLocale>
#include <QRegularExpression>

#include <cstdio>

namespace {

constexpr int quotedLines = 80;

QString shortDate(const QDateTime& date)
{
    // Digits as written everywhere, whatever the desktop's locale.
    return QLocale::c().toString(date.toLocalTime(), QStringLiteral("dd.MM.yyyy HH:mm"));
}

bool startsWithAny(const QString& subject, std::initializer_list<const char*> prefixes)
{
    const QString lower = subject.toLower();
    for (const char* prefix : prefixes) {
        if (lower.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

bool isLineSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

}  // namespace

namespace ComposeText {

QString replySubject(const QString& subject)
{
    return startsWithAny(subject, {"re:"}) ? subject : QStringLiteral("Re: ") + subject;
}

QString forwardSubject(const QString& subject)
{
    return startsWithAny(subject, {"fwd:", "fw:", "wg:"}) ? subject : QStringLiteral("Fwd: ") + subject;
}

QString replyBody(const MailItem& mail, const std::optional<QString>& quoted)
{
    QString body = QStringLiteral("\n\n");
    if (!quoted || quoted->isEmpty())
        return body;
    body += QStringLiteral("\u2014 ") + mail.displayFrom() + QStringLiteral(", ") + shortDate(mail.date) + QStringLiteral(":\n");
    QStringList lines = quoted->split(u'\n');
    if (lines.size() > quotedLines)
        lines.resize(quotedLines);
    for (QString& line : lines)
        line.prepend(QStringLiteral("> "));
    return body + lines.join(u'\n');
}

QString forwardHeader(const MailItem& mail)
{
    const auto line = [](const char* label, const QString& value) {
        return QString::fromLatin1(label).leftJustified(9, u' ') + value;
    };
    QStringList lines{QStringLiteral("\u2014 forwarded \u2014")};
    lines << line("from", mail.fromName.isEmpty() ? mail.fromEmail : mail.fromName + QStringLiteral(" <") + mail.fromEmail + u'>');
    lines << line("date", shortDate(mail.date));
    if (mail.toEmail && !mail.toEmail->isEmpty())
        lines << line("to", *mail.toEmail);
    lines << line("subject", mail.subject);
    return lines.join(u'\n') + QStringLiteral("\n\n");
}

QStringList addresses(const QString& field)
{
    static const QRegularExpression separators(QStringLiteral("[,;]"));
    QStringList found;
    for (const QString& piece : field.split(separators)) {
        const QString email = MIME::trimBlanks(MIME::address(piece).email);
        if (email.contains(u'@'))
            found << email;
    }
    return found;
}

QStringList envelope(const QStringList& to, const QStringList& cc, const QStringList& bcc)
{
    QStringList recipients;
    for (const QString& address : to + cc + bcc) {
        if (!recipients.contains(address))
            recipients << address;
    }
    return recipients;
}

std::optional<QString> inReplyTo(const MailItem& reply)
{
    if (reply.messageID.isEmpty())
        return std::nullopt;
    return reply.messageID;
}

std::optional<QString> references(const MailItem& reply)
{
    // Only the parts there are: no stray space when either is missing.
    QStringList parts;
    for (const QString& part : {reply.references.trimmed(), reply.messageID.trimmed()}) {
        if (!part.isEmpty())
            parts << part;
    }
    if (parts.isEmpty())
        return std::nullopt;
    return parts.join(u' ');
}

qint64 totalSize(const QList<MIME::Attachment>& files)
{
    qint64 sum = 0;
    for (const MIME::Attachment& file : files)
        sum += file.data.size();
    return sum;
}

QString sizeText(qint64 bytes)
{
    // C printf rounding, as the attachment strip shows sizes.
    const double kilobytes = double(bytes) / 1024.0;
    char text[64];
    if (kilobytes < 1024.0)
        std::snprintf(text, sizeof text, "%.0f kb", std::max(kilobytes, 1.0));
    else
        std::snprintf(text, sizeof text, "%.1f mb", kilobytes / 1024.0);
    return QString::fromLatin1(text);
}

QString filesTitle(const QList<MIME::Attachment>& files)
{
    if (files.isEmpty())
        return QStringLiteral("+ add");
    QStringList names;
    for (const MIME::Attachment& file : files)
        names << file.name;
    return QString::number(files.size()) + QStringLiteral(" · ") + sizeText(totalSize(files)) + QStringLiteral(" · ")
        + names.join(QStringLiteral(", ")) + QStringLiteral("   \u2304");
}

QString trimLineSpace(const QString& text)
{
    qsizetype start = 0, end = text.size();
    while (start < end && isLineSpace(text[start]))
        ++start;
    while (end > start && isLineSpace(text[end - 1]))
        --end;
    return text.sliced(start, end - start);
}

}  // namespace ComposeText
