#include "content/MIMEHeaders.h"
#include "content/Ascii.h"
#include "content/MIMEFormats.h"
#include "content/MIMEText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include <QVarLengthArray>

namespace MIME {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView unquoted(QStringView text)
{
    if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
        return text.sliced(1, text.size() - 2);
    return text;
}

// RFC 2231 §4: charset'language'percent-encoded-text, read in its charset or else as UTF-8.
std::optional<QString> extendedValue(const QString& value)
{
    const qsizetype charsetEnd = value.indexOf(u'\'');
    const qsizetype languageEnd = charsetEnd < 0 ? -1 : value.indexOf(u'\'', charsetEnd + 1);
    if (languageEnd < 0)
        return std::nullopt;
    const QByteArray encoded = value.sliced(languageEnd + 1).toUtf8();
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && (i + 2 >= encoded.size() || !isxdigit(uchar(encoded[i + 1])) || !isxdigit(uchar(encoded[i + 2]))))
            return std::nullopt;
    }
    const QByteArray bytes = QByteArray::fromPercentEncoding(encoded);
    for (const QString& charset : {value.first(charsetEnd), QStringLiteral("utf-8")}) {
        if (const std::optional<TextEncoding> known = encoding(charset)) {
            if (std::optional<QString> text = known->decode(bytes))
                return text;
        }
    }
    return std::nullopt;
}

// The whitespace-separated year field of a prepared date, "24" in "1 Jan 24 10:00:00 +0000".
bool hasTwoDigitYear(const QString& prepared)
{
    const QList<QStringView> fields = QStringView(prepared).split(u' ', Qt::SkipEmptyParts);
    if (fields.size() < 3 || fields[2].size() != 2)
        return false;
    return fields[2][0].isDigit() && fields[2][1].isDigit();
}

}  // namespace

QStringView blanksTrimmed(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isBlank(text[start]))
        ++start;
    while (end > start && isBlank(text[end - 1]))
        --end;
    return text.sliced(start, end - start);
}

QString trimBlanks(QStringView text)
{
    return blanksTrimmed(text).toString();
}

qsizetype findBytes(QByteArrayView haystack, QByteArrayView needle, qsizetype from)
{
    if (needle.isEmpty())
        return from <= haystack.size() ? from : -1;
    if (from < 0 || haystack.size() - from < needle.size())
        return -1;
    const void* at = memmem(haystack.data() + from, size_t(haystack.size() - from), needle.data(), size_t(needle.size()));
    return at ? static_cast<const char*>(at) - haystack.data() : -1;
}

std::pair<QByteArrayView, QByteArrayView> splitHeaderBody(QByteArrayView entity)
{
    if (entity.startsWith("\r\n"))
        return {entity.first(0), entity.sliced(2)};
    if (entity.startsWith("\n"))
        return {entity.first(0), entity.sliced(1)};
    for (const QByteArrayView separator : {QByteArrayView("\r\n\r\n"), QByteArrayView("\n\n")}) {
        const qsizetype at = findBytes(entity, separator);
        if (at >= 0)
            return {entity.first(at), entity.sliced(at + separator.size())};
    }
    return {entity, entity.sliced(entity.size())};
}

