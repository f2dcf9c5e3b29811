#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Attachment names come from the sender: these turn them into safe file names and decide which
// files could run code, and write files where only this user can read them.
namespace AttachmentFiles {

// The name as it is written: "/", ":", control and direction-changing characters become "-",
// "", "." and ".." become "attachment", and the name keeps within 255 bytes with its extension.
QString fileName(const QString& name);

// The extension of the written name, or of the name cut at a control character as other
// programs may read it, is one of the executable, script, installer or macro formats.
bool canRunCode(const QString& name);

// Writes the data as fileName(name) into a new folder of its own under $TMPDIR/LU.MARA, which
// must be this user's own folder and no link. Folders are 0700, the file is 0600 and new.
// The file's path, or none when anything failed (nothing is left half written).
std::optional<QString> writePrivate(const QByteArray& data, const QString& name);

}  // namespace AttachmentFiles
