#include "ui/look/Opener.h"

#include <QDesktopServices>

namespace {

std::function<bool(const QUrl&)>& replacement()
{
    static std::function<bool(const QUrl&)> opener;
    return opener;
}

}  // namespace

bool Opener::open(const QUrl& url)
{
    if (const auto& opener = replacement())
        return opener(url);
    return QDesktopServices::openUrl(url);
}

void Opener::replace(std::function<bool(const QUrl&)> opener)
{
    replacement() = std::move(opener);
}
