#include "ui/main/MailFileName.h"

namespace {

constexpr qsizetype maxUnits = 80;
constexpr qsizetype maxBytes = 255;
const QString suffix = QStringLiteral(".eml");

bool unsafe(QChar c)
{
    static const QString specials = QStringLiteral("/:\\?%*|\"<>");
    return specials.contains(c) || c.category() == QChar::Other_Control;
}

// Shortens to at most `units`, one code point less where a surrogate pair would be split.
QString cut(const QString& text, qsizetype units)
{
    if (text.size() <= units)
        return text;
    qsizetype end = units;
    if (end > 0 && text.at(end - 1).isHighSurrogate())
        --end;
    return text.first(end);
}

}  // namespace

QString MailFileName::suggested(const QString& subject)
{
    QString name = subject.isEmpty() ? QStringLiteral("(no subject)") : subject;
    for (QChar& c : name)
        if (unsafe(c))
            c = u'-';
    name = cut(name, maxUnits);
    while (!name.isEmpty() && (name + suffix).toUtf8().size() > maxBytes)
        name = cut(name, name.size() - 1);
    return name + suffix;
}
