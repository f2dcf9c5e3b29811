#pragma once

#include <QUrl>

#include <functional>

// Opens a web address or a local file with the user's default application (xdg-open).
// Tests replace it to record what would have been opened.
namespace Opener {

// False when nothing could be started for it.
bool open(const QUrl& url);

// Replaces the opener until called again with an empty function.
void replace(std::function<bool(const QUrl&)> opener);

}  // namespace Opener
