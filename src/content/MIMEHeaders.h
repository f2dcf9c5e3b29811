#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

namespace MIME {

// One header field: the lower-case name and the trimmed, unfolded value.
struct HeaderField {
    QString name;
    QString value;
    bool operator==(const HeaderField&) const = default;
};

// The fields of a header block in their order, duplicates kept.
using HeaderList = QList<HeaderField>;

// A header value split into its main value and its parameters (RFC 2045 §5.1, RFC 2231).
struct Params {
    QString main;
    QMap<QString, QString> params;  // lower-case names
};

// A From/To/Reply-To style value: display name (encoded words decoded) and address.
struct Address {
    QString name;
    QString email;
    bool operator==(const Address&) const = default;
};

// Splits at the first empty line (CR LF CR LF, else LF LF). An entity that begins with its
// empty line has no header. Both halves are views into `entity`.
std::pair<QByteArrayView, QByteArrayView> splitHeaderBody(QByteArrayView entity);

HeaderList headers(QByteArrayView headerBytes);
// For each of `names` (lower-case ASCII), what header(headers(headerBytes), name) gives, without
// decoding the other fields: those of a hostile part may be megabytes long.
QList<std::optional<QString>> headerValues(QByteArrayView headerBytes, const QList<QByteArrayView>& names);
// Each value of the fields named `lowerCaseName` (ASCII) in order until `each` returns false, as
// its UTF-8 bytes: QString::fromUtf8 of them is the value headers(headerBytes) has. The bytes
// last for the call only.
void forEachHeaderValue(QByteArrayView headerBytes, QByteArrayView lowerCaseName,
                        const std::function<bool(QByteArrayView)>& each);
// Trims spaces and tabs only: other white space, a line break say, belongs to the text.
QString trimBlanks(QStringView text);
QStringView blanksTrimmed(QStringView text);  // the same without a copy
std::optional<QString> header(const HeaderList& fields, const QString& lowerCaseName);
Params params(const QString& value);
Address address(const QString& value);

// The first `needle` in `haystack` at or after `from`, or -1. Linear in the haystack for any
// needle, unlike QByteArrayView::indexOf, which steps back over a long needle after a partial match.
qsizetype findBytes(QByteArrayView haystack, QByteArrayView needle, qsizetype from = 0);

// A Date header value (RFC 5322 §3.3, with the usual deviations), or none.
std::optional<QDateTime> date(const QString& value);

}  // namespace MIME
