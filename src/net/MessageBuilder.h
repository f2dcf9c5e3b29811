#pragma once

#include "content/MIMEParser.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Turns a draft into an Internet message (RFC 5322, MIME): one text/plain part in UTF-8
// quoted-printable, or multipart/mixed with the text first and one base64 part per file.
// Pure apart from the clock and the random Message-ID and boundary.
class MessageBuilder {
public:
    struct Draft {
        QString fromEmail;
        QString fromName;
        QStringList to;
        QStringList cc;  // blind copies never appear here: they are envelope recipients only
        QString subject;
        QString body;
        std::optional<QString> inReplyTo;   // written verbatim
        std::optional<QString> references;  // written verbatim
        QList<MIME::Attachment> attachments;
    };

    struct Message {
        QByteArray data;
        QString messageID;  // with its angle brackets
    };

    // Addresses and the verbatim header values are written as they are, so one holding CR or
    // LF would add header lines: such a draft fails with MailError::refused. Nothing else fails.
    static Message build(const Draft& draft);

    // The text itself when it is printable ASCII, else RFC 2047 B-encoded UTF-8 words of at most
    // 45 bytes each, never splitting a character, joined by CR LF and a space.
    static QString encodeHeader(const QString& text);
    // RFC 2045 §6.7 of the UTF-8 text, CR LF line ends, lines of at most 76 characters.
    static QByteArray qpEncode(const QString& text);
    // A From display name: encoded words when it needs them, a quoted string when it holds an
    // RFC 5322 special, else as it is.
    static QString displayName(const QString& name);
    // RFC 5322 §2.2.3: breaks a header field longer than 78 characters before white space
    // inside its value; a run without white space stays whole.
    static QString fold(const QString& field);
};
