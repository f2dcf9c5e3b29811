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

    // Every FETCH response with a UID above 0, in response order; other responses are skipped.
    static std::vector<FetchedHeader> readAll(const std::vector<IMAPResponse>& responses);
};
