#include "content/MIMEParser.h"
#include "content/HTMLToText.h"
#include "content/MIMEHeaders.h"
#include "content/MIMEText.h"

#include <cstdio>
#include <optional>

namespace MIME {

namespace {

constexpr int maximumDepth = 11;

struct Walk {
    QList<Attachment> attachments;
    std::optional<QString> plain;
    std::optional<QString> html;
};

bool hasVisibleText(const QString& text)
{
    for (const QChar c : text) {
        if (!c.isSpace())
            return true;
    }
    return false;
}

QByteArray transferDecoded(QByteArrayView body, const QString& transferEncoding)
{
    if (transferEncoding == u"base64")
        return base64Decode(body);
    if (transferEncoding == u"quoted-printable")
        return qpDecode(body);
    return body.toByteArray();
}

QString fallbackName(const QString& mime)
{
    const QStringList components = mime.split(u'/', Qt::SkipEmptyParts);
    return QStringLiteral("file.") + (components.isEmpty() ? QStringLiteral("bin") : components.last());
}

bool isBodyText(const QString& mime, const QString& disposition, const std::optional<QString>& fileName)
{
    if (disposition == u"attachment")
        return false;
    if (!mime.startsWith(u"text/") && !mime.isEmpty())
        return false;
    return !fileName || mime == u"text/plain" || mime == u"text/html";
}

void walk(QByteArrayView entity, Walk& found, int depth)
{
    if (depth > maximumDepth)
        return;
    const auto [headerBytes, body] = splitHeaderBody(entity);
    const HeaderList fields = headers(headerBytes);
    const Params contentType = params(header(fields, QStringLiteral("content-type")).value_or(QStringLiteral("text/plain")));
    const QString mime = contentType.main.toLower();
    const QString transferEncoding = header(fields, QStringLiteral("content-transfer-encoding")).value_or(QString{}).toLower();
    const Params disposition = params(header(fields, QStringLiteral("content-disposition")).value_or(QString{}));
    const QString disp = disposition.main.toLower();

    if (mime.startsWith(u"multipart/") && contentType.params.contains(QStringLiteral("boundary"))) {
        for (const QByteArrayView part : splitMultipart(body, contentType.params.value(QStringLiteral("boundary"))))
            walk(part, found, depth + 1);
        return;
    }
    if (mime == u"message/rfc822") {
        walk(body, found, depth + 1);
        return;
    }

    std::optional<QString> fileName;
    if (disposition.params.contains(QStringLiteral("filename")))
        fileName = disposition.params.value(QStringLiteral("filename"));
    else if (contentType.params.contains(QStringLiteral("name")))
        fileName = contentType.params.value(QStringLiteral("name"));

    QByteArray data = transferDecoded(body, transferEncoding);
    if (isBodyText(mime, disp, fileName)) {
        // A plain part of blanks only (common beside an HTML alternative) must not hide the HTML.
        if ((mime == u"text/plain" || mime.isEmpty()) && !found.plain) {
            QString text = decodeText(data, contentType.params.value(QStringLiteral("charset")));
            if (hasVisibleText(text))
                found.plain = std::move(text);
        } else if (mime == u"text/html" && !found.html) {
            found.html = decodeText(data, contentType.params.value(QStringLiteral("charset")));
        }
        return;
    }
    found.attachments.append({decodeWords(fileName.value_or(fallbackName(mime))), mime, std::move(data)});
}

// Line ends become LF, blanks before them go, at most one empty line in a row, no blank ends.
// One pass: the equivalent patterns backtrack badly over long runs of blanks.
QString cleaned(const QString& text)
{
    QString out;
    out.reserve(text.size());
    qsizetype newlines = 0;  // held back until a character other than blank or LF follows
    QString blanks;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
            continue;
        if (c == u'\n') {
            blanks.clear();
            ++newlines;
        } else if (c == u' ' || c == u'\t') {
            blanks += c;
        } else {
            if (newlines > 0) {
                out += newlines == 1 ? QStringView(u"\n") : QStringView(u"\n\n");
                newlines = 0;
            }
            if (!blanks.isEmpty()) {
                out += blanks;
                blanks.clear();
            }
            out += c;
        }
    }
    return out.trimmed();
}

}  // namespace

QString Attachment::sizeText() const
{
    // C printf rounding (half to even on exact halves), which QString::asprintf does not follow.
    const double kilobytes = double(data.size()) / 1024.0;
    char text[64];
    if (kilobytes < 1024.0)
        std::snprintf(text, sizeof text, "%.0f kb", std::max(kilobytes, 1.0));
    else
        std::snprintf(text, sizeof text, "%.1f mb", kilobytes / 1024.0);
    return QString::fromLatin1(text);
}

QList<QByteArrayView> splitMultipart(QByteArrayView body, const QString& boundary)
{
    const QByteArray delimiter = "--" + boundary.toUtf8();
    QList<qsizetype> starts;
    for (qsizetype at = body.indexOf(delimiter); at >= 0; at = body.indexOf(delimiter, at + delimiter.size())) {
        if (at == 0 || body[at - 1] == '\n')
            starts.append(at);
    }

    QList<QByteArrayView> parts;
    for (qsizetype i = 0; i < starts.size(); ++i) {
        const qsizetype afterDelimiter = starts[i] + delimiter.size();
        if (body.sliced(afterDelimiter).startsWith("--"))
            break;
        const qsizetype lineEnd = body.indexOf('\n', afterDelimiter);
        if (lineEnd < 0)
            break;
        const qsizetype begin = lineEnd + 1;
        qsizetype end = i + 1 < starts.size() ? starts[i + 1] : body.size();
        if (end > begin && body[end - 1] == '\n')
            --end;
        if (end > begin && body[end - 1] == '\r')
            --end;
        if (end > begin)
            parts.append(body.sliced(begin, end - begin));
    }
    return parts;
}

Parsed parse(QByteArrayView message)
{
    Walk found;
    walk(message, found, 0);
    QString text;
    if (found.plain)
        text = *found.plain;
    else if (found.html)
        text = htmlToText(*found.html);
    return {cleaned(text), std::move(found.attachments)};
}

}  // namespace MIME
