#pragma once

#include <QString>
#include <QStringList>

class QMimeData;

// Dragged mails: the application id + ".mail" type holding the ids of the dragged mails in order.
namespace MailDrag {

QString type();
QMimeData* make(const QStringList& ids);
// The ids a drag carries; nothing for a drag of another kind or of malformed data.
QStringList ids(const QMimeData* data);

}
