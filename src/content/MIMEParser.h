#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace MIME {

// A file carried by a mail, or added to one being written.
struct Attachment {
    QString name;
    QString type;     // lower-case media type without parameters, such as application/pdf
    QByteArray data;  // after the transfer decoding, never charset-converted

    // "12 kb" below one megabyte (at least 1 kb), else "1.5 mb".
    QString sizeText() const;
    bool operator==(const Attachment&) const = default;
};

// What the reader shows of a stored mail.
struct Parsed {
    QString text;  // first plain part with visible text, else first HTML part as text, else empty
    QList<Attachment> attachments;
};

// Reads a whole stored message (RFC 5322, MIME). Never fails: malformed input gives what it can.
Parsed parse(QByteArrayView message);

// RFC 2046 §5.1.1: the parts between "--boundary" lines, as views into `body`.
QList<QByteArrayView> splitMultipart(QByteArrayView body, const QString& boundary);

}  // namespace MIME
