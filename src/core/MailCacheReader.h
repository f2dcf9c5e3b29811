#pragma once

#include "core/MailItem.h"

#include <QByteArray>

#include <optional>
#include <vector>

// cache.json read straight into mail items, without a JSON document in between: Qt's document
// costs four times the file in memory and most of the start-up. It answers only where Qt's
// reader would give the same items; for anything else (a broken file, Qt's leniencies such as
// ".5" or "\x", a number that underflows) it gives none, and the caller asks Qt's reader.
namespace MailCacheReader {

// Bytes the reader may read past the end of the text; with fewer, the text is copied first.
constexpr qsizetype padding = 64;

std::optional<std::vector<MailItem>> read(const QByteArray& json);

}  // namespace MailCacheReader
