#pragma once

#include "net/IMAPValue.h"

#include <QDateTime>
#include <QStringList>

#include <optional>
#include <vector>

// The header block and metadata of one message from a header FETCH.
struct FetchedHeader {
    qint64 uid = 0;
    QStringList flags;  // as sent, in server order
    std::optional<QDateTime> internalDate;
    QByteArray headers;

    bool operator==(const FetchedHeader&) const = default;

    // The answers to a header FETCH of the messages first:last, in response order: FETCH
    // responses for a message in that range with a UID above 0 and a BODY[...] item. Others are
    // skipped, among them the FETCH a server sends unasked when another client changed flags.
    static std::vector<FetchedHeader> readAll(const std::vector<IMAPResponse>& responses, qint64 first, qint64 last);
    // One response of such an answer; none when it is not one of those.
    static std::optional<FetchedHeader> read(const IMAPResponse& response, qint64 first, qint64 last);
    // The same from the bytes after the response's "*": the usual shape is read straight from
    // them, anything else through the parser.
    static std::optional<FetchedHeader> read(QByteArrayView afterStar, qint64 first, qint64 last);
};
