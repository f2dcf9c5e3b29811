#pragma once

#include <QDateTime>
#include <QStringView>

#include <optional>

namespace MIME {

// An IMAP INTERNALDATE read with `internalFormat()`. The canonical form servers send
// ("17-Jul-2024 10:01:02 +0200") is read directly, since a header fetch holds one per message
// and ICU's pattern reader is slow; anything else goes to the pattern reader.
std::optional<QDateTime> readInternalDate(QStringView text);

}  // namespace MIME