namespace {

bool isBlankByte(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmedBytes(QByteArrayView bytes)
{
    while (!bytes.isEmpty() && isBlankByte(bytes.front()))
        bytes = bytes.sliced(1);
    while (!bytes.isEmpty() && isBlankByte(bytes.back()))
        bytes.chop(1);
    return bytes;
}

// The fields of a header block on its bytes: `field` gets each name, trimmed, and its value:
// the trimmed pieces of its first line and of the folded lines after it, to be joined with one
// space; the walk ends when it returns false. Line breaks, colons and blanks are ASCII, and Qt
// decodes UTF-8 byte by byte (one U+FFFD for each byte that is not part of a character), so the
// pieces decode to the pieces of the decoded block.
using ValuePieces = QVarLengthArray<QByteArrayView, 8>;

template <class Field>
void forEachField(QByteArrayView block, Field&& field)
{
    QByteArrayView name;
    ValuePieces pieces;
    const auto flush = [&] {
        const bool goOn = pieces.isEmpty() || field(name, pieces);
        pieces.clear();
        return goOn;
    };
    const char* next = block.data();
    const char* const end = next + block.size();
    while (next < end) {
        const char* lineBreak = static_cast<const char*>(std::memchr(next, '\n', size_t(end - next)));
        const char* lineEnd = lineBreak ? lineBreak : end;
        QByteArrayView line(next, lineEnd - next);
        next = lineBreak ? lineBreak + 1 : end;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        if (isBlankByte(line.front())) {
            if (!pieces.isEmpty())  // none before the first field
                pieces.append(trimmedBytes(line));
            continue;
        }
        const char* colon = static_cast<const char*>(std::memchr(line.data(), ':', size_t(line.size())));
        if (!colon)
            continue;
        if (!flush())
            return;
        name = trimmedBytes(line.first(colon - line.data()));
        pieces.append(trimmedBytes(line.sliced(colon + 1 - line.data())));
    }
    flush();
}

// The pieces joined with one space, in `joined` when there is more than one.
QByteArrayView joinedValue(const ValuePieces& pieces, QVarLengthArray<char, 1024>& joined)
{
    if (pieces.size() == 1)
        return pieces.front();
    for (const QByteArrayView piece : pieces) {
        if (!joined.isEmpty())
            joined.append(' ');
        joined.append(piece.data(), piece.size());
    }
    return QByteArrayView(joined.constData(), joined.size());
}

QString decodedValue(const ValuePieces& pieces)
{
    QVarLengthArray<char, 1024> joined;
    return QString::fromUtf8(joinedValue(pieces, joined));
}

// Whether a field's name lower-cases to `lowerCaseName`, an ASCII one. A name with other than
// ASCII letters never lower-cases to an ASCII one (the Kelvin sign aside, whose "k" no name read
// here has).
bool isNamed(QByteArrayView name, QByteArrayView lowerCaseName)
{
    return name.size() == lowerCaseName.size()
           && std::equal(name.begin(), name.end(), lowerCaseName.begin(),
                         [](char c, char lower) { return lowerAscii(c) == lower; });
}

QString lowerCaseName(QByteArrayView name)
{
    if (!isAscii(name))
        return QString::fromUtf8(name).toLower();
    QVarLengthArray<char, 64> lower(name.size());
    std::transform(name.begin(), name.end(), lower.begin(), [](char c) { return lowerAscii(c); });
    const QLatin1StringView lowered(lower.constData(), lower.size());
    // The fields a check fetches, shared rather than made anew for every mail.
    static const std::array<QString, 14> common{
        QStringLiteral("from"),       QStringLiteral("to"),       QStringLiteral("cc"),
        QStringLiteral("subject"),    QStringLiteral("date"),     QStringLiteral("message-id"),
        QStringLiteral("in-reply-to"), QStringLiteral("references"), QStringLiteral("reply-to"),
        QStringLiteral("received"),   QStringLiteral("authentication-results"), QStringLiteral("content-type"),
        QStringLiteral("content-transfer-encoding"), QStringLiteral("mime-version")};
    for (const QString& known : common) {
        if (known.size() == lowered.size() && known == lowered)
            return known;
    }
    return lowered;
}

}  // namespace

HeaderList headers(QByteArrayView headerBytes)
{
    HeaderList fields;
    fields.reserve(16);  // a fetched header block has a dozen or so
    forEachField(headerBytes, [&](QByteArrayView name, const ValuePieces& value) {
        fields.append({lowerCaseName(name), decodedValue(value)});
        return true;
    });
    return fields;
}

QList<std::optional<QString>> headerValues(QByteArrayView headerBytes, const QList<QByteArrayView>& names)
{
    QList<std::optional<QString>> values(names.size());
    qsizetype missing = names.size();
    forEachField(headerBytes, [&](QByteArrayView name, const ValuePieces& value) {
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (!values[i] && isNamed(name, names[i])) {
                values[i] = decodedValue(value);
                --missing;
                break;
            }
        }
        return missing > 0;
    });
    return values;
}

void forEachHeaderValue(QByteArrayView headerBytes, QByteArrayView lowerCaseName,
                        const std::function<bool(QByteArrayView)>& each)
{
    forEachField(headerBytes, [&](QByteArrayView name, const ValuePieces& value) {
        if (!isNamed(name, lowerCaseName))
            return true;
        QVarLengthArray<char, 1024> joined;
        return each(joinedValue(value, joined));
    });
}

std::optional<QString> header(const HeaderList& fields, const QString& lowerCaseName)
{
    for (const HeaderField& field : fields) {
        if (field.name == lowerCaseName)
            return field.value;
    }
    return std::nullopt;
}

Params params(const QString& value)
{
    QList<QStringView> segments;
    bool inQuotes = false;
    qsizetype segmentStart = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'"')
            inQuotes = !inQuotes;
        else if (value[i] == u';' && !inQuotes) {
            segments.append(QStringView(value).sliced(segmentStart, i - segmentStart));
            segmentStart = i + 1;
        }
    }
    segments.append(QStringView(value).sliced(segmentStart));

    Params result{trimBlanks(segments.first()), {}};
    for (qsizetype i = 1; i < segments.size(); ++i) {
        const QStringView segment = segments[i];
        const qsizetype equals = segment.indexOf(u'=');
        if (equals < 0)
            continue;
        QString key = segment.first(equals).trimmed().toString().toLower();
        QString parameter = unquoted(segment.sliced(equals + 1).trimmed()).toString();
        if (key.endsWith(u'*')) {
            key.chop(1);
            if (std::optional<QString> decoded = extendedValue(parameter))
                parameter = *decoded;
        }
        result.params.insert(key, parameter);
    }
    return result;
}

Address address(const QString& value)
{
    const QStringView trimmed = blanksTrimmed(value);
    const qsizetype open = trimmed.lastIndexOf(u'<');
    const qsizetype close = trimmed.lastIndexOf(u'>');
    if (open < 0 || close < 0 || open > close)
        return {QString{}, trimmed.size() == value.size() ? value : trimmed.toString()};
    QString email = trimmed.sliced(open + 1, close - open - 1).trimmed().toString();
    return {decodeWords(unquoted(trimmed.first(open).trimmed()).toString()), std::move(email)};
}

std::optional<QDateTime> date(const QString& value)
{
    QString prepared = value.section(u'(', 0, 0);
    if (prepared.contains(u','))
        prepared = prepared.section(u',', 1);
    prepared = trimBlanks(prepared);

    const auto& formats = dateFormats();
    // "yyyy" takes "24" as the year 24; only the two-digit pattern applies its century window.
    if (hasTwoDigitYear(prepared))
        return formats[twoDigitYear]->parse(prepared);
    for (const DateFormat* format : formats) {
        if (std::optional<QDateTime> time = format->parse(prepared))
            return time;
    }
    return std::nullopt;
}

}  // namespace MIME
