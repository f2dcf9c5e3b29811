#include "net/MessageBuilder.h"

#include "content/MIMEFormats.h"
#include "net/LineBreakGuard.h"
#include "net/SMTPClient.h"

#include <QDateTime>
#include <QTextBoundaryFinder>
#include <QUuid>

#include <algorithm>

namespace {

constexpr qsizetype maxWordBytes = 45;
constexpr qsizetype maxQPLine = 75;  // and the soft break's "="
constexpr qsizetype maxHeaderLine = 78;
constexpr qsizetype base64Line = 76;

const QByteArray crlf = "\r\n";

QString freshUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

QString encodedWord(const QByteArray& utf8)
{
    return QStringLiteral("=?UTF-8?B?") + QString::fromLatin1(utf8.toBase64()) + QStringLiteral("?=");
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Where `line` may break: before a blank after `from` that leaves text on both sides, the last
// within the limit, else the first beyond it. -1 when there is none.
qsizetype foldPoint(QStringView line, qsizetype from)
{
    qsizetype best = -1;
    for (qsizetype i = from + 1; i < line.size(); ++i) {
        if (!isBlank(line[i]) || isBlank(line[i - 1]))
            continue;
        if (line.sliced(i).trimmed().isEmpty())
            break;
        if (i > maxHeaderLine && best >= 0)
            break;
        best = i;
        if (i > maxHeaderLine)
            break;
    }
    return best;
}

qsizetype valueStart(QStringView field)
{
    qsizetype at = field.indexOf(u':') + 1;
    while (at > 0 && at < field.size() && isBlank(field[at]))
        ++at;
    return at;
}

QString addressLine(const QString& name, const QStringList& addresses)
{
    return name + QStringLiteral(": ") + addresses.join(QStringLiteral(", "));
}

QByteArray headerBlock(const QStringList& fields)
{
    QByteArray block;
    for (const QString& field : fields)
        block += MessageBuilder::fold(field).toUtf8() + crlf;
    return block;
}

QByteArray base64Lines(const QByteArray& data)
{
    const QByteArray encoded = data.toBase64();
    QByteArray lines;
    lines.reserve(encoded.size() + encoded.size() / base64Line * 2);
    for (qsizetype at = 0; at < encoded.size(); at += base64Line) {
        if (at > 0)
            lines += crlf;
        lines += QByteArrayView(encoded).sliced(at, std::min(base64Line, encoded.size() - at));
    }
    return lines;
}

QByteArray attachmentPart(const MIME::Attachment& file, const QByteArray& delimiter)
{
    const QString name = MessageBuilder::encodeHeader(QString(file.name).replace(u'"', u'\''));
    const QString type = file.type.isEmpty() ? QStringLiteral("application/octet-stream") : file.type;
    return delimiter + crlf
        + headerBlock({QStringLiteral("Content-Type: %1; name=\"%2\"").arg(type, name),
                       QStringLiteral("Content-Transfer-Encoding: base64"),
                       QStringLiteral("Content-Disposition: attachment; filename=\"%1\"").arg(name)})
        + crlf + base64Lines(file.data) + crlf;
}

void refuseUnsafe(const MessageBuilder::Draft& draft)
{
    const auto refuse = refuseLineBreaks;
    refuse(draft.fromEmail, QStringLiteral("sender address"));
    for (const QString& address : draft.to + draft.cc)
        refuse(address, QStringLiteral("recipient address"));
    refuse(draft.inReplyTo.value_or(QString()), QStringLiteral("In-Reply-To header"));
    refuse(draft.references.value_or(QString()), QStringLiteral("References header"));
    for (const MIME::Attachment& file : draft.attachments)
        refuse(file.type, QStringLiteral("type of the attachment ") + file.name);
}

}  // namespace

QString MessageBuilder::encodeHeader(const QString& text)
{
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 32 && c.unicode() < 127; }))
        return text;
    QStringList words;
    QByteArray chunk;
    const auto append = [&](const QString& piece) {
        const QByteArray bytes = piece.toUtf8();
        if (!chunk.isEmpty() && chunk.size() + bytes.size() > maxWordBytes) {
            words.append(encodedWord(chunk));
            chunk.clear();
        }
        chunk += bytes;
    };
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (graphemes.toNextBoundary() > 0) {
        const QString cluster = text.sliced(start, graphemes.position() - start);
        start = graphemes.position();
        if (cluster.toUtf8().size() <= maxWordBytes) {
            append(cluster);
            continue;
        }
        // A cluster too long for one word (a letter under dozens of marks) goes by code points:
        // decoders join adjacent words, so nothing is lost.
        for (qsizetype at = 0; at < cluster.size(); ++at) {
            const qsizetype length = cluster[at].isHighSurrogate() && at + 1 < cluster.size() ? 2 : 1;
            append(cluster.sliced(at, length));
            at += length - 1;
        }
    }
    if (!chunk.isEmpty())
        words.append(encodedWord(chunk));
    return words.join(QStringLiteral("\r\n "));
}

