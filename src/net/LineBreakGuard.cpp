#include "net/LineBreakGuard.h"

#include "net/MailError.h"

void refuseLineBreaks(const QString& text, const QString& what)
{
    if (text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0)))
        throw MailError::refused(QStringLiteral("not sent: the %1 contains a line break or a NUL character").arg(what));
}
