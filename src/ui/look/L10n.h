#pragma once

#include <QHash>
#include <QList>
#include <QString>

// English text in, the chosen language out. English is the identity; German applies when
// "german" or "pongGerman" is set (read at every call). A text translates when it is a whole key
// of L10n::de() or begins with one of L10n::prefixes(); anything else comes back unchanged.
QString loc(const QString& text);

namespace L10n {

// English text to German text; keys match exactly, every space and the "…" character included.
const QHash<QString, QString>& de();

struct Prefix {
    QString english;
    QString german;
};
// Tried in order when a text is not a key: the rest of the text after the prefix stays as it is.
const QList<Prefix>& prefixes();

// Outside values that are part of three English texts.
inline const QString virusTotalHost = QStringLiteral("www.virustotal.com");
inline const QString appleAccountHost = QStringLiteral("account.apple.com");
inline const QString author = QStringLiteral("the LU.MARA authors");

// The English texts that embed those values (keys of de() like every other text).
QString virusTotalKeyPlaceholder();
QString creditLine();
QString icloudHint();

}
