#include "content/MIMEParser.h"
#include "content/HTMLToText.h"
#include "content/MIMEHeaders.h"
#include "content/MIMEText.h"

#include <cstdio>
#include <optional>

namespace MIME {

namespace {

constexpr int maximumDepth = 11;
constexpr qsizetype maximumLineLength = 998;

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

// The body after its transfer encoding; none when the encoding leaves it as it is.
std::optional<QByteArray> transferDecoded(QByteArrayView body, const QString& transferEncoding)
{
    if (transferEncoding == u"base64")
        return base64Decode(body);
    if (transferEncoding == u"quoted-printable")
        return qpDecode(body);
    return std::nullopt;
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
    static const QList<QByteArrayView> names{"content-type", "content-transfer-encoding", "content-disposition"};
    const QList<std::optional<QString>> fields = headerValues(headerBytes, names);
    const Params contentType = params(fields[0].value_or(QStringLiteral("text/plain")));
    const QString mime = contentType.main.toLower();
    const QString transferEncoding = fields[1].value_or(QString{}).toLower();
    const Params disposition = params(fields[2].value_or(QString{}));
    const QString disp = disposition.main.toLower();

    // RFC 5322 §2.1.1: a line holds at most 998 characters, so a delimiter line ("--" and the
    // boundary) longer than that is no delimiter; such a part stays whole, as without a boundary.
    const QString boundary = contentType.params.value(QStringLiteral("boundary"));
    if (mime.startsWith(u"multipart/") && contentType.params.contains(QStringLiteral("boundary"))
        && 2 + boundary.toUtf8().size() <= maximumLineLength) {
        for (const QByteArrayView part : splitMultipart(body, boundary))
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

    if (!isBodyText(mime, disp, fileName)) {
        std::optional<QByteArray> data = transferDecoded(body, transferEncoding);
        found.attachments.append({decodeWords(fileName.value_or(fallbackName(mime))), mime,
                                  data ? std::move(*data) : body.toByteArray()});
        return;
    }
    // Only the first plain and the first HTML part are read; later ones are dropped undecoded.
    std::optional<QString>* slot = nullptr;
    if (mime == u"text/plain" || mime.isEmpty())
        slot = &found.plain;
    else if (mime == u"text/html")
        slot = &found.html;
    if (!slot || *slot)
        return;
    const std::optional<QByteArray> data = transferDecoded(body, transferEncoding);
    QString text = decodeText(data ? QByteArrayView(*data) : body, contentType.params.value(QStringLiteral("charset")));
    // A plain part of blanks only (common beside an HTML alternative) must not hide the HTML.
    if (slot == &found.html || hasVisibleText(text))
        *slot = std::move(text);
}

// Line ends become LF, blanks before them go, at most one empty line in a row, no blank ends.
// One pass: the equivalent patterns backtrack badly over long runs of blanks.
QString cleaned(const QString& text)
{
    const QChar* chars = text.constData();
    const qsizetype size = text.size();
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    const auto isLineEnd = [&](qsizetype i) {
        return chars[i] == u'\n' || (chars[i] == u'\r' && i + 1 < size && chars[i + 1] == u'\n');
    };

    QString out;
    out.reserve(size);
    qsizetype newlines = 0;     // held back until a character other than a blank or line end
    qsizetype blanksFrom = 0;   // the blanks held back since then, [blanksFrom, blanksTo)
    qsizetype blanksTo = 0;
    qsizetype i = 0;
    while (i < size) {
        const qsizetype runFrom = i;
        while (i < size && !isBlank(chars[i]) && !isLineEnd(i))
            ++i;
        if (i > runFrom) {
            if (newlines > 0)
                out += newlines == 1 ? QStringView(u"\n") : QStringView(u"\n\n");
            out.append(chars + blanksFrom, blanksTo - blanksFrom);
            out.append(chars + runFrom, i - runFrom);
            newlines = 0;
            blanksFrom = blanksTo = i;
        }
        if (i == size)
            break;
        if (chars[i] == u'\n') {
            ++newlines;
            blanksFrom = blanksTo = i + 1;
        } else if (isBlank(chars[i])) {
            if (blanksTo != i)
                blanksFrom = i;
            blanksTo = i + 1;
        }
        ++i;  // a CR before its LF is dropped
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
    for (qsizetype at = findBytes(body, delimiter); at >= 0; at = findBytes(body, delimiter, at + delimiter.size())) {
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
        text = htmlToText(std::move(*found.html));
    return {cleaned(text), std::move(found.attachments)};
}

}  // namespace MIME
