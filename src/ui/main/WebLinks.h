#pragma once

#include <QList>
#include <QStringView>
#include <QUrl>

// Web addresses in plain mail text: "http://…", "https://…" and "www.…" (opened as https).
// Nothing else becomes a link, so a text can never hand a file:, javascript: or data: address
// to the opener.
namespace WebLinks {

struct Link {
    qsizetype start = 0;
    qsizetype length = 0;
    QUrl url;
};

// In text order, never overlapping. An address ends before white space, control and
// direction-changing characters and <>"; trailing punctuation and unbalanced closing
// brackets stay outside it.
QList<Link> find(QStringView text);

// Only web addresses may be handed to the desktop's opener.
bool opens(const QUrl& url);

}  // namespace WebLinks