QByteArray MessageBuilder::qpEncode(const QString& text)
{
    QByteArray out;
    const QList<QByteArray> lines = text.toUtf8().replace("\r\n", "\n").split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        if (n > 0)
            out += crlf;
        const QByteArray& line = lines[n];
        qsizetype count = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const uchar byte = uchar(line[i]);
            const bool blank = byte == ' ' || byte == '\t';
            const bool plain = (byte >= 33 && byte <= 126 && byte != '=') || (blank && i + 1 < line.size());
            const QByteArray token = plain ? QByteArray(1, char(byte))
                                           : '=' + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
            if (count + token.size() > maxQPLine) {
                out += "=\r\n";
                count = 0;
            }
            out += token;
            count += token.size();
        }
    }
    return out;
}

QString MessageBuilder::displayName(const QString& name)
{
    const QString encoded = encodeHeader(name);
    if (encoded != name)
        return encoded;
    static const QString specials = QStringLiteral("()<>[]:;@\\,.\"");
    if (std::none_of(name.begin(), name.end(), [](QChar c) { return specials.contains(c); }))
        return name;
    QString quoted = name;
    quoted.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return u'"' + quoted + u'"';
}

QString MessageBuilder::fold(const QString& field)
{
    QStringList lines;
    const QStringList segments = field.split(QStringLiteral("\r\n"));
    for (qsizetype n = 0; n < segments.size(); ++n) {
        const QStringView segment = segments[n];
        qsizetype start = 0;
        qsizetype from = n == 0 ? valueStart(segment) : 1;
        while (segment.size() - start > maxHeaderLine) {
            const qsizetype at = foldPoint(segment.sliced(start), from);
            if (at < 0)
                break;
            lines.append(segment.sliced(start, at).toString());
            start += at;
            from = 1;
        }
        lines.append(segment.sliced(start).toString());
    }
    return lines.join(QStringLiteral("\r\n"));
}

MessageBuilder::Message MessageBuilder::build(const Draft& draft)
{
    refuseUnsafe(draft);
    const QStringList domains = draft.fromEmail.split(u'@', Qt::SkipEmptyParts);
    const QString domain = domains.isEmpty() ? SMTPClient::localHostName : domains.last();
    const QString messageID = u'<' + freshUuid() + u'@' + domain + u'>';

    QStringList fields;
    fields << (draft.fromName.isEmpty() ? QStringLiteral("From: ") + draft.fromEmail
                                        : QStringLiteral("From: %1 <%2>").arg(displayName(draft.fromName), draft.fromEmail));
    fields << addressLine(QStringLiteral("To"), draft.to);
    if (!draft.cc.isEmpty())
        fields << addressLine(QStringLiteral("Cc"), draft.cc);
    fields << QStringLiteral("Subject: ") + encodeHeader(draft.subject);
    fields << QStringLiteral("Date: ") + MIME::rfc2822Out().format(QDateTime::currentDateTime());
    fields << QStringLiteral("Message-ID: ") + messageID;
    if (!draft.inReplyTo.value_or(QString()).isEmpty())
        fields << QStringLiteral("In-Reply-To: ") + *draft.inReplyTo;
    if (!draft.references.value_or(QString()).isEmpty())
        fields << QStringLiteral("References: ") + *draft.references;
    fields << QStringLiteral("MIME-Version: 1.0") << QStringLiteral("X-Mailer: LU.MARA");

    const QStringList textType = {QStringLiteral("Content-Type: text/plain; charset=utf-8"),
                                  QStringLiteral("Content-Transfer-Encoding: quoted-printable")};
    if (draft.attachments.isEmpty())
        return {headerBlock(fields + textType) + crlf + qpEncode(draft.body), messageID};

    const QString boundary = QStringLiteral("lumara-") + freshUuid();
    const QByteArray delimiter = "--" + boundary.toLatin1();
    fields << QStringLiteral("Content-Type: multipart/mixed; boundary=\"%1\"").arg(boundary);
    QByteArray data = headerBlock(fields) + crlf;
    data += delimiter + crlf + headerBlock(textType) + crlf + qpEncode(draft.body) + crlf;
    for (const MIME::Attachment& file : draft.attachments)
        data += attachmentPart(file, delimiter);
    data += delimiter + "--" + crlf;
    return {data, messageID};
}
